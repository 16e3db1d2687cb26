// The main window: its start-up sequence, the two layouts (simple and advanced), the two operations
// (restore and back-up) and the locks between its check boxes.
//
// The caption of 高级 is the only record of the layout showing: "高级(&A)" in the simple layout, "简洁(&A)" in
// the advanced one.
#include "app/app.h"
#include "app/command_calls.h"
#include "app/unit_access.h"
#include "payloads/constants.h"

namespace mw = main_window;

namespace {
constexpr uint32_t kUsableBackground = 0xFFFFFF, kUnusableBackground = 0xECECEC;

struct Layout {
    int32_t windowWidth, windowHeight, panelHeight, buttonTop;
    bool optionsTitleVisible;
    const char* (*switchCaption)();
};
const Layout kSimple = {374, 294, 200, 218, false, txt::main_layout_simple};
const Layout kAdvanced = {600, 370, 280, 296, true, txt::main_layout_advanced};

// The simple layout narrows the window (the right-hand column falls outside) and shortens 分组框1 (the
// advanced options inside it are clipped away); the advanced layout shows everything.
void applyLayout(const Layout& l, const char* title) {
    unit::setHeight(mw::self, l.windowHeight);
    unit::setWidth(mw::self, l.windowWidth);
    unit::setHeight(mw::分组框1, l.panelHeight);
    for (uint32_t button : {mw::高级, mw::确定, mw::销毁按钮, mw::退出}) unit::setTop(button, l.buttonTop);
    unit::setVisible(mw::标签6, l.optionsTitleVisible);
    unit::setButtonCaption(mw::高级, l.switchCaption());
    unit::setWindowTitle(title);
}
}  // namespace

// The window is on screen before the partition probe runs: the probe waits for the system's partition tool,
// which takes a while, and a user who sees nothing starts the program again. Until the probe has answered,
// the status bar says that the partitions are being read and a run waits (see runOneKey).
void onMainWindowCreated() {
    applySkin();
    onTimerTick();
    fillPartitionList();
    refreshOperationMode();
    storeSelectedPartition();
    unit::setDisabled(mw::确定, true);
    unit::setDisabled(mw::G选择框, true);
    unit::setDisabled(mw::搜索按钮, true);
    updateUndoButton(txt::undo_check_folder());
    cmd::statusBarSetText(unit::statusBar(mw::状态条1), 1, txt::status_reading_partitions());
    applyLayout(kSimple, txt::main_title_startup());
    unit::setVisible(mw::self, true);
    cmd::processEvents();  // draws it

    // The window's events run while the probe waits and while its failure message stands: the user may close
    // the window meanwhile. (updateBackupHint looks for itself.)
    if (!unit::windowOpen()) return;
    runPartitionProbe();
    if (!unit::windowOpen()) return;
    decidePartitionOffset();
    if (!unit::windowOpen()) return;
    Text backupFolder = concat({driveText.get(), txt::backup_folder_tail()});
    updateBackupHint(backupFolder.get());
    if (unit::windowOpen()) onPartitionsRead();
}

void onTimerTick() { unit::setTimerInterval(mw::时钟1, 5000); }

void refreshOperationMode() {
    // The back-up target goes back to its default (or away): a placeholder for the old one has no use left.
    dropPlaceholder();
    Value partitions = unit::listBox(mw::列表框1);
    if (unit::checked(mw::还原单选框)) {
        unit::setLabelCaption(mw::标签2, txt::main_restore_partition());
        unit::setButtonCaption(mw::打开1, txt::main_open_image());
        unit::setEditContent(mw::编辑框1, "");
        cmd::listSetCurrent(partitions, 0);
        // The partition Ghost works on is the one the list shows as chosen.
        storeSelectedPartition();
        unit::setVisible(mw::压缩组合框, false);
        unit::setVisible(mw::标签7, false);
        unit::setLabelCaption(mw::标签9, txt::main_from());
        unit::setDisabled(mw::搜索按钮, false);
        unit::setVisible(mw::CRC选择框, true);
    } else if (unit::checked(mw::备份单选框)) {
        unit::setLabelCaption(mw::标签2, txt::main_backup_partition());
        unit::setButtonCaption(mw::打开1, txt::main_save_image());
        unit::setEditContent(mw::编辑框1, txt::main_default_backup_image());
        cmd::listSetCurrent(partitions, 0);
        storeSelectedPartition();
        unit::setVisible(mw::压缩组合框, true);
        unit::setVisible(mw::标签7, true);
        unit::setLabelCaption(mw::标签9, txt::main_to());
        unit::setDisabled(mw::搜索按钮, true);
        unit::setVisible(mw::CRC选择框, false);
    }
    unit::setDisabled(mw::确定, true);
}

void toggleLayoutMode() {
    refreshOperationMode();
    Text caption = unit::buttonCaption(mw::高级);
    if (text_equal(caption.get(), txt::main_layout_simple()))
        applyLayout(kAdvanced, txt::main_title_advanced());
    else if (text_equal(caption.get(), txt::main_layout_advanced()))
        applyLayout(kSimple, txt::main_title_simple());
}

void applyManualGhostLock() {
    bool manual = unit::checked(mw::手动选择框);
    unit::setDisabled(mw::还原单选框, manual);
    unit::setDisabled(mw::备份单选框, manual);
    unit::setDisabled(mw::G选择框, !manual);
}

void applyCustomGhostLock() {
    if (unit::checked(mw::自定义选择框)) {
        unit::setDisabled(mw::编辑框2, false);
        unit::setEditBackground(mw::编辑框2, kUsableBackground);
        unit::setDisabled(mw::打开2, false);
    } else {
        unit::setDisabled(mw::编辑框2, true);
        unit::setEditBackground(mw::编辑框2, kUnusableBackground);
        unit::setDisabled(mw::打开2, true);
        unit::setEditContent(mw::编辑框2, "");
    }
}
