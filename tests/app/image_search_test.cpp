// The image search through the real main window, in a prefix of its own (see search_drives.sh): D:, E: and F:
// point at folders of the test, C: holds an image that must never be found. The window is loaded with the
// program's own header and handlers, so its start-up sequence runs; the test then works it as a user does,
// with clicks delivered to 高级 and 搜索按钮 as button messages.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "forms/form_store.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
using namespace main_window;

const char kSummaryTail[] = "个GHO文件\r\n请正确选择要还原的镜像！";

HWND control(uint32_t unit) { return live_unit(kWindow, unit)->hwnd; }
std::string caption(uint32_t unit) {
    char buf[256] = {0};
    GetWindowTextA(control(unit), buf, sizeof buf);
    return buf;
}
std::vector<std::string> listed() {
    std::vector<std::string> items;
    HWND list = control(列表框2);
    int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[MAX_PATH + 8] = {0};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        items.push_back(buf);
    }
    return items;
}
size_t position(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) - items.begin();
}

// A click on a button of the main window, handled before this returns (a click on 搜索按钮 returns when the
// search is over).
void click(uint32_t unit) { SendMessageA(control(unit), BM_CLICK, 0, 0); }
// A click that waits in the window's message queue: it is handled by the next window-event pump, which during
// a search is the next folder visit, as a user's click would be.
void clickLater(uint32_t unit) { PostMessageA(control(unit), BM_CLICK, 0, 0); }

// Once the list holds at least g_clickAfter entries and the search button reads "停止(&S)", a click on
// g_clickTarget is queued (once), as a user's click during the search; the search button's caption then is kept.
// The search lets events run once 20 ms have passed; the pause after the click stands for the search going on
// for a while (50 ms: at least 20 even where the system's tick is 15.6 ms), so the click comes half-way.
size_t g_clickAfter = 0;
uint32_t g_clickTarget = 搜索按钮;
std::string g_captionAtClick;
WNDPROC g_listProc;
LRESULT CALLBACK listProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    LRESULT r = CallWindowProcA(g_listProc, h, m, w, l);
    if (m == LB_ADDSTRING && g_clickAfter && g_captionAtClick.empty() &&
        SendMessageA(h, LB_GETCOUNT, 0, 0) >= static_cast<LRESULT>(g_clickAfter) && caption(搜索按钮) == "停止(&S)") {
        g_captionAtClick = caption(搜索按钮);
        clickLater(g_clickTarget);
        Sleep(50);
    }
    return r;
}

// A search that never ends is reported as a failure rather than left to the test run's time limit.
DWORD WINAPI watchdog(LPVOID) {
    Sleep(150000);
    std::fprintf(stderr, "the search did not end within 150 s (found %d, active %d)\n", foundCount, searchActive);
    std::fflush(stderr);
    ExitProcess(9);
}

// The start-up's partition probe fails in this prefix (search_drives.sh puts a folder in its script's place);
// its message is recorded instead of waiting for a user.
std::vector<std::string> g_messages;

bool alive(uint32_t window) {
    FormWindow* w = find_window(window);
    return w && w->hwnd && IsWindow(static_cast<HWND>(w->hwnd));
}

// Loads the main window (its start-up sequence runs) and, as a user would before a search, switches to the
// advanced layout, where the search and its results are.
void openMainWindow() {
    ASSERT_TRUE(value_as_bool(call_command(load_window, 1, value_unit(kWindow, self, kUnitWindow))));
    ASSERT_TRUE(alive(kWindow));
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control(列表框2), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc)));
    click(高级);
    ASSERT_EQ(caption(高级), "简洁(&A)");
    ASSERT_TRUE(IsWindowEnabled(control(搜索按钮)));
    ASSERT_EQ(caption(搜索按钮), "搜索(&S)");
}

