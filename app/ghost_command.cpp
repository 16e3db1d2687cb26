// The partition-offset decision, the probe output's partition count and the two Ghost batch texts.
//
// Ghost numbers partitions per disk (1:3 = the third partition of the first disk) while the user picks a
// drive letter. When the first partition of the disk is hidden (it has no letter), every Ghost number is one
// higher than the letter suggests; the probe (partition_probe.cpp) counts the partitions with the system's
// partition tool, and the offset decision compares that count with the number of lettered partitions in the
// list.
#include <windows.h>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/ghost_command.h"
#include "app/unit_access.h"
#include "payloads/constants.h"

namespace mw = main_window;

namespace {
// Ghost's partition number of a drive letter: C to G (either case) are 1 to 5, one more when the first
// partition is hidden; 0 (no number) for anything else: another letter, more than one character, nothing.
int32_t partitionNumberOf(const char* letter, bool firstPartitionHidden) {
    if (!letter || !letter[0] || letter[1]) return 0;
    char upper[2] = {letter[0], 0};
    if (upper[0] >= 'a' && upper[0] <= 'z') upper[0] = static_cast<char>(upper[0] - 'a' + 'A');
    const char* const letters[] = {txt::ghost_letter_c(), txt::ghost_letter_d(), txt::ghost_letter_e(),
                                   txt::ghost_letter_f(), txt::ghost_letter_g()};
    for (int32_t i = 0; i < 5; ++i)
        if (text_equal(upper, letters[i])) return i + 1 + (firstPartitionHidden ? 1 : 0);
    return 0;
}

// How many of the drive letters C: to Z: the system places as partitions of the first disk; -1 when it gives
// no answer for C:, the system's own drive (a count without it would say too little).
int32_t firstDiskPartitionCount() {
    if (query_drive_place('C').kind == DrivePlace::kNoAnswer) return -1;
    int32_t count = 0;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        DrivePlace place = query_drive_place(letter);
        if (place.kind == DrivePlace::kPartition && place.disk == 0) ++count;
    }
    return count;
}

Text quoted(const char* t) { return concat({txt::refusal_quote_open(), t, txt::refusal_quote_close()}); }

// Why the drive of that letter is not the partition 1:number that the batch line names; empty when the system
// agrees or gives no answer.
Text placeRefusal(const char* letter, int32_t number) {
    DrivePlace place = query_drive_place(letter[0]);
    if (place.kind == DrivePlace::kNoAnswer) return Text();
    if (place.kind == DrivePlace::kPartition && place.disk == 0 && place.partition == number) return Text();
    char drive[3] = {static_cast<char>(letter[0] >= 'a' && letter[0] <= 'z' ? letter[0] - 'a' + 'A' : letter[0]), ':', 0};
    Text batchNumber = cmd::toText(number);
    Text system;
    if (place.kind == DrivePlace::kPartition) {
        Text disk = cmd::toText(place.disk + 1), partition = cmd::toText(place.partition);
        system = concat({txt::refusal_place_system(), disk.get(), txt::refusal_place_colon(), partition.get()});
    } else {
        system = Text::copy(txt::refusal_place_other());
    }
    return concat({drive, txt::refusal_place_drive(), batchNumber.get(), system.get(), txt::refusal_place_end()});
}
}  // namespace

Text partitionCountFromProbeOutput(const char* output) {
    // The first line reads "磁盘 0        含有N": N begins at byte 19 and may have several digits. Anything
    // else there (the pause prompt or an error text of a system whose partition tool answers otherwise) is no
    // count at all: taken for one, it would shift every Ghost partition number by one.
    Text rest = cmd::textMid(output, 19, cmd::textLength(output));
    Text trimmed = cmd::trimLeading(rest.get());
    const char* digits = trimmed.c_str();
    int32_t n = 0;
    while (digits[n] >= '0' && digits[n] <= '9') ++n;
    return Text(new_text(digits, n));
}

Text letteredPartitionCount(const char* listedCount) {
    int32_t placed = firstDiskPartitionCount();
    return placed >= 0 ? cmd::toText(placed) : Text::copy(listedCount);
}

