// The window procedures: the window's own (a close request, its destruction, its units' notifications and
// colours, and its events) and its units' (the private classes' procedure, and the one that subclassed system
// controls pass through first), with the window classes registered for them.
#include <windows.h>

#include <commctrl.h>

#include "forms/unit_numbers.h"
#include "forms/units.h"
#include "runtime/window_host.h"

namespace {
// Messages that reach a unit's control (subclassed system controls and the private classes alike). Returns
// true with *result when the message is answered here.
bool unit_message(Unit* u, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        raise_event(u->window_id, u->unit_id, msg == WM_SETFOCUS ? event::kGotFocus : event::kLostFocus);
        return false;
    }
    return u->cls->message && u->cls->message(*u, hwnd, msg, wp, lp, result);
}

LRESULT CALLBACK unit_class_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Unit* u = unit_of(hwnd);
    LRESULT result = 0;
    if (u && unit_message(u, hwnd, msg, wp, lp, &result)) return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

LRESULT CALLBACK subclassed_control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Unit* u = unit_of(hwnd);
    if (!u) return DefWindowProcA(hwnd, msg, wp, lp);
    WNDPROC original = u->original_proc;
    LRESULT result = 0;
    if (unit_message(u, hwnd, msg, wp, lp, &result)) return result;
    return CallWindowProcA(original, hwnd, msg, wp, lp);
}

namespace {
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
    forget_modal_state(w);  // destroyed by other means than destroy_form_window
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
            if (!creating_window()) raise_event(w.id, w.unit_ids[0], event::kWindowResized);
            break;
        case WM_MOVE:
            if (!creating_window()) raise_event(w.id, w.unit_ids[0], event::kWindowMoved);
            break;
        case WM_SHOWWINDOW:
            if (wp) input_taken_over(GetTickCount());
            if (!creating_window()) raise_event(w.id, w.unit_ids[0], wp ? event::kWindowShown : event::kWindowHidden);
            break;
        case WM_ENABLE:  // a dialog or message box that the window waited for closed with the last message taken
            if (wp) input_taken_over(static_cast<DWORD>(GetMessageTime()));
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
}  // namespace

// The window's class and the private classes of the unit types.
void register_window_classes() {
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
