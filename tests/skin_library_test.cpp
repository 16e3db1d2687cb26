// The skin library, loaded from the carried payload and called through the DLL-command path: the stack
// check, the colours it gives each kind of control, and the system colours the program then sees. The
// scenario "main_window" shows the program's main window, unskinned or with skin 10, for the screenshot test.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/form_handlers.h"
#include "tests/support/test_support.h"

namespace {
// Skin 10's colours (0x00BBGGRR), in the order the skin stores them.
constexpr COLORREF kWindowColour = 0xF4E3D4, kTextColour = 0x4C2A10, kGroupTextColour = 0x8C4E1F,
                   kEditColour = 0xFEFAF7, kListColour = 0xFEFAF7;

std::string g_library_path;
const char* g_library_names[1];
const char* const g_function_names[1] = {"SkinH_AttachRes"};

// Writes the carried skin library into a folder of its own and makes it DLL command 0.
void set_up_skin_library() {
    set_constant_pool(constant_area(), kConstantAreaSize);
    initialise_runtime(nullptr);
    g_library_path = scratch_dir("skinlib") + "SkinH_EL.dll";
    const void* library = bin::skin_library();
    write_bytes(g_library_path, std::string(reinterpret_cast<const char*>(bytes_block_data(library)),
                                            bytes_block_length(library)));
    g_library_names[0] = g_library_path.c_str();
    set_dll_commands(1, g_library_names, g_function_names);
}

int32_t attach_skin(const void* skin_block) {
    return static_cast<int32_t>(call_dll_command(0, static_cast<const void*>(bytes_block_data(skin_block)),
                                                 bytes_block_length(skin_block), static_cast<const void*>(empty_text()),
                                                 0, 0, 0));
}

struct Showcase {
    HWND window, label, group, check, radio, edit, list, combo, button, status;
};

LRESULT CALLBACK showcase_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, m, wp, lp);
}

