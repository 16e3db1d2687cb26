// DLL commands: binding by name or ordinal on first call, the call itself, and the stack check.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/internal.h"

// Calls fn with `count` 32-bit words pushed as a direct standard-convention call would push them (the last
// word first). *imbalance receives how many bytes the callee left on (negative) or took off (positive) the
// stack beyond the arguments it was given; the stack is put right in every case. Returns edx:eax.
extern "C" uint64_t invoke_with_words(const void* fn, const uint32_t* words, int32_t count, int32_t* imbalance);
__asm__(
    ".text\n"
    ".globl _invoke_with_words\n"
    "_invoke_with_words:\n"
    "    pushl %ebp\n"
    "    movl %esp, %ebp\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    movl 12(%ebp), %esi\n"  // words
    "    movl 16(%ebp), %ecx\n"  // count
    "    movl %esp, %edi\n"      // the stack pointer before the arguments
    "1:  testl %ecx, %ecx\n"
    "    jz 2f\n"
    "    pushl -4(%esi,%ecx,4)\n"
    "    decl %ecx\n"
    "    jmp 1b\n"
    "2:  call *8(%ebp)\n"
    "    movl %esp, %ecx\n"
    "    subl %edi, %ecx\n"  // 0 when the callee removed exactly its arguments
    "    movl 20(%ebp), %ebx\n"
    "    movl %ecx, (%ebx)\n"
    "    movl %edi, %esp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    popl %ebp\n"
    "    ret\n");

namespace {
struct DllCommand {
    const char* library;   // "" = the six system libraries
    const char* function;  // a name, or "#" and a decimal ordinal
    FARPROC address;
    HMODULE module;
};
std::vector<DllCommand> g_commands;

const char* const kSystemLibraries[] = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                        "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

FARPROC look_up(HMODULE module, const char* function) {
    if (function[0] == '#') {
        unsigned long ordinal = std::strtoul(function + 1, nullptr, 10) & 0xFFFF;
        return GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(ordinal)));
    }
    return GetProcAddress(module, function);
}

// A damaged library file must not bring up the system's own error box: failing to load it is the answer.
HMODULE load_quietly(const char* path) {
    UINT before = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE m = LoadLibraryA(path);
    SetErrorMode(before);
    return m;
}

HMODULE load_library(const char* library) {
    if (std::strchr(library, ':')) return load_quietly(library);
    Text in_program_dir = concat({program_directory(), "\\", library});
    HMODULE m = load_quietly(in_program_dir.c_str());
    return m ? m : load_quietly(library);
}

[[noreturn]] void not_found(const DllCommand& c) {
    char message[640];
    if (c.library[0])
        std::snprintf(message, sizeof message, "无法找到指定DLL库文件“%s”中的输出命令“%s”", c.library, c.function);
    else
        std::snprintf(message, sizeof message, "无法找到指定DLL库文件中的输出命令“%s”", c.function);
    fatal_error(message, 0);
}

bool try_bind(DllCommand& c) {
    if (c.address) return true;
    if (!c.library[0]) {
        for (const char* name : kSystemLibraries) {
            HMODULE m = LoadLibraryA(name);
            if (!m) continue;
            if (FARPROC f = look_up(m, c.function)) {
                c.module = m;
                c.address = f;
                return true;
            }
            FreeLibrary(m);
        }
        return false;
    }
    HMODULE m = load_library(c.library);
    FARPROC f = m ? look_up(m, c.function) : nullptr;
    if (!f) {
        if (m) FreeLibrary(m);
        return false;
    }
    c.module = m;
    c.address = f;
    return true;
}
}  // namespace

void set_dll_commands(int32_t count, const char* const* library_names, const char* const* function_names) {
    g_commands.clear();
    for (int32_t i = 0; i < count; ++i)
        g_commands.push_back(DllCommand{library_names[i] ? library_names[i] : "",
                                        function_names[i] ? function_names[i] : "", nullptr, nullptr});
}

void unload_dll_modules() {
    for (DllCommand& c : g_commands)
        if (c.module) FreeLibrary(c.module);
    g_commands.clear();
}

void* dll_command_module(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(g_commands.size())) return nullptr;
    return g_commands[static_cast<size_t>(index)].module;
}

bool dll_command_available(int32_t index) {
    return index >= 0 && index < static_cast<int32_t>(g_commands.size()) &&
           try_bind(g_commands[static_cast<size_t>(index)]);
}

uint64_t call_dll_command_words(int32_t index, int32_t word_count, const uint32_t* words) {
    if (index < 0 || index >= static_cast<int32_t>(g_commands.size())) not_found(DllCommand{"", "", nullptr, nullptr});
    DllCommand& c = g_commands[static_cast<size_t>(index)];
    if (!try_bind(c)) not_found(c);
    int32_t imbalance = 0;
    uint64_t result = invoke_with_words(reinterpret_cast<const void*>(c.address), words, word_count, &imbalance);
    if (imbalance != 0) report_runtime_error(6);
    return result;
}
