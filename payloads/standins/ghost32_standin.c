/* Carried as E:\Ghost32.exe when the build was given no Windows imaging program of its own. It is not that
 * program: it only opens a small window that says so and tells where the real one goes. */
#include <windows.h>

static const char kTitle[] = "Quenvarghost - Ghost32 替代程序";
static const char kMessage[] =
    "这不是 Ghost32，而是 Quenvarghost 自带的替代程序。\r\n"
    "构建本工具时没有提供真正的 Ghost32.exe，所以这里没有可运行的 Windows 版 Ghost。\r\n\r\n"
    "要带上真正的程序：把 Ghost32.exe 放进配置构建时用 CMake 变量 QG_OUTSIDE_PRODUCTS 指定的文件夹，"
    "重新配置并构建本工具。也可以把真正的 Ghost32.exe 直接复制到 E:\\ 后自己运行它。\r\n\r\n"
    "This is not Ghost32 but a stand-in carried by Quenvarghost: the build was given no Ghost32.exe. "
    "Put the real Ghost32.exe into the folder named by the CMake cache variable QG_OUTSIDE_PRODUCTS and "
    "configure and build again.";

enum { kOkButton = 1 };

static LRESULT CALLBACK standin_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE: {
        HINSTANCE instance = ((CREATESTRUCTA*)lparam)->hInstance;
        HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
        HWND text = CreateWindowExA(0, "STATIC", kMessage, WS_CHILD | WS_VISIBLE | SS_LEFT, 16, 16, 448, 200, window,
                                    NULL, instance, NULL);
        HWND ok = CreateWindowExA(0, "BUTTON", "确定", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 384,
                                  224, 80, 26, window, (HMENU)(INT_PTR)kOkButton, instance, NULL);
        SendMessageA(text, WM_SETFONT, (WPARAM)font, FALSE);
        SendMessageA(ok, WM_SETFONT, (WPARAM)font, FALSE);
        SetFocus(ok);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == kOkButton || LOWORD(wparam) == IDCANCEL) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    WNDCLASSA wc;
    HWND window;
    MSG msg;
    RECT frame = {0, 0, 480, 266};
    (void)previous;
    (void)command_line;

    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = standin_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_INFORMATION);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "QgGhost32StandIn";
    RegisterClassA(&wc);
    AdjustWindowRect(&frame, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, FALSE);
    window = CreateWindowExA(0, wc.lpszClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                             CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, NULL, NULL, instance,
                             NULL);
    ShowWindow(window, show);
    UpdateWindow(window);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
