// The one-key run end to end: the built program, started as a process of its own in a prefix of this test
// (one_key.sh maps D:, E:, F: to folders of the test, C: to a small file system, and puts the program with the
// stand-ins in C:\qg), driven through its windows as a user drives it: button clicks, keys, file dialogs
// answered with a typed path. The files on C: are checked byte for byte. The program is the build's own, which
// carries stand-ins, as shipped where a test needs no seam, and as QuenvarghostSeams.exe (the same sources with
// the test seams) where it does; Quenvarghost-products.exe is the same program built over outside products of
// the tests (with the seams).
// Keys go either to a window as its messages or, where it matters which window has the keyboard, through the
// system's input as a user types them (to whatever window has the focus, held keys repeating as a keyboard
// repeats them).
//
// Where Wine differs from Windows:
// - Wine has no partition tool and only a stub findstr: their stand-ins in C:\qg come first on the path.
// - A forced restart under Wine ends every process of the prefix, this test included: QG_TEST_RESTART_LOG
//   makes the program note the restart request in a file instead.
// - Wine places its folder drives on the first disk in letter order, but not C: on the small file system of
//   one_key.sh: QG_TEST_DRIVE_PLACES gives every run the answers of the folder drives, and the machine at hand.
// - As an ordinary user Wine drops hidden and system when read-only comes with them: this test sets read-only
//   last.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "payloads/constants.h"
#include "tests/support/processes.h"
#include "tests/support/test_support.h"

