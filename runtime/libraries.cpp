// The descriptors of the three support libraries: the core library (window units and the command library),
// the extended interface library (status bar) and the system library (shut-down).
#include <iterator>

#include "runtime/internal.h"

// Commands that this build does not link in leave an empty slot in the table instead of failing the link.
#define QG_COMMAND(name) void name(Value*, int32_t, Value*) __attribute__((weak));
QG_COMMAND(text_length) QG_COMMAND(bytes_length) QG_COMMAND(text_left) QG_COMMAND(text_right)
QG_COMMAND(text_mid) QG_COMMAND(char_to_text) QG_COMMAND(find_text) QG_COMMAND(find_text_reverse)
QG_COMMAND(trim_leading) QG_COMMAND(trim_trailing) QG_COMMAND(split_text) QG_COMMAND(to_text)
QG_COMMAND(to_number) QG_COMMAND(to_bytes) QG_COMMAND(bytes_to_value) QG_COMMAND(make_zero_bytes)
QG_COMMAND(bit_or) QG_COMMAND(abs_value) QG_COMMAND(floor_to_int) QG_COMMAND(date_year) QG_COMMAND(date_month)
QG_COMMAND(date_day) QG_COMMAND(date_hour) QG_COMMAND(date_minute) QG_COMMAND(create_directory)
QG_COMMAND(copy_file) QG_COMMAND(delete_file) QG_COMMAND(move_file) QG_COMMAND(file_exists)
QG_COMMAND(set_file_attributes) QG_COMMAND(get_file_time) QG_COMMAND(get_file_size) QG_COMMAND(write_file)
QG_COMMAND(open_file) QG_COMMAND(close_file) QG_COMMAND(seek_file_start) QG_COMMAND(read_line)
QG_COMMAND(at_end_of_file) QG_COMMAND(disk_total_kb) QG_COMMAND(disk_free_kb) QG_COMMAND(run_program)
QG_COMMAND(get_run_directory) QG_COMMAND(shut_down_system)
#undef QG_COMMAND

namespace {
uintptr_t (*g_service[3])(int32_t, uintptr_t, uintptr_t) = {nullptr, nullptr, nullptr};

template <int Library>
int32_t library_notify(int32_t code, uintptr_t arg1, uintptr_t) {
    if (code == kNotifyStart) g_service[Library] = reinterpret_cast<ServiceFn>(arg1);
    if (code == kNotifyShutdown) g_service[Library] = nullptr;
    return 0;
}

const CommandFn kCoreCommands[] = {
    text_length, bytes_length, text_left, text_right, text_mid, char_to_text, find_text, find_text_reverse,
    trim_leading, trim_trailing, split_text, to_text, to_number, to_bytes, bytes_to_value, make_zero_bytes,
    bit_or, abs_value, floor_to_int, date_year, date_month, date_day, date_hour, date_minute,
    create_directory, copy_file, delete_file, move_file, file_exists, set_file_attributes, get_file_time,
    get_file_size, write_file, open_file, close_file, seek_file_start, read_line, at_end_of_file,
    disk_total_kb, disk_free_kb, run_program, get_run_directory,
    load_window, destroy_window, message_box, process_events, list_item_count, list_item_text,
    list_current_index, list_set_current, list_add_item, list_clear, open_common_dialog,
};
const CommandFn kInterfaceCommands[] = {status_bar_set_text};
const CommandFn kSystemCommands[] = {shut_down_system};

constexpr int32_t count_of(const CommandFn* begin, const CommandFn* end) { return static_cast<int32_t>(end - begin); }

const LibraryDescriptor kCoreLibrary = {
    kDescriptorFormat, "5A1D3C7E9B2F4A6081C3E5D7F9A1B3C5", {3, 6, 0, 3, 6, 3, 6}, "核心支持库", {},
    0, nullptr, {}, count_of(std::begin(kCoreCommands), std::end(kCoreCommands)), 0, kCoreCommands, {},
    library_notify<0>};
const LibraryDescriptor kInterfaceLibrary = {
    kDescriptorFormat, "7C2E4A6B8D0F1E3A5C7B9D1F3E5A7C9B", {1, 2, 0, 3, 6, 3, 6}, "扩展界面支持库", {},
    0, nullptr, {}, 1, 0, kInterfaceCommands, {}, library_notify<1>};
const LibraryDescriptor kSystemLibrary = {
    kDescriptorFormat, "3B5D7F9A1C3E5B7D9F1A3C5E7B9D1F3A", {1, 0, 0, 3, 6, 3, 6}, "系统支持库", {},
    0, nullptr, {}, 1, 0, kSystemCommands, {}, library_notify<2>};
}  // namespace

const LibraryDescriptor* const kSupportLibraries[3] = {&kCoreLibrary, &kInterfaceLibrary, &kSystemLibrary};

ServiceFn library_service(int32_t library) {
    return library >= 0 && library < 3 ? g_service[library] : nullptr;
}
