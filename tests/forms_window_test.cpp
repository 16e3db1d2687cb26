// The three windows created from the form store as real controls under Wine, their units' properties and
// events, the window commands, and start-up and shut-down of a whole program (in child processes).
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "forms/form_store.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "runtime/internal.h"
#include "tests/support/form_handlers.h"
#include "tests/support/test_support.h"

namespace {
// Handler positions in the stored references (see the windows' description).
enum : int {
    kManualLock = 0, kMainCreated = 1, kMainDestroyed = 2, kMainKeyDown = 3, kTimerTick = 4, kExitClicked = 9,
    kCustomLock = 11, kRefreshMode = 14, kRunOneKey = 16, kRestartKeyDown = 17, kQuitAfterRun = 18,
    kRestartPromptCreated = 23,
};

// Every handler records its call; a handler may be told to return a value.
struct Call {
    int handler;
    uint32_t window, unit;
    std::vector<int32_t> args;
};
std::vector<Call> g_calls;
bool g_returns[kHandlerCount];
int32_t g_return_value[kHandlerCount];
void (*g_action[kHandlerCount])();

template <int I>
struct Recorder {
    static bool call(const int32_t* args, int32_t count, int32_t* result) {
        auto src = current_event_source();
        g_calls.push_back(Call{I, src.first, src.second, std::vector<int32_t>(args, args + count)});
        if (g_action[I]) g_action[I]();
        if (!g_returns[I]) return false;
        *result = g_return_value[I];
        return true;
    }
};
const auto kTable = make_handler_table<Recorder>();

int count_calls(int handler) {
    int n = 0;
    for (const Call& c : g_calls) n += c.handler == handler;
    return n;
}
void reset_handlers() {
    g_calls.clear();
    std::memset(g_returns, 0, sizeof g_returns);
    std::memset(g_action, 0, sizeof g_action);
}

ProgramHeader header_with(const void* form_data, uint32_t form_size) {
    return ProgramHeader{3, 0, 0x000102EA, kTable.data(), nullptr, 0, form_data, form_size, 3, kSupportLibraries,
                         0, nullptr, nullptr};
}
const ProgramHeader kHeader = header_with(form_data_block, form_data_block_size);

void ensure_runtime() {
    static bool done = false;
    if (done) return;
    done = true;
    wait_for_desktop();
    run_internal(6, &kHeader);
}

HWND window_hwnd(uint32_t window) {
    FormWindow* w = find_window(window);
    return w ? static_cast<HWND>(w->hwnd) : nullptr;
}
HWND control(uint32_t window, uint32_t unit) {
    Unit* u = live_unit(window, unit);
    return u ? u->hwnd : nullptr;
}
std::string window_text(HWND h) {
    char buf[512] = {0};
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}
std::string class_of(HWND h) {
    char buf[128] = {0};
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}
void pump_for(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (static_cast<int32_t>(end - GetTickCount()) > 0) {
        process_pending_messages();
        Sleep(10);
    }
}
void close_all() {
    close_all_form_windows();
    process_pending_messages();
}
Value window_ref(uint32_t window, uint32_t self) { return value_unit(window, self, kUnitWindow); }

const char* expected_class(uint32_t type) {
    switch (type) {
        case kUnitLabel: return "_Ozu_Label";
        case kUnitPicBox: return "_Ozu_PicBox";
        case kUnitTimer: return "_Ozu_Timer";
        case kUnitCommonDlg: return "_Ozu_CommonDlg";
        case kUnitDataSrc: return "_Ozu_DataSource";
        case kUnitNProvider: return "_Ozu_Provider";
        case kUnitButton: case kUnitCheckBox: case kUnitRadioBox: case kUnitGroupBox: return "Button";
        case kUnitEditBox: return "Edit";
        case kUnitComboBox: return "ComboBox";
        case kUnitListBox: return "ListBox";
        case kUnitStatusBar: return "msctls_statusbar32";
        default: return "?";
    }
}

class Windows : public testing::Test {
protected:
    void SetUp() override {
        ensure_runtime();
        reset_handlers();
    }
    void TearDown() override { close_all(); }
};
}  // namespace

