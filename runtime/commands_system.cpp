// File, directory, disk, process and system commands, and the directory search routines.
#include <windows.h>

#include "runtime/internal.h"

namespace {
bool accepts(const WIN32_FIND_DATAA& entry, int32_t attributes, int32_t attributes_omitted) {
    DWORD a = entry.dwFileAttributes;
    if (attributes_omitted) return (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
    DWORD mask = static_cast<DWORD>(attributes) & 0x37;
    return mask == 0 ? a == 0 : (a & mask) != 0;
}
}  // namespace

char* find_file(const char* pattern, int32_t attributes, int32_t attributes_omitted, void** search_handle) {
    WIN32_FIND_DATAA entry;
    HANDLE h;
    if (pattern && *pattern) {
        if (*search_handle) FindClose(*search_handle);
        *search_handle = nullptr;
        h = FindFirstFileA(pattern, &entry);
        if (h == INVALID_HANDLE_VALUE) return nullptr;
    } else {
        h = *search_handle;
        if (!h || !FindNextFileA(h, &entry)) {
            if (h) FindClose(h);
            *search_handle = nullptr;
            return nullptr;
        }
    }
    while (!accepts(entry, attributes, attributes_omitted)) {
        if (!FindNextFileA(h, &entry)) {
            FindClose(h);
            *search_handle = nullptr;
            return nullptr;
        }
    }
    *search_handle = h;
    return new_text(entry.cFileName);
}

void end_find_file(void* search_handle) {
    if (search_handle) FindClose(search_handle);
}
