// The start-up benchmark's second reference: the tool's main window rebuilt bare. It reads the window table
// that the benchmark took from the running tool (bare_windows TABLE) and creates the same windows: the
// top-level window, then every control with its class, styles, geometry, identifier and text, each given the
// GUI font, and shows the window. No runtime, no form store, no handlers: what is left is what the system
// itself costs for these windows. Classes that are not the system's get a plain class of the same name.
//
// Table: one window a line, the top-level window first, then the controls with parents before children:
//   PARENT CLASS STYLE EXSTYLE X Y WIDTH HEIGHT ID TEXT
// PARENT is the line number of the parent (0 the top-level window, -1 for the top-level window itself),
// STYLE and EXSTYLE in hexadecimal, TEXT the window text's bytes in hexadecimal ("-" when empty).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
LRESULT CALLBACK topProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, m, wp, lp);
}

std::string fromHex(const char* hex) {
    std::string s;
    if (std::strcmp(hex, "-") == 0) return s;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        unsigned byte = 0;
        std::sscanf(hex + i, "%2x", &byte);
        s.push_back(static_cast<char>(byte));
    }
    return s;
}

void ensureClass(const char* name, WNDPROC proc) {
    WNDCLASSA existing;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(nullptr, name, &existing) || GetClassInfoA(instance, name, &existing)) return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    FILE* table = std::fopen(argv[1], "r");
    if (!table) return 2;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    std::vector<HWND> made;
    char line[4096];
    while (std::fgets(line, sizeof line, table)) {
        int parent, x, y, w, h, id;
        unsigned long style, ex;
        char cls[256], hex[2048];
        if (std::sscanf(line, "%d %255s %lx %lx %d %d %d %d %d %2047s", &parent, cls, &style, &ex, &x, &y, &w, &h,
                        &id, hex) != 10)
            continue;
        bool top = made.empty();
        ensureClass(cls, top ? topProc : DefWindowProcA);
        HWND parentWindow = top || parent < 0 || static_cast<size_t>(parent) >= made.size() ? nullptr : made[parent];
        if (!top && !parentWindow) {  // its parent could not be made: neither can it
            made.push_back(nullptr);
            continue;
        }
        std::string text = fromHex(hex);
        HWND hwnd = CreateWindowExA(ex, cls, text.c_str(), top ? style & ~WS_VISIBLE : style, x, y, w, h, parentWindow,
                                    top ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    GetModuleHandleA(nullptr), nullptr);
        if (!hwnd && top) return 1;
        if (hwnd) SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        made.push_back(hwnd);
    }
    std::fclose(table);
    if (made.empty()) return 1;
    ShowWindow(made[0], SW_SHOW);
    UpdateWindow(made[0]);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
