// The runtime's public interface, the header that application code and the window layer include. Values and
// their blocks (runtime/values.h), the command library (runtime/commands.h) and the drive places
// (runtime/drive_places.h) have headers of their own, included here; this one declares how a program runs on
// the runtime: unit property access, the program's end and fatal errors, DLL commands, the internal routines,
// and the program header with its support libraries, start-up and the message loop.
//
// Everything here runs on the main thread (the one that started the program) unless a comment says
// otherwise.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/commands.h"
#include "runtime/drive_places.h"
#include "runtime/values.h"

// ---------------------------------------------------------------------------------------------------------------
// Entry points

// Property access of a loaded unit (window identifier, unit identifier, property number, sub-field or -1),
// answered by the window host (runtime/window_host.h); without one, the fatal "window not loaded". Text and
// byte-set results are new blocks that the caller owns; set_property copies what it needs.
uint64_t get_property(uint32_t window, uint32_t unit, int32_t property, int32_t member);
void set_property(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t hi);
// A click on a button, check box or radio box as the user makes it, raising its click event: only while the
// user could click it (shown, enabled and in sight). False when it was not clicked (also without a window host).
bool click_unit(uint32_t window, uint32_t unit);

// Runs the shut-down sequence and ends the process with the code. From another thread it hands the request
// to the main thread and ends the process at once unless shut-down is already under way.
[[noreturn]] void exit_program(int32_t code);

// Reports numbered runtime error 1..11 (fatal).
[[noreturn]] void report_runtime_error(int32_t number);

// The single fatal reporter: the error hook when one is installed, else the "错误" message box; then the
// program ends with exit code -1. number 0 means a message-only error.
[[noreturn]] void fatal_error(const char* message, int32_t number = 0);
// The text that the fatal message box shows (caller owns it).
Text fatal_error_text(const char* message, int32_t number);

// The error hook gets (nesting count, error number, message); a positive answer suppresses the message box.
// The program itself never installs one.
using ErrorHook = int32_t (*)(int32_t nesting, int32_t number, const char* message);
void set_error_hook(ErrorHook hook);

// Binds DLL command `index` if it is not bound yet; false, without the fatal error of a call, when its library
// cannot be loaded or does not export the function (for commands the program can do without).
bool dll_command_available(int32_t index);
// Calls DLL command `index` (bound on first use) with the 32-bit argument words in order; returns edx:eax.
// A function that cannot be bound ends the program with the fatal error; a function that removes a different
// amount of argument data than was passed raises runtime error 6.
uint64_t call_dll_command_words(int32_t index, int32_t word_count, const uint32_t* words);

namespace dll_arg {
inline void push(uint32_t*& w, int32_t v) { *w++ = static_cast<uint32_t>(v); }
inline void push(uint32_t*& w, uint32_t v) { *w++ = v; }
inline void push(uint32_t*& w, bool v) { *w++ = v ? 1u : 0u; }
inline void push(uint32_t*& w, const void* p) { *w++ = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }
inline void push(uint32_t*& w, const Text& t) { push(w, static_cast<const void*>(t.get())); }
// A byte-set goes to a DLL function as a pointer to its first data byte (null when the variable is null).
inline void push(uint32_t*& w, const Bytes& b) { push(w, static_cast<const void*>(b.get() ? b.data() : nullptr)); }
}  // namespace dll_arg

template <class... Args>
uint64_t call_dll_command(int32_t index, const Args&... args) {
    uint32_t words[sizeof...(Args) + 1] = {0};
    uint32_t* w = words;
    (dll_arg::push(w, args), ...);
    (void)w;
    return call_dll_command_words(index, static_cast<int32_t>(sizeof...(Args)), words);
}

// Internal routines: 0 find_file, 1 end_find_file, 3 register an exit routine, 6 initialise the runtime.
uintptr_t run_internal(int32_t routine, ...);
using ExitRoutine = void (*)();
void register_exit_routine(ExitRoutine routine);  // a routine already registered is not added again

// ---------------------------------------------------------------------------------------------------------------
// Program header and support libraries

