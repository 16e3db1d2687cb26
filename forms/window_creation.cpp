// Creating a window from the form store: its own entry and system window, its units in creation order (each
// container before what it holds) with their stacking and visibility, its created events; and loading a
// window, which activates one that is open already and runs a modal one until it closes.
#include "forms/unit_numbers.h"
#include "forms/units.h"

namespace {
bool g_creating = false;

// Values of the window's initial position (prop::kWindowPosition); 0 keeps the stored one.
constexpr int32_t kCentred = 1, kMinimised = 2, kMaximised = 3;

Unit* new_unit(FormWindow& w, size_t index) {
    UnitRecord& rec = w.units[index];
    const UnitClass* cls = find_unit_class(rec.type);
    if (!cls) return nullptr;
    Unit* u = new Unit;
    u->window = &w;
    u->window_id = w.id;
    u->unit_id = w.unit_ids[index];
    u->type = rec.type;
    u->cls = cls;
    if (!decode_own_data(*u, rec.own_data)) {
        delete u;
        return nullptr;
    }
    return u;
}

HWND container_hwnd(FormWindow& w, uint32_t container) {
    if (container) {
        int32_t i = find_unit_index(w, container);
        if (i > 0 && w.units[static_cast<size_t>(i)].object) return w.units[static_cast<size_t>(i)].object->hwnd;
    }
    return hwnd_of(w);
}

// The order in which the units are created: each container before what it holds, and what a container
// holds in list order. The system places a new control below its earlier siblings, so every unit is created
// in place and already stacked as the unit list runs (directly behind the nearest earlier unit of the same
// container); moving and restacking controls afterwards costs far more than creating them so. A unit whose
// container is not in the list goes into the window, last, and *restack says that the stacking must then be
// put right.
std::vector<size_t> creation_order(const FormWindow& w, bool* restack) {
    const size_t count = w.units.size();
    std::vector<size_t> order, pending;
    std::vector<bool> placed(count, false);
    auto place_contents = [&](uint32_t container) {
        for (size_t i = count; i-- > 1;)
            if (!placed[i] && !w.units[i].is_menu_item() && w.units[i].container == container) pending.push_back(i);
    };
    place_contents(0);
    while (!pending.empty()) {  // depth first, each container's contents right after it
        size_t i = pending.back();
        pending.pop_back();
        if (placed[i]) continue;
        placed[i] = true;
        order.push_back(i);
        place_contents(w.unit_ids[i]);
    }
    *restack = false;
    for (size_t i = 1; i < count; ++i)
        if (!placed[i] && !w.units[i].is_menu_item()) {
            order.push_back(i);
            *restack = true;
        }
    return order;
}

// Creates the units; control identifiers run 100, 110, ... from the last unit of the list back to the
// second. False when a unit cannot be created; the window is then destroyed.
bool create_units(FormWindow& w, bool* restack) {
    HWND hwnd = hwnd_of(w);
    const size_t count = w.units.size();
    std::vector<int32_t> control_ids(count, 0);
    int32_t next_id = 100;
    for (size_t i = count; i-- > 1;)
        if (!w.units[i].is_menu_item()) {
            control_ids[i] = next_id;
            next_id += 10;
        }
    for (size_t i : creation_order(w, restack)) {
        UnitRecord& rec = w.units[i];
        DWORD style = 0;
        if (rec.state & kStateDisabled) style |= WS_DISABLED;
        if (rec.state & kStateTab) style |= WS_TABSTOP;
        Unit* u = new_unit(w, i);
        if (u) u->control_id = control_ids[i];
        if (!u || !create_control(*u, rec, container_hwnd(w, rec.container), style)) {
            discard_unit(u);
            g_creating = false;
            DestroyWindow(hwnd);  // releases what exists; the window's destroy event runs
            return false;
        }
        rec.object = u;
    }
    return true;
}

// The stacking order of the unit list put right where creating could not keep it, then each unit shown as
// stored. Nothing is visible yet (the window is shown after its created event).
void arrange_units(FormWindow& w, bool restack) {
    for (size_t i = 1; restack && i < w.units.size(); ++i) {
        UnitRecord& rec = w.units[i];
        if (!rec.object) continue;
        HWND after = HWND_TOP;
        for (size_t j = i; j-- > 1;)
            if (w.units[j].object && w.units[j].container == rec.container) {
                after = w.units[j].object->hwnd;
                break;
            }
        SetWindowPos(rec.object->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    for (size_t i = 1; i < w.units.size(); ++i) {
        UnitRecord& rec = w.units[i];
        if (!rec.object) continue;
        bool show = (rec.state & kStateVisible) && !hidden_unit(*rec.object);
        ShowWindow(rec.object->hwnd, show ? SW_SHOWNA : SW_HIDE);
    }
}

// The window's own entry and its system window, centred on the screen when its initial position says so.
bool create_window_entry(FormWindow& w, HWND owner) {
    Unit* u = new_unit(w, 0);
    if (!u) return false;
    UnitRecord& rec = w.units[0];
    rec.object = u;
    ControlStyle s = window_style(*u);
    int32_t x = rec.left, y = rec.top;
    if (u->ints[prop::kWindowPosition] == kCentred) {
        x = (GetSystemMetrics(SM_CXSCREEN) - rec.width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - rec.height) / 2;
    }
    HWND hwnd = CreateWindowExA(s.ex, kWindowUnit.class_name, s.text.c_str(), s.style, x, y, rec.width, rec.height,
                                owner, nullptr, GetModuleHandleA(nullptr), &w);
    if (!hwnd) {
        rec.object = nullptr;
        w.hwnd = nullptr;
        delete u;
        return false;
    }
    u->hwnd = hwnd;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font()), FALSE);
    u->icon = icon_from_file(own_text(*u, prop::kWindowIcon));
    if (u->icon) {
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(u->icon));
        SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(u->icon));
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    if (r.right - r.left != rec.width || r.bottom - r.top != rec.height)
        SetWindowPos(hwnd, nullptr, 0, 0, rec.width, rec.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

// Shows the window as its initial position says (maximised only when it has a sizing frame).
void show_window(FormWindow& w) {
    if (!(w.units[0].state & kStateVisible)) return;
    HWND hwnd = hwnd_of(w);
    int32_t position = w.units[0].object->ints[prop::kWindowPosition];
    int show = SW_SHOW;
    if (position == kMinimised) show = SW_SHOWMINIMIZED;
    if (position == kMaximised && (GetWindowLongA(hwnd, GWL_STYLE) & WS_THICKFRAME)) show = SW_SHOWMAXIMIZED;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
}

bool create_form_window(FormWindow& w, HWND owner, bool modal) {
    register_window_classes();
    HWND active_before = modal ? GetActiveWindow() : nullptr;
    g_creating = true;
    w.closing = false;
    bool restack = false;
    bool created = create_window_entry(w, owner) && create_units(w, &restack);
    if (created) arrange_units(w, restack);
    g_creating = false;
    if (!created) return false;

    const uint32_t id = w.id, self = w.unit_ids[0];
    raise_event(id, self, event::kWindowCreated);
    if (w.hwnd) raise_event(id, self, event::kWindowMoved);
    if (w.hwnd) raise_event(id, self, event::kWindowResized);
    if (!w.hwnd) return true;  // a handler closed it again
    show_window(w);
    if (modal) begin_modal(w, active_before);
    return true;
}
}  // namespace

bool creating_window() { return g_creating; }

int32_t load_form_window(uint32_t window, HWND parent, bool modal) {
    FormWindow* w = find_window(window);
    if (!w) return -1;
    if (w->hwnd && !w->closing) {
        HWND h = hwnd_of(*w);
        if (IsIconic(h))
            ShowWindow(h, SW_RESTORE);
        else
            SetActiveWindow(h);
        return 0;
    }
    if (w->hwnd) destroy_form_window(*w);  // closing: replaced by a new copy
    HWND owner = nullptr;
    if (!modal && parent) {
        if (!IsWindow(parent)) return -1;
        owner = parent;
    }
    if (!create_form_window(*w, owner, modal)) return -1;
    if (modal && w->hwnd) run_message_loop(&w->modal_running);
    return 0;
}
