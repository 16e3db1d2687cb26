// The command library: the shape of a command, how one is called, and every command with its arguments and
// result kind; beside the file commands, the directory search routines. None of them ends the program on bad
// input (bytes_to_value excepted): failures answer false, 0, -1 or the empty text or byte-set.
#pragma once

#include <cstdint>
#include <type_traits>

#include "runtime/values.h"

// A library command: fills *result (lo, and hi for 8-byte kinds; type stays 0 except where a command says
// otherwise), reads argument i from args[i] when i < count and args[i].type != 0, never keeps or frees them.
using CommandFn = void (*)(Value* result, int32_t count, Value* args);

// Zero-fills a result record, calls cmd(&result, count, args) and returns the record.
Value call_command_array(CommandFn cmd, int32_t count, Value* args);

template <class... Args>
Value call_command(CommandFn cmd, int32_t count, const Args&... args) {
    static_assert((std::is_same_v<Args, Value> && ...), "command arguments are value records");
    Value records[sizeof...(Args) + 1] = {args..., Value{0, 0, 0}};
    return call_command_array(cmd, count, records);
}

// As call_command; the command's 0-based library index stays readable through current_library_index().
Value call_library_command_array(CommandFn cmd, int32_t library_index, int32_t count, Value* args);

template <class... Args>
Value call_library_command(CommandFn cmd, int32_t library_index, int32_t count, const Args&... args) {
    static_assert((std::is_same_v<Args, Value> && ...), "command arguments are value records");
    Value records[sizeof...(Args) + 1] = {args..., Value{0, 0, 0}};
    return call_library_command_array(cmd, library_index, count, records);
}
int32_t current_library_index();

// ---------------------------------------------------------------------------------------------------------------
// The commands. Every command has the CommandFn shape; the comments give the arguments in order (opt = may be
// omitted) and the result kind.

// Text, byte-set and conversion commands (pure: new blocks for the caller, never fatal but bytes_to_value).
void text_length(Value* result, int32_t count, Value* args);        // text -> int
void bytes_length(Value* result, int32_t count, Value* args);       // byte-set -> int
void text_left(Value* result, int32_t count, Value* args);          // text, count -> text
void text_right(Value* result, int32_t count, Value* args);         // text, count -> text
void text_mid(Value* result, int32_t count, Value* args);           // text, start (1-based), count -> text
void char_to_text(Value* result, int32_t count, Value* args);       // code -> text
void find_text(Value* result, int32_t count, Value* args);          // text, sought, start opt, ignore_case -> int
void find_text_reverse(Value* result, int32_t count, Value* args);  // text, sought, end opt, ignore_case -> int
void trim_leading(Value* result, int32_t count, Value* args);       // text -> text
void trim_trailing(Value* result, int32_t count, Value* args);      // text -> text
void split_text(Value* result, int32_t count, Value* args);         // text, separator opt, max_parts opt -> text array
void to_text(Value* result, int32_t count, Value* args);            // any -> text
void to_number(Value* result, int32_t count, Value* args);          // any -> double
void to_bytes(Value* result, int32_t count, Value* args);           // any -> byte-set
void bytes_to_value(Value* result, int32_t count, Value* args);     // byte-set, kind 1..10, position opt -> kind
void make_zero_bytes(Value* result, int32_t count, Value* args);    // length -> byte-set
void bit_or(Value* result, int32_t count, Value* args);             // int... -> int
void abs_value(Value* result, int32_t count, Value* args);          // double -> double
void floor_to_int(Value* result, int32_t count, Value* args);       // double -> int
void date_year(Value* result, int32_t count, Value* args);          // date -> int
void date_month(Value* result, int32_t count, Value* args);         // date -> int
void date_day(Value* result, int32_t count, Value* args);           // date -> int
void date_hour(Value* result, int32_t count, Value* args);          // date -> int
void date_minute(Value* result, int32_t count, Value* args);        // date -> int

// File, directory, disk, process and system commands (failures answer false, 0, -1 or the empty text).
void create_directory(Value* result, int32_t count, Value* args);     // path -> bool
void copy_file(Value* result, int32_t count, Value* args);            // source, target -> bool (overwrites)
void delete_file(Value* result, int32_t count, Value* args);          // path -> bool
void move_file(Value* result, int32_t count, Value* args);            // source, target -> bool
void file_exists(Value* result, int32_t count, Value* args);          // path (wildcards) -> bool
void set_file_attributes(Value* result, int32_t count, Value* args);  // path, attributes -> bool
void get_file_time(Value* result, int32_t count, Value* args);        // path -> date
void get_file_size(Value* result, int32_t count, Value* args);        // path -> int
void write_file(Value* result, int32_t count, Value* args);           // path, byte-set, byte-sets opt -> bool
void open_file(Value* result, int32_t count, Value* args);            // path, access opt, share opt -> file number
void close_file(Value* result, int32_t count, Value* args);           // file number
void seek_file_start(Value* result, int32_t count, Value* args);      // file number -> bool
void read_line(Value* result, int32_t count, Value* args);            // file number -> text
void at_end_of_file(Value* result, int32_t count, Value* args);       // file number, marker_is_end opt -> bool
void disk_total_kb(Value* result, int32_t count, Value* args);        // drive opt -> int
void disk_free_kb(Value* result, int32_t count, Value* args);         // drive opt -> int
void run_program(Value* result, int32_t count, Value* args);          // command line, wait opt, show opt -> bool
void get_run_directory(Value* result, int32_t count, Value* args);    // -> text
void shut_down_system(Value* result, int32_t count, Value* args);     // mode, force opt -> bool (library 3)

// Window and unit commands.
void load_window(Value* result, int32_t count, Value* args);         // window, parent opt, modal -> bool
void destroy_window(Value* result, int32_t count, Value* args);      // window, now opt
void message_box(Value* result, int32_t count, Value* args);         // message, buttons, caption opt, parent opt -> int
void process_events(Value* result, int32_t count, Value* args);      // -
void list_item_count(Value* result, int32_t count, Value* args);     // list box -> int
void list_item_text(Value* result, int32_t count, Value* args);      // list box, index -> text
void list_current_index(Value* result, int32_t count, Value* args);  // list box -> int
void list_set_current(Value* result, int32_t count, Value* args);    // list box, index -> bool
void list_add_item(Value* result, int32_t count, Value* args);       // list box, text, item data opt -> int
void list_clear(Value* result, int32_t count, Value* args);          // list box
void open_common_dialog(Value* result, int32_t count, Value* args);  // file dialog -> bool
void status_bar_set_text(Value* result, int32_t count, Value* args);  // status bar, part, text opt (library 2)

// ---------------------------------------------------------------------------------------------------------------
// Directory search (find_file and end_find_file are also internal routines 0 and 1, see run_internal)

// find_file: the next matching entry's name (a new text) or null; see the file commands.
char* find_file(const char* pattern, int32_t attributes, int32_t attributes_omitted, void** search_handle);
void end_find_file(void* search_handle);
// find_entry: as find_file, but every entry passes and comes with what a walk needs to sort one listing
// itself (a folder walk that lists a folder once instead of once per kind of entry).
struct FoundEntry {
    uint32_t attributes;  // the system's attribute word (16: a folder)
    char short_name[14];  // the 8.3 name the system also matches patterns against; empty when the name is one
};
char* find_entry(const char* pattern, void** search_handle, FoundEntry* found);
