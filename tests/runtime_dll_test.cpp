// DLL commands: binding by name, by ordinal and through the system libraries; the stack check; failures.
#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
enum Probe {
    kAdd,
    kAddByOrdinal,
    kAddByWideOrdinal,  // only the low 16 bits of the ordinal count
    kCharUpper,         // empty library name: found in User32
    kTickCount,         // found in Kernel32
    kDragAccept,        // found in Shell32, the last of the six
    kCdeclAdd,
    kMissingInProbe,
    kMissingEverywhere,
    kWide,
    kSumBytes,
    kAddByFullPath,
    kCount
};

std::string g_full_path;
const char* g_libraries[kCount];
const char* g_functions[kCount] = {"probe_add", "#5",          "#65541",  "CharUpperA",      "GetTickCount",
                                   "DragAcceptFiles", "probe_cdecl_add", "missing", "NoSuchFunctionAnywhere",
                                   "probe_wide", "probe_sum_bytes", "probe_add"};

void set_up_commands() {
    initialise_runtime(nullptr);
    g_full_path = std::string(program_directory()) + "\\dll_probe.dll";
    for (int i = 0; i < kCount; ++i) g_libraries[i] = "dll_probe.dll";
    g_libraries[kCharUpper] = g_libraries[kTickCount] = g_libraries[kDragAccept] = "";
    g_libraries[kMissingEverywhere] = "";
    g_libraries[kAddByFullPath] = g_full_path.c_str();
    set_dll_commands(kCount, g_libraries, g_functions);
}

class DllCommands : public ::testing::Test {
protected:
    void SetUp() override { set_up_commands(); }
    void TearDown() override { unload_dll_modules(); }
};

TEST_F(DllCommands, BindsByNameOrdinalAndPath) {
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kAdd, 40, 2)), 42);
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kAdd, -1, -2)), -3);  // bound once, called again
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kAddByOrdinal, 1, 2)), 3);
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kAddByWideOrdinal, 3, 4)), 7);
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kAddByFullPath, 5, 6)), 11);
    EXPECT_EQ(call_dll_command(kWide, 9), (uint64_t{9} << 32) | 5);  // edx:eax comes back whole
}

TEST_F(DllCommands, ByteSetsPassTheirFirstDataByte) {
    Bytes b(new_bytes("\x01\x02\x03", 3));
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kSumBytes, b, b.length())), 6);
    Bytes none;
    EXPECT_EQ(static_cast<int32_t>(call_dll_command(kSumBytes, none, 0)), 0);  // null for a null variable
}

TEST_F(DllCommands, EmptyLibraryNameSearchesTheSystemLibraries) {
    char text[] = "abc\xB4\xC5";
    call_dll_command(kCharUpper, static_cast<const void*>(text));
    EXPECT_STREQ(text, "ABC\xB4\xC5");
    EXPECT_GT(static_cast<uint32_t>(call_dll_command(kTickCount)), 0u);
    call_dll_command(kDragAccept, static_cast<const void*>(nullptr), false);
    EXPECT_EQ(dll_command_module(kCharUpper), GetModuleHandleA("user32.dll"));
    EXPECT_EQ(dll_command_module(kTickCount), GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(dll_command_module(kDragAccept), GetModuleHandleA("shell32.dll"));
}

CHILD_SCENARIO(dll_stack_error) {
    set_up_commands();
    call_dll_command(kCdeclAdd, 1, 2);
    child_write("returned\n");
}
CHILD_SCENARIO(dll_missing_in_library) {
    set_up_commands();
    call_dll_command(kMissingInProbe, 1);
}
CHILD_SCENARIO(dll_missing_everywhere) {
    set_up_commands();
    call_dll_command(kMissingEverywhere);
}

TEST(DllFailures, WrongArgumentRemovalIsRuntimeError6) {
    ChildResult r = run_child("dll_stack_error");
    EXPECT_EQ(r.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(r.output, "6|调用DLL命令后发现堆栈错误\n");
}

TEST(DllFailures, UnboundFunctionsEndTheProgram) {
    ChildResult in_library = run_child("dll_missing_in_library");
    EXPECT_EQ(in_library.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(in_library.output, "0|无法找到指定DLL库文件“dll_probe.dll”中的输出命令“missing”\n");
    ChildResult everywhere = run_child("dll_missing_everywhere");
    EXPECT_EQ(everywhere.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(everywhere.output, "0|无法找到指定DLL库文件中的输出命令“NoSuchFunctionAnywhere”\n");
}
}  // namespace
