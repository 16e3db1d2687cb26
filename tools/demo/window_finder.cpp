// The run command's demo asks this program where the tool's windows and controls are, so that it clicks and
// types where a user would, finding each by what it shows rather than by a position or a size. It runs in the
// tool's virtual desktop (the demo names that desktop for it), sees the windows of that desktop, and prints
// places in the desktop's coordinates:
//   window_finder windows PROGRAM          one line per visible top-level window of the program:
//                                          "KIND X Y WIDTH HEIGHT", KIND one of main, restart-prompt,
//                                          undo-prompt, file-dialog, message, other
//   window_finder control PROGRAM CAPTION  "X Y" of the middle of the first visible control whose caption is
//                                          CAPTION, in the window in front of the others
//   window_finder found-image PROGRAM N    "X Y" of the middle of entry N (from 0) of the found images' list
// Exits with 1 when nothing is found.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
std::string textOf(HWND h) {
    char buf[512] = "";
    GetWindowTextA(h, buf, sizeof buf);
    return buf;
}
std::string classOf(HWND h) {
    char buf[64] = "";
    GetClassNameA(h, buf, sizeof buf);
    return buf;
}

std::vector<DWORD> processesOf(const char* program) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, program) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

// The program's visible top-level windows, the one in front first (EnumWindows goes from the top down).
struct TopWindows {
    std::vector<DWORD> processes;
    std::vector<HWND> found;
};
BOOL CALLBACK eachTop(HWND h, LPARAM p) {
    auto* t = reinterpret_cast<TopWindows*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    for (DWORD id : t->processes)
        if (id == pid && IsWindowVisible(h)) t->found.push_back(h);
    return TRUE;
}
std::vector<HWND> topWindows(const char* program) {
    TopWindows t{processesOf(program), {}};
    EnumWindows(eachTop, reinterpret_cast<LPARAM>(&t));
    return t.found;
}

// The first visible child (at any depth) for which match is true.
template <class Match>
HWND findChild(HWND parent, Match match) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        if (match(c)) return c;
        if (HWND inner = findChild(c, match)) return inner;
    }
    return nullptr;
}
bool holds(HWND top, const char* caption) {
    return findChild(top, [&](HWND c) { return textOf(c) == caption; }) != nullptr;
}
bool holdsTextWith(HWND top, const char* part) {
    return findChild(top, [&](HWND c) { return textOf(c).find(part) != std::string::npos; }) != nullptr;
}

// What a window is, by what it shows: the main window has 退出(&X); the restart prompt asks about a restart,
// the undo prompt about undoing; a file dialog has a name box; any other dialog is a message.
const char* kindOf(HWND top) {
    if (holds(top, "退出(&X)")) return "main";
    if (holds(top, "取消(&N)") && holdsTextWith(top, "重启")) return "restart-prompt";
    if (holds(top, "取消(&N)") && holdsTextWith(top, "撤销")) return "undo-prompt";
    if (classOf(top) == "#32770")
        return findChild(top, [](HWND c) { return classOf(c) == "Edit"; }) ? "file-dialog" : "message";
    return "other";
}

void printMiddle(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string command = argv[1];
    std::vector<HWND> tops = topWindows(argv[2]);
    if (command == "windows") {
        for (HWND top : tops) {
            RECT r;
            GetWindowRect(top, &r);
            std::printf("%s %ld %ld %ld %ld\n", kindOf(top), r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
        return tops.empty() ? 1 : 0;
    }
    if (command == "control" && argc > 3 && !tops.empty()) {
        HWND c = findChild(tops.front(), [&](HWND h) { return textOf(h) == argv[3]; });
        if (!c) return 1;
        printMiddle(c);
        return 0;
    }
    if (command == "found-image" && argc > 3) {
        // The found images' list lies on the main window itself; the partition list lies in a panel.
        for (HWND top : tops) {
            if (std::strcmp(kindOf(top), "main") != 0) continue;
            HWND list = findChild(top, [&](HWND c) { return classOf(c) == "ListBox" && GetParent(c) == top; });
            int index = std::atoi(argv[3]);
            if (!list || index >= SendMessageA(list, LB_GETCOUNT, 0, 0)) return 1;
            int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            int row = index - static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
            RECT inside = {0, 0, 0, 0};
            GetClientRect(list, &inside);
            POINT at = {inside.right / 2, row * height + height / 2};
            ClientToScreen(list, &at);
            std::printf("%ld %ld\n", at.x, at.y);
            return 0;
        }
    }
    return 1;
}
