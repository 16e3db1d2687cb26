// Text, byte-set and conversion commands: byte positions, two-byte characters as units, the conversions and
// the date split.
#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
Value T(const char* s) { return value_text(s); }
Value I(int32_t v) { return value_int(v); }

// Adopts a text result; a null result reads as "" but is reported apart so that "empty is null" is checked.
struct TextResult {
    bool null;
    std::string text;
};
TextResult take_text(const Value& r) {
    Text t = Text::take(r);
    return TextResult{t.get() == nullptr, t.c_str()};
}

std::vector<std::string> take_split(const Value& r, std::vector<bool>* nulls = nullptr) {
    auto* block = static_cast<int32_t*>(value_as_block(r));
    std::vector<std::string> parts;
    if (!block) return parts;
    EXPECT_EQ(block[0], 1);
    char** texts = reinterpret_cast<char**>(block + 2);
    for (int32_t i = 0; i < block[1]; ++i) {
        parts.push_back(texts[i] ? texts[i] : "");
        if (nulls) nulls->push_back(texts[i] == nullptr);
    }
    free_array(kTypeText, block);
    return parts;
}

std::string take_bytes(const Value& r) {
    Bytes b = Bytes::take(r);
    return std::string(reinterpret_cast<const char*>(b.data()), static_cast<size_t>(b.length()));
}

// A heap byte-set block holding the given bytes.
Bytes bytes_of(const std::string& s) { return Bytes(new_bytes(s.data(), static_cast<int32_t>(s.size()))); }

// --- Lengths and cuts ------------------------------------------------------------------------------------------

TEST(TextCuts, BoundsOfLeftRightAndMid) {
    struct Case {
        CommandFn cmd;
        int32_t count;
        int32_t a, b;
        const char* expected;
    } cases[] = {
        {text_mid, 3, 4, 10, "de"}, {text_mid, 3, 6, 1, ""},    {text_mid, 3, 0, 2, ""},   {text_mid, 3, 1, 0, ""},
        {text_mid, 3, 5, 1, "e"},   {text_mid, 3, 2, 3, "bcd"}, {text_left, 2, 0, 0, ""},  {text_left, 2, 2, 0, "ab"},
        {text_left, 2, 9, 0, "abcde"}, {text_right, 2, -1, 0, ""}, {text_right, 2, 2, 0, "de"},
        {text_right, 2, 9, 0, "abcde"},
    };
    for (const Case& c : cases) {
        TextResult r = take_text(call_command(c.cmd, c.count, T("abcde"), I(c.a), I(c.b)));
        EXPECT_EQ(r.text, c.expected) << c.a << "," << c.b;
        EXPECT_EQ(r.null, *c.expected == 0) << "an empty result is a null text";
    }
}

TEST(TextCuts, LengthsCountBytes) {
    EXPECT_EQ(value_as_int(call_command(text_length, 1, T("中文"))), 4);
    EXPECT_EQ(value_as_int(call_command(text_length, 1, T(nullptr))), 0);
    Bytes b = bytes_of(std::string("a\0b", 3));
    EXPECT_EQ(value_as_int(call_command(bytes_length, 1, b.arg())), 3);
    EXPECT_EQ(value_as_int(call_command(bytes_length, 1, value_bytes(nullptr))), 0);
    EXPECT_EQ(take_text(call_command(char_to_text, 1, value_byte(0xB0))).text, "\xB0");
    EXPECT_TRUE(take_text(call_command(char_to_text, 1, I(0))).null);
}

// --- Searching -------------------------------------------------------------------------------------------------

