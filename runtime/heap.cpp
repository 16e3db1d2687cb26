// The runtime heap and the constant pool: allocating, resizing and freeing blocks (literals in the pool are
// never written or freed), and building text, byte-set and array blocks.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "runtime/internal.h"

namespace {
HANDLE g_heap = nullptr;
const char* g_pool_start = nullptr;
const char* g_pool_end = nullptr;

// Used until a constant pool with its own empty text and byte-set is set.
const char kBuiltinEmptyText[1] = {0};
const int32_t kBuiltinEmptyBytes[2] = {1, 0};
const char* g_empty_text = kBuiltinEmptyText;
const void* g_empty_bytes = kBuiltinEmptyBytes;

HANDLE heap() {
    if (!g_heap) g_heap = GetProcessHeap();
    return g_heap;
}

[[noreturn]] void out_of_memory(int32_t size) {
    char message[64];
    std::snprintf(message, sizeof message, "分配 %d 字节内存失败!", size);
    fatal_error(message, 0);
}

void* try_alloc(int32_t size) { return HeapAlloc(heap(), 0, size > 0 ? static_cast<SIZE_T>(size) : 1); }
}  // namespace

void* alloc_block(int32_t size) {
    void* p = try_alloc(size);
    if (!p) out_of_memory(size);
    return p;
}

void* realloc_block(void* block, int32_t size) {
    if (!block) return alloc_block(size);
    if (in_constant_pool(block)) {
        void* fresh = alloc_block(size);
        const char* src = static_cast<const char*>(block);
        ptrdiff_t available = g_pool_end - src;
        ptrdiff_t n = size < available ? size : available;
        if (n > 0) std::memcpy(fresh, src, static_cast<size_t>(n));
        return fresh;
    }
    void* p = HeapReAlloc(heap(), 0, block, size > 0 ? static_cast<SIZE_T>(size) : 1);
    if (!p) out_of_memory(size);
    return p;
}

void free_block(void* block) {
    if (!block || in_constant_pool(block)) return;
    HeapFree(heap(), 0, block);
}

void set_constant_pool(const void* start, uint32_t size) {
    if (!start || size == 0) {
        g_pool_start = g_pool_end = nullptr;
        g_empty_text = kBuiltinEmptyText;
        g_empty_bytes = kBuiltinEmptyBytes;
        return;
    }
    g_pool_start = static_cast<const char*>(start);
    g_pool_end = g_pool_start + size;
    // Every constant pool begins with its empty text (one 0 byte) and its empty byte-set {1, 0}.
    g_empty_text = g_pool_start;
    g_empty_bytes = size >= 9 ? static_cast<const void*>(g_pool_start + 1) : kBuiltinEmptyBytes;
}

// The pool's own empty text and byte-set, located by the payload layer once the pool is set.
void set_pool_empties(const char* text, const void* bytes) {
    g_empty_text = text ? text : kBuiltinEmptyText;
    g_empty_bytes = bytes ? bytes : kBuiltinEmptyBytes;
}

bool in_constant_pool(const void* p) {
    const char* c = static_cast<const char*>(p);
    return g_pool_start && c >= g_pool_start && c < g_pool_end;
}

const char* empty_text() { return g_empty_text; }
const void* empty_bytes() { return g_empty_bytes; }

char* new_text(const char* p, int32_t len) {
    if (len <= 0 || !p) return nullptr;
    char* t = static_cast<char*>(alloc_block(len + 1));
    std::memcpy(t, p, static_cast<size_t>(len));
    t[len] = 0;
    return t;
}

char* new_text(const char* s) { return s ? new_text(s, static_cast<int32_t>(std::strlen(s))) : nullptr; }

void* new_bytes(const void* data, int32_t len) {
    if (len <= 0) return nullptr;
    char* b = static_cast<char*>(alloc_block(len + 8));
    const int32_t header[2] = {1, len};
    std::memcpy(b, header, 8);
    if (data)
        std::memcpy(b + 8, data, static_cast<size_t>(len));
    else
        std::memset(b + 8, 0, static_cast<size_t>(len));
    return b;
}

int32_t bytes_block_length(const void* block) {
    if (!block) return 0;
    int32_t len;
    std::memcpy(&len, static_cast<const char*>(block) + 4, 4);
    return len;
}

void free_array(uint32_t element_tag, void* block) {
    if (!block) return;
    uint32_t kind = element_tag & kElementMask;
    if (kind == kTypeText || kind == kTypeBytes) {
        const int32_t* words = static_cast<const int32_t*>(block);
        int32_t dims = words[0];
        int64_t n = dims > 0 ? 1 : 0;
        for (int32_t d = 0; d < dims; ++d) n *= words[1 + d];
        void* const* elements = reinterpret_cast<void* const*>(words + 1 + dims);
        for (int64_t i = 0; i < n; ++i) free_block(elements[i]);
    }
    free_block(block);
}
