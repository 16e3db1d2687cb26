// The window itself: its procedure and the units' control procedures, the private window classes, creating a
// window and its units from the form store, closing, and modal windows.
#include <windows.h>

#include <commctrl.h>

#include <unordered_map>

#include "forms/unit_numbers.h"
#include "forms/units.h"
#include "runtime/window_host.h"

namespace {
// The unit of each live control, looked up for every message a control receives: kept in the process (a window
// property would cost a call to the window system per message).
std::unordered_map<HWND, Unit*> g_unit_of_control;
bool g_creating = false;

// Values of the window's initial position (prop::kWindowPosition); 0 keeps the stored one.
constexpr int32_t kCentred = 1, kMinimised = 2, kMaximised = 3;

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

void release_window_units(FormWindow& w) {
    for (size_t i = w.units.size(); i-- > 0;) {
        UnitRecord& rec = w.units[i];
        if (rec.object) release_unit(rec.object);
        rec.object = nullptr;
    }
}

void restore_disabled_windows(FormWindow& w) {
    for (auto& entry : w.disabled_by_modal)
        if (IsWindow(static_cast<HWND>(entry.first))) EnableWindow(static_cast<HWND>(entry.first), entry.second);
    w.disabled_by_modal.clear();
}

// Messages that reach a unit's control (subclassed system controls and the private classes alike). Returns
// true with *result when the message is answered here.
bool unit_message(Unit* u, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        raise_event(u->window_id, u->unit_id, msg == WM_SETFOCUS ? event::kGotFocus : event::kLostFocus);
        return false;
    }
    return u->cls->message && u->cls->message(*u, hwnd, msg, wp, lp, result);
}

LRESULT CALLBACK control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Unit* u = unit_of(hwnd);
    if (!u) return DefWindowProcA(hwnd, msg, wp, lp);
    WNDPROC original = u->original_proc;
    LRESULT result = 0;
    if (unit_message(u, hwnd, msg, wp, lp, &result)) return result;
    return CallWindowProcA(original, hwnd, msg, wp, lp);
}

LRESULT CALLBACK unit_class_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Unit* u = unit_of(hwnd);
    LRESULT result = 0;
    if (u && unit_message(u, hwnd, msg, wp, lp, &result)) return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A modal window hands the keyboard back before it goes: the windows it disabled are enabled again and the
// window that was active before it opened is activated. Destroyed while the others are still disabled, it
// would leave the system no window of the program to activate, and no window would have the keyboard.
void end_modal(FormWindow& w) {
    restore_disabled_windows(w);
    HWND before = static_cast<HWND>(w.active_before_modal);
    w.active_before_modal = nullptr;
    if (before && before != hwnd_of(w) && IsWindow(before) && IsWindowVisible(before) && IsWindowEnabled(before) &&
        GetActiveWindow() == hwnd_of(w))
        SetActiveWindow(before);
}

// A close request: "close requested", then "may close"; either answering false keeps the window.
void request_close(FormWindow& w) {
    uint32_t id = w.id, self = w.unit_ids[0];
    if (raise_event(id, self, event::kWindowCloseRequested).refused()) return;
    if (!w.hwnd) return;
    if (raise_event(id, self, event::kWindowMayClose).refused()) return;
    if (w.hwnd) destroy_form_window(w);
}

void window_destroying(FormWindow& w, HWND hwnd) {
    raise_event(w.id, w.unit_ids[0], event::kWindowDestroying);
    release_window_units(w);
    restore_disabled_windows(w);  // destroyed by other means than destroy_form_window
    w.active_before_modal = nullptr;
    w.focus_check_posted = false;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    w.hwnd = nullptr;
    w.closing = false;
    w.modal_running = false;
    window_destroyed();
}

// A unit's notification, as the event its type's row names for it.
void unit_notification(HWND control, WORD code) {
    Unit* u = unit_of(control);
    if (!u) return;
    for (const auto& n : u->cls->notifications)
        if (n.first == code) {
            unit_event(*u, n.second);
            return;
        }
}

// The colours a control asks its parent for, from the properties its type's row names; null: the default.
HBRUSH unit_colours(FormWindow& w, HWND control, HDC dc) {
    Unit* u = unit_of(control);
    if (!u || u->cls->background == kNoColour) return nullptr;
    COLORREF background =
        u->cls->background == kWindowColour ? window_background(w) : static_cast<COLORREF>(u->ints[u->cls->background]);
    if (u->cls->text_colour != kNoColour) SetTextColor(dc, static_cast<COLORREF>(u->ints[u->cls->text_colour]));
    SetBkColor(dc, colour_or_face(static_cast<int32_t>(background)));
    return unit_brush(*u, background);
}

// The window's own messages; true with *result when answered here.
bool window_message(FormWindow& w, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
        case WM_CLOSE:
            request_close(w);
            return true;
        case WM_QUERYENDSESSION:
            *result = raise_event(w.id, w.unit_ids[0], event::kWindowMayClose).refused() ? FALSE : TRUE;
            return true;
        case kDestroyMessage:
            destroy_form_window(w);
            return true;
        case kCheckFocusMessage:
            w.focus_check_posted = false;
            keep_focus_usable(w);
            return true;
        case WM_DESTROY:
            window_destroying(w, hwnd);
            return true;
        case WM_ERASEBKGND: {
            Unit* self = w.units[0].object;
            if (!self) return false;
            COLORREF background = static_cast<COLORREF>(self->ints[prop::kWindowBackground]);
            fill_client(hwnd, reinterpret_cast<HDC>(wp), unit_brush(*self, background));
            *result = 1;
            return true;
        }
        case WM_COMMAND: {
            if (!unit_of(reinterpret_cast<HWND>(lp))) return false;
            unit_notification(reinterpret_cast<HWND>(lp), HIWORD(wp));
            return true;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: {
            HBRUSH brush = unit_colours(w, reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp));
            *result = reinterpret_cast<LRESULT>(brush);
            return brush != nullptr;
        }
        default:
            return false;
    }
}

