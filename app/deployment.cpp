// Payload deployment: the boot set on C:, the Windows imaging program on E:, the skin library beside the
// program, and the skin that start-up applies. Payloads are byte-set constants handed to write_file as they
// are; no result is checked unless a comment says why.
#include "app/app.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
namespace mw = main_window;

constexpr int32_t kHiddenAttribute = 2;
constexpr int32_t kStartUpSkin = 10;

bool writePayload(const char* path, const void* payload) {
    return value_as_bool(call_command(write_file, 2, value_text(path), value_bytes(payload)));
}

bool deleteFile(const char* path) { return value_as_bool(call_command(delete_file, 1, value_text(path))); }

// A file of the program's directory: the directory, "\\" and the name.
Text besideProgram(const char* name) {
    Text directory = Text::take(call_command(get_run_directory, 0));
    return concat({directory.c_str(), "\\", name});
}
}  // namespace

bool usesCustomGhost(const char* path) {
    Value found = call_command(find_text, 4, value_text(path), value_text(txt::custom_ghost_marker()), value_int(1),
                               value_bool(true));
    return value_as_int(found) > 0;
}

bool deployBootLoader() { return writePayload(txt::path_grldr(), bin::boot_loader()); }

Text customGhostPath() {
    if (!unit::checked(mw::自定义选择框)) return Text();
    Text path = unit::editContent(mw::编辑框2);
    return usesCustomGhost(path.c_str()) ? std::move(path) : Text();
}

bool deployDosGhost() {
    Text custom = customGhostPath();
    // A custom file that cannot be copied leaves C:\ghost.exe as it was.
    if (!custom.empty())
        return value_as_bool(call_command(copy_file, 2, custom.arg(), value_text(txt::path_ghost_exe())));
    return writePayload(txt::path_ghost_exe(), bin::dos_ghost());
}

bool deployFloppyImage() { return writePayload(txt::path_qelo_img(), bin::floppy_image()); }

bool bootSetCarriesStandIns() {
    return bin::boot_loader_is_stand_in() || bin::floppy_image_is_stand_in() ||
           (bin::dos_ghost_is_stand_in() && customGhostPath().empty());
}

void onGhost32Clicked() {
    if (unit::checked(mw::G选择框)) {
        writePayload(txt::path_ghost32(), bin::windows_ghost());
        call_command(run_program, 2, value_text(txt::path_ghost32()), value_bool(false));
    } else {
        deleteFile(txt::path_ghost32());
    }
}

// The library is reused at every start, so a damaged one (a write cut short by a full disk or a pulled stick)
// must never stay: it is written under a temporary name and renamed only when complete, and a library whose
// bytes differ from the carried one is written again. The carried library already in place is left alone.
void deploySkinLibrary() {
    Text path = besideProgram(txt::skin_library_name());
    const void* library = bin::skin_library();
    if (fileHoldsPayload(path.c_str(), library)) return;
    Text partial = besideProgram(txt::skin_library_partial());
    deleteFile(partial.c_str());
    if (!writePayload(partial.c_str(), library)) {
        deleteFile(partial.c_str());
        return;
    }
    call_command(set_file_attributes, 2, partial.arg(), value_int(kHiddenAttribute));
    deleteFile(path.c_str());
    if (!value_as_bool(call_command(move_file, 2, partial.arg(), path.arg()))) deleteFile(partial.c_str());
}

void applySkin() {
    deploySkinLibrary();
    // The skin is a look, not a function: a library that cannot be loaded (a program directory that cannot be
    // written, a damaged file that cannot be replaced) leaves the windows unskinned.
    if (!dll_command_available(kSkinAttachCommand)) return;
    const void* skin = bin::skin(kStartUpSkin);
    call_dll_command(kSkinAttachCommand, static_cast<const void*>(bytes_block_data(skin)), bytes_block_length(skin),
                     static_cast<const void*>(empty_text()), 0, 0, 0);
}
