// The program under test as a process of its own, driven through its windows as a user drives it: button
// clicks, keys, list clicks, file dialogs answered with a typed path. Used by the end-to-end tests.
// Keys go either to a window as its messages or, where it matters which window has the keyboard, through the
// system's input as a user types them (to whatever window has the focus, held keys repeating as a keyboard
// repeats them).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The folder the programs and the stand-ins lie in (C:\qg, made by tests/e2e/one_key.sh).
constexpr char kProgramFolder[] = "C:\\qg";
// The program with the test seams, the shipped program, and the program built over the tests' own outside
// products (with the seams).
constexpr char kProgram[] = "QuenvarghostSeams.exe";
constexpr char kShippedProgram[] = "Quenvarghost.exe";
constexpr char kProductsProgram[] = "Quenvarghost-products.exe";
// The main window's title once start-up is over.
constexpr char kStartupTitle[] = "Quenvarghost一键还原工具            2015年7月";

// --- Waiting

// Waits until done() holds, looking every 50 ms; false when it did not within ms.
template <class F>
bool waitUntil(F done, DWORD ms = 60000) {
    for (DWORD start = GetTickCount();; Sleep(50)) {
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
    }
}

// --- Windows of any process

// A caption as the system keeps it (no message to the program, which may be busy).
inline std::string textOf(HWND h) {
    char buf[1024] = "";
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}
std::string editText(HWND h);  // an edit box keeps its content itself: asked
inline std::string classOf(HWND h) {
    char buf[64] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}
HWND child(HWND parent, std::function<bool(HWND)> match);
inline HWND child(HWND parent, const std::string& caption) {
    return child(parent, [&](HWND h) { return textOf(h) == caption; });
}
inline HWND dialogItem(HWND parent, int id) {
    return child(parent, [id](HWND h) { return GetDlgCtrlID(h) == id; });
}
// Every top-level window of the process (every process with 0), as long as visit returns false; the window
// it returned true for.
HWND eachTopWindow(DWORD pid, std::function<bool(HWND)> visit);

inline void click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }
// A key press posted to the window.
inline void key(HWND window, WPARAM code) {
    PostMessageA(window, WM_KEYDOWN, code, 1);
    PostMessageA(window, WM_KEYUP, code, 0xC0000001);
}
// A click on an entry of a list box, scrolled into view first; waits until the list has selected it.
void clickListEntry(HWND list, int index);

// --- The keyboard, as a user types: the system's input, to the window that has the keyboard focus

void type(WORD code);
void typeWithAlt(WORD code);
// Held down for a second: the key-down repeats as a keyboard repeats it (after half a second, 30 times a
// second), then the key comes up. With Alt, Alt is held around it.
void holdForASecond(WORD code, bool withAlt = false);

// Starts another copy of the program and waits for its end (at most a minute): its exit code, STILL_ACTIVE when
// it did not end.
DWORD runToEnd(const char* program);

// The program under test, one process per test.
class Program {
public:
    ~Program() { stop(); }
    // Starts the program and waits for its main window (no message may stand at start-up unless
    // messageAtStartup is set).
    void start(const char* program = kProgram);
    bool ended(DWORD ms = 30000) {
        return process_.hProcess && WaitForSingleObject(process_.hProcess, ms) == WAIT_OBJECT_0;
    }
    void stop();
    DWORD exitCode() const;

    HWND main() const { return main_; }
    HWND button(const std::string& caption) const { return child(main_, caption); }
    // The program's state and windows, for failure messages.
    std::string describe() const;

    // --- The keyboard focus
    // The window of the program that has the keyboard focus.
    HWND focus() const;
    // The focus once it has settled in a window in front. While a window goes or comes (under Wine without a
    // window manager that can take seconds) the focus passes through hidden windows and windows not yet in
    // front, and moves without any key; keys typed then can go to the window that is going.
    HWND settledFocus() const;
    // Waits until the program has taken every key typed so far: the system hands it keys in order, so once a
    // Tab typed now has moved the settled focus, the keys before it were taken too. False when the focus never
    // moved (the program ended, or no window of it has the keyboard).
    bool inputTaken();
    // Waits until the window has the keyboard: it is in front and the focus has settled in it. Keys typed before
    // can go to the window that is going, or to the one before it.
    bool keyboardIn(HWND top) const;

