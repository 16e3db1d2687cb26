// File, directory, disk, process and system commands, the open-file table and the directory search.
// Everything runs as an ordinary user under Wine, so read-only files really refuse writes.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
Value T(const std::string& s) { return value_text(s.c_str()); }
Value I(int32_t v) { return value_int(v); }

std::string take_text(const Value& r) { return Text::take(r).c_str(); }
bool as_bool(const Value& r) { return r.lo != 0; }
Bytes bytes_of(const std::string& s) { return Bytes(new_bytes(s.data(), static_cast<int32_t>(s.size()))); }
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// --- Files by name ---------------------------------------------------------------------------------------------

TEST(WriteFile, PathOnlyEmptyPathSeveralByteSetsAndReadOnly) {
    std::string dir = scratch_dir("write");
    std::string path = dir + "out.bin";

    EXPECT_TRUE(as_bool(call_command(write_file, 1, T(path))));
    EXPECT_TRUE(exists(path));
    EXPECT_EQ(read_file(path), "");

    EXPECT_FALSE(as_bool(call_command(write_file, 2, T(""), bytes_of("x").arg())));

    Bytes a = bytes_of(std::string("ab\0", 3)), c = bytes_of("cd");
    EXPECT_TRUE(as_bool(call_command(write_file, 4, T(path), a.arg(), value_bytes(nullptr), c.arg())));
    EXPECT_EQ(read_file(path), std::string("ab\0cd", 5));
    EXPECT_TRUE(as_bool(call_command(write_file, 2, T(path), c.arg())));  // truncates
    EXPECT_EQ(read_file(path), "cd");

    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(as_bool(call_command(write_file, 2, T(path), a.arg())));
    EXPECT_EQ(read_file(path), "cd");
}

TEST(FileNames, CopyMoveDeleteExistsAndDirectories) {
    std::string dir = scratch_dir("names");
    write_bytes(dir + "src.txt", "new");
    write_bytes(dir + "dst.txt", "old");
    EXPECT_TRUE(as_bool(call_command(copy_file, 2, T(dir + "src.txt"), T(dir + "dst.txt"))));  // overwrites
    EXPECT_EQ(read_file(dir + "dst.txt"), "new");

    EXPECT_FALSE(as_bool(call_command(move_file, 2, T(dir + "src.txt"), T(dir + "dst.txt"))));  // target exists
    EXPECT_TRUE(exists(dir + "src.txt"));
    EXPECT_TRUE(as_bool(call_command(move_file, 2, T(dir + "src.txt"), T(dir + "moved.txt"))));
    EXPECT_FALSE(exists(dir + "src.txt"));
    EXPECT_EQ(read_file(dir + "moved.txt"), "new");

    EXPECT_TRUE(as_bool(call_command(file_exists, 1, T(dir + "mov*.t?t"))));
    EXPECT_TRUE(as_bool(call_command(create_directory, 1, T(dir + "sub"))));
    EXPECT_FALSE(as_bool(call_command(create_directory, 1, T(dir + "no\\such\\levels"))));  // one level only
    EXPECT_TRUE(as_bool(call_command(file_exists, 1, T(dir + "sub"))));  // directories count
    EXPECT_TRUE(as_bool(call_command(delete_file, 1, T(dir + "moved.txt"))));
    EXPECT_FALSE(as_bool(call_command(file_exists, 1, T(dir + "moved.txt"))));
    EXPECT_FALSE(as_bool(call_command(delete_file, 1, T(dir + "moved.txt"))));
}

TEST(FileNames, SetAttributesKeepsOnlyTheSettableBits) {
    std::string path = scratch_dir("attributes") + "f.txt";
    write_bytes(path, "x");
    // hidden + temporary + offline + a high bit: only hidden may arrive
    EXPECT_TRUE(as_bool(call_command(set_file_attributes, 2, T(path), I(0x40001102))));
    DWORD a = GetFileAttributesA(path.c_str());
    EXPECT_EQ(a & 0x02u, 0x02u);
    EXPECT_EQ(a & ~0x27u, 0u) << std::hex << a;
    EXPECT_TRUE(as_bool(call_command(set_file_attributes, 2, T(path), I(0x101))));  // read-only, not temporary
    a = GetFileAttributesA(path.c_str());
    EXPECT_EQ(a & 0x101u, 0x01u) << std::hex << a;
    EXPECT_FALSE(as_bool(call_command(set_file_attributes, 2, T(path + ".missing"), I(1))));
}

