// The parts of the Ghost command building and of the partition probe that do not touch the window: the
// window's state comes in as plain values, the results go to the application values.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

// What the command building reads from the window at the moment of a run.
struct GhostChoices {
    const char* driveLetter;   // selectedDriveLetter
    const char* offsetMarker;  // caption of 标签10: "1", "2" or empty
    const char* imagePath;     // content of 编辑框1
    int32_t compressionIndex;  // current index of 压缩组合框, -1 for none
    bool crcIgnored;           // CRC选择框 checked
};

// Sets systemPartitionNumber, imagePartitionNumber, compressionLevel, crcOption, imagePathLength and both batch
// texts. A drive letter outside C to G (either case) gives the number 0, which no partition has; an index
// outside 0 to 2 leaves the compression level as the last run left it.
void composeGhostCommands(const GhostChoices& choices);

// The partition count that the probe's output reports for the first disk, all its digits (empty when there is
// no count where the first disk's line has it).
Text partitionCountFromProbeOutput(const char* output);

// The number of first-disk partitions with a drive letter, as decimal text, that the offset decision compares
// with the probe's count: where the system places drives, those of C: to Z: it puts on the first disk (the
// partition list stops at a CD drive and also holds a USB stick or a second disk); elsewhere listedCount.
Text letteredPartitionCount(const char* listedCount);

// The probe's whole output from the last run.
extern Text probeOutput;
