// Text, byte-set and conversion commands. Every command answers with a new block that the caller owns;
// only bytes_to_value can end the program (an invalid kind).
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/internal.h"

namespace {
int32_t text_len(const char* s) { return static_cast<int32_t>(std::strlen(s)); }

// The text argument i and its length ("" when absent or null).
struct TextArg {
    const char* p;
    int32_t len;
};
TextArg text_arg(int32_t count, const Value* args, int32_t i) {
    const char* p = arg_text(count, args, i);
    return TextArg{p, text_len(p)};
}

void result_text(Value* r, char* text) { result_pointer(r, text); }

bool is_space_at(const char* p) {
    auto b0 = static_cast<unsigned char>(p[0]);
    return b0 == 0x20 || (b0 == 0xA1 && static_cast<unsigned char>(p[1]) == 0xA1);
}

// Storage size of a basic kind as it travels in a value record or sits in an array; 0 for others.
int32_t kind_size(uint32_t kind) {
    switch (kind) {
        case kTypeByte: return 1;
        case kTypeShort: return 2;
        case kTypeInt: case kTypeFloat: case kTypeBool: case kTypeSubroutine: return 4;
        case kTypeLong: case kTypeDouble: case kTypeDate: return 8;
        default: return 0;
    }
}

bool is_numeric_kind(uint32_t kind) {
    return kind == kTypeByte || kind == kTypeShort || kind == kTypeInt || kind == kTypeLong || kind == kTypeFloat ||
           kind == kTypeDouble;
}

float value_as_float(const Value& v) {
    float f;
    std::memcpy(&f, &v.lo, 4);
    return f;
}

// ---------------------------------------------------------------------------------------------------------------
// Calendar (proleptic Gregorian; day numbers from 1970-01-01, shifted to the date kind's 1899-12-30)

constexpr int64_t kDaysTo1970 = 25569;

int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t z, DateParts& out) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    out.day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int32_t>(yoe + era * 400 + (out.month <= 2));
}

DateParts date_arg_parts(int32_t count, const Value* args) {
    return split_date(arg_present(count, args, 0) ? value_as_double(args[0]) : 0.0);
}
}  // namespace

double clamp_date(double date) {
    if (!(date >= kDateMin)) return kDateMin;  // also NaN
    return date > kDateMax ? kDateMax : date;
}

DateParts split_date(double date) {
    date = clamp_date(date);
    double whole = std::trunc(date);
    int64_t seconds = std::llround(std::fabs(date - whole) * 86400.0);
    int64_t day = static_cast<int64_t>(whole);
    if (seconds >= 86400) {  // rounded up into the next day
        seconds -= 86400;
        day += 1;
    }
    DateParts parts{};
    civil_from_days(day - kDaysTo1970, parts);
    parts.hour = static_cast<int32_t>(seconds / 3600);
    parts.minute = static_cast<int32_t>(seconds / 60 % 60);
    parts.second = static_cast<int32_t>(seconds % 60);
    return parts;
}

double make_date(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
    double days = static_cast<double>(days_from_civil(year, month, day) + kDaysTo1970);
    double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return clamp_date(days < 0 ? days - time : days + time);
}

// ---------------------------------------------------------------------------------------------------------------
// Lengths and cuts

void text_length(Value* result, int32_t count, Value* args) { result_int(result, text_arg(count, args, 0).len); }

void bytes_length(Value* result, int32_t count, Value* args) {
    result_int(result, bytes_block_length(arg_bytes(count, args, 0)));
}

void text_left(Value* result, int32_t count, Value* args) {
    TextArg t = text_arg(count, args, 0);
    int32_t n = arg_int(count, args, 1);
    if (n <= 0) return;
    result_text(result, new_text(t.p, n < t.len ? n : t.len));
}

void text_right(Value* result, int32_t count, Value* args) {
    TextArg t = text_arg(count, args, 0);
    int32_t n = arg_int(count, args, 1);
    if (n <= 0) return;
    if (n > t.len) n = t.len;
    result_text(result, new_text(t.p + (t.len - n), n));
}