namespace {
const char kProgramFolder[] = "C:\\qg";
const char kRestartLog[] = "C:\\qg\\restart.log";
const char kIni[] = "C:\\boot.ini";
const char kBak[] = "C:\\boot.bak";
const char kGrldr[] = "C:\\grldr";
const char kGrldrSaved[] = "C:\\grldr.bak";
const char kBatSaved[] = "C:\\ghostbat.bak";
const char kExeSaved[] = "C:\\ghostexe.bak";
const char kBat[] = "C:\\ghost.bat";
const char kExe[] = "C:\\ghost.exe";
const char kImg[] = "C:\\Qelo.img";
const char kImage[] = "E:\\Ghost\\G_WinXP.gho";
const char kFiller[] = "C:\\filler.bin";
const char kProgram[] = "QuenvarghostSeams.exe";
const char kShippedProgram[] = "Quenvarghost.exe";
// What the system says of the folder drives C: to F: (Wine's own answer where it gives one).
const char kFolderDrives[] = "C=0:1;D=0:2;E=0:3;F=0:4";
const char kProductsProgram[] = "Quenvarghost-products.exe";


const std::string kFiveLines =
    "[boot loader]\r\n"
    "timeout=30\r\n"
    "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
    "[operating systems]\r\n"
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n";
const std::string kHeader = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n";
const std::string kEntry = "C:\\grldr=Drelvok";
const std::string kRewrittenFiveLines =
    kHeader + "[operating systems]\r\n" +
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n" + "\r\n" +
    kEntry;

// C: is the first partition, E: the third (the stand-in partition tool reports as many as the list shows).
const std::string kRestoreBatch =
    "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb\r\nrestart";
const std::string kStandInNote = "注意：此版本没有真正的启动程序和Ghost，重启不会备份或还原。";
const std::string kPutBack =
    "\r\n已经撤销这次的改动：C:\\boot.ini 已从 C:\\boot.bak 恢复，写入的文件已删除，计算机和这次操作之前一样。";
const std::string kBackupBatch = "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\b.gho -sure -fro -rb -z1\r\nrestart";

// --- Waiting

template <class F>
bool waitUntil(F done, DWORD ms = 60000) {
    for (DWORD start = GetTickCount();; Sleep(50)) {
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
    }
}

// --- Windows of the program

// A caption as the system keeps it (no message to the program, which may be busy).
std::string textOf(HWND h) {
    char buf[1024] = "";
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}
// An edit box keeps its content itself: ask it.
std::string editText(HWND h) {
    char buf[1024] = "";
    DWORD_PTR got = 0;
    if (h) SendMessageTimeoutA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 10000, &got);
    return buf;
}
std::string classOf(HWND h) {
    char buf[64] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

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
HWND child(HWND parent, std::function<bool(HWND)> match) {
    Search s{std::move(match), 0, nullptr};
    EnumChildWindows(parent, eachWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}
HWND child(HWND parent, const std::string& caption) {
    return child(parent, [&](HWND h) { return textOf(h) == caption; });
}
HWND dialogItem(HWND parent, int id) {
    return child(parent, [id](HWND h) { return GetDlgCtrlID(h) == id; });
}

void click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }
void key(HWND window, WPARAM code) {
    PostMessageA(window, WM_KEYDOWN, code, 1);
    PostMessageA(window, WM_KEYUP, code, 0xC0000001);
}

// A click on an entry of a list box, scrolled into view first; the click goes where the entry then is (no
// message with a pointer, which would have to cross into the program's process).
void clickListEntry(HWND list, int index) {
    SendMessageA(list, LB_SETTOPINDEX, index, 0);
    int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    int row = index - static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    LPARAM at = MAKELPARAM(20, row * height + height / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(waitUntil([&] { return SendMessageA(list, LB_GETCURSEL, 0, 0) == index; }));
}

// --- The keyboard, as a user types: the system's input, to the window that has the keyboard focus

void keyEvent(WORD code, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = code;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(code, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}
void type(WORD code) {
    keyEvent(code, false);
    keyEvent(code, true);
}
void typeWithAlt(WORD code) {
    keyEvent(VK_MENU, false);
    type(code);
    keyEvent(VK_MENU, true);
}
// Held down for a second: the key-down repeats as a keyboard repeats it (after half a second, 30 times a
// second), then the key comes up. With Alt, Alt is held around it.
void holdForASecond(WORD code, bool withAlt = false) {
    if (withAlt) keyEvent(VK_MENU, false);
    keyEvent(code, false);
    Sleep(500);
    for (int i = 0; i < 15; ++i, Sleep(33)) keyEvent(code, false);
    keyEvent(code, true);
    if (withAlt) keyEvent(VK_MENU, true);
}

// The program under test, one process per test.
class Program {
public:
    ~Program() { stop(); }
    // Under the emulated test machine the first windows of a fresh prefix sometimes cannot be created while its
    // desktop is still starting; the program then ends with its start-up error (-1) before its window shows,
    // and is started again.
    void start(const char* program = kProgram) {
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
    void startOnce(const char* program) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (input) {
            startup.dwFlags = STARTF_USESTDHANDLES;
            startup.hStdInput = input;
        }
        std::string line = std::string(kProgramFolder) + "\\" + program;
        ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, input != nullptr, 0, nullptr, kProgramFolder,
                                   &startup, &process_))
            << GetLastError();
        // Start-up ends by giving the window its start-up title.
        ASSERT_TRUE(waitUntil([&] {
            main_ = topWindow([](HWND h) {
                return textOf(h) == "Quenvarghost一键还原工具            2015年7月";
            });
            return main_ != nullptr || ended(0);
        }, 240000)) << "no main window; " << describe();
        if (!main_) return;
        WaitForInputIdle(process_.hProcess, 10000);
        if (!messageAtStartup) {
            ASSERT_EQ(messageBox(), nullptr) << "a message at start-up: " << textOf(messageText(messageBox()));
        }
    }
    bool ended(DWORD ms = 30000) {
        return process_.hProcess && WaitForSingleObject(process_.hProcess, ms) == WAIT_OBJECT_0;
    }
    void stop() {
        if (!process_.hProcess) return;
        if (!ended(0)) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        process_ = {};
    }

    HWND main() const { return main_; }

    // The window of the program that has the keyboard focus.
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
    }
    // The focus once it has settled in a window in front. While a window goes or comes (under Wine without a
    // window manager that can take seconds) the focus passes through hidden windows and windows not yet in
    // front, and moves without any key; keys typed then can go to the window that is going.
    HWND settledFocus() const {
        HWND f = focus();
        return f && IsWindowVisible(f) && GetAncestor(f, GA_ROOT) == GetForegroundWindow() ? f : nullptr;
    }
    // Waits until the program has taken every key typed so far: the system hands it keys in order, so once a
    // Tab typed now has moved the settled focus, the keys before it were taken too. False when the focus never
    // moved (the program ended, or no window of it has the keyboard).
    bool inputTaken() {
        HWND before = nullptr;
        if (!waitUntil([&] { return ended(0) || (before = settledFocus()) != nullptr; }, 20000) || ended(0))
            return false;
        type(VK_TAB);
        return waitUntil([&] {
            HWND now = settledFocus();
            return ended(0) || (now && now != before);
        }, 20000) && !ended(0);
    }
    // Waits until the window has the keyboard: it is in front and the focus has settled in it. Keys typed before
    // can go to the window that is going, or to the one before it.
    bool keyboardIn(HWND top) const {
        return waitUntil([&] {
            HWND f = settledFocus();
            return f && GetAncestor(f, GA_ROOT) == top;
        });
    }
    // Quitting with the boot set in place: one message says that the operation runs at the next restart and
    // how to cancel it; after its OK the program ends.
    void quitThroughReminder() {
        HWND box = waitFor(&Program::messageBox);
        ASSERT_NE(box, nullptr) << "no reminder; " << describe();
        EXPECT_EQ(textOf(messageText(box)),
                  "启动文件仍在 C 盘上：下次重启计算机时，将自动进行这次还原或备份。\r\n\r\n"
                  "如要取消，请在重启前再次运行本工具，按“撒销(U)”。");
        click(dialogItem(box, IDOK));
        EXPECT_TRUE(ended());
    }

    // The program's state and windows, for failure messages.
    std::string describe() const {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        std::string d = code == STILL_ACTIVE ? "running" : "ended with " + std::to_string(code);
        Search s{[&](HWND h) {
                     char line[1400];
                     snprintf(line, sizeof line, "\n  window %p class %s visible %d: \"%s\"", static_cast<void*>(h),
                              classOf(h).c_str(), IsWindowVisible(h) ? 1 : 0, textOf(h).c_str());
                     d += line;
                     for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                         d += "\n    " + classOf(c) + " \"" + textOf(c) + "\"";
                     return false;
                 },
                 process_.dwProcessId, nullptr};
        EnumWindows(eachWindow, reinterpret_cast<LPARAM>(&s));
        return d;
    }
    HWND button(const std::string& caption) const { return child(main_, caption); }
    // A part of the status bar, read through a buffer in the program's own memory.
    std::string statusText(int part) const {
        HWND bar = child(main_, [](HWND h) { return classOf(h) == "msctls_statusbar32"; });
        char text[512] = "";
        void* remote = VirtualAllocEx(process_.hProcess, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE);
        if (bar && remote && SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote)) >= 0)
            ReadProcessMemory(process_.hProcess, remote, text, sizeof text - 1, nullptr);
        if (remote) VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
        return text;
    }
    DWORD exitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    // The image path: the edit box beside 打开1.
    std::string imagePath() const {
        HWND open = button("打开(&F)");
        if (!open) open = button("保存(&S)");
        return editText(FindWindowExA(GetParent(open), nullptr, "Edit", nullptr));
    }
    HWND imageBox() const {
        HWND open = button("打开(&F)");
        if (!open) open = button("保存(&S)");
        return FindWindowExA(GetParent(open), nullptr, "Edit", nullptr);
    }
    // A click on the entry of the partition list whose drive is that letter: the list inside the left panel
    // (the found images' list lies on the window), one entry per drive from C: in letter order.
    void choosePartition(char letter) {
        HWND list = child(main_, [this](HWND h) {
            return lstrcmpiA(classOf(h).c_str(), "ListBox") == 0 && GetParent(h) != main_;
        });
        ASSERT_NE(list, nullptr) << "no partition list";
        int index = letter - 'C';
        ASSERT_LT(index, static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0))) << letter << ": not listed";
        clickListEntry(list, index);
    }
    // Y answered with a message box: its text; the box is closed with its first button (OK, or Yes) or No.
    std::string runToMessage(int answer = IDOK) {
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
    // The entries of the found images' list (the list box that lies on the window itself).
    std::vector<std::string> foundImages() const {
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
    // The custom Ghost path: the edit box beside 打开2.
    std::string customGhostPath() const {
        return editText(FindWindowExA(GetParent(button("打开(&P)")), nullptr, "Edit", nullptr));
    }

    HWND topWindow(std::function<bool(HWND)> match) const {
        Search s{[&](HWND h) { return IsWindowVisible(h) && match(h); }, process_.dwProcessId, nullptr};
        EnumWindows(eachWindow, reinterpret_cast<LPARAM>(&s));
        return s.found;
    }
    // The prompt asks about the operation of the run: restore, back-up or manual Ghost.
    HWND restartPrompt() const {
        return topWindow([](HWND h) {
            return child(h, [](HWND c) { return textOf(c).rfind("程序处理完成，是否马上重启", 0) == 0; }) != nullptr;
        });
    }
    HWND undoPrompt() const {
        return topWindow([](HWND h) { return child(h, "您要撤销之前的操作吗？") != nullptr; });
    }
    // The file dialog's only edit box: its file name box (inside a combo box, or alone).
    static HWND nameBox(HWND dialog) {
        return child(dialog, [](HWND h) { return classOf(h) == "Edit" && IsWindowVisible(h); });
    }
    HWND fileDialog() const {
        return topWindow([](HWND h) { return classOf(h) == "#32770" && nameBox(h); });
    }
    static HWND messageText(HWND box) {
        if (!box) return nullptr;
        HWND t = dialogItem(box, 0xFFFF);
        return t ? t : dialogItem(box, 100);
    }
    HWND messageBox() const {
        return topWindow([](HWND h) { return classOf(h) == "#32770" && !nameBox(h) && messageText(h); });
    }

    HWND waitFor(HWND (Program::*which)() const) const {
        HWND h = nullptr;
        waitUntil([&] { return (h = (this->*which)()) != nullptr; });
        return h;
    }
    bool waitGone(HWND h) const {
        return waitUntil([&] { return !IsWindow(h) || !IsWindowVisible(h); });
    }

    // Types the path into the open or save dialog's name box and presses Enter.
    void answerFileDialog(const std::string& path) {
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
    // A click on 打开1 (whatever its caption) answered with the path; waits until the selection has written
    // the path into the image box.
    void selectImage(const std::string& path) {
        HWND open = button("打开(&F)");
        if (!open) open = button("保存(&S)");
        ASSERT_NE(open, nullptr);
        click(open);
        answerFileDialog(path);
        ASSERT_TRUE(waitUntil([&] { return imagePath() == path; })) << imagePath();
    }
    // A click on 确定 (or the key Y) that ends at the restart prompt.
    HWND runToPrompt(bool byKey = false) {
        byKey ? key(main_, 'Y') : click(button("确定(&Y)"));
        HWND prompt = waitFor(&Program::restartPrompt);
        EXPECT_NE(prompt, nullptr) << "no restart prompt; " << describe();
        return prompt;
    }
    // The message that an action brings up: its text, after it was answered with OK. Afterwards no restart
    // prompt stands and the main window is shown.
    std::string answerMessage() {
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
    // Esc on the restart prompt: the main window comes back.
    void escapeFromPrompt(HWND prompt) {
        key(prompt, VK_ESCAPE);
        EXPECT_TRUE(waitGone(prompt));
        EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(main_) != 0; })) << "the main window stays hidden";
    }

    HANDLE input = nullptr;         // the program's standard input (inheritable), if not the default
    bool messageAtStartup = false;  // start-up may show a message

private:
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// Everything the run writes on C:, as content by path (absent files are left out).
std::map<std::string, std::string> filesOnC() {
    std::map<std::string, std::string> files;
    for (const char* p : {kIni, kBak, kGrldr, kGrldrSaved, kBat, kExe, kImg, kBatSaved, kExeSaved})
        if (exists(p)) files[p] = read_file(p) + "|attributes " + std::to_string(attributes(p));
    return files;
}

void expectBootSet(const std::string& menu, const std::string& batch) {
    EXPECT_EQ(read_file(kIni), menu);
    EXPECT_EQ(attributes(kIni), 0u);
    EXPECT_EQ(read_file(kBat), batch);
    EXPECT_EQ(read_file(kGrldr), payload(bin::boot_loader()));
    EXPECT_EQ(read_file(kExe), payload(bin::dos_ghost()));
    EXPECT_EQ(read_file(kImg), payload(bin::floppy_image()));
}
void expectBackupOfOriginal(const std::string& original) {
    EXPECT_EQ(read_file(kBak), original);
    EXPECT_EQ(attributes(kBak), kHidSysRo);
}

class OneKey : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char path[8192] = "";
        GetEnvironmentVariableA("PATH", path, sizeof path);
        SetEnvironmentVariableA("PATH", (std::string(kProgramFolder) + ";" + path).c_str());
        // One primary, one extended and three logical partitions: four counted, as many as C: to F:.
        SetEnvironmentVariableA("QG_DISKPART_PARTITIONS", "5");
        SetEnvironmentVariableA("QG_TEST_RESTART_LOG", kRestartLog);
        SetEnvironmentVariableA("QG_TEST_DRIVE_PLACES", kFolderDrives);
        CreateDirectoryA("D:\\Ghost", nullptr);
        CreateDirectoryA("E:\\Ghost", nullptr);
        CreateDirectoryA("E:\\tools", nullptr);
        write_bytes(kImage, "IMAGE OF THE SYSTEM");
        write_bytes("E:\\tools\\ghost.exe", "MZ custom ghost");
    }
    static void clearC() {
        for (const char* p : {kIni, kBak, kGrldr, kGrldrSaved, kBat, kExe, kImg, kRestartLog, kFiller, kBatSaved,
                              kExeSaved})
            removeFile(p);
        for (const char* p : {"D:\\Ghost\\x.gho", "E:\\Ghost\\a.gho", "E:\\Ghost\\b.gho", "E:\\Ghost\\old.gho"})
            removeFile(p);
    }
    static void writeMenu(const std::string& content) {
        removeFile(kIni);  // the menu of SetUp is read-only
        write_bytes(kIni, content);
        ASSERT_EQ(read_file(kIni), content);
        setAttributes(kIni, kHidSysRo);
        ASSERT_EQ(attributes(kIni), kHidSysRo);
    }
    void SetUp() override {
        clearC();
        writeMenu(kFiveLines);
    }
    void TearDown() override {
        program.stop();
        clearC();
        SetEnvironmentVariableA("QG_TEST_DRIVE_PLACES", kFolderDrives);
        SetEnvironmentVariableA("QG_DISKPART_PARTITIONS", "5");
    }
    // The machine the next program start sees: the system's placing of the drives, the partition tool's rows.
    static void useMachine(const char* drivePlaces, const char* partitionRows) {
        SetEnvironmentVariableA("QG_TEST_DRIVE_PLACES", drivePlaces);
        SetEnvironmentVariableA("QG_DISKPART_PARTITIONS", partitionRows);
    }
    // Y on the window as it stands is refused with that reason; nothing on C: changes, no restart is offered,
    // the main window stays.
    void expectRefusal(const std::string& reason) {
        SCOPED_TRACE(reason);
        // Y acts only where a click on 确定 could, and no message of an earlier step may stand for the run's.
        ASSERT_TRUE(IsWindowEnabled(program.button("确定(&Y)"))) << program.describe();
        ASSERT_EQ(program.messageBox(), nullptr) << program.describe();
        const auto before = filesOnC();
        EXPECT_EQ(program.runToMessage(), refusalMessage(reason));
        Sleep(300);
        EXPECT_EQ(program.restartPrompt(), nullptr);
        EXPECT_TRUE(IsWindowVisible(program.main()));
        EXPECT_EQ(filesOnC(), before);
    }
    static std::string refusalMessage(const std::string& reason) {
        return "不能进行这次操作：\r\n" + reason + "\r\n\r\n没有做任何改动：C:\\boot.ini 和 C 盘上的文件都保持原样。";
    }
    // A restore's image chosen through 打开 that a run would refuse: the run's message says why at once, nothing
    // on C: has changed by then, and 确定 stays grey.
    void expectRefusedSelection(const std::string& path, const std::string& reason) {
        SCOPED_TRACE(reason);
        // The checks need the partition numbers: the status bar says when the partition tool has answered.
        ASSERT_TRUE(waitUntil([&] { return program.statusText(1) != "正在读取磁盘分区信息，请稍候……"; }));
        const auto before = filesOnC();
        click(program.button("打开(&F)"));
        ASSERT_NO_FATAL_FAILURE(program.answerFileDialog(path));
        HWND box = program.waitFor(&Program::messageBox);
        ASSERT_NE(box, nullptr) << program.describe();
        EXPECT_EQ(textOf(Program::messageText(box)), refusalMessage(reason));
        EXPECT_EQ(filesOnC(), before);
        click(dialogItem(box, IDOK));
        ASSERT_TRUE(program.waitGone(box));
        EXPECT_EQ(program.imagePath(), path);
        EXPECT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    }
    Program program;
};

