// The units' live controls: which unit each control belongs to, creating a unit's control (a system control,
// subclassed so that its messages pass through the window layer first, or one of the private classes),
// releasing the units of a window, and finding the live unit of a window or the loaded window of a system
// window.
#include <unordered_map>

#include "forms/units.h"

namespace {
// The unit of each live control, looked up for every message a control receives: kept in the process (a window
// property would cost a call to the window system per message).
std::unordered_map<HWND, Unit*> g_unit_of_control;

void release_unit(Unit* u) {
    if (u->hwnd) {
        if (u->cls->released) u->cls->released(*u);
        if (u->original_proc) SetWindowLongPtrA(u->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(u->original_proc));
        g_unit_of_control.erase(u->hwnd);
    }
    if (u->hfont) DeleteObject(u->hfont);
    if (u->brush) DeleteObject(u->brush);
    if (u->picture) u->picture->Release();
    if (u->icon) DestroyIcon(u->icon);
    delete u;
}
}  // namespace

void release_window_units(FormWindow& w) {
    for (size_t i = w.units.size(); i-- > 0;) {
        UnitRecord& rec = w.units[i];
        if (rec.object) release_unit(rec.object);
        rec.object = nullptr;
    }
}

bool create_control(Unit& u, const UnitRecord& rec, HWND parent, DWORD base_style) {
    const UnitClass& c = *u.cls;
    ControlStyle s{WS_CHILD | WS_CLIPSIBLINGS | base_style, 0, c.caption >= 0 ? own_text(u, c.caption) : "", rec.width,
                   rec.height};
    if (c.style) c.style(u, s);
    if (hidden_unit(u)) s.style &= ~(WS_DISABLED | WS_TABSTOP);
    u.hwnd = CreateWindowExA(
        s.ex, c.class_name, s.text.c_str(), s.style, rec.left, rec.top, s.width, s.height + c.drop_height, parent,
        reinterpret_cast<HMENU>(static_cast<uintptr_t>(u.control_id)), GetModuleHandleA(nullptr), nullptr);
    if (!u.hwnd) return false;
    g_unit_of_control[u.hwnd] = &u;
    if (c.control == ControlKind::kSystem)
        u.original_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(u.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassed_control_proc)));
    apply_font(u, false);
    if (c.created) c.created(u);
    return true;
}

void discard_unit(Unit* u) {
    if (u && u->hwnd) {
        g_unit_of_control.erase(u->hwnd);
        DestroyWindow(u->hwnd);
    }
    delete u;
}

Unit* unit_of(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = g_unit_of_control.find(hwnd);
    return it == g_unit_of_control.end() ? nullptr : it->second;
}

EventOutcome unit_event(Unit& u, int32_t event, std::initializer_list<int32_t> args) {
    return raise_event(u.window_id, u.unit_id, event, args);
}

Unit* live_unit(uint32_t window, uint32_t unit) {
    FormWindow* w = find_window(window);
    if (!w || !w->hwnd) return nullptr;
    int32_t i = find_unit_index(*w, unit);
    if (i < 0) return nullptr;
    Unit* u = w->units[static_cast<size_t>(i)].object;
    return u && u->hwnd && IsWindow(u->hwnd) ? u : nullptr;
}

FormWindow* window_of(HWND hwnd) {
    for (FormWindow& w : form_windows())
        if (w.hwnd && w.hwnd == hwnd) return &w;
    return nullptr;
}
