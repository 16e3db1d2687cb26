// Raising events: the handler bound to a unit's event, called with the event's arguments, and the current
// event source (the unit whose event is being delivered), which commands called by the handler can ask for.
#include "forms/form_store.h"

namespace {
std::pair<uint32_t, uint32_t> g_event_source{0, 0};
}  // namespace

HandlerFn find_handler(uint32_t window, uint32_t unit, int32_t event) {
    FormWindow* w = find_window(window);
    if (!w) fatal_error("未找到引发事件的窗口");
    int32_t i = find_unit_index(*w, unit);
    if (i < 0) fatal_error("未找到引发事件的窗口组件");
    g_event_source = {window, unit};
    const UnitRecord& u = w->units[static_cast<size_t>(i)];
    if (u.is_menu_item()) return u.events.empty() ? nullptr : u.events[0].handler;
    for (const EventPair& e : u.events)
        if (e.number == event) return e.handler;
    return nullptr;
}

std::pair<uint32_t, uint32_t> current_event_source() { return g_event_source; }
void clear_event_source() { g_event_source = {0, 0}; }

EventOutcome raise_event(uint32_t window, uint32_t unit, int32_t event, std::initializer_list<int32_t> args) {
    // Events nest (a handler may cause another event); the outer handler keeps its source afterwards.
    std::pair<uint32_t, uint32_t> outer = g_event_source;
    EventOutcome out{false, false, 0};
    HandlerFn h = find_handler(window, unit, event);
    if (h) {
        out.handled = true;
        out.returned = h(args.begin(), static_cast<int32_t>(args.size()), &out.value);
    }
    g_event_source = outer;
    return out;
}
