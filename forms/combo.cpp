// ComboBox: a system combo box filled with the stored items; its text (property 8) and current selection
// (property 19, -1 when none) live in the control.
#include "forms/units.h"

namespace {
// Properties: 9 kind (0 drop-down, 1 drop-down list, 2 simple), 10 sorted.
void combo_style(const Unit& u, ControlStyle& s) {
    int32_t kind = u.ints.at(9);
    s.style |= WS_VSCROLL | CBS_AUTOHSCROLL | (kind == 1 ? CBS_DROPDOWNLIST : kind == 2 ? CBS_SIMPLE : CBS_DROPDOWN);
    if (u.ints.at(10)) s.style |= CBS_SORT;
}

void combo_created(Unit& u) {
    for (const std::string& item : u.items)
        SendMessageA(u.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (u.ints[19] >= 0)
        SendMessageA(u.hwnd, CB_SETCURSEL, static_cast<WPARAM>(u.ints[19]), 0);
    else if (!own_text(u, 8).empty())
        SetWindowTextA(u.hwnd, own_text(u, 8).c_str());
}

bool combo_read(const Unit& u, int32_t p, uint64_t* value) {
    if (p == 8) *value = control_text(u.hwnd);
    if (p == 19) *value = static_cast<uint32_t>(static_cast<int32_t>(SendMessageA(u.hwnd, CB_GETCURSEL, 0, 0)));
    return p == 8 || p == 19;
}

// A written text selects the item it names, or else becomes the edit part's text.
void combo_changed(Unit& u, int32_t p) {
    if (p == 19) SendMessageA(u.hwnd, CB_SETCURSEL, static_cast<WPARAM>(u.ints[19]), 0);
    if (p != 8) return;
    const std::string& t = own_text(u, 8);
    LRESULT at = SendMessageA(u.hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(t.c_str()));
    if (at >= 0)
        SendMessageA(u.hwnd, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    else
        SetWindowTextA(u.hwnd, t.c_str());
}
}  // namespace

const UnitClass kComboBoxUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitComboBox;
    c.class_name = "COMBOBOX";
    c.max_version = 3;
    c.fields = {choice(9), integer(19), integer(11), integer(12), logical(10), font(13), text(8), items()};
    c.empty_values = {{9, 1}, {19, -1}};
    c.drop_height = 160;  // room for the dropped-down list
    c.style = combo_style;
    c.created = combo_created;
    c.read = combo_read;
    c.changed = combo_changed;
    return c;
}();
