#include "win32/settings_record.h"

SettingsRecord settings;

void copySettings(SettingsRecord* to, const SettingsRecord* from) {
    to->save = from->save.load();
    to->ouhe = from->ouhe.load();
    to->lagTime = from->lagTime.load();
}
