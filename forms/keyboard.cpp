// Keyboard behaviour of the windows (Tab order, radio groups, Enter and Esc, underlined letters, keys pressed
// in another window, a focus that a handler made unusable) and the common mouse and key events of every unit.
#include <algorithm>
#include <iterator>

#include "forms/unit_numbers.h"
#include "forms/units.h"

namespace {
// Bits of the key state that the common events pass.
constexpr int32_t kCtrl = 1, kShift = 2, kAlt = 4;

// A unit the user can use: its control is shown, enabled, and some part of it lies inside every container
// up to the window (a unit moved outside the window, or clipped away by a shortened group box, is not).
bool usable(HWND root, HWND h) {
    if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
    RECT seen;
    GetWindowRect(h, &seen);
    for (HWND p = GetParent(h); p; p = GetParent(p)) {
        RECT client;
        GetClientRect(p, &client);
        MapWindowPoints(p, nullptr, reinterpret_cast<POINT*>(&client), 2);
        if (!IntersectRect(&seen, &seen, &client)) return false;
        if (p == root) return true;
    }
    return false;
}

const UnitRecord* record_of(const FormWindow& w, const Unit* u) {
    for (size_t i = 1; i < w.units.size(); ++i)
        if (w.units[i].object == u) return &w.units[i];
    return nullptr;
}

// The usable radio boxes that share a container with `rec`, in the order of the unit list.
std::vector<Unit*> radio_group(const FormWindow& w, const UnitRecord& rec) {
    std::vector<Unit*> group;
    for (size_t i = 1; i < w.units.size(); ++i) {
        const UnitRecord& other = w.units[i];
        if (other.object && other.type == kUnitRadioBox && other.container == rec.container &&
            usable(hwnd_of(w), other.object->hwnd))
            group.push_back(other.object);
    }
    return group;
}

// The radio box that stands for its group in the Tab order: the focused one, else the checked one, else the
// first.
bool stands_for_group(const FormWindow& w, const UnitRecord& rec, HWND focus) {
    std::vector<Unit*> group = radio_group(w, rec);
    Unit* chosen = group.empty() ? nullptr : group.front();
    for (Unit* u : group)
        if (SendMessageA(u->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) chosen = u;
    for (Unit* u : group)
        if (u->hwnd == focus) chosen = u;
    return chosen == rec.object;
}

// The Tab stops of the window in the order of the unit list: usable units with the Tab-stop state, one per
// radio group.
std::vector<HWND> tab_stops(const FormWindow& w, HWND focus) {
    std::vector<HWND> order;
    for (size_t i = 1; i < w.units.size(); ++i) {
        const UnitRecord& rec = w.units[i];
        if (!rec.object || !(rec.state & kStateTab) || hidden_unit(*rec.object)) continue;
        if (!usable(hwnd_of(w), rec.object->hwnd)) continue;
        if (rec.type == kUnitRadioBox && !stands_for_group(w, rec, focus)) continue;
        order.push_back(rec.object->hwnd);
    }
    return order;
}

void move_tab_focus(FormWindow& w, HWND from, bool backwards) {
    std::vector<HWND> order = tab_stops(w, from);
    if (order.empty()) return;
    size_t at = order.size();
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == from || IsChild(order[i], from)) at = i;
    size_t next = at == order.size() ? 0 : (backwards ? (at + order.size() - 1) : (at + 1)) % order.size();
    SetFocus(order[next]);
}

// The arrow keys move between the radio boxes that share a container.
bool move_radio(FormWindow& w, Unit* u, bool backwards) {
    const UnitRecord* mine = record_of(w, u);
    if (!mine) return false;
    std::vector<Unit*> group = radio_group(w, *mine);
    if (group.size() < 2) return false;
    size_t at = 0;
    for (size_t i = 0; i < group.size(); ++i)
        if (group[i] == u) at = i;
    Unit* next = group[(backwards ? at + group.size() - 1 : at + 1) % group.size()];
    SetFocus(next->hwnd);
    SendMessageA(next->hwnd, BM_CLICK, 0, 0);
    return true;
}

Unit* unit_for_message(FormWindow& w, HWND target) {
    for (HWND h = target; h && h != hwnd_of(w); h = GetParent(h))
        if (Unit* u = unit_of(h)) return u;
    return w.units[0].object;
}

// A key acts only in the window where its press began. A press begins with a key-down without the repeat
// flag, made after the window took over the input from the window before it: after it was shown, or enabled
// again as a dialog or message box it waited for closed. Each time a window of the program becomes active the
// presses start afresh as well, so the rest of a press that began before (in the window that just opened it or
// closed, in a file dialog, a message box or another program), its auto-repeated key-downs and its key-up, does
// nothing here. Neither the key states nor the repeat flag alone can tell this: Wine hands a thread the system's
// state between messages, in which a key whose key-up waits in the queue is already up, and a repeat of such a
// key that waited in the queue while another window took over can come without its repeat flag. The time the
// key was pressed can. (Activation itself is no such moment: without a window manager Wine activates a window
// seconds after it is shown, and a key pressed in between is the user's. Nor is the moment a message box gives
// the window back: without a window manager Wine hides the box, then waits two seconds for a window manager
// before it enables the window, and a key pressed once the box went is the user's as well. The box went with
// the message that closed it, the last one the thread took from its queue.)
bool g_pressed_here[256];
DWORD g_input_since = 0;  // when a window of the program last took over the input (the system's tick count)
bool g_input_taken_over = false;

bool rest_of_press_elsewhere(const MSG& m) {
    UINT vk = static_cast<UINT>(m.wParam) & 0xFF;
    bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    bool repeated = (m.lParam & (1 << 30)) != 0;
    bool before_take_over = g_input_taken_over && static_cast<LONG>(m.time - g_input_since) < 0;
    if (down && !repeated && !before_take_over) {
        g_pressed_here[vk] = true;
        return false;
    }
    bool elsewhere = !g_pressed_here[vk];
    if (!down) g_pressed_here[vk] = false;
    return elsewhere;
}

// The underlined letter of a caption ("&Y" in "确定(&Y)"), upper-cased; 0 when there is none.
char mnemonic_of(const char* caption) {
    for (const char* p = caption; *p; p += char_size(p))
        if (p[0] == '&' && p[1]) {
            if (p[1] == '&') {
                ++p;
                continue;
            }
            char c = p[1];
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    return 0;
}

// Alt and a letter or digit: a click on the usable button, check box or radio box of the window whose
// caption underlines it, as in the system's dialogs. The key is the window's in any case: bare letters are
// the key map's, Alt and a letter are not.
bool is_mnemonic_key(const MSG& m) {
    WPARAM k = m.wParam;
    bool letter = (k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9');
    return m.message == WM_SYSKEYDOWN && letter && (m.lParam & (1 << 29)) && GetKeyState(VK_CONTROL) >= 0;
}

// A click on a button, check box or radio box as the user makes it, where the user could click it.
bool click_if_usable(FormWindow& w, Unit& u) {
    if (!u.cls->mnemonic_clicks || !usable(hwnd_of(w), u.hwnd)) return false;
    if (u.cls->mnemonic_focuses) SetFocus(u.hwnd);
    SendMessageA(u.hwnd, BM_CLICK, 0, 0);
    return true;
}

void press_mnemonic(FormWindow& w, const MSG& m) {
    if (m.lParam & (1 << 30)) return;  // held down: one click per press
    for (size_t i = 1; i < w.units.size(); ++i) {
        Unit* u = w.units[i].object;
        if (!u || !u->cls->mnemonic_clicks) continue;
        char caption[256] = "";
        GetWindowTextA(u->hwnd, caption, sizeof caption);
        if (mnemonic_of(caption) == static_cast<char>(m.wParam) && click_if_usable(w, *u)) return;
    }
}

// The system's edit control: what is typed into it is its text.
bool is_text_box(HWND h) {
    char cls[16] = "";
    GetClassNameA(h, cls, sizeof cls);
    return lstrcmpiA(cls, "Edit") == 0;
}
}  // namespace

bool click_usable_unit(uint32_t window, uint32_t unit) {
    FormWindow* w = find_window(window);
    Unit* u = live_unit(window, unit);
    return w && u && click_if_usable(*w, *u);
}

// A focused unit that a handler hid, disabled or moved out of sight hands the focus to the first Tab stop
// (or to the window, when there is none). Checked once the handler is done: a layout switch passes through
// states in between.
void keep_focus_usable(FormWindow& w) {
    HWND root = hwnd_of(w), focus = GetFocus();
    if (!root || !focus || focus == root || !IsChild(root, focus)) return;
    Unit* u = unit_for_message(w, focus);
    if (u && u != w.units[0].object && usable(root, u->hwnd)) return;
    std::vector<HWND> order = tab_stops(w, nullptr);
    SetFocus(order.empty() ? root : order.front());
}

void check_focus_later(FormWindow& w) {
    if (creating_window() || !w.hwnd || w.focus_check_posted) return;
    w.focus_check_posted = PostMessageA(hwnd_of(w), kCheckFocusMessage, 0, 0) != 0;
}

void forget_key_presses() { std::fill(std::begin(g_pressed_here), std::end(g_pressed_here), false); }

void input_taken_over(DWORD when) {
    if (g_input_taken_over && static_cast<LONG>(when - g_input_since) < 0) return;  // taken over later already
    g_input_since = when;
    g_input_taken_over = true;
}

int32_t current_key_state() {
    int32_t s = 0;
    if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
    if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
    if (GetKeyState(VK_MENU) < 0) s |= kAlt;
    return s;
}

namespace {
// The window's own keys: Tab, Esc (closes it when its option says so), Enter (moves the focus when its option
// says so), the arrows between radio boxes, and the underlined letters. True when the key was taken.
bool window_keys(FormWindow& w, Unit* u, MSG* m) {
    const Unit* self = w.units[0].object;
    HWND root = hwnd_of(w);
    if (is_mnemonic_key(*m)) {
        press_mnemonic(w, *m);
        return true;
    }
    if (m->message != WM_KEYDOWN) return false;
    switch (m->wParam) {
        case VK_TAB:
            move_tab_focus(w, m->hwnd, GetKeyState(VK_SHIFT) < 0);
            return true;
        case VK_ESCAPE:
            if (self->ints.at(prop::kWindowEscCloses)) PostMessageA(root, WM_CLOSE, 0, 0);
            return false;
        case VK_RETURN:
            if (!self->ints.at(prop::kWindowEnterMovesFocus)) return false;
            move_tab_focus(w, m->hwnd, false);
            return true;
        case VK_UP:
        case VK_DOWN:
        case VK_LEFT:
        case VK_RIGHT:
            return u->type == kUnitRadioBox && move_radio(w, u, m->wParam == VK_UP || m->wParam == VK_LEFT);
        default:
            return false;
    }
}

// The common events of mouse, keys and wheel; false as their result swallows the message.
EventOutcome common_event(Unit* u, uint32_t self_id, MSG* m) {
    const uint32_t window = u->window_id, unit = u->unit_id;
    auto mouse = [&](int32_t event) {
        int32_t keys = 0;
        if (m->wParam & MK_CONTROL) keys |= kCtrl;
        if (m->wParam & MK_SHIFT) keys |= kShift;
        if (GetKeyState(VK_MENU) < 0) keys |= kAlt;
        return raise_event(window, unit, event,
                           {static_cast<int32_t>(LOWORD(m->lParam)), static_cast<int32_t>(HIWORD(m->lParam)), keys});
    };
    // Keys reach the window's own handler first (its key map), then the focused unit's; either may swallow. A
    // key typed into an edit box is the box's text and no key of the window (Alt and an underlined letter, Tab,
    // Esc and Enter are the window's keys before this).
    auto key_event = [&](int32_t event, std::initializer_list<int32_t> args) {
        if (unit != self_id && !is_text_box(m->hwnd)) {
            EventOutcome first = raise_event(window, self_id, event, args);
            if (first.refused() || !live_unit(window, unit)) return first;
        }
        return raise_event(window, unit, event, args);
    };
    static const std::pair<UINT, int32_t> kMouseEvents[] = {
        {WM_LBUTTONDOWN, event::kLeftButtonDown},    {WM_LBUTTONUP, event::kLeftButtonUp},
        {WM_LBUTTONDBLCLK, event::kLeftDoubleClick}, {WM_RBUTTONDOWN, event::kRightButtonDown},
        {WM_RBUTTONUP, event::kRightButtonUp},       {WM_MOUSEMOVE, event::kMouseMove}};
    for (const auto& e : kMouseEvents)
        if (m->message == e.first) return mouse(e.second);
    switch (m->message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            return key_event(event::kKeyDown, {static_cast<int32_t>(m->wParam), current_key_state()});
        case WM_KEYUP:
        case WM_SYSKEYUP:
            return key_event(event::kKeyUp, {static_cast<int32_t>(m->wParam), current_key_state()});
        case WM_CHAR: {
            EventOutcome out = key_event(event::kCharacter, {static_cast<int32_t>(m->wParam)});
            if (out.returned && out.value != 0) m->wParam = static_cast<WPARAM>(out.value);
            return out;
        }
        case WM_MOUSEWHEEL:
            return raise_event(
                window, unit, event::kWheel,
                {static_cast<int32_t>(static_cast<short>(HIWORD(m->wParam))) / WHEEL_DELTA, current_key_state()});
        default:
            return EventOutcome{false, false, 0};
    }
}
}  // namespace

bool pre_translate_message(MSG* m) {
    if (!m->hwnd) return false;
    FormWindow* w = window_of(GetAncestor(m->hwnd, GA_ROOT));
    if (!w) return false;
    Unit* u = unit_for_message(*w, m->hwnd);
    Unit* self = w->units[0].object;
    if (!u || !self) return false;
    const bool key =
        m->message == WM_KEYDOWN || m->message == WM_SYSKEYDOWN || m->message == WM_KEYUP || m->message == WM_SYSKEYUP;
    if (key && rest_of_press_elsewhere(*m)) return true;
    if (window_keys(*w, u, m)) return true;
    return common_event(u, self->unit_id, m).refused();
}
