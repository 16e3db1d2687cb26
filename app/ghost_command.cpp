// The partition-offset decision, the probe output's partition count, the two Ghost batch texts and the checks
// that keep a batch from pointing Ghost at anything but what the user chose.
//
// Ghost numbers partitions per disk (1:3 = the third partition of the first disk) while the user picks a
// drive letter. A drive's Ghost number is the partition number the system gives it on the first disk; where
// the system also lists the disk's partition table, the drive's place there must be that same number. The
// probe (partition_probe.cpp) still asks the system's partition tool for the count, but only to learn whether
// the partition information could be read at all.
#include <windows.h>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/ghost_command.h"
#include "app/unit_access.h"
#include "payloads/constants.h"
#include "runtime/drive_places.h"

namespace mw = main_window;

namespace {
bool singleLetter(const char* t) { return t && is_drive_letter(t[0]) && !t[1]; }
// "X:\" at the start of a path: the only form whose drive the batch line can name.
bool beginsWithDrive(const char* path) { return path && is_drive_letter(path[0]) && path[1] == ':' && path[2] == '\\'; }

// Ghost's number of the drive of that letter: its partition number on the first disk, 0 when it has none there.
int32_t partitionNumberOf(char letter) {
    DrivePlace place = query_drive_place(letter);
    return place.kind == DrivePlace::kPartition && place.disk == 0 ? place.partition : 0;
}

Text quoted(const char* t) { return concat({txt::refusal_quote_open(), t, txt::refusal_quote_close()}); }

// The batch text the run writes for that operation (restore or back-up).
const char* batchOf(BatchOperation operation) {
    return operation == BatchOperation::kRestore ? restoreCommand.c_str() : backupCommand.c_str();
}
}  // namespace

Text drivePlaceRefusal(const char* letter) {
    if (!singleLetter(letter))
        return concat({txt::refusal_partition(), quoted(letter).get(), txt::refusal_no_number()});
    char drive[3] = {upper_drive_letter(letter[0]), ':', 0};
    DrivePlace place = query_drive_place(drive[0]);
    Text why;
    if (place.kind != DrivePlace::kPartition) {
        why = Text::copy(txt::refusal_no_place());
    } else if (place.disk != 0) {
        Text disk = cmd::toText(place.disk + 1), partition = cmd::toText(place.partition);
        why = concat({txt::refusal_other_disk(), disk.get(), txt::refusal_place_colon(), partition.get()});
    } else {
        int32_t onDisk = query_first_disk_place(place.partition);
        if (onDisk < 0 || onDisk == place.partition) return Text();
        Text number = cmd::toText(place.partition), at = cmd::toText(onDisk);
        why = onDisk == 0 ? concat({txt::refusal_layout(), number.get(), txt::refusal_layout_missing()})
                          : concat({txt::refusal_layout(), number.get(), txt::refusal_layout_place(), at.get(),
                                    txt::refusal_layout_place_end()});
    }
    return concat({drive, txt::refusal_drive(), why.get(), txt::refusal_place_end()});
}

bool unletteredPartitionBeforeC() {
    int32_t c = partitionNumberOf('C');
    bool lettered[64] = {};
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        int32_t n = partitionNumberOf(letter);
        if (n > 0 && n < 64) lettered[n] = true;
    }
    for (int32_t n = 1; n < c && n < 64; ++n)
        if (!lettered[n]) return true;
    return false;
}

Text imagePathRefusal(const char* path) {
    if (!beginsWithDrive(path)) return concat({txt::refusal_image(), quoted(path).get(), txt::refusal_not_full_path()});
    const char* misread = txt::misread_characters();
    auto misreadByte = [misread](char b) {
        for (const char* m = misread; *m; ++m)
            if (*m == b) return true;
        return false;
    };
    for (const char* p = path; *p; ++p) {
        // A two-byte character: DOS, which knows nothing of them, reads its second byte on its own, and a
        // backslash there as the end of a folder's name.
        bool pair = static_cast<unsigned char>(p[0]) >= 0x81 && static_cast<unsigned char>(p[0]) <= 0xFE && p[1];
        if (misreadByte(p[0]) || (pair && (misreadByte(p[1]) || p[1] == '\\'))) {
            char character[3] = {p[0], pair ? p[1] : '\0', 0};
            return concat({txt::refusal_image(), quoted(path).get(), txt::refusal_character(), quoted(character).get(),
                           txt::refusal_character_end()});
        }
        if (pair) ++p;
    }
    return Text();
}

