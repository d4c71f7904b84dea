#pragma once
// The settings store: everything kept between runs lives in HKCU\SOFTWARE\Tolvex.
#include <cstdint>

struct SettingsRecord;

constexpr char SETTINGS_KEY_PATH[] = "SOFTWARE\\Tolvex"; // under HKEY_CURRENT_USER

// Reads, corrects and defaults the settings and the stored calibration; prepares the transform for
// a complete calibration. 1 when the key was opened and examined, 0 when it could not be opened.
int loadSettings(SettingsRecord* settings);
// Each save also writes the board's monitor ("Screen", "MonitorId", "MonitorSize") when the user has
// chosen one.
void saveSettings(const SettingsRecord* settings); // "LagTime", "Save", "Ouhe"
// "P1X" .. "P4X", "P1Y" .. "P4Y", and beside them the screen the calibration in force was made on
// ("CalibWidth", "CalibHeight", "CalibDpi"), removed when that is not known.
void saveCalibrationPoints(const int32_t points[8]);
void saveTouchChoice(bool touch); // "Touch": "1" or "0"
