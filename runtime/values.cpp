// Value records: building and reading them, the owning holders Text and Bytes, and the text helpers that
// application code uses beside the commands.
#include <cstring>

#include "runtime/values.h"

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

double value_as_double(const Value& v) {
    uint64_t bits = (static_cast<uint64_t>(v.hi) << 32) | v.lo;
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

// ---------------------------------------------------------------------------------------------------------------
// Holders and text helpers

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
