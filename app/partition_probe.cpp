// The partition probe: runs the probe script that asks the system's partition tool how many partitions the
// first disk has, through a pipe. The window is on screen meanwhile and its events run while the pipe is
// empty: a read waits for nothing, it takes what has arrived. A probe that has not answered within its time
// limit counts as failed. Kept apart from the rest of the command building so that a benchmark build can start
// the program without it.
#include <windows.h>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/ghost_command.h"
#include "app/unit_access.h"
#include "payloads/constants.h"

// The probe's whole output, gathered read by read.
Text probeOutput;

namespace {
// DLL commands of the program header used by the probe (index 0 is the skin library's entry).
constexpr int32_t kDllCreatePipe = 1, kDllGetStartupInfo = 2, kDllCreateProcess = 3, kDllCloseHandle = 4,
                  kDllReadFile = 5, kDllPeekNamedPipe = 6, kDllMsgWaitForMultipleObjects = 7, kDllCreateFile = 8,
                  kDllCreateJobObject = 9, kDllAssignProcessToJobObject = 10, kDllResumeThread = 11,
                  kDllTerminateJobObject = 12, kDllTerminateProcess = 13, kDllGetTickCount = 14;

constexpr int32_t kReadBufferSize = 4096;
// How long the probe waits for the pipe at most before it looks again (window input ends the wait at once).
constexpr uint32_t kPipeLookInterval = 10;

enum class PipeState { kReadable, kWindowClosed, kTimeUp };

uint32_t now() { return static_cast<uint32_t>(call_dll_command(kDllGetTickCount)); }

// Lets the window's events run until the pipe holds something or has no writer left, the window was closed, or
// the probe's time is up.
PipeState waitForPipe(HANDLE readEnd, uint32_t started) {
    for (;;) {
        cmd::processEvents();
        if (!unit::windowOpen()) return PipeState::kWindowClosed;
        if (now() - started >= probeTimeLimit) return PipeState::kTimeUp;
        DWORD waiting = 0;
        uint32_t alive = static_cast<uint32_t>(call_dll_command(
            kDllPeekNamedPipe, static_cast<const void*>(readEnd), static_cast<const void*>(nullptr), 0,
            static_cast<const void*>(nullptr), static_cast<const void*>(&waiting), static_cast<const void*>(nullptr)));
        if (!alive || waiting > 0) return PipeState::kReadable;  // the read that follows ends the loop, or takes what came
        call_dll_command(kDllMsgWaitForMultipleObjects, 0, static_cast<const void*>(nullptr), false,
                         kPipeLookInterval, QS_ALLINPUT);
    }
}
}  // namespace

void runPartitionProbe() {
    cmd::writeFile(txt::path_probe_script(), bin::probe_script());

    SECURITY_ATTRIBUTES inheritable = {12, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    call_dll_command(kDllCreatePipe, static_cast<const void*>(&readEnd), static_cast<const void*>(&writeEnd),
                     static_cast<const void*>(&inheritable), 0);
    // The script's programs read nothing of the tool's own standard input (its last line waits for a key).
    HANDLE nothingToRead = reinterpret_cast<HANDLE>(call_dll_command(
        kDllCreateFile, "NUL", static_cast<uint32_t>(GENERIC_READ), FILE_SHARE_READ | FILE_SHARE_WRITE,
        static_cast<const void*>(&inheritable), OPEN_EXISTING, 0, static_cast<const void*>(nullptr)));

    STARTUPINFOA startup = {};
    call_dll_command(kDllGetStartupInfo, static_cast<const void*>(&startup));
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nothingToRead;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;

    // The script and every program it starts run in a job, so that a probe past its time ends all of them.
    HANDLE job = reinterpret_cast<HANDLE>(call_dll_command(kDllCreateJobObject, static_cast<const void*>(nullptr),
                                                           static_cast<const void*>(nullptr)));
    PROCESS_INFORMATION process = {};
    Text commandLine = Text::copy(txt::path_probe_script());  // the system may write into the command line
    uint32_t created = static_cast<uint32_t>(call_dll_command(
        kDllCreateProcess, static_cast<const void*>(nullptr), commandLine, static_cast<const void*>(nullptr),
        static_cast<const void*>(nullptr), true, CREATE_SUSPENDED, static_cast<const void*>(nullptr),
        static_cast<const void*>(nullptr), static_cast<const void*>(&startup), static_cast<const void*>(&process)));
    bool inJob = created && job &&
                 call_dll_command(kDllAssignProcessToJobObject, static_cast<const void*>(job),
                                  static_cast<const void*>(process.hProcess)) != 0;
    if (created) call_dll_command(kDllResumeThread, static_cast<const void*>(process.hThread));
    call_dll_command(kDllCloseHandle, static_cast<const void*>(writeEnd));
    if (nothingToRead != INVALID_HANDLE_VALUE) call_dll_command(kDllCloseHandle, static_cast<const void*>(nothingToRead));

    probeOutput.reset();
    uint32_t started = now();
    PipeState state = PipeState::kReadable;
    uint32_t more = 0;
    do {
        state = waitForPipe(readEnd, started);
        if (state != PipeState::kReadable) break;  // closed: the answer would reach no one
        Bytes buffer = cmd::makeZeroBytes(kReadBufferSize);
        DWORD got = 0;
        more = static_cast<uint32_t>(call_dll_command(kDllReadFile, static_cast<const void*>(readEnd), buffer,
                                                      kReadBufferSize - 1, static_cast<const void*>(&got),
                                                      static_cast<const void*>(nullptr)));
        // The buffer's content up to its first zero byte, as text.
        Text piece = Text::copy(reinterpret_cast<const char*>(buffer.data()));
        probeOutput = concat({probeOutput.get(), piece.get()});
    } while (more != 0);

    if (state == PipeState::kTimeUp) {
        // A partition tool that never answers: its programs are ended, and the count is what no answer gives.
        if (inJob)
            call_dll_command(kDllTerminateJobObject, static_cast<const void*>(job), 1);
        else if (created)
            call_dll_command(kDllTerminateProcess, static_cast<const void*>(process.hProcess), 1);
        probeOutput.reset();
    }
    if (readEnd) call_dll_command(kDllCloseHandle, static_cast<const void*>(readEnd));
    if (job) call_dll_command(kDllCloseHandle, static_cast<const void*>(job));
    if (created) {
        call_dll_command(kDllCloseHandle, static_cast<const void*>(process.hProcess));
        call_dll_command(kDllCloseHandle, static_cast<const void*>(process.hThread));
    }
    diskPartitionCount = partitionCountFromProbeOutput(probeOutput.get());
}
