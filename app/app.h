// The application's values and routines. Values are globals for the whole run: texts start empty (null) and
// numbers at 0; the exit routine frees every text.
#pragma once

#include <string>
#include <vector>

#include "runtime/runtime.h"

// --- One-key run
extern Text selectedDriveLetter;   // drive letter of the partition chosen in 列表框1, e.g. "C"
extern Text diskPartitionCount;    // the partition probe's answer
extern Text listedPartitionCount;  // number of entries of 列表框1, as decimal text
extern Text chosenFileName;        // the file name last returned by a file dialog
extern Text restoreCommand;        // the restore batch text
extern Text backupCommand;         // the back-up batch text
extern Text placeholderPath;        // the back-up placeholder this process wrote and has not removed
extern Text installedBackupTarget;  // the image path of the last run's back-up batch (empty: not a back-up)

// --- Ghost command line
extern int32_t systemPartitionNumber;
extern int32_t imagePartitionNumber;
extern int32_t compressionLevel;
extern Text crcOption;
extern int32_t imagePathLength;

// --- Partition list and image search
extern Text driveText;
extern int32_t driveCode;
extern int32_t searchActive;
extern int32_t foundCount;
extern Text foundName;

// The program header (program.cpp): handlers, constant area, form data, libraries, DLL commands.
const ProgramHeader& programHeader();

// Frees every text value (registered as an exit routine at start-up).
void releaseGlobals();

// --- Event handlers, bound to the windows' events by the form data. Key handlers return no result, so
// every key also reaches the focused control.

// Main window
void onMainWindowCreated();                              // window 0: the start-up sequence
void onMainWindowDestroyed();                            // window 2: deletes the partition probe script;
                                                         // reminds of a boot set left in place
bool onMainWindowKeyDown(int32_t key, int32_t keyState);  // window -9: the key map; false keeps a mapped key
                                                          // from the focused control
void onTimerTick();                                      // 时钟1 0
void openUndoPrompt();                                   // 销毁按钮 0
void onGhost32Clicked();                                 // G选择框 0
void applyManualGhostLock();                             // 手动选择框 0 (handler reference 0)
void onSearchClicked();                                  // 搜索按钮 0
void showImageDetails();                                 // 列表框2 0
void onExitClicked();                                    // 退出 0
void selectCustomGhost();                                // 打开2 0
void applyCustomGhostLock();                             // 自定义选择框 0
void storeSelectedPartition();                           // 列表框1 0
void selectImage();                                      // 打开1 0
void refreshOperationMode();                             // 还原单选框 0, 备份单选框 0
void toggleLayoutMode();                                 // 高级 0
void runOneKey();                                        // 确定 0
// Start-up, once the partition probe has answered: from now on runs start, and one asked for meanwhile runs.
void onPartitionsRead();

// Restart prompt
void onRestartKeyDown(int32_t key, int32_t keyState);  // window -9: N quits, Y restarts
void quitAfterRun();                                   // 按钮2 0
void restartNow();                                     // 按钮1 0
void onRestartPromptCreated();                         // window 0: the note of a build with stand-ins

// Undo prompt
void closeUndoPrompt();     // 按钮2 0
void undoInstallation();    // 按钮1 0
bool onUndoKeyDown(int32_t key, int32_t keyState);  // window -9: Y undoes, N closes; false keeps them from the
                                                    // focused button

// The empty handler: bound to the prompts' created events and to the undo prompt's picture (-1).
void doNothing();

// --- Routines shared between the application's sources

// A one-key run that cannot work is refused before anything is written (main_flow.cpp): one message that
// says why and that nothing was changed; the main window stays usable and no restart is offered.
void refuseRun(const char* reason);

// Image selection (main_flow.cpp), through 打开1 or a pick in the list of found images (列表框2).
// A restore's image chosen: it becomes the image path, and 确定 is enabled when a run would take it (the run's
// own checks); otherwise the run's refusal says why.
void takeRestoreImage(const char* path);
// What ends every image selection: the partition probe's script gone once the probe has read it (nothing else
// on C: changes before a run).
void finishImageSelection();

// The operation that C:\ghost.bat will carry: the first of 手动选择框, 还原单选框, 备份单选框 that is checked.
enum class BatchOperation { kNone, kManual, kRestore, kBackup };
BatchOperation batchOperation();

// The back-up placeholder (main_flow.cpp): a save-mode choice marks its target with a small file holding the
// target's own path, which lives only while a back-up to it is pending.
bool isPlaceholderImage(const char* path);  // the file holds its own path and nothing else (case ignored)
void dropPlaceholder();  // removes the placeholder this process wrote, if it still holds its own path
// Before a back-up replaces an image that exists (not the placeholder), the user is asked; false for No.
bool backupTargetConfirmed();

