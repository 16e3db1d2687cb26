// Benchmarks of the tool, run by tools/bench.sh inside the sandbox. Each measures the tool's own code and a
// plain program doing the same work side by side, in alternating rounds of one run, and prints the medians
// and their ratio. Nothing here asserts anything about time.
//
//   bench search ROUNDS      the image search through its button handler (event pumping included) against
//                            a plain FindFirstFileA walk of D:, E:, F:
//   bench write ROUNDS       the one-key run's boot set writing (boot loader, DOS Ghost, floppy image through
//                            write_file) against one CreateFileA and one WriteFile of the same bytes each
//   bench startup PROGRAM WITHOUT_PROBE EMPTY BARE ROUNDS
//                            process start to main window shown against the empty program EMPTY: the tool
//                            itself (PROGRAM), its probe running against the stand-in partition tool beside
//                            it, and the tool built with its partition probe taken out (WITHOUT_PROBE), also
//                            set against BARE (bare_windows.cpp) rebuilding its main window's windows bare
//                            from a table taken from its running window
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "forms/window_layer.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/processes.h"

extern const uint8_t form_data_block[];
extern const uint32_t form_data_block_size;

namespace {
double now_ms() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void report(const char* what, const char* ours, const std::vector<double>& a, const char* plain,
            const std::vector<double>& b) {
    double ma = median(a), mb = median(b);
    std::printf("%s: %s %.1f ms, %s %.1f ms (medians of %u rounds), ratio %.2f\n", what, ours, ma, plain, mb,
                static_cast<unsigned>(a.size()), mb > 0 ? ma / mb : 0.0);
    std::fflush(stdout);
}

// --- The main window in this process, with only the handlers a benchmark needs bound, so that none of the
// start-up work runs.
bool noHandler(const int32_t*, int32_t, int32_t*) { return false; }
const HandlerFn kHandlers[] = {
#define HANDLER(name) std::strcmp(#name, "onSearchClicked") == 0 ? &bound_handler<&onSearchClicked> : &noHandler,
#include "forms/handlers.inc"
#undef HANDLER
    nullptr,
};
const ProgramHeader kHeader = {3,
                               0,
                               0x000102EA,
                               kHandlers,
                               constant_area(),
                               kConstantAreaSize,
                               form_data_block,
                               form_data_block_size,
                               3,
                               kSupportLibraries,
                               0,
                               nullptr,
                               nullptr};

// The first window of a freshly started prefix may fail to be created while the prefix's desktop is still
// starting up (slowly, on an emulated machine): try for a while.
bool loadMainWindow() {
    install_window_layer();
    run_internal(6, &kHeader);
    for (int i = 0; i < 120; ++i) {
        if (value_as_bool(
                call_command(load_window, 1, value_unit(main_window::kWindow, main_window::self, kUnitWindow))))
            return true;
        Sleep(500);
    }
    std::printf("the main window could not be loaded (error %lu)\n", GetLastError());
    return false;
}

// --- Image search

// The plain walk: one listing of every folder, images by their extension, folders not beginning with ".".
int plainWalk(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int images = 0;
    std::vector<std::string> below;
    do {
        size_t n = std::strlen(entry.cFileName);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (entry.cFileName[0] != '.') below.push_back(folder + entry.cFileName + "\\");
        } else if (n >= 4 && lstrcmpiA(entry.cFileName + n - 4, ".gho") == 0) {
            ++images;
        }
    } while (FindNextFileA(h, &entry));
    FindClose(h);
    for (const std::string& f : below) images += plainWalk(f);
    return images;
}

// The same walk with the two listings per folder that the search asks for ("*.gho", then folders in "*.*").
int twoListingWalk(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    int images = 0;
    HANDLE h = FindFirstFileA((folder + "*.gho").c_str(), &entry);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++images;
        } while (FindNextFileA(h, &entry));
        FindClose(h);
    }
    h = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) return images;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.cFileName[0] != '.')
            images += twoListingWalk(folder + entry.cFileName + "\\");
    } while (FindNextFileA(h, &entry));
    FindClose(h);
    return images;
}

