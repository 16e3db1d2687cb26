// The one-key run and the handlers around it: the main window's key map, image and custom Ghost selection,
// exit, the undo prompt, and the restart prompt's restart and quit (and its note in a build with stand-ins).
#include <windows.h>

#include <string>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/image_info.h"
#include "app/unit_access.h"
#include "forms/unit_ids.h"
#include "payloads/constants.h"

namespace {
using namespace main_window;

Value dialogRef(uint32_t unit) { return value_unit(kWindow, unit, kUnitCommonDlg); }
void deleteProbeScript() { cmd::deleteFile(txt::path_probe_script()); }

// Set by restart and quit: the restart prompt then ends the program rather than returning to the main window.
bool runEnded = false;
// Set once the restart was asked for and granted: leaving the program then needs no reminder.
bool restartRequested = false;

// Leaving with the boot set in place (quit on the restart prompt, or the main window after Esc there) would
// let the operation run at whatever restart comes next, days later perhaps: the user is told so, and how to
// cancel it.
void remindOfPendingRun() {
    if (restartRequested || !bootMenuCarriesEntry()) return;
    cmd::messageBox(txt::run_pending_reminder(), MB_OK | MB_ICONINFORMATION);
}

// The owner of the messages about a run: the main window, which then has the keyboard again as the box closes
// (a box without an owner gives it to no window).
Value mainWindow() { return windowRef(kWindow, self); }

bool requestSystemRestart() { return cmd::shutDownSystem(cmd::kRestart, true); }  // forced

// The batch file's content for the chosen operation, or null when none is chosen. A back-up
// batch records its target, whose placeholder then stays while the boot set is installed for it.
const char* chosenBatch() {
    BatchOperation operation = batchOperation();
    installedBackupTarget = operation == BatchOperation::kBackup ? unit::editContent(编辑框1) : Text();
    return operation == BatchOperation::kManual    ? txt::manual_ghost_batch()
           : operation == BatchOperation::kRestore ? restoreCommand.c_str()
           : operation == BatchOperation::kBackup  ? backupCommand.c_str()
                                                   : nullptr;
}

int32_t lengthOf(const char* t) { return static_cast<int32_t>(std::char_traits<char>::length(t)); }

bool writeBatchFile(const char* batch) {
    Bytes content(new_bytes(batch, lengthOf(batch)));
    return cmd::writeFile(txt::path_ghost_bat(), content.get());
}

// Writes the boot menu and the boot set, each write checked against what it had to put there (a write that
// reported failure counts as failed), and notes in changes what it wrote. Another program's boot loader, batch
// file or imaging program (for the last two: one there while the menu carried no entry of ours) is kept aside
// first, and is never written over. Answers what is not in place, one line each; empty when all is.
Text writeBootSet(bool menuHadEntry, RunChanges* changes) {
    Text faults = concat({});
    if (!(rewriteBootMenu() && bootMenuStartsBootLoader()))
        faults = concat({faults.c_str(), txt::run_failed_menu(), txt::line_end()});
    const char* batch = chosenBatch();
    Text custom = customGhostPath();
    // Another program's file goes aside first; where it cannot (a file of the saved name is there already), it
    // stays, and ours is not written over it.
    auto keptAside = [&](const char* path, const char* saved, bool ours) {
        if (keepForeignFileAside(path, saved, ours)) return true;
        faults = concat({faults.c_str(), path, txt::run_failed_keep_aside(), saved, txt::run_failed_keep_aside_end(),
                         txt::line_end()});
        return false;
    };
    // The boot loader is ours by its bytes alone: one of another tool goes aside whatever the menu says.
    bool writeLoader = keptAside(txt::path_grldr(), txt::path_grldr_saved(),
                                 fileHoldsPayload(txt::path_grldr(), bin::boot_loader()));
    // No operation chosen: a batch file of an earlier run stays as it is.
    bool writeBatch = batch && keptAside(txt::path_ghost_bat(), txt::path_ghost_bat_saved(),
                                         menuHadEntry || fileHolds(txt::path_ghost_bat(), batch, lengthOf(batch)));
    bool writeGhost = keptAside(txt::path_ghost_exe(), txt::path_ghost_exe_saved(),
                                menuHadEntry || fileHoldsPayload(txt::path_ghost_exe(), bin::dos_ghost()));
    changes->written = {txt::path_qelo_img()};
    if (writeLoader) changes->written.push_back(txt::path_grldr());
    if (writeBatch) changes->written.push_back(txt::path_ghost_bat());
    if (writeGhost) changes->written.push_back(txt::path_ghost_exe());
    struct Written {
        const char* path;
        bool tried;
        bool inPlace;
    } files[] = {  // written in this order (a braced list is evaluated from left to right)
        {txt::path_grldr(), writeLoader,
         writeLoader && deployBootLoader() && fileHoldsPayload(txt::path_grldr(), bin::boot_loader())},
        {txt::path_ghost_bat(), writeBatch,
         writeBatch && writeBatchFile(batch) && fileHolds(txt::path_ghost_bat(), batch, lengthOf(batch))},
        {txt::path_ghost_exe(), writeGhost,
         writeGhost && deployDosGhost() &&
             (custom.empty() ? fileHoldsPayload(txt::path_ghost_exe(), bin::dos_ghost())
                             : sameFileContent(custom.c_str(), txt::path_ghost_exe()))},
        {txt::path_qelo_img(), true, deployFloppyImage() && fileHoldsPayload(txt::path_qelo_img(), bin::floppy_image())},
    };
    for (const Written& f : files)
        if (f.tried && !f.inPlace) faults = concat({faults.c_str(), f.path, txt::run_failed_file(), txt::line_end()});
    return faults;
}

// Runs start once the partition probe has answered at start-up; a run asked for before then waits for it.
bool partitionsRead = false;
bool runWaiting = false;

void closeBothWindows() {
    runEnded = true;
    cmd::destroyWindow(windowRef(restart_prompt::kWindow, restart_prompt::self));
    cmd::destroyWindow(windowRef(kWindow, self));
}
}  // namespace

