// EditBox: a system edit control whose content (property 8) lives in the control.
#include "forms/units.h"

namespace {
// Properties: 9 border, 10 text colour, 11 background.
void edit_style(const Unit& u, ControlStyle& s) {
    s.style |= ES_AUTOHSCROLL;
    if (u.ints.at(9)) s.ex |= WS_EX_CLIENTEDGE;
}

bool edit_read(const Unit& u, int32_t p, uint64_t* value) {
    if (p != 8) return false;
    *value = control_text(u.hwnd);
    return true;
}
}  // namespace

const UnitClass kEditBoxUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitEditBox;
    c.class_name = "EDIT";
    c.max_version = 2;
    c.fields = {integer(9),  integer(10), integer(11),   integer(13), integer(14), integer(15), integer(16),
                integer(17), integer(18), half_word(19), integer(20), integer(21), integer(22), integer(23),
                integer(24), integer(25), font(12),      text(8),     text(26),    text(27)};
    c.empty_values = {{9, 1}, {11, 0xFFFFFF}};
    c.text_colour = 10;
    c.background = 11;
    c.style = edit_style;
    c.read = edit_read;
    c.caption = 8;
    c.redraw_after_change = true;
    return c;
}();
