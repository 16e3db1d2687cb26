// The one-key run and the handlers around it: the main window's key map, image and custom Ghost selection,
// exit, the undo prompt, and the restart prompt's restart and quit.
#include <string>

#include "app/app.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
using namespace main_window;

Value text(const char* t) { return value_text(t); }
Value dialogRef(uint32_t unit) { return value_unit(kWindow, unit, kUnitCommonDlg); }
void deleteProbeScript() { call_command(delete_file, 1, text(txt::path_probe_script())); }

// Set by restart and quit: the restart prompt then ends the program rather than returning to the main window.
bool runEnded = false;
// Set once the restart was asked for and granted: leaving the program then needs no reminder.
bool restartRequested = false;

// Leaving with the boot set in place (quit on the restart prompt, or the main window after Esc there) would
// let the operation run at whatever restart comes next, days later perhaps: the user is told so, and how to
// cancel it.
void remindOfPendingRun() {
    if (restartRequested || !bootMenuCarriesEntry()) return;
    call_command(message_box, 2, text(txt::run_pending_reminder()), value_int(0x40) /* OK, information icon */);
}

bool requestSystemRestart() { return value_as_bool(call_command(shut_down_system, 2, value_int(2), value_bool(true))); }

int32_t sizeOf(const char* path) { return value_as_int(call_command(get_file_size, 1, text(path))); }

// The size C:\ghost.exe must have: the custom program's when the run copies it, else the carried one's.
int32_t expectedDosGhostSize() {
    if (unit::checked(自定义选择框)) {
        Text custom = unit::editContent(编辑框2);
        if (value_as_int(call_command(find_text, 4, custom.arg(), text(txt::manual_ghost_batch()), value_int(1),
                                      value_bool(true))) > 0)
            return sizeOf(custom.c_str());
    }
    return bytes_block_length(bin::dos_ghost());
}

// What of the boot set is missing after the run wrote it, one line each; empty when all is in place.
// batchSize is -1 when the run left C:\ghost.bat alone.
Text bootSetFaults(int32_t batchSize) {
    Text faults = concat({});
    if (!bootMenuCarriesEntry()) faults = concat({faults.c_str(), txt::run_failed_menu(), txt::line_end()});
    struct Expected {
        const char* path;
        int32_t size;
    } files[] = {{txt::path_grldr(), bytes_block_length(bin::boot_loader())},
                 {txt::path_ghost_bat(), batchSize},
                 {txt::path_ghost_exe(), expectedDosGhostSize()},
                 {txt::path_qelo_img(), bytes_block_length(bin::floppy_image())}};
    for (const Expected& f : files) {
        if (f.path == txt::path_ghost_bat() && batchSize < 0) continue;
        if (f.size < 0 || sizeOf(f.path) != f.size)
            faults = concat({faults.c_str(), f.path, txt::run_failed_file(), txt::line_end()});
    }
    return faults;
}

// Step 4 of the run: the batch file for the chosen operation. Returns its size, or -1 when none is chosen.
int32_t writeBatchFile() {
    const char* batch = unit::checked(手动选择框)    ? txt::manual_ghost_batch()
                        : unit::checked(还原单选框) ? restoreCommand.c_str()
                        : unit::checked(备份单选框) ? backupCommand.c_str()
                                              : nullptr;
    if (!batch) return -1;
    Bytes content(new_bytes(batch, static_cast<int32_t>(std::char_traits<char>::length(batch))));
    call_command(write_file, 2, text(txt::path_ghost_bat()), content.arg());
    return content.length();
}

void closeBothWindows() {
    runEnded = true;
    call_command(destroy_window, 1, windowRef(restart_prompt::kWindow, restart_prompt::self));
    call_command(destroy_window, 1, windowRef(kWindow, self));
}
}  // namespace

RestartRequest requestRestart = requestSystemRestart;

void refuseRun(const char* reason) {
    Text message = concat({txt::run_refused_intro(), reason, txt::run_refused_outro()});
    call_command(message_box, 2, message.arg(), value_int(0x30) /* OK, warning icon */);
}

