// The application's values and routines. Values are globals for the whole run: texts start empty (null) and
// numbers at 0; the exit routine frees every text.
#pragma once

#include "runtime/runtime.h"

// --- One-key run
extern Text selectedDriveLetter;   // drive letter of the partition chosen in 列表框1, e.g. "C"
extern Text diskPartitionCount;    // the partition probe's answer
extern Text listedPartitionCount;  // number of entries of 列表框1, as decimal text
extern Text chosenFileName;        // the file name last returned by a file dialog
extern Text restoreCommand;        // the restore batch text
extern Text backupCommand;         // the back-up batch text

// --- Ghost command line
extern int32_t systemPartitionNumber;
extern int32_t imagePartitionNumber;
extern int32_t compressionLevel;
extern Text crcOption;
extern int32_t imagePathLength;

// --- Partition list and image search
extern Text driveText;
extern int32_t driveCode;
extern int32_t searchActive;
extern int32_t foundCount;
extern Text foundName;

// Frees every text value (registered as an exit routine at start-up).
void releaseGlobals();
