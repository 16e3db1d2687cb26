// Event handlers that are not written yet: empty bodies so that the program links. Remove an entry here
// when its real routine lands in its own source.
#include "app/app.h"

void onMainWindowCreated() {}
void onMainWindowDestroyed() {}
void onMainWindowKeyDown(int32_t, int32_t) {}
void onTimerTick() {}
void openUndoPrompt() {}
void applyManualGhostLock() {}
void onSearchClicked() {}
void showImageDetails() {}
void onExitClicked() {}
void selectCustomGhost() {}
void applyCustomGhostLock() {}
void storeSelectedPartition() {}
void selectImage() {}
void refreshOperationMode() {}
void toggleLayoutMode() {}
void runOneKey() {}
void onRestartKeyDown(int32_t, int32_t) {}
void quitAfterRun() {}
void restartNow() {}
void closeUndoPrompt() {}
void undoInstallation() {}
void doNothing() {}