TEST_F(Windows, EveryUnitIsCreatedAsTheFormDataDescribes) {
    for (uint32_t id : {main_window::kWindow, restart_prompt::kWindow, undo_prompt::kWindow}) {
        ASSERT_EQ(load_form_window(id, nullptr, false), 0);
        FormWindow* w = find_window(id);
        HWND top = window_hwnd(id);
        ASSERT_TRUE(top && IsWindow(top));
        EXPECT_EQ(class_of(top), "_Ozu_Window");
        RECT wr;
        GetWindowRect(top, &wr);
        EXPECT_EQ(wr.right - wr.left, w->units[0].width);
        EXPECT_EQ(wr.bottom - wr.top, w->units[0].height);
        // centred on the screen
        EXPECT_EQ(wr.left, (GetSystemMetrics(SM_CXSCREEN) - w->units[0].width) / 2);
        EXPECT_EQ(wr.top, (GetSystemMetrics(SM_CYSCREEN) - w->units[0].height) / 2);
        int32_t control_id = 100;
        for (size_t i = w->units.size(); i-- > 1;) {
            const UnitRecord& rec = w->units[i];
            SCOPED_TRACE(rec.name);
            ASSERT_NE(rec.object, nullptr);
            HWND h = rec.object->hwnd;
            EXPECT_STRCASEEQ(class_of(h).c_str(), expected_class(rec.type));
            EXPECT_EQ(GetDlgCtrlID(h), control_id);
            control_id += 10;
            HWND parent = rec.container ? live_unit(id, rec.container)->hwnd : top;
            EXPECT_EQ(GetParent(h), parent);
            // Stacked as the unit list runs: directly behind the nearest earlier unit of the same container,
            // the first of a container on top (whether it was created inside its container or moved there).
            HWND above = nullptr;
            for (size_t j = i; j-- > 1;)
                if (w->units[j].container == rec.container) {
                    above = w->units[j].object->hwnd;
                    break;
                }
            EXPECT_EQ(GetWindow(h, GW_HWNDPREV), above);
            LONG style = GetWindowLongA(h, GWL_STYLE);
            bool no_window = rec.type == kUnitTimer || rec.type == kUnitCommonDlg || rec.type == kUnitNProvider;
            EXPECT_EQ((style & WS_VISIBLE) != 0, (rec.state & kStateVisible) && !no_window);
            if (!no_window) {  // the no-window types get no style bits
                EXPECT_EQ((style & WS_DISABLED) != 0, (rec.state & kStateDisabled) != 0);
                // (an automatic radio button moves its Tab stop with the check mark itself)
                if (rec.type != kUnitRadioBox) {
                    EXPECT_EQ((style & WS_TABSTOP) != 0, (rec.state & kStateTab) != 0);
                }
            }
            // The system's controls carry the unit's font (given while they were still hidden).
            if (std::strncmp(expected_class(rec.type), "_Ozu_", 5) != 0) {
                HFONT font = rec.object->hfont ? rec.object->hfont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
                EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)), font);
            }
            if (rec.type == kUnitStatusBar) continue;  // docked at the window's bottom edge
            RECT r;
            GetWindowRect(h, &r);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
            EXPECT_EQ(r.left, rec.left);
            EXPECT_EQ(r.top, rec.top);
            EXPECT_EQ(r.right - r.left, rec.type == kUnitDataSrc ? 132 : rec.width);
            if (rec.type != kUnitComboBox && rec.type != kUnitDataSrc) {
                EXPECT_EQ(r.bottom - r.top, rec.height);
            }
        }
    }
    using namespace main_window;
    EXPECT_EQ(window_text(window_hwnd(kWindow)), "Quenvarghost一键还原工具");
    EXPECT_EQ(window_text(window_hwnd(undo_prompt::kWindow)), "Drelvok");
    EXPECT_TRUE(GetWindowLongA(window_hwnd(kWindow), GWL_STYLE) & WS_SYSMENU);
    EXPECT_FALSE(GetWindowLongA(window_hwnd(restart_prompt::kWindow), GWL_STYLE) & WS_SYSMENU);
    struct { uint32_t unit; const char* text; } captions[] = {
        {确定, "确定(&Y)"}, {销毁按钮, "撒销(&U)"}, {G选择框, "Ghost32(&G)"}, {还原单选框, "还原系统(&R)"},
        {自定义选择框, "自定义Ghost版本(&V)"}, {编辑框3, "*.GHO"}, {压缩组合框, "快速压缩"}, {标签1, " Ghost映像文件路径："},
        {标签8, "说明：第一分区隐藏时请       勾选右侧选择框！"}};
    for (auto c : captions) EXPECT_EQ(window_text(control(kWindow, c.unit)), c.text);
    EXPECT_EQ(window_text(control(restart_prompt::kWindow, restart_prompt::标签1)),
              "程序处理完成，是否马上重启计算机进行还原？");
    EXPECT_EQ(SendMessageA(control(kWindow, 还原单选框), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(control(kWindow, 备份单选框), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(control(kWindow, 压缩组合框), CB_GETCOUNT, 0, 0), 3);
    EXPECT_NE(live_unit(restart_prompt::kWindow, restart_prompt::图片框1)->picture, nullptr);
    EXPECT_NE(live_unit(kWindow, self)->icon, nullptr);
    EXPECT_EQ(SendMessageA(control(kWindow, 状态条1), SB_GETPARTS, 0, 0), 2);
    // the window's created event ran once, as the first of its handlers
    EXPECT_EQ(count_calls(kMainCreated), 1);
}

TEST_F(Windows, LoadingAnOpenWindowActivatesItWithoutASecondCopy) {
    Value r = call_command(load_window, 3, window_ref(restart_prompt::kWindow, restart_prompt::self), value_omitted(),
                           value_bool(false));
    EXPECT_EQ(r.lo, 1u);
    HWND first = window_hwnd(restart_prompt::kWindow);
    r = call_command(load_window, 3, window_ref(restart_prompt::kWindow, restart_prompt::self), value_omitted(),
                     value_bool(false));
    EXPECT_EQ(r.lo, 1u);
    EXPECT_EQ(window_hwnd(restart_prompt::kWindow), first);
    EXPECT_EQ(count_calls(kRestartPromptCreated), 1);  // created once
    r = call_command(load_window, 3, window_ref(0x52017777, 0), value_omitted(), value_bool(false));
    EXPECT_EQ(r.lo, 0u);
    // a parent that is not loaded: false, nothing created
    r = call_command(load_window, 3, window_ref(undo_prompt::kWindow, undo_prompt::self),
                     window_ref(main_window::kWindow, main_window::self), value_bool(false));
    EXPECT_EQ(r.lo, 0u);
    EXPECT_EQ(window_hwnd(undo_prompt::kWindow), nullptr);
}

TEST_F(Windows, AWindowCreatedAgainRaisesEachClickOnceForTheRightUnit) {
    using namespace main_window;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
        close_all();
    }
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    g_calls.clear();
    // one unit inside a group box (its notification passes through the box), one directly on the window
    SendMessageA(control(kWindow, 自定义选择框), BM_CLICK, 0, 0);
    SendMessageA(control(kWindow, 退出), BM_CLICK, 0, 0);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].handler, kCustomLock);
    EXPECT_EQ(g_calls[0].window, kWindow);
    EXPECT_EQ(g_calls[0].unit, 自定义选择框);
    EXPECT_EQ(g_calls[1].handler, kExitClicked);
    EXPECT_EQ(g_calls[1].unit, 退出);
}

