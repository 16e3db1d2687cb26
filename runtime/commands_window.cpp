// Window and unit commands: loading and closing windows, message boxes, list boxes, file dialogs, status bar.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/internal.h"

namespace {
MessageBoxFn g_message_box = MessageBoxA;

// The unit's control through service 2007 (fatal when the window or unit is not loaded).
HWND unit_window(const Value& ref) { return reinterpret_cast<HWND>(runtime_service(kServiceFindUnit, ref.lo, ref.hi)); }

// Numbers, logicals and dates as to_text writes them, texts as they are; any other kind is no message.
Text message_text(const Value& v) {
    switch (v.type) {
        case kTypeByte:
        case kTypeShort:
        case kTypeInt:
        case kTypeLong:
        case kTypeFloat:
        case kTypeDouble:
        case kTypeBool:
        case kTypeDate:
        case kTypeText:
            return Text::take(call_command(to_text, 1, v));
        default:
            return Text();
    }
}
}  // namespace

void set_message_box_function(MessageBoxFn fn) { g_message_box = fn ? fn : MessageBoxA; }

void load_window(Value* result, int32_t count, Value* args) {
    result_bool(result, false);
    if (count < 1) return;
    HWND parent = nullptr;
    if (arg_present(count, args, 1)) {
        parent = reinterpret_cast<HWND>(runtime_service(kServiceFindUnitQuiet, args[1].lo, args[1].hi));
        if (!parent) return;
    }
    LoadWindowRequest request{args[0].lo, parent, arg_bool(count, args, 2) ? 1u : 0u};
    result_bool(result, runtime_service(kServiceLoadWindow, reinterpret_cast<uintptr_t>(&request), 0) == 0);
}

void destroy_window(Value*, int32_t count, Value* args) {
    if (count < 1) return;
    unit_window(args[0]);
    if (window_host().close_window) window_host().close_window(args[0].lo, arg_bool(count, args, 1));
}

void message_box(Value* result, int32_t count, Value* args) {
    Text text = count > 0 ? message_text(args[0]) : Text();
    UINT style = static_cast<UINT>(arg_int(count, args, 1));
    const char* caption = arg_present(count, args, 2) ? arg_text(count, args, 2) : "信息：";
    HWND owner = nullptr;
    if (count >= 4 && arg_present(count, args, 3)) {
        if (args[3].type == kUnitWindow)
            owner = reinterpret_cast<HWND>(runtime_service(kServiceFindUnitQuiet, args[3].lo, args[3].hi));
        else if (args[3].type == kTypeInt)
            owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(args[3].lo));
    }
    if (!(style & MB_SYSTEMMODAL)) style |= MB_TASKMODAL;
    int answer = g_message_box(owner, text.c_str(), caption, style);
    int numbered = 0;
    switch (answer) {
        case IDOK:
            numbered = 0;
            break;
        case IDCANCEL:
            numbered = 1;
            break;
        case IDABORT:
            numbered = 2;
            break;
        case IDRETRY:
            numbered = 3;
            break;
        case IDIGNORE:
            numbered = 4;
            break;
        case IDYES:
            numbered = 5;
            break;
        case IDNO:
            numbered = 6;
            break;
        default:
            numbered = 0;
            break;
    }
    result_int(result, numbered);
}

// Asking whether anything waits costs one question to the system; letting events run with nothing waiting
// costs several (a folder walk asks at every folder). QS_ALLINPUT is not used: on Windows 2000 its raw-input
// bit makes the call fail.
void process_events(Value*, int32_t, Value*) {
    const UINT kAnyMessage =
        QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE;
    if (HIWORD(GetQueueStatus(kAnyMessage)) == 0) return;
    process_pending_messages();
}

void list_item_count(Value* result, int32_t count, Value* args) {
    if (count < 1) return;
    result_int(result, static_cast<int32_t>(SendMessageA(unit_window(args[0]), LB_GETCOUNT, 0, 0)));
}