int32_t ghostArgumentsLength(const char* batch) {
    int32_t lineEnd = cmd::findText(batch, txt::line_end());
    int32_t line = lineEnd > 0 ? lineEnd - 1 : cmd::textLength(batch);
    return line - cmd::textLength(txt::ghost_program());
}

Text partitionCountFromProbeOutput(const char* output) {
    // The first line reads "磁盘 0        含有N": N begins at byte 19 and may have several digits. Anything
    // else there (the pause prompt or an error text of a system whose partition tool answers otherwise) is no
    // count at all: the partition information was not read.
    Text rest = cmd::textMid(output, 19, cmd::textLength(output));
    Text trimmed = cmd::trimLeading(rest.get());
    const char* digits = trimmed.c_str();
    int32_t n = 0;
    while (digits[n] >= '0' && digits[n] <= '9') ++n;
    return Text(new_text(digits, n));
}

// The count of the probe only says whether the partition information could be read; the marker shows what the
// system's numbers say.
void decidePartitionOffset() {
    if (diskPartitionCount.empty()) {
        cmd::messageBox(txt::probe_failed(), MB_OK);
        return;
    }
    bool hidden = unletteredPartitionBeforeC();
    unit::setLabelCaption(mw::标签10, hidden ? txt::offset_hidden() : txt::offset_visible());
    unit::setLabelColour(mw::标签10, hidden ? 0x0000FF : 0x000000);
}

void composeGhostCommands(const GhostChoices& c) {
    systemPartitionNumber = singleLetter(c.driveLetter) ? partitionNumberOf(c.driveLetter[0]) : 0;
    imagePartitionNumber = beginsWithDrive(c.imagePath) ? partitionNumberOf(c.imagePath[0]) : 0;
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
    Text imagePath = unit::editContent(mw::编辑框1);
    GhostChoices choices{selectedDriveLetter.get(), imagePath.get(), unit::comboCurrent(mw::压缩组合框),
                         unit::checked(mw::CRC选择框)};
    composeGhostCommands(choices);
}

Text operationRefusal() {
    BatchOperation operation = batchOperation();
    if (operation != BatchOperation::kRestore && operation != BatchOperation::kBackup) return Text();
    bool restore = operation == BatchOperation::kRestore;
    Text image = unit::editContent(mw::编辑框1);

    if (diskPartitionCount.empty()) return Text::copy(txt::refusal_no_partition_info());
    Text why = imagePathRefusal(image.get());
    if (why.empty()) why = drivePlaceRefusal(selectedDriveLetter.get());
    if (why.empty()) {
        char imageDrive[2] = {image.c_str()[0], 0};
        why = drivePlaceRefusal(imageDrive);
    }
    if (!why.empty()) return why;
    if (systemPartitionNumber == imagePartitionNumber) {
        Text number = cmd::toText(systemPartitionNumber);
        return restore ? concat({txt::refusal_same_restore(), number.get(), txt::refusal_same_restore_end()})
                       : concat({txt::refusal_same_backup(), number.get(), txt::refusal_same_backup_end()});
    }
    // The batch line carries the path unquoted: Ghost would read a blank as the end of its argument.
    if (cmd::findText(image.get(), txt::ghost_blank()) > 0)
        return concat({txt::refusal_image(), quoted(image.get()).get(), txt::refusal_blank()});
    // DOS cuts what it hands a program after 126 bytes: Ghost would get a shorter path, or lose its switches.
    int32_t arguments = ghostArgumentsLength(batchOf(operation));
    if (arguments > 126) {
        Text length = cmd::toText(arguments);
        return concat({txt::refusal_length(), length.get(), txt::refusal_length_end()});
    }
    if (restore && !cmd::fileExists(image.get()))
        return concat({txt::refusal_missing(), quoted(image.get()).get(), txt::refusal_missing_end()});
    if (restore && isPlaceholderImage(image.get()))
        return concat({txt::refusal_missing(), quoted(image.get()).get(), txt::refusal_placeholder_end()});
    return Text();
}