TEST_F(Windows, TimerRestartRules) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    Unit* timer = live_unit(kWindow, 时钟1);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->timer_starts, 1);  // runs from creation on
    EXPECT_EQ(get_property(kWindow, 时钟1, 8, -1), 5000u);
    set_property(kWindow, 时钟1, 8, -1, 5000, 0);
    EXPECT_EQ(timer->timer_starts, 1);  // same value: not restarted
    set_property(kWindow, 时钟1, 8, -1, 150, 0);
    EXPECT_EQ(timer->timer_starts, 2);
    for (int i = 0; i < 300 && count_calls(kTimerTick) == 0; ++i) pump_for(10);
    EXPECT_GE(count_calls(kTimerTick), 1);
    set_property(kWindow, 时钟1, 8, -1, 0, 0);
    int ticks = count_calls(kTimerTick);
    pump_for(500);
    EXPECT_EQ(count_calls(kTimerTick), ticks);  // stopped
    set_property(kWindow, 时钟1, 8, -1, static_cast<uint32_t>(-20), 0);
    EXPECT_EQ(get_property(kWindow, 时钟1, 8, -1), 0u);
    EXPECT_EQ(timer->timer_starts, 2);
}

TEST_F(Windows, OwnPropertiesComboFontAndCheckedState) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 压缩组合框, 19, -1)), 0);
    set_property(kWindow, 压缩组合框, 19, -1, static_cast<uint32_t>(-1), 0);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 压缩组合框, 19, -1)), -1);
    set_property(kWindow, 压缩组合框, 19, -1, 2, 0);
    Text combo_text(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 压缩组合框, 8, -1))));
    EXPECT_STREQ(combo_text.c_str(), "最高压缩");

    // font members: angle modulo 3600, the stored font record of 编辑框1
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 编辑框1, 12, 0)), 0);
    Text face(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 编辑框1, 12, 6))));
    EXPECT_STREQ(face.c_str(), "宋体");
    struct { int32_t written, stored; } angles[] = {{3700, 100}, {-100, 3500}, {3600, 0}, {450, 450}};
    for (auto a : angles) {
        set_property(kWindow, 编辑框1, 12, 0, static_cast<uint32_t>(a.written), 0);
        EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 编辑框1, 12, 0)), a.stored) << a.written;
    }
    // the changed font reaches the control
    ASSERT_NE(live_unit(kWindow, 编辑框1)->hfont, nullptr);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control(kWindow, 编辑框1), WM_GETFONT, 0, 0)),
              live_unit(kWindow, 编辑框1)->hfont);
    set_property(kWindow, 编辑框1, 12, 6, static_cast<uint32_t>(reinterpret_cast<uintptr_t>("")), 0);
    face = Text(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 编辑框1, 12, 6))));
    EXPECT_STREQ(face.c_str(), "宋体");

    // logical and text properties reach the control
    set_property(kWindow, 备份单选框, 18, -1, 7, 0);
    EXPECT_EQ(get_property(kWindow, 备份单选框, 18, -1), 1u);
    set_property(kWindow, 编辑框1, 8, -1, static_cast<uint32_t>(reinterpret_cast<uintptr_t>("E:\\Ghost\\G_WinXP.gho")), 0);
    EXPECT_EQ(window_text(control(kWindow, 编辑框1)), "E:\\Ghost\\G_WinXP.gho");
    set_property(kWindow, self, 8, -1, static_cast<uint32_t>(reinterpret_cast<uintptr_t>("新标题")), 0);
    EXPECT_EQ(window_text(window_hwnd(kWindow)), "新标题");
    Text provider(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 数据源1, 8, -1))));
    EXPECT_STREQ(provider.c_str(), "通用提供者1");
}

TEST_F(Windows, CommonPropertiesOnALiveControlAndAfterClosing) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    set_property(kWindow, 高级, 2, -1, 40000, 0);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 高级, 2, -1)), 32627);
    set_property(kWindow, 高级, 1, -1, 250, 0);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 高级, 1, -1)), 250);
    set_property(kWindow, 销毁按钮, 5, -1, 1, 0);
    EXPECT_TRUE(IsWindowVisible(control(kWindow, 销毁按钮)));
    set_property(kWindow, 确定, 6, -1, 1, 0);
    EXPECT_FALSE(IsWindowEnabled(control(kWindow, 确定)));
    EXPECT_EQ(get_property(kWindow, 确定, 6, -1), 1u);
    close_all();
    EXPECT_EQ(live_unit(kWindow, 高级), nullptr);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 高级, 2, -1)), 32627);
    set_property(kWindow, 高级, 2, -1, static_cast<uint32_t>(-5), 0);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 高级, 2, -1)), 0);
    // the next creation takes geometry and state from the records
    set_property(kWindow, 高级, 2, -1, 80, 0);
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    RECT r;
    GetWindowRect(control(kWindow, 高级), &r);
    EXPECT_EQ(r.right - r.left, 80);
    EXPECT_TRUE(IsWindowVisible(control(kWindow, 销毁按钮)));
    EXPECT_FALSE(IsWindowEnabled(control(kWindow, 确定)));
    // restore the stored state for the other tests
    set_property(kWindow, 高级, 2, -1, 72, 0);
    set_property(kWindow, 高级, 1, -1, 296, 0);
    set_property(kWindow, 销毁按钮, 5, -1, 0, 0);
    set_property(kWindow, 确定, 6, -1, 0, 0);
}

