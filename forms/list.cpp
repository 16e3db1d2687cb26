// ListBox: a system list box filled with the stored items and their item data; event 0 when the selection
// changed, 1 on a double click. The list commands work on the control itself.
#include "forms/unit_numbers.h"
#include "forms/units.h"

namespace {
// Properties: 9 border, 10 sorted, 11 extended selection, 16 the item selected at creation (-1: none).
void list_style(const Unit& u, ControlStyle& s) {
    s.style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS;
    if (u.ints.at(10)) s.style |= LBS_SORT;
    if (u.ints.at(11)) s.style |= LBS_EXTENDEDSEL;
    if (u.ints.at(9)) s.ex |= WS_EX_CLIENTEDGE;
}

void list_created(Unit& u) {
    for (size_t i = 0; i < u.items.size(); ++i) {
        LRESULT at = SendMessageA(u.hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u.items[i].c_str()));
        if (at >= 0) SendMessageA(u.hwnd, LB_SETITEMDATA, static_cast<WPARAM>(at), u.item_data[i]);
    }
    if (u.ints[16] >= 0) SendMessageA(u.hwnd, LB_SETCURSEL, static_cast<WPARAM>(u.ints[16]), 0);
}
}  // namespace

const UnitClass kListBoxUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitListBox;
    c.class_name = "LISTBOX";
    c.max_version = 3;
    c.fields = {integer(9), logical(10), integer(11), integer(12), integer(13), font(14), items(), integer(16)};
    c.empty_values = {{9, 1}, {16, -1}};
    c.notifications = {{LBN_SELCHANGE, event::kListSelectionChanged}, {LBN_DBLCLK, event::kListDoubleClicked}};
    c.style = list_style;
    c.created = list_created;
    return c;
}();
