#include "app/settings_store.h"

#include <cstring>
#include <string>
#include <vector>

#include "win32/settings_record.h"
#include "win32/monitors.h"
#include "touch/touch_injection.h"
#include "calibration/calibration_state.h"
#include "app/core/settings_rules.h"

namespace {

bool openKey(HKEY* key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, 0, KEY_ALL_ACCESS, key) == ERROR_SUCCESS;
}

// REG_SZ of exactly the characters given, without a terminating zero byte. RegSetValueExA counts
// a terminating zero the caller "forgot" when the byte just behind the data is 0 (NT does this and
// Wine copies it), so the text goes out from a buffer whose next byte is not 0.
void writeText(HKEY key, const char* name, const char* text, size_t length) {
    char buffer[VALUE_DATA_BUFFER_SIZE + 1];
    if (length == 0 || length >= sizeof buffer)
        return;
    std::memcpy(buffer, text, length);
    buffer[length] = '#';
    // Value names ignore case, and writing over "save" keeps the name "save", which the next load
    // would delete as unknown: the old value goes first, so the key holds the name as written.
    RegDeleteValueA(key, name);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffer), static_cast<DWORD>(length));
}

void writeSetting(HKEY key, int setting, int32_t value) {
    char text[16];
    size_t length = formatSettingText(setting, value, text);
    writeText(key, settingValueName(setting), text, length);
}

