// Typed shorthands for the runtime commands that the application's routines call, the one way application code
// calls a command: each builds the argument records, calls the command through call_command and hands back the
// result in its own kind (texts as owned Text values, byte-sets as Bytes, file numbers as int32_t).
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/commands.h"

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
inline int32_t findText(const char* t, const char* sought, bool ignoreCase = false) {
    return value_as_int(
        call_command(find_text, 4, value_text(t), value_text(sought), value_omitted(), value_bool(ignoreCase)));
}
// The parts of t between the separators, each an owned text (empty parts included).
inline std::vector<Text> splitText(const char* t, const char* separator) {
    void* block = value_as_block(call_command(split_text, 2, value_text(t), value_text(separator)));
    std::vector<Text> parts;
    if (!block) return parts;
    // A one-dimensional text array {1, count, texts}: its texts pass to the parts, then the block goes.
    const int32_t* words = static_cast<const int32_t*>(block);
    char* const* texts = reinterpret_cast<char* const*>(words + 2);
    for (int32_t i = 0; i < words[1]; ++i) parts.emplace_back(texts[i]);
    free_block(block);
    return parts;
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

// --- Files and disks by name
inline bool writeFile(const char* path, const void* bytes) {
    return value_as_bool(call_command(write_file, 2, value_text(path), value_bytes(bytes)));
}
inline bool fileExists(const char* path) { return value_as_bool(call_command(file_exists, 1, value_text(path))); }
inline bool deleteFile(const char* path) { return value_as_bool(call_command(delete_file, 1, value_text(path))); }
// Overwrites the target; the copy carries the read-only, hidden and system attributes of the source.
inline bool copyFile(const char* from, const char* to) {
    return value_as_bool(call_command(copy_file, 2, value_text(from), value_text(to)));
}
// Fails when the target exists.
inline bool moveFile(const char* from, const char* to) {
    return value_as_bool(call_command(move_file, 2, value_text(from), value_text(to)));
}
// Read-only 1, hidden 2, system 4, archive 0x20; every other bit is dropped.
inline bool setFileAttributes(const char* path, int32_t attributes) {
    return value_as_bool(call_command(set_file_attributes, 2, value_text(path), value_int(attributes)));
}
inline bool createDirectory(const char* path) {
    return value_as_bool(call_command(create_directory, 1, value_text(path)));
}
inline int32_t getFileSize(const char* path) {  // -1 when there is no such file
    return value_as_int(call_command(get_file_size, 1, value_text(path)));
}
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

// --- Files by number: open_file answers a file number (0 when the file cannot be opened), which the other
// commands take; an unknown number reads as a file at its end.
constexpr int32_t kOpenRead = 1;       // read only, an existing file
constexpr int32_t kOpenReadWrite = 3;  // read and write, an existing file
inline int32_t openFile(const char* path, int32_t access) {  // others may read and write it meanwhile
    return value_as_int(call_command(open_file, 2, value_text(path), value_int(access)));
}
inline void closeFile(int32_t file) { call_command(close_file, 1, value_int(file)); }
// The line from the position on, without its line end; the empty text at the end of the file.
inline Text readLine(int32_t file) { return Text::take(call_command(read_line, 1, value_int(file))); }
// True at the end of the file, and before a 0 or Ctrl-Z byte (where a line read stops for good).
inline bool atEndOfFile(int32_t file) {
    return value_as_bool(call_command(at_end_of_file, 2, value_int(file), value_bool(true)));
}

// --- Processes and the system
inline Text getRunDirectory() { return Text::take(call_command(get_run_directory, 0)); }  // no trailing "\"
inline bool runProgram(const char* commandLine, bool wait) {
    return value_as_bool(call_command(run_program, 2, value_text(commandLine), value_bool(wait)));
}
// The shut-down command lives in the third support library (index 2).
constexpr int32_t kRestart = 2;  // the shut-down mode that restarts the machine
inline bool shutDownSystem(int32_t mode, bool force) {
    return value_as_bool(call_library_command(shut_down_system, 2, 2, value_int(mode), value_bool(force)));
}

// --- Windows, message boxes, lists, file dialogs and the status bar (unit references from unit_access.h)
// Opens the window; a modal one returns once it has closed.
inline bool loadWindow(const Value& window, bool modal) {
    return value_as_bool(call_command(load_window, 3, window, value_omitted(), value_bool(modal)));
}
inline void destroyWindow(const Value& window) { call_command(destroy_window, 1, window); }
inline void processEvents() { call_command(process_events, 0); }
// The button clicked, numbered: 0 OK, 1 Cancel, ... 5 Yes, 6 No. Buttons and icon by their MB_ names.
constexpr int32_t kAnswerYes = 5;
inline int32_t messageBox(const char* message, int32_t buttons) {
    return value_as_int(call_command(message_box, 2, value_text(message), value_int(buttons)));
}
// A box owned by a window: the window has the keyboard again once the box is closed.
inline int32_t messageBox(const char* message, int32_t buttons, const Value& owner) {
    return value_as_int(
        call_command(message_box, 4, value_text(message), value_int(buttons), value_omitted(), owner));
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
// Shows the file dialog; false when the user cancelled it.
inline bool openCommonDialog(const Value& dialog) {
    return value_as_bool(call_command(open_common_dialog, 1, dialog));
}
// The status-bar command lives in the second support library (index 1).
inline void statusBarSetText(const Value& bar, int32_t part, const char* t) {
    call_library_command(status_bar_set_text, 1, 3, bar, value_int(part), value_text(t));
}
}  // namespace cmd
