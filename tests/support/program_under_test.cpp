#include "tests/support/program_under_test.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

// --- Windows of any process

std::string editText(HWND h) {
    char buf[1024] = "";
    DWORD_PTR got = 0;
    if (h) SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 10000, &got);
    return buf;
}
namespace {
struct Search {
    std::function<bool(HWND)> match;
    DWORD pid;
    HWND found;
};
BOOL CALLBACK eachWindow(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if ((!s->pid || pid == s->pid) && s->match(h)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND child(HWND parent, std::function<bool(HWND)> match) {
    Search s{std::move(match), 0, nullptr};
    EnumChildWindows(parent, eachWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}
HWND eachTopWindow(DWORD pid, std::function<bool(HWND)> visit) {
    Search s{std::move(visit), pid, nullptr};
    EnumWindows(eachWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The click goes where the entry is once scrolled into view (no message with a pointer, which would have to
// cross into the program's process).
void clickListEntry(HWND list, int index) {
    SendMessageA(list, LB_SETTOPINDEX, index, 0);
    int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    int row = index - static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    LPARAM at = MAKELPARAM(20, row * height + height / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(waitUntil([&] { return SendMessageA(list, LB_GETCURSEL, 0, 0) == index; }));
}

// --- The keyboard

namespace {
void keyEvent(WORD code, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = code;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}
}  // namespace

void type(WORD code) {
    keyEvent(code, false);
    keyEvent(code, true);
}
void typeWithAlt(WORD code) {
    keyEvent(VK_MENU, false);
    type(code);
    keyEvent(VK_MENU, true);
}
void holdForASecond(WORD code, bool withAlt) {
    if (withAlt) keyEvent(VK_MENU, false);
    keyEvent(code, false);
    Sleep(500);
    for (int i = 0; i < 15; ++i, Sleep(33)) keyEvent(code, false);
    keyEvent(code, true);
    if (withAlt) keyEvent(VK_MENU, true);
}

namespace {
bool startProcess(const char* program, HANDLE input, PROCESS_INFORMATION* process) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (input) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
    }
    std::string line = std::string(kProgramFolder) + "\\" + program;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, input != nullptr, 0, nullptr, kProgramFolder, &startup,
                          process);
}
}  // namespace

DWORD runToEnd(const char* program) {
    PROCESS_INFORMATION process{};
    if (!startProcess(program, nullptr, &process)) {
        ADD_FAILURE() << program << " did not start: " << GetLastError();
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

// --- The program under test

// Under the emulated test machine the first windows of a fresh prefix sometimes cannot be created while its
// desktop is still starting; the program then ends with its start-up error (-1) before its window shows, and is
// started again.
void Program::start(const char* program) {
    for (int attempt = 0; attempt < 6; ++attempt) {
        ASSERT_NO_FATAL_FAILURE(startOnce(program));
        if (main_ || !ended(0)) return;
        std::printf("the program ended before its window showed; starting it again\n");
        std::fflush(stdout);
        stop();
        Sleep(5000);
    }
    FAIL() << "the program never showed its window";
}

void Program::startOnce(const char* program) {
    ASSERT_TRUE(startProcess(program, input, &process_)) << GetLastError();
    // Start-up ends by giving the window its start-up title.
    ASSERT_TRUE(waitUntil([&] {
        main_ = topWindow([](HWND h) { return textOf(h) == kStartupTitle; });
        return main_ != nullptr || ended(0);
    }, 240000)) << "no main window; " << describe();
    if (!main_) return;
    WaitForInputIdle(process_.hProcess, 10000);
    if (!messageAtStartup) {
        ASSERT_EQ(messageBox(), nullptr) << "a message at start-up: " << textOf(messageText(messageBox()));
    }
}

void Program::stop() {
    if (!process_.hProcess) return;
    if (!ended(0)) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
}

DWORD Program::exitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::string Program::describe() const {
    DWORD code = exitCode();
    std::string d = code == STILL_ACTIVE ? "running" : "ended with " + std::to_string(code);
    eachTopWindow(process_.dwProcessId, [&](HWND h) {
        char line[1400];
        snprintf(line, sizeof line, "\n  window %p class %s visible %d: \"%s\"", static_cast<void*>(h),
                 classOf(h).c_str(), IsWindowVisible(h) ? 1 : 0, textOf(h).c_str());
        d += line;
        for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            d += "\n    " + classOf(c) + " \"" + textOf(c) + "\"";
        return false;
    });
    return d;
}

// --- The keyboard focus

HWND Program::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

HWND Program::settledFocus() const {
    HWND f = focus();
    return f && IsWindowVisible(f) && GetAncestor(f, GA_ROOT) == GetForegroundWindow() ? f : nullptr;
}

bool Program::inputTaken() {
    HWND before = nullptr;
    if (!waitUntil([&] { return ended(0) || (before = settledFocus()) != nullptr; }, 20000) || ended(0))
        return false;
    type(VK_TAB);
    return waitUntil([&] {
        HWND now = settledFocus();
        return ended(0) || (now && now != before);
    }, 20000) && !ended(0);
}

bool Program::keyboardIn(HWND top) const {
    return waitUntil([&] {
        HWND f = settledFocus();
        return f && GetAncestor(f, GA_ROOT) == top;
    });
}

// --- What the main window shows

// Read through a buffer in the program's own memory.
std::string Program::statusText(int part) const {
    HWND bar = child(main_, [](HWND h) { return classOf(h) == "msctls_statusbar32"; });
    char text[512] = "";
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE);
    if (bar && remote && SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote)) >= 0)
        ReadProcessMemory(process_.hProcess, remote, text, sizeof text - 1, nullptr);
    if (remote) VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

HWND Program::imageBox() const {
    HWND open = button("打开(&F)");
    if (!open) open = button("保存(&S)");
    return FindWindowExA(GetParent(open), nullptr, "Edit", nullptr);
}

std::vector<std::string> Program::foundImages() const {
    HWND list = child(main_, [this](HWND h) {
        return lstrcmpiA(classOf(h).c_str(), "ListBox") == 0 && GetParent(h) == main_;
    });
    std::vector<std::string> found;
    int count = list ? static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)) : 0;
    // Asked in UTF-16 and turned into GBK here: an ANSI question across processes comes back in UTF-16 under Wine.
    for (int i = 0; i < count; ++i) {
        wchar_t entry[MAX_PATH] = L"";
        char gbk[MAX_PATH * 2] = "";
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) < MAX_PATH)
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry));
        WideCharToMultiByte(936, 0, entry, -1, gbk, sizeof gbk, nullptr, nullptr);
        found.push_back(gbk);
    }
    return found;
}

