// The window layer as the runtime's window host: loading and finding windows and units, closing them, the
// unit commands that need a unit's own data, and property access.
#include "runtime/window_host.h"

#include "forms/units.h"

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
    WindowHost host{};
    host.load_window = host_load_window;
    host.find_unit = host_find_unit;
    host.process_messages = process_pending_messages;
    host.close_all_windows = close_all_form_windows;
    host.read_form_data = form_store_start;
    host.pre_translate = host_pre_translate;
    host.any_window_alive = host_any_window_alive;
    host.close_window = host_close_window;
    host.run_file_dialog = host_run_file_dialog;
    host.set_status_text = host_set_status_text;
    host.get_property = unit_get_property;
    host.set_property = unit_set_property;
    set_window_host(host);
}
