/* The skin library: after SkinH_AttachRes, every window and control of the calling thread, those that exist
 * and those created later, is drawn with the colours of the skin passed in.
 *
 * How: a CBT hook subclasses each window of the thread as it is created (windows that already exist are
 * subclassed at attach time). The subclass answers the WM_CTLCOLOR* messages that a parent receives for its
 * labels, group boxes, check and radio boxes, edit and list controls; fills the background of windows that
 * are not system controls; and paints push buttons itself. Status bars get the skin's background colour.
 * Windows that paint themselves (a program's own label or picture classes) mostly paint in the system's
 * face and text colours: the program's imports of GetSysColor and GetSysColorBrush are redirected so that
 * those colours are the skin's.
 *
 * Skin format (little-endian): ".SHE", 0, 3; uint32 length of the rest; uint16 colour count; that many
 * colours 0x00BBGGRR in the order of enum Role; the skin's name (GBK, 0-terminated). Colours beyond the ones
 * known here are ignored. The library keeps no pointer to the skin data. */
#include <windows.h>
#include <commctrl.h>

enum Role {
    kWindow,
    kText,
    kGroupText,
    kEdit,
    kEditText,
    kList,
    kListText,
    kButton,
    kButtonText,
    kButtonLight,
    kButtonShadow,
    kStatusBar,
    kRoleCount
};

enum { kHeaderSize = 10 };

static COLORREF g_colours[kRoleCount];
static HBRUSH g_window_brush, g_edit_brush, g_list_brush;
static HHOOK g_hook;
static HMODULE g_module;
static BOOL g_pinned;
/* What the subclass does for a window, decided once from its class. */
enum Kind { kKindOther, kKindControl, kKindPushButton, kKindStatusBar, kKindSkip };

/* The subclassed windows with their previous window procedure, looked up for every message they receive: a
 * table of the library's own (window properties would cost a call to the window system per message). */
struct Skinned {
    HWND window;
    WNDPROC old;
    enum Kind kind;
};
static struct Skinned* g_skinned;
static int g_skinned_count, g_skinned_room;

static struct Skinned* skinned_entry(HWND window) {
    int i;
    for (i = g_skinned_count; i-- > 0;)
        if (g_skinned[i].window == window) return &g_skinned[i];
    return NULL;
}

static BOOL add_skinned(HWND window, WNDPROC old, enum Kind kind) {
    if (g_skinned_count == g_skinned_room) {
        int room = g_skinned_room ? g_skinned_room * 2 : 64;
        void* grown = g_skinned ? HeapReAlloc(GetProcessHeap(), 0, g_skinned, room * sizeof *g_skinned)
                                : HeapAlloc(GetProcessHeap(), 0, room * sizeof *g_skinned);
        if (!grown) return FALSE;
        g_skinned = (struct Skinned*)grown;
        g_skinned_room = room;
    }
    g_skinned[g_skinned_count].window = window;
    g_skinned[g_skinned_count].old = old;
    g_skinned[g_skinned_count].kind = kind;
    ++g_skinned_count;
    return TRUE;
}

static void remove_skinned(struct Skinned* entry) {
    *entry = g_skinned[--g_skinned_count];
}

static enum Kind kind_of(HWND window, LONG style) {
    char name[64];
    if (!GetClassNameA(window, name, sizeof name)) return kKindSkip;
    if (lstrcmpiA(name, "IME") == 0 || lstrcmpiA(name, "MSCTFIME UI") == 0) return kKindSkip;
    if (lstrcmpiA(name, STATUSCLASSNAMEA) == 0) return kKindStatusBar;
    if (lstrcmpiA(name, "Button") == 0) {
        style &= BS_TYPEMASK;
        return style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON ? kKindPushButton : kKindControl;
    }
    if (lstrcmpiA(name, "Static") == 0 || lstrcmpiA(name, "Edit") == 0 || lstrcmpiA(name, "ListBox") == 0 ||
        lstrcmpiA(name, "ComboBox") == 0 || lstrcmpiA(name, "ComboLBox") == 0 ||
        lstrcmpiA(name, "ScrollBar") == 0 || lstrcmpiA(name, "msctls_progress32") == 0 ||
        lstrcmpiA(name, "SysListView32") == 0 || lstrcmpiA(name, "SysTreeView32") == 0 ||
        lstrcmpiA(name, "tooltips_class32") == 0)
        return kKindControl;
    return kKindOther;
}

/* --- System colours as the program sees them */

static int skin_role_of_system_colour(int index) {
    switch (index) {
    case COLOR_BTNFACE: return kWindow;
    case COLOR_BTNTEXT:
    case COLOR_WINDOWTEXT: return kText;
    case COLOR_WINDOW: return kEdit;
    case COLOR_BTNHIGHLIGHT: return kButtonLight;
    case COLOR_BTNSHADOW: return kButtonShadow;
    default: return -1;
    }
}

