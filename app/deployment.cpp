// Payload deployment: the boot set on C:, the Windows imaging program on E:, the skin library beside the
// program, and the skin that start-up applies. Payloads are byte-set constants handed to write_file as they
// are; no result is checked unless a comment says why.
#include "app/app.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
namespace mw = main_window;

constexpr int32_t kCheckedProperty = 18;  // CheckBox: checked
constexpr int32_t kContentProperty = 8;   // EditBox: content
constexpr int32_t kHiddenAttribute = 2;
constexpr int32_t kStartUpSkin = 10;

bool isChecked(uint32_t unit) {
    return static_cast<uint32_t>(get_property(mw::kWindow, unit, kCheckedProperty, -1)) != 0;
}

Text editContent(uint32_t unit) {
    uint32_t lo = static_cast<uint32_t>(get_property(mw::kWindow, unit, kContentProperty, -1));
    return Text(reinterpret_cast<char*>(static_cast<uintptr_t>(lo)));
}

bool fileExists(const char* path) { return value_as_bool(call_command(file_exists, 1, value_text(path))); }

bool writePayload(const char* path, const void* payload) {
    return value_as_bool(call_command(write_file, 2, value_text(path), value_bytes(payload)));
}

// The skin library's path: the program's directory and "\SkinH_EL.dll".
Text skinLibraryPath() {
    Text directory = Text::take(call_command(get_run_directory, 0));
    return concat({directory.c_str(), "\\", txt::skin_library_name()});
}
}  // namespace

bool usesCustomGhost(const char* path) {
    Value found = call_command(find_text, 4, value_text(path), value_text(txt::custom_ghost_marker()), value_int(1),
                               value_bool(true));
    return value_as_int(found) > 0;
}

bool deployBootLoader() { return writePayload(txt::path_grldr(), bin::boot_loader()); }

Text customGhostPath() {
    if (!isChecked(mw::自定义选择框)) return Text();
    Text path = editContent(mw::编辑框2);
    return usesCustomGhost(path.c_str()) ? std::move(path) : Text();
}

bool deployDosGhost() {
    Text custom = customGhostPath();
    // A custom file that cannot be copied leaves C:\ghost.exe as it was.
    if (!custom.empty()) return value_as_bool(call_command(copy_file, 2, custom.arg(), value_text(txt::path_ghost_exe())));
    return writePayload(txt::path_ghost_exe(), bin::dos_ghost());
}

bool deployFloppyImage() { return writePayload(txt::path_qelo_img(), bin::floppy_image()); }

bool bootSetCarriesStandIns() {
    return bin::boot_loader_is_stand_in() || bin::floppy_image_is_stand_in() ||
           (bin::dos_ghost_is_stand_in() && customGhostPath().empty());
}

void onGhost32Clicked() {
    if (isChecked(mw::G选择框)) {
        writePayload(txt::path_ghost32(), bin::windows_ghost());
        call_command(run_program, 2, value_text(txt::path_ghost32()), value_bool(false));
    } else {
        call_command(delete_file, 1, value_text(txt::path_ghost32()));
    }
}

void deploySkinLibrary() {
    Text path = skinLibraryPath();
    if (fileExists(path.c_str())) return;  // whatever it holds, an existing library is left alone
    writePayload(path.c_str(), bin::skin_library());
    call_command(set_file_attributes, 2, path.arg(), value_int(kHiddenAttribute));
}

void applySkin() {
    deploySkinLibrary();
    // Binding a DLL command that is missing ends the program; without the library (a program directory that
    // cannot be written) the window simply stays unskinned.
    if (!fileExists(skinLibraryPath().c_str())) return;
    const void* skin = bin::skin(kStartUpSkin);
    call_dll_command(kSkinAttachCommand, static_cast<const void*>(bytes_block_data(skin)), bytes_block_length(skin),
                     static_cast<const void*>(empty_text()), 0, 0, 0);
}
