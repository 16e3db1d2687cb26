// The boot menu: the copy taken at every image selection, the rewrite that makes the boot loader the default
// entry, the undo that puts everything back, and the boot loader of another tool kept aside meanwhile.
#include <windows.h>

#include <vector>

#include "app/app.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
Value text(const char* t) { return value_text(t); }

// A command's result carries no type tag; as an argument the file number must have one.
Value openMenu(int32_t access) {
    Value number = call_command(open_file, 2, text(txt::path_boot_ini()), value_int(access));
    return value_int(value_as_int(number));
}

bool exists(const char* path) { return value_as_bool(call_command(file_exists, 1, text(path))); }

// Every line of the file from the current position on, up to its end or to a 0 or Ctrl-Z byte (which a line
// read never passes). Lines equal to `skip` are left out.
std::vector<Text> remainingLines(const Value& file, const char* skip) {
    std::vector<Text> lines;
    while (!value_as_bool(call_command(at_end_of_file, 2, file, value_int(1)))) {
        Text line = Text::take(call_command(read_line, 1, file));
        if (!skip || !text_equal(line.get(), skip)) lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

bool sameContent(const char* path, const void* bytes) {
    int32_t size = value_as_int(call_command(get_file_size, 1, text(path)));
    if (size != bytes_block_length(bytes)) return false;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::vector<uint8_t> data(static_cast<size_t>(size) + 1);
    DWORD got = 0;
    bool ok = ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) && got == static_cast<DWORD>(size);
    CloseHandle(h);
    for (int32_t i = 0; ok && i < size; ++i) ok = data[i] == bytes_block_data(bytes)[i];
    return ok;
}
bool bootMenuCarriesEntry() {
    Value file = openMenu(1);  // read only
    bool found = false;
    for (const Text& line : remainingLines(file, nullptr))
        found = found || value_as_int(call_command(find_text, 2, line.arg(), text(txt::boot_menu_entry()))) > 0;
    call_command(close_file, 1, file);
    return found;
}

void prepareBootMenu() {
    // Once the menu carries our entry, C:\boot.bak is the only copy of the user's own menu: keep it.
    if (!bootMenuCarriesEntry()) call_command(copy_file, 2, text(txt::path_boot_ini()), text(txt::path_boot_bak()));
    call_command(run_program, 3, text(txt::clear_boot_menu_attributes()), value_bool(false), value_int(1));
}

void rewriteBootMenu() {
    Value file = openMenu(3);  // read and write, as the rewrite has always opened it
    // A menu that exists but cannot be read is not replaced by one without its systems.
    if (value_as_int(file) == 0 && exists(txt::path_boot_ini())) return;
    for (int i = 0; i < 3; ++i) Text::take(call_command(read_line, 1, file));  // header, time-out, default
    // Every line from line 4 on; our own entry is written once, last. Lines 4 to 6 always have a place,
    // empty when the file is shorter.
    std::vector<Text> kept = remainingLines(file, txt::boot_menu_entry());
    call_command(close_file, 1, file);
    while (kept.size() < 3) kept.emplace_back();

    std::vector<const char*> parts{txt::boot_menu_header()};
    for (const Text& line : kept) {
        parts.push_back(line.c_str());
        parts.push_back(txt::line_end());
    }
    parts.push_back(txt::boot_menu_entry());
    Text menu = concat({});
    for (const char* part : parts) menu = concat({menu.c_str(), part});
    Bytes content(new_bytes(menu.get(), menu.length()));
    call_command(write_file, 2, text(txt::path_boot_ini()), content.arg());
}

void saveForeignBootLoader() {
    const char* loader = txt::path_grldr();
    if (exists(loader) && !exists(txt::path_grldr_saved()) && !sameContent(loader, bin::boot_loader()))
        call_command(move_file, 2, text(loader), text(txt::path_grldr_saved()));
}

void undoBootFiles() {
    call_command(process_events, 0);
    void* search = nullptr;
    bool saved = false;
    for (char* name = find_file(txt::path_boot_bak(), 0, 1, &search); name;
         name = find_file("", 0, 1, &search)) {
        free_block(name);
        saved = true;
    }
    end_find_file(search);
    // The menu may still be read-only, hidden and system: the program that an image selection starts to clear
    // them runs on its own and may not have finished yet.
    if (saved) {
        call_command(set_file_attributes, 2, text(txt::path_boot_ini()), value_int(0));
        call_command(delete_file, 1, text(txt::path_boot_ini()));
    }

    // Only our own boot loader is removed; one of another tool, kept aside by the run, goes back in place.
    if (sameContent(txt::path_grldr(), bin::boot_loader())) call_command(delete_file, 1, text(txt::path_grldr()));
    for (const char* path : {txt::path_ghost_bat(), txt::path_ghost_exe(), txt::path_qelo_img()})
        call_command(delete_file, 1, text(path));
    call_command(move_file, 2, text(txt::path_grldr_saved()), text(txt::path_grldr()));
    call_command(move_file, 2, text(txt::path_boot_bak()), text(txt::path_boot_ini()));
}

void undoInstallation() {
    using namespace undo_prompt;
    undoBootFiles();
    updateUndoButton(txt::root_of_c());
    call_command(destroy_window, 1, windowRef(kWindow, self));
    unit::setVisible(main_window::销毁按钮, true);
    unit::setDisabled(main_window::销毁按钮, true);
}

void closeUndoPrompt() { call_command(destroy_window, 1, windowRef(undo_prompt::kWindow, undo_prompt::self)); }
