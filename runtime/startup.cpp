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
    const ProgramHeader* header = nullptr;
    uint32_t reserved = 0;
    uint32_t header_word = 0;
    HWND owner = nullptr;
    bool ole_initialised = false;
    bool loop_entered = false;
    bool shutting_down = false;
    int32_t shutdown_calls = 0;
    std::vector<const LibraryDescriptor*> libraries;
    std::vector<uint32_t> library_data;
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
    g_state.owner = CreateWindowExA(WS_EX_TOOLWINDOW, kOwnerClass, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    wc.hInstance, nullptr);
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

// Shut-down steps 3 to 11; returns with everything released.
void shut_down() {
    g_state.shutting_down = true;
    g_state.loop_entered = false;
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
    install_window_layer();
    g_state.header = header;
    set_program_kind(header ? header->program_kind : 3);
    if (header) {
        g_state.reserved = header->reserved;
        g_state.header_word = header->header_word_2 + 1;
    }
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

// Takes one message and offers it to the window layer before dispatching it; false on WM_QUIT.
bool pump_one() {
    MSG msg;
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return false;
    if (window_host().pre_translate && window_host().pre_translate(&msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

bool quit_waiting() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}
}  // namespace

void run_message_loop(const bool* modal_running) {
    if (!modal_running) {
        g_state.loop_entered = true;
        if (!any_window_alive()) return;
    }
    MSG msg;
    for (;;) {
        // Idle phase: nothing to do until a message arrives.
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) WaitMessage();
        // Pump phase.
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (modal_running && (!*modal_running || quit_waiting())) return;
            if (!pump_one()) return;
            if (modal_running && !*modal_running) return;
        }
    }
}

void process_pending_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT || quit_waiting()) return;
        pump_one();
    }
}

void window_destroyed() {
    if (g_state.loop_entered && !g_state.shutting_down && !any_window_alive()) PostQuitMessage(0);
}

bool message_loop_entered() { return g_state.loop_entered; }

void exit_program(int32_t code) {
    ++g_state.shutdown_calls;
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
    Value result = call_command(load_window, 3, value_unit(window, self, kUnitWindow), value_omitted(),
                                value_bool(false));
    if (!result.lo) fatal_error("载入启动窗口失败");
}
