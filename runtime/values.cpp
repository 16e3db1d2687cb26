// Value records, the heap and the constant pool, command calls, fatal errors and the internal routines.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "runtime/internal.h"

// ---------------------------------------------------------------------------------------------------------------
// Value records

namespace {
Value eight_byte_value(const void* bits, uint32_t tag) {
    Value v{0, 0, tag};
    std::memcpy(&v.lo, bits, 4);
    std::memcpy(&v.hi, static_cast<const char*>(bits) + 4, 4);
    return v;
}
}  // namespace

Value value_text(const char* block) {
    const char* p = block ? block : empty_text();
    return Value{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)), 0, kTypeText};
}

Value value_bytes(const void* block) {
    const void* p = block ? block : empty_bytes();
    return Value{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)), 0, kTypeBytes};
}

Value value_long(int64_t v) { return eight_byte_value(&v, kTypeLong); }
Value value_double(double v) { return eight_byte_value(&v, kTypeDouble); }
Value value_date(double v) { return eight_byte_value(&v, kTypeDate); }

Value value_float(float v) {
    Value r{0, 0, kTypeFloat};
    std::memcpy(&r.lo, &v, 4);
    return r;
}

int64_t value_as_long(const Value& v) { return static_cast<int64_t>((static_cast<uint64_t>(v.hi) << 32) | v.lo); }

void result_double(Value* r, double v) {
    Value d = value_double(v);
    r->lo = d.lo;
    r->hi = d.hi;
}

double value_as_double(const Value& v) {
    uint64_t bits = (static_cast<uint64_t>(v.hi) << 32) | v.lo;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// ---------------------------------------------------------------------------------------------------------------
// Heap and constant pool

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

int32_t Text::length() const { return p_ ? static_cast<int32_t>(std::strlen(p_)) : 0; }

Bytes Bytes::copy(const void* block) {
    if (!block) return Bytes();
    int32_t len = bytes_block_length(block);
    void* b = alloc_block(len + 8);
    std::memcpy(b, block, static_cast<size_t>(len) + 8);
    return Bytes(b);
}

bool text_equal(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

Text concat(std::initializer_list<const char*> parts) {
    size_t total = 0;
    for (const char* p : parts)
        if (p) total += std::strlen(p);
    if (total == 0) return Text();
    char* t = static_cast<char*>(alloc_block(static_cast<int32_t>(total + 1)));
    char* w = t;
    for (const char* p : parts) {
        if (!p) continue;
        size_t n = std::strlen(p);
        std::memcpy(w, p, n);
        w += n;
    }
    *w = 0;
    return Text(t);
}

// ---------------------------------------------------------------------------------------------------------------
// Command calls

namespace {
int32_t g_library_index = 0;
}

Value call_command_array(CommandFn cmd, int32_t count, Value* args) {
    Value result{0, 0, 0};
    cmd(&result, count, args);
    return result;
}

Value call_library_command_array(CommandFn cmd, int32_t library_index, int32_t count, Value* args) {
    int32_t saved = g_library_index;
    g_library_index = library_index;
    Value result = call_command_array(cmd, count, args);
    g_library_index = saved;
    return result;
}

int32_t current_library_index() { return g_library_index; }

// ---------------------------------------------------------------------------------------------------------------
// Fatal errors

namespace {
ErrorHook g_error_hook = nullptr;
int32_t g_fatal_nesting = 0;
uint32_t g_program_kind = 3;

const char* const kRuntimeErrors[] = {
    "",
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};
}  // namespace

void set_program_kind(uint32_t kind) { g_program_kind = kind; }

void set_error_hook(ErrorHook hook) { g_error_hook = hook; }

Text fatal_error_text(const char* message, int32_t number) {
    char code[32] = "";
    if (number != 0) std::snprintf(code, sizeof code, "错误代码：%d\r\n\r\n", static_cast<int>(number));
    bool has_message = message && *message;
    return concat({"运行时出错!\r\n\r\n", code, has_message ? "错误信息：" : "", has_message ? message : "",
                   has_message ? "\r\n" : ""});
}

void fatal_error(const char* message, int32_t number) {
    int32_t nesting = ++g_fatal_nesting;
    bool suppressed = g_error_hook && g_error_hook(nesting, number, message ? message : "") > 0;
    if (!suppressed) {
        Text text = fatal_error_text(message, number);
        MessageBoxA(nullptr, text.c_str(), "错误", MB_ICONERROR);
    }
    if (g_program_kind == 2) DebugBreak();
    exit_program(-1);
}

void report_runtime_error(int32_t number) {
    const int32_t last = static_cast<int32_t>(sizeof kRuntimeErrors / sizeof kRuntimeErrors[0]) - 1;
    fatal_error(number >= 1 && number <= last ? kRuntimeErrors[number] : "", number);
}

// ---------------------------------------------------------------------------------------------------------------
// Internal routines

namespace {
ExitRoutine g_exit_routines[64];
int32_t g_exit_routine_count = 0;

uintptr_t internal_find_file(va_list ap) {
    const char* pattern = va_arg(ap, const char*);
    int32_t attributes = va_arg(ap, int32_t);
    int32_t omitted = va_arg(ap, int32_t);
    void** handle = va_arg(ap, void**);
    return reinterpret_cast<uintptr_t>(find_file(pattern, attributes, omitted, handle));
}

uintptr_t internal_end_find_file(va_list ap) {
    end_find_file(va_arg(ap, void*));
    return 0;
}

uintptr_t internal_register_exit(va_list ap) {
    register_exit_routine(va_arg(ap, ExitRoutine));
    return 0;
}

uintptr_t internal_initialise(va_list ap);  // start-up, defined with the start-up sequence

uintptr_t internal_unused(va_list) { return 0; }

using InternalRoutine = uintptr_t (*)(va_list);
const InternalRoutine kInternalRoutines[7] = {
    internal_find_file, internal_end_find_file, internal_unused,     internal_register_exit,
    internal_unused,    internal_unused,        internal_initialise,
};
}  // namespace

uintptr_t run_internal(int32_t routine, ...) {
    if (routine < 0 || routine >= 7) return 0;
    va_list ap;
    va_start(ap, routine);
    uintptr_t result = kInternalRoutines[routine](ap);
    va_end(ap);
    return result;
}

void register_exit_routine(ExitRoutine routine) {
    if (!routine) return;
    for (int32_t i = 0; i < g_exit_routine_count; ++i)
        if (g_exit_routines[i] == routine) return;
    if (g_exit_routine_count < static_cast<int32_t>(sizeof g_exit_routines / sizeof g_exit_routines[0]))
        g_exit_routines[g_exit_routine_count++] = routine;
}

void run_exit_routines() {
    // A routine may end the program again; take the list first so that nothing runs twice.
    int32_t n = g_exit_routine_count;
    g_exit_routine_count = 0;
    ExitRoutine routines[64];
    std::memcpy(routines, g_exit_routines, sizeof(ExitRoutine) * static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) routines[i]();
}

namespace {
uintptr_t internal_initialise(va_list ap) {
    initialise_runtime(va_arg(ap, const ProgramHeader*));
    return 0;
}
}  // namespace
