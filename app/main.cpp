// Program entry: the program header, then the start-up sequence of the runtime.
#include <windows.h>

#include "app/app.h"
#include "forms/unit_ids.h"
#include "runtime/internal.h"

namespace {
// The global values are holders that start empty; nothing to allocate before the start routine.
void initialiseGlobals() {}

int32_t startRoutine() { return 0; }
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    run_internal(6, &programHeader());
    initialiseGlobals();
    run_internal(3, releaseGlobals);
    startRoutine();
    load_startup_window(main_window::kWindow, main_window::self);
    run_message_loop();
    exit_program(0);
}