void text_mid(Value* result, int32_t count, Value* args) {
    TextArg t = text_arg(count, args, 0);
    int32_t start = arg_int(count, args, 1);
    int32_t n = arg_int(count, args, 2);
    if (start < 1 || start > t.len || n <= 0) return;
    int32_t available = t.len - (start - 1);
    result_text(result, new_text(t.p + (start - 1), n < available ? n : available));
}

void char_to_text(Value* result, int32_t count, Value* args) {
    char c = static_cast<char>(arg_int(count, args, 0) & 0xFF);
    result_text(result, new_text(&c, c ? 1 : 0));
}

// ---------------------------------------------------------------------------------------------------------------
// Searching

namespace {
bool matches_at(const char* p, const char* sought, int32_t n, bool ignore_case) {
    for (int32_t i = 0; i < n; ++i) {
        unsigned char a = static_cast<unsigned char>(p[i]);
        unsigned char b = static_cast<unsigned char>(sought[i]);
        if (ignore_case) {
            if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a + 32);
            if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b + 32);
        }
        if (a != b) return false;
    }
    return true;
}

// Arguments: text, sought text, start (forward) or end (reverse) opt, ignore_case. Candidate positions step a
// whole character at a time, so a match never begins on the second byte of a two-byte character.
int32_t find(int32_t count, const Value* args, bool reverse) {
    TextArg text = text_arg(count, args, 0);
    TextArg sought = text_arg(count, args, 1);
    bool ignore_case = arg_present(count, args, 3) && args[3].lo == 1;
    int32_t begin = 0, end = text.len;
    if (arg_present(count, args, 2)) {
        int32_t bound = arg_int(count, args, 2) - 1;
        if (bound < 0) bound = 0;
        if (!reverse)
            begin = bound < text.len ? bound : text.len;
        else
            end = bound < text.len ? bound : text.len;
    }
    if (begin >= end) return -1;
    if (sought.len == 0) return 1;
    int32_t found = -1;
    for (int32_t pos = begin; end - pos >= sought.len;) {
        if (matches_at(text.p + pos, sought.p, sought.len, ignore_case)) {
            found = pos + 1;
            if (!reverse) break;
        }
        if (is_lead_byte(static_cast<unsigned char>(text.p[pos])) && !text.p[pos + 1]) break;  // lone lead byte
        pos += char_size(text.p + pos);
    }
    return found;
}
}  // namespace

void find_text(Value* result, int32_t count, Value* args) { result_int(result, find(count, args, false)); }
void find_text_reverse(Value* result, int32_t count, Value* args) { result_int(result, find(count, args, true)); }

// ---------------------------------------------------------------------------------------------------------------
// Trimming and splitting

void trim_leading(Value* result, int32_t count, Value* args) {
    const char* p = arg_text(count, args, 0);
    while (is_space_at(p)) p += *p == 0x20 ? 1 : 2;
    result_text(result, new_text(p));
}

void trim_trailing(Value* result, int32_t count, Value* args) {
    const char* text = arg_text(count, args, 0);
    const char* run = nullptr;  // start of the current run of trailing spaces
    const char* p = text;
    while (*p) {
        if (is_lead_byte(static_cast<unsigned char>(*p)) && !p[1]) {
            run = p;  // a lone lead byte at the end is cut off; the spaces before it stay
            break;
        }
        if (is_space_at(p)) {
            if (!run) run = p;
        } else {
            run = nullptr;
        }
        p += char_size(p);
    }
    const char* end = run ? run : p;
    result_text(result, new_text(text, static_cast<int32_t>(end - text)));
}