TEST(FindText, WindowsEmptySoughtTextAndTwoByteCharacters) {
    const Value none = value_omitted();
    struct Case {
        bool reverse;
        const char* text;
        const char* sought;
        Value bound;
        bool ignore_case;
        int32_t expected;
    } cases[] = {
        {false, "abc", "c", I(4), false, -1},             // start beyond the text
        {false, "abc", "c", I(3), false, 3},
        {false, "abcabc", "bc", I(3), false, 5},
        {false, "abc", "", none, false, 1},                // empty sought text, non-empty window
        {false, "abc", "", I(4), false, -1},               // ... and an empty window
        {false, "", "", none, false, -1},
        {false, "\xB0" "AB", "AB", none, false, -1},       // "A" is the second byte of a character
        {false, "\xB0" "AAB", "AB", none, false, 3},
        {false, "xAbC", "aBc", none, true, 2},
        {false, "xAbC", "aBc", none, false, -1},
        {true, "abcabc", "bc", none, false, 5},            // right-most match
        {true, "abcabc", "bc", I(7), false, 5},
        {true, "abcabc", "bc", I(6), false, 2},            // the second match would end at byte 6
        {true, "abcabc", "a", I(1), false, -1},            // empty window
        {true, "abcabc", "", I(1), false, -1},
        {true, "\xB0" "A\xB0" "AB", "AB", none, false, -1},
    };
    for (const Case& c : cases) {
        Value args[4] = {T(c.text), T(c.sought), c.bound, value_bool(c.ignore_case)};
        Value r = call_command_array(c.reverse ? find_text_reverse : find_text, 4, args);
        EXPECT_EQ(value_as_int(r), c.expected) << (c.reverse ? "reverse " : "") << c.text << " / " << c.sought;
    }
    // ignore_case counts only when it is exactly 1.
    EXPECT_EQ(value_as_int(call_command(find_text, 4, T("xAbC"), T("abc"), none, I(2))), -1);
}

// --- Trimming and splitting ------------------------------------------------------------------------------------

TEST(Trim, AsciiAndFullWidthSpacesOnly) {
    struct Case {
        CommandFn cmd;
        const char* text;
        const char* expected;
    } cases[] = {
        {trim_leading, "\t a", "\t a"},                          // a tab is not a space
        {trim_leading, " \xA1\xA1 x ", "x "},
        {trim_leading, "\xA1\xA1", ""},
        {trim_trailing, "a \xA1\xA1 \xA1\xA1", "a"},
        {trim_trailing, "a b  ", "a b"},
        {trim_trailing, "a \xB0", "a "},                         // a lone lead byte is cut, the space stays
        {trim_trailing, "\xA1\xA1\xA1", "\xA1\xA1"},
        {trim_trailing, "\xB1\xA1\xA1 ", "\xB1\xA1\xA1 "},       // "\xA1 " is one character, not a space
        {trim_trailing, "x\t", "x\t"},
    };
    for (const Case& c : cases) {
        char original[32];
        std::strcpy(original, c.text);
        EXPECT_EQ(take_text(call_command(c.cmd, 1, T(original))).text, c.expected) << c.text;
        EXPECT_STREQ(original, c.text) << "the caller's text is never changed";
    }
}

