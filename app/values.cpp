// The application's global values and the routine that releases them at the end of the run.
#include "app/app.h"

Text selectedDriveLetter;
Text diskPartitionCount;
Text listedPartitionCount;
Text chosenFileName;
Text restoreCommand;
Text backupCommand;
Text placeholderPath;
Text installedBackupTarget;

int32_t systemPartitionNumber = 0;
int32_t imagePartitionNumber = 0;
int32_t compressionLevel = 0;
Text crcOption;
int32_t imagePathLength = 0;
uint32_t probeTimeLimit = 60000;

Text driveText;
int32_t driveCode = 0;
int32_t searchActive = 0;
int32_t foundCount = 0;
Text foundName;

void releaseGlobals() {
    for (Text* t : {&selectedDriveLetter, &diskPartitionCount, &listedPartitionCount, &chosenFileName,
                    &restoreCommand, &backupCommand, &placeholderPath, &installedBackupTarget, &crcOption, &driveText, &foundName})
        t->reset();
}
