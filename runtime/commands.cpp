// Command calls: the one way a command is called, with a zero-filled result record, and the library index
// that call_library_command keeps readable for the command.
#include "runtime/commands.h"

namespace {
int32_t g_library_index = 0;
}

Value call_command_array(CommandFn cmd, int32_t count, Value* args) {
    Value result{0, 0, 0};
    cmd(&result, count, args);
    return result;
}

Value call_library_command_array(CommandFn cmd, int32_t library_index, int32_t count, Value* args) {
    int32_t saved = g_library_index;
    g_library_index = library_index;
    Value result = call_command_array(cmd, count, args);
    g_library_index = saved;
    return result;
}

int32_t current_library_index() { return g_library_index; }