const std::string kWrongPlace =
    "。\r\n本工具只能对第一块硬盘上、分区号相符的分区操作；请勾选“手动Ghost(M)”，在 Ghost 里亲自选择分区。";
// The drive of that letter has no number on the first disk.
std::string noPlace(const std::string& letter) {
    return letter + ": 盘：系统给不出它在第一块硬盘上的分区号（没有这个盘，或者它是光驱、网络驱动器、SUBST 映射的盘或内存盘）";
}

TEST_F(OneKey, RestoreRunPreparesTheBootSetAndQuitRemindsThatItStaysInPlace) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    EXPECT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_TRUE(IsWindowEnabled(program.button("确定(&Y)")));
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_FALSE(exists(kBak));

    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_FALSE(IsWindowVisible(program.main()));
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    expectBackupOfOriginal(kFiveLines);
    EXPECT_FALSE(exists(kGrldrSaved));

    const auto before = filesOnC();
    click(child(prompt, "取消(&N)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_EQ(filesOnC(), before);
    EXPECT_FALSE(exists(kRestartLog));
}

// A build with stand-ins never restarts: its prompt says so in one more line, and both its restart button and
// Y bring the main window back, where the undo is at hand.
TEST_F(OneKey, BackUpRunInABuildWithStandInsNeverRestarts) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("备份系统(&B)"));
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    EXPECT_EQ(program.imagePath(), "E:\\Ghost\\G_WinXP.gho");
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\b.gho"));
    EXPECT_EQ(read_file("E:\\Ghost\\b.gho"), "E:\\Ghost\\b.gho");

    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_FALSE(IsWindowVisible(program.main()));
    expectBootSet(kRewrittenFiveLines, kBackupBatch);
    expectBackupOfOriginal(kFiveLines);
    const auto before = filesOnC();

    for (bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "key Y" : "restart button");
        HWND note = child(prompt, kStandInNote);
        EXPECT_TRUE(note && IsWindowVisible(note)) << program.describe();
        byKey ? key(prompt, 'Y') : click(child(prompt, "确定(&Y)"));
        EXPECT_TRUE(program.waitGone(prompt));
        EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(program.main()) != 0; })) << program.describe();
        EXPECT_TRUE(IsWindowVisible(program.button("撒销(&U)")));
        EXPECT_FALSE(exists(kRestartLog));
        EXPECT_EQ(filesOnC(), before);
        if (!byKey) {
            ASSERT_NE(prompt = program.runToPrompt(), nullptr);
        }
    }
    click(program.button("退出(&X)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_FALSE(exists(kRestartLog));
}

// Built over outside products (the tests' own small files), the program asks for the restart as it always has.
TEST_F(OneKey, ABuildWithOutsideProductsRestarts) {
    ASSERT_NO_FATAL_FAILURE(program.start(kProductsProgram));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    EXPECT_EQ(read_file(kGrldr), "grldr of the tests: no outside product, no stand-in\r\n");
    EXPECT_EQ(child(prompt, kStandInNote), nullptr);
    key(prompt, 'Y');
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(read_file(kRestartLog), "restart\r\n");
}

// The manual Ghost batch; a run with no operation chosen leaves the batch file alone; Esc on the restart prompt
// brings the main window back, and a later quit still ends the program.
TEST_F(OneKey, ManualGhostBatchAndARunWithoutOperation) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("手动Ghost(&M)"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindowEnabled(program.button("还原系统(&R)")); }));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, "ghost.exe");
    EXPECT_EQ(read_file(kBat).size(), 9u);
    EXPECT_NE(child(prompt, "程序处理完成，是否马上重启进入手动Ghost？"), nullptr) << program.describe();
    program.escapeFromPrompt(prompt);

    // Neither option box nor radio box checked: no user gesture unchecks a radio box, so the test clears it.
    click(program.button("手动Ghost(&M)"));
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(program.button("还原系统(&R)")) != 0; }));
    SendMessageA(program.button("还原系统(&R)"), BM_SETCHECK, BST_UNCHECKED, 0);
    write_bytes(kBat, "an earlier batch");
    for (const char* p : {kGrldr, kExe, kImg}) removeFile(p);
    prompt = program.runToPrompt(true);
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, "an earlier batch");
    // Quit from the second prompt ends the program, as it does without an earlier Esc.
    click(child(prompt, "取消(&N)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_FALSE(exists(kRestartLog));
}

// D:\Ghost is no place for a back-up; E:\Ghost is, and a placeholder marks the target until Ghost writes it,
// but never over an image that is already there.
TEST_F(OneKey, SaveModeTargets) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("备份系统(&B)"));
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    HWND run = program.button("确定(&Y)");

    ASSERT_NO_FATAL_FAILURE(program.selectImage("D:\\Ghost\\x.gho"));
    EXPECT_FALSE(IsWindowEnabled(run));
    EXPECT_FALSE(exists("D:\\Ghost\\x.gho"));

    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\a.gho"));
    EXPECT_TRUE(IsWindowEnabled(run));
    EXPECT_EQ(read_file("E:\\Ghost\\a.gho"), "E:\\Ghost\\a.gho");
    EXPECT_EQ(read_file("E:\\Ghost\\a.gho").size(), 14u);

    write_bytes("E:\\Ghost\\old.gho", "AN EARLIER BACK-UP IMAGE");
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\old.gho"));
    EXPECT_TRUE(IsWindowEnabled(run));
    EXPECT_EQ(read_file("E:\\Ghost\\old.gho"), "AN EARLIER BACK-UP IMAGE");
}