TEST_F(Windows, KeyDownFalseSwallowsTheKeyNothingLetsItThroughAndPressesBegunElsewhereDoNothing) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    // The found images' list: the down arrow moves its selection one item on, each time it reaches the list.
    HWND list = control(kWindow, 列表框2);
    for (int i = 0; i < 10; ++i) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("D:\\a.gho"));
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    SetFocus(list);
    auto current = [&] { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); };
    const LPARAM fresh = 0x01500001, repeated = fresh | (1 << 30);  // the down arrow's scan code, extended key
    auto press_down = [&](LPARAM flags) {
        PostMessageA(list, WM_KEYDOWN, VK_DOWN, flags);
        process_pending_messages();
    };
    g_returns[kMainKeyDown] = true;
    g_return_value[kMainKeyDown] = 0;
    press_down(fresh);
    EXPECT_EQ(current(), 0);
    ASSERT_GE(count_calls(kMainKeyDown), 1);
    Call c{};
    for (const Call& call : g_calls)  // the window's timer may have ticked in between on a slow machine
        if (call.handler == kMainKeyDown) c = call;
    EXPECT_EQ(c.window, kWindow);
    EXPECT_EQ(c.unit, self);  // the window's key map
    ASSERT_EQ(c.args.size(), 2u);
    EXPECT_EQ(c.args[0], VK_DOWN);
    EXPECT_EQ(c.args[1], 0);
    g_returns[kMainKeyDown] = false;  // returns nothing
    press_down(fresh);
    EXPECT_EQ(current(), 1);
    g_returns[kMainKeyDown] = true;  // true lets it through as well
    g_return_value[kMainKeyDown] = 1;
    press_down(fresh);
    EXPECT_EQ(current(), 2);

    // A key acts only where its press began: after an activation, the repeats of a press begun before do
    // nothing, whatever the key states say by then, and neither does a key-down made before the window took over
    // the input (shown, or enabled again as a dialog it waited for closed) that waited in the queue: it may come
    // without its repeat flag. A fresh press acts, and so do its repeats, also one made before a late activation,
    // or after the message that closed the dialog when the window is enabled again late.
    // kClosed: the message that closed a dialog the window waited for, taken from the queue, and the window
    // active again; kEnabled: that message, then the window enabled again; kLateEnable: the window enabled again
    // some time after it.
    enum Event { kNone, kActivated, kClosed, kEnabled, kLateEnable };
    const struct {
        Event before, while_queued;  // what the window gets before the key-down is made, and while it waits
        LPARAM key_down;
        int selected;
    } steps[] = {
        {kActivated, kNone, repeated, 2},  // begun before
        {kNone, kNone, fresh, 3},          // a press of its own
        {kNone, kNone, repeated, 4},       // and its repeat
        {kActivated, kNone, repeated, 4},  // the window became active again in between
        {kNone, kEnabled, fresh, 4},       // made before the window took over again
        {kNone, kActivated, fresh, 5},     // made before a late activation
        {kClosed, kLateEnable, fresh, 6},  // made once the dialog had closed, before the window was enabled again
    };
    HWND window = window_hwnd(kWindow);
    const UINT kClosing = WM_APP + 77;
    auto happen = [&](Event e) {
        if (e == kClosed || e == kEnabled) {
            MSG m;
            PostMessageA(window, kClosing, 0, 0);
            PeekMessageA(&m, window, kClosing, kClosing, PM_REMOVE);
        }
        if (e == kActivated || e == kClosed) SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
        // Wine's clock moves on at calls to the system, the posting of a message that nobody waits for one
        if (e == kLateEnable) PostMessageA(window, WM_NULL, 0, 0);
        if (e == kEnabled || e == kLateEnable) SendMessageA(window, WM_ENABLE, TRUE, 0);
    };
    for (const auto& step : steps) {
        happen(step.before);
        Sleep(20);  // the key-down's tick differs from those of the messages before and after it
        PostMessageA(list, WM_KEYDOWN, VK_DOWN, step.key_down);
        Sleep(20);
        happen(step.while_queued);
        process_pending_messages();
        EXPECT_EQ(current(), step.selected) << step.before << " " << step.while_queued << " " << step.key_down;
    }
}

// A key acts as a click on its control only where a click could reach it; what is typed into an edit box is its
// text, and the window's key map does not hear it; Alt and an underlined letter click all the same. The key map
// here clicks 确定 for any key, as the program's does for Y.
TEST_F(Windows, KeysClickOnlyUsableControlsAndTextTypedIntoABoxIsNoKey) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    set_property(kWindow, 编辑框2, 6, -1, 0, 0);
    HWND box = control(kWindow, 编辑框2), list = control(kWindow, 列表框1);
    g_action[kMainKeyDown] = [] { click_unit(main_window::kWindow, main_window::确定); };
    enum Button { kEnabled, kDisabled, kHidden };
    const struct {
        Button button;
        bool in_box, alt;
        bool map_hears, clicked;
        const char* typed;
    } rows[] = {
        {kEnabled, false, false, true, true, ""},     {kDisabled, false, false, true, false, ""},
        {kHidden, false, false, true, false, ""},     {kEnabled, true, false, false, false, "y"},
        {kDisabled, true, false, false, false, "y"},  {kEnabled, false, true, false, true, ""},
        {kDisabled, false, true, false, false, ""},   {kHidden, false, true, false, false, ""},
        {kEnabled, true, true, false, true, ""},      {kDisabled, true, true, false, false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "button " << row.button << (row.in_box ? ", in the box" : "")
                                        << (row.alt ? ", Alt" : ""));
        SetWindowTextA(box, "");
        set_property(kWindow, 确定, 6, -1, row.button == kDisabled, 0);
        set_property(kWindow, 确定, 5, -1, row.button != kHidden, 0);
        HWND focus = row.in_box ? box : list;
        SetFocus(focus);
        g_calls.clear();
        if (row.alt)
            PostMessageA(focus, WM_SYSKEYDOWN, 'Y', 0x20150001);  // the context bit: Alt is down
        else
            PostMessageA(focus, WM_KEYDOWN, 'Y', 0x00150001);
        process_pending_messages();
        EXPECT_EQ(count_calls(kMainKeyDown) > 0, row.map_hears);
        EXPECT_EQ(count_calls(kRunOneKey), row.clicked ? 1 : 0);
        EXPECT_EQ(window_text(box), row.typed);
    }
    set_property(kWindow, 编辑框2, 6, -1, 1, 0);
    set_property(kWindow, 确定, 6, -1, 0, 0);
    set_property(kWindow, 确定, 5, -1, 1, 0);
}

