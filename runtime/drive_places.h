// Drive places: where the system places a drive (a partition of a disk, another device, or no answer), and
// the place of a partition among the first disk's partitions in on-disk order, from its partition table. Both
// are asked through a query that tests and test settings can point at a list of answers instead.
#pragma once

#include <cstdint>

// A drive letter: A to Z, in either case.
inline bool is_drive_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline char upper_drive_letter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Where the system places a drive, by its letter (A to Z, either case): a partition of a disk, another kind of
// device (a CD drive, a disk without partitions), or no answer (no such drive, or the system cannot tell, as for
// a spanned volume).
struct DrivePlace {
    enum Kind : int32_t { kNoAnswer, kPartition, kOtherDevice } kind;
    int32_t disk;       // the system's disk number, from 0 (kPartition only)
    int32_t partition;  // the partition's number on that disk, from 1 (kPartition only)
};
DrivePlace system_drive_place(char letter);  // asks the volume \\.\X: for its device number
// The query the application uses; system_drive_place unless a test or a test setting put other answers here.
using DrivePlaceQuery = DrivePlace (*)(char letter);
extern DrivePlaceQuery query_drive_place;
// Makes query_drive_place answer from a list instead, e.g. "C=0:2;D=cd;E=0:3": disk 0 partition 2, a CD drive,
// disk 0 partition 3 (disk numbers from 0); a letter not named, or named in another form, has no answer.
void use_listed_drive_places(const char* list);

// One entry of a disk's partition table as the system lists it.
struct PartitionTableEntry {
    int64_t start;   // byte offset of the partition on the disk
    int32_t type;    // the partition type byte: 0 an unused entry, 0x05, 0x0F or 0x85 an extended container
    int32_t number;  // the system's partition number (0 for an unused entry or a container)
};
// The place (from 1), in on-disk order, of the partition that the system numbers `number`, among the entries
// that are neither unused nor extended containers; 0 when no entry carries that number, -1 when no entry
// carries a number at all (a table that says nothing about the system's numbering).
int32_t partition_place(const PartitionTableEntry* entries, int32_t count, int32_t number);
// The place on the first disk of the partition that the system numbers `number` there, from the partition
// table of \\.\PhysicalDrive0 (reading it needs administrator rights); -1 when the system gives no answer.
int32_t system_first_disk_place(int32_t number);
// The query the application uses; system_first_disk_place unless a test or a test setting put another here.
using DiskPlaceQuery = int32_t (*)(int32_t number);
extern DiskPlaceQuery query_first_disk_place;
// Makes query_first_disk_place answer from a list of the system's partition numbers in on-disk order instead,
// e.g. "1,3,4,2": the partition the system numbers 3 is the second on the disk.
void use_listed_disk_order(const char* list);