int walkDrives(int (*walk)(const std::string&)) {
    int images = 0;
    for (const char* drive : {"D:\\", "E:\\", "F:\\"}) images += walk(drive);
    return images;
}

int benchSearch(int rounds) {
    if (!loadMainWindow()) return 1;
    int plainImages = walkDrives(plainWalk);  // also brings the folders into the file system's caches
    std::vector<double> search, plain, twoListings;
    for (int r = 0; r < rounds; ++r) {
        double t0 = now_ms();
        walkDrives(plainWalk);
        double t1 = now_ms();
        onSearchClicked();
        double t2 = now_ms();
        int twoListingImages = walkDrives(twoListingWalk);
        double t3 = now_ms();
        plain.push_back(t1 - t0);
        search.push_back(t2 - t1);
        twoListings.push_back(t3 - t2);
        if (foundCount != plainImages || twoListingImages != plainImages) {
            std::printf("the walks disagree: search %d, plain %d, two listings %d images\n", foundCount, plainImages,
                        twoListingImages);
            return 1;
        }
    }
    // What the search's event pumping alone costs: one call per folder visit, with nothing pending.
    double p0 = now_ms();
    for (int i = 0; i < 1000; ++i) call_command(process_events, 0);
    double pump = (now_ms() - p0) / 1000;
    // What drawing the list of found images once costs, scroll bar included (once the search's last items
    // have been let draw).
    for (DWORD end = GetTickCount() + 2500; static_cast<int32_t>(end - GetTickCount()) > 0; Sleep(10))
        process_pending_messages();
    HWND list =
        reinterpret_cast<HWND>(runtime_service(kServiceFindUnitQuiet, main_window::kWindow, main_window::列表框2));
    double d0 = now_ms();
    for (int i = 0; i < 10; ++i)
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    double drawing = (now_ms() - d0) / 10;
    std::printf("search over %d images (letting window events run costs %.2f ms a call, drawing the list %.1f ms):\n",
                plainImages, pump, drawing);
    report("  search vs plain walk", "search", search, "plain walk", plain);
    report("  search vs walk with the search's two listings per folder", "search", search, "two-listing walk",
           twoListings);
    return 0;
}

// --- Boot set writing

struct BootFile {
    const char* target;
    const void* payload;
};

bool writeRaw(const std::string& path, const void* block) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes_block_data(block), static_cast<DWORD>(bytes_block_length(block)), &written, nullptr);
    CloseHandle(h);
    return ok;
}

int benchWrite(int rounds) {
    if (!loadMainWindow()) return 1;  // the DOS Ghost step reads the window's custom-program box
    const BootFile files[] = {{"C:\\grldr", bin::boot_loader()},
                              {"C:\\ghost.exe", bin::dos_ghost()},
                              {"C:\\Qelo.img", bin::floppy_image()}};
    CreateDirectoryA("C:\\bench-write", nullptr);
    auto plainTarget = [](const BootFile& f) { return std::string("C:\\bench-write") + std::strrchr(f.target, '\\'); };
    int64_t total = 0;
    for (const BootFile& f : files) total += bytes_block_length(f.payload);
    auto removeTargets = [&] {
        for (const BootFile& f : files) {
            DeleteFileA(f.target);
            DeleteFileA(plainTarget(f).c_str());
        }
    };
    std::vector<double> deploy, plain;
    for (int r = 0; r < rounds; ++r) {
        removeTargets();
        double t0 = now_ms();
        deployBootLoader();
        deployDosGhost();
        deployFloppyImage();
        double t1 = now_ms();
        for (const BootFile& f : files) {
            if (!writeRaw(plainTarget(f), f.payload)) {
                std::printf("cannot write %s\n", plainTarget(f).c_str());
                return 1;
            }
        }
        double t2 = now_ms();
        deploy.push_back(t1 - t0);
        plain.push_back(t2 - t1);
    }
    for (const BootFile& f : files) {
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!GetFileAttributesExA(f.target, GetFileExInfoStandard, &a) ||
            a.nFileSizeLow != static_cast<DWORD>(bytes_block_length(f.payload))) {
            std::printf("%s was not written whole\n", f.target);
            return 1;
        }
    }
    removeTargets();
    std::printf("boot set writing, %lld bytes in 3 files:\n", static_cast<long long>(total));
    report("  write_file vs CreateFileA and WriteFile", "write_file", deploy, "plain write", plain);
    return 0;
}