// --- The program's other windows

HWND Program::topWindow(std::function<bool(HWND)> match) const {
    return eachTopWindow(process_.dwProcessId, [&](HWND h) { return IsWindowVisible(h) && match(h); });
}
HWND Program::restartPrompt() const {
    return topWindow([](HWND h) {
        return child(h, [](HWND c) { return textOf(c).rfind("程序处理完成，是否马上重启", 0) == 0; }) != nullptr;
    });
}
HWND Program::messageText(HWND box) {
    if (!box) return nullptr;
    HWND t = dialogItem(box, 0xFFFF);
    return t ? t : dialogItem(box, 100);
}
// --- What a user does

// The partition list lies inside the left panel (the found images' list lies on the window).
void Program::choosePartition(char letter) {
    HWND list = child(main_, [this](HWND h) {
        return lstrcmpiA(classOf(h).c_str(), "ListBox") == 0 && GetParent(h) != main_;
    });
    ASSERT_NE(list, nullptr) << "no partition list";
    int index = letter - 'C';
    ASSERT_LT(index, static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0))) << letter << ": not listed";
    clickListEntry(list, index);
}

void Program::chooseBackUp() {
    click(button("备份系统(&B)"));
    ASSERT_TRUE(waitUntil([&] { return button("保存(&S)") != nullptr; })) << describe();
}

