// The window layer installed as the runtime's window host: loading and finding windows and units, closing
// them, the unit commands that need a unit's own data, and property access.
#include "forms/window_layer.h"

#include "forms/units.h"
#include "runtime/window_host.h"

namespace {
int32_t host_load_window(uint32_t window, void* parent, bool modal) {
    return load_form_window(window, static_cast<HWND>(parent), modal);
}

void* host_find_unit(uint32_t window, uint32_t unit) {
    Unit* u = live_unit(window, unit);
    return u ? u->hwnd : nullptr;
}

bool host_pre_translate(void* msg) { return pre_translate_message(static_cast<MSG*>(msg)); }

bool host_any_window_alive() {
    for (FormWindow& w : form_windows())
        if (w.hwnd && IsWindow(hwnd_of(w))) return true;
    return false;
}

void host_close_window(uint32_t window, bool now) {
    FormWindow* w = find_window(window);
    if (!w || !w->hwnd) return;
    w->closing = true;
    if (now)
        destroy_form_window(*w);
    else
        PostMessageA(hwnd_of(*w), kDestroyMessage, 0, 0);
}

bool host_run_file_dialog(uint32_t window, uint32_t unit) {
    Unit* u = live_unit(window, unit);
    return u && run_common_dialog(*u);
}

void host_set_status_text(uint32_t window, uint32_t unit, int32_t part, const char* text) {
    if (Unit* u = live_unit(window, unit)) status_bar_set_part(*u, part, text);
}
}  // namespace

void install_window_layer() {
    // In the order of the members of WindowHost.
    set_window_host(WindowHost{host_load_window, host_find_unit, process_pending_messages, close_all_form_windows,
                               form_store_start, host_pre_translate, host_any_window_alive, host_close_window,
                               host_run_file_dialog, host_set_status_text, unit_get_property, unit_set_property,
                               click_usable_unit});
}
