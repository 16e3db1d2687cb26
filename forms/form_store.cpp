// The form store: the windows of the form data, read once at start-up with every handler reference bound
// through the program's handler table, and finding a window and its unit records.
#include "forms/form_store.h"

namespace {
std::vector<FormWindow> g_windows;
}  // namespace

bool form_store_start(const void* data, uint32_t size, const void* code_base) {
    std::vector<FormWindow> windows;
    if (!parse_form_data(static_cast<const uint8_t*>(data), size, &windows)) return false;
    const HandlerFn* table = static_cast<const HandlerFn*>(code_base);
    uint32_t table_size = 0;
    while (table && table[table_size]) ++table_size;
    for (FormWindow& w : windows)
        for (UnitRecord& u : w.units)
            for (EventPair& e : u.events) {
                if (e.stored == kNoHandler) continue;
                if (e.stored >= table_size) return false;
                e.handler = table[e.stored];
            }
    g_windows = std::move(windows);
    return true;
}

std::vector<FormWindow>& form_windows() { return g_windows; }

FormWindow* find_window(uint32_t window) {
    for (FormWindow& w : g_windows)
        if (w.id == window) return &w;
    return nullptr;
}

int32_t find_unit_index(const FormWindow& w, uint32_t unit) {
    if (unit == 0) return 0;
    for (size_t i = 0; i < w.unit_ids.size(); ++i)
        if (w.unit_ids[i] == unit) return static_cast<int32_t>(i);
    return -1;
}

UnitRecord* find_unit_record(uint32_t window, uint32_t unit) {
    FormWindow* w = find_window(window);
    if (!w) return nullptr;
    int32_t i = find_unit_index(*w, unit);
    return i < 0 ? nullptr : &w->units[static_cast<size_t>(i)];
}
