#include "tests/support/test_support.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>

#include <gtest/gtest.h>

#include "runtime/internal.h"

namespace {
std::map<std::string, ChildScenario>& scenarios() {
    static std::map<std::string, ChildScenario> m;
    return m;
}
std::string g_child_output_path;
std::string g_scratch_root;

int32_t child_error_hook(int32_t, int32_t number, const char* message) {
    child_write(std::to_string(number) + "|" + message + "\n");
    return 1;  // no message box in a test
}

void remove_tree(const std::string& dir) {
    WIN32_FIND_DATAA e;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &e);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = e.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(path + "\\");
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &e));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}
}  // namespace

ChildScenarioRegistration::ChildScenarioRegistration(const char* name, ChildScenario fn) { scenarios()[name] = fn; }

void child_write(const std::string& text) {
    if (g_child_output_path.empty()) return;
    FILE* f = std::fopen(g_child_output_path.c_str(), "ab");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

ChildResult run_child(const char* scenario) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    char temp_dir[MAX_PATH], out_path[MAX_PATH];
    GetTempPathA(MAX_PATH, temp_dir);
    GetTempFileNameA(temp_dir, "chd", 0, out_path);
    std::string command = std::string("\"") + exe + "\" --child=" + scenario + " --child-output=\"" + out_path + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ChildResult result{0xDEADBEEF, ""};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return result;
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 0xDEAD);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    result.exit_code = code;
    result.output = read_file(out_path);
    DeleteFileA(out_path);
    return result;
}

std::string scratch_dir(const char* name) {
    if (g_scratch_root.empty()) {
        char temp_dir[MAX_PATH];
        GetTempPathA(MAX_PATH, temp_dir);
        g_scratch_root = std::string(temp_dir) + "qgtest" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(g_scratch_root.c_str(), nullptr);
    }
    std::string dir = g_scratch_root + name + "\\";
    remove_tree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

std::string read_file(const std::string& path) {
    std::string data;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return data;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    std::fclose(f);
    return data;
}

void write_bytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

namespace {
std::vector<std::string>* g_message_boxes;
int __stdcall record_message_box(HWND, const char* text, const char*, unsigned int) {
    if (g_message_boxes) g_message_boxes->push_back(text ? text : "");
    return IDOK;
}
int32_t print_fatal_error(int32_t, int32_t number, const char* message) {
    std::fprintf(stderr, "fatal runtime error %d: %s\n", number, message);
    std::fflush(stderr);
    return 1;
}
}  // namespace

void record_message_boxes(std::vector<std::string>* messages) {
    g_message_boxes = messages;
    set_message_box_function(record_message_box);
}

void report_fatal_errors_on_output() { set_error_hook(print_fatal_error); }

int main(int argc, char** argv) {
    const char kChild[] = "--child=";
    const char kOutput[] = "--child-output=";
    std::string child;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kChild, sizeof kChild - 1) == 0) child = argv[i] + sizeof kChild - 1;
        if (std::strncmp(argv[i], kOutput, sizeof kOutput - 1) == 0) g_child_output_path = argv[i] + sizeof kOutput - 1;
    }
    if (!child.empty()) {
        auto it = scenarios().find(child);
        if (it == scenarios().end()) return 0xBAD;
        set_error_hook(child_error_hook);
        it->second();
        return 0;  // a scenario that does not end the program by itself
    }
    testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    if (!g_scratch_root.empty()) remove_tree(g_scratch_root);
    return rc;
}

void wait_for_desktop() {
    HWND desktop = GetDesktopWindow();
    for (int i = 0; i < 600 && !GetPropA(desktop, "__wine_display_device_guid"); ++i) Sleep(100);
}

static_assert(kHidSysRo == (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));

bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

uint32_t attributes(const char* path) { return GetFileAttributesA(path) & kHidSysRo; }

void setAttributes(const char* path, uint32_t a) {
    SetFileAttributesA(path, a & ~FILE_ATTRIBUTE_READONLY ? a & ~FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
    if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, a);
}

void removeFile(const char* path) {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

std::string payload(const void* block) {
    return std::string(reinterpret_cast<const char*>(bytes_block_data(block)), bytes_block_length(block));
}
