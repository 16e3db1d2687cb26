// Button, CheckBox and RadioBox: system buttons that raise event 0 when clicked and answer to the underlined
// letter of their caption.
#include "forms/unit_numbers.h"
#include "forms/units.h"

namespace {
// Button properties: 9 default button, 10 caption.
void button_style(const Unit& u, ControlStyle& s) {
    s.style |= (u.ints.at(9) == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE;
}

// Check and radio box properties: 9 push-like, 10 flat, 11 caption, 12 text on the left, 15 text colour,
// 16 background, 18 checked.
void check_style(const Unit& u, ControlStyle& s) {
    s.style |= (u.type == kUnitCheckBox ? BS_AUTOCHECKBOX : BS_AUTORADIOBUTTON) | BS_MULTILINE;
    if (u.ints.at(12)) s.style |= BS_LEFTTEXT;
    if (u.ints.at(9)) s.style |= BS_PUSHLIKE;
    if (u.ints.at(10)) s.style |= BS_FLAT;
}

void show_checked(Unit& u) { SendMessageA(u.hwnd, BM_SETCHECK, u.ints[18] ? BST_CHECKED : BST_UNCHECKED, 0); }

bool read_checked(const Unit& u, int32_t p, uint64_t* value) {
    if (p != 18) return false;
    *value = SendMessageA(u.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    return true;
}

void check_changed(Unit& u, int32_t p) {
    if (p == 18) show_checked(u);
}

UnitClass clicked_button(uint32_t type) {
    UnitClass c;
    c.type = type;
    c.class_name = "BUTTON";
    c.notifications = {{BN_CLICKED, event::kClicked}};
    c.mnemonic_clicks = true;
    return c;
}

UnitClass check_or_radio(uint32_t type, uint32_t max_version) {
    using namespace field;
    UnitClass c = clicked_button(type);
    c.max_version = max_version;
    c.fields = {logical(9),  logical(10), logical(12), choice(13), choice(14), integer(15),
                integer(16), logical(18), block(8),    font(17),   text(11)};
    c.empty_values = {{14, 1}, {16, static_cast<int32_t>(kSystemDefault)}};
    c.text_colour = 15;
    c.background = 16;
    c.caption = 11;
    c.redraw_after_change = true;
    c.mnemonic_focuses = true;
    c.style = check_style;
    c.created = show_checked;
    c.read = read_checked;
    c.changed = check_changed;
    return c;
}
}  // namespace

const UnitClass kButtonUnit = [] {
    using namespace field;
    UnitClass c = clicked_button(kUnitButton);
    c.max_version = 1;
    c.fields = {choice(9), choice(11), choice(12), block(8), font(13), text(10)};
    c.empty_values = {{11, 1}, {12, 1}};
    c.caption = 10;
    c.style = button_style;
    return c;
}();

const UnitClass kCheckBoxUnit = [] {
    UnitClass c = check_or_radio(kUnitCheckBox, 2);
    c.fields.push_back(field::text(19));
    c.fields.push_back(field::text(20));
    return c;
}();

const UnitClass kRadioBoxUnit = check_or_radio(kUnitRadioBox, 1);
