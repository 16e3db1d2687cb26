// Drive places: where the system places a drive (asked of the volume), the place of a partition on the
// first disk (read from its partition table), and the listed answers that tests and test settings put in
// place of the system's.
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/drive_places.h"

DrivePlace system_drive_place(char letter) {
    DrivePlace place = {DrivePlace::kNoAnswer, 0, 0};
    if (!is_drive_letter(letter)) return place;
    char volume[] = "\\\\.\\C:";
    volume[4] = upper_drive_letter(letter);
    // No access rights asked: the query needs none, so an ordinary user may ask too, and nothing of the volume
    // is locked or mounted by opening it.
    HANDLE h = CreateFileA(volume, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return place;
    STORAGE_DEVICE_NUMBER number;
    DWORD got = 0;
    if (DeviceIoControl(h, IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number, &got, nullptr) &&
        got >= sizeof number) {
        // A CD drive answers partition -1, a disk without a partition table 0.
        bool partition = number.DeviceType == FILE_DEVICE_DISK && static_cast<int32_t>(number.PartitionNumber) >= 1;
        place.kind = partition ? DrivePlace::kPartition : DrivePlace::kOtherDevice;
        place.disk = partition ? static_cast<int32_t>(number.DeviceNumber) : 0;
        place.partition = partition ? static_cast<int32_t>(number.PartitionNumber) : 0;
    }
    CloseHandle(h);
    return place;
}

DrivePlaceQuery query_drive_place = system_drive_place;

namespace {
DrivePlace listed_places[26];
DrivePlace listed_place(char letter) {
    return is_drive_letter(letter) ? listed_places[upper_drive_letter(letter) - 'A']
                                   : DrivePlace{DrivePlace::kNoAnswer, 0, 0};
}
}  // namespace

void use_listed_drive_places(const char* list) {
    for (DrivePlace& place : listed_places) place = {DrivePlace::kNoAnswer, 0, 0};
    for (const char* p = list; p && *p;) {
        const char* end = std::strchr(p, ';');
        size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
        int disk = 0, partition = 0;
        char rest = 0;
        if (n >= 3 && is_drive_letter(p[0]) && p[1] == '=') {
            DrivePlace& place = listed_places[upper_drive_letter(p[0]) - 'A'];
            if (n == 4 && std::strncmp(p + 2, "cd", 2) == 0)
                place = {DrivePlace::kOtherDevice, 0, 0};
            else if (std::sscanf(p + 2, "%d:%d%c", &disk, &partition, &rest) >= 2 && (rest == 0 || rest == ';'))
                place = {DrivePlace::kPartition, disk, partition};
        }
        p = end ? end + 1 : p + n;
    }
    query_drive_place = listed_place;
}

int32_t partition_place(const PartitionTableEntry* entries, int32_t count, int32_t number) {
    auto counted = [](const PartitionTableEntry& e) {
        return e.type != 0 && e.type != PARTITION_EXTENDED && e.type != PARTITION_XINT13_EXTENDED && e.type != 0x85;
    };
    const PartitionTableEntry* wanted = nullptr;
    bool numbered = false;
    for (int32_t i = 0; i < count; ++i) {
        if (!counted(entries[i]) || entries[i].number <= 0) continue;
        numbered = true;
        if (entries[i].number == number) wanted = &entries[i];
    }
    if (!numbered) return -1;
    if (!wanted) return 0;
    int32_t place = 1;
    for (int32_t i = 0; i < count; ++i)
        if (counted(entries[i]) && entries[i].start < wanted->start) ++place;
    return place;
}

int32_t system_first_disk_place(int32_t number) {
    HANDLE disk = CreateFileA("\\\\.\\PhysicalDrive0", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (disk == INVALID_HANDLE_VALUE) return -1;
    // Each logical drive brings an entry of its own and one for the link to the next: room for a few hundred.
    constexpr DWORD kEntries = 512;
    constexpr DWORD kHeader = offsetof(DRIVE_LAYOUT_INFORMATION, PartitionEntry);
    std::vector<char> buffer(kHeader + kEntries * sizeof(PARTITION_INFORMATION));
    auto* layout = reinterpret_cast<DRIVE_LAYOUT_INFORMATION*>(buffer.data());
    DWORD got = 0;
    bool answered = DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, layout,
                                    static_cast<DWORD>(buffer.size()), &got, nullptr) &&
                    got >= kHeader && layout->PartitionCount <= kEntries &&
                    got >= kHeader + layout->PartitionCount * sizeof(PARTITION_INFORMATION);
    CloseHandle(disk);
    if (!answered) return -1;
    std::vector<PartitionTableEntry> entries;
    for (DWORD i = 0; i < layout->PartitionCount; ++i) {
        const PARTITION_INFORMATION& p = layout->PartitionEntry[i];
        entries.push_back({p.StartingOffset.QuadPart, p.PartitionType, static_cast<int32_t>(p.PartitionNumber)});
    }
    return partition_place(entries.data(), static_cast<int32_t>(entries.size()), number);
}

DiskPlaceQuery query_first_disk_place = system_first_disk_place;

namespace {
int32_t listed_order[64];
int32_t listed_order_count = 0;
int32_t listed_disk_place(int32_t number) {
    for (int32_t i = 0; i < listed_order_count; ++i)
        if (listed_order[i] == number) return i + 1;
    return 0;
}
}  // namespace

void use_listed_disk_order(const char* list) {
    listed_order_count = 0;
    for (const char* p = list; p && *p && listed_order_count < 64;) {
        char* end = nullptr;
        long n = std::strtol(p, &end, 10);
        if (end == p) break;
        listed_order[listed_order_count++] = static_cast<int32_t>(n);
        p = *end == ',' ? end + 1 : end;
    }
    query_first_disk_place = listed_disk_place;
}
