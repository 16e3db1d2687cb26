// The runtime's own internals, shared by its sources (and by the tests that look inside it); neither the
// window layer nor application code includes this.
#pragma once

#include "runtime/runtime.h"
#include "runtime/window_host.h"

// Dates: days since 1899-12-30 00:00, the fraction being the time of day (for a negative value the integer
// part still names the day and the fraction's magnitude the time, as in the system's own date kind).
struct DateParts {
    int32_t year, month, day, hour, minute, second;
};
double clamp_date(double date);     // into kDateMin .. kDateMax (NaN gives kDateMin)
DateParts split_date(double date);  // clamps first; the time is rounded to the nearest second
double make_date(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second);

// Idle callbacks: called by the message loop while no message waits, from the last registered to the first,
// as long as their window exists (an entry whose window is gone is dropped); the list is cleared at
// shut-down.
using IdleRoutine = void (*)(void* window, uintptr_t argument);
void add_idle_callback(void* window, IdleRoutine routine, uintptr_t argument);
size_t idle_callback_count();

// The argument block of service 2005 (load a window).
struct LoadWindowRequest {
    uint32_t window;
    void* parent;    // parent system window or null
    uint32_t modal;  // non-zero: modal
};

// Open-file table behind the file-number commands.
void register_open_file(void* file, uint32_t kind_flags);
bool unregister_open_file(void* file);  // true if it was registered
bool is_open_file(const void* file);

// DLL-command tables (filled at start-up from the program header) and their modules.
void set_dll_commands(int32_t count, const char* const* library_names, const char* const* function_names);
void unload_dll_modules();
void* dll_command_module(int32_t index);  // the module a bound DLL command came from, else null

// Exit routines in registration order; run and emptied by the shut-down sequence.
void run_exit_routines();

// Program paths, recorded at start-up from the module file name.
void set_program_path(const char* module_file_name);

// Main thread and shut-down state.
void record_main_thread();
bool on_main_thread();
bool main_thread_recorded();

// Initialises the runtime from the program header (run_internal(6, header) calls it): program paths, owner
// window, main thread, constant pool, DLL commands, support libraries and, through the window host, the form
// data. A null header sets up the paths, the owner window and the main thread only.
void initialise_runtime(const ProgramHeader* header);

void set_program_kind(uint32_t kind);
// The constant pool's own empty text and empty byte-set (located by the payload layer).
void set_pool_empties(const char* text, const void* bytes);

// ---------------------------------------------------------------------------------------------------------------
// Argument readers and result setters for command implementations. An argument is present when its index is
// below the count and its record's tag is not 0; an omitted record and a missing trailing argument read alike.

inline bool arg_present(int32_t count, const Value* args, int32_t i) { return i < count && args[i].type != 0; }
inline int32_t arg_int(int32_t count, const Value* args, int32_t i, int32_t fallback = 0) {
    return arg_present(count, args, i) ? static_cast<int32_t>(args[i].lo) : fallback;
}
inline bool arg_bool(int32_t count, const Value* args, int32_t i, bool fallback = false) {
    return arg_present(count, args, i) ? args[i].lo != 0 : fallback;
}
// The text of a text argument; "" when absent or null.
inline const char* arg_text(int32_t count, const Value* args, int32_t i) {
    const char* p = arg_present(count, args, i) ? value_as_text(args[i]) : nullptr;
    return p ? p : "";
}
// The byte-set block of a byte-set argument, or null when absent.
inline const void* arg_bytes(int32_t count, const Value* args, int32_t i) {
    return arg_present(count, args, i) ? value_as_block(args[i]) : nullptr;
}

inline void result_int(Value* r, int32_t v) { r->lo = static_cast<uint32_t>(v); }
inline void result_bool(Value* r, bool v) { r->lo = v ? 1u : 0u; }
inline void result_pointer(Value* r, const void* p) { r->lo = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
inline void result_double(Value* r, double v) {  // also used for dates
    Value d = value_double(v);
    r->lo = d.lo;
    r->hi = d.hi;
}

// Test seam of message_box: the function that shows the box (MessageBoxA by default; null restores it).
using MessageBoxFn = int(__stdcall*)(struct HWND__*, const char*, const char*, unsigned int);
void set_message_box_function(MessageBoxFn fn);

// The service function each support library was handed at start-up (null before start-up and after
// shut-down).
ServiceFn library_service(int32_t library);
