// window: the unit type of a window's own entry: its stored data, the system window's styles made from its
// properties, and the properties shown on the window after a change (its title is its caption).
#include "forms/unit_numbers.h"
#include "forms/units.h"

namespace {
// Values of the border (prop::kWindowBorder).
enum Border : int32_t { kNoBorder, kSizing, kFixed, kToolSizing, kTool, kSunkenSizing, kSunken };

void set_window_icon(Unit& u) {
    if (u.icon) DestroyIcon(u.icon);
    u.icon = icon_from_file(own_text(u, prop::kWindowIcon));
    SendMessageA(u.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(u.icon));
    SendMessageA(u.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(u.icon));
}

// The window's own properties shown on it besides its title: background, icon, always on top.
void window_changed(Unit& u, int32_t p) {
    if (p == prop::kWindowBackground) InvalidateRect(u.hwnd, nullptr, TRUE);
    if (p == prop::kWindowTopmost)
        SetWindowPos(u.hwnd, u.ints[prop::kWindowTopmost] ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (p == prop::kWindowIcon) set_window_icon(u);
}
}  // namespace

ControlStyle window_style(const Unit& u) {
    int32_t border = u.ints.at(prop::kWindowBorder);
    bool control_button = u.ints.at(prop::kWindowControlButton) != 0;
    ControlStyle s{WS_CLIPCHILDREN, 0, own_text(u, prop::kWindowTitle), 0, 0};
    if (border != kNoBorder) {
        s.style |= WS_DLGFRAME;
        if (!s.text.empty() || control_button) s.style |= WS_CAPTION;
        if (control_button) s.style |= WS_SYSMENU;
        if (border == kSizing || border == kToolSizing || border == kSunkenSizing) s.style |= WS_THICKFRAME;
        if (border == kToolSizing || border == kTool) s.ex |= WS_EX_TOOLWINDOW;
        if (border == kSunkenSizing || border == kSunken) s.ex |= WS_EX_CLIENTEDGE;
    }
    if (!(s.style & WS_CAPTION)) s.style |= WS_POPUP;
    if (u.ints.at(prop::kWindowMaximiseBox)) s.style |= WS_MAXIMIZEBOX;
    if (u.ints.at(prop::kWindowMinimiseBox)) s.style |= WS_MINIMIZEBOX;
    if (u.ints.at(prop::kWindowTopmost)) s.ex |= WS_EX_TOPMOST;
    return s;
}

// The window entry's stored data, in stored order; reading accepts versions up to 6.
const UnitClass kWindowUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitWindow;
    c.class_name = "_Ozu_Window";
    c.control = ControlKind::kWindow;
    c.max_version = 6;
    c.empty_data = false;
    c.caption = prop::kWindowTitle;
    c.fields = {choice(9),   logical(12),    integer(10),    logical(16),   logical(17),    logical(15),
                choice(18),  logical(19),    choice(14),     logical(21),   logical(22),    logical(23),
                integer(25), logical(26, 2), logical(27, 3), choice(28, 3), logical(29, 4), logical(30, 5),
                text(31, 6), block(11),      block(20),      block(13),     text(8),        text(24)};
    c.changed = window_changed;
    return c;
}();
