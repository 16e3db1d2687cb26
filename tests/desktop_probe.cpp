// Run by the sandbox before any test. Under Wine the desktop process (explorer) is started by the first
// program that needs it and ends shortly after the last program on the desktop; a program that creates its
// first window while the desktop process is not ready yet (Wine waits 10 s for it, not enough under slow
// emulation) gets no display driver and cannot create any window for the rest of its life.
//   desktop_probe --hold : stays on the desktop until the Wine server stops, so that the desktop process,
//                          once up, stays up for every later program;
//   desktop_probe        : exits with 0 when it could create a window, i.e. the desktop is ready, else 1;
//   desktop_probe --frame: prints "X Y", where the client area of a window with a fixed frame and a title bar
//                          (the program's windows) begins inside the window: what a script that clicks
//                          into such a window in a virtual desktop adds to client coordinates.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    if (std::strstr(command_line, "--hold")) {
        GetDesktopWindow();  // joins the desktop, starting its process when none runs
        Sleep(INFINITE);
    }
    if (std::strstr(command_line, "--frame")) {
        RECT r = {0, 0, 100, 100};
        AdjustWindowRectEx(&r, WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, FALSE, 0);
        std::printf("%ld %ld\n", -r.left, -r.top);
        return 0;
    }
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) {
        std::fprintf(stderr, "desktop probe: no window (error %lu)\n", GetLastError());
        return 1;
    }
    DestroyWindow(window);
    return 0;
}
