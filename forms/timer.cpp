// Timer: a hidden window whose system timer raises event 0 at every expiry of its interval (property 8, in
// milliseconds; 0 stops it).
#include "forms/unit_numbers.h"
#include "forms/units.h"

namespace {
constexpr UINT_PTR kTimerNumber = 1000;

void start_timer(Unit& u) {
    SetTimer(u.hwnd, kTimerNumber, static_cast<UINT>(u.ints[8]), nullptr);
    ++u.timer_starts;
}

void timer_decoded(Unit& u, bool) {
    if (u.ints[8] < 0) u.ints[8] = 0;
}

void timer_created(Unit& u) {
    if (u.ints[8] > 0) start_timer(u);
}

void timer_released(Unit& u) { KillTimer(u.hwnd, kTimerNumber); }

// The interval is never negative; writing the one it has changes nothing, another one restarts the timer.
bool timer_write(Unit& u, int32_t p, uint32_t lo) {
    if (p != 8) return false;
    int32_t v = static_cast<int32_t>(lo) < 0 ? 0 : static_cast<int32_t>(lo);
    if (v == u.ints[8]) return true;
    KillTimer(u.hwnd, kTimerNumber);
    u.ints[8] = v;
    if (v > 0) start_timer(u);
    return true;
}

bool timer_message(Unit& u, HWND, UINT msg, WPARAM wp, LPARAM, LRESULT* result) {
    if (msg != WM_TIMER || wp != kTimerNumber) return false;
    unit_event(u, event::kTimerTick);
    *result = 0;
    return true;
}
}  // namespace

const UnitClass kTimerUnit = [] {
    UnitClass c;
    c.type = kUnitTimer;
    c.class_name = "_Ozu_Timer";
    c.control = ControlKind::kHidden;
    c.max_version = 1;
    c.fields = {field::integer(8)};
    c.decoded = timer_decoded;
    c.created = timer_created;
    c.released = timer_released;
    c.write = timer_write;
    c.message = timer_message;
    return c;
}();