// --- Start-up

struct Shown {
    DWORD pid;
    HWND main = nullptr, box = nullptr;
};
BOOL CALLBACK findShown(HWND w, LPARAM p) {
    Shown* s = reinterpret_cast<Shown*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
    char cls[64] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0)
        s->box = w;
    else
        s->main = w;
    return TRUE;
}

// Each look at the windows asks the window server three questions about every top-level window of the
// desktop. Looking every millisecond would keep a processor and the server busy and slow down the measured
// program, the more so the more it asks of the server itself; every 10 ms is under one percent of a start-up.
constexpr DWORD kPollMs = 10;

// Starts a program in its own folder.
bool startProgram(const std::string& program, const std::string& arguments, PROCESS_INFORMATION* pi) {
    std::string line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    std::string folder = program.substr(0, program.rfind('\\') + 1);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, pi) != 0;
}

// Waits for a program asked to close, ends it when it does not, and lets its handles go.
void endProgram(PROCESS_INFORMATION& pi) {
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// Milliseconds from the process start to its main window being visible, without the time a message box
// stood before it (the box is answered at once); -1 when no window came within three minutes (a first start
// on an emulated machine shared with others can take more than one).
double timeToWindow(const std::string& program, const std::string& arguments = "") {
    PROCESS_INFORMATION pi{};
    double start = now_ms();
    if (!startProgram(program, arguments, &pi)) return -1;
    double boxTime = 0, boxSeen = 0, shown = -1;
    HWND box = nullptr;
    while (now_ms() - start < 180000) {
        Shown s{pi.dwProcessId};
        EnumWindows(findShown, reinterpret_cast<LPARAM>(&s));
        double t = now_ms();
        if (box && s.box != box) {
            boxTime += t - boxSeen;
            box = nullptr;
        }
        if (s.box && !box) {
            box = s.box;
            boxSeen = t;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        if (s.main && !s.box) {
            shown = t - start - boxTime;
            PostMessageA(s.main, WM_CLOSE, 0, 0);
            break;
        }
        Sleep(kPollMs);
    }
    endProgram(pi);
    return shown;
}

// The window table of bare_windows.cpp, taken from a window shown by another process: the window, then its
// controls depth first (parents before children, siblings from the top of the stacking order down, which
// is the order that rebuilds it). The inner windows of a combo box are its own and left out.
struct TableWriter {
    FILE* out;
    int lines = 0;
    void add(HWND w, int parent) {
        char cls[256] = "";
        GetClassNameA(w, cls, sizeof cls);
        RECT r;
        GetWindowRect(w, &r);
        HWND parentWindow = parent < 0 ? nullptr : GetParent(w);
        if (parentWindow) MapWindowPoints(nullptr, parentWindow, reinterpret_cast<POINT*>(&r), 2);
        char text[1024] = "";
        GetWindowTextA(w, text, sizeof text);
        std::string hex = text[0] ? "" : "-";
        for (const char* c = text; *c; ++c) {
            char byte[3];
            std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(*c));
            hex += byte;
        }
        std::fprintf(out, "%d %s %lx %lx %ld %ld %ld %ld %d %s\n", parent, cls,
                     static_cast<unsigned long>(GetWindowLongA(w, GWL_STYLE)),
                     static_cast<unsigned long>(GetWindowLongA(w, GWL_EXSTYLE)), r.left, r.top, r.right - r.left,
                     r.bottom - r.top, parent < 0 ? 0 : GetDlgCtrlID(w), hex.c_str());
        int self = lines++;
        if (_stricmp(cls, "ComboBox") == 0) return;
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) add(c, self);
    }
};