// The name of value `index` as the key holds it (the registry keeps names in UTF-16), and the
// same name in UTF-8 for the name test. The ANSI call spells a character its code page lacks as a
// best fit ("lagtim\u0113" as "lagtime", which answers to "LagTime") or as '?' ("Ouhe\u4E2D" as
// "Ouhe?"): the name test must see the real characters, and a deletion must name the real value.
bool wideName(HKEY key, DWORD index, std::wstring& name, std::string& utf8) {
    wchar_t buffer[VALUE_NAME_BUFFER_SIZE];
    DWORD size = VALUE_NAME_BUFFER_SIZE;
    if (RegEnumValueW(key, index, buffer, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name.assign(buffer, size < VALUE_NAME_BUFFER_SIZE ? size : VALUE_NAME_BUFFER_SIZE - 1);
    name.resize(wcsnlen(name.c_str(), name.size()));
    utf8.clear();
    if (name.empty())
        return true;
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, name.c_str(), int(name.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    utf8.resize(size_t(length));
    WideCharToMultiByte(CP_UTF8, 0, name.c_str(), int(name.size()), &utf8[0], length, nullptr, nullptr);
    return true;
}

// Reads every value of the key, by index from 0, before anything is written or deleted: a write
// under a canonical name would insert a value and shift the indices behind it (Wine keeps values
// sorted by name), and a deletion would pull the next value onto the current index, so examining
// while enumerating could pass over a value or see one twice. The data come from the ANSI call,
// the names from the wide one (`names`, one per value, as the key holds them; the snapshot has them
// in UTF-8). false when the enumeration fails for any reason other than a value too large for the
// buffers.
bool snapshotKey(HKEY key, std::vector<SnapshotValue>& values, std::vector<std::wstring>& names) {
    for (DWORD index = 0;; ++index) {
        char name[VALUE_NAME_BUFFER_SIZE];
        unsigned char data[VALUE_DATA_BUFFER_SIZE];
        DWORD nameSize = sizeof name; // both sizes are reset before every call
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            return true;
        SnapshotValue value;
        if (result == ERROR_MORE_DATA) {
            value.readable = false;
        } else if (result == ERROR_SUCCESS) {
            size_t dataLength = dataSize < sizeof data ? dataSize : sizeof data;
            value.data.assign(data, data + dataLength);
        } else {
            return false;
        }
        std::wstring wide;
        if (value.readable && !wideName(key, index, wide, value.name))
            value.readable = false; // a name the wide call cannot give whole: left alone
        values.push_back(std::move(value));
        names.push_back(std::move(wide));
    }
}

// The board's monitor, stored with every save once the user has chosen one; without a choice the
// key stays as it was (the primary needs no name). What is not known of the chosen monitor is
// removed, so that the three values always describe one monitor.
void writeBoardScreen(HKEY key) {
    const ScreenChoice& c = boardScreenChoice;
    if (c.device.empty())
        return;
    writeText(key, SCREEN_VALUE_NAME, c.device.data(), c.device.size());
    if (c.id.empty())
        RegDeleteValueA(key, MONITOR_ID_VALUE_NAME);
    else
        writeText(key, MONITOR_ID_VALUE_NAME, c.id.data(), c.id.size());
    const std::string size = c.width > 0 && c.height > 0 ? monitorSizeText(c.width, c.height) : "";
    if (size.empty())
        RegDeleteValueA(key, MONITOR_SIZE_VALUE_NAME);
    else
        writeText(key, MONITOR_SIZE_VALUE_NAME, size.data(), size.size());
}

// The screen the calibration was made on, beside its coordinates; when it is not known (a
// calibration loaded without it) the key keeps no values that would describe another one.
void writeCalibScreen(HKEY key) {
    const CrossScreen made = readCalibScreen();
    const char* names[3] = {CALIB_WIDTH_VALUE_NAME, CALIB_HEIGHT_VALUE_NAME, CALIB_DPI_VALUE_NAME};
    const int values[3] = {made.width, made.height, made.dpi};
    const bool known = calibrationScreenKnown(made);
    for (int i = 0; i < 3; ++i) {
        const std::string text = std::to_string(values[i]);
        if (known)
            writeText(key, names[i], text.data(), text.size());
        else
            RegDeleteValueA(key, names[i]);
    }
}

void useDefaults(SettingsRecord* record) {
    record->showPaletteAtStart = DEFAULT_SHOW_PALETTE_AT_START;
    record->smoothingPeriod = DEFAULT_SMOOTHING_PERIOD;
    record->lagTime = DEFAULT_LAG_TIME;
}

} // namespace

int loadSettings(SettingsRecord* record) {
    HKEY key;
    if (!openKey(&key)) {
        // No stored settings to be had: run with the defaults (the reader's smoothing needs a period
        // of 1..20) and without a calibration; nothing is written.
        useDefaults(record);
        return 0;
    }
    std::vector<SnapshotValue> snapshot;
    std::vector<std::wstring> names;
    if (!snapshotKey(key, snapshot, names)) {
        // A key that cannot be read to its end is not rewritten from what was read of it.
        RegCloseKey(key);
        useDefaults(record);
        return 0;
    }
    LoadDecision decision = decideLoad(snapshot, calibRaw);
    for (const RegistryChange& change : decision.changes) {
        if (change.remove)
            RegDeleteValueW(key, names[change.snapshotIndex].c_str()); // exactly the value examined
        else
            writeText(key, change.name.c_str(), change.text.data(), change.text.size());
    }
    RegCloseKey(key);

    record->showPaletteAtStart = decision.showPaletteAtStart;
    record->smoothingPeriod = decision.smoothingPeriod;
    record->lagTime = decision.lagTime;
    boardScreenChoice = decision.screen;
    touchChoice = decision.touch ? 1 : 0;
    std::memcpy(calibRaw, decision.calibRaw, sizeof calibRaw);
    storeCalibScreen(decision.calibScreen);
    if (decision.calibState == CALIB_MAPPING) {
        // The transform is in place before calibState says it may be used.
        for (int k = 0; k < 4; ++k)
            calibSensorPoints[k] = decision.sensorPoints[k];
        calibWeights = decision.weights;
    }
    calibValid.store(decision.calibState);
    calibState.store(decision.calibState, std::memory_order_release);
    return 1;
}

void saveSettings(const SettingsRecord* record) {
    HKEY key;
    if (!openKey(&key))
        return;
    writeSetting(key, SETTING_LAG_TIME, record->lagTime.load());
    writeSetting(key, SETTING_SAVE, record->showPaletteAtStart.load());
    writeSetting(key, SETTING_OUHE, record->smoothingPeriod.load());
    writeBoardScreen(key);
    RegCloseKey(key);
}

void saveCalibrationPoints(const int32_t points[8]) {
    HKEY key;
    if (!openKey(&key))
        return;
    static const int order[8] = {SETTING_P1X, SETTING_P2X, SETTING_P3X, SETTING_P4X,
                                 SETTING_P1Y, SETTING_P2Y, SETTING_P3Y, SETTING_P4Y};
    for (int setting : order)
        writeSetting(key, setting, points[calibRawIndex(setting)]);
    writeCalibScreen(key);
    writeBoardScreen(key);
    RegCloseKey(key);
}

void saveTouchChoice(bool touch) {
    HKEY key;
    if (!openKey(&key))
        return;
    writeText(key, TOUCH_VALUE_NAME, touch ? "1" : "0", 1);
    RegCloseKey(key);
}
