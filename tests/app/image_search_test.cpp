// The image search over the drives of a prefix of its own (see search_drives.sh): D:, E: and F: point at
// folders of the test, C: holds an image that must never be found. The main window is loaded with the real
// form data; only the search button's click is bound, so no other start-up work runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "forms/form_store.h"
#include "forms/handler_binding.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/test_support.h"

extern const uint8_t form_data_block[];
extern const uint32_t form_data_block_size;

namespace {
using namespace main_window;

bool noHandler(const int32_t*, int32_t, int32_t*) { return false; }
const HandlerFn kHandlers[] = {
#define HANDLER(name) std::strcmp(#name, "onSearchClicked") == 0 ? &bound_handler<&onSearchClicked> : &noHandler,
#include "forms/handlers.inc"
#undef HANDLER
    nullptr,
};
const ProgramHeader kHeader = {3, 0, 0x000102EA, kHandlers, constant_area(), kConstantAreaSize, form_data_block,
                               form_data_block_size, 3, kSupportLibraries, 0, nullptr, nullptr};

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

// A click on the search button that arrives while a search runs: posted now, it reaches the handler in the
// window-event pump of the next folder visit, as a user's click would.
constexpr UINT kClickMessage = WM_APP + 7;
HWND g_clicker;
LRESULT CALLBACK clickerProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == kClickMessage) {
        onSearchClicked();
        return 0;
    }
    return DefWindowProcA(h, m, w, l);
}
void postClick() { PostMessageA(g_clicker, kClickMessage, 0, 0); }

// Posts the click once the list holds `after` entries.
size_t g_clickAfter = 0;
WNDPROC g_listProc;
LRESULT CALLBACK listProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    LRESULT r = CallWindowProcA(g_listProc, h, m, w, l);
    if (m == LB_ADDSTRING && g_clickAfter && SendMessageA(h, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(g_clickAfter))
        postClick();
    return r;
}

// A search that never ends is reported as a failure rather than left to the test run's time limit.
DWORD WINAPI watchdog(LPVOID) {
    Sleep(150000);
    std::fprintf(stderr, "the search did not end within 150 s (found %d, active %d)\n", foundCount, searchActive);
    std::fflush(stderr);
    ExitProcess(9);
}

// The first window of a freshly started prefix may fail to be created while the prefix's desktop is still
// starting up under the emulated test machine: try for a while.
bool loadMainWindow() {
    for (int i = 0; i < 20; ++i) {
        if (value_as_bool(call_command(load_window, 1, value_unit(kWindow, self, kUnitWindow)))) return true;
        Sleep(500);
    }
    return false;
}

bool alive(uint32_t window) {
    FormWindow* w = find_window(window);
    return w && w->hwnd && IsWindow(static_cast<HWND>(w->hwnd));
}

class Search : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        started = true;
        run_internal(6, &kHeader);
        WNDCLASSA wc{};
        wc.lpfnWndProc = clickerProc;
        wc.lpszClassName = "QgSearchClicker";
        RegisterClassA(&wc);
        g_clicker = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr);
    }
    void SetUp() override {
        g_clickAfter = 0;
        if (alive(kWindow)) return;
        ASSERT_TRUE(loadMainWindow());
        g_listProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control(列表框2), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc)));
    }
    static std::string summary(int count) { return "本地磁盘共有" + std::to_string(count) + kSummaryTail; }
};

using SearchWithoutDrives = Search;
using Prompts = Search;

// The restart prompt's buttons end the program; the restart itself goes through the seam (a real one would
// end every process of the prefix).
int g_restarts = 0;
bool recordRestart() {
    ++g_restarts;
    return true;
}
void pumpFor(DWORD ms) {
    for (DWORD end = GetTickCount() + ms; static_cast<int32_t>(end - GetTickCount()) > 0; Sleep(10))
        call_command(process_events, 0);
}

TEST_F(Prompts, RestartAsksForARestartAndClosesBothWindowsQuitOnlyCloses) {
    requestRestart = recordRestart;
    for (bool restart : {true, false}) {
        SCOPED_TRACE(restart ? "restart" : "quit");
        g_restarts = 0;
        if (!alive(kWindow)) {  // closed by the first round
            ASSERT_TRUE(loadMainWindow());
        }
        ASSERT_TRUE(value_as_bool(
            call_command(load_window, 1, value_unit(restart_prompt::kWindow, restart_prompt::self, kUnitWindow))));
        restart ? restartNow() : quitAfterRun();
        pumpFor(500);
        EXPECT_EQ(g_restarts, restart ? 1 : 0);
        EXPECT_FALSE(alive(restart_prompt::kWindow));
        EXPECT_FALSE(alive(kWindow));
    }
}
using SearchOnDrives = Search;

TEST_F(SearchWithoutDrives, FindsNothingAndNeverLooksAtC) {
    ASSERT_EQ(GetFileAttributesA("C:\\c.gho") & FILE_ATTRIBUTE_DIRECTORY, 0u);  // the image on C: is there
    onSearchClicked();
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(foundCount, 0);
    EXPECT_EQ(caption(文件标签), summary(0));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
}

const std::vector<std::string> kAllImages = {
    "D:\\UP.GHO", "D:\\a\\x.gho", "D:\\a\\b\\y.gho", "D:\\x.gho\\w.gho", "E:\\Ghost\\G_WinXP.gho",
    "F:\\deep\\1\\2\\3\\f.gho"};

TEST_F(SearchOnDrives, ListsEveryImageDepthFirstAndCountsThem) {
    onSearchClicked();
    std::vector<std::string> items = listed();
    std::vector<std::string> sorted = items;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> expected = kAllImages;
    std::sort(expected.begin(), expected.end());
    // Not listed: the folder named x.gho, the image in the dot folder, the image on C:.
    EXPECT_EQ(sorted, expected);
    EXPECT_LT(position(items, "D:\\a\\x.gho"), position(items, "D:\\a\\b\\y.gho"));
    EXPECT_LT(position(items, "D:\\a\\b\\y.gho"), position(items, "E:\\Ghost\\G_WinXP.gho"));
    EXPECT_LT(position(items, "E:\\Ghost\\G_WinXP.gho"), position(items, "F:\\deep\\1\\2\\3\\f.gho"));
    EXPECT_EQ(foundCount, 6);
    EXPECT_EQ(caption(文件标签), summary(6));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
    EXPECT_FALSE(IsWindowVisible(control(标签8)));

    onSearchClicked();  // a new search starts from an empty list
    EXPECT_EQ(listed(), items);
}

TEST_F(SearchOnDrives, AStopHalfWayKeepsAndCountsWhatWasFound) {
    onSearchClicked();
    const std::vector<std::string> full = listed();
    ASSERT_EQ(full.size(), kAllImages.size());

    g_clickAfter = 2;
    onSearchClicked();
    std::vector<std::string> items = listed();
    ASSERT_GE(items.size(), 2u);
    ASSERT_LT(items.size(), full.size());
    EXPECT_TRUE(std::equal(items.begin(), items.end(), full.begin()));
    EXPECT_EQ(foundCount, static_cast<int32_t>(items.size()));
    EXPECT_EQ(caption(文件标签), summary(static_cast<int>(items.size())));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
}

TEST_F(SearchOnDrives, AClickBeforeTheCaptionTurnsStopsTheSearch) {
    postClick();  // handled in the first folder visit, while the caption still reads "搜索(&S)"
    onSearchClicked();
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(foundCount, 0);
    EXPECT_EQ(caption(文件标签), summary(0));
    EXPECT_EQ(caption(搜索按钮), "搜索(&S)");
}
}  // namespace
