/* Stand-in for the system's attrib, placed beside the programs that start it (a program's own folder is
 * searched first when it starts "attrib ..."). Wine's attrib applies only the last +/- flag of a command line;
 * this one applies all of them, as Windows does: attrib PATH [+r|-r] [+h|-h] [+s|-s] ...
 * Read-only is set last and cleared first, so that hidden and system hold on Wine too. When a file attrib.runs
 * stands beside it, each run adds one byte to it once it is done: a caller that does not wait can tell when
 * the runs it started have ended. */
#include <windows.h>
#include <string.h>

static int apply(int argc, char** argv) {
    const char* path = NULL;
    DWORD set = 0, clear = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        DWORD bit = 0;
        if ((a[0] == '+' || a[0] == '-') && a[1] && !a[2]) {
            switch (a[1] | 0x20) {
                case 'r': bit = FILE_ATTRIBUTE_READONLY; break;
                case 'h': bit = FILE_ATTRIBUTE_HIDDEN; break;
                case 's': bit = FILE_ATTRIBUTE_SYSTEM; break;
                case 'a': bit = FILE_ATTRIBUTE_ARCHIVE; break;
            }
            if (!bit) return 1;
            if (a[0] == '+') set |= bit; else clear |= bit;
        } else {
            path = a;
        }
    }
    if (!path) return 1;
    DWORD now = GetFileAttributesA(path);
    if (now == INVALID_FILE_ATTRIBUTES) return 2;
    DWORD target = ((now & 0x27) | set) & ~clear;
    DWORD steps[3] = {now & 0x27 & ~FILE_ATTRIBUTE_READONLY, target & ~FILE_ATTRIBUTE_READONLY, target};
    for (int i = 0; i < 3; ++i)
        if (!SetFileAttributesA(path, steps[i] ? steps[i] : FILE_ATTRIBUTE_NORMAL)) return 3;
    return 0;
}

static void note_run(void) {
    char path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    char* slash = strrchr(path, '\\');
    if (!n || n >= MAX_PATH || !slash) return;
    strcpy(slash + 1, "attrib.runs");
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (log == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(log, "1", 1, &written, NULL);
    CloseHandle(log);
}

int main(int argc, char** argv) {
    int result = apply(argc, argv);
    note_run();
    return result;
}
