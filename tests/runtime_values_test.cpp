// The value layer: records, the heap and the constant pool, ownership holders, command calls, services and
// the fatal reporter.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
// A stand-in constant pool: a literal text, the empty text and the empty byte-set, packed without alignment.
struct PoolImage {
    char bytes[32];
};
PoolImage make_pool() {
    PoolImage p{};
    std::memcpy(p.bytes, "abc\0", 4);                      // literal "abc" at 0
    p.bytes[4] = 0;                                         // empty text at 4
    const int32_t empty[2] = {1, 0};
    std::memcpy(p.bytes + 5, empty, 8);                     // empty byte-set at 5
    std::memcpy(p.bytes + 13, "\x01\0\0\0\x03\0\0\0xyz", 11);  // byte-set "xyz" at 13
    std::memcpy(p.bytes + 24, "tail\0end", 8);              // "tail" and the last bytes of the pool
    return p;
}

class PoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool_ = make_pool();
        original_ = pool_;
        set_constant_pool(pool_.bytes, sizeof pool_.bytes);
        set_pool_empties(pool_.bytes + 4, pool_.bytes + 5);
    }
    void TearDown() override {
        set_constant_pool(nullptr, 0);
        set_pool_empties(nullptr, nullptr);
    }
    bool pool_untouched() const { return std::memcmp(pool_.bytes, original_.bytes, sizeof pool_.bytes) == 0; }
    PoolImage pool_;
    PoolImage original_;
};

