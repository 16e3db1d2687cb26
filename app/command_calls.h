// Typed shorthands for the runtime commands that the application's routines call: each builds the argument
// records, calls the command through call_command and hands back the result in its own kind (texts as owned
// Text values).
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

namespace cmd {
// --- Texts and numbers
inline int32_t textLength(const char* t) { return value_as_int(call_command(text_length, 1, value_text(t))); }
inline Text textLeft(const char* t, int32_t n) {
    return Text::take(call_command(text_left, 2, value_text(t), value_int(n)));
}
inline Text textRight(const char* t, int32_t n) {
    return Text::take(call_command(text_right, 2, value_text(t), value_int(n)));
}
inline Text textMid(const char* t, int32_t start, int32_t n) {
    return Text::take(call_command(text_mid, 3, value_text(t), value_int(start), value_int(n)));
}
inline Text trimLeading(const char* t) { return Text::take(call_command(trim_leading, 1, value_text(t))); }
inline Text trimTrailing(const char* t) { return Text::take(call_command(trim_trailing, 1, value_text(t))); }
inline Text charToText(int32_t code) { return Text::take(call_command(char_to_text, 1, value_int(code))); }
// Position (from 1) of the last occurrence of sought, 0 or less when there is none.
inline int32_t findTextReverse(const char* t, const char* sought) {
    return value_as_int(call_command(find_text_reverse, 4, value_text(t), value_text(sought), value_omitted(),
                                     value_bool(false)));
}
// Position (from 1) of the first occurrence of sought, 0 or less when there is none.
inline int32_t findText(const char* t, const char* sought) {
    return value_as_int(call_command(find_text, 4, value_text(t), value_text(sought), value_omitted(), value_bool(false)));
}
inline Text toText(int32_t v) { return Text::take(call_command(to_text, 1, value_int(v))); }
inline double toNumber(const char* t) { return value_as_double(call_command(to_number, 1, value_text(t))); }
inline int32_t floorToInt(double v) { return value_as_int(call_command(floor_to_int, 1, value_double(v))); }
inline double absValue(double v) { return value_as_double(call_command(abs_value, 1, value_double(v))); }

// --- Dates
inline int32_t dateYear(double d) { return value_as_int(call_command(date_year, 1, value_date(d))); }
inline int32_t dateMonth(double d) { return value_as_int(call_command(date_month, 1, value_date(d))); }
inline int32_t dateDay(double d) { return value_as_int(call_command(date_day, 1, value_date(d))); }
inline int32_t dateHour(double d) { return value_as_int(call_command(date_hour, 1, value_date(d))); }
inline int32_t dateMinute(double d) { return value_as_int(call_command(date_minute, 1, value_date(d))); }

// --- Files and disks
inline bool writeFile(const char* path, const void* bytes) {
    return value_as_bool(call_command(write_file, 2, value_text(path), value_bytes(bytes)));
}
inline bool fileExists(const char* path) { return value_as_bool(call_command(file_exists, 1, value_text(path))); }
inline bool deleteFile(const char* path) { return value_as_bool(call_command(delete_file, 1, value_text(path))); }
inline double getFileTime(const char* path) {
    return value_as_double(call_command(get_file_time, 1, value_text(path)));
}
inline int32_t diskTotalKb(const char* drive) {
    return value_as_int(call_command(disk_total_kb, 1, value_text(drive)));
}
inline int32_t diskFreeKb(const char* drive) { return value_as_int(call_command(disk_free_kb, 1, value_text(drive))); }
inline Bytes makeZeroBytes(int32_t length) {
    return Bytes::take(call_command(make_zero_bytes, 1, value_int(length)));
}

// --- Windows, lists and the status bar (unit references from unit_access.h)
inline void processEvents() { call_command(process_events, 0); }
inline int32_t messageBox(const char* message, int32_t buttons) {
    return value_as_int(call_command(message_box, 2, value_text(message), value_int(buttons)));
}
inline void listClear(const Value& list) { call_command(list_clear, 1, list); }
inline int32_t listAddItem(const Value& list, const char* t) {
    return value_as_int(call_command(list_add_item, 2, list, value_text(t)));
}
inline int32_t listItemCount(const Value& list) { return value_as_int(call_command(list_item_count, 1, list)); }
inline int32_t listCurrentIndex(const Value& list) {
    return value_as_int(call_command(list_current_index, 1, list));
}
inline Text listItemText(const Value& list, int32_t index) {
    return Text::take(call_command(list_item_text, 2, list, value_int(index)));
}
inline bool listSetCurrent(const Value& list, int32_t index) {
    return value_as_bool(call_command(list_set_current, 2, list, value_int(index)));
}
// The status-bar command lives in the second support library (index 1).
inline void statusBarSetText(const Value& bar, int32_t part, const char* t) {
    call_library_command(status_bar_set_text, 1, 3, bar, value_int(part), value_text(t));
}
}  // namespace cmd