// A key of the map is kept from the focused control: after the dialog or prompt it opened, a letter reaching
// the image list would pick another image by its first letter and the run would use that one.
bool onMainWindowKeyDown(int32_t key, int32_t) {
    switch (key) {
        case 'A': toggleLayoutMode(); break;
        case 'B': unit::setChecked(备份单选框, true); break;
        case 'F':
        case 'S': selectImage(); break;
        case 'G': unit::setChecked(G选择框, true); break;
        case 'M': unit::setChecked(手动选择框, true); break;
        case 'P': selectCustomGhost(); break;
        case 'U': openUndoPrompt(); break;
        case 'X': onExitClicked(); break;
        case 'Y': runOneKey(); break;
        default: return true;
    }
    return false;
}

void runOneKey() {
    buildGhostCommands();
    rewriteBootMenu();
    saveForeignBootLoader();
    deployBootLoader();
    int32_t batchSize = writeBatchFile();
    deployDosGhost();
    deployFloppyImage();

    // A restart can only help when everything the boot chain needs is in place.
    Text faults = bootSetFaults(batchSize);
    if (!faults.empty()) {
        Text message = concat({txt::run_failed_intro(), faults.c_str(), txt::run_failed_advice()});
        call_command(message_box, 2, message.arg(), value_int(0x30)  /* OK, warning icon */);
        updateUndoButton(txt::root_of_c());
        return;
    }

    unit::setVisible(self, false);
    runEnded = false;
    call_command(load_window, 3, windowRef(restart_prompt::kWindow, restart_prompt::self), value_omitted(),
                 value_bool(true));
    // The prompt closed without restart or quit (Esc): the user comes back to the main window, where the
    // undo is at hand.
    if (!runEnded) unit::setVisible(self, true);
}

void selectImage() {
    Text caption = unit::buttonCaption(打开1);
    if (text_equal(caption.get(), txt::caption_open_image())) {
        Text here = Text::take(call_command(get_run_directory, 0));
        unit::setText(通用对话框1, prop::kDialogInitialDirectory, here.c_str());
        call_command(open_common_dialog, 1, dialogRef(通用对话框1));
        chosenFileName = unit::getText(通用对话框1, prop::kDialogFileName);
        unit::setEditContent(编辑框1, chosenFileName.c_str());
        Text path = unit::editContent(编辑框1);
        unit::setDisabled(确定, path.empty());
    } else if (text_equal(caption.get(), txt::caption_save_image())) {
        unit::setEditContent(编辑框1, "");
        unit::setBool(通用对话框2, prop::kDialogPathMustExist, false);
        call_command(open_common_dialog, 1, dialogRef(通用对话框2));
        Text folder = unit::getText(通用对话框2, prop::kDialogInitialDirectory);
        call_command(create_directory, 1, folder.arg());
        Text chosen = unit::getText(通用对话框2, prop::kDialogFileName);
        unit::setEditContent(编辑框1, chosen.c_str());
        Text path = unit::editContent(编辑框1);
        Text root = Text::take(call_command(text_left, 2, path.arg(), value_int(3)));
        bool usable = text_equal(root.get(), txt::backup_root_e()) || text_equal(root.get(), txt::backup_root_f());
        unit::setDisabled(确定, !usable);
        // The placeholder marks the target until Ghost writes it; an image already there is never replaced.
        if (!unit::disabled(确定) &&
            !value_as_bool(call_command(file_exists, 1, path.arg()))) {
            Bytes content(new_bytes(path.get(), path.length()));
            call_command(write_file, 2, path.arg(), content.arg());
        }
    }
    prepareBootMenu();
    deleteProbeScript();
}

void selectCustomGhost() {
    call_command(open_common_dialog, 1, dialogRef(通用对话框3));
    chosenFileName = unit::getText(通用对话框3, prop::kDialogFileName);
    unit::setEditContent(编辑框2, chosenFileName.c_str());
}

void onExitClicked() {
    deleteProbeScript();
    call_command(destroy_window, 1, windowRef(kWindow, self));
}

void openUndoPrompt() {
    call_command(load_window, 3, windowRef(undo_prompt::kWindow, undo_prompt::self), value_omitted(),
                 value_bool(true));
}

void onMainWindowDestroyed() {
    deleteProbeScript();
    remindOfPendingRun();
}

void onRestartKeyDown(int32_t key, int32_t) {
    if (key == 'N') quitAfterRun();
    if (key == 'Y') restartNow();
}

void restartNow() {
    restartRequested = requestRestart();
    closeBothWindows();
}

void quitAfterRun() { closeBothWindows(); }

void doNothing() {}
