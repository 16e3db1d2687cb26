// Start-up from the program header, the hidden owner window, and the shut-down sequence.
#include <windows.h>

#include <ole2.h>

#include <cstring>
#include <vector>

#include "runtime/internal.h"

namespace {
constexpr UINT kExitRequestMessage = WM_APP + 0x3E7;  // 0x83E7, wParam = exit code
const char kOwnerClass[] = "_Ozu_HideOwner";

struct RuntimeState {
    HWND owner = nullptr;
    bool ole_initialised = false;
    bool loop_entered = false;
    bool shutting_down = false;
    std::vector<const LibraryDescriptor*> libraries;
    std::vector<uint32_t> library_data;
    struct IdleCallback {
        HWND window;
        IdleRoutine routine;
        uintptr_t argument;
    };
    std::vector<IdleCallback> idle_callbacks;  // in registration order
};
RuntimeState g_state;

LRESULT CALLBACK owner_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kExitRequestMessage) exit_program(static_cast<int32_t>(wparam));
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

void create_owner_window() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = owner_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kOwnerClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    g_state.owner =
        CreateWindowExA(WS_EX_TOOLWINDOW, kOwnerClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

void notify_libraries(int32_t code) {
    for (size_t i = 0; i < g_state.libraries.size(); ++i) {
        const LibraryDescriptor* lib = g_state.libraries[i];
        if (!lib || !lib->notify) continue;
        if (code == kNotifyStart)
            lib->notify(kNotifyStart, reinterpret_cast<uintptr_t>(&runtime_service), 0);
        else
            lib->notify(code, g_state.library_data[i], 0);
    }
}

// Closes every window, runs the exit routines, tells the support libraries, unloads the DLL commands'
// modules, forgets the constant pool and ends OLE; returns with everything released.
void shut_down() {
    g_state.shutting_down = true;
    g_state.loop_entered = false;
    g_state.idle_callbacks.clear();
    if (window_host().close_all_windows) window_host().close_all_windows();
    run_exit_routines();
    notify_libraries(kNotifyShutdown);
    g_state.libraries.clear();
    g_state.library_data.clear();
    unload_dll_modules();
    set_constant_pool(nullptr, 0);
    if (g_state.owner && IsWindow(g_state.owner)) DestroyWindow(g_state.owner);
    g_state.owner = nullptr;
    if (g_state.ole_initialised) {
        OleUninitialize();
        g_state.ole_initialised = false;
    }
}
}  // namespace

void initialise_runtime(const ProgramHeader* header) {
    set_program_kind(header ? header->program_kind : 3);
    if (!g_state.ole_initialised) g_state.ole_initialised = SUCCEEDED(OleInitialize(nullptr));

    char module[MAX_PATH + 1] = {0};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    set_program_path(module);
    if (*program_directory()) SetCurrentDirectoryA(program_directory());

    create_owner_window();
    record_main_thread();
    if (!header) return;

    if (header->const_pool_size > 0) set_constant_pool(header->const_pool_start, header->const_pool_size);
    if (header->dll_command_count > 0)
        set_dll_commands(header->dll_command_count, header->dll_library_names, header->dll_function_names);

    g_state.libraries.clear();
    for (int32_t i = 0; i < header->library_count; ++i) g_state.libraries.push_back(header->library_table[i]);
    g_state.library_data.assign(g_state.libraries.size(), 0);
    notify_libraries(kNotifyStart);

    if (header->form_data_size > 0) {
        const WindowHost& host = window_host();
        if (!host.read_form_data ||
            !host.read_form_data(header->form_data_start, header->form_data_size, header->code_base))
            fatal_error("载入窗口模板数据段出错!");
    }
}

namespace {
bool any_window_alive() { return window_host().any_window_alive && window_host().any_window_alive(); }

// Takes one message into *msg and offers it to the window layer before dispatching it; false on WM_QUIT.
bool pump_one(MSG* msg) {
    if (GetMessageA(msg, nullptr, 0, 0) <= 0) return false;
    if (window_host().pre_translate && window_host().pre_translate(msg)) return true;
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return true;
}

bool message_waiting() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

bool quit_waiting() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// Calls the idle callbacks from the last registered to the first; entries whose window is gone are dropped.
// A callback may register or drop entries itself.
void run_idle_callbacks() {
    std::vector<RuntimeState::IdleCallback>& list = g_state.idle_callbacks;
    for (size_t i = list.size(); i-- > 0;) {
        if (i >= list.size()) continue;
        RuntimeState::IdleCallback entry = list[i];
        if (!IsWindow(entry.window)) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        entry.routine(entry.window, entry.argument);
    }
}

// One pass of the idle phase; true while idle processing wants another pass. An idle period has two passes
// (count 0 and 1); the windows of this program have no idle work of their own, so after the second nothing
// is left to do until the next message.
bool idle_pass(int32_t count) {
    run_idle_callbacks();
    return count < 1;
}

// Whether a message taken from the queue starts a new idle period: everything but a repeated mouse move to
// the same place, painting and the caret's system timer.
bool starts_idle_period(const MSG& msg) {
    static MSG last{};
    bool repeated_move = (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) &&
                         msg.message == last.message && msg.pt.x == last.pt.x && msg.pt.y == last.pt.y;
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) last = msg;
    return !repeated_move && msg.message != WM_PAINT && msg.message != 0x0118;
}
}  // namespace

void add_idle_callback(void* window, IdleRoutine routine, uintptr_t argument) {
    if (routine) g_state.idle_callbacks.push_back({static_cast<HWND>(window), routine, argument});
}

size_t idle_callback_count() { return g_state.idle_callbacks.size(); }

void run_message_loop(const bool* modal_running) {
    if (!modal_running) {
        g_state.loop_entered = true;
        if (!any_window_alive()) return;
    }
    auto modal_ended = [&] { return modal_running && (!*modal_running || quit_waiting()); };
    bool idle = true;
    int32_t idle_count = 0;
    MSG msg;
    for (;;) {
        // Idle phase: idle work while no message waits, then sleep until one arrives.
        while (idle && !message_waiting()) {
            if (modal_ended()) return;
            if (!idle_pass(idle_count++)) idle = false;
        }
        if (modal_ended()) return;
        if (!message_waiting()) WaitMessage();
        // Pump phase.
        while (message_waiting()) {
            if (modal_ended()) return;
            if (!pump_one(&msg)) return;
            if (modal_running && !*modal_running) return;
            if (starts_idle_period(msg)) {
                idle = true;
                idle_count = 0;
            }
        }
    }
}

void process_pending_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT || quit_waiting()) return;
        pump_one(&msg);
    }
}

void window_destroyed() {
    if (g_state.loop_entered && !g_state.shutting_down && !any_window_alive()) PostQuitMessage(0);
}

void exit_program(int32_t code) {
    if (main_thread_recorded() && !on_main_thread()) {
        if (g_state.owner) PostMessageA(g_state.owner, kExitRequestMessage, static_cast<WPARAM>(code), 0);
        if (!g_state.shutting_down) ExitProcess(static_cast<UINT>(code));
        // Shut-down is running on the main thread; it ends the process.
        for (;;) Sleep(INFINITE);
    }
    shut_down();
    ExitProcess(static_cast<UINT>(code));
}

void load_startup_window(uint32_t window, uint32_t self) {
    Value result =
        call_command(load_window, 3, value_unit(window, self, kUnitWindow), value_omitted(), value_bool(false));
    if (!result.lo) fatal_error("载入启动窗口失败");
}
