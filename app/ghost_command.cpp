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
// Ghost's partition number of a drive letter, or false when the letter is not one of C to G (exactly: one
// upper-case letter).
bool partitionNumberOf(const char* letter, bool firstPartitionHidden, int32_t* number) {
    const char* const letters[] = {txt::ghost_letter_c(), txt::ghost_letter_d(), txt::ghost_letter_e(),
                                   txt::ghost_letter_f(), txt::ghost_letter_g()};
    for (int32_t i = 0; i < 5; ++i) {
        if (text_equal(letter, letters[i])) {
            *number = i + 1 + (firstPartitionHidden ? 1 : 0);
            return true;
        }
    }
    return false;
}
}  // namespace

Text partitionCountFromProbeOutput(const char* output) {
    // The first line reads "磁盘 0        含有N": N's first digit is byte 19. Anything else there (the pause
    // prompt or an error text of a system whose partition tool answers otherwise) is no count at all: taken
    // for one, it would shift every Ghost partition number by one.
    Text count = cmd::trimTrailing(cmd::textMid(output, 19, 1).get());
    if (count.length() != 1 || count.get()[0] < '0' || count.get()[0] > '9') count.reset();
    return count;
}

void decidePartitionOffset() {
    if (text_equal(diskPartitionCount.get(), listedPartitionCount.get())) {
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
    partitionNumberOf(c.driveLetter, hidden, &systemPartitionNumber);
    Text imageLetter = cmd::textLeft(c.imagePath, 1);
    partitionNumberOf(imageLetter.get(), hidden, &imagePartitionNumber);
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
