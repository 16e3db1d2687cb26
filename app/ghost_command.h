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
// texts. A drive letter outside C to G, or an index outside 0 to 2, leaves its number as the last run left it.
void composeGhostCommands(const GhostChoices& choices);

// The partition count that the probe's output reports for the first disk (empty when the output is too short).
Text partitionCountFromProbeOutput(const char* output);

// The probe's whole output from the last run.
extern Text probeOutput;
