// Program entry: the program header, then the start-up sequence of the runtime.
#include <windows.h>

#include "app/app.h"
#include "forms/unit_ids.h"
#include "forms/window_layer.h"
#include "payloads/constants.h"
#include "runtime/runtime.h"

#ifdef QG_TEST_SEAMS
// Test seams, read only by the program built for the tests (QuenvarghostSeams.exe and the build over the
// tests' outside products); the shipped program has none of them, so nothing in its environment can stand in
// for the system's answers or its restart.
#include <cstdlib>

namespace {
// QG_TEST_RESTART_LOG naming a file: a restart request appends "restart\r\n" to that file instead of restarting
// the machine (the end-to-end tests check the request without ending their machine).
char restartLog[MAX_PATH];
bool logRestart() {
    HANDLE f = CreateFileA(restartLog, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(f, "restart\r\n", 9, &written, nullptr);
    CloseHandle(f);
    return true;
}

void useTestSeams() {
    DWORD n = GetEnvironmentVariableA("QG_TEST_RESTART_LOG", restartLog, sizeof restartLog);
    if (n > 0 && n < sizeof restartLog) requestRestart = logRestart;
    // QG_TEST_DRIVE_PLACES (e.g. "C=0:2;D=cd;E=0:3"): the drive placing answers from that list, so that a sandbox
    // whose folder drives the system places in letter order stands for another machine.
    char list[256];
    n = GetEnvironmentVariableA("QG_TEST_DRIVE_PLACES", list, sizeof list);
    if (n > 0 && n < sizeof list) use_listed_drive_places(list);
    // QG_TEST_DISK_ORDER (e.g. "1,3,4,2"): the first disk's partition table lists the partitions that the system
    // numbers so in that order on the disk (the sandbox's system lists no table).
    n = GetEnvironmentVariableA("QG_TEST_DISK_ORDER", list, sizeof list);
    if (n > 0 && n < sizeof list) use_listed_disk_order(list);
    // QG_TEST_PROBE_LIMIT_MS: the partition probe's time limit, shortened for a test.
    n = GetEnvironmentVariableA("QG_TEST_PROBE_LIMIT_MS", list, sizeof list);
    if (n > 0 && n < sizeof list) probeTimeLimit = static_cast<uint32_t>(std::strtoul(list, nullptr, 10));
}
}  // namespace
#endif

namespace {
// One copy at a time: two copies would write the same files on C: and the same probe script. The first copy
// holds a named block with its process number for as long as it runs.
struct RunningCopy {
    DWORD process;
    HWND found;
};

BOOL CALLBACK considerWindow(HWND h, LPARAM p) {
    auto* copy = reinterpret_cast<RunningCopy*>(p);
    DWORD process = 0;
    GetWindowThreadProcessId(h, &process);
    if (process != copy->process || !IsWindowVisible(h)) return TRUE;
    // An enabled window is the one the user works in: a prompt while the main window waits for it.
    if (!copy->found || IsWindowEnabled(h)) copy->found = h;
    return !IsWindowEnabled(h);
}

// True when another copy runs; its window (the one that takes input) is then brought to the front.
bool anotherCopyRuns() {
    HANDLE block = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                      txt::one_copy_name());
    if (!block) return false;  // nothing to go by: this copy runs
    bool another = GetLastError() == ERROR_ALREADY_EXISTS;
    auto* process = static_cast<DWORD*>(MapViewOfFile(block, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
    if (!another) {
        if (process) *process = GetCurrentProcessId();
        return false;  // the block stays open until this copy ends
    }
    RunningCopy copy{process ? *process : 0, nullptr};
    if (copy.process) EnumWindows(considerWindow, reinterpret_cast<LPARAM>(&copy));
    if (copy.found) {
        if (IsIconic(copy.found)) ShowWindow(copy.found, SW_RESTORE);
        SetForegroundWindow(copy.found);
    }
    return true;
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
#ifdef QG_TEST_SEAMS
    useTestSeams();
#endif
    if (anotherCopyRuns()) return 0;
    install_window_layer();
    run_internal(6, &programHeader());
    // The global values are holders that start empty: nothing to set up, only to free at the end.
    run_internal(3, releaseGlobals);
    load_startup_window(main_window::kWindow, main_window::self);
    run_message_loop();
    exit_program(0);
}
