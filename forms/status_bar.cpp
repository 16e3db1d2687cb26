// StatusBar: a system status bar with the stored parts (width, drawing style, text), resized with its
// window; the command status_bar_set_text sets a part's text.
#include <windows.h>

#include <commctrl.h>

#include "forms/units.h"

namespace {
// Property 9: with a size grip.
void status_style(const Unit& u, ControlStyle& s) {
    if (u.ints.at(9)) s.style |= SBARS_SIZEGRIP;
}

void status_decoded(Unit& u, bool empty_data) {
    if (empty_data) u.parts = {{-1, 0, ""}};
}

// A part's right edge is the sum of the widths up to it; a width of -1 makes the part reach the end.
void status_created(Unit& u) {
    std::vector<int> edges;
    int right = 0;
    for (const Unit::Part& p : u.parts) {
        right = p.width < 0 ? -1 : right + p.width;
        edges.push_back(right);
    }
    if (!edges.empty()) SendMessageA(u.hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (size_t i = 0; i < u.parts.size(); ++i)
        SendMessageA(u.hwnd, SB_SETTEXTA, i | static_cast<WPARAM>(u.parts[i].style),
                     reinterpret_cast<LPARAM>(u.parts[i].text.c_str()));
}
}  // namespace

bool status_bar_set_part(Unit& u, int32_t part, const char* text) {
    if (u.type != kUnitStatusBar || part < 0 || part >= static_cast<int32_t>(u.parts.size())) return false;
    Unit::Part& p = u.parts[static_cast<size_t>(part)];
    p.text = text ? text : "";
    SendMessageA(u.hwnd, SB_SETTEXTA, static_cast<WPARAM>(part) | static_cast<WPARAM>(p.style),
                 reinterpret_cast<LPARAM>(p.text.c_str()));
    return true;
}

const UnitClass kStatusBarUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitStatusBar;
    c.class_name = STATUSCLASSNAMEA;
    c.max_version = 1;
    c.fields = {parts(), logical(9), block(8)};
    c.sized_with_window = true;
    c.decoded = status_decoded;
    c.style = status_style;
    c.created = status_created;
    return c;
}();
