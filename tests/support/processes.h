// Whether a process of a program name runs in the prefix: the end-to-end tests and the start-up benchmark
// wait with it for the partition probe's programs that a closed window leaves running.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

inline bool processRuns(const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = lstrcmpiA(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return found;
}

// Whether a partition probe still runs: its command interpreter runs the script to its end (it deletes the
// partition tool's script, which the next probe writes in the same folder, after the tool and the filter end).
inline bool probeRuns() { return processRuns("cmd.exe") || processRuns("diskpart.exe") || processRuns("findstr.exe"); }