// Messages the window passes on after raising its events.
void window_events(FormWindow& w, UINT msg, WPARAM wp) {
    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) forget_key_presses();
            break;
        case WM_SIZE:
            for (UnitRecord& rec : w.units)
                if (rec.object && rec.object->cls->sized_with_window) SendMessageA(rec.object->hwnd, WM_SIZE, 0, 0);
            if (!g_creating) raise_event(w.id, w.unit_ids[0], event::kWindowResized);
            break;
        case WM_MOVE:
            if (!g_creating) raise_event(w.id, w.unit_ids[0], event::kWindowMoved);
            break;
        case WM_SHOWWINDOW:
            if (!g_creating) raise_event(w.id, w.unit_ids[0], wp ? event::kWindowShown : event::kWindowHidden);
            break;
        case WM_SETFOCUS:
            raise_event(w.id, w.unit_ids[0], event::kGotFocus);
            break;
        case WM_KILLFOCUS:
            raise_event(w.id, w.unit_ids[0], event::kLostFocus);
            break;
        default:
            break;
    }
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* w = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        w->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    auto* w = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!w || w->hwnd != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = 0;
    if (window_message(*w, hwnd, msg, wp, lp, &result)) return result;
    window_events(*w, msg, wp);
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The window's class and the private classes of the unit types.
void register_classes() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    for (const UnitClass* c : unit_classes()) {
        if (c->control == ControlKind::kSystem) continue;
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = c->control == ControlKind::kWindow ? window_proc : unit_class_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = c->null_brush ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : nullptr;
        wc.lpszClassName = c->class_name;
        RegisterClassA(&wc);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Creating a window

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
            SetWindowLongPtrA(u.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control_proc)));
    apply_font(u, false);
    if (c.created) c.created(u);
    return true;
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
            if (u && u->hwnd) {
                g_unit_of_control.erase(u->hwnd);
                DestroyWindow(u->hwnd);
            }
            delete u;
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

// Values of the border (prop::kWindowBorder).
enum Border : int32_t { kNoBorder, kSizing, kFixed, kToolSizing, kTool, kSunkenSizing, kSunken };

// The window's styles from its own properties.
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

void set_window_icon(Unit& u) {
    if (u.icon) DestroyIcon(u.icon);
    u.icon = icon_from_file(own_text(u, prop::kWindowIcon));
    SendMessageA(u.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(u.icon));
    SendMessageA(u.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(u.icon));
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

// A modal window disables every other window of the program until it closes.
void begin_modal(FormWindow& w, HWND active_before) {
    for (FormWindow& other : form_windows()) {
        if (&other == &w || !other.hwnd) continue;
        HWND o = hwnd_of(other);
        w.disabled_by_modal.push_back({o, IsWindowEnabled(o) != 0});
        EnableWindow(o, FALSE);
    }
    w.active_before_modal = active_before;
    w.modal_running = true;
}

bool create_form_window(FormWindow& w, HWND owner, bool modal) {
    register_classes();
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

// ---------------------------------------------------------------------------------------------------------
// The window's own properties shown on it besides its title: background, icon, always on top.

void window_changed(Unit& u, int32_t p) {
    if (p == prop::kWindowBackground) InvalidateRect(u.hwnd, nullptr, TRUE);
    if (p == prop::kWindowTopmost)
        SetWindowPos(u.hwnd, u.ints[prop::kWindowTopmost] ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (p == prop::kWindowIcon) set_window_icon(u);
}
}  // namespace

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

Unit* unit_of(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = g_unit_of_control.find(hwnd);
    return it == g_unit_of_control.end() ? nullptr : it->second;
}

bool creating_window() { return g_creating; }

EventOutcome unit_event(Unit& u, int32_t event, std::initializer_list<int32_t> args) {
    return raise_event(u.window_id, u.unit_id, event, args);
}

void destroy_form_window(FormWindow& w) {
    if (!w.hwnd || !IsWindow(hwnd_of(w))) return;
    end_modal(w);
    DestroyWindow(hwnd_of(w));
}

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

Unit* live_unit(uint32_t window, uint32_t unit) {
    FormWindow* w = find_window(window);
    if (!w || !w->hwnd) return nullptr;
    int32_t i = find_unit_index(*w, unit);
    if (i < 0) return nullptr;
    Unit* u = w->units[static_cast<size_t>(i)].object;
    return u && u->hwnd && IsWindow(u->hwnd) ? u : nullptr;
}

void close_all_form_windows() {
    for (FormWindow& w : form_windows()) destroy_form_window(w);
}

FormWindow* window_of(HWND hwnd) {
    for (FormWindow& w : form_windows())
        if (w.hwnd && w.hwnd == hwnd) return &w;
    return nullptr;
}
