// The partition list, the chosen partition, the details of a picked image, and the two start-up checks (an
// installation on C: shows the undo button; the default back-up image decides the status-bar hint).
#include <windows.h>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/image_info.h"
#include "app/unit_access.h"
#include "payloads/constants.h"

namespace mw = main_window;

namespace {
// The size in bytes of the first entry that matches the path, as get_file_size finds it, but whole: images
// are commonly 2 GiB and more, past a signed 32-bit count. False when nothing matches.
bool imageFileSize(const char* path, double* bytes) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    *bytes = static_cast<double>((static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
    return true;
}

// Whether the folder holds a file of that name (the file system ignores case).
bool folderHolds(const char* folder, const char* name) {
    cmd::processEvents();
    Text pattern = concat({folder, name});
    void* search = nullptr;
    Text found;
    for (Text next(find_file(pattern.get(), 0, 1, &search)); !next.empty(); next.reset(find_file(nullptr, 0, 1, &search)))
        found = std::move(next);
    end_find_file(search);
    return !found.empty();
}
}  // namespace

Text megabyteFigure(int32_t kilobytes) {
    Text whole = cmd::toText(cmd::floorToInt(kilobytes / 1024.0));
    return cmd::textLeft(whole.get(), 6);
}

Text partitionListEntry(const char* letter, int32_t usedKb, int32_t freeKb, int32_t totalKb) {
    Text used = megabyteFigure(usedKb), free = megabyteFigure(freeKb), total = megabyteFigure(totalKb);
    return concat({txt::partition_lead(), letter, txt::partition_colon(), used.get(), txt::partition_gap(),
                   free.get(), txt::partition_gap(), total.get(), txt::partition_end()});
}

void fillPartitionList() {
    driveText.reset();
    driveCode = 67;  // "C"
    Value list = unit::listBox(mw::列表框1);
    cmd::listClear(list);
    for (;;) {
        Text letter = cmd::charToText(driveCode);
        // Each figure is asked of the system once: every question costs a trip to the file system.
        int32_t freeKb = cmd::diskFreeKb(letter.get());
        if (freeKb == -1) break;  // no such drive, or no medium
        driveText = std::move(letter);
        Text freeFigure = megabyteFigure(freeKb);
        if (double_equal(cmd::toNumber(freeFigure.get()), 0)) break;  // less than 1 MB free: a CD, a full disk
        int32_t totalKb = cmd::diskTotalKb(driveText.get());
        Text entry = partitionListEntry(driveText.get(), totalKb - freeKb, freeKb, totalKb);
        cmd::listAddItem(list, entry.get());
        driveCode = driveCode + 1;
    }
    listedPartitionCount = cmd::toText(cmd::listItemCount(list));
}

void storeSelectedPartition() {
    Value list = unit::listBox(mw::列表框1);
    Text entry = cmd::listItemText(list, cmd::listCurrentIndex(list));
    Text head = cmd::textLeft(entry.get(), 3);
    selectedDriveLetter = cmd::trimLeading(head.get());
}

Text imageSizeCaption(bool present, double bytes) {
    if (!present) return Text::copy(txt::image_size_prefix());
    int32_t figure = cmd::floorToInt(bytes / 1024000.0);
    figure = truncate_to_int(cmd::absValue(figure));
    Text number = cmd::toText(figure);
    return concat({txt::image_size_prefix(), number.get(), txt::image_size_unit()});
}

Text imageDateCaption(bool present, const char* path) {
    if (!present) return Text::copy(txt::image_date_prefix());
    Text year = cmd::toText(cmd::dateYear(cmd::getFileTime(path)));
    Text month = cmd::toText(cmd::dateMonth(cmd::getFileTime(path)));
    Text day = cmd::toText(cmd::dateDay(cmd::getFileTime(path)));
    Text hour = cmd::toText(cmd::dateHour(cmd::getFileTime(path)));
    Text minute = cmd::toText(cmd::dateMinute(cmd::getFileTime(path)));
    return concat({txt::image_date_prefix(), year.get(), txt::date_year_mark(), month.get(), txt::date_month_mark(),
                   day.get(), txt::date_day_mark(), hour.get(), txt::date_time_mark(), minute.get()});
}

void showImageDetails() {
    Value found = unit::listBox(mw::列表框2);
    Text path = cmd::listItemText(found, cmd::listCurrentIndex(found));
    int32_t lastSeparator = cmd::findTextReverse(path.get(), txt::path_separator());
    if (lastSeparator < 0) lastSeparator = 0;
    Text name = cmd::textRight(path.get(), cmd::textLength(path.get()) - lastSeparator);
    Text nameCaption = concat({txt::image_name_prefix(), name.get()});
    unit::setLabelCaption(mw::位置标签, nameCaption.get());

    // An image that vanished since the search shows no figures rather than the failure values.
    Text picked = cmd::listItemText(found, cmd::listCurrentIndex(found));
    double bytes = 0;
    bool present = imageFileSize(picked.get(), &bytes);
    Text size = imageSizeCaption(present, bytes);
    unit::setLabelCaption(mw::大小标签, size.get());
    Text date = imageDateCaption(present, picked.get());
    unit::setLabelCaption(mw::日期标签, date.get());

    // The pick is an image selection of the restore, as through 打开1; in save mode the back-up keeps its target
    // (a found image taken for it would be overwritten, past the rules of the save-mode choice).
    Text openCaption = unit::buttonCaption(mw::打开1);
    if (!text_equal(openCaption.get(), txt::main_save_image())) {
        takeRestoreImage(picked.get());
        finishImageSelection();
    }
}

Text imageSizeAndDate(const char* path) {
    double bytes = 0;
    bool present = imageFileSize(path, &bytes);
    Text size = imageSizeCaption(present, bytes), date = imageDateCaption(present, path);
    return concat({size.get(), txt::overwrite_separator(), date.get()});
}

// Both look at the folder with the window's events let through: the window may be closed when they answer.
// While an installation is present the undo is at hand: its button shows and is enabled (an earlier undo
// greyed it).
void updateUndoButton(const char* folder) {
    bool present = folderHolds(folder, txt::undo_image_name());
    if (!unit::windowOpen()) return;
    unit::setVisible(mw::销毁按钮, present);
    if (present) unit::setDisabled(mw::销毁按钮, false);
}

void updateBackupHint(const char* folder) {
    // The placeholder of a back-up that never ran is no back-up.
    Text image = concat({folder, txt::backup_image_name()});
    bool present = folderHolds(folder, txt::backup_image_name()) && !isPlaceholderImage(image.get());
    if (unit::windowOpen())
        cmd::statusBarSetText(unit::statusBar(mw::状态条1), 1, present ? txt::hint_backup_present() : txt::hint_no_backup());
}