void Program::answerFileDialog(const std::string& path) {
    HWND dialog = waitFor(&Program::fileDialog);
    ASSERT_NE(dialog, nullptr) << "no file dialog; " << describe();
    // Typed over whatever the box proposes: the dialog follows the box through its change notifications.
    HWND name = nameBox(dialog);
    PostMessageA(name, EM_SETSEL, 0, -1);
    if (std::any_of(path.begin(), path.end(), [](char c) { return c & 0x80; }))
        SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));  // GBK, as a pasted name
    else
        for (char c : path) PostMessageA(name, WM_CHAR, static_cast<unsigned char>(c), 1);
    ASSERT_TRUE(waitUntil([&] { return editText(name) == path; }, 20000)) << editText(name);
    key(name, VK_RETURN);
    if (!waitUntil([&] { return !IsWindow(dialog); }, 10000)) {
        ADD_FAILURE() << "Enter in the name box did not close the dialog";
        click(dialogItem(dialog, IDOK));
    }
    ASSERT_TRUE(waitGone(dialog)) << "the dialog did not take " << path;
}

void Program::selectImage(const std::string& path) {
    HWND open = button("打开(&F)");
    if (!open) open = button("保存(&S)");
    ASSERT_NE(open, nullptr);
    click(open);
    answerFileDialog(path);
    ASSERT_TRUE(waitUntil([&] { return imagePath() == path; })) << imagePath();
}

HWND Program::runToPrompt(bool byKey) {
    byKey ? key(main_, 'Y') : click(button("确定(&Y)"));
    HWND prompt = waitFor(&Program::restartPrompt);
    EXPECT_NE(prompt, nullptr) << "no restart prompt; " << describe();
    return prompt;
}

std::string Program::runToMessage(int answer) {
    key(main_, 'Y');
    HWND box = waitFor(&Program::messageBox);
    if (!box) return "no message; " + describe();
    std::string text = textOf(messageText(box));
    HWND button = dialogItem(box, answer);
    if (!button) return "no button " + std::to_string(answer) + " on: " + text;
    click(button);
    if (!waitGone(box)) return "the message stays: " + text;
    return text;
}

std::string Program::answerMessage() {
    HWND box = waitFor(&Program::messageBox);
    if (!box) {
        ADD_FAILURE() << "no message; " << describe();
        return "";
    }
    std::string said = textOf(messageText(box));
    EXPECT_EQ(restartPrompt(), nullptr);
    click(dialogItem(box, IDOK));
    EXPECT_TRUE(waitGone(box));
    Sleep(500);
    EXPECT_EQ(restartPrompt(), nullptr);
    EXPECT_TRUE(IsWindowVisible(main_));
    return said;
}

std::string Program::undo() {
    key(main_, 'U');
    HWND prompt = waitFor(&Program::undoPrompt);
    if (!prompt) {
        ADD_FAILURE() << "no undo prompt; " << describe();
        return "";
    }
    click(child(prompt, "确定(&Y)"));
    std::string said = answerMessage();
    EXPECT_TRUE(waitGone(prompt));
    return said;
}

void Program::escapeFromPrompt(HWND prompt) {
    key(prompt, VK_ESCAPE);
    EXPECT_TRUE(waitGone(prompt));
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(main_) != 0; })) << "the main window stays hidden";
}

void Program::quitThroughReminder() {
    HWND box = waitFor(&Program::messageBox);
    ASSERT_NE(box, nullptr) << "no reminder; " << describe();
    EXPECT_EQ(textOf(messageText(box)),
              "启动文件仍在 C 盘上：下次重启计算机时，将自动进行这次还原或备份。\r\n\r\n"
              "如要取消，请在重启前再次运行本工具，按“撒销(U)”。");
    click(dialogItem(box, IDOK));
    EXPECT_TRUE(ended());
}