RestartRequest requestRestart = requestSystemRestart;

BatchOperation batchOperation() {
    if (unit::checked(手动选择框)) return BatchOperation::kManual;
    if (unit::checked(还原单选框)) return BatchOperation::kRestore;
    if (unit::checked(备份单选框)) return BatchOperation::kBackup;
    return BatchOperation::kNone;
}

bool isPlaceholderImage(const char* path) {
    int32_t length = cmd::textLength(path);
    if (length <= 0 || cmd::getFileSize(path) != length) return false;
    int32_t file = cmd::openFile(path, cmd::kOpenRead);
    if (!file) return false;
    Text content = cmd::readLine(file);
    cmd::closeFile(file);
    return content.length() == length && lstrcmpiA(content.c_str(), path) == 0;
}

void dropPlaceholder() {
    if (!placeholderPath.empty() && isPlaceholderImage(placeholderPath.get())) cmd::deleteFile(placeholderPath.get());
    placeholderPath.reset();
}

bool backupTargetConfirmed() {
    if (batchOperation() != BatchOperation::kBackup) return true;
    Text target = unit::editContent(编辑框1);
    if (!cmd::fileExists(target.get()) || isPlaceholderImage(target.get())) return true;
    Text details = imageSizeAndDate(target.get());
    Text question = concat({txt::refusal_quote_open(), target.get(), txt::refusal_quote_close(), txt::overwrite_intro(),
                            details.get(), txt::overwrite_outro()});
    return cmd::messageBox(question.get(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, mainWindow()) == cmd::kAnswerYes;
}

void refuseRun(const char* reason) {
    Text message = concat({txt::run_refused_intro(), reason, txt::run_refused_outro()});
    cmd::messageBox(message.get(), MB_OK | MB_ICONWARNING, mainWindow());
}

// The key map: each key is the click on a control, made only where the user could click it (the control shown,
// enabled and in sight: nothing while 确定 is grey, nor for 手动选择框 in the simple layout, which leaves it
// outside the window). A key of the map is kept from the focused control: after the dialog or prompt it opened,
// a letter reaching the image list would pick another image by its first letter and the run would use that one.
bool onMainWindowKeyDown(int32_t key, int32_t) {
    static const struct {
        int32_t key;
        uint32_t unit;
    } kKeyClicks[] = {{'A', 高级},       {'B', 备份单选框}, {'F', 打开1}, {'G', G选择框}, {'M', 手动选择框},
                      {'P', 打开2},      {'S', 打开1},      {'U', 销毁按钮}, {'X', 退出},  {'Y', 确定}};
    for (const auto& k : kKeyClicks)
        if (k.key == key) {
            click_unit(kWindow, k.unit);
            return false;
        }
    return true;
}

void onPartitionsRead() {
    partitionsRead = true;
    bool waiting = runWaiting;
    runWaiting = false;
    // Without the probe's answer the user was told to start the program again: the waiting run is dropped.
    if (waiting && !diskPartitionCount.empty()) runOneKey();
}

void runOneKey() {
    if (!partitionsRead) {
        runWaiting = true;
        return;
    }
    buildGhostCommands();
    if (const char* reason = bootMenuRefusal()) {
        refuseRun(reason);
        return;
    }
    Text refusal = operationRefusal();
    if (!refusal.empty()) {
        refuseRun(refusal.c_str());
        return;
    }
    if (!backupTargetConfirmed()) return;

    // Nothing on C: changes before this point. The copy of the menu comes first; where it cannot be made,
    // nothing else is written.
    bool menuHadEntry = bootMenuCarriesEntry();
    RunChanges changes;
    if (const char* reason = prepareBootMenu(&changes.copyMade)) {
        refuseRun(reason);
        return;
    }
    // A restart can only help when everything the boot chain needs is in place; otherwise what the run changed
    // is put back (the menu from C:\boot.bak, the files it wrote gone, other programs' files back) before the
    // message, which says so only when it is so.
    Text faults = writeBootSet(menuHadEntry, &changes);
    if (!faults.empty()) {
        UndoReport report = undoBootFiles(&changes);
        std::string outcome = report.problems.empty() && !menuHadEntry
                                  ? txt::run_failed_put_back()
                                  : (report.problems.empty() ? txt::run_failed_undone() : txt::run_failed_not_undone()) +
                                        undoSummary(report);
        Text message = concat({txt::run_failed_intro(), faults.c_str(), outcome.c_str()});
        cmd::messageBox(message.get(), MB_OK | MB_ICONWARNING, mainWindow());
        updateUndoButton(txt::root_of_c());
        return;
    }

    unit::setVisible(self, false);
    runEnded = false;
    cmd::loadWindow(windowRef(restart_prompt::kWindow, restart_prompt::self), true);  // modal
    // The prompt closed without restart or quit (Esc, or restart in a build with stand-ins): the user comes
    // back to the main window, where the undo is at hand.
    if (!runEnded) {
        updateUndoButton(txt::root_of_c());
        unit::setVisible(self, true);
    }
}

void selectImage() {
    Text caption = unit::buttonCaption(打开1);
    if (text_equal(caption.get(), txt::caption_open_image())) {
        Text here = cmd::getRunDirectory();
        unit::setText(通用对话框1, prop::kDialogInitialDirectory, here.c_str());
        if (!cmd::openCommonDialog(dialogRef(通用对话框1))) return;  // cancelled
        chosenFileName = unit::getText(通用对话框1, prop::kDialogFileName);
        takeRestoreImage(chosenFileName.c_str());
    } else if (text_equal(caption.get(), txt::caption_save_image())) {
        unit::setBool(通用对话框2, prop::kDialogPathMustExist, false);
        // Cancelled: the target and its placeholder stay as they were.
        if (!cmd::openCommonDialog(dialogRef(通用对话框2))) return;
        dropPlaceholder();
        Text folder = unit::getText(通用对话框2, prop::kDialogInitialDirectory);
        cmd::createDirectory(folder.get());
        Text chosen = unit::getText(通用对话框2, prop::kDialogFileName);
        unit::setEditContent(编辑框1, chosen.c_str());
        Text path = unit::editContent(编辑框1);
        Text root = cmd::textLeft(path.get(), 3);
        bool usable = text_equal(root.get(), txt::backup_root_e()) || text_equal(root.get(), txt::backup_root_f());
        unit::setDisabled(确定, !usable);
        // The placeholder marks the target until Ghost writes it; an image already there is never replaced.
        if (!unit::disabled(确定) && !cmd::fileExists(path.get())) {
            Bytes content(new_bytes(path.get(), path.length()));
            if (cmd::writeFile(path.get(), content.get())) placeholderPath = path.clone();
        }
    }
    finishImageSelection();
}

// An image that a run would refuse leaves 确定 grey, and the user is told why at once, as the run would tell.
// Until the partition probe has answered the Ghost numbers are not known: the run waits for them and checks then.
void takeRestoreImage(const char* path) {
    unit::setEditContent(编辑框1, path);
    Text image = unit::editContent(编辑框1);
    Text refusal;
    if (partitionsRead && !image.empty()) {
        buildGhostCommands();
        refusal = operationRefusal();
    }
    unit::setDisabled(确定, image.empty() || !refusal.empty());
    if (!refusal.empty()) refuseRun(refusal.c_str());
}

// The probe's script is not deleted while the probe runs it: the command interpreter reads a script line by line
// from the file, and would stop halfway (the probe would fail).
void finishImageSelection() {
    if (partitionsRead) deleteProbeScript();
}

void selectCustomGhost() {
    cmd::openCommonDialog(dialogRef(通用对话框3));
    chosenFileName = unit::getText(通用对话框3, prop::kDialogFileName);
    unit::setEditContent(编辑框2, chosenFileName.c_str());
}

void onExitClicked() {
    deleteProbeScript();
    cmd::destroyWindow(windowRef(kWindow, self));
}

void openUndoPrompt() {
    cmd::loadWindow(windowRef(undo_prompt::kWindow, undo_prompt::self), true);  // modal
}

// The placeholder stays only for a back-up run that is still installed.
void onMainWindowDestroyed() {
    deleteProbeScript();
    if (!bootMenuCarriesEntry() || !text_equal(installedBackupTarget.get(), placeholderPath.get())) dropPlaceholder();
    remindOfPendingRun();
}

void onRestartKeyDown(int32_t key, int32_t) {
    if (key == 'N') quitAfterRun();
    if (key == 'Y') restartNow();
}

// A build with stand-ins never restarts: a restart would end in the stand-in boot loader.
void restartNow() {
    if (bootSetCarriesStandIns()) {
        cmd::destroyWindow(windowRef(restart_prompt::kWindow, restart_prompt::self));
        return;
    }
    restartRequested = requestRestart();
    closeBothWindows();
}

// The question names the operation that the batch file carries.
void onRestartPromptCreated() {
    namespace rp = restart_prompt;
    BatchOperation operation = batchOperation();
    if (operation == BatchOperation::kBackup || operation == BatchOperation::kManual)
        unit::setLabelCaption(rp::标签1,
                              operation == BatchOperation::kBackup ? txt::restart_question_backup()
                                                                   : txt::restart_question_manual(),
                              rp::kWindow);
    if (!bootSetCarriesStandIns()) return;
    constexpr int32_t kHeightWithNote = 145;  // room for one more line under the buttons
    unit::setHeight(rp::self, kHeightWithNote, rp::kWindow);
    unit::setLabelCaption(rp::标签3, txt::restart_stand_in_note(), rp::kWindow);
    unit::setVisible(rp::标签3, true, rp::kWindow);
}

void quitAfterRun() { closeBothWindows(); }

void doNothing() {}