TEST_F(Windows, KeyboardBehaviourArrowsTabAndEsc) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    HWND restore = control(kWindow, 还原单选框);
    SetFocus(restore);
    PostMessageA(restore, WM_KEYDOWN, VK_RIGHT, 0);
    process_pending_messages();
    EXPECT_EQ(SendMessageA(control(kWindow, 备份单选框), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(restore, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_GE(count_calls(kRefreshMode), 1);
    // Tab goes to the next Tab-stop unit of the list that can take the focus
    SetFocus(control(kWindow, 高级));
    PostMessageA(control(kWindow, 高级), WM_KEYDOWN, VK_TAB, 0);
    process_pending_messages();
    EXPECT_EQ(GetFocus(), control(kWindow, 按钮2));
    // A window narrowed under the focused unit (the simple layout): the focus goes to the first Tab stop once
    // the handler is done
    SetFocus(control(kWindow, 搜索按钮));
    set_property(kWindow, self, 2, -1, 374, 0);
    process_pending_messages();
    EXPECT_EQ(GetFocus(), control(kWindow, G选择框)) << window_text(GetFocus()) << " " << class_of(GetFocus());
    set_property(kWindow, self, 2, -1, 600, 0);
    // Esc closes the prompt: events 12, 1, then 2 would follow; the window goes
    ASSERT_EQ(load_form_window(restart_prompt::kWindow, nullptr, false), 0);
    HWND prompt = window_hwnd(restart_prompt::kWindow);
    PostMessageA(control(restart_prompt::kWindow, restart_prompt::按钮1), WM_KEYDOWN, VK_ESCAPE, 0);
    process_pending_messages();
    EXPECT_FALSE(IsWindow(prompt));
    EXPECT_GE(count_calls(kRestartKeyDown), 1);
}

namespace {
// Restarts the store from a changed copy of the block (all windows closed).
void restart_store(void (*change)(std::vector<FormWindow>&)) {
    close_all();
    std::vector<FormWindow> windows;
    ASSERT_TRUE(parse_form_data(form_data_block, form_data_block_size, &windows));
    change(windows);
    static std::string block;
    block = write_form_data(windows);
    ASSERT_TRUE(form_store_start(block.data(), static_cast<uint32_t>(block.size()), kTable.data()));
}
}  // namespace

TEST_F(Windows, CloseRequestRaisesTwelveThenOneThenTwo) {
    restart_store([](std::vector<FormWindow>& w) {
        w[1].units[0].events = {{12, kCustomLock, nullptr}, {1, kExitClicked, nullptr}, {2, kQuitAfterRun, nullptr}};
    });
    ASSERT_EQ(load_form_window(restart_prompt::kWindow, nullptr, false), 0);
    HWND prompt = window_hwnd(restart_prompt::kWindow);
    g_returns[kCustomLock] = true;
    g_return_value[kCustomLock] = 0;  // 12 refuses
    SendMessageA(prompt, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(prompt));
    g_returns[kCustomLock] = false;
    g_returns[kExitClicked] = true;
    g_return_value[kExitClicked] = 0;  // 1 refuses
    SendMessageA(prompt, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(prompt));
    g_returns[kExitClicked] = false;
    g_calls.clear();
    SendMessageA(prompt, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(prompt));
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[0].handler, kCustomLock);
    EXPECT_EQ(g_calls[1].handler, kExitClicked);
    EXPECT_EQ(g_calls[2].handler, kQuitAfterRun);
    EXPECT_EQ(live_unit(restart_prompt::kWindow, restart_prompt::按钮1), nullptr);  // object slots cleared
    ASSERT_TRUE(form_store_start(form_data_block, form_data_block_size, kTable.data()));
}

// Units stored with empty own data have every own property of their type from creation on: a write is
// taken before the unit ever painted (a hidden label) or was read.
TEST_F(Windows, UnitsStoredWithoutOwnDataTakeOwnPropertiesAtOnce) {
    using namespace restart_prompt;
    restart_store([](std::vector<FormWindow>& w) {
        for (UnitRecord& rec : w[1].units) {
            if (rec.type == kUnitWindow) continue;
            rec.own_data.clear();
            rec.state &= ~kStateVisible;
        }
    });
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    set_property(kWindow, 标签1, 16, -1, 0x0000FF, 0);  // text colour
    EXPECT_EQ(get_property(kWindow, 标签1, 16, -1), 0x0000FFu);
    set_property(kWindow, 标签1, 5, -1, 1, 0);
    pump_for(100);  // shown and painted: the colour stays
    EXPECT_EQ(get_property(kWindow, 标签1, 16, -1), 0x0000FFu);
    close_all();
    ASSERT_TRUE(form_store_start(form_data_block, form_data_block_size, kTable.data()));
}

namespace {
HWND g_main_for_modal;
bool g_main_was_disabled;
void CALLBACK close_modal_prompt(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    g_main_was_disabled = !IsWindowEnabled(g_main_for_modal);
    PostMessageA(window_hwnd(undo_prompt::kWindow), WM_CLOSE, 0, 0);
}
}  // namespace

TEST_F(Windows, ModalWindowDisablesTheOthersUntilItCloses) {
    ASSERT_EQ(load_form_window(main_window::kWindow, nullptr, false), 0);
    g_main_for_modal = window_hwnd(main_window::kWindow);
    g_main_was_disabled = false;
    SetTimer(nullptr, 0, 100, close_modal_prompt);
    Value r = call_command(load_window, 3, window_ref(undo_prompt::kWindow, undo_prompt::self), value_omitted(),
                           value_bool(true));
    EXPECT_EQ(r.lo, 1u);
    EXPECT_TRUE(g_main_was_disabled);
    EXPECT_EQ(window_hwnd(undo_prompt::kWindow), nullptr);  // load_window returned after it closed
    EXPECT_TRUE(IsWindowEnabled(g_main_for_modal));
    EXPECT_EQ(GetActiveWindow(), g_main_for_modal);  // the keyboard is back where it was
}

TEST_F(Windows, DestroyWindowNowOrAfterTheHandler) {
    Value prompt = window_ref(restart_prompt::kWindow, restart_prompt::self);
    ASSERT_EQ(load_form_window(restart_prompt::kWindow, nullptr, false), 0);
    HWND h = window_hwnd(restart_prompt::kWindow);
    call_command(destroy_window, 1, prompt);
    EXPECT_TRUE(IsWindow(h));  // returns at once
    process_pending_messages();
    EXPECT_FALSE(IsWindow(h));
    ASSERT_EQ(load_form_window(restart_prompt::kWindow, nullptr, false), 0);
    h = window_hwnd(restart_prompt::kWindow);
    call_command(destroy_window, 2, prompt, value_bool(true));
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(Windows, ListCommands) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    Value list = value_unit(kWindow, 列表框1, kUnitListBox);
    EXPECT_EQ(call_command(list_item_count, 1, list).lo, 0u);
    EXPECT_EQ(static_cast<int32_t>(call_command(list_add_item, 2, list, value_text("C:  100")).lo), 0);
    EXPECT_EQ(static_cast<int32_t>(call_command(list_add_item, 3, list, value_text("D:  200"), value_int(42)).lo), 1);
    EXPECT_EQ(SendMessageA(control(kWindow, 列表框1), LB_GETITEMDATA, 0, 0), 0);
    EXPECT_EQ(SendMessageA(control(kWindow, 列表框1), LB_GETITEMDATA, 1, 0), 42);
    EXPECT_EQ(call_command(list_item_count, 1, list).lo, 2u);
    Text second = Text::take(call_command(list_item_text, 2, list, value_int(1)));
    EXPECT_STREQ(second.c_str(), "D:  200");
    for (int32_t bad : {-1, 2}) EXPECT_EQ(call_command(list_item_text, 2, list, value_int(bad)).lo, 0u) << bad;
    EXPECT_EQ(call_command(list_set_current, 2, list, value_int(1)).lo, 1u);
    EXPECT_EQ(call_command(list_current_index, 1, list).lo, 1u);
    EXPECT_EQ(call_command(list_set_current, 2, list, value_int(-1)).lo, 0u);
    EXPECT_EQ(SendMessageA(control(kWindow, 列表框1), LB_GETCURSEL, 0, 0), LB_ERR);
    call_command(list_clear, 1, list);
    EXPECT_EQ(call_command(list_item_count, 1, list).lo, 0u);
}

namespace {
// A list's scroll range follows its items only while the list draws; it tells whether the list has been let
// draw again after a burst of added items.
int scroll_max(HWND list) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE;
    GetScrollInfo(list, SB_VERT, &si);
    return si.nMax;
}
bool pump_until_scroll_max(HWND list, int max) {
    for (int i = 0; i < 300 && scroll_max(list) != max; ++i) pump_for(10);
    return scroll_max(list) == max;
}
void add_items(const Value& list, int n) {
    for (int i = 0; i < n; ++i) call_command(list_add_item, 2, list, value_text("D:\\folder\\image.gho"));
}
}  // namespace

