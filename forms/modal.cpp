// Modal windows: while one is open every other window of the program is disabled, and before it goes it hands
// the keyboard back. A loaded window is therefore destroyed through here.
#include "forms/units.h"

namespace {
void restore_disabled_windows(FormWindow& w) {
    for (auto& entry : w.disabled_by_modal)
        if (IsWindow(static_cast<HWND>(entry.first))) EnableWindow(static_cast<HWND>(entry.first), entry.second);
    w.disabled_by_modal.clear();
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
}  // namespace

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

// A window destroyed by other means than destroy_form_window: the windows it disabled are enabled again.
void forget_modal_state(FormWindow& w) {
    restore_disabled_windows(w);
    w.active_before_modal = nullptr;
}

void destroy_form_window(FormWindow& w) {
    if (!w.hwnd || !IsWindow(hwnd_of(w))) return;
    end_modal(w);
    DestroyWindow(hwnd_of(w));
}

void close_all_form_windows() {
    for (FormWindow& w : form_windows()) destroy_form_window(w);
}
