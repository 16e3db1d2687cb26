// Payload deployment: the boot set on C:, the Windows imaging program on E:, the skin library beside the
// program, and the skin that start-up applies. Payloads are byte-set constants handed to write_file as they
// are; no result is checked unless a comment says why.
#include "app/app.h"
#include "app/command_calls.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
namespace mw = main_window;

constexpr int32_t kHiddenAttribute = 2;
constexpr int32_t kStartUpSkin = 10;

// A file of the program's directory: the directory, "\\" and the name.
Text besideProgram(const char* name) {
    Text directory = cmd::getRunDirectory();
    return concat({directory.c_str(), "\\", name});
}
}  // namespace

bool usesCustomGhost(const char* path) {
    return cmd::findText(path, txt::custom_ghost_marker(), true) > 0;  // case ignored
}

bool deployBootLoader() { return cmd::writeFile(txt::path_grldr(), bin::boot_loader()); }

Text customGhostPath() {
    if (!unit::checked(mw::自定义选择框)) return Text();
    Text path = unit::editContent(mw::编辑框2);
    return usesCustomGhost(path.c_str()) ? std::move(path) : Text();
}

bool deployDosGhost() {
    Text custom = customGhostPath();
    // A custom file that cannot be copied leaves C:\ghost.exe as it was.
    if (!custom.empty())
        return cmd::copyFile(custom.get(), txt::path_ghost_exe());
    return cmd::writeFile(txt::path_ghost_exe(), bin::dos_ghost());
}

bool deployFloppyImage() { return cmd::writeFile(txt::path_qelo_img(), bin::floppy_image()); }

bool bootSetCarriesStandIns() {
    return bin::boot_loader_is_stand_in() || bin::floppy_image_is_stand_in() ||
           (bin::dos_ghost_is_stand_in() && customGhostPath().empty());
}

void onGhost32Clicked() {
    if (unit::checked(mw::G选择框)) {
        cmd::writeFile(txt::path_ghost32(), bin::windows_ghost());
        cmd::runProgram(txt::path_ghost32(), false);
    } else {
        cmd::deleteFile(txt::path_ghost32());
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
    cmd::deleteFile(partial.c_str());
    if (!cmd::writeFile(partial.c_str(), library)) {
        cmd::deleteFile(partial.c_str());
        return;
    }
    cmd::setFileAttributes(partial.get(), kHiddenAttribute);
    cmd::deleteFile(path.c_str());
    if (!cmd::moveFile(partial.get(), path.get())) cmd::deleteFile(partial.c_str());
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