TEST_F(Windows, AddedItemsAreDrawnTogetherAndAlwaysInTheEnd) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    Value list = value_unit(kWindow, 列表框2, kUnitListBox);
    HWND h = control(kWindow, 列表框2);
    add_items(list, 100);
    EXPECT_EQ(call_command(list_item_count, 1, list).lo, 100u);
    EXPECT_NE(scroll_max(h), 99) << "each item drawn as it came";
    EXPECT_TRUE(pump_until_scroll_max(h, 99)) << "the list was not let draw again";
    // A later burst is held and let go the same way, also after the list was emptied.
    call_command(list_clear, 1, list);
    add_items(list, 30);
    EXPECT_TRUE(pump_until_scroll_max(h, 29));
    EXPECT_TRUE(IsWindowVisible(h));

    // Letting the list draw again does not show a hidden list.
    call_command(list_clear, 1, list);
    ShowWindow(h, SW_HIDE);
    add_items(list, 40);
    pump_for(600);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE, 0);
    ShowWindow(h, SW_SHOW);

    // A window closed while its list is held back; the list of the next window is held and let go as well.
    add_items(list, 10);
    close_all();
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    h = control(kWindow, 列表框2);
    add_items(list, 50);
    EXPECT_TRUE(pump_until_scroll_max(h, 49));
}

TEST_F(Windows, StatusBarParts) {
    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    Value bar = value_unit(kWindow, 状态条1, kUnitStatusBar);
    HWND h = control(kWindow, 状态条1);
    call_library_command(status_bar_set_text, 1, 3, bar, value_int(1), value_text("本系统已做备份"));
    char buf[256] = {0};
    SendMessageA(h, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "本系统已做备份");
    for (int32_t bad : {2, -1}) call_library_command(status_bar_set_text, 1, 3, bar, value_int(bad), value_text("x"));
    SendMessageA(h, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "本系统已做备份");
    SendMessageA(h, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "");
    call_library_command(status_bar_set_text, 1, 2, bar, value_int(1));  // omitted text: empty
    SendMessageA(h, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, "");
}

namespace {
OPENFILENAMEA g_seen;
std::string g_seen_filter;
BOOL g_dialog_answer;
BOOL WINAPI fake_dialog(OPENFILENAMEA* ofn) {
    g_seen = *ofn;
    const char* f = ofn->lpstrFilter;
    g_seen_filter.clear();
    if (f)
        while (*f) {
            g_seen_filter += f;
            g_seen_filter += '|';
            f += std::strlen(f) + 1;
        }
    if (g_dialog_answer) std::strcpy(ofn->lpstrFile, "E:\\Ghost\\new.gho");
    return g_dialog_answer;
}
}  // namespace

TEST_F(Windows, FileDialogFilterFlagsAndResult) {
    EXPECT_EQ(dialog_filter("(GHO文件)*.gho|*.gho"), std::string("(GHO文件)*.gho\0*.gho\0\0", 22));
    EXPECT_EQ(dialog_filter("*.exe|*.exe||"), std::string("*.exe\0*.exe\0\0", 13));
    EXPECT_EQ(dialog_filter_index(0, true), 1u);
    EXPECT_EQ(dialog_filter_index(2, true), 3u);
    EXPECT_EQ(dialog_filter_index(-4, true), 1u);
    EXPECT_EQ(dialog_filter_index(3, false), 0u);

    using namespace main_window;
    ASSERT_EQ(load_form_window(kWindow, nullptr, false), 0);
    set_file_dialog_functions(fake_dialog, fake_dialog);
    Value dlg = value_unit(kWindow, 通用对话框2, kUnitCommonDlg);
    set_property(kWindow, 通用对话框2, 18, -1, 1, 0);
    g_dialog_answer = FALSE;
    EXPECT_EQ(call_command(open_common_dialog, 1, dlg).lo, 0u);
    EXPECT_EQ(g_seen_filter, "(GHO文件)*.gho|*.gho|");
    EXPECT_EQ(g_seen.nFilterIndex, 1u);
    EXPECT_EQ(g_seen.Flags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_PATHMUSTEXIST));
    EXPECT_STREQ(g_seen.lpstrInitialDir, "E:\\Ghost");
    EXPECT_STREQ(g_seen.lpstrFile, "G_WinXP.gho");
    EXPECT_EQ(g_seen.lpstrTitle, nullptr);
    Text name(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 通用对话框2, 10, -1))));
    EXPECT_STREQ(name.c_str(), "G_WinXP.gho");  // cancelled: unchanged
    g_dialog_answer = TRUE;
    EXPECT_EQ(call_command(open_common_dialog, 1, dlg).lo, 1u);
    name = Text(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 通用对话框2, 10, -1))));
    EXPECT_STREQ(name.c_str(), "E:\\Ghost\\new.gho");
    set_file_dialog_functions(nullptr, nullptr);
}