// F and S do what their button does; P, U and Y do nothing while 打开2 is disabled, 撒销 hidden and 确定 grey
// (even with a path that a run would take). Letters typed into the custom Ghost box are its text: none of them
// acts as a key (M would tick manual Ghost, X quit), and nothing on C: changes.
TEST_F(OneKey, KeysActOnlyWhereAClickCould) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND main = program.main();
    for (char k : {'F', 'S'}) {
        SCOPED_TRACE(std::string("key ") + k);
        key(main, k);
        ASSERT_NO_FATAL_FAILURE(program.answerFileDialog(kImage));
        EXPECT_TRUE(waitUntil([&] { return program.imagePath() == kImage; })) << program.imagePath();
        EXPECT_TRUE(IsWindowEnabled(program.button("确定(&Y)")));
        click(program.button("还原系统(&R)"));  // empties the path and disables 确定 again
        ASSERT_TRUE(waitUntil([&] { return program.imagePath().empty(); }));
    }

    ASSERT_FALSE(IsWindowEnabled(program.button("打开(&P)")));
    ASSERT_FALSE(IsWindowVisible(program.button("撒销(&U)")));
    ASSERT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    // The box of the image path is the program's own, so the test fills it.
    SendMessageA(program.imageBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kImage));
    const auto before = filesOnC();
    ASSERT_TRUE(program.keyboardIn(main)) << program.describe();
    for (WORD k : {'P', 'U', 'Y'}) type(k);
    EXPECT_TRUE(program.inputTaken()) << program.describe();
    EXPECT_EQ(program.fileDialog(), nullptr);
    EXPECT_EQ(program.undoPrompt(), nullptr);
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_EQ(filesOnC(), before);

    click(program.button("高级(&A)"));
    HWND custom = program.button("自定义Ghost版本(&V)");
    click(custom);
    HWND box = FindWindowExA(GetParent(custom), nullptr, "Edit", nullptr);
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(box) != 0; }));
    PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));  // a click into the box
    PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(waitUntil([&] { return program.focus() == box; })) << program.describe();
    ASSERT_TRUE(program.keyboardIn(main)) << program.describe();
    for (WORD k : {'M', 'Y', 'X'}) type(k);
    EXPECT_TRUE(waitUntil([&] { return program.customGhostPath() == "myx"; })) << program.customGhostPath();
    EXPECT_FALSE(program.ended(0));
    EXPECT_EQ(SendMessageA(program.button("手动Ghost(&M)"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_EQ(filesOnC(), before);
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

// The undo after a run: the menu as the run copied it, with its attributes (a second selection after the run
// changes nothing), our files gone, another tool's boot loader back in place, and a message that says so.
TEST_F(OneKey, UndoPutsEverythingBack) {
    const std::string foreign = "A BOOT LOADER OF ANOTHER TOOL";
    write_bytes(kGrldr, foreign);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    EXPECT_EQ(read_file(kGrldrSaved), foreign);
    program.escapeFromPrompt(prompt);

    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    expectBackupOfOriginal(kFiveLines);

    key(program.main(), 'U');
    HWND undo = program.waitFor(&Program::undoPrompt);
    ASSERT_NE(undo, nullptr);
    click(child(undo, "确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "撤销完成。\r\nC:\\boot.ini 已从 C:\\boot.bak 恢复为原来的启动菜单。\r\n"
              "已删除本工具的文件：C:\\grldr、C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img\r\n"
              "已放回别的程序原有的文件：C:\\grldr");
    ASSERT_TRUE(program.waitGone(undo));
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_EQ(read_file(kGrldr), foreign);
    for (const char* p : {kBak, kGrldrSaved, kBat, kExe, kImg}) EXPECT_FALSE(exists(p)) << p;
    HWND undoButton = program.button("撒销(&U)");
    EXPECT_TRUE(IsWindowVisible(undoButton));
    EXPECT_FALSE(IsWindowEnabled(undoButton));
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

TEST_F(OneKey, BootMenusOfSevenOrMoreLinesKeepEveryLineFromLineFourOn) {
    const std::string lines4to8 =
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINNT=\"Windows 2000\" /fastdetect\r\n"
        "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Safe\" /safeboot:minimal\r\n";
    const std::string eightLines = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n" + lines4to8;
    writeMenu(eightLines);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kHeader + lines4to8 + kEntry, kRestoreBatch);
    expectBackupOfOriginal(eightLines);
    click(child(prompt, "取消(&N)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
}

// A run whose menu rewrite fails, and that finds another program's batch file it cannot keep aside, says so,
// puts back what it wrote and offers no restart. Another program holds C:\boot.ini and C:\ghost.bat open
// (reading only): the rewrite cannot replace the menu, nor can the batch file be moved aside, so the run does
// not write over it.
TEST_F(OneKey, AFailedRunSaysWhatFailedAndPutsBackWhatItWrote) {
    const std::string another = "A BATCH FILE OF ANOTHER TOOL";
    write_bytes(kBat, another);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HANDLE menu = CreateFileA(kIni, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE batch = CreateFileA(kBat, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    click(program.button("确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "启动文件没有全部写好，不能重启进行操作：\r\n"
              "C:\\boot.ini 没有改写成新的启动项\r\n"
              "C:\\ghost.bat 是别的程序的文件，没能另存为 C:\\ghostbat.bak，所以没有写入\r\n" + kPutBack);
    CloseHandle(menu);
    CloseHandle(batch);
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_EQ(read_file(kBat), another);
    for (const char* p : {kBak, kGrldr, kExe, kImg, "C:\\ghostbat.bak"}) EXPECT_FALSE(exists(p)) << p;
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
    EXPECT_FALSE(exists(kRestartLog));
}

// The window is on screen while the partition tool has not answered yet; a run asked for meanwhile waits for
// the answer (its batch needs the partition numbers), and closing the window meanwhile ends the program cleanly.
TEST_F(OneKey, TheWindowComesBeforeThePartitionProbeAnswers) {
    const char kDiskReady[] = "C:\\qg\\disk-ready";
    const std::string kReading = "正在读取磁盘分区信息，请稍候……";
    removeFile(kDiskReady);
    SetEnvironmentVariableA("QG_DISKPART_WAIT_FOR", kDiskReady);
    struct Reset {
        ~Reset() { SetEnvironmentVariableA("QG_DISKPART_WAIT_FOR", nullptr); }
    } reset;

    ASSERT_NO_FATAL_FAILURE(program.start());
    EXPECT_EQ(program.statusText(1), kReading);
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    click(program.button("确定(&Y)"));
    Sleep(1000);  // the run waits: nothing may come of the click yet
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_FALSE(exists(kBat));
    write_bytes(kDiskReady, "");
    HWND prompt = program.waitFor(&Program::restartPrompt);
    ASSERT_NE(prompt, nullptr) << "the waiting run did not run; status: " << program.statusText(1) << "; "
                               << program.describe();
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    EXPECT_EQ(program.statusText(1), "尚未用本软件备份系统，请及时备份镜像！");
    click(child(prompt, "取消(&N)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    program.stop();

    removeFile(kDiskReady);
    ASSERT_NO_FATAL_FAILURE(program.start());
    EXPECT_EQ(program.statusText(1), kReading);
    PostMessageA(program.main(), WM_CLOSE, 0, 0);  // the boot set of the run above is still in place
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_EQ(program.exitCode(), 0u) << "not a clean end";
    // The probe of the closed window goes on to its end once the partition tool answers; the next test's probe
    // must not meet it (both write their partition tool's script into the same folder).
    write_bytes(kDiskReady, "");
    EXPECT_TRUE(waitUntil([] { return !probeRuns(); }, 30000));
}

// A hidden first partition, as the system places the drives and the partition tool counts them (C: is the
// disk's second partition): both batch lines number every partition one higher. On the way, the keys B, G and M
// act as clicks on their boxes (M and G do nothing where their box cannot be clicked), and a back-up over an
// existing image asks first.
TEST_F(OneKey, HiddenFirstPartitionAndTheKeysOfTheBoxes) {
    useMachine("C=0:2;D=0:3;E=0:4", "5");
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND main = program.main(), manual = program.button("手动Ghost(&M)"), ghost32 = program.button("Ghost32(&G)");
    key(main, 'M');  // 手动选择框 lies outside the simple layout
    key(main, 'G');  // G选择框 is disabled
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_EQ(SendMessageA(manual, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(ghost32, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines,
                  "Ghost.exe -nousb -clone,mode=pload,src=1:4\\Ghost\\G_WinXP.gho:1,dst=1:2  -sure -rb\r\nrestart");
    program.escapeFromPrompt(prompt);

    // B in restore mode is the click on 备份单选框: the other box unchecked, the back-up captions and target.
    key(main, 'B');
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    EXPECT_EQ(SendMessageA(program.button("还原系统(&R)"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(program.button("备份系统(&B)"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(program.imagePath(), kImage);
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));  // the target chosen again: 确定 is grey until then
    const auto before = filesOnC();
    const std::string question = "“E:\\Ghost\\G_WinXP.gho”已经有一个镜像（镜像大小：0MB，创建日期：";
    std::string asked = program.runToMessage(IDNO);
    EXPECT_EQ(asked.substr(0, question.size()), question) << asked;
    EXPECT_NE(asked.find("）。\r\n备份会覆盖它，要继续吗？"), std::string::npos) << asked;
    EXPECT_EQ(filesOnC(), before);
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_EQ(read_file(kImage), "IMAGE OF THE SYSTEM");

    program.runToMessage(IDYES);
    prompt = program.waitFor(&Program::restartPrompt);
    ASSERT_NE(prompt, nullptr) << program.describe();
    expectBootSet(kRewrittenFiveLines,
                  "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:4\\Ghost\\G_WinXP.gho -sure -fro -rb -z1\r\nrestart");
    click(child(prompt, "取消(&N)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
}

// A CD drive at D: between partitions: a run with an image on it is refused and names the drive.
TEST_F(OneKey, AnImageOnACdIsRefused) {
    useMachine("C=0:1;D=cd;E=0:2", "3");
    CreateDirectoryA("D:\\Ghost", nullptr);
    write_bytes("D:\\Ghost\\x.gho", "AN IMAGE ON A CD");
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection("D:\\Ghost\\x.gho", noPlace("D") + kWrongPlace));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
}

// Runs that cannot do what was chosen: a restore onto the image's own partition, a back-up of the partition
// that is to hold the image, a path with a blank, an image gone since it was chosen, the placeholder of a
// back-up that never ran. A back-up target's placeholder goes when the program ends without a run for it.
TEST_F(OneKey, RunsThatCannotWorkAreRefused) {
    CreateDirectoryA("E:\\My Images", nullptr);
    write_bytes("E:\\My Images\\x.gho", "IMAGE");
    write_bytes("E:\\Ghost\\gone.gho", "IMAGE");
    write_bytes("E:\\Ghost\\p.gho", "E:\\Ghost\\p.gho");
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('E'));
    ASSERT_NO_FATAL_FAILURE(expectRefusal("镜像就在要还原的分区 1:3 上，还原会把镜像自己覆盖掉。请先把镜像放到另一个分区。"));
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('C'));
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(
        "E:\\My Images\\x.gho", "镜像路径“E:\\My Images\\x.gho”含有空格，Ghost 会把它读成两个参数。请使用不含空格的路径。"));
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\gone.gho"));
    removeFile("E:\\Ghost\\gone.gho");
    ASSERT_NO_FATAL_FAILURE(expectRefusal("镜像文件“E:\\Ghost\\gone.gho”不存在。"));
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(
        "E:\\Ghost\\p.gho", "镜像文件“E:\\Ghost\\p.gho”只是一次未完成的备份留下的占位文件，不是镜像。"));

    click(program.button("备份系统(&B)"));
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\b.gho"));
    EXPECT_EQ(read_file("E:\\Ghost\\b.gho"), "E:\\Ghost\\b.gho");
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('E'));
    ASSERT_NO_FATAL_FAILURE(expectRefusal("镜像要存放在被备份的分区 1:3 上。请把镜像存到另一个分区。"));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
    EXPECT_FALSE(exists("E:\\Ghost\\b.gho"));
    EXPECT_EQ(read_file("E:\\Ghost\\p.gho"), "E:\\Ghost\\p.gho");  // not this process's placeholder
    for (const char* p : {"E:\\My Images\\x.gho", "E:\\Ghost\\p.gho"}) removeFile(p);
    RemoveDirectoryA("E:\\My Images");
}

// Drives C: to L: on a disk of ten partitions (one_key.sh maps G: to L: for this case only, in a second start of
// the prefix): every drive has the number the system gives it, H: and two digits included.
class OneKeyTenDrives : public OneKey {
protected:
    static void SetUpTestSuite() {
        OneKey::SetUpTestSuite();
        CreateDirectoryA("H:\\Ghost", nullptr);
        write_bytes("H:\\Ghost\\x.gho", "AN IMAGE ON H:");
    }
    void SetUp() override {
        OneKey::SetUp();
        // One primary, one extended and nine logical partitions: ten counted.
        useMachine("C=0:1;D=0:2;E=0:3;F=0:4;G=0:5;H=0:6;I=0:7;J=0:8;K=0:9;L=0:10", "11");
    }
};

TEST_F(OneKeyTenDrives, TenPartitionsAreNumberedAsTheSystemPlacesThem) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt(true);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(read_file(kBat), kRestoreBatch);
    program.escapeFromPrompt(prompt);

    ASSERT_NO_FATAL_FAILURE(program.selectImage("H:\\Ghost\\x.gho"));
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('L'));
    ASSERT_NE(prompt = program.runToPrompt(true), nullptr);
    EXPECT_EQ(read_file(kBat), "Ghost.exe -nousb -clone,mode=pload,src=1:6\\Ghost\\x.gho:1,dst=1:10  -sure -rb\r\nrestart");
    program.escapeFromPrompt(prompt);
    key(program.main(), 'X');
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
}

// C: as one_key.sh makes it where it can: a small file system of its own, which a test can fill.
bool driveCIsSmall() {
    ULARGE_INTEGER total{};
    return GetDiskFreeSpaceExA("C:\\", nullptr, &total, nullptr) && total.QuadPart <= (256u << 20);
}
// Leaves 1 MiB on C:: room for the menu and its copy, the boot loader, the batch and the imaging program, not
// the floppy image.
void fillDriveC() {
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, nullptr, nullptr));
    ASSERT_GT(available.QuadPart, (4u << 20));
    write_bytes(kFiller, std::string(static_cast<size_t>(available.QuadPart - (1u << 20)), '\0'));
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, nullptr, nullptr));
    ASSERT_LT(available.QuadPart, (2u << 20));
}

// C: too full for the floppy image: a message, no restart, and the machine as it was: the menu byte for byte
// with its attributes, none of the boot set's files, another tool's boot loader back in place.
TEST_F(OneKey, ARunOnAFullDriveCPutsTheMachineBack) {
    if (!driveCIsSmall()) GTEST_SKIP() << "C: is not the small file system of one_key.sh";
    const std::string foreign = "A BOOT LOADER OF ANOTHER TOOL";
    write_bytes(kGrldr, foreign);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(fillDriveC());

    key(program.main(), 'Y');
    EXPECT_EQ(program.answerMessage(),
              "启动文件没有全部写好，不能重启进行操作：\r\nC:\\Qelo.img 没有写入或内容不对\r\n" + kPutBack);
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_EQ(read_file(kGrldr), foreign);
    for (const char* p : {kBak, kGrldrSaved, kBat, kExe, kImg}) EXPECT_FALSE(exists(p)) << p;
    removeFile(kFiller);
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

// Without C:\boot.ini (a system that starts another way) the run is refused and writes nothing.
TEST_F(OneKey, NoBootMenuIsRefusedAndNothingIsWritten) {
    removeFile(kIni);
    ASSERT_NO_FATAL_FAILURE(program.start(kShippedProgram));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    key(program.main(), 'Y');
    EXPECT_EQ(program.answerMessage(),
              "不能进行这次操作：\r\n"
              "没有 C:\\boot.ini：这个系统不是通过 C:\\boot.ini 启动的（本工具只用于 Windows 2000/XP）。"
              "\r\n\r\n没有做任何改动：C:\\boot.ini 和 C 盘上的文件都保持原样。");
    EXPECT_EQ(filesOnC(), (std::map<std::string, std::string>{}));
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

// A read-only, hidden, system C:\boot.bak holding an older menu: the image selection leaves it as it is, and
// the run replaces it with the menu as it is before it writes anything else.
TEST_F(OneKey, AnOlderCopyOfTheMenuIsReplacedByTheRun) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    write_bytes(kBak, "[boot loader]\r\ntimeout=30\r\n");
    setAttributes(kBak, kHidSysRo);
    const auto before = filesOnC();
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_EQ(filesOnC(), before);
    ASSERT_NE(program.runToPrompt(), nullptr);
    expectBackupOfOriginal(kFiveLines);
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
}

// The undo without C:\boot.bak keeps the boot loader that the menu still starts, and says so.
TEST_F(OneKey, UndoWithoutTheCopySaysTheMenuCouldNotBePutBack) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    program.escapeFromPrompt(prompt);
    removeFile(kBak);

    key(program.main(), 'U');
    HWND undo = program.waitFor(&Program::undoPrompt);
    ASSERT_NE(undo, nullptr);
    click(child(undo, "确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "撤销没有全部完成。\r\n已删除本工具的文件：C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img\r\n"
              "没有找到 C:\\boot.bak，启动菜单无法恢复：C:\\boot.ini 里仍有本工具的启动项“C:\\grldr=Drelvok”"
              "（default=C:\\grldr），所以 C:\\grldr 保留在原处。\r\n"
              "请编辑 C:\\boot.ini，删除这一行，并把 default= 改回原来的系统。");
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    EXPECT_EQ(read_file(kGrldr), payload(bin::boot_loader()));
    for (const char* p : {kBat, kExe, kImg}) EXPECT_FALSE(exists(p)) << p;
}

// Typed keys reach the main window as soon as a prompt is gone: after Esc on the restart prompt, and after
// either button of the undo prompt (U opens the undo prompt only when the main window has the keyboard).
TEST_F(OneKey, TypedKeysReachTheMainWindowAfterEachPrompt) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(program.keyboardIn(prompt)) << program.describe();
    type(VK_ESCAPE);
    ASSERT_TRUE(program.waitGone(prompt)) << "Esc did not reach the restart prompt";
    // A user types once the main window is back: it must then be the one with the keyboard.
    ASSERT_TRUE(program.keyboardIn(program.main())) << "the main window did not come back active";
    for (const char* answer : {"取消(&N)", "确定(&Y)"}) {
        SCOPED_TRACE(answer);
        type('U');
        HWND undo = program.waitFor(&Program::undoPrompt);
        ASSERT_NE(undo, nullptr) << "U did not reach the main window; " << program.describe();
        click(child(undo, answer));
        if (answer == std::string("确定(&Y)")) EXPECT_NE(program.answerMessage(), "");  // what the undo did
        ASSERT_TRUE(program.waitGone(undo));
        ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    }
    EXPECT_EQ(read_file(kIni), kFiveLines);  // undone: no reminder on the way out
    type('X');
    EXPECT_TRUE(program.ended()) << "X did not reach the main window; " << program.describe();
}

// A key acts only in the window where its press began: Y or Alt+Y held down in the main window runs the
// one-key run once and leaves the restart prompt open (no restart asked for); Esc held down in the file dialog
// closes the dialog, not the main window as well.
TEST_F(OneKey, HeldKeysActOnlyWhereTheirPressBegan) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    for (bool withAlt : {false, true}) {
        SCOPED_TRACE(withAlt ? "Alt+Y" : "Y");
        ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
        holdForASecond('Y', withAlt);
        HWND prompt = program.waitFor(&Program::restartPrompt);
        ASSERT_NE(prompt, nullptr) << program.describe();
        EXPECT_TRUE(program.inputTaken()) << program.describe();
        EXPECT_TRUE(IsWindowVisible(prompt));
        EXPECT_FALSE(exists(kRestartLog));
        type(VK_ESCAPE);
        ASSERT_TRUE(program.waitGone(prompt));
    }
    ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    type('F');
    HWND dialog = program.waitFor(&Program::fileDialog);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(program.keyboardIn(dialog)) << program.describe();
    holdForASecond(VK_ESCAPE);
    ASSERT_TRUE(program.waitGone(dialog));
    ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    EXPECT_TRUE(program.inputTaken()) << program.describe();
    // Typed, not posted: a posted key would overtake the rest of the Esc press still waiting in the input.
    type('X');
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_FALSE(exists(kRestartLog));
}

// From the start, Tab visits the units a user can see and use, the radio boxes as one stop; Alt and an
// underlined letter click that control (Alt+B the back-up box alone, Alt+R restore again).
TEST_F(OneKey, TabStopsAndUnderlinedLetters) {
    ASSERT_NO_FATAL_FAILURE(program.start(kShippedProgram));
    auto name = [](HWND h) { return classOf(h) == "Button" ? textOf(h) : classOf(h); };
    std::vector<std::string> visited;
    for (int i = 0; i < 10; ++i) {
        HWND before = program.focus();
        type(VK_TAB);
        ASSERT_TRUE(waitUntil([&] { return program.focus() != before; }, 20000))
            << "Tab moved the focus nowhere after " << visited.size() << " stops";
        visited.push_back(name(program.focus()));
    }
    const std::vector<std::string> stops = {"退出(&X)", "ListBox", "打开(&F)", "还原系统(&R)", "高级(&A)"};
    std::vector<std::string> twice = stops;
    twice.insert(twice.end(), stops.begin(), stops.end());
    EXPECT_EQ(visited, twice);

    HWND restore = program.button("还原系统(&R)"), backup = program.button("备份系统(&B)");
    typeWithAlt('B');
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; })) << "Alt+B chose no back-up";
    EXPECT_EQ(SendMessageA(backup, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(restore, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    typeWithAlt('R');
    ASSERT_TRUE(waitUntil([&] { return program.button("打开(&F)") != nullptr; })) << "Alt+R chose no restore";
    EXPECT_EQ(SendMessageA(restore, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(backup, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    typeWithAlt('X');
    EXPECT_TRUE(program.ended());
}

// --- The window does what it shows: a found image picked, the restart prompt's question, one copy at a time

// A click on an entry of the list of found images (the list on the window itself).
void pickFoundImage(const Program& program, int index) {
    HWND list = child(program.main(), [&](HWND h) {
        return lstrcmpiA(classOf(h).c_str(), "ListBox") == 0 && GetParent(h) == program.main();
    });
    ASSERT_NE(list, nullptr) << "no list of found images";
    ASSERT_LT(index, static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)));
    clickListEntry(list, index);
}

// In a restore, a pick in the list of found images is an image selection as through 打开: the path, 确定
// enabled, and Y runs with the picked image. The image picked lies in a folder with a Chinese name, made on the
// disk with its UTF-8 name as one_key.sh does: the search finds it under its GBK name, and the batch file names
// it with those bytes.
TEST_F(OneKey, AFoundImagePickedIsTheImageOfTheRun) {
    const std::string image = "E:\\备份\\sys.gho";
    ASSERT_EQ(read_file(image), "IMAGE IN A FOLDER WITH A CHINESE NAME") << "the folder's name did not come through";
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("高级(&A)"));
    HWND search = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (search = program.button("搜索(&S)")) && IsWindowEnabled(search); }));
    click(search);
    ASSERT_TRUE(waitUntil([&] {
        return child(program.main(), [](HWND h) { return textOf(h).rfind("本地磁盘共有", 0) == 0; });
    })) << program.describe();
    const auto found = program.foundImages();
    const auto at = std::find(found.begin(), found.end(), image);
    ASSERT_NE(at, found.end()) << "not among the found images: " << ::testing::PrintToString(found);
    ASSERT_NO_FATAL_FAILURE(pickFoundImage(program, static_cast<int>(at - found.begin())));
    EXPECT_TRUE(waitUntil([&] { return program.imagePath() == image; })) << program.imagePath();
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(program.button("确定(&Y)")) != 0; }));

    HWND prompt = program.runToPrompt(true);
    ASSERT_NE(prompt, nullptr);
    std::string batch = kRestoreBatch;
    batch.replace(batch.find("\\Ghost\\G_WinXP.gho"), std::strlen("\\Ghost\\G_WinXP.gho"), "\\备份\\sys.gho");
    expectBootSet(kRewrittenFiveLines, batch);
    expectBackupOfOriginal(kFiveLines);
    click(child(prompt, "取消(&N)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
}

// After a back-up run the restart prompt asks about a back-up. Esc brings the main window back with 撒销 at
// hand, and the undo prompt takes a plain Y.
TEST_F(OneKey, TheRestartPromptNamesTheBackUpAndTheUndoStaysAtHand) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("备份系统(&B)"));
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\b.gho"));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, kBackupBatch);
    EXPECT_NE(child(prompt, "程序处理完成，是否马上重启计算机进行备份？"), nullptr) << program.describe();
    program.escapeFromPrompt(prompt);

    HWND undoButton = program.button("撒销(&U)");
    EXPECT_TRUE(IsWindowVisible(undoButton) && IsWindowEnabled(undoButton));
    ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    type('U');
    HWND undo = program.waitFor(&Program::undoPrompt);
    ASSERT_NE(undo, nullptr) << program.describe();
    ASSERT_TRUE(program.keyboardIn(undo)) << program.describe();
    type('Y');
    EXPECT_EQ(program.answerMessage(),
              "撤销完成。\r\nC:\\boot.ini 已从 C:\\boot.bak 恢复为原来的启动菜单。\r\n"
              "已删除本工具的文件：C:\\grldr、C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img");
    ASSERT_TRUE(program.waitGone(undo));
    EXPECT_TRUE(waitUntil([] { return read_file(kIni) == kFiveLines; }));
    for (const char* p : {kBak, kGrldr, kBat, kExe, kImg}) EXPECT_FALSE(exists(p)) << p;
}