    // --- What the main window shows
    std::string statusText(int part) const;  // a part of the status bar
    HWND imageBox() const;                   // the edit box of the image path, beside 打开1
    std::string imagePath() const { return editText(imageBox()); }
    std::string customGhostPath() const {  // the edit box beside 打开2
        return editText(FindWindowExA(GetParent(button("打开(&P)")), nullptr, "Edit", nullptr));
    }
    // The entries of the found images' list (the list box that lies on the window itself), in GBK.
    std::vector<std::string> foundImages() const;

    // --- The program's other windows
    HWND topWindow(std::function<bool(HWND)> match) const;  // a visible top-level window of the program
    HWND restartPrompt() const;  // whatever operation it asks about: restore, back-up or manual Ghost
    HWND undoPrompt() const { return topWindow([](HWND h) { return child(h, "您要撤销之前的操作吗？") != nullptr; }); }
    HWND fileDialog() const { return topWindow([](HWND h) { return classOf(h) == "#32770" && nameBox(h); }); }
    HWND messageBox() const {
        return topWindow([](HWND h) { return classOf(h) == "#32770" && !nameBox(h) && messageText(h); });
    }
    static HWND messageText(HWND box);
    // The file dialog's only edit box: its file name box.
    static HWND nameBox(HWND dialog) {
        return child(dialog, [](HWND h) { return classOf(h) == "Edit" && IsWindowVisible(h); });
    }
    HWND waitFor(HWND (Program::*which)() const) const {
        HWND h = nullptr;
        waitUntil([&] { return (h = (this->*which)()) != nullptr; });
        return h;
    }
    bool waitGone(HWND h) const { return waitUntil([&] { return !IsWindow(h) || !IsWindowVisible(h); }); }

    // --- What a user does
    // A click on the entry of the partition list whose drive is that letter (one entry per drive from C:).
    void choosePartition(char letter);
    // A click on 备份系统; waits until the window shows the back-up (打开1 reads 保存).
    void chooseBackUp();
    // Types the path into the open or save dialog's name box and presses Enter.
    void answerFileDialog(const std::string& path);
    // A click on 打开1 (whatever its caption) answered with the path; waits until the selection has written
    // the path into the image box.
    void selectImage(const std::string& path);
    // A click on 确定 (or the key Y) that ends at the restart prompt.
    HWND runToPrompt(bool byKey = false);
    // Y answered with a message box: its text; the box is closed with its first button (OK, or Yes) or No.
    std::string runToMessage(int answer = IDOK);
    // The message that an action brings up: its text, after it was answered with OK. Afterwards no restart
    // prompt stands and the main window is shown.
    std::string answerMessage();
    // U on the main window, the undo prompt confirmed: the message that says what the undo did.
    std::string undo();
    // Esc on the restart prompt: the main window comes back.
    void escapeFromPrompt(HWND prompt);
    // Quitting with the boot set in place: one message says that the operation runs at the next restart and
    // how to cancel it; after its OK the program ends.
    void quitThroughReminder();
    // 取消 on the restart prompt, which quits through the reminder.
    void quitFromPrompt(HWND prompt) {
        click(child(prompt, "取消(&N)"));
        quitThroughReminder();
    }
    // A click on 退出 with nothing to remind of: the program ends.
    void quit() {
        click(button("退出(&X)"));
        EXPECT_TRUE(ended());
    }

    HANDLE input = nullptr;         // the program's standard input (inheritable), if not the default
    bool messageAtStartup = false;  // start-up may show a message

private:
    void startOnce(const char* program);

    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};