void split_text(Value* result, int32_t count, Value* args) {
    TextArg text = text_arg(count, args, 0);
    TextArg separator = arg_present(count, args, 1) ? text_arg(count, args, 1) : TextArg{",", 1};
    int32_t limit = arg_present(count, args, 2) ? arg_int(count, args, 2) : -1;  // -1: no limit
    if (arg_present(count, args, 2) && limit < 0) limit = 0;

    std::vector<char*> parts;
    if (text.len > 0 && limit != 0) {
        if (separator.len == 0) {
            parts.push_back(new_text(text.p, text.len));
        } else {
            const char* part = text.p;
            const char* p = text.p;
            const char* end = text.p + text.len;
            bool full = false;
            while (*p) {
                if (end - p >= separator.len && std::memcmp(p, separator.p, separator.len) == 0) {
                    parts.push_back(new_text(part, static_cast<int32_t>(p - part)));
                    p += separator.len;
                    part = p;
                    if (limit > 0 && static_cast<int32_t>(parts.size()) >= limit) {
                        full = true;
                        break;
                    }
                    continue;
                }
                p += char_size(p);
            }
            if (!full && part < end) parts.push_back(new_text(part, static_cast<int32_t>(end - part)));
        }
    }
    int32_t n = static_cast<int32_t>(parts.size());
    auto* block = static_cast<int32_t*>(alloc_block(8 + 4 * n));
    block[0] = 1;
    block[1] = n;
    if (n) std::memcpy(block + 2, parts.data(), sizeof(char*) * static_cast<size_t>(n));
    result_pointer(result, block);
}

// ---------------------------------------------------------------------------------------------------------------
// Conversion

void to_text(Value* result, int32_t count, Value* args) {
    if (!arg_present(count, args, 0)) return;
    const Value& v = args[0];
    char buf[96];
    buf[0] = 0;
    switch (v.type) {
        case kTypeByte: std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(v.lo & 0xFF)); break;
        case kTypeShort: std::snprintf(buf, sizeof buf, "%d", static_cast<int>(static_cast<int16_t>(v.lo))); break;
        case kTypeInt: std::snprintf(buf, sizeof buf, "%d", static_cast<int>(static_cast<int32_t>(v.lo))); break;
        case kTypeLong: std::snprintf(buf, sizeof buf, "%" PRId64, value_as_long(v)); break;
        case kTypeFloat: std::snprintf(buf, sizeof buf, "%.6g", static_cast<double>(value_as_float(v))); break;
        case kTypeDouble: std::snprintf(buf, sizeof buf, "%.13g", value_as_double(v)); break;
        case kTypeBool: std::snprintf(buf, sizeof buf, "%s", v.lo ? "真" : "假"); break;
        case kTypeDate: {
            DateParts d = split_date(value_as_double(v));
            int n = std::snprintf(buf, sizeof buf, "%d年%d月%d日", d.year, d.month, d.day);
            char* tail = buf + n;
            size_t room = sizeof buf - static_cast<size_t>(n);
            if (d.second)
                std::snprintf(tail, room, "%d时%d分%d秒", d.hour, d.minute, d.second);
            else if (d.minute)
                std::snprintf(tail, room, "%d时%d分", d.hour, d.minute);
            else if (d.hour)
                std::snprintf(tail, room, "%d时", d.hour);
            break;
        }
        case kTypeText: result_text(result, new_text(value_as_text(v))); return;
        case kTypeBytes: {
            const void* block = value_as_block(v);
            const uint8_t* data = bytes_block_data(block);
            int32_t len = bytes_block_length(block);
            const void* zero = len > 0 ? std::memchr(data, 0, static_cast<size_t>(len)) : nullptr;
            if (zero) len = static_cast<int32_t>(static_cast<const uint8_t*>(zero) - data);
            result_text(result, new_text(reinterpret_cast<const char*>(data), len));
            return;
        }
        default: return;
    }
    result_text(result, new_text(buf));
}