// Starts the program, writes the table of its main window once shown, and closes it; returns the number of
// windows written, 0 when no window came or the table could not be written.
int writeWindowTable(const std::string& program, const std::string& table) {
    PROCESS_INFORMATION pi{};
    if (!startProgram(program, "", &pi)) return 0;
    int written = 0;
    double start = now_ms();
    while (now_ms() - start < 180000) {
        Shown s{pi.dwProcessId};
        EnumWindows(findShown, reinterpret_cast<LPARAM>(&s));
        if (s.main && !s.box) {
            Sleep(1000);  // the created handler's later work (a list drawn late) settles
            if (FILE* out = std::fopen(table.c_str(), "w")) {
                TableWriter writer{out};
                writer.add(s.main, -1);
                written = std::fclose(out) == 0 ? writer.lines : 0;
            }
            PostMessageA(s.main, WM_CLOSE, 0, 0);
            break;
        }
        Sleep(kPollMs);
    }
    endProgram(pi);
    return written;
}

// The tool's time to its window with the probe running; the probe of the closed window goes on to its end,
// which is waited for so that it takes nothing from the next round.
double timeToWindowWithProbe(const std::string& program) {
    double shown = timeToWindow(program);
    for (int i = 0; i < 1000 && probeRuns(); ++i) Sleep(10);
    return shown;
}

int benchStartup(const std::string& program, const std::string& withoutProbe, const std::string& empty,
                 const std::string& bare, int rounds) {
    const std::string table = bare.substr(0, bare.rfind('\\') + 1) + "main_window.txt";
    const std::string bareArguments = "\"" + table + "\"";
    for (const std::string* p : {&program, &withoutProbe, &empty}) {
        if ((p == &program ? timeToWindowWithProbe(*p) : timeToWindow(*p)) < 0) {  // first starts: nothing cached yet
            std::printf("%s did not show its window\n", p->c_str());
            return 1;
        }
    }
    int windows = writeWindowTable(withoutProbe, table);
    if (windows == 0 || timeToWindow(bare, bareArguments) < 0) {
        std::printf("the main window could not be rebuilt bare (%s)\n", table.c_str());
        return 1;
    }
    std::vector<double> ours, oursWithProbe, plain, bareTimes;
    for (int r = 0; r < rounds; ++r) {
        plain.push_back(timeToWindow(empty));
        bareTimes.push_back(timeToWindow(bare, bareArguments));
        ours.push_back(timeToWindow(withoutProbe));
        oursWithProbe.push_back(timeToWindowWithProbe(program));
    }
    std::printf("start-up, process start to main window shown:\n");
    report("  program, its partition probe running against the stand-in partition tool, vs empty Win32 program",
           "program", oursWithProbe, "empty program", plain);
    report("  program with its partition probe taken out vs empty Win32 program", "program", ours, "empty program",
           plain);
    std::printf("  (the main window's windows created bare: %d windows, read from the running program)\n", windows);
    report("  program with its partition probe taken out vs its main window's windows created bare", "program", ours,
           "bare windows", bareTimes);
    report("  bare windows vs empty Win32 program", "bare windows", bareTimes, "empty program", plain);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    std::string what = argc > 1 ? argv[1] : "";
    if (what == "search" && argc == 3) return benchSearch(std::atoi(argv[2]));
    if (what == "write" && argc == 3) return benchWrite(std::atoi(argv[2]));
    if (what == "startup" && argc == 7) return benchStartup(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]));
    std::fprintf(stderr,
                 "usage: bench search ROUNDS | write ROUNDS | startup PROGRAM WITHOUT_PROBE EMPTY BARE ROUNDS\n");
    return 2;
}