class Search : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        started = true;
        wait_for_desktop();
        run_internal(6, &programHeader());
        report_fatal_errors_on_output();  // a fatal error ends the test on its output, without a message box
        record_message_boxes(&g_messages);
        // The program's folder, where the start-up writes the skin library, is one of the test's own.
        set_program_path((scratch_dir("search_program") + "Quenvarghost.exe").c_str());
        CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr);
    }
    void SetUp() override {
        g_clickAfter = 0;
        g_clickTarget = 搜索按钮;
        g_captionAtClick.clear();
        if (!alive(kWindow)) {
            ASSERT_NO_FATAL_FAILURE(openMainWindow());
        }
    }
    static std::string summary(int count) { return "本地磁盘共有" + std::to_string(count) + kSummaryTail; }
};

using SearchWithoutDrives = Search;
using Prompts = Search;

// The restart prompt's quit ends the program; its restart goes through the seam (a real one would end every
// process of the prefix). This program carries the build's stand-ins, so its restart only closes the prompt
// (the end-to-end test runs the restart of a build with outside products).
int g_restarts = 0;
bool recordRestart() {
    ++g_restarts;
    return true;
}
void pumpFor(DWORD ms) {
    for (DWORD end = GetTickCount() + ms; static_cast<int32_t>(end - GetTickCount()) > 0; Sleep(10))
        call_command(process_events, 0);
}

TEST_F(Prompts, RestartInABuildWithStandInsOnlyClosesThePromptQuitClosesBoth) {
    ASSERT_TRUE(bootSetCarriesStandIns());
    requestRestart = recordRestart;
    g_restarts = 0;
    for (bool restart : {true, false}) {
        SCOPED_TRACE(restart ? "restart" : "quit");
        ASSERT_TRUE(value_as_bool(
            call_command(load_window, 1, value_unit(restart_prompt::kWindow, restart_prompt::self, kUnitWindow))));
        restart ? restartNow() : quitAfterRun();
        pumpFor(500);
        EXPECT_EQ(g_restarts, 0);
        EXPECT_FALSE(alive(restart_prompt::kWindow));
        EXPECT_EQ(alive(kWindow), restart);
    }
}
using SearchOnDrives = Search;

TEST_F(SearchWithoutDrives, FindsNothingAndNeverLooksAtC) {
    ASSERT_EQ(GetFileAttributesA("C:\\c.gho") & FILE_ATTRIBUTE_DIRECTORY, 0u);  // the image on C: is there
    // The start-up went through (its probe failed, as this prefix wants) and left the hint showing.
    ASSERT_FALSE(g_messages.empty());
    for (const std::string& m : g_messages) EXPECT_EQ(m, "获取磁盘分区信息失败，请重启程序");
    EXPECT_TRUE(IsWindowVisible(control(标签8)));
    click(搜索按钮);
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(foundCount, 0);
    EXPECT_EQ(caption(文件标签), summary(0));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
    EXPECT_FALSE(IsWindowVisible(control(标签8)));
}

const std::vector<std::string> kAllImages = {
    "D:\\UP.GHO", "D:\\a\\x.gho", "D:\\a\\b\\y.gho", "D:\\x.gho\\w.gho", "E:\\Ghost\\G_WinXP.gho",
    "E:\\m\\z.gho", "E:\\m\\Mixed.GhO", "E:\\m\\copy.ghost", "E:\\m\\a\\i.gho", "E:\\m\\b\\j.gho",
    "E:\\hidden\\h.gho", "F:\\deep\\1\\2\\3\\f.gho"};

