// Windows XP has no GetTickCount64. The static thread library that the C++ runtime pulls in imports it;
// defining the import slot here binds that library to a replacement built on GetTickCount, so the
// programs start on XP. Wrap-around of the 32-bit counter is counted on every call.
#include <windows.h>

static ULONGLONG WINAPI tick_count_64(void) {
    static DWORD last = 0;
    static DWORD wraps = 0;
    DWORD now = GetTickCount();
    if (now < last) ++wraps;
    last = now;
    return (static_cast<ULONGLONG>(wraps) << 32) | now;
}

extern "C" ULONGLONG(WINAPI* imported_tick_count_64)(void) __asm__("__imp__GetTickCount64@0");
ULONGLONG(WINAPI* imported_tick_count_64)(void) = tick_count_64;
