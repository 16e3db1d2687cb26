// Linked into the test programs that stand in for the program with windows: the window layer is installed
// as the runtime's window host before any test runs, as the program installs it first thing at start-up.
#include "forms/units.h"

namespace {
const bool kInstalled = (install_window_layer(), true);
}  // namespace
