// Program entry. Until the windows exist this shows a placeholder window through the runtime's start-up.
#include <windows.h>

#include "runtime/internal.h"

namespace {
const ProgramHeader kHeader = {3, 0, 0x000102EA, nullptr, nullptr, 0, nullptr, 0, 0, nullptr, 0, nullptr, nullptr};

LRESULT CALLBACK placeholder_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, message, wparam, lparam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    run_internal(6, &kHeader);
    WNDCLASSA wc{};
    wc.lpfnWndProc = placeholder_proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "QgPlaceholder";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, wc.lpszClassName, "Quenvarghost一键还原工具", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                             100, 374, 294, nullptr, nullptr, instance, nullptr);
    CreateWindowExA(0, "STATIC", "正在建设中", WS_CHILD | WS_VISIBLE, 20, 20, 300, 20, w, nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    exit_program(0);
}