// One copy at a time: a second start brings the running copy's window to the front (restored from the task bar)
// and ends without a window of its own.
TEST_F(OneKey, ASecondStartBringsTheRunningCopyToTheFront) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND main = program.main();
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(main) != 0; }));

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION second{};
    std::string line = std::string(kProgramFolder) + "\\" + kProgram;
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, kProgramFolder, &startup,
                               &second));
    EXPECT_EQ(WaitForSingleObject(second.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);

    EXPECT_TRUE(waitUntil([&] { return !IsIconic(main) && GetForegroundWindow() == main; })) << program.describe();
    int mainWindows = 0;
    Search all{[&](HWND h) {
                   mainWindows += IsWindowVisible(h) && textOf(h) == "Quenvarghost一键还原工具            2015年7月";
                   return false;
               },
               0, nullptr};
    EnumWindows(eachWindow, reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(mainWindows, 1);
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

// A library left damaged by a write cut short is written again at the next start, and the window is skinned.
TEST_F(OneKey, ADamagedSkinLibraryIsWrittenAgain) {
    const std::string library = std::string(kProgramFolder) + "\\SkinH_EL.dll";
    removeFile(library.c_str());
    write_bytes(library, payload(bin::skin_library()).substr(0, 20000));
    ASSERT_NO_FATAL_FAILURE(program.start(kShippedProgram));
    EXPECT_TRUE(read_file(library) == payload(bin::skin_library()));
    // Skin 10 paints the window's own background in its window colour.
    POINT inside{3, 3};
    ClientToScreen(program.main(), &inside);
    COLORREF seen = 0;
    EXPECT_TRUE(waitUntil([&] {
        HDC screen = GetDC(nullptr);
        seen = GetPixel(screen, inside.x, inside.y);
        ReleaseDC(nullptr, screen);
        return seen == 0xF4E3D4;
    }, 20000)) << std::hex << seen;
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}
// --- Partition numbers as the system gives them, and what DOS or Ghost would misread

// A file dialog closed with its cancel button; then the program has handled the click.
void cancelFileDialog(Program& program) {
    HWND dialog = program.waitFor(&Program::fileDialog);
    ASSERT_NE(dialog, nullptr) << program.describe();
    click(dialogItem(dialog, IDCANCEL));
    ASSERT_TRUE(program.waitGone(dialog));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(program.main(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer));
}

// Two primary partitions and no extended one (the partition tool lists two rows, the system places C: and D:
// first and second): a restore of C: from D: names 1:2 and 1:1. The program's standard input stays open
// without a key ever coming, and the probe answers all the same (its script ends waiting for a key). On this
// machine without E: the preset back-up target there is refused; a cancelled save dialog changes nothing.
TEST_F(OneKey, TwoPrimaryPartitionsAndADriveTheSystemDoesNotHave) {
    useMachine("C=0:1;D=0:2", "2");
    write_bytes("D:\\Ghost\\sys.gho", "AN IMAGE ON D:");
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE keys = nullptr, keyboard = nullptr;
    ASSERT_TRUE(CreatePipe(&keys, &keyboard, &inheritable, 0));
    SetHandleInformation(keyboard, HANDLE_FLAG_INHERIT, 0);
    struct Close {
        HANDLE h;
        ~Close() { CloseHandle(h); }
    } closeKeyboard{keyboard};
    program.input = keys;
    ASSERT_NO_FATAL_FAILURE(program.start());
    CloseHandle(keys);
    ASSERT_NO_FATAL_FAILURE(program.selectImage("D:\\Ghost\\sys.gho"));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines,
                  "Ghost.exe -nousb -clone,mode=pload,src=1:2\\Ghost\\sys.gho:1,dst=1:1  -sure -rb\r\nrestart");
    program.escapeFromPrompt(prompt);

    click(program.button("备份系统(&B)"));
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    ASSERT_EQ(program.imagePath(), kImage);
    click(program.button("保存(&S)"));
    ASSERT_NO_FATAL_FAILURE(cancelFileDialog(program));
    EXPECT_EQ(program.imagePath(), kImage);
    EXPECT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(expectRefusal(noPlace("E") + kWrongPlace));
    EXPECT_EQ(read_file(kImage), "IMAGE OF THE SYSTEM");
    key(program.main(), 'X');
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    removeFile("D:\\Ghost\\sys.gho");
}

// Image paths that the DOS command interpreter or Ghost's arguments would read otherwise, a batch line longer
// than DOS hands a program, a path without its drive, and a partition table that orders the drives otherwise
// than the system numbers them (E: is the third partition to the system, the fourth on the disk): each is
// refused, naming what is wrong.
TEST_F(OneKey, PathsAndLayoutsThatGhostWouldMisreadAreRefused) {
    SetEnvironmentVariableA("QG_TEST_DISK_ORDER", "1,2,4,3");
    struct Reset {
        ~Reset() { SetEnvironmentVariableA("QG_TEST_DISK_ORDER", nullptr); }
    } reset;
    const std::string comma = "E:\\Ghost\\a,b.gho", percent = "E:\\100%\\x.gho";
    const std::string longPath = "D:\\Ghost\\" + std::string(70, 'x') + ".gho", shortPath = "D:\\Ghost\\d.gho";
    CreateDirectoryA("E:\\100%", nullptr);
    for (const std::string& p : {comma, percent, longPath, shortPath}) write_bytes(p, "AN IMAGE");
    const std::string misread = "，DOS 或 Ghost 会把它读错。请使用不含 , % | < > \" 这些字符的路径。";
    ASSERT_NO_FATAL_FAILURE(program.start());

    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(comma, "镜像路径“" + comma + "”含有字符“,”" + misread));
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(percent, "镜像路径“" + percent + "”含有字符“%”" + misread));
    const std::string line = "Ghost.exe -nousb -clone,mode=pload,src=1:2" + longPath.substr(2) + ":1,dst=1:1  -sure -rb";
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(longPath, "Ghost 的命令行参数有 " + std::to_string(line.size() - 9) +
                                          " 个字节，超过了 DOS 传给程序的 126 个字节，多出的部分会被截掉。请使用更短的镜像路径。"));
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(kImage, "E: 盘是系统编号的 1:3，但按分区表里的先后顺序它是第 4 个分区：分区布局不寻常" +
                                          kWrongPlace));
    // The box of the path is the program's own: after an image the run accepts, the test writes a path without
    // its drive into it.
    ASSERT_NO_FATAL_FAILURE(program.selectImage(shortPath));
    ASSERT_TRUE(IsWindowEnabled(program.button("确定(&Y)")));
    SendMessageA(program.imageBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Ghost\\G_WinXP.gho"));
    ASSERT_NO_FATAL_FAILURE(expectRefusal(
        "镜像路径“Ghost\\G_WinXP.gho”不是以盘符、冒号和反斜杠开头的完整路径（例如 E:\\Ghost\\sys.gho）。"));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
    for (const std::string& p : {comma, percent, longPath, shortPath}) removeFile(p.c_str());
    RemoveDirectoryA("E:\\100%");
}

