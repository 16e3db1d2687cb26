// The boot menu: the copy taken at every image selection, the check that a run can put the menu back, the
// rewrite that makes the boot loader the default entry, the undo that puts everything back (also after a
// failed run), and the boot loader of another tool kept aside meanwhile.
#include <windows.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
Value text(const char* t) { return value_text(t); }

// A command's result carries no type tag; as an argument the file number must have one.
Value openMenu(const char* path, int32_t access) {
    Value number = call_command(open_file, 2, text(path), value_int(access));
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

// True when a line of the menu file at path holds the entry "C:\grldr=Drelvok".
bool carriesEntry(const char* path) {
    Value file = openMenu(path, 1);  // read only
    bool found = false;
    for (const Text& line : remainingLines(file, nullptr))
        found = found || value_as_int(call_command(find_text, 2, line.arg(), text(txt::boot_menu_entry()))) > 0;
    call_command(close_file, 1, file);
    return found;
}

// The whole content of a file; false when it cannot be read.
bool readWholeFile(const char* path, std::string* content) {
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(h, nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok) content->resize(size);
    DWORD got = 0;
    ok = ok && (size == 0 || ReadFile(h, &(*content)[0], size, &got, nullptr)) && got == size;
    CloseHandle(h);
    return ok;
}
}  // namespace

bool fileHolds(const char* path, const char* data, int32_t size) {
    std::string content;
    return readWholeFile(path, &content) && content.size() == static_cast<size_t>(size) &&
           content.compare(0, content.size(), data, static_cast<size_t>(size)) == 0;
}

bool fileHoldsPayload(const char* path, const void* payload) {
    return fileHolds(path, reinterpret_cast<const char*>(bytes_block_data(payload)), bytes_block_length(payload));
}

bool sameFileContent(const char* a, const char* b) {
    std::string first, second;
    return readWholeFile(a, &first) && readWholeFile(b, &second) && first == second;
}

bool bootMenuCarriesEntry() { return carriesEntry(txt::path_boot_ini()); }

const char* bootMenuRefusal() {
    if (!exists(txt::path_boot_ini())) return txt::run_refused_no_boot_menu();
    // C:\boot.bak is what puts the machine back, from the DOS side or through the undo: it must be the menu
    // about to be replaced, or, once the menu carries our entry, the user's own menu without it.
    if (bootMenuCarriesEntry())
        return exists(txt::path_boot_bak()) && !carriesEntry(txt::path_boot_bak()) ? nullptr
                                                                                  : txt::run_refused_no_own_menu();
    return sameFileContent(txt::path_boot_bak(), txt::path_boot_ini()) ? nullptr : txt::run_refused_stale_copy();
}

void prepareBootMenu() {
    // Once the menu carries our entry, C:\boot.bak is the only copy of the user's own menu: keep it.
    if (!bootMenuCarriesEntry()) {
        // A copy left by an earlier selection is read-only, hidden and system, and would refuse the new one.
        call_command(set_file_attributes, 2, text(txt::path_boot_bak()), value_int(0));
        call_command(copy_file, 2, text(txt::path_boot_ini()), text(txt::path_boot_bak()));
    }
    call_command(run_program, 3, text(txt::clear_boot_menu_attributes()), value_bool(false), value_int(1));
}

bool rewriteBootMenu() {
    Value file = openMenu(txt::path_boot_ini(), 3);  // read and write, as the rewrite has always opened it
    // A menu that exists but cannot be read is not replaced by one without its systems.
    if (value_as_int(file) == 0 && exists(txt::path_boot_ini())) return false;
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
    return value_as_bool(call_command(write_file, 2, text(txt::path_boot_ini()), content.arg()));
}

void saveForeignBootLoader() {
    const char* loader = txt::path_grldr();
    if (exists(loader) && !exists(txt::path_grldr_saved()) && !fileHoldsPayload(loader, bin::boot_loader()))
        call_command(move_file, 2, text(loader), text(txt::path_grldr_saved()));
}

bool undoBootFiles(bool loaderJustWritten) {
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

    // Only our own boot loader is removed, and not while the menu without a saved copy still starts it; one of
    // another tool, kept aside by the run, goes back in place.
    bool stranded = !saved && bootMenuCarriesEntry();
    if (!stranded && (loaderJustWritten || fileHoldsPayload(txt::path_grldr(), bin::boot_loader())))
        call_command(delete_file, 1, text(txt::path_grldr()));
    for (const char* path : {txt::path_ghost_bat(), txt::path_ghost_exe(), txt::path_qelo_img()})
        call_command(delete_file, 1, text(path));
    call_command(move_file, 2, text(txt::path_grldr_saved()), text(txt::path_grldr()));
    call_command(move_file, 2, text(txt::path_boot_bak()), text(txt::path_boot_ini()));
    return !bootMenuCarriesEntry();
}

void undoInstallation() {
    using namespace undo_prompt;
    call_command(process_events, 0);
    if (!undoBootFiles(false))
        call_command(message_box, 2, text(txt::undo_menu_not_restored()), value_int(0x30) /* OK, warning icon */);
    updateUndoButton(txt::root_of_c());
    call_command(destroy_window, 1, windowRef(kWindow, self));
    unit::setVisible(main_window::销毁按钮, true);
    unit::setDisabled(main_window::销毁按钮, true);
}

void closeUndoPrompt() { call_command(destroy_window, 1, windowRef(undo_prompt::kWindow, undo_prompt::self)); }

// Y and N answer the undo prompt as they answer the restart prompt.
bool onUndoKeyDown(int32_t key, int32_t) {
    if (key == 'Y') undoInstallation();
    if (key == 'N') closeUndoPrompt();
    return key != 'Y' && key != 'N';
}
