#include "app/settings_store.h"

#include "app/app_state.h"

// Placeholder until the settings store is built: the defaults in memory, nothing stored.
int loadSettings(SettingsRecord* record) {
    record->save = 1;
    record->ouhe = 1;
    record->lagTime = 10;
    return 0;
}
void saveSettings(const SettingsRecord*) {}
void saveCalibrationPoints(const int32_t*) {}
