// The partition probe: runs the probe script that asks the system's partition tool how many partitions the
// first disk has, through a pipe. The window is on screen meanwhile and its events run while the pipe is
// empty: a read waits for nothing, it takes what has arrived. Kept apart from the rest of the command building
// so that a benchmark build can start the program without it.
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
                  kDllReadFile = 5, kDllPeekNamedPipe = 6, kDllMsgWaitForMultipleObjects = 7;

constexpr int32_t kReadBufferSize = 4096;
// How long the probe waits for the pipe at most before it looks again (window input ends the wait at once).
constexpr uint32_t kPipeLookInterval = 10;

// Lets the window's events run until the pipe holds something or has no writer left; false when the window was
// closed meanwhile.
bool waitForPipe(HANDLE readEnd) {
    for (;;) {
        cmd::processEvents();
        if (!unit::windowOpen()) return false;
        DWORD waiting = 0;
        uint32_t alive = static_cast<uint32_t>(call_dll_command(
            kDllPeekNamedPipe, static_cast<const void*>(readEnd), static_cast<const void*>(nullptr), 0,
            static_cast<const void*>(nullptr), static_cast<const void*>(&waiting), static_cast<const void*>(nullptr)));
        if (!alive || waiting > 0) return true;  // the read that follows ends the loop, or takes what came
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

    STARTUPINFOA startup = {};
    call_dll_command(kDllGetStartupInfo, static_cast<const void*>(&startup));
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;

    PROCESS_INFORMATION process = {};
    Text commandLine = Text::copy(txt::path_probe_script());  // the system may write into the command line
    uint32_t created = static_cast<uint32_t>(call_dll_command(
        kDllCreateProcess, static_cast<const void*>(nullptr), commandLine, static_cast<const void*>(nullptr),
        static_cast<const void*>(nullptr), true, 0, static_cast<const void*>(nullptr),
        static_cast<const void*>(nullptr), static_cast<const void*>(&startup), static_cast<const void*>(&process)));
    call_dll_command(kDllCloseHandle, static_cast<const void*>(writeEnd));

    probeOutput.reset();
    uint32_t more = 0;
    do {
        if (!waitForPipe(readEnd)) break;  // the program is ending: the answer would reach no one
        Bytes buffer = cmd::makeZeroBytes(kReadBufferSize);
        DWORD got = 0;
        more = static_cast<uint32_t>(call_dll_command(kDllReadFile, static_cast<const void*>(readEnd), buffer,
                                                      kReadBufferSize - 1, static_cast<const void*>(&got),
                                                      static_cast<const void*>(nullptr)));
        // The buffer's content up to its first zero byte, as text.
        Text piece = Text::copy(reinterpret_cast<const char*>(buffer.data()));
        probeOutput = concat({probeOutput.get(), piece.get()});
    } while (more != 0);

    if (readEnd) call_dll_command(kDllCloseHandle, static_cast<const void*>(readEnd));
    if (created) {
        call_dll_command(kDllCloseHandle, static_cast<const void*>(process.hProcess));
        call_dll_command(kDllCloseHandle, static_cast<const void*>(process.hThread));
    }
    diskPartitionCount = partitionCountFromProbeOutput(probeOutput.get());
}