// Partition probe, offset decision and the Ghost command lines (ghost_command.cpp)
void runPartitionProbe();     // writes C:\fqs.bat, runs it through a pipe, sets diskPartitionCount
// How long the probe may take, in milliseconds: past it the probe's programs are ended and it counts as failed
// (the partition tool of a machine with several disks can take tens of seconds).
extern uint32_t probeTimeLimit;
void decidePartitionOffset();  // caption and colour of 标签10, or the probe failure message
void buildGhostCommands();     // sets restoreCommand and backupCommand from the window's state
// Why the batch of this run would point Ghost at something the user did not choose or DOS and Ghost would
// misread (no partition information, an image path that is no full path or holds a character they read
// otherwise, a drive the system does not place on the first disk or places elsewhere than its number says,
// the image's own partition, a path with a blank, a line longer than DOS passes on, a missing image or a
// placeholder); empty when the run may go on. The manual batch and a run without operation pass.
Text operationRefusal();

// Boot menu (boot_menu.cpp)
// Why a run cannot rewrite the menu safely (no C:\boot.ini, or a menu carrying our entry without a C:\boot.bak
// that would put it back); null when it can.
const char* bootMenuRefusal();
// The run's first step, once its checks have passed: C:\boot.ini copied to C:\boot.bak with its attributes
// (unless the menu already carries our entry, or the copy already holds it), then the menu's attributes
// cleared, each checked. Null when done (copyMade: C:\boot.bak was written); otherwise why not, with nothing
// on C: changed.
const char* prepareBootMenu(bool* copyMade);
bool rewriteBootMenu();           // makes C:\grldr the default entry of C:\boot.ini; false when not written
bool bootMenuCarriesEntry();      // C:\boot.ini holds the entry "C:\grldr=Drelvok"
bool bootMenuStartsBootLoader();  // C:\boot.ini as the rewrite leaves it (menuStartsBootLoader)
// The rewritten menu for the lines of the old one: one [boot loader] section (the first) whose time-out and
// default keys are set where they stand (added first in it where missing), every other line where it was, and
// our entry last in [operating systems]. A menu of up to six lines in the usual order keeps the layout the
// menu has always had.
std::string rewrittenMenu(const std::vector<std::string>& old);
// One [boot loader] section, time-out 2 and default C:\grldr in it, our entry once, last in [operating systems].
bool menuStartsBootLoader(const std::vector<std::string>& lines);
// Before the run writes over path: another program's file there (not ours) is moved to saved. False when it
// cannot be (saved exists already, or the move fails): the run must not write over it.
bool keepForeignFileAside(const char* path, const char* saved, bool ours);

// What a one-key run changed on C:, for its rollback.
struct RunChanges {
    bool copyMade = false;             // the run wrote C:\boot.bak
    std::vector<const char*> written;  // the boot set's files the run wrote or began to write
};
// What an undo or a rollback did, and what it could not do.
struct UndoReport {
    bool menuPutBack = false;    // C:\boot.ini holds the saved menu again
    bool menuLeftAlone = false;  // C:\boot.ini carried no entry of ours: left as it was
    std::vector<std::string> removed;  // our files removed
    std::vector<std::string> putBack;  // other programs' files back in place
    std::string problems;  // what is on C: that should not be, and what to do; lines ending in CR LF
};
// The undo's file steps (run null), or the rollback of a failed run. The menu is put back from C:\boot.bak
// when it carries our entry (a rollback: whenever a usable copy is there), never left missing; our files go
// (only those the run wrote, for a rollback), except the boot loader while the menu still starts it; other
// programs' files kept aside come back.
UndoReport undoBootFiles(const RunChanges* run);
std::string undoSummary(const UndoReport& report);  // one line for each thing done or not done

// Whole-file contents, for the checks of the one-key run (boot_menu.cpp).
bool fileHolds(const char* path, const char* data, int32_t size);
bool fileHoldsPayload(const char* path, const void* payload);  // the bytes of a byte-set constant
bool sameFileContent(const char* a, const char* b);             // both readable, same bytes

// The restart request of the restart prompt: a forced restart of the machine. Tests put a recorder here.
using RestartRequest = bool (*)();
extern RestartRequest requestRestart;

// Payload deployment (deployment.cpp); the boot set's writes answer whether the write reported success.
bool deployBootLoader();   // C:\grldr
bool deployDosGhost();     // C:\ghost.exe: the custom program or the carried one
bool deployFloppyImage();  // C:\Qelo.img
Text customGhostPath();    // the custom program deployDosGhost copies, or the empty text for the carried one
// The boot set the run writes holds one of the build's stand-ins (boot loader, DOS imaging program, floppy
// image): a restart would neither back up nor restore.
bool bootSetCarriesStandIns();
void deploySkinLibrary();  // SkinH_EL.dll beside the program, hidden, written when absent or different
void applySkin();          // first thing at start-up: deploy the skin library and attach skin 10 (if it loads)

// DLL command 0 of the program header: SkinH_AttachRes of "SkinH_EL.dll" (skin bytes, their count, a text,
// three integers), standard calling convention.
constexpr int32_t kSkinAttachCommand = 0;
// True when a custom DOS imaging program's path names one (contains "ghost.exe", ignoring case).
bool usesCustomGhost(const char* path);

// Partition list and image information (image_info.cpp)
void fillPartitionList();
void updateUndoButton(const char* folder);  // folder ends in "\"
void updateBackupHint(const char* folder);  // folder ends in "\"

// Image search (image_search.cpp)
void searchImages();
void searchFolder(const char* path);
