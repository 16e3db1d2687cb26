// Waits until this process can create a top-level window, i.e. until the prefix's desktop is up; exits with
// 0 then, with 1 when it could not. The sandbox runs it before any test: under Wine a process that creates
// its first window before the desktop process (explorer) has published its display driver gets none and
// cannot create a window for the rest of its life, and under slow emulation the desktop can take longer
// than the 10 s that Wine waits for it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND desktop = GetDesktopWindow();  // starts the desktop process when it is not running yet
    for (int i = 0; i < 900 && !GetPropA(desktop, "__wine_display_device_guid"); ++i) Sleep(100);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) return 1;
    DestroyWindow(window);
    return 0;
}