// A partition tool that never answers: past the probe's time limit (shortened for the test) the probe's
// programs are ended and the message says that the partition information could not be read; the window stays
// usable, and a run is refused.
TEST_F(OneKey, APartitionToolThatNeverAnswers) {
    SetEnvironmentVariableA("QG_DISKPART_WAIT_FOR", "C:\\qg\\never");
    SetEnvironmentVariableA("QG_TEST_PROBE_LIMIT_MS", "3000");
    struct Reset {
        ~Reset() {
            SetEnvironmentVariableA("QG_DISKPART_WAIT_FOR", nullptr);
            SetEnvironmentVariableA("QG_TEST_PROBE_LIMIT_MS", nullptr);
        }
    } reset;
    program.messageAtStartup = true;
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND box = program.waitFor(&Program::messageBox);
    ASSERT_NE(box, nullptr) << program.describe();
    EXPECT_EQ(textOf(Program::messageText(box)), "获取磁盘分区信息失败，请重启程序");
    click(dialogItem(box, IDOK));
    ASSERT_TRUE(program.waitGone(box));
    EXPECT_TRUE(waitUntil([] { return !probeRuns(); })) << "the probe's programs still run";
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(expectRefusal("没有读到磁盘分区信息，不能确定 Ghost 的分区号。请重启程序后再试。"));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
}

