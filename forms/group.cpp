// GroupBox: a system group frame that contains other units; their notifications go on to the window, and its
// inside shows the window's background.
#include "forms/units.h"

namespace {
void group_style(const Unit&, ControlStyle& s) { s.style |= BS_GROUPBOX | WS_CLIPCHILDREN; }

bool group_message(Unit& u, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_DRAWITEM:
            // Units re-parented into a group box: their notifications belong to the window.
            if (!u.window || !u.window->hwnd) return false;
            *result = SendMessageA(hwnd_of(*u.window), msg, wp, lp);
            return true;
        case WM_NCHITTEST:
            *result = HTCLIENT;
            return true;
        case WM_ERASEBKGND:
            // The system group box paints only its frame and caption, and the window clips its children, so
            // the inside would keep whatever the screen held: fill it with the window's background.
            if (!u.window) return false;
            fill_client(hwnd, reinterpret_cast<HDC>(wp), unit_brush(u, window_background(*u.window)));
            *result = 1;
            return true;
        default:
            return false;
    }
}
}  // namespace

const UnitClass kGroupBoxUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitGroupBox;
    c.class_name = "BUTTON";
    c.max_version = 1;
    c.fields = {font(9), text(8)};
    c.background = kWindowColour;
    c.style = group_style;
    c.caption = 8;
    c.message = group_message;
    return c;
}();