void decidePartitionOffset() {
    Text lettered = letteredPartitionCount(listedPartitionCount.get());
    if (text_equal(diskPartitionCount.get(), lettered.get())) {
        unit::setLabelCaption(mw::标签10, txt::offset_visible());
        unit::setLabelColour(mw::标签10, 0x000000);
    } else if (diskPartitionCount.empty()) {
        cmd::messageBox(txt::probe_failed(), 0);
    } else {
        unit::setLabelCaption(mw::标签10, txt::offset_hidden());
        unit::setLabelColour(mw::标签10, 0x0000FF);
    }
}

void composeGhostCommands(const GhostChoices& c) {
    bool hidden = text_equal(c.offsetMarker, txt::offset_hidden());
    systemPartitionNumber = partitionNumberOf(c.driveLetter, hidden);
    Text imageLetter = cmd::textLeft(c.imagePath, 1);
    imagePartitionNumber = partitionNumberOf(imageLetter.get(), hidden);
    if (c.compressionIndex >= 0 && c.compressionIndex <= 2) compressionLevel = c.compressionIndex + 1;
    crcOption = Text::copy(c.crcIgnored ? txt::ghost_crc_ignore() : "");
    imagePathLength = cmd::textLength(c.imagePath);

    // The path without its drive letter and colon; empty for paths of fewer than 3 bytes.
    Text imageTail = cmd::textRight(c.imagePath, truncate_to_int(static_cast<double>(imagePathLength) - 2.0));
    Text system = cmd::toText(systemPartitionNumber);
    Text image = cmd::toText(imagePartitionNumber);
    Text level = cmd::toText(compressionLevel);

    backupCommand = concat({txt::ghost_backup_head(), system.get(), txt::ghost_dst(), image.get(), imageTail.get(),
                            txt::ghost_backup_tail(), level.get(), txt::ghost_restart_line()});
    restoreCommand = concat({txt::ghost_restore_head(), image.get(), imageTail.get(),
                             txt::ghost_restore_image_partition(), system.get(), txt::ghost_blank(), crcOption.get(),
                             txt::ghost_restore_tail()});
}

void buildGhostCommands() {
    Text marker = unit::labelCaption(mw::标签10);
    Text imagePath = unit::editContent(mw::编辑框1);
    GhostChoices choices{selectedDriveLetter.get(), marker.get(), imagePath.get(), unit::comboCurrent(mw::压缩组合框),
                         unit::checked(mw::CRC选择框)};
    composeGhostCommands(choices);
}

Text operationRefusal() {
    BatchOperation operation = batchOperation();
    if (operation != BatchOperation::kRestore && operation != BatchOperation::kBackup) return Text();
    bool restore = operation == BatchOperation::kRestore;
    Text image = unit::editContent(mw::编辑框1);
    Text imageLetter = cmd::textLeft(image.get(), 1);

    if (systemPartitionNumber == 0)
        return concat({txt::refusal_partition(), quoted(selectedDriveLetter.get()).get(), txt::refusal_no_number()});
    if (imagePartitionNumber == 0)
        return concat({txt::refusal_image(), quoted(image.get()).get(), txt::refusal_no_number()});
    Text place = placeRefusal(selectedDriveLetter.get(), systemPartitionNumber);
    if (place.empty()) place = placeRefusal(imageLetter.get(), imagePartitionNumber);
    if (!place.empty()) return place;
    if (systemPartitionNumber == imagePartitionNumber) {
        Text number = cmd::toText(systemPartitionNumber);
        return restore ? concat({txt::refusal_same_restore(), number.get(), txt::refusal_same_restore_end()})
                       : concat({txt::refusal_same_backup(), number.get(), txt::refusal_same_backup_end()});
    }
    // The batch line carries the path unquoted: Ghost would read a blank as the end of its argument.
    if (cmd::findText(image.get(), txt::ghost_blank()) > 0)
        return concat({txt::refusal_image(), quoted(image.get()).get(), txt::refusal_blank()});
    if (restore && !cmd::fileExists(image.get()))
        return concat({txt::refusal_missing(), quoted(image.get()).get(), txt::refusal_missing_end()});
    if (restore && isPlaceholderImage(image.get()))
        return concat({txt::refusal_missing(), quoted(image.get()).get(), txt::refusal_placeholder_end()});
    return Text();
}