namespace {
// Full-width letters, digits and signs become their ASCII forms, the full-width space a space.
std::vector<char> narrow_full_width(const char* p) {
    std::vector<char> out;
    while (*p) {
        auto lead = static_cast<unsigned char>(p[0]);
        auto trail = static_cast<unsigned char>(p[1]);
        if (char_size(p) == 1) {
            out.push_back(*p++);
            continue;
        }
        char narrow = 0;
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) narrow = static_cast<char>(trail - 0x80);
        if (lead == 0xA1 && trail == 0xA1) narrow = ' ';
        if (lead == 0xA1 && trail == 0xAB) narrow = '~';
        if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) narrow = '*';
        if (narrow) {
            out.push_back(narrow);
        } else {
            out.push_back(p[0]);
            out.push_back(p[1]);
        }
        p += 2;
    }
    out.push_back(0);
    return out;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The decimal number at the start of s: white space, sign, digits with an optional point and exponent.
// Nothing else is taken (no hexadecimal forms, no "inf" or "nan"); no digits give 0.
double parse_decimal(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    const char* start = s;
    const char* p = s;
    if (*p == '+' || *p == '-') ++p;
    int digits = 0;
    while (is_digit(*p)) ++p, ++digits;
    if (*p == '.') {
        ++p;
        while (is_digit(*p)) ++p, ++digits;
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (is_digit(*e)) {
            while (is_digit(*e)) ++e;
            p = e;
        }
    }
    std::vector<char> number(start, p);
    number.push_back(0);
    return std::strtod(number.data(), nullptr);
}
}  // namespace

void to_number(Value* result, int32_t count, Value* args) {
    if (!arg_present(count, args, 0)) return;
    const Value& v = args[0];
    double d = 0.0;
    switch (v.type) {
        case kTypeByte: d = v.lo & 0xFF; break;
        case kTypeShort: d = static_cast<int16_t>(v.lo); break;
        case kTypeInt: d = static_cast<int32_t>(v.lo); break;
        case kTypeLong: d = static_cast<double>(value_as_long(v)); break;
        case kTypeFloat: d = value_as_float(v); break;
        case kTypeDouble: d = value_as_double(v); break;
        case kTypeBool: d = v.lo; break;
        case kTypeSubroutine: d = v.lo; break;
        case kTypeText: d = parse_decimal(narrow_full_width(arg_text(count, args, 0)).data()); break;
        default: break;
    }
    result_double(result, d);
}

void to_bytes(Value* result, int32_t count, Value* args) {
    if (!arg_present(count, args, 0)) return;
    const Value& v = args[0];
    if (v.type & kArrayFlag) {
        uint32_t kind = v.type & kElementMask;
        const auto* block = static_cast<const int32_t*>(value_as_block(v));
        if (!block || !is_numeric_kind(kind) || block[0] < 1 || block[1] <= 0) return;
        int64_t len = static_cast<int64_t>(block[1]) * kind_size(kind);
        if (len > 0x7FFFFFF0) return;
        result_pointer(result, new_bytes(block + 1 + block[0], static_cast<int32_t>(len)));
        return;
    }
    if (v.type == kTypeText) {
        const char* t = arg_text(count, args, 0);
        result_pointer(result, new_bytes(t, text_len(t)));
        return;
    }
    if (v.type == kTypeBytes) {
        const void* block = value_as_block(v);
        result_pointer(result, new_bytes(bytes_block_data(block), bytes_block_length(block)));
        return;
    }
    int32_t size = kind_size(v.type);
    if (size > 0) result_pointer(result, new_bytes(&v.lo, size));  // lo and hi lie side by side, little-endian
}