void list_item_text(Value* result, int32_t count, Value* args) {
    result_pointer(result, nullptr);
    if (count < 1) return;
    HWND list = unit_window(args[0]);
    int32_t index = arg_int(count, args, 1);
    int32_t items = static_cast<int32_t>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (index < 0 || index >= items) return;
    LRESULT len = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len <= 0) return;
    std::string buf(static_cast<size_t>(len) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&buf[0]));
    result_pointer(result, new_text(buf.c_str()));
}

void list_current_index(Value* result, int32_t count, Value* args) {
    if (count < 1) return;
    result_int(result, static_cast<int32_t>(SendMessageA(unit_window(args[0]), LB_GETCARETINDEX, 0, 0)));
}

void list_set_current(Value* result, int32_t count, Value* args) {
    result_bool(result, false);
    if (count < 1) return;
    HWND list = unit_window(args[0]);
    int32_t index = arg_int(count, args, 1);
    LONG style = GetWindowLongA(list, GWL_STYLE);
    LRESULT answer = (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL))
                         ? SendMessageA(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), TRUE)
                         : SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    result_bool(result, answer != LB_ERR);
}

namespace {
// Items added one after another are shown a few times a second, not one by one. Each added item would
// otherwise repaint the list and, once the list scrolls, its scroll bar: a search that lists hundreds of
// images spends most of its time drawing. The first added item holds the list's drawing back; a timer of the
// list lets it draw again, everything added meanwhile at once, a moment later in whatever message loop runs
// then (the window's own, a modal one, or a long task's process_events). The moment is a quarter of a second
// on a machine that draws a list in a few milliseconds; where drawing it takes longer, it comes later, so
// that drawing takes no more than about a fortieth of the time (but the list draws at least every two
// seconds).
constexpr UINT_PTR kListRefreshTimer = 0x5147;
constexpr DWORD kListRefreshMinMs = 250, kListRefreshMaxMs = 2000, kListDrawingShare = 40;
DWORD g_list_refresh_ms = kListRefreshMinMs;
std::vector<HWND> g_held_lists;

void CALLBACK release_list(HWND list, UINT, UINT_PTR, DWORD) {
    KillTimer(list, kListRefreshTimer);
    g_held_lists.erase(std::remove(g_held_lists.begin(), g_held_lists.end(), list), g_held_lists.end());
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    DWORD start = GetTickCount();
    RedrawWindow(list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    DWORD drawing = GetTickCount() - start;
    g_list_refresh_ms = std::min(kListRefreshMaxMs, std::max(kListRefreshMinMs, drawing * kListDrawingShare));
}

void hold_list_drawing(HWND list) {
    if (std::find(g_held_lists.begin(), g_held_lists.end(), list) != g_held_lists.end()) return;
    // A held list closed with its window leaves its entry behind; it goes before the list count grows.
    g_held_lists.erase(std::remove_if(g_held_lists.begin(), g_held_lists.end(), [](HWND h) { return !IsWindow(h); }),
                       g_held_lists.end());
    if (!SetTimer(list, kListRefreshTimer, g_list_refresh_ms, release_list)) return;
    g_held_lists.push_back(list);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
}
}  // namespace

void list_add_item(Value* result, int32_t count, Value* args) {
    result_int(result, -1);
    if (count < 1) return;
    HWND list = unit_window(args[0]);
    hold_list_drawing(list);
    LRESULT at = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(arg_text(count, args, 1)));
    if (at < 0) return;
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), arg_int(count, args, 2));
    result_int(result, static_cast<int32_t>(at));
}

void list_clear(Value*, int32_t count, Value* args) {
    if (count < 1) return;
    SendMessageA(unit_window(args[0]), LB_RESETCONTENT, 0, 0);
}

void open_common_dialog(Value* result, int32_t count, Value* args) {
    result_bool(result, false);
    if (count < 1) return;
    unit_window(args[0]);
    const WindowHost& host = window_host();
    result_bool(result, host.run_file_dialog && host.run_file_dialog(args[0].lo, args[0].hi));
}

void status_bar_set_text(Value*, int32_t count, Value* args) {
    if (count < 1) return;
    unit_window(args[0]);
    const WindowHost& host = window_host();
    if (host.set_status_text)
        host.set_status_text(args[0].lo, args[0].hi, arg_int(count, args, 1),
                             arg_present(count, args, 2) ? arg_text(count, args, 2) : "");
}
