// Label: a caption that the unit draws itself on a private class, with its own colours, alignment and a
// sunken or raised look.
#include "forms/units.h"

namespace {
// Properties: 8 caption, 9 effect (1 sunken, 2 raised: a shifted copy in the highlight or shadow colour),
// 10 alignment (1 centred, 2 right), 12 highlight, 13 shadow, 16 text colour, 17 background, 25 word wrap.
void paint_label(Unit& u, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, unit_brush(u, static_cast<COLORREF>(u.ints[17])));
    HGDIOBJ old = SelectObject(dc, u.hfont ? u.hfont : gui_font());
    SetBkMode(dc, TRANSPARENT);
    const std::string& text = own_text(u, 8);
    UINT format = DT_NOPREFIX;
    format |= u.ints[25] ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
    format |= u.ints[10] == 1 ? DT_CENTER : u.ints[10] == 2 ? DT_RIGHT : DT_LEFT;
    int effect = u.ints[9];
    if (effect == 1 || effect == 2) {
        RECT shifted = rc;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, static_cast<COLORREF>(effect == 1 ? u.ints[13] : u.ints[12]));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &shifted, format);
    }
    SetTextColor(dc, static_cast<COLORREF>(u.ints[16]));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

bool label_message(Unit& u, HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    switch (msg) {
        case WM_PAINT:
            paint_label(u, hwnd);
            *result = 0;
            return true;
        case WM_ERASEBKGND:
            *result = 1;
            return true;
        case WM_SETTEXT:
            InvalidateRect(hwnd, nullptr, FALSE);
            return false;
        default:
            return false;
    }
}

}  // namespace

const UnitClass kLabelUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitLabel;
    c.class_name = "_Ozu_Label";
    c.control = ControlKind::kDrawn;
    c.null_brush = true;
    c.max_version = 2;
    c.fields = {choice(9),   integer(11), integer(10), integer(12), integer(13), integer(14), integer(16),
                integer(17), integer(19), integer(20), integer(21), integer(22), integer(23), integer(24),
                logical(26), logical(25), font(15),    block(18),   text(8),     text(27),    text(28)};
    c.empty_values = {{17, static_cast<int32_t>(kSystemDefault)}};
    c.caption = 8;
    c.redraw_after_change = true;
    c.message = label_message;
    return c;
}();