// value-1: freeing null, a literal and the pool's empty byte-set does nothing; the heap stays sound.
TEST_F(PoolTest, FreeIgnoresNullAndPoolBlocks) {
    free_block(nullptr);
    free_block(pool_.bytes);      // literal text
    free_block(pool_.bytes + 5);  // empty byte-set
    free_block(pool_.bytes + 13); // a byte-set constant
    EXPECT_TRUE(pool_untouched());
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    // A heap block is really freed (and the heap stays valid afterwards).
    free_block(alloc_block(100));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

// value-2: realloc of a literal copies it into a fresh block and never writes the pool; it copies no further
// than the end of the pool.
TEST_F(PoolTest, ReallocOfLiteralCopiesWithoutWritingPool) {
    char* fresh = static_cast<char*>(realloc_block(pool_.bytes, 100));
    ASSERT_NE(fresh, pool_.bytes);
    EXPECT_FALSE(in_constant_pool(fresh));
    EXPECT_STREQ(fresh, "abc");
    std::memset(fresh, 'Z', 100);  // the copy is writable and separate
    EXPECT_TRUE(pool_untouched());
    free_block(fresh);

    char* near_end = static_cast<char*>(realloc_block(pool_.bytes + 24, 4096));  // 8 bytes left in the pool
    EXPECT_EQ(std::memcmp(near_end, "tail\0end", 8), 0);
    free_block(near_end);

    char* shrunk = static_cast<char*>(realloc_block(pool_.bytes, 2));
    EXPECT_EQ(std::memcmp(shrunk, "ab", 2), 0);
    free_block(shrunk);
    EXPECT_TRUE(pool_untouched());
}

// value-3: without a pool (size 0) every non-null pointer counts as a heap block.
TEST_F(PoolTest, NoPoolMeansEveryPointerIsHeap) {
    set_constant_pool(pool_.bytes, 0);
    EXPECT_FALSE(in_constant_pool(pool_.bytes));
    void* heap_block = alloc_block(16);
    EXPECT_FALSE(in_constant_pool(heap_block));
    free_block(heap_block);
}

// value-4: records hand commands the pool's empty blocks for null variables.
TEST_F(PoolTest, NullVariablesPassThePoolEmpties) {
    Text none;
    Bytes no_bytes;
    EXPECT_EQ(value_as_text(none.arg()), pool_.bytes + 4);
    EXPECT_EQ(value_as_block(no_bytes.arg()), static_cast<void*>(pool_.bytes + 5));
    EXPECT_EQ(none.arg().type, kTypeText);
    EXPECT_EQ(no_bytes.arg().type, kTypeBytes);
}

// value-5: storing a constant byte-set in a variable copies header and data to the heap.
TEST_F(PoolTest, CopyOfConstantByteSetIsAHeapBlock) {
    Bytes b = Bytes::copy(pool_.bytes + 13);
    ASSERT_NE(b.get(), nullptr);
    EXPECT_FALSE(in_constant_pool(b.get()));
    EXPECT_EQ(b.length(), 3);
    EXPECT_EQ(std::memcmp(b.data(), "xyz", 3), 0);
}

// value-6: lengths count bytes, not characters; blocks are built as the rules say.
TEST(Blocks, TextAndByteSetConstruction) {
    Text two_chars = Text::copy("磁盘");
    EXPECT_EQ(two_chars.length(), 4);
    EXPECT_EQ(Text::copy("").get(), nullptr);  // an empty text is null
    EXPECT_EQ(new_text("abc", 0), nullptr);
    EXPECT_EQ(new_text("abc", -1), nullptr);
    Text part(new_text("abcdef", 3));
    EXPECT_STREQ(part.c_str(), "abc");

    EXPECT_EQ(new_bytes("x", 0), nullptr);
    Bytes zeroed(new_bytes(nullptr, 5));
    const int32_t* header = static_cast<const int32_t*>(zeroed.get());
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(header[1], 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(zeroed.data()[i], 0);
}

// value-7: a holder frees its old block when a new one is stored, and moves without double frees.
TEST(Blocks, HolderOwnership) {
    Text a = Text::copy("first");
    char* first = a.get();
    a = Text::copy("second");
    EXPECT_NE(a.get(), first);
    Text b = std::move(a);
    EXPECT_EQ(a.get(), nullptr);
    EXPECT_STREQ(b.c_str(), "second");
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST(Blocks, TextArrayIsFreedWithItsElements) {
    int32_t* array = static_cast<int32_t*>(alloc_block(4 * 4));
    array[0] = 1;
    array[1] = 2;
    reinterpret_cast<char**>(array)[2] = new_text("one");
    reinterpret_cast<char**>(array)[3] = nullptr;
    runtime_service(kServiceFreeArray, kTypeText | kArrayFlag, reinterpret_cast<uintptr_t>(array));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
}

TEST(Helpers, ComparisonConcatenationAndNumbers) {
    EXPECT_TRUE(text_equal(nullptr, ""));
    EXPECT_FALSE(text_equal("a", "A"));
    EXPECT_STREQ(concat({"C:", nullptr, "\\", "grldr"}).c_str(), "C:\\grldr");
    EXPECT_EQ(concat({"", nullptr}).get(), nullptr);
    EXPECT_EQ(truncate_to_int(-2.9), -2);
    EXPECT_EQ(truncate_to_int(2.9), 2);
    EXPECT_TRUE(double_equal(1e-8, 0));
    EXPECT_FALSE(double_equal(1e-6, 0));
    EXPECT_DOUBLE_EQ(value_as_double(value_double(-1.25)), -1.25);
    EXPECT_EQ(value_as_long(value_long(-5000000000LL)), -5000000000LL);
}

// value-8: an omitted argument record reads exactly like an argument left off the end of the list.
void optional_args_probe(Value* result, int32_t count, Value* args) {
    // reports which of three optional arguments are present and their values
    int32_t bits = 0;
    for (int32_t i = 0; i < 3; ++i)
        if (arg_present(count, args, i)) bits |= 1 << i;
    result->lo = static_cast<uint32_t>(bits | (arg_int(count, args, 1, 77) << 8));
    result->hi = static_cast<uint32_t>(std::strlen(arg_text(count, args, 2)));
}

TEST(CommandCall, OmittedRecordEqualsMissingTrailingArgument) {
    Value left_off = call_command(optional_args_probe, 1, value_int(5));
    Value omitted = call_command(optional_args_probe, 3, value_int(5), value_omitted(), value_omitted());
    EXPECT_EQ(left_off.lo, omitted.lo);
    EXPECT_EQ(left_off.hi, omitted.hi);
    EXPECT_EQ(left_off.lo, 1u | (77u << 8));
    // A record beyond the count is not read even when it is filled.
    Value beyond = call_command(optional_args_probe, 1, value_int(5), value_int(9), value_text("xy"));
    EXPECT_EQ(beyond.lo, left_off.lo);
    Value all = call_command(optional_args_probe, 3, value_int(5), value_int(9), value_text("xy"));
    EXPECT_EQ(all.lo, 7u | (9u << 8));
    EXPECT_EQ(all.hi, 2u);
    EXPECT_EQ(all.type, 0u);  // commands leave the tag at 0
}

void library_index_probe(Value* result, int32_t, Value*) { result->lo = static_cast<uint32_t>(current_library_index()); }

TEST(CommandCall, LibraryIndexIsVisibleToTheCommand) {
    EXPECT_EQ(call_library_command(library_index_probe, 2, 0).lo, 2u);
    EXPECT_EQ(call_library_command(library_index_probe, 1, 0).lo, 1u);
}

TEST(Services, AnswersByNumber) {
    initialise_runtime(nullptr);
    const char* dir = reinterpret_cast<const char*>(runtime_service(kServiceProgramDirectory, 0, 0));
    const char* file = reinterpret_cast<const char*>(runtime_service(kServiceProgramFileName, 0, 0));
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(std::string(dir) + "\\" + file, std::string(module));
    EXPECT_EQ(dir[std::strlen(dir) - 1] == '\\', false);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_STREQ(cwd, dir);  // the program directory became the current directory

    EXPECT_EQ(runtime_service(2041, 1, 2), 0u);
    EXPECT_EQ(runtime_service(9999, 1, 2), 0u);

    int file_object = 0;
    uintptr_t f = reinterpret_cast<uintptr_t>(&file_object);
    EXPECT_EQ(runtime_service(kServiceLookUpFile, f, 0), static_cast<uintptr_t>(-1));
    runtime_service(kServiceRegisterFile, f, 0);
    EXPECT_EQ(runtime_service(kServiceLookUpFile, f, 0), 0u);
    EXPECT_NE(runtime_service(kServiceUnregisterFile, f, 0), 0u);
    EXPECT_EQ(runtime_service(kServiceUnregisterFile, f, 0), 0u);

    // A quiet allocation that cannot be satisfied answers null instead of ending the program.
    EXPECT_EQ(runtime_service(kServiceAllocate, 0x7FFFFFF0, 1), 0u);
    void* b = reinterpret_cast<void*>(runtime_service(kServiceAllocate, 64, 0));
    ASSERT_NE(b, nullptr);
    b = reinterpret_cast<void*>(runtime_service(kServiceReallocate, reinterpret_cast<uintptr_t>(b), 128));
    runtime_service(kServiceFree, reinterpret_cast<uintptr_t>(b), 0);
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr));
    // Without a window layer, finding a unit quietly answers null.
    EXPECT_EQ(runtime_service(kServiceFindUnitQuiet, 0x52010001, 0x06010000), 0u);
}

TEST(Services, ProgramPathSplitStepsOverTwoByteCharacters) {
    // 0x5C ("\") as the trail byte of a GBK character must not split the path.
    set_program_path("C:\\\xB1\x5C\\app.exe");
    EXPECT_STREQ(program_directory(), "C:\\\xB1\x5C");
    EXPECT_STREQ(program_file_name(), "app.exe");
    set_program_path("app.exe");
    EXPECT_STREQ(program_directory(), "");
    EXPECT_STREQ(program_file_name(), "app.exe");
}

// Fatal errors: the message box text layout and the exit through the reporter.
TEST(Fatal, MessageTextLayout) {
    EXPECT_STREQ(fatal_error_text("调用DLL命令后发现堆栈错误", 6).c_str(),
                 "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
    EXPECT_STREQ(fatal_error_text("载入启动窗口失败", 0).c_str(), "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n");
    EXPECT_STREQ(fatal_error_text("", 4).c_str(), "运行时出错!\r\n\r\n错误代码：4\r\n\r\n");
}

CHILD_SCENARIO(out_of_memory) { alloc_block(0x7FFFFFF0); }
CHILD_SCENARIO(runtime_error_4) { report_runtime_error(4); }
CHILD_SCENARIO(service_fatal) { runtime_service(kServiceFatal, reinterpret_cast<uintptr_t>("坏了"), 0); }
CHILD_SCENARIO(exit_routines_once) {
    static auto routine = [] { child_write("exit routine\n"); };
    register_exit_routine(routine);
    register_exit_routine(routine);
    run_internal(3, static_cast<ExitRoutine>(routine));
    exit_program(7);
}

TEST(Fatal, ReporterEndsTheProgramWithMinusOne) {
    ChildResult oom = run_child("out_of_memory");
    EXPECT_EQ(oom.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(oom.output, "0|分配 2147483632 字节内存失败!\n");

    ChildResult numbered = run_child("runtime_error_4");
    EXPECT_EQ(numbered.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(numbered.output, "4|数组成员引用下标必须大于等于1\n");

    ChildResult service = run_child("service_fatal");
    EXPECT_EQ(service.exit_code, 0xFFFFFFFFul);
    EXPECT_EQ(service.output, "0|坏了\n");
}

TEST(Shutdown, ExitRoutineRegisteredTwiceRunsOnce) {
    ChildResult r = run_child("exit_routines_once");
    EXPECT_EQ(r.exit_code, 7ul);
    EXPECT_EQ(r.output, "exit routine\n");
}
}  // namespace
