// The runtime service function that support libraries call, and the state behind it: program paths,
// the main thread, the open-file table and the window host (with the property calls it answers).
#include <windows.h>

#include <cstring>
#include <vector>

#include "runtime/internal.h"

namespace {
WindowHost g_host{};
std::vector<void*> g_open_files;
Text g_program_directory;  // without trailing "\"
Text g_program_file_name;
DWORD g_main_thread = 0;
}  // namespace

void set_window_host(const WindowHost& host) { g_host = host; }
const WindowHost& window_host() { return g_host; }

// Without a window host no window can be loaded, so every window a property names is one that is not loaded.
uint64_t get_property(uint32_t window, uint32_t unit, int32_t property, int32_t member) {
    if (!g_host.get_property) fatal_error("未载入欲访问窗口组件所在的窗口");
    return g_host.get_property(window, unit, property, member);
}

void set_property(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t hi) {
    if (!g_host.set_property) fatal_error("未载入欲访问窗口组件所在的窗口");
    g_host.set_property(window, unit, property, member, lo, hi);
}

bool click_unit(uint32_t window, uint32_t unit) { return g_host.click_unit && g_host.click_unit(window, unit); }

void register_open_file(void* file, uint32_t) {
    if (file && !is_open_file(file)) g_open_files.push_back(file);
}

bool unregister_open_file(void* file) {
    for (size_t i = 0; i < g_open_files.size(); ++i)
        if (g_open_files[i] == file) {
            g_open_files.erase(g_open_files.begin() + static_cast<ptrdiff_t>(i));
            return true;
        }
    return false;
}

bool is_open_file(const void* file) {
    for (void* f : g_open_files)
        if (f == file) return true;
    return false;
}

void set_program_path(const char* module_file_name) {
    // Split at the last "\", stepping over two-byte characters so that a trail byte is never taken for one.
    const char* last = nullptr;
    for (const char* p = module_file_name; *p; ++p) {
        if (is_lead_byte(static_cast<unsigned char>(*p)) && p[1]) {
            ++p;
            continue;
        }
        if (*p == '\\') last = p;
    }
    if (!last) {
        g_program_directory.reset();
        g_program_file_name = Text::copy(module_file_name);
        return;
    }
    g_program_directory = Text(new_text(module_file_name, static_cast<int32_t>(last - module_file_name)));
    g_program_file_name = Text::copy(last + 1);
}

const char* program_directory() { return g_program_directory.c_str(); }
const char* program_file_name() { return g_program_file_name.c_str(); }

void record_main_thread() { g_main_thread = GetCurrentThreadId(); }
bool main_thread_recorded() { return g_main_thread != 0; }
bool on_main_thread() { return g_main_thread == 0 || GetCurrentThreadId() == g_main_thread; }

uintptr_t runtime_service(int32_t number, uintptr_t arg1, uintptr_t arg2) {
    switch (number) {
        case kServiceProgramDirectory:
            return reinterpret_cast<uintptr_t>(program_directory());
        case kServiceProgramFileName:
            return reinterpret_cast<uintptr_t>(program_file_name());
        case kServiceLoadWindow: {
            const auto* request = reinterpret_cast<const LoadWindowRequest*>(arg1);
            if (!request || !g_host.load_window) return static_cast<uintptr_t>(-1);
            return static_cast<uintptr_t>(g_host.load_window(request->window, request->parent, request->modal != 0));
        }
        case kServiceFindUnitQuiet:
        case kServiceFindUnit: {
            void* unit =
                g_host.find_unit ? g_host.find_unit(static_cast<uint32_t>(arg1), static_cast<uint32_t>(arg2)) : nullptr;
            if (!unit && number == kServiceFindUnit) fatal_error("指定窗口或窗口组件不存在或尚未载入", 0);
            return reinterpret_cast<uintptr_t>(unit);
        }
        case kServiceLookUpFile:
            return is_open_file(reinterpret_cast<void*>(arg1)) ? 0 : static_cast<uintptr_t>(-1);
        case kServiceRegisterFile:
            register_open_file(reinterpret_cast<void*>(arg1), static_cast<uint32_t>(arg2));
            return 0;
        case kServiceUnregisterFile:
            return unregister_open_file(reinterpret_cast<void*>(arg1)) ? 1 : 0;
        case kServiceProcessMessages:
            if (g_host.process_messages) g_host.process_messages();
            return 0;
        case kServiceFreeArray:
            free_array(static_cast<uint32_t>(arg1), reinterpret_cast<void*>(arg2));
            return 0;
        case kServiceAllocate: {
            int32_t size = static_cast<int32_t>(arg1);
            if (arg2) return reinterpret_cast<uintptr_t>(HeapAlloc(GetProcessHeap(), 0, size > 0 ? size : 1));
            return reinterpret_cast<uintptr_t>(alloc_block(size));
        }
        case kServiceFree:
            free_block(reinterpret_cast<void*>(arg1));
            return 0;
        case kServiceReallocate:
            return reinterpret_cast<uintptr_t>(
                realloc_block(reinterpret_cast<void*>(arg1), static_cast<int32_t>(arg2)));
        case kServiceFatal:
            fatal_error(reinterpret_cast<const char*>(arg1), 0);
        case kServiceEndProgram:
            exit_program(static_cast<int32_t>(arg1));
        default:
            return 0;
    }
}
