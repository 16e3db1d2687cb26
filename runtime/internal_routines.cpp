// The internal routines that run_internal dispatches (find_file, end_find_file, registering an exit routine,
// initialising the runtime), and the exit routines that the shut-down sequence runs.
#include <cstdarg>
#include <cstring>

#include "runtime/internal.h"

namespace {
ExitRoutine g_exit_routines[64];
int32_t g_exit_routine_count = 0;

uintptr_t internal_find_file(va_list ap) {
    const char* pattern = va_arg(ap, const char*);
    int32_t attributes = va_arg(ap, int32_t);
    int32_t omitted = va_arg(ap, int32_t);
    void** handle = va_arg(ap, void**);
    return reinterpret_cast<uintptr_t>(find_file(pattern, attributes, omitted, handle));
}

uintptr_t internal_end_find_file(va_list ap) {
    end_find_file(va_arg(ap, void*));
    return 0;
}

uintptr_t internal_register_exit(va_list ap) {
    register_exit_routine(va_arg(ap, ExitRoutine));
    return 0;
}

uintptr_t internal_initialise(va_list ap);  // start-up, defined with the start-up sequence

uintptr_t internal_unused(va_list) { return 0; }

using InternalRoutine = uintptr_t (*)(va_list);
const InternalRoutine kInternalRoutines[7] = {
    internal_find_file, internal_end_find_file, internal_unused,     internal_register_exit,
    internal_unused,    internal_unused,        internal_initialise,
};
}  // namespace

uintptr_t run_internal(int32_t routine, ...) {
    if (routine < 0 || routine >= 7) return 0;
    va_list ap;
    va_start(ap, routine);
    uintptr_t result = kInternalRoutines[routine](ap);
    va_end(ap);
    return result;
}

void register_exit_routine(ExitRoutine routine) {
    if (!routine) return;
    for (int32_t i = 0; i < g_exit_routine_count; ++i)
        if (g_exit_routines[i] == routine) return;
    if (g_exit_routine_count < static_cast<int32_t>(sizeof g_exit_routines / sizeof g_exit_routines[0]))
        g_exit_routines[g_exit_routine_count++] = routine;
}

void run_exit_routines() {
    // A routine may end the program again; take the list first so that nothing runs twice.
    int32_t n = g_exit_routine_count;
    g_exit_routine_count = 0;
    ExitRoutine routines[64];
    std::memcpy(routines, g_exit_routines, sizeof(ExitRoutine) * static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) routines[i]();
}

namespace {
uintptr_t internal_initialise(va_list ap) {
    initialise_runtime(va_arg(ap, const ProgramHeader*));
    return 0;
}
}  // namespace