void bytes_to_value(Value* result, int32_t count, Value* args) {
    static const uint32_t kKinds[11] = {0,         kTypeByte, kTypeShort, kTypeInt,        kTypeLong, kTypeFloat,
                                        kTypeDouble, kTypeBool, kTypeDate,  kTypeSubroutine, kTypeText};
    int32_t kind_number = arg_int(count, args, 1);
    if (kind_number < 1 || kind_number > 10) fatal_error("“欲取出数据的类型”参数值无效", 0);
    uint32_t kind = kKinds[kind_number];

    const void* block = arg_bytes(count, args, 0);
    const uint8_t* data = bytes_block_data(block);
    int64_t length = bytes_block_length(block);
    int32_t* position_ref = nullptr;
    int64_t start = 0;
    if (count >= 3 && arg_present(count, args, 2)) {
        if (args[2].type & kArrayFlag) position_ref = static_cast<int32_t*>(value_as_block(args[2]));
        int32_t position = position_ref ? *position_ref : arg_int(count, args, 2);
        start = position < 1 ? length : static_cast<int64_t>(position) - 1;  // below 1: nothing to read
    }
    int64_t left = start < length ? length - start : 0;

    int64_t used;
    result->type = kind;
    if (kind == kTypeText) {
        const char* from = left > 0 ? reinterpret_cast<const char*>(data + start) : "";
        const void* zero = left > 0 ? std::memchr(from, 0, static_cast<size_t>(left)) : nullptr;
        int64_t n = zero ? static_cast<const char*>(zero) - from : left;
        used = n + (zero ? 1 : 0);
        result_text(result, new_text(from, static_cast<int32_t>(n)));
    } else {
        int32_t size = kind_size(kind);
        uint8_t raw[8] = {0};
        if (left > 0) std::memcpy(raw, data + start, static_cast<size_t>(left < size ? left : size));
        used = size;
        std::memcpy(&result->lo, raw, 4);
        std::memcpy(&result->hi, raw + 4, 4);
        if (kind == kTypeByte) result->lo &= 0xFF;
        if (kind == kTypeShort) result->lo &= 0xFFFF;
        if (size <= 4) result->hi = 0;
        if (kind == kTypeBool) result->lo = result->lo ? 1 : 0;
        if (kind == kTypeDate) result_double(result, clamp_date(value_as_double(*result)));
    }
    if (position_ref) *position_ref = start + used >= length ? -1 : static_cast<int32_t>(start + used + 1);
}

void make_zero_bytes(Value* result, int32_t count, Value* args) {
    result_pointer(result, new_bytes(nullptr, arg_int(count, args, 0)));
}

// ---------------------------------------------------------------------------------------------------------------
// Numbers and dates

void bit_or(Value* result, int32_t count, Value* args) {
    uint32_t bits = 0;
    for (int32_t i = 0; i < count; ++i) bits |= args[i].lo;
    result->lo = bits;
}

void abs_value(Value* result, int32_t count, Value* args) {
    result_double(result, std::fabs(arg_present(count, args, 0) ? value_as_double(args[0]) : 0.0));
}

// A value within 1e-12 of the next whole number away from zero counts as that number (so 2.9999999999999
// gives 3), then the floor is taken. The direction follows the sign of the value itself, so that -0.9999999999999
// (whose integer part is -0) gives -1.
void floor_to_int(Value* result, int32_t count, Value* args) {
    double x = arg_present(count, args, 0) ? value_as_double(args[0]) : 0.0;
    double whole;
    double fraction = std::modf(x, &whole);
    double y = x;
    if (std::fabs(fraction) > 0.999999999999) y = x >= 0 ? whole + 1 : whole - 1;
    y = std::floor(y);
    // Out of range (or NaN): the processor's "integer indefinite", as a plain conversion would give.
    result_int(result, y >= -2147483648.0 && y < 2147483648.0 ? static_cast<int32_t>(y) : INT32_MIN);
}

void date_year(Value* result, int32_t count, Value* args) { result_int(result, date_arg_parts(count, args).year); }
void date_month(Value* result, int32_t count, Value* args) { result_int(result, date_arg_parts(count, args).month); }
void date_day(Value* result, int32_t count, Value* args) { result_int(result, date_arg_parts(count, args).day); }
void date_hour(Value* result, int32_t count, Value* args) { result_int(result, date_arg_parts(count, args).hour); }
void date_minute(Value* result, int32_t count, Value* args) {
    result_int(result, date_arg_parts(count, args).minute);
}