// The walk done with the file system's own matching, two listings per folder: the files that "*.gho" takes,
// then the folders of "*.*" that do not begin with ".", each walked in turn.
void fileSystemWalk(const std::string& folder, std::vector<std::string>* images) {
    WIN32_FIND_DATAA e;
    HANDLE h = FindFirstFileA((folder + "*.gho").c_str(), &e);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) images->push_back(folder + e.cFileName);
        } while (FindNextFileA(h, &e));
        FindClose(h);
    }
    h = FindFirstFileA((folder + "*.*").c_str(), &e);
    if (h == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> below;
    do {
        if ((e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && e.cFileName[0] != '.')
            below.push_back(folder + e.cFileName + "\\");
    } while (FindNextFileA(h, &e));
    FindClose(h);
    for (const std::string& f : below) fileSystemWalk(f, images);
}

TEST_F(SearchOnDrives, ListsEveryImageDepthFirstAndCountsThem) {
    ASSERT_TRUE(SetFileAttributesA("E:\\hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_EQ(GetFileAttributesA("E:\\hidden") & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    click(搜索按钮);
    std::vector<std::string> items = listed();
    std::vector<std::string> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> expected = kAllImages;
    std::sort(expected.begin(), expected.end());
    // Found: the upper-case D:\UP.GHO and the image inside the folder named x.gho. Not listed: that folder
    // itself, the image in the dot folder D:\.hide, the image on C:.
    EXPECT_EQ(sorted, expected);
    EXPECT_LT(position(items, "D:\\a\\x.gho"), position(items, "D:\\a\\b\\y.gho"));
    EXPECT_LT(position(items, "D:\\a\\b\\y.gho"), position(items, "E:\\Ghost\\G_WinXP.gho"));
    EXPECT_LT(position(items, "E:\\Ghost\\G_WinXP.gho"), position(items, "F:\\deep\\1\\2\\3\\f.gho"));
    // All images of a folder come before anything from its sub-folders, whatever their names.
    for (const char* image : {"E:\\m\\z.gho", "E:\\m\\Mixed.GhO", "E:\\m\\copy.ghost"})
        for (const char* below : {"E:\\m\\a\\i.gho", "E:\\m\\b\\j.gho"})
            EXPECT_LT(position(items, image), position(items, below)) << image << " " << below;
    const int total = static_cast<int>(kAllImages.size());
    EXPECT_EQ(foundCount, total);
    EXPECT_EQ(caption(文件标签), summary(total));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
    EXPECT_FALSE(IsWindowVisible(control(标签8)));

    click(搜索按钮);  // a new search starts from an empty list
    EXPECT_EQ(listed(), items);
}

// The search lists a folder once and sorts the entries itself; what it lists, and in which order, is what the
// file system's own matching of "*.gho" gives, 8.3 names included (copy.ghost is taken through its short
// name COPY~1.GHO or the like, as it is on Windows).
TEST_F(SearchOnDrives, ListsWhatTheFileSystemsOwnMatchingFindsInTheSameOrder) {
    std::vector<std::string> expected;
    for (const char* drive : {"D:\\", "E:\\", "F:\\"}) fileSystemWalk(drive, &expected);
    click(搜索按钮);
    EXPECT_EQ(listed(), expected);
    EXPECT_EQ(foundCount, static_cast<int32_t>(expected.size()));
}

// The user clicks the button again while it reads "停止(&S)": the images found so far stay and are counted.
TEST_F(SearchOnDrives, AStopHalfWayKeepsAndCountsWhatWasFound) {
    click(搜索按钮);
    const std::vector<std::string> full = listed();
    ASSERT_EQ(full.size(), kAllImages.size());

    g_clickAfter = 2;
    click(搜索按钮);
    ASSERT_EQ(g_captionAtClick, "停止(&S)");
    std::vector<std::string> items = listed();
    ASSERT_GE(items.size(), 2u);
    ASSERT_LT(items.size(), full.size());
    EXPECT_TRUE(std::equal(items.begin(), items.end(), full.begin()));
    EXPECT_EQ(foundCount, static_cast<int32_t>(items.size()));
    EXPECT_EQ(caption(文件标签), summary(static_cast<int>(items.size())));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
}

// A second click that comes before the caption turns (during the first folder visit) stops the search too,
// rather than starting a second search inside the first.
TEST_F(SearchOnDrives, AClickBeforeTheCaptionTurnsStopsTheSearch) {
    clickLater(搜索按钮);
    click(搜索按钮);
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(foundCount, 0);
    EXPECT_EQ(caption(文件标签), summary(0));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
}
// The user closes the window while the search runs (退出 clicked): the search ends without touching the
// closed window, so the program ends normally rather than with a runtime error.
TEST_F(SearchOnDrives, ExitDuringASearchEndsItQuietly) {
    g_clickAfter = 2;
    g_clickTarget = 退出;
    click(搜索按钮);
    ASSERT_EQ(g_captionAtClick, "停止(&S)");
    EXPECT_FALSE(alive(kWindow));
    EXPECT_GE(foundCount, 2);
    EXPECT_LT(foundCount, static_cast<int32_t>(kAllImages.size()));
}
}  // namespace