// --- What the tool changes on C: comes back, and only that: nothing before a run, the menu as the user left
// it, other tools' files, a menu never missing.

// Choosing an image, cancelling the file dialog and quitting leave C: as it was: the menu byte for byte and
// attribute for attribute, and no copy of it.
TEST_F(OneKey, NothingOnCChangesBeforeARun) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    const auto before = filesOnC();
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    click(program.button("打开(&F)"));
    HWND dialog = program.waitFor(&Program::fileDialog);
    ASSERT_NE(dialog, nullptr) << program.describe();
    click(dialogItem(dialog, IDCANCEL));
    ASSERT_TRUE(program.waitGone(dialog));
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(filesOnC(), before);
    EXPECT_FALSE(exists(kBak));
}

// The undo after an edit of the menu that the tool did not make (its entry taken out by hand and a line
// added): the edit stays, the tool's files go, and the message says the menu was left as it was.
TEST_F(OneKey, TheUndoKeepsAMenuEditedSinceTheRun) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    program.escapeFromPrompt(prompt);
    const std::string edited = kFiveLines + "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n";
    writeMenu(edited);

    key(program.main(), 'U');
    HWND undo = program.waitFor(&Program::undoPrompt);
    ASSERT_NE(undo, nullptr);
    click(child(undo, "确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "撤销完成。\r\nC:\\boot.ini 里没有本工具的启动项，保持原样，没有改动。\r\n"
              "已删除本工具的文件：C:\\grldr、C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img");
    EXPECT_EQ(read_file(kIni), edited);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    for (const char* p : {kGrldr, kBat, kExe, kImg}) EXPECT_FALSE(exists(p)) << p;
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

// Another tool's imaging program and batch file on C:: a failed run (C: too full for the floppy image) leaves
// them as they were; a run keeps them aside, and the undo puts them back.
TEST_F(OneKey, AnotherToolsFilesComeBackAfterAFailedRunAndAfterTheUndo) {
    if (!driveCIsSmall()) GTEST_SKIP() << "C: is not the small file system of one_key.sh";
    const std::string ghost = "MZ THE IMAGING PROGRAM OF ANOTHER TOOL", batch = "ghost.exe -clone of another tool";
    write_bytes(kExe, ghost);
    write_bytes(kBat, batch);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(fillDriveC());
    click(program.button("确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "启动文件没有全部写好，不能重启进行操作：\r\nC:\\Qelo.img 没有写入或内容不对\r\n" + kPutBack);
    removeFile(kFiller);
    EXPECT_EQ(read_file(kExe), ghost);
    EXPECT_EQ(read_file(kBat), batch);
    for (const char* p : {kBak, kGrldr, kImg, kBatSaved, kExeSaved}) EXPECT_FALSE(exists(p)) << p;

    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    EXPECT_EQ(read_file(kExeSaved), ghost);
    EXPECT_EQ(read_file(kBatSaved), batch);
    program.escapeFromPrompt(prompt);
    key(program.main(), 'U');
    HWND undo = program.waitFor(&Program::undoPrompt);
    ASSERT_NE(undo, nullptr);
    click(child(undo, "确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "撤销完成。\r\nC:\\boot.ini 已从 C:\\boot.bak 恢复为原来的启动菜单。\r\n"
              "已删除本工具的文件：C:\\grldr、C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img\r\n"
              "已放回别的程序原有的文件：C:\\ghost.bat、C:\\ghost.exe");
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(read_file(kExe), ghost);
    EXPECT_EQ(read_file(kBat), batch);
    for (const char* p : {kBak, kGrldr, kImg, kBatSaved, kExeSaved}) EXPECT_FALSE(exists(p)) << p;

    // Another tool's boot loader that cannot go aside (a C:\grldr.bak is there already) is never written over:
    // the run fails and puts everything back.
    write_bytes(kGrldr, "A BOOT LOADER OF ANOTHER TOOL");
    write_bytes(kGrldrSaved, "AN OLDER SAVED BOOT LOADER");
    click(program.button("确定(&Y)"));
    EXPECT_EQ(program.answerMessage(), "启动文件没有全部写好，不能重启进行操作：\r\nC:\\grldr 是别的程序的文件，没能另存为 "
                                       "C:\\grldr.bak，所以没有写入\r\n" + kPutBack);
    EXPECT_EQ(read_file(kGrldr), "A BOOT LOADER OF ANOTHER TOOL");
    EXPECT_EQ(read_file(kGrldrSaved), "AN OLDER SAVED BOOT LOADER");
    EXPECT_EQ(read_file(kIni), kFiveLines);
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}

// A failed run while another program holds C:\boot.bak open (reading only): the copy cannot be moved over the
// menu, so its bytes are written back into C:\boot.ini instead. The menu is never missing; here it is as it
// was, the held copy too, and the message says so.
TEST_F(OneKey, ARollbackWhileAnotherProgramHoldsTheCopyOpen) {
    if (!driveCIsSmall()) GTEST_SKIP() << "C: is not the small file system of one_key.sh";
    write_bytes(kBak, kFiveLines);  // a copy of the menu as it is
    setAttributes(kBak, kHidSysRo);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(fillDriveC());
    HANDLE held = CreateFileA(kBak, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(held, INVALID_HANDLE_VALUE);
    click(program.button("确定(&Y)"));
    const std::string said = program.answerMessage();
    CloseHandle(held);
    removeFile(kFiller);
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_EQ(said, "启动文件没有全部写好，不能重启进行操作：\r\nC:\\Qelo.img 没有写入或内容不对\r\n" + kPutBack);
    EXPECT_EQ(read_file(kBak), kFiveLines);
    EXPECT_EQ(attributes(kBak), kHidSysRo);
    for (const char* p : {kGrldr, kBat, kExe, kImg}) EXPECT_FALSE(exists(p)) << p;
    click(program.button("退出(&X)"));
    EXPECT_TRUE(program.ended());
}
}  // namespace