namespace {
std::string g_box_text, g_box_caption;
UINT g_box_style;
int g_box_answer;
int WINAPI fake_box(HWND, const char* text, const char* caption, UINT style) {
    g_box_text = text;
    g_box_caption = caption;
    g_box_style = style;
    return g_box_answer;
}
}  // namespace

TEST_F(Windows, MessageBoxTextCaptionStyleAndResultNumbering) {
    set_message_box_function(fake_box);
    struct { int answer, result; } answers[] = {{IDOK, 0}, {IDCANCEL, 1}, {IDABORT, 2}, {IDRETRY, 3}, {IDIGNORE, 4},
                                                {IDYES, 5}, {IDNO, 6}, {99, 0}};
    for (auto a : answers) {
        g_box_answer = a.answer;
        EXPECT_EQ(static_cast<int32_t>(call_command(message_box, 2, value_text("问"), value_int(4)).lo), a.result);
    }
    EXPECT_EQ(g_box_caption, "信息：");
    EXPECT_EQ(g_box_style, 4u | MB_TASKMODAL);
    call_command(message_box, 3, value_int(-42), value_int(MB_SYSTEMMODAL), value_text("标题"));
    EXPECT_EQ(g_box_text, "-42");
    EXPECT_EQ(g_box_caption, "标题");
    EXPECT_EQ(g_box_style, static_cast<UINT>(MB_SYSTEMMODAL));
    call_command(message_box, 2, value_bool(true), value_int(0));
    EXPECT_EQ(g_box_text, "真");
    call_command(message_box, 2, value_date(39722.5), value_int(0));  // 2008-10-01 12:00
    EXPECT_EQ(g_box_text, "2008年10月1日12时");
    call_command(message_box, 2, value_double(2.5), value_int(0));
    EXPECT_EQ(g_box_text, "2.5");
    set_message_box_function(nullptr);
}

TEST_F(Windows, SupportLibrariesWereNotifiedAndProcessEventsLeavesQuit) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(library_service(i), &runtime_service) << i;
    EXPECT_EQ(kSupportLibraries[1]->command_table[0], &status_bar_set_text);
    EXPECT_EQ(kSupportLibraries[0]->descriptor_format, kDescriptorFormat);
    // destroying a window before the message loop was entered posts no WM_QUIT
    ASSERT_EQ(load_form_window(restart_prompt::kWindow, nullptr, false), 0);
    close_all();
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    PostQuitMessage(3);
    PostMessageA(GetDesktopWindow(), WM_NULL, 0, 0);
    call_command(process_events, 0);
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
}

// Letting window events run checks first whether anything waits; whatever kind of message waits, it runs.
namespace {
std::vector<UINT> g_probe_seen;
LRESULT CALLBACK probe_proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP + 1 || m == WM_APP + 2 || m == WM_TIMER || m == WM_PAINT) g_probe_seen.push_back(m);
    if (m == WM_TIMER) KillTimer(h, w);
    return DefWindowProcA(h, m, w, l);  // validates after WM_PAINT
}
DWORD WINAPI send_to_probe(LPVOID window) {
    SendMessageA(static_cast<HWND>(window), WM_APP + 2, 0, 0);
    return 0;
}
// Lets events run until the message was seen (or 5 s passed); true when it was.
bool runs(UINT message) {
    g_probe_seen.clear();
    for (DWORD end = GetTickCount() + 5000; static_cast<int32_t>(end - GetTickCount()) > 0; Sleep(10)) {
        call_command(process_events, 0);
        for (UINT m : g_probe_seen)
            if (m == message) return true;
    }
    return false;
}
}  // namespace

TEST(ProcessEvents, RunsPostedSentTimerAndPaintMessages) {
    ensure_runtime();
    WNDCLASSA wc{};
    wc.lpfnWndProc = probe_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "qg-events-probe";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, "qg-events-probe", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(w);
    runs(WM_PAINT);  // the first paint
    PostMessageA(w, WM_APP + 1, 0, 0);
    EXPECT_TRUE(runs(WM_APP + 1)) << "posted";
    HANDLE sender = CreateThread(nullptr, 0, send_to_probe, w, 0, nullptr);
    EXPECT_TRUE(runs(WM_APP + 2)) << "sent from another thread";
    EXPECT_EQ(WaitForSingleObject(sender, 5000), WAIT_OBJECT_0);
    CloseHandle(sender);
    SetTimer(w, 1, 1, nullptr);
    EXPECT_TRUE(runs(WM_TIMER)) << "timer";
    InvalidateRect(w, nullptr, TRUE);
    EXPECT_TRUE(runs(WM_PAINT)) << "paint";
    DestroyWindow(w);
}

// --- The message loop's idle phase ------------------------------------------------------------------------------

namespace {
std::string g_idle_trace;
bool g_loop_running;
int g_second_calls;
void note_idle(void*, uintptr_t letter) {
    g_idle_trace += static_cast<char>(letter);
    // the second pass of the first idle period posts a message: a new idle period follows it
    if (letter == 'C' && ++g_second_calls == 2) PostMessageA(nullptr, WM_APP, 0, 0);
}
void CALLBACK end_loop(HWND, UINT, UINT_PTR, DWORD) { g_loop_running = false; }
HWND plain_window() {
    return CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
}
}  // namespace