TEST(FileNames, SizeAndTime) {
    std::string dir = scratch_dir("size");
    std::string big = dir + "big.bin";
    HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LONG high = 0;
    SetFilePointer(h, static_cast<LONG>(0xC0000000u), &high, FILE_BEGIN);  // 3 GiB, sparse
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
    EXPECT_EQ(value_as_int(call_command(get_file_size, 1, T(big))), static_cast<int32_t>(0xC0000000u));
    EXPECT_LT(value_as_int(call_command(get_file_size, 1, T(big))), 0);
    write_bytes(dir + "small.txt", "12345");
    EXPECT_EQ(value_as_int(call_command(get_file_size, 1, T(dir + "small.txt"))), 5);
    EXPECT_EQ(value_as_int(call_command(get_file_size, 1, T(dir + "missing"))), -1);

    EXPECT_EQ(value_as_double(call_command(get_file_time, 1, T(dir + "missing"))), -657434.0);
    // A file just written carries the current local time (checked against the system's own conversion).
    SYSTEMTIME now;
    GetLocalTime(&now);
    double expected;
    ASSERT_TRUE(SystemTimeToVariantTime(&now, &expected));
    EXPECT_NEAR(value_as_double(call_command(get_file_time, 1, T(dir + "small.txt"))), expected, 3.0 / 1440);
}

// --- Open files ------------------------------------------------------------------------------------------------

struct FileNumber {
    int32_t number;
    explicit FileNumber(int32_t n) : number(n) {}
    ~FileNumber() { call_command(close_file, 1, I(number)); }
    Value arg() const { return I(number); }
};
int32_t open_number(const std::string& path, Value access = value_omitted(), Value share = value_omitted()) {
    return value_as_int(call_command(open_file, 3, T(path), access, share));
}

TEST(OpenFiles, ArgumentChecksAccessAndShareModes) {
    std::string dir = scratch_dir("open");
    std::string path = dir + "f.txt";
    write_bytes(path, "hello\n");
    EXPECT_EQ(open_number(path, I(3), I(5)), 0);
    EXPECT_EQ(open_number(path, I(0)), 0);
    EXPECT_EQ(open_number(path, I(7)), 0);
    EXPECT_EQ(open_number(""), 0);
    EXPECT_EQ(open_number(dir + "missing", I(1)), 0);  // modes 1..3 need an existing file
    EXPECT_FALSE(exists(dir + "missing"));

    {
        FileNumber others_may_not_write(open_number(path, I(3), I(3)));
        ASSERT_NE(others_may_not_write.number, 0);
        FileNumber reader(open_number(path, I(1), I(1)));
        EXPECT_NE(reader.number, 0);
        EXPECT_EQ(open_number(path, I(2), I(1)), 0);
    }
    {
        FileNumber exclusive(open_number(path, I(1), I(4)));
        ASSERT_NE(exclusive.number, 0);
        EXPECT_EQ(open_number(path, I(1), I(1)), 0);
    }
    { FileNumber keep(open_number(path, I(5))); }  // created if missing, never truncated
    EXPECT_EQ(read_file(path), "hello\n");
    { FileNumber created(open_number(dir + "new.txt", I(6))); }
    EXPECT_TRUE(exists(dir + "new.txt"));
    { FileNumber truncating(open_number(path, I(4))); }
    EXPECT_EQ(read_file(path), "");
}

TEST(OpenFiles, UnknownNumbersAreNeverTouched) {
    int32_t numbers[] = {0, 0x10, -1, 0x7FFF0000};
    for (int32_t n : numbers) {
        EXPECT_EQ(call_command(read_line, 1, I(n)).lo, 0u);
        EXPECT_TRUE(as_bool(call_command(at_end_of_file, 2, I(n), value_bool(true))));
        EXPECT_FALSE(as_bool(call_command(seek_file_start, 1, I(n))));
        call_command(close_file, 1, I(n));
    }
    std::string path = scratch_dir("unknown") + "f.txt";
    write_bytes(path, "a\n");
    int32_t closed = open_number(path);
    ASSERT_NE(closed, 0);
    call_command(close_file, 1, I(closed));
    EXPECT_EQ(call_command(read_line, 1, I(closed)).lo, 0u);  // a closed number is unknown
    EXPECT_TRUE(as_bool(call_command(at_end_of_file, 1, I(closed))));
    call_command(close_file, 1, I(closed));  // closing twice is harmless
}

// Reads every line until at_end_of_file (without the marker flag); at most `limit` lines.
std::vector<std::string> read_lines(const FileNumber& f, int limit = 10) {
    std::vector<std::string> lines;
    while (!as_bool(call_command(at_end_of_file, 1, f.arg())) && limit-- > 0)
        lines.push_back(take_text(call_command(read_line, 1, f.arg())));
    return lines;
}

