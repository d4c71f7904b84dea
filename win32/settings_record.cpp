#include "win32/settings_record.h"

SettingsRecord settings;

void copySettings(SettingsRecord* to, const SettingsRecord* from) {
    to->showPaletteAtStart = from->showPaletteAtStart.load();
    to->smoothingPeriod = from->smoothingPeriod.load();
    to->lagTime = from->lagTime.load();
}