TEST(MessageLoop, IdleCallbacksLastToFirstTwoPassesPerIdlePeriodThenItWaits) {
    ensure_runtime();
    HWND alive = plain_window(), gone = plain_window();
    ASSERT_TRUE(alive && gone);
    size_t before = idle_callback_count();
    add_idle_callback(alive, note_idle, 'A');
    add_idle_callback(gone, note_idle, 'G');
    add_idle_callback(alive, note_idle, 'C');
    DestroyWindow(gone);
    process_pending_messages();
    g_loop_running = true;
    // The loop ends at the timer: if it came due before the posted message's idle period began (a stall of
    // the machine), the loop would end without that period; 3 s leaves room for a busy emulated machine.
    UINT_PTR timer = SetTimer(nullptr, 0, 3000, end_loop);
    run_message_loop(&g_loop_running);
    KillTimer(nullptr, timer);
    // Two idle periods of two passes each, 'G' dropped; then the loop slept until the timer (a busy loop would
    // have called the callbacks thousands of times in 3 s).
    EXPECT_EQ(g_idle_trace.substr(0, 8), "CACACACA");
    EXPECT_LE(g_idle_trace.size(), 16u) << g_idle_trace;
    EXPECT_EQ(idle_callback_count(), before + 2);
    DestroyWindow(alive);
}

// --- Whole programs in child processes ----------------------------------------------------------------------

namespace {
void note_exit_routine() { child_write("exit routine\n"); }
void child_start(const ProgramHeader* h) {
    wait_for_desktop();
    run_internal(6, h);
    run_internal(3, note_exit_routine);
    run_internal(3, note_exit_routine);
}
}  // namespace

CHILD_SCENARIO(close_last_window) {
    child_start(&kHeader);
    load_startup_window(main_window::kWindow, main_window::self);
    PostMessageA(window_hwnd(main_window::kWindow), WM_CLOSE, 0, 0);
    run_message_loop();
    child_write("loop ended\n");
    exit_program(0);
}

CHILD_SCENARIO(destroy_from_handler) {
    child_start(&kHeader);
    g_action[kMainCreated] = [] {
        call_command(destroy_window, 1, window_ref(main_window::kWindow, main_window::self));
        child_write(IsWindow(window_hwnd(main_window::kWindow)) ? "still there\n" : "gone\n");
    };
    load_startup_window(main_window::kWindow, main_window::self);
    run_message_loop();
    exit_program(0);
}

DWORD WINAPI exit_seven(void*) { exit_program(7); }

CHILD_SCENARIO(exit_from_other_thread) {
    child_start(&kHeader);
    load_startup_window(main_window::kWindow, main_window::self);
    CreateThread(nullptr, 0, exit_seven, nullptr, 0, nullptr);
    Sleep(INFINITE);  // the main thread does not answer
}

void note_idle_list() { child_write("idle callbacks: " + std::to_string(idle_callback_count()) + "\n"); }

CHILD_SCENARIO(idle_list_at_exit) {
    child_start(&kHeader);
    run_internal(3, note_idle_list);
    load_startup_window(main_window::kWindow, main_window::self);
    add_idle_callback(window_hwnd(main_window::kWindow), note_idle, 'A');
    exit_program(3);
}

CHILD_SCENARIO(no_constant_pool) {
    static const char pool[16] = "literal";
    ProgramHeader h = kHeader;
    h.const_pool_start = pool;
    h.const_pool_size = 0;
    run_internal(6, &h);
    child_write(in_constant_pool(pool) ? "pool\n" : "heap\n");
    ProgramHeader h2 = kHeader;
    h2.const_pool_start = pool;
    h2.const_pool_size = sizeof pool;
    run_internal(6, &h2);
    child_write(in_constant_pool(pool + 3) ? "pool\n" : "heap\n");
}

TEST(Program, StartUpAndShutDown) {
    ChildResult r = run_child("close_last_window");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "loop ended\nexit routine\n");  // registered twice, runs once
    r = run_child("destroy_from_handler");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "still there\nexit routine\n");
    r = run_child("exit_from_other_thread");
    EXPECT_EQ(r.exit_code, 7u);
    r = run_child("idle_list_at_exit");  // cleared before the exit routines run
    EXPECT_EQ(r.exit_code, 3u);
    EXPECT_EQ(r.output, "exit routine\nidle callbacks: 0\n");
    r = run_child("no_constant_pool");
    EXPECT_EQ(r.output, "heap\npool\n");
}

// --- Screenshots: the three windows shown side by side until the script has taken its picture ----------------

CHILD_SCENARIO(show_windows) {
    child_start(&kHeader);
    struct { uint32_t window, self; int x, y; const char* name; } shown[] = {
        {main_window::kWindow, main_window::self, 10, 10, "main_window"},
        {restart_prompt::kWindow, restart_prompt::self, 10, 420, "restart_prompt"},
        {undo_prompt::kWindow, undo_prompt::self, 450, 420, "undo_prompt"}};
    std::string rects;
    for (auto& s : shown) {
        load_form_window(s.window, nullptr, false);
        set_property(s.window, s.self, 0, -1, static_cast<uint32_t>(s.x), 0);
        set_property(s.window, s.self, 1, -1, static_cast<uint32_t>(s.y), 0);
        RECT r;
        GetWindowRect(window_hwnd(s.window), &r);
        rects += std::string(s.name) + " " + std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                 std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + "\n";
    }
    // one visible hint in the status bar, as at start-up
    call_library_command(status_bar_set_text, 1, 3, value_unit(main_window::kWindow, main_window::状态条1, kUnitStatusBar),
                         value_int(1), value_text("尚未用本软件备份系统，请及时备份镜像！"));
    pump_for(1500);
    child_write(rects);
    // until the script has its picture (it creates the file named by QG_SHOTS_DONE), at most a minute
    const char* done = std::getenv("QG_SHOTS_DONE");
    for (int i = 0; i < 600 && done && GetFileAttributesA(done) == INVALID_FILE_ATTRIBUTES; ++i) pump_for(100);
    exit_program(0);
}
