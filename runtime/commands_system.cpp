// File, directory, disk-space, process and system commands, and the directory search routines. None of them
// ends the program on bad input: failures answer false, 0, -1, the empty text or the "no file" date. Where the
// system places a drive is in drive_places.cpp.
#include <windows.h>

#include <cstring>

#include "runtime/internal.h"

namespace {
bool accepts(const WIN32_FIND_DATAA& entry, int32_t attributes, int32_t attributes_omitted) {
    DWORD a = entry.dwFileAttributes;
    if (attributes_omitted) return (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
    DWORD mask = static_cast<DWORD>(attributes) & 0x37;
    return mask == 0 ? a == 0 : (a & mask) != 0;
}

// The next entry of the search in *search_handle, or of a new one when a pattern is given; false (and the
// handle closed and cleared) when the search has run out.
bool next_entry(const char* pattern, void** search_handle, WIN32_FIND_DATAA* entry) {
    if (pattern && *pattern) {
        if (*search_handle) FindClose(*search_handle);
        HANDLE h = FindFirstFileA(pattern, entry);
        *search_handle = h == INVALID_HANDLE_VALUE ? nullptr : h;
        return *search_handle != nullptr;
    }
    if (!*search_handle) return false;
    if (FindNextFileA(*search_handle, entry)) return true;
    FindClose(*search_handle);
    *search_handle = nullptr;
    return false;
}
}  // namespace

char* find_file(const char* pattern, int32_t attributes, int32_t attributes_omitted, void** search_handle) {
    WIN32_FIND_DATAA entry;
    if (!next_entry(pattern, search_handle, &entry)) return nullptr;
    while (!accepts(entry, attributes, attributes_omitted))
        if (!next_entry(nullptr, search_handle, &entry)) return nullptr;
    return new_text(entry.cFileName);
}

char* find_entry(const char* pattern, void** search_handle, FoundEntry* found) {
    WIN32_FIND_DATAA entry;
    if (!next_entry(pattern, search_handle, &entry)) return nullptr;
    found->attributes = entry.dwFileAttributes;
    std::memcpy(found->short_name, entry.cAlternateFileName, sizeof found->short_name);
    found->short_name[sizeof found->short_name - 1] = 0;
    return new_text(entry.cFileName);
}

void end_find_file(void* search_handle) {
    if (search_handle) FindClose(search_handle);
}

// ---------------------------------------------------------------------------------------------------------------
// Files and directories by name

namespace {
const char* path_arg(int32_t count, const Value* args, int32_t i) { return arg_text(count, args, i); }

// The first entry that a search for the path finds, if any.
bool find_first_entry(const char* path, WIN32_FIND_DATAA* entry) {
    HANDLE h = FindFirstFileA(path, entry);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}
}  // namespace

void create_directory(Value* result, int32_t count, Value* args) {
    result_bool(result, CreateDirectoryA(path_arg(count, args, 0), nullptr) != 0);
}

void copy_file(Value* result, int32_t count, Value* args) {
    const char* from = path_arg(count, args, 0);
    const char* to = path_arg(count, args, 1);
    bool copied = CopyFileA(from, to, FALSE) != 0;
    // The copy carries the read-only, hidden and system attributes of the copied file. Some file systems drop
    // hidden and system when read-only comes with them (Wine for an ordinary user): put them back, read-only
    // last.
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    DWORD want = GetFileAttributesA(from), got = GetFileAttributesA(to);
    if (copied && want != INVALID_FILE_ATTRIBUTES && got != INVALID_FILE_ATTRIBUTES && (want & kept) != (got & kept)) {
        DWORD target = (got & ~kept) | (want & kept);
        DWORD first = target & ~FILE_ATTRIBUTE_READONLY;
        SetFileAttributesA(to, first ? first : FILE_ATTRIBUTE_NORMAL);
        if (target & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(to, target);
    }
    result_bool(result, copied);
}

void delete_file(Value* result, int32_t count, Value* args) {
    result_bool(result, DeleteFileA(path_arg(count, args, 0)) != 0);
}

void move_file(Value* result, int32_t count, Value* args) {
    result_bool(result, MoveFileA(path_arg(count, args, 0), path_arg(count, args, 1)) != 0);
}

void file_exists(Value* result, int32_t count, Value* args) {
    WIN32_FIND_DATAA entry;
    result_bool(result, find_first_entry(path_arg(count, args, 0), &entry));
}

void set_file_attributes(Value* result, int32_t count, Value* args) {
    // Only read-only, hidden, system and archive can be set; every other bit is dropped.
    DWORD attributes = static_cast<DWORD>(arg_int(count, args, 1)) & 0x27;
    result_bool(result, SetFileAttributesA(path_arg(count, args, 0), attributes) != 0);
}

void get_file_time(Value* result, int32_t count, Value* args) {
    WIN32_FIND_DATAA entry;
    FILETIME local;
    SYSTEMTIME t;
    if (!find_first_entry(path_arg(count, args, 0), &entry) || !FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &t)) {
        result_double(result, kDateMin);
        return;
    }
    result_double(result, make_date(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
}

void get_file_size(Value* result, int32_t count, Value* args) {
    WIN32_FIND_DATAA entry;
    // The low 32 bits only: a file of 2 GiB or more may read as a negative size.
    result_int(result, find_first_entry(path_arg(count, args, 0), &entry) ? static_cast<int32_t>(entry.nFileSizeLow) : -1);
}

void write_file(Value* result, int32_t count, Value* args) {
    const char* path = path_arg(count, args, 0);
    if (!*path) return;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    bool ok = true;
    for (int32_t i = 1; i < count && ok; ++i) {
        const void* block = arg_bytes(count, args, i);
        int32_t len = bytes_block_length(block);
        if (len <= 0) continue;
        DWORD written = 0;
        ok = WriteFile(h, bytes_block_data(block), static_cast<DWORD>(len), &written, nullptr) &&
             written == static_cast<DWORD>(len);
    }
    ok = CloseHandle(h) && ok;
    result_bool(result, ok);
}

// ---------------------------------------------------------------------------------------------------------------
// Open files: a file number is the address of a FileObject entered into the open-file table. Every command
// looks the number up in the table first, so an unknown number is never dereferenced.

namespace {
struct FileObject {
    HANDLE handle;  // opened in binary mode: bytes pass unchanged
};

FileObject* open_file_arg(int32_t count, const Value* args) {
    void* file = reinterpret_cast<void*>(static_cast<uintptr_t>(arg_present(count, args, 0) ? args[0].lo : 0));
    return file && is_open_file(file) ? static_cast<FileObject*>(file) : nullptr;
}

// Moves the file position; answers the new position, or -1 when the system refuses.
int64_t seek(const FileObject* f, int64_t offset, DWORD method) {
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(f->handle, static_cast<LONG>(static_cast<uint32_t>(offset)), &high, method);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}
int64_t position(const FileObject* f) { return seek(f, 0, FILE_CURRENT); }

int64_t file_length(const FileObject* f) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(f->handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

// Reads up to size bytes; answers the count read (0 at the end of the file) or -1 on a read error.
int32_t read_bytes(const FileObject* f, void* buffer, int32_t size) {
    DWORD got = 0;
    if (!ReadFile(f->handle, buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
    return static_cast<int32_t>(got);
}

bool is_line_end(unsigned char b) { return b == 0x0A || b == 0x00 || b == 0x1A; }

// A line being collected on the runtime heap; handed over as the result text.
struct LineBuffer {
    char* p = nullptr;
    int32_t len = 0;
    int32_t capacity = 0;
    void append(const char* bytes, int32_t n) {
        if (n <= 0) return;
        if (len + n + 1 > capacity) {
            capacity = (len + n + 1) * 2;
            p = static_cast<char*>(realloc_block(p, capacity));
        }
        std::memcpy(p + len, bytes, static_cast<size_t>(n));
        len += n;
    }
    char* release_text() {
        if (len > 0 && p[len - 1] == '\r') --len;
        if (len == 0) {
            free_block(p);
            return nullptr;
        }
        p[len] = 0;
        return p;
    }
};
}  // namespace

void open_file(Value* result, int32_t count, Value* args) {
    const char* path = path_arg(count, args, 0);
    int32_t access = arg_int(count, args, 1, 3);
    int32_t share = arg_int(count, args, 2, 1);
    if (!*path || access < 1 || access > 6 || share < 1 || share > 4) return;
    static const DWORD kAccess[7] = {0, GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, GENERIC_WRITE,
                                     GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD kDisposition[7] = {0, OPEN_EXISTING, OPEN_EXISTING, OPEN_EXISTING, CREATE_ALWAYS, OPEN_ALWAYS,
                                          OPEN_ALWAYS};
    static const DWORD kShare[5] = {0, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_WRITE, FILE_SHARE_READ, 0};
    HANDLE h = CreateFileA(path, kAccess[access], kShare[share], nullptr, kDisposition[access], FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    auto* f = static_cast<FileObject*>(alloc_block(sizeof(FileObject)));
    f->handle = h;
    register_open_file(f, 0);
    result_pointer(result, f);
}

void close_file(Value*, int32_t count, Value* args) {
    FileObject* f = open_file_arg(count, args);
    if (!f || !unregister_open_file(f)) return;
    CloseHandle(f->handle);
    free_block(f);
}

void seek_file_start(Value* result, int32_t count, Value* args) {
    FileObject* f = open_file_arg(count, args);
    result_bool(result, f && seek(f, 0, FILE_BEGIN) == 0);
}

// Reads from the current position up to a line end: LF (consumed), or 0x00 or Ctrl-Z (not consumed, so the
// next call answers the empty text at the same place). The file is read in 512-byte chunks and scanned a
// character at a time, so a line end is recognised only at a character boundary; a lead byte that is the
// last byte of a chunk is read again as the first byte of the next one. One trailing CR is dropped.
//
// A lead byte followed by a real 0x00 byte does not form a character: the lead byte belongs to the line as a
// byte of its own and the 0x00 ends the line, exactly as a lead byte before the terminating 0 of a text is
// a byte of its own. So a 0x00 always ends the line and never becomes part of the returned text, and every
// chunk either ends the line or moves the position forward (a lead byte that is the last byte of the file
// is taken as it stands), so the command always returns.
void read_line(Value* result, int32_t count, Value* args) {
    FileObject* f = open_file_arg(count, args);
    if (!f) return;
    const int32_t kChunk = 512;
    char chunk[kChunk];
    LineBuffer line;
    for (;;) {
        int64_t chunk_start = position(f);
        int32_t n = chunk_start < 0 ? -1 : read_bytes(f, chunk, kChunk);
        if (n < 0) {  // read error: give up at the end of the file
            seek(f, 0, FILE_END);
            free_block(line.p);
            return;
        }
        if (n == 0) break;
        int32_t i = 0;
        bool ended = false;
        while (i < n) {
            auto b = static_cast<unsigned char>(chunk[i]);
            if (is_line_end(b)) {
                ended = true;
                break;
            }
            if (!is_lead_byte(b)) {
                ++i;
            } else if (i + 1 < n) {
                i += chunk[i + 1] ? 2 : 1;  // a lead byte before a 0x00 stands alone
            } else {
                break;  // lead byte at the end of the chunk
            }
        }
        line.append(chunk, i);
        if (ended) {
            seek(f, chunk_start + i + (chunk[i] == 0x0A ? 1 : 0), FILE_BEGIN);
            break;
        }
        if (i < n) {  // the chunk ends with a lead byte
            if (i == 0) {  // ... which is the last byte of the file: take it as it stands
                line.append(chunk, 1);
                continue;
            }
            seek(f, chunk_start + i, FILE_BEGIN);
        }
    }
    result_pointer(result, line.release_text());
}

void at_end_of_file(Value* result, int32_t count, Value* args) {
    FileObject* f = open_file_arg(count, args);
    if (!f) {
        result_bool(result, true);
        return;
    }
    int64_t at = position(f);
    if (at < 0 || at >= file_length(f)) {
        result_bool(result, true);
        return;
    }
    bool at_end = false;
    if (arg_present(count, args, 1) && args[1].lo == 1) {
        unsigned char b = 0;
        at_end = read_bytes(f, &b, 1) != 1 || b == 0x00 || b == 0x1A;
        seek(f, at, FILE_BEGIN);
    }
    result_bool(result, at_end);
}

// ---------------------------------------------------------------------------------------------------------------
// Disk space

namespace {
// Total or free space of the drive named by the first letter of the argument (else the current drive), in
// KB truncated to 32 bits; -1 when the system cannot tell.
int32_t disk_kb(int32_t count, const Value* args, bool total) {
    char root[4] = "c:\\";
    const char* drive = arg_text(count, args, 0);
    if (arg_present(count, args, 0) && is_drive_letter(drive[0])) {
        root[0] = upper_drive_letter(drive[0]);
    } else {
        char cwd[MAX_PATH];
        DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
        if (n > 0 && n < MAX_PATH && is_drive_letter(cwd[0])) root[0] = cwd[0];
    }
    using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    auto free_space_ex = reinterpret_cast<FreeSpaceEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")));
    if (free_space_ex) {
        ULARGE_INTEGER available, total_bytes, free_bytes;
        if (!free_space_ex(root, &available, &total_bytes, &free_bytes)) return -1;
        return static_cast<int32_t>((total ? total_bytes.QuadPart : available.QuadPart) >> 10);
    }
    DWORD sectors_per_cluster, bytes_per_sector, free_clusters, total_clusters;
    if (!GetDiskFreeSpaceA(root, &sectors_per_cluster, &bytes_per_sector, &free_clusters, &total_clusters)) return -1;
    return MulDiv(static_cast<int>(sectors_per_cluster * bytes_per_sector),
                  static_cast<int>(total ? total_clusters : free_clusters), 1024);
}
}  // namespace

void disk_total_kb(Value* result, int32_t count, Value* args) { result_int(result, disk_kb(count, args, true)); }
void disk_free_kb(Value* result, int32_t count, Value* args) { result_int(result, disk_kb(count, args, false)); }


// ---------------------------------------------------------------------------------------------------------------
// Processes and the system

void run_program(Value* result, int32_t count, Value* args) {
    const char* command = arg_text(count, args, 0);
    if (!*command) return;
    static const WORD kShow[7] = {0,  SW_HIDE, SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE,
                                  SW_MINIMIZE};
    int32_t show = arg_int(count, args, 2, 2);
    show = show < 1 ? 1 : show > 6 ? 6 : show;
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = kShow[show];
    PROCESS_INFORMATION process;
    // The system may write into the command line; hand it a copy.
    Text line = Text::copy(command);
    if (!CreateProcessA(nullptr, line.get(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
    if (arg_bool(count, args, 1))
        WaitForSingleObject(process.hProcess, INFINITE);
    else
        WaitForInputIdle(process.hProcess, 1000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result_bool(result, true);
}

void get_run_directory(Value* result, int32_t, Value*) { result_pointer(result, new_text(program_directory())); }

namespace {
bool is_nt_family() {
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool enable_shutdown_privilege() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    SetLastError(NO_ERROR);
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    bool ok = GetLastError() == NO_ERROR;
    CloseHandle(token);
    return ok;
}
}  // namespace

// Modes: 1 power off, 2 restart, 3 log off, 4 suspend, 5 hibernate; force closes programs without asking.
void shut_down_system(Value* result, int32_t count, Value* args) {
    int32_t mode = arg_int(count, args, 0);
    if (mode < 1 || mode > 5) return;
    bool force = arg_bool(count, args, 1);
    bool nt = is_nt_family();
    if (nt && !enable_shutdown_privilege()) return;
    if (mode >= 4) {
        result_bool(result, SetSystemPowerState(mode == 4, force) != 0);
        return;
    }
    UINT flags = mode == 1 ? (nt ? EWX_POWEROFF : EWX_SHUTDOWN) : mode == 2 ? EWX_REBOOT : EWX_LOGOFF;
    if (force) flags |= EWX_FORCE;
    result_bool(result, ExitWindowsEx(flags, 0) != 0);
}
