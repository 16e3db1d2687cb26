// The parts of the Ghost command building and of the partition probe that do not touch the window: the
// window's state comes in as plain values, the results go to the application values.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

// What the command building reads from the window at the moment of a run.
struct GhostChoices {
    const char* driveLetter;   // selectedDriveLetter
    const char* imagePath;     // content of 编辑框1
    int32_t compressionIndex;  // current index of 压缩组合框, -1 for none
    bool crcIgnored;           // CRC选择框 checked
};

// Sets systemPartitionNumber, imagePartitionNumber, compressionLevel, crcOption, imagePathLength and both batch
// texts. A drive's number is the one the system gives it on the first disk; 0 (which no partition has) for a
// drive the system places nowhere there, and for an image path that does not begin with a drive. An index
// outside 0 to 2 leaves the compression level as the last run left it.
void composeGhostCommands(const GhostChoices& choices);

// Why Ghost cannot be pointed at the drive of that letter by its number: the system places it nowhere on the
// first disk, or the disk's partition table puts it at another place than its number says. Empty when it can.
Text drivePlaceRefusal(const char* letter);

// True when the numbers the batch carries put a partition without a drive letter before C:.
bool unletteredPartitionBeforeC();

// Why an image path cannot go into the batch line as it is: it does not begin with a drive letter, a colon
// and a backslash, or holds a character that DOS or Ghost would read otherwise. Empty when it can.
Text imagePathRefusal(const char* path);

// The number of bytes that DOS hands Ghost from the first line of a batch text: everything after the
// program name.
int32_t ghostArgumentsLength(const char* batch);

// The partition count that the probe's output reports for the first disk, all its digits (empty when there is
// no count where the first disk's line has it).
Text partitionCountFromProbeOutput(const char* output);

// The probe's whole output from the last run.
extern Text probeOutput;
