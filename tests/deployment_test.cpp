// Payload deployment: the skin library beside the program and the start-up skin, the custom DOS imaging
// program, and the Windows imaging program on E:.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "app/app.h"
#include "forms/form_store.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
// The program "runs" from a scratch folder: that folder is where the skin library goes.
std::string run_from(const char* name) {
    set_constant_pool(constant_area(), kConstantAreaSize);
    std::string dir = scratch_dir(name);
    set_program_path((dir + "Quenvarghost.exe").c_str());
    return dir;
}

// The program's face colour, read afresh at each call (the skin library redirects the import).
__attribute__((noinline)) COLORREF face_colour() { return GetSysColor(COLOR_BTNFACE); }

// The program's own DLL commands (the skin library's entry first).
void useProgramDllCommands() {
    const ProgramHeader& h = programHeader();
    set_dll_commands(h.dll_command_count, h.dll_library_names, h.dll_function_names);
}

TEST(SkinLibraryDeployment, WrittenHiddenWhenAbsent) {
    std::string dir = run_from("absent");
    deploySkinLibrary();
    std::string path = dir + "SkinH_EL.dll";
    EXPECT_TRUE(read_file(path) == payload(bin::skin_library()));
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
}

// The carried library in place is left alone with its attributes; a damaged one (a write cut short) is
// replaced, and the temporary file of a write cut short earlier goes.
TEST(SkinLibraryDeployment, OnlyTheCarriedLibraryIsLeftAlone) {
    const std::string carried = payload(bin::skin_library());
    struct Case {
        const char* name;
        std::string present;  // empty: no library
        DWORD attributes;
        bool replaced;
    } cases[] = {{"carried_plain", carried, FILE_ATTRIBUTE_ARCHIVE, false},
                 {"carried_hidden_system", carried, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, false},
                 {"truncated", carried.substr(0, 4096), FILE_ATTRIBUTE_HIDDEN, true},
                 {"another_library", "another library", FILE_ATTRIBUTE_ARCHIVE, true},
                 {"only_a_cut_short_write", "", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = run_from(c.name), path = dir + "SkinH_EL.dll", partial = path + ".new";
        write_bytes(partial, carried.substr(0, 100));
        if (!c.present.empty()) {
            write_bytes(path, c.present);
            SetFileAttributesA(path.c_str(), c.attributes);
        }
        DWORD before = GetFileAttributesA(path.c_str());
        deploySkinLibrary();
        EXPECT_TRUE(read_file(path) == carried);
        if (c.replaced)
            EXPECT_EQ(GetFileAttributesA(path.c_str()) & ~FILE_ATTRIBUTE_ARCHIVE, DWORD(FILE_ATTRIBUTE_HIDDEN));
        else
            EXPECT_EQ(GetFileAttributesA(path.c_str()), before);
        EXPECT_EQ(c.replaced, !exists(partial.c_str()));  // a library left alone needs no writing at all
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Start-up's skin step: deploy, then DLL command 0 with skin 10. The skin library redirects the program's
// system face colour to the skin's window colour, which shows that the call went through; the child tells
// whether it did.
void applySkinAndTell() {
    useProgramDllCommands();
    COLORREF face = face_colour();
    applySkin();
    child_write("returned\n");
    COLORREF now = face_colour();
    child_write(now == face ? "not skinned\n" : now == 0xF4E3D4 ? "skinned\n" : "another colour\n");
}
CHILD_SCENARIO(apply_skin) {
    run_from("apply");
    applySkinAndTell();
}
// A program folder that cannot take the library.
CHILD_SCENARIO(apply_skin_without_library) {
    set_constant_pool(constant_area(), kConstantAreaSize);
    set_program_path((scratch_dir("nolib") + "missing\\Quenvarghost.exe").c_str());
    applySkinAndTell();
}
// A damaged library that cannot be replaced (read-only) cannot be loaded.
CHILD_SCENARIO(apply_skin_with_damaged_library) {
    std::string path = run_from("damaged") + "SkinH_EL.dll";
    write_bytes(path, payload(bin::skin_library()).substr(0, 4096));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    applySkinAndTell();
}

// The skin is applied through the DLL command (a stack imbalance would end the program with error 6); without a
// usable library there is no skin, and start-up goes on.
TEST(StartUpSkin, AppliedThroughTheDllCommandOrStartUpGoesOnWithout) {
    const struct {
        const char* scenario;
        const char* told;
    } cases[] = {{"apply_skin", "returned\nskinned\n"},
                 {"apply_skin_without_library", "returned\nnot skinned\n"},
                 {"apply_skin_with_damaged_library", "returned\nnot skinned\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scenario);
        ChildResult r = run_child(c.scenario);
        EXPECT_EQ(r.exit_code, 0u);
        EXPECT_EQ(r.output, c.told);
    }
}

TEST(CustomGhost, PathMustContainGhostExeIgnoringCase) {
    struct Case {
        const char* path;
        bool custom;
    } cases[] = {
        {"D:\\tools\\GHOST.EXE", true},
        {"D:\\tools\\ghost.exe", true},
        {"D:\\tools\\Ghost.Exe", true},
        {"D:\\ghost.exe backup\\gh11.exe", true},  // only containment counts
        {"D:\\tools\\gh11.exe", false},
        {"D:\\tools\\ghost32.exe", false},
        {"D:\\tools\\ghost.ex", false},
        {"", false},
    };
    set_constant_pool(constant_area(), kConstantAreaSize);
    for (const Case& c : cases) EXPECT_EQ(usesCustomGhost(c.path), c.custom) << c.path;
}

// --- Routines that read the main window's units: the window is loaded with handlers that do nothing.

bool ignore_event(const int32_t*, int32_t, int32_t*) { return false; }
constexpr int kHandlerCount = 0
#define HANDLER(name) +1
#include "forms/handlers.inc"
#undef HANDLER
    ;
const HandlerFn* handler_table() {
    static HandlerFn table[kHandlerCount + 1];
    for (int i = 0; i < kHandlerCount; ++i) table[i] = ignore_event;
    return table;
}
// The program's header with every event handler replaced by one that does nothing.
ProgramHeader headerIgnoringEvents() {
    ProgramHeader h = programHeader();
    h.code_base = handler_table();
    return h;
}
const ProgramHeader kHeader = headerIgnoringEvents();

namespace mw = main_window;
constexpr int32_t kChecked = 18, kContent = 8;
const char kGhostExe[] = "C:\\ghost.exe";
const char kGhost32[] = "E:\\Ghost32.exe";

class MainWindowDeployment : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wait_for_desktop();
        run_internal(6, &kHeader);
    }
    void SetUp() override {
        ASSERT_EQ(load_form_window(mw::kWindow, nullptr, false), 0);
        saved_ghost_ = read_file(kGhostExe);
        had_ghost_ = GetFileAttributesA(kGhostExe) != INVALID_FILE_ATTRIBUTES;
    }
    void TearDown() override {
        close_all_form_windows();
        process_pending_messages();
        if (had_ghost_)
            write_bytes(kGhostExe, saved_ghost_);
        else
            DeleteFileA(kGhostExe);
    }
    static void setChecked(uint32_t unit, bool on) { set_property(mw::kWindow, unit, kChecked, -1, on ? 1 : 0, 0); }
    static void setCustomPath(const std::string& path) {
        set_property(mw::kWindow, mw::编辑框2, kContent, -1,
                     static_cast<uint32_t>(reinterpret_cast<uintptr_t>(path.c_str())), 0);
    }

private:
    std::string saved_ghost_;
    bool had_ghost_ = false;
};

TEST_F(MainWindowDeployment, BootSetGoesToTheRootOfC) {
    setChecked(mw::自定义选择框, false);
    deployBootLoader();
    deployDosGhost();
    deployFloppyImage();
    EXPECT_TRUE(read_file("C:\\grldr") == payload(bin::boot_loader()));
    EXPECT_TRUE(read_file(kGhostExe) == payload(bin::dos_ghost()));
    EXPECT_TRUE(read_file("C:\\Qelo.img") == payload(bin::floppy_image()));
    DeleteFileA("C:\\grldr");
    DeleteFileA("C:\\Qelo.img");
}

TEST_F(MainWindowDeployment, CustomGhostIsCopiedWhenItsPathNamesGhostExe) {
    std::string dir = scratch_dir("custom");
    CreateDirectoryA((dir + "my ghost.exe tools").c_str(), nullptr);
    write_bytes(dir + "GHOST.EXE", "custom in capitals");
    write_bytes(dir + "gh11.exe", "custom gh11");
    write_bytes(dir + "my ghost.exe tools\\gh11.exe", "custom in a ghost.exe folder");
    struct Case {
        const char* name;
        bool custom_checked;
        std::string path;
        std::string expected;
    } cases[] = {
        {"capitals", true, dir + "GHOST.EXE", "custom in capitals"},
        {"gh11", true, dir + "gh11.exe", payload(bin::dos_ghost())},
        {"folder name", true, dir + "my ghost.exe tools\\gh11.exe", "custom in a ghost.exe folder"},
        {"check box off", false, dir + "GHOST.EXE", payload(bin::dos_ghost())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_bytes(kGhostExe, "before");
        setChecked(mw::自定义选择框, c.custom_checked);
        setCustomPath(c.path);
        deployDosGhost();
        EXPECT_TRUE(read_file(kGhostExe) == c.expected);
    }
}

TEST_F(MainWindowDeployment, MissingCustomGhostLeavesCGhostExeAsItWas) {
    std::string missing = scratch_dir("missing") + "ghost.exe";
    setChecked(mw::自定义选择框, true);
    setCustomPath(missing);
    write_bytes(kGhostExe, "left from before");
    deployDosGhost();
    EXPECT_EQ(read_file(kGhostExe), "left from before");
    DeleteFileA(kGhostExe);
    deployDosGhost();
    EXPECT_EQ(GetFileAttributesA(kGhostExe), INVALID_FILE_ATTRIBUTES);  // the carried one is not written instead
}

// E: is mapped by the test's wrapper (tests/with_drive_e.sh).
TEST_F(MainWindowDeployment, Ghost32IsWrittenAndStartedWhenCheckedAndDeletedWhenUnchecked) {
    ASSERT_NE(GetFileAttributesA("E:\\"), INVALID_FILE_ATTRIBUTES) << "drive E: is not mapped";
    // Unchecking deletes it even when it was never started in this process.
    write_bytes(kGhost32, "an earlier Ghost32");
    setChecked(mw::G选择框, false);
    onGhost32Clicked();
    EXPECT_EQ(GetFileAttributesA(kGhost32), INVALID_FILE_ATTRIBUTES);

    setChecked(mw::G选择框, true);
    onGhost32Clicked();
    EXPECT_TRUE(read_file(kGhost32) == payload(bin::windows_ghost()));
    // The carried program (here the stand-in) is running: its window comes up; close it.
    HWND started = nullptr;
    for (int i = 0; i < 300 && !started; ++i, Sleep(100)) started = FindWindowA("QgGhost32StandIn", nullptr);
    EXPECT_NE(started, nullptr);
    if (started) {
        DWORD pid = 0;
        GetWindowThreadProcessId(started, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        PostMessageA(started, WM_CLOSE, 0, 0);
        if (process) {
            WaitForSingleObject(process, 20000);
            CloseHandle(process);
        }
    }
    setChecked(mw::G选择框, false);
    onGhost32Clicked();
    EXPECT_EQ(GetFileAttributesA(kGhost32), INVALID_FILE_ATTRIBUTES);
}
}  // namespace