static DWORD WINAPI skinned_sys_color(int index) {
    int role = skin_role_of_system_colour(index);
    return role >= 0 ? g_colours[role] : GetSysColor(index);
}

static HBRUSH WINAPI skinned_sys_color_brush(int index) {
    switch (skin_role_of_system_colour(index)) {
    case kWindow: return g_window_brush;
    case kEdit: return g_edit_brush;
    default: return GetSysColorBrush(index);
    }
}

/* Points the module's imports of `original` at `replacement`. */
static void redirect_import(HMODULE module, FARPROC original, const void* replacement) {
    BYTE* base = (BYTE*)module;
    IMAGE_DOS_HEADER* dos = (IMAGE_DOS_HEADER*)base;
    IMAGE_NT_HEADERS* nt;
    IMAGE_DATA_DIRECTORY* dir;
    IMAGE_IMPORT_DESCRIPTOR* d;
    if (!base || !original || dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    nt = (IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return;
    dir = &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir->VirtualAddress) return;
    for (d = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir->VirtualAddress); d->Name; ++d) {
        IMAGE_THUNK_DATA* t;
        for (t = (IMAGE_THUNK_DATA*)(base + d->FirstThunk); t->u1.Function; ++t) {
            DWORD old;
            if ((FARPROC)t->u1.Function != original) continue;
            if (!VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &old)) continue;
            t->u1.Function = (DWORD_PTR)replacement;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, old, &old);
        }
    }
}

static void redirect_system_colours(void) {
    static BOOL done = FALSE;
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (done || !user32) return;
    done = TRUE;
    redirect_import(GetModuleHandleA(NULL), GetProcAddress(user32, "GetSysColor"), (const void*)skinned_sys_color);
    redirect_import(GetModuleHandleA(NULL), GetProcAddress(user32, "GetSysColorBrush"),
                    (const void*)skinned_sys_color_brush);
}

/* --- Subclassing */

static BOOL is_class(HWND window, const char* class_name) {
    char name[32];
    return GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, class_name) == 0;
}

static LRESULT colour_control(HDC dc, COLORREF text, COLORREF back, HBRUSH brush) {
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    return (LRESULT)brush;
}

static void paint_push_button(HWND button) {
    PAINTSTRUCT ps;
    RECT r;
    char text[256];
    HDC dc = BeginPaint(button, &ps);
    LRESULT state = SendMessageA(button, BM_GETSTATE, 0, 0);
    BOOL pressed = (state & BST_PUSHED) != 0;
    BOOL enabled = IsWindowEnabled(button);
    HBRUSH face = CreateSolidBrush(g_colours[kButton]);
    HPEN light = CreatePen(PS_SOLID, 1, g_colours[pressed ? kButtonShadow : kButtonLight]);
    HPEN shadow = CreatePen(PS_SOLID, 1, g_colours[pressed ? kButtonLight : kButtonShadow]);
    HGDIOBJ old_pen, old_font;
    HFONT font = (HFONT)SendMessageA(button, WM_GETFONT, 0, 0);

    GetClientRect(button, &r);
    FillRect(dc, &r, face);
    old_pen = SelectObject(dc, light);
    MoveToEx(dc, r.left, r.bottom - 1, NULL);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right - 1, r.top);
    SelectObject(dc, shadow);
    LineTo(dc, r.right - 1, r.bottom - 1);
    LineTo(dc, r.left, r.bottom - 1);
    SelectObject(dc, old_pen);

    GetWindowTextA(button, text, sizeof text);
    old_font = SelectObject(dc, font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? g_colours[kButtonText] : g_colours[kButtonLight]);
    if (pressed) OffsetRect(&r, 1, 1);
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (GetFocus() == button) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(dc, &r);
    }
    SelectObject(dc, old_font);
    DeleteObject(face);
    DeleteObject(light);
    DeleteObject(shadow);
    EndPaint(button, &ps);
}

static LRESULT CALLBACK skinned_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    struct Skinned* entry = skinned_entry(window);
    WNDPROC old = entry ? entry->old : NULL;
    enum Kind kind = entry ? entry->kind : kKindSkip;
    HWND control = (HWND)lparam;
    if (!old) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_CTLCOLORSTATIC:
        /* Read-only and disabled edit boxes ask with this message too: they keep the window's colour. */
        if (is_class(control, "Edit"))
            return colour_control((HDC)wparam, g_colours[kText], g_colours[kWindow], g_window_brush);
        if (is_class(control, "Button") && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            return colour_control((HDC)wparam, g_colours[kGroupText], g_colours[kWindow], g_window_brush);
        return colour_control((HDC)wparam, g_colours[kText], g_colours[kWindow], g_window_brush);
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORMSGBOX:
        return colour_control((HDC)wparam, g_colours[kText], g_colours[kWindow], g_window_brush);
    case WM_CTLCOLOREDIT:
        return colour_control((HDC)wparam, g_colours[kEditText], g_colours[kEdit], g_edit_brush);
    case WM_CTLCOLORLISTBOX:
        return colour_control((HDC)wparam, g_colours[kListText], g_colours[kList], g_list_brush);
    case WM_ERASEBKGND: {
        if (kind == kKindOther) {
            RECT r;
            GetClientRect(window, &r);
            FillRect((HDC)wparam, &r, g_window_brush);
            return 1;
        }
        break;
    }
    case WM_CREATE:
        if (kind == kKindStatusBar) {
            LRESULT created = CallWindowProcA(old, window, message, wparam, lparam);
            if (created != -1) SendMessageA(window, SB_SETBKCOLOR, 0, (LPARAM)g_colours[kStatusBar]);
            return created;
        }
        break;
    case WM_PAINT:
        if (kind == kKindPushButton) {
            paint_push_button(window);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)old);
        remove_skinned(entry);
        break;
    }
    return CallWindowProcA(old, window, message, wparam, lparam);
}