TEST(SplitText, PartsSeparatorsAndLimit) {
    const Value none = value_omitted();
    struct Case {
        const char* text;
        Value separator;
        Value max_parts;
        std::vector<std::string> expected;
    } cases[] = {
        {"a,,b", none, none, {"a", "", "b"}},
        {"a,b,", none, none, {"a", "b"}},
        {",a", none, none, {"", "a"}},
        {"a,b,c", none, I(1), {"a"}},
        {"a,b,c", none, I(2), {"a", "b"}},
        {"a,b,c", T(","), I(0), {}},
        {"a,b,c", T(","), I(-2), {}},
        {"", none, none, {}},
        {"a,b", T(""), none, {"a,b"}},
        {"1ab2ab3", T("ab"), none, {"1", "2", "3"}},
        {"\xB0,x,y", none, none, {"\xB0,x", "y"}},  // "," as a second byte is no separator
    };
    for (const Case& c : cases) {
        std::vector<bool> nulls;
        std::vector<std::string> parts = take_split(call_command(split_text, 3, T(c.text), c.separator, c.max_parts), &nulls);
        EXPECT_EQ(parts, c.expected) << c.text;
        for (size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(nulls[i], parts[i].empty()) << "empty parts are null";
    }
}

// --- Conversion ------------------------------------------------------------------------------------------------

TEST(ToText, EveryKind) {
    Bytes with_zero = bytes_of(std::string("ab\0c", 4));
    Bytes without_zero = bytes_of("xyz");
    struct Case {
        Value value;
        const char* expected;
    } cases[] = {
        {value_double(0.1), "0.1"},
        {value_double(1.0 / 3), "0.3333333333333"},
        {I(-5), "-5"},
        {value_byte(200), "200"},
        {value_short(-2), "-2"},
        {value_long(-9000000000LL), "-9000000000"},
        {value_float(1.5f), "1.5"},
        {value_bool(true), "真"},
        {value_bool(false), "假"},
        {value_date(45356.0), "2024年3月5日"},                       // midnight: the date only
        {value_date(45356.0 + (14 * 3600 + 31 * 60) / 86400.0), "2024年3月5日14时31分"},
        {value_date(45356.0 + (14 * 3600 + 31 * 60 + 5) / 86400.0), "2024年3月5日14时31分5秒"},
        {value_date(45356.0 + (9 * 60 + 0.4) / 1440.0), "2024年3月5日9时0分24秒"},
        {value_date(0.0), "1899年12月30日"},
        {value_date(-1.25), "1899年12月29日6时"},                   // negative: the fraction is still the time
        {T("copy"), "copy"},
        {with_zero.arg(), "ab"},
        {without_zero.arg(), "xyz"},
        {value_omitted(), ""},
        {value_unit(1, 2, kUnitListBox), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(take_text(call_command(to_text, 1, c.value)).text, c.expected) << c.expected;
}

TEST(ToNumber, FullWidthFormsAndDecimalPrefix) {
    struct Case {
        Value value;
        double expected;
    } cases[] = {
        {T("\xA3\xB1\xA3\xB2\xA3\xB3\xA3\xAE\xA3\xB5"), 123.5},  // "１２３．５"
        {T("123.5"), 123.5},
        {T("\xA1\xA1\xA3\xAD\xA3\xB4\xA3\xE5\xA3\xB2x"), -400},  // "　－４ｅ２x"
        {T(""), 0},
        {T("abc"), 0},
        {T("0x10"), 0},
        {T("inf"), 0},
        {T(" \t+7.25e1junk"), 72.5},
        {T("5e"), 5},
        {value_short(-3), -3},
        {value_long(1LL << 40), 1099511627776.0},
        {value_bool(true), 1},
        {value_date(45356.5), 0},  // dates give 0
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(value_as_double(call_command(to_number, 1, c.value)), c.expected);
}

TEST(ToBytes, StorageBytesOfEachKind) {
    Bytes source = bytes_of(std::string("q\0r", 3));
    int32_t array[5] = {1, 2, 0x11223344, 0x55667788, 0};  // {dimensions 1, count 2, elements}
    struct Case {
        Value value;
        std::string expected;
    } cases[] = {
        {I(0x01020304), std::string("\x04\x03\x02\x01", 4)},
        {value_short(0x1234), "\x34\x12"},
        {value_bool(true), std::string("\x01\0\0\0", 4)},
        {value_long(0x0102030405060708LL), "\x08\x07\x06\x05\x04\x03\x02\x01"},
        {value_double(1.0), std::string("\0\0\0\0\0\0\xF0\x3F", 8)},
        {T("ab"), "ab"},
        {source.arg(), std::string("q\0r", 3)},
        {Value{static_cast<uint32_t>(reinterpret_cast<uintptr_t>(array)), 0, kTypeInt | kArrayFlag},
         std::string("\x44\x33\x22\x11\x88\x77\x66\x55", 8)},
        {value_unit(1, 2, kUnitListBox), ""},
    };
    for (const Case& c : cases) {
        Value r = call_command(to_bytes, 1, c.value);
        if (c.expected.empty()) {
            EXPECT_EQ(r.lo, 0u) << "an empty byte-set is null";
        }
        EXPECT_EQ(take_bytes(r), c.expected);
    }
}

TEST(BytesToValue, KindsTagsAndPositions) {
    Bytes two = bytes_of("\x34\x12");
    Value r = call_command(bytes_to_value, 2, two.arg(), I(3));
    EXPECT_EQ(r.type, static_cast<uint32_t>(kTypeInt));
    EXPECT_EQ(value_as_int(r), 0x1234);  // missing high bytes are 0

    Bytes text = bytes_of("abc");
    r = call_command(bytes_to_value, 2, text.arg(), I(10));
    EXPECT_EQ(r.type, static_cast<uint32_t>(kTypeText));
    EXPECT_EQ(take_text(r).text, "abc");  // no 0 byte: every byte

    Bytes flags = bytes_of(std::string("\0\0\0\x02\xFF", 5));
    r = call_command(bytes_to_value, 2, flags.arg(), I(7));
    EXPECT_EQ(r.type, static_cast<uint32_t>(kTypeBool));
    EXPECT_EQ(r.lo, 1u);
    r = call_command(bytes_to_value, 3, flags.arg(), I(1), I(5));  // plain position: byte 5
    EXPECT_EQ(r.type, static_cast<uint32_t>(kTypeByte));
    EXPECT_EQ(r.lo, 0xFFu);
    r = call_command(bytes_to_value, 3, flags.arg(), I(2), I(0));  // below 1: nothing to read
    EXPECT_EQ(r.lo, 0u);

    double big = 1e12;
    Bytes date = Bytes(new_bytes(&big, 8));
    r = call_command(bytes_to_value, 2, date.arg(), I(8));
    EXPECT_EQ(r.type, static_cast<uint32_t>(kTypeDate));
    EXPECT_EQ(value_as_double(r), kDateMax);  // clamped

    // A position passed by reference advances and reaches -1 at the end.
    Bytes record = bytes_of(std::string("ab\0\x05\x00\x07", 6));
    int32_t position = 1;
    EXPECT_EQ(take_text(call_command(bytes_to_value, 3, record.arg(), I(10), value_int_ref(&position))).text, "ab");
    EXPECT_EQ(position, 4);  // past the 0 byte
    r = call_command(bytes_to_value, 3, record.arg(), I(2), value_int_ref(&position));
    EXPECT_EQ(r.type, static_cast<uint32_t>(kTypeShort));
    EXPECT_EQ(r.lo, 5u);
    EXPECT_EQ(position, 6);
    r = call_command(bytes_to_value, 3, record.arg(), I(3), value_int_ref(&position));  // 1 of 4 bytes left
    EXPECT_EQ(r.lo, 7u);
    EXPECT_EQ(position, -1);
    EXPECT_TRUE(take_text(call_command(bytes_to_value, 3, record.arg(), I(10), value_int_ref(&position))).null);
    EXPECT_EQ(position, -1);
    position = 5;
    EXPECT_EQ(take_text(call_command(bytes_to_value, 3, record.arg(), I(10), value_int_ref(&position))).text, "");
    EXPECT_EQ(position, 6);  // the 0 byte was used
    // A plain position is never written back.
    int32_t plain = 1;
    call_command(bytes_to_value, 3, record.arg(), I(1), I(plain));
    EXPECT_EQ(plain, 1);
}

CHILD_SCENARIO(bytes_to_value_kind_0) {
    Bytes b = bytes_of("abcd");
    call_command(bytes_to_value, 2, b.arg(), I(0));
    child_write("returned\n");
}
CHILD_SCENARIO(bytes_to_value_kind_11) {
    Bytes b = bytes_of("abcd");
    call_command(bytes_to_value, 2, b.arg(), I(11));
    child_write("returned\n");
}

TEST(BytesToValue, InvalidKindEndsTheProgram) {
    for (const char* scenario : {"bytes_to_value_kind_0", "bytes_to_value_kind_11"}) {
        ChildResult r = run_child(scenario);
        EXPECT_EQ(r.exit_code, 0xFFFFFFFFul) << scenario;
        EXPECT_EQ(r.output, "0|“欲取出数据的类型”参数值无效\n") << scenario;
    }
}

TEST(ByteSets, ZeroBytes) {
    Value r = call_command(make_zero_bytes, 1, I(3));
    EXPECT_EQ(static_cast<int32_t*>(value_as_block(r))[0], 1);
    EXPECT_EQ(take_bytes(r), std::string(3, '\0'));
    EXPECT_EQ(call_command(make_zero_bytes, 1, I(0)).lo, 0u);
    EXPECT_EQ(call_command(make_zero_bytes, 1, I(-4)).lo, 0u);
}

// --- Numbers and dates -----------------------------------------------------------------------------------------

TEST(Numbers, FloorOrAndAbs) {
    struct Case {
        double x;
        int32_t expected;
    } cases[] = {
        {2.9999999999999, 3}, {2.5, 2},   {-2.5, -3},          {-2.9999999999999, -3},
        {2.999999999, 2},     {3.0, 3},   {-0.9999999999999, -1},  // integer part -0: still away from zero
        {0.0, 0},             {-0.1, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(value_as_int(call_command(floor_to_int, 1, value_double(c.x))), c.expected) << c.x;

    EXPECT_EQ(value_as_int(call_command(bit_or, 3, I(1), I(2), I(0x100))), 0x103);
    EXPECT_EQ(value_as_int(call_command(bit_or, 1, I(-8))), -8);
    EXPECT_EQ(value_as_double(call_command(abs_value, 1, value_double(-2.5))), 2.5);
    EXPECT_EQ(value_as_double(call_command(abs_value, 1, value_double(4.0))), 4.0);
}

TEST(Dates, PartsAndClampLimits) {
    struct Case {
        double date;
        int32_t year, month, day, hour, minute;
    } cases[] = {
        {kDateMin, 100, 1, 1, 0, 0},
        {kDateMax, 9999, 12, 31, 0, 0},
        {kDateMax + 0.75, 9999, 12, 31, 0, 0},   // clamped before the split
        {45356.0 + (23 * 60 + 59) / 1440.0, 2024, 3, 5, 23, 59},
        {60.0, 1900, 2, 28, 0, 0},
        {61.0, 1900, 3, 1, 0, 0},               // 1900 has no 29 February
        {36585.0, 2000, 2, 29, 0, 0},
        {45356.99999999, 2024, 3, 6, 0, 0},     // rounds to the next day's midnight
    };
    for (const Case& c : cases) {
        Value d = value_date(c.date);
        EXPECT_EQ(value_as_int(call_command(date_year, 1, d)), c.year) << c.date;
        EXPECT_EQ(value_as_int(call_command(date_month, 1, d)), c.month) << c.date;
        EXPECT_EQ(value_as_int(call_command(date_day, 1, d)), c.day) << c.date;
        EXPECT_EQ(value_as_int(call_command(date_hour, 1, d)), c.hour) << c.date;
        EXPECT_EQ(value_as_int(call_command(date_minute, 1, d)), c.minute) << c.date;
    }
    // The calendar agrees with the system's own conversion over a spread of days.
    for (double day = -657434; day <= 2958465; day += 9973.37) {
        SYSTEMTIME st;
        ASSERT_TRUE(VariantTimeToSystemTime(day, &st)) << day;
        DateParts p = split_date(day);
        EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, st.wYear * 10000 + st.wMonth * 100 + st.wDay) << day;
        EXPECT_EQ(p.hour * 60 + p.minute, st.wHour * 60 + st.wMinute) << day;
        double back = make_date(p.year, p.month, p.day, p.hour, p.minute, p.second);
        EXPECT_NEAR(back, day, 1.0 / 86400) << day;
    }
}
}  // namespace
