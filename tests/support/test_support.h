// Shared test support: child processes for behaviour that ends the program, and small builders.
#pragma once

#include <string>
#include <vector>

#include "runtime/runtime.h"

// A scenario that runs in a child copy of the test program. The child's error hook appends
// "<error number>|<message>\n" to the child's output, so a fatal error can be checked from the parent.
using ChildScenario = void (*)();
struct ChildScenarioRegistration {
    ChildScenarioRegistration(const char* name, ChildScenario fn);
};
#define CHILD_SCENARIO(name)                                                 \
    static void child_##name();                                              \
    static ChildScenarioRegistration child_reg_##name(#name, child_##name); \
    static void child_##name()

struct ChildResult {
    unsigned long exit_code;
    std::string output;  // what the child wrote with child_write and its error hook
};
ChildResult run_child(const char* scenario);

// Appends text to the running child's output (no effect outside a child).
void child_write(const std::string& text);

// For tests that run the program's windows in their own process: every message box the runtime would show is
// recorded in the list instead (answered with OK), and a fatal runtime error is printed on the test's output
// and ends the program without a message box.
void record_message_boxes(std::vector<std::string>* messages);
void report_fatal_errors_on_output();

// A folder of its own for one test, created empty under the prefix's temporary folder; removed when the
// test program ends. Ends with "\".
std::string scratch_dir(const char* name);
std::string read_file(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);

// Under Wine a process that creates its first window before the desktop process has published its display
// driver is left without one for good: call this before the first window (waits at most a minute).
void wait_for_desktop();

// Files of the system's boot set, as the tests check them.
// Read-only, hidden and system: the attributes that matter here (Wine reports archive on every file).
constexpr uint32_t kHidSysRo = 0x2 | 0x4 | 0x1;
bool exists(const char* path);
uint32_t attributes(const char* path);  // the read-only, hidden and system bits only
// Wine cannot add hidden or system to a read-only file when it runs as an ordinary user: set them first.
void setAttributes(const char* path, uint32_t attributes);
void removeFile(const char* path);  // also when read-only
std::string payload(const void* byteSetBlock);  // the bytes of a byte-set constant