/* A window that is being created (style from its creation record) is subclassed before its first message;
 * an existing one (style -1: read it) also gets the colours that it keeps itself. */
static void skin_window(HWND window, LONG style) {
    enum Kind kind;
    WNDPROC old;
    BOOL existing = style == -1;
    kind = kind_of(window, existing ? GetWindowLongA(window, GWL_STYLE) : style);
    if (kind == kKindSkip) return;
    if (existing && kind == kKindStatusBar) SendMessageA(window, SB_SETBKCOLOR, 0, (LPARAM)g_colours[kStatusBar]);
    if (skinned_entry(window)) return; /* already skinned */
    old = (WNDPROC)GetWindowLongPtrA(window, GWLP_WNDPROC);
    if (!old || !add_skinned(window, old, kind)) return;
    SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)skinned_proc);
}

static LRESULT CALLBACK creation_hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) skin_window((HWND)wparam, ((CBT_CREATEWNDA*)lparam)->lpcs->style);
    return CallNextHookEx(g_hook, code, wparam, lparam);
}

static BOOL CALLBACK skin_child(HWND window, LPARAM unused) {
    (void)unused;
    skin_window(window, -1);
    return TRUE;
}

static BOOL CALLBACK skin_top_level(HWND window, LPARAM unused) {
    (void)unused;
    skin_window(window, -1);
    EnumChildWindows(window, skin_child, 0);
    if (IsWindowVisible(window))
        RedrawWindow(window, NULL, NULL, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}

static BOOL read_skin(const BYTE* data, int length, COLORREF* colours) {
    DWORD body;
    WORD count;
    int i;
    if (!data || length < kHeaderSize + 2) return FALSE;
    if (data[0] != '.' || data[1] != 'S' || data[2] != 'H' || data[3] != 'E' || data[4] != 0 || data[5] != 3)
        return FALSE;
    body = (DWORD)data[6] | (DWORD)data[7] << 8 | (DWORD)data[8] << 16 | (DWORD)data[9] << 24;
    if (body > (DWORD)(length - kHeaderSize)) return FALSE;
    count = (WORD)(data[10] | data[11] << 8);
    if (count < kRoleCount || body < 2 + (DWORD)count * 4) return FALSE;
    for (i = 0; i < kRoleCount; ++i) {
        const BYTE* p = data + kHeaderSize + 2 + i * 4;
        colours[i] = RGB(p[0], p[1], p[2]);
    }
    return TRUE;
}

/* Applies the skin (its bytes and their count) to the calling thread's windows. The text and the three
 * integers are reserved and must be null or empty and 0. Returns 1 when the skin was applied, 0 when the data
 * is not a skin (nothing changes then). */
int __stdcall SkinH_AttachRes(const BYTE* data, int length, const char* reserved_text,
                                    int reserved1, int reserved2, int reserved3) {
    COLORREF colours[kRoleCount];
    HBRUSH old_window = g_window_brush, old_edit = g_edit_brush, old_list = g_list_brush;
    int i;
    (void)reserved_text;
    (void)reserved1;
    (void)reserved2;
    (void)reserved3;
    if (!read_skin(data, length, colours)) return 0;

    /* Subclassed windows call into this library until they are gone: it stays loaded for the process. */
    if (!g_pinned) {
        char path[MAX_PATH];
        if (GetModuleFileNameA(g_module, path, sizeof path) && LoadLibraryA(path)) g_pinned = TRUE;
    }
    for (i = 0; i < kRoleCount; ++i) g_colours[i] = colours[i];
    g_window_brush = CreateSolidBrush(g_colours[kWindow]);
    g_edit_brush = CreateSolidBrush(g_colours[kEdit]);
    g_list_brush = CreateSolidBrush(g_colours[kList]);
    redirect_system_colours();
    if (!g_hook) g_hook = SetWindowsHookExA(WH_CBT, creation_hook, NULL, GetCurrentThreadId());
    EnumThreadWindows(GetCurrentThreadId(), skin_top_level, 0);
    if (old_window) DeleteObject(old_window);
    if (old_edit) DeleteObject(old_edit);
    if (old_list) DeleteObject(old_list);
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