Showcase make_showcase(int x, const char* title) {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = showcase_proc;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = "QgSkinShowcase";
        RegisterClassA(&wc);
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        registered = true;
    }
    Showcase s{};
    s.window = CreateWindowExA(0, "QgSkinShowcase", title, WS_POPUP | WS_BORDER | WS_VISIBLE, x, 40, 360, 300,
                               nullptr, nullptr, instance, nullptr);
    auto child = [&](const char* cls, const char* text, DWORD style, int l, int t, int w, int h) {
        HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, l, t, w, h, s.window, nullptr,
                                 instance, nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return c;
    };
    s.label = child("STATIC", title, 0, 12, 10, 330, 18);
    s.group = child("BUTTON", "分组框 (group box)", BS_GROUPBOX, 8, 32, 340, 70);
    s.check = child("BUTTON", "选择框 (check box)", BS_AUTOCHECKBOX, 20, 52, 150, 20);
    s.radio = child("BUTTON", "单选框 (radio box)", BS_AUTORADIOBUTTON, 180, 52, 150, 20);
    SendMessageA(s.check, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(s.radio, BM_SETCHECK, BST_CHECKED, 0);
    s.edit = child("EDIT", "E:\\Ghost\\G_WinXP.gho", WS_BORDER, 12, 112, 330, 22);
    s.list = child("LISTBOX", nullptr, WS_BORDER | LBS_NOINTEGRALHEIGHT, 12, 142, 200, 90);
    for (const char* item : {"C:  已用 12.3G  可用 7.7G", "D:  已用 40.1G  可用 59.9G", "E:  已用 3.0G  可用 97.0G"})
        SendMessageA(s.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(s.list, LB_SETCURSEL, 0, 0);
    s.combo = child("COMBOBOX", nullptr, CBS_DROPDOWNLIST, 222, 142, 120, 200);
    SendMessageA(s.combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("快速压缩"));
    SendMessageA(s.combo, CB_SETCURSEL, 0, 0);
    s.button = child("BUTTON", "确定(&Y)", BS_PUSHBUTTON, 222, 200, 120, 30);
    s.status = child(STATUSCLASSNAMEA, "状态条 (status bar)", 0, 0, 0, 0, 0);
    return s;
}

// What a parent answers for one control: text colour, background colour, and whether a brush came back.
struct Answer {
    COLORREF text, back;
    bool brush;
};
Answer ask_colours(HWND parent, UINT message, HWND control) {
    HDC dc = GetDC(control);
    SetTextColor(dc, 0x123456);
    SetBkColor(dc, 0x654321);
    LRESULT brush = SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    Answer a{GetTextColor(dc), GetBkColor(dc), brush != 0};
    ReleaseDC(control, dc);
    return a;
}

void report(const char* what, COLORREF got, COLORREF expected) {
    char line[96];
    std::snprintf(line, sizeof line, "%s %s %06lX\n", what, got == expected ? "ok" : "WRONG",
                  static_cast<unsigned long>(got));
    child_write(line);
}

CHILD_SCENARIO(attach_skin_10) {
    set_up_skin_library();
    Showcase before = make_showcase(20, "before");
    child_write("result " + std::to_string(attach_skin(bin::skin(10))) + "\n");
    Showcase after = make_showcase(400, "after");  // created once the skin is attached: the hook skins it
    for (const Showcase& s : {before, after}) {
        report("label", ask_colours(s.window, WM_CTLCOLORSTATIC, s.label).text, kTextColour);
        report("label-back", ask_colours(s.window, WM_CTLCOLORSTATIC, s.label).back, kWindowColour);
        report("group", ask_colours(s.window, WM_CTLCOLORSTATIC, s.group).text, kGroupTextColour);
        report("check", ask_colours(s.window, WM_CTLCOLORSTATIC, s.check).text, kTextColour);
        report("radio-back", ask_colours(s.window, WM_CTLCOLORSTATIC, s.radio).back, kWindowColour);
        report("edit-back", ask_colours(s.window, WM_CTLCOLOREDIT, s.edit).back, kEditColour);
        report("list-back", ask_colours(s.window, WM_CTLCOLORLISTBOX, s.list).back, kListColour);
    }
    // The program's own drawing in system colours now uses the skin's.
    report("face", GetSysColor(COLOR_BTNFACE), kWindowColour);
    report("text", GetSysColor(COLOR_BTNTEXT), kTextColour);
    DestroyWindow(before.window);
    DestroyWindow(after.window);

    // Many skinned windows at once, every other one closed again: each one left keeps its own skinning and
    // its control's own behaviour (a control answering with another's procedure would lose its text).
    std::vector<Showcase> many, left;
    for (int i = 0; i < 8; ++i) many.push_back(make_showcase(20 + 10 * i, "many"));
    for (size_t i = 0; i < many.size(); ++i) {
        if (i % 2 == 0)
            DestroyWindow(many[i].window);
        else
            left.push_back(many[i]);
    }
    left.push_back(make_showcase(100, "later"));
    for (const Showcase& s : left) {
        report("many-label", ask_colours(s.window, WM_CTLCOLORSTATIC, s.label).text, kTextColour);
        report("many-edit-back", ask_colours(s.window, WM_CTLCOLOREDIT, s.edit).back, kEditColour);
        char text[64] = "";
        GetWindowTextA(s.edit, text, sizeof text);
        child_write(std::string("many-edit-text ") + (std::string(text) == "E:\\Ghost\\G_WinXP.gho" ? "ok" : "WRONG") +
                    "\n");
        report("many-list-items", static_cast<COLORREF>(SendMessageA(s.list, LB_GETCOUNT, 0, 0)), 3);
        DestroyWindow(s.window);
    }
}

CHILD_SCENARIO(attach_not_a_skin) {
    set_up_skin_library();
    Showcase s = make_showcase(20, "plain");
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    child_write("result " + std::to_string(attach_skin(bin::probe_script())) + "\n");
    child_write("result " + std::to_string(attach_skin(empty_bytes())) + "\n");
    report("face", GetSysColor(COLOR_BTNFACE), face);
    Answer a = ask_colours(s.window, WM_CTLCOLOREDIT, s.edit);
    child_write(a.text == 0x123456 || a.text == GetSysColor(COLOR_WINDOWTEXT) ? "edit untouched\n" : "edit skinned\n");
    DestroyWindow(s.window);
}

// For the screenshot test: the program's main window from the form store, loaded as the program loads it,
// with the form store's handlers standing in for the application's; with QG_SKIN=10 the window's created
// event applies skin 10 as the program's start-up does. The window's rectangle goes to the child output; the
// window stays until the file named by QG_SHOTS_DONE exists (at most a minute).
template <int I>
struct Quiet {
    static bool call(const int32_t*, int32_t, int32_t*) { return false; }
};
bool skin_on_creation(const int32_t*, int32_t, int32_t*) {
    applySkin();
    return false;
}
constexpr int kMainWindowCreated = 1;  // the created event's handler in the stored references

CHILD_SCENARIO(main_window) {
    static auto handlers = make_handler_table<Quiet>();
    char skin[8] = "";
    GetEnvironmentVariableA("QG_SKIN", skin, sizeof skin);
    if (std::string(skin) == "10") handlers[kMainWindowCreated] = skin_on_creation;
    ProgramHeader header = programHeader();
    header.code_base = handlers.data();
    wait_for_desktop();
    run_internal(6, &header);
    // The program's folder, where the skin library is written and loaded from, is one the test may write.
    std::string folder = scratch_dir("skin_program");
    set_program_path((folder + "Quenvarghost.exe").c_str());
    SetCurrentDirectoryA(folder.c_str());
    load_startup_window(main_window::kWindow, main_window::self);
    set_property(main_window::kWindow, main_window::self, 0, -1, 20, 0);
    set_property(main_window::kWindow, main_window::self, 1, -1, 20, 0);
    call_library_command(status_bar_set_text, 1, 3,
                         value_unit(main_window::kWindow, main_window::状态条1, kUnitStatusBar), value_int(1),
                         value_text("尚未用本软件备份系统，请及时备份镜像！"));
    process_pending_messages();
    Sleep(1000);
    process_pending_messages();
    RECT r;
    GetWindowRect(static_cast<HWND>(find_window(main_window::kWindow)->hwnd), &r);
    child_write(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
                std::to_string(r.bottom - r.top) + "\n");
    char done[MAX_PATH] = "";
    GetEnvironmentVariableA("QG_SHOTS_DONE", done, sizeof done);
    for (int i = 0; i < 600 && done[0] && GetFileAttributesA(done) == INVALID_FILE_ATTRIBUTES; ++i) {
        process_pending_messages();
        Sleep(100);
    }
    exit_program(0);
}

TEST(SkinLibrary, AttachesThroughTheDllCommandAndSkinsEveryKindOfControl) {
    ChildResult r = run_child("attach_skin_10");
    EXPECT_EQ(r.exit_code, 0u) << r.output;  // a stack imbalance would have ended the child with error 6
    EXPECT_NE(r.output.find("result 1\n"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("WRONG"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find('|'), std::string::npos) << r.output;  // no runtime error
}

TEST(SkinLibrary, DataThatIsNotASkinChangesNothing) {
    ChildResult r = run_child("attach_not_a_skin");
    EXPECT_EQ(r.exit_code, 0u) << r.output;
    EXPECT_EQ(r.output.find("result 0\nresult 0\nface ok "), 0u) << r.output;
    EXPECT_NE(r.output.find("edit untouched\n"), std::string::npos) << r.output;
}
}  // namespace