using NotifyFn = int32_t (*)(int32_t code, uintptr_t arg1, uintptr_t arg2);
using ServiceFn = uintptr_t (*)(int32_t number, uintptr_t arg1, uintptr_t arg2);

// What the runtime reads of a support library's descriptor (byte offsets fixed).
struct LibraryDescriptor {
    uint32_t descriptor_format;      // 0   0x01312D65
    const char* identity;            // 4   32 hex digits
    int32_t versions[7];             // 8   major, minor, build, min runtime (2), min core library (2)
    const char* name;                // 36
    uint32_t reserved1[11];          // 40
    int32_t type_count;              // 84
    const void* type_table;          // 88
    uint32_t reserved2[2];           // 92
    int32_t command_count;           // 100
    uint32_t reserved3;              // 104
    const CommandFn* command_table;  // 108
    uint32_t reserved4[2];           // 112
    NotifyFn notify;                 // 120
};
static_assert(offsetof(LibraryDescriptor, name) == 36 && offsetof(LibraryDescriptor, type_count) == 84 &&
                  offsetof(LibraryDescriptor, command_count) == 100 &&
                  offsetof(LibraryDescriptor, command_table) == 108 && offsetof(LibraryDescriptor, notify) == 120,
              "library descriptor layout");
constexpr uint32_t kDescriptorFormat = 0x01312D65;
constexpr int32_t kNotifyStart = 1;     // arg1 = the runtime service function
constexpr int32_t kNotifyShutdown = 6;  // arg1 = the library's per-run data word

// The one constant record from which the runtime learns what the program consists of.
struct ProgramHeader {
    uint32_t program_kind;                          // 0   3; 2 would break into a debugger on fatal errors
    uint32_t reserved;                              // 4
    uint32_t header_word_2;                         // 8   0x000102EA, kept + 1
    const void* code_base;                          // 12  event-handler references are offsets from here
    const void* const_pool_start;                   // 16
    uint32_t const_pool_size;                       // 20  0 = no pool
    const void* form_data_start;                    // 24
    uint32_t form_data_size;                        // 28  0 = no windows
    int32_t library_count;                          // 32
    const LibraryDescriptor* const* library_table;  // 36 library 1 first
    int32_t dll_command_count;                      // 40
    const char* const* dll_library_names;           // 44 "" = search the system libraries
    const char* const* dll_function_names;          // 48 a name, or "#" and a decimal ordinal
};
static_assert(sizeof(ProgramHeader) == 52, "program header layout");

// The runtime service function handed to every support library at start-up.
uintptr_t runtime_service(int32_t number, uintptr_t arg1, uintptr_t arg2);

enum ServiceNumber : int32_t {
    kServiceProgramDirectory = 2003,
    kServiceProgramFileName = 2004,
    kServiceLoadWindow = 2005,
    kServiceFindUnitQuiet = 2006,
    kServiceFindUnit = 2007,
    kServiceLookUpFile = 2011,
    kServiceRegisterFile = 2012,
    kServiceUnregisterFile = 2013,
    kServiceProcessMessages = 2018,
    kServiceFreeArray = 2023,
    kServiceAllocate = 2024,
    kServiceFree = 2025,
    kServiceReallocate = 2026,
    kServiceFatal = 2027,
    kServiceEndProgram = 2028,
};

// The three support libraries' descriptors, in library-number order, for the program header.
extern const LibraryDescriptor* const kSupportLibraries[3];

// Loads the start-up window (visible, not modal); ends the program with a fatal error when it is missing or
// cannot be created.
void load_startup_window(uint32_t window, uint32_t self);
// The message loop: runs until WM_QUIT, or until no window is left. With a modal flag it runs a modal window:
// it returns once *modal_running is false or a WM_QUIT is waiting, leaving the WM_QUIT queued for the outer
// loop.
void run_message_loop(const bool* modal_running = nullptr);

// Program directory (no trailing "\") and program file name, recorded at start-up; "" before.
const char* program_directory();
const char* program_file_name();