TEST(ReadLine, LineEndsChunksAndTwoByteCharacters) {
    std::string dir = scratch_dir("lines");
    struct Case {
        std::string content;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\r\r\n\n\r", {"a\r", "", ""}},           // one CR is dropped; a lone CR line is empty
        {std::string(600, 'x') + "\nz", {std::string(600, 'x'), "z"}},
        // A lead byte as byte 512 forms a character with the LF that starts the next chunk.
        {std::string(511, 'x') + "\xB0\nyz\nnext", {std::string(511, 'x') + "\xB0\nyz", "next"}},
        {std::string(511, 'x') + "\xB0", {std::string(511, 'x') + "\xB0"}},  // lead byte last in the file
        {"ab\xB0", {"ab\xB0"}},
        {"\xD6\xD0\xCE\xC4\r\n\xB0\x0A\n", {"\xD6\xD0\xCE\xC4", "\xB0\n"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string path = dir + std::to_string(n++) + ".txt";
        write_bytes(path, c.content);
        FileNumber f(open_number(path, I(1)));
        ASSERT_NE(f.number, 0);
        EXPECT_EQ(read_lines(f), c.lines) << path;
        EXPECT_EQ(call_command(read_line, 1, f.arg()).lo, 0u) << "at the end: the empty text";
    }
}

TEST(ReadLine, EndOfFileAndSeek) {
    std::string path = scratch_dir("eof") + "f.txt";
    write_bytes(path, "a\r\nb");
    FileNumber f(open_number(path, I(1)));
    EXPECT_FALSE(as_bool(call_command(at_end_of_file, 1, f.arg())));
    EXPECT_EQ(take_text(call_command(read_line, 1, f.arg())), "a");
    EXPECT_FALSE(as_bool(call_command(at_end_of_file, 1, f.arg())));
    EXPECT_EQ(take_text(call_command(read_line, 1, f.arg())), "b");
    EXPECT_TRUE(as_bool(call_command(at_end_of_file, 1, f.arg())));
    EXPECT_TRUE(as_bool(call_command(seek_file_start, 1, f.arg())));
    EXPECT_EQ(take_text(call_command(read_line, 1, f.arg())), "a");
}

// 0x00 and Ctrl-Z end a line without being consumed: the next read answers the empty text at the same place,
// and only at_end_of_file with the marker flag calls that the end.
TEST(ReadLine, ZeroAndCtrlZAreNotConsumed) {
    std::string dir = scratch_dir("markers");
    for (char marker : {'\0', '\x1A'}) {
        std::string path = dir + (marker ? "z.txt" : "0.txt");
        write_bytes(path, std::string("ab") + marker + "cd\n");
        FileNumber f(open_number(path, I(1)));
        EXPECT_EQ(take_text(call_command(read_line, 1, f.arg())), "ab");
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(call_command(read_line, 1, f.arg()).lo, 0u);
            EXPECT_FALSE(as_bool(call_command(at_end_of_file, 1, f.arg())));
            EXPECT_TRUE(as_bool(call_command(at_end_of_file, 2, f.arg(), value_bool(true))));
        }
        EXPECT_TRUE(as_bool(call_command(seek_file_start, 1, f.arg())));
        EXPECT_FALSE(as_bool(call_command(at_end_of_file, 2, f.arg(), value_bool(true))));  // position restored
        EXPECT_EQ(take_text(call_command(read_line, 1, f.arg())), "ab");
    }
}

// The chosen rule: a lead byte followed by a real 0x00 stands alone; the 0x00 ends the line as any 0x00 does.
TEST(ReadLine, LeadByteBeforeZeroEndsTheLine) {
    std::string dir = scratch_dir("leadzero");
    struct Case {
        std::string content;
        std::string first;
    } cases[] = {
        {std::string("a\xB0\0b\n", 5), "a\xB0"},
        {std::string(511, 'x') + std::string("\xB0\0b", 3), std::string(511, 'x') + "\xB0"},  // across chunks
        {std::string("\xB0\0", 2), "\xB0"},
    };
    for (const Case& c : cases) {
        std::string path = dir + "f.bin";
        write_bytes(path, c.content);
        FileNumber f(open_number(path, I(1)));
        EXPECT_EQ(take_text(call_command(read_line, 1, f.arg())), c.first);
        EXPECT_EQ(call_command(read_line, 1, f.arg()).lo, 0u);  // still on the 0x00
        EXPECT_TRUE(as_bool(call_command(at_end_of_file, 2, f.arg(), value_bool(true))));
    }
}

TEST(ReadLine, ReadErrorMovesToTheEnd) {
    std::string path = scratch_dir("readerror") + "f.txt";
    write_bytes(path, "abc\n");
    FileNumber write_only(open_number(path, I(5)));
    ASSERT_NE(write_only.number, 0);
    EXPECT_EQ(call_command(read_line, 1, write_only.arg()).lo, 0u);
    EXPECT_TRUE(as_bool(call_command(at_end_of_file, 1, write_only.arg())));
}

// --- Directory search ------------------------------------------------------------------------------------------

// Every name that a search with the given filter yields, continuing until the end.
std::set<std::string> search(const std::string& pattern, int32_t attributes, int32_t omitted) {
    std::set<std::string> names;
    void* handle = nullptr;
    char* name = reinterpret_cast<char*>(run_internal(0, pattern.c_str(), attributes, omitted, &handle));
    for (int guard = 0; name && guard < 100; ++guard) {
        names.insert(name);
        free_block(name);
        name = reinterpret_cast<char*>(run_internal(0, static_cast<const char*>(nullptr), attributes, omitted, &handle));
    }
    EXPECT_EQ(handle, nullptr) << "the handle is closed and cleared when the search runs out";
    EXPECT_EQ(find_file(nullptr, attributes, omitted, &handle), nullptr);  // nothing to continue
    return names;
}

TEST(FindFile, FiltersContinuationAndEnd) {
    std::string dir = scratch_dir("find");
    ASSERT_TRUE(CreateDirectoryA((dir + "folder").c_str(), nullptr));
    write_bytes(dir + "hidden.txt", "h");
    write_bytes(dir + "readonly.txt", "r");
    write_bytes(dir + "plain.txt", "p");
    ASSERT_TRUE(SetFileAttributesA((dir + "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesA((dir + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    std::string all = dir + "*";

    std::set<std::string> files = {"hidden.txt", "readonly.txt", "plain.txt"};
    EXPECT_EQ(search(all, 0, 1), files);                 // attributes omitted: never a directory
    EXPECT_EQ(search(all, 0x10 | 0x02, 1), files);       // ... whatever the attributes say
    std::set<std::string> folders = search(all, 0x10, 0);
    EXPECT_EQ(folders.count("folder"), 1u);
    for (const std::string& f : files) EXPECT_EQ(folders.count(f), 0u) << f;
    EXPECT_EQ(search(all, 0x02, 0), std::set<std::string>{"hidden.txt"});
    EXPECT_EQ(search(all, 0x01, 0), std::set<std::string>{"readonly.txt"});
    EXPECT_EQ(search(all, 0x40, 0), std::set<std::string>{});  // masked to 0: attribute word exactly 0 only
    EXPECT_EQ(search(dir + "*.none", 0, 1), std::set<std::string>{});

    // A new pattern replaces a search in progress; end_find_file closes a live handle.
    void* handle = nullptr;
    Text first(find_file(all.c_str(), 0, 1, &handle));
    EXPECT_FALSE(first.empty());
    ASSERT_NE(handle, nullptr);
    Text restarted(find_file((dir + "plain.*").c_str(), 0, 1, &handle));
    EXPECT_STREQ(restarted.c_str(), "plain.txt");
    EXPECT_EQ(find_file("", 0, 1, &handle), nullptr);
    EXPECT_EQ(handle, nullptr);
    Text again(find_file(all.c_str(), 0, 1, &handle));
    ASSERT_NE(handle, nullptr);
    run_internal(1, handle);
    run_internal(1, static_cast<void*>(nullptr));
}

// A walk that sorts one listing itself: every entry that the listing gives, in its order, with its attributes
// and the short name that patterns are matched against too.
TEST(FindEntry, EveryEntryInTheListingsOrderWithAttributesAndShortName) {
    std::string dir = scratch_dir("find_entry");
    ASSERT_TRUE(CreateDirectoryA((dir + "folder").c_str(), nullptr));
    write_bytes(dir + "copy.ghost", "g");
    write_bytes(dir + "plain.txt", "p");
    std::vector<std::string> expected;
    WIN32_FIND_DATAA e;
    HANDLE h = FindFirstFileA((dir + "*.*").c_str(), &e);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do {
        expected.push_back(e.cFileName);
    } while (FindNextFileA(h, &e));
    FindClose(h);

    std::vector<std::string> names;
    void* handle = nullptr;
    FoundEntry found;
    for (Text name(find_entry((dir + "*.*").c_str(), &handle, &found)); !name.empty();
         name.reset(find_entry("", &handle, &found))) {
        names.push_back(name.c_str());
        SCOPED_TRACE(names.back());
        EXPECT_EQ(found.attributes, GetFileAttributesA((dir + names.back()).c_str()));
        WIN32_FIND_DATAA one;
        HANDLE single = FindFirstFileA((dir + names.back()).c_str(), &one);
        ASSERT_NE(single, INVALID_HANDLE_VALUE);
        FindClose(single);
        if (names.back() != "." && names.back() != "..") {
            EXPECT_STREQ(found.short_name, one.cAlternateFileName);
        }
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(handle, nullptr) << "the handle is closed and cleared when the listing runs out";
    EXPECT_EQ(find_entry(nullptr, &handle, &found), nullptr);
    EXPECT_EQ(find_entry((dir + "*.none").c_str(), &handle, &found), nullptr);
}

// --- Disks -----------------------------------------------------------------------------------------------------

int32_t disk_kb(CommandFn cmd, const char* drive) {
    return value_as_int(drive ? call_command(cmd, 1, value_text(drive)) : call_command(cmd, 0));
}

TEST(Disks, DriveArgumentForms) {
    ULARGE_INTEGER available, total, free_bytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free_bytes));
    const int32_t total_kb = static_cast<int32_t>(total.QuadPart >> 10);
    const int32_t free_kb = static_cast<int32_t>(available.QuadPart >> 10);

    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    for (const char* drive : {"c", "C:\\", "cdef", "1", "", static_cast<const char*>(nullptr)}) {
        const char* name = drive ? drive : "(omitted)";
        EXPECT_EQ(disk_kb(disk_total_kb, drive), total_kb) << name;
        EXPECT_NEAR(disk_kb(disk_free_kb, drive), free_kb, 4096) << name;  // other writers may move it a little
    }
    // An unmapped letter: both forms fail alike.
    EXPECT_EQ(disk_kb(disk_free_kb, "d"), -1);
    EXPECT_EQ(disk_kb(disk_free_kb, "D:\\"), -1);
    EXPECT_EQ(disk_kb(disk_total_kb, "d"), -1);
    // A digit follows the current drive.
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\"));
    EXPECT_EQ(disk_kb(disk_total_kb, "9"), disk_kb(disk_total_kb, "z"));
    SetCurrentDirectoryA(saved);
}

// --- Processes and the system ----------------------------------------------------------------------------------

bool wait_for(const std::string& path, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (exists(path)) return true;
        Sleep(100);
    }
    return false;
}

TEST(RunProgram, EmptyWaitAndNoWait) {
    EXPECT_FALSE(as_bool(call_command(run_program, 1, T(""))));
    EXPECT_FALSE(as_bool(call_command(run_program, 2, T("no_such_program_here.exe"), value_bool(true))));
    EXPECT_TRUE(as_bool(call_command(run_program, 2, T("cmd /c exit"), value_bool(true))));

    std::string dir = scratch_dir("run");
    // Waiting: the program's work is done when the command returns.
    EXPECT_TRUE(as_bool(call_command(run_program, 3, T("cmd /c mkdir \"" + dir + "waited\""), value_bool(true), I(1))));
    EXPECT_TRUE(exists(dir + "waited"));
    // Not waiting (show mode out of range is clamped): the program still runs.
    EXPECT_TRUE(as_bool(call_command(run_program, 3, T("cmd /c mkdir \"" + dir + "later\""), value_bool(false), I(42))));
    EXPECT_TRUE(wait_for(dir + "later", 30));
}

// The shut-down privilege's state in this process's token.
DWORD shutdown_privilege_state() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 0xFFFFFFFF;
    LUID luid;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &luid);
    char buffer[4096];
    DWORD size = 0;
    DWORD state = 0xFFFFFFFE;
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size)) {
        auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer);
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i)
            if (privileges->Privileges[i].Luid.LowPart == luid.LowPart &&
                privileges->Privileges[i].Luid.HighPart == luid.HighPart)
                state = privileges->Privileges[i].Attributes;
    }
    CloseHandle(token);
    return state;
}

TEST(System, ShutDownRejectsModesOutsideOneToFive) {
    DWORD before = shutdown_privilege_state();
    for (int32_t mode : {0, 6, -1}) {
        EXPECT_FALSE(as_bool(call_library_command(shut_down_system, 2, 1, I(mode)))) << mode;
        EXPECT_FALSE(as_bool(call_library_command(shut_down_system, 2, 2, I(mode), value_bool(true)))) << mode;
    }
    EXPECT_FALSE(as_bool(call_library_command(shut_down_system, 2, 0)));
    EXPECT_EQ(shutdown_privilege_state(), before) << "privileges untouched";
}
}  // namespace
