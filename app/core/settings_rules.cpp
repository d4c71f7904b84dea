#include "app/core/settings_rules.h"

#include <cstdio>
#include <cstring>

namespace {

struct NameEntry {
    const char* name;
    size_t length;    // the name test compares this many first characters
    int rawIndex;     // into calibRaw, -1 for a setting
    size_t textWidth; // characters written
};

// In the order of the name test.
constexpr NameEntry SETTING_NAMES[SETTING_COUNT] = {
    {"LagTime", 7, -1, 2}, {"Save", 4, -1, 1}, {"Ouhe", 4, -1, 2}, {"P1X", 3, 0, 4},
    {"P2X", 3, 2, 4},      {"P3X", 3, 4, 4},   {"P4X", 3, 6, 4},   {"P1Y", 3, 1, 4},
    {"P2Y", 3, 3, 4},      {"P3Y", 3, 5, 4},   {"P4Y", 3, 7, 4},
};

bool validSetting(int setting) {
    return setting >= 0 && setting < SETTING_COUNT;
}

bool isSpace(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

const char* settingValueName(int setting) {
    return validSetting(setting) ? SETTING_NAMES[setting].name : nullptr;
}

int calibRawIndex(int setting) {
    return validSetting(setting) ? SETTING_NAMES[setting].rawIndex : -1;
}

bool textFromValueData(const unsigned char* data, size_t count, char text[MAX_VALUE_TEXT_LENGTH + 1]) {
    size_t length = 0;
    for (size_t i = 0; i < count; ++i) {
        if (data[i] == 0)
            continue;
        if (length == MAX_VALUE_TEXT_LENGTH) {
            text[0] = '\0';
            return false;
        }
        text[length++] = static_cast<char>(data[i]);
    }
    text[length] = '\0';
    return true;
}

int32_t numberFromText(const char* text) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    while (isSpace(*s))
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') {
        negative = *s == '-';
        ++s;
    }
    // Accumulated as a magnitude that stops growing past the int32 limit, so any run of digits
    // ends at the limit of its sign, as strtol does for its own type.
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    while (*s >= '0' && *s <= '9') {
        magnitude = magnitude * 10 + (*s - '0');
        if (magnitude > limit)
            magnitude = limit;
        ++s;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int matchSettingName(const char* name) {
    for (int k = 0; k < SETTING_COUNT; ++k)
        if (std::strncmp(name, SETTING_NAMES[k].name, SETTING_NAMES[k].length) == 0)
            return k;
    return SETTING_NONE;
}

bool acceptSettingNumber(int setting, int32_t number, int32_t& value) {
    bool keep = true;
    switch (setting) {
    case SETTING_LAG_TIME:
        keep = number >= 5 && number <= 60;
        value = keep ? number : DEFAULT_LAG_TIME;
        break;
    case SETTING_SAVE:
        keep = number == 0 || number == 1;
        value = keep ? number : DEFAULT_SHOW_PALETTE_AT_START;
        break;
    case SETTING_OUHE:
        keep = number >= 1 && number <= 20;
        value = keep ? number : DEFAULT_SMOOTHING_PERIOD;
        break;
    default:
        value = number;
        break;
    }
    return keep;
}

size_t formatSettingText(int setting, int32_t value, char out[16]) {
    if (!validSetting(setting)) {
        out[0] = '\0';
        return 0;
    }
    const char* format =
        setting == SETTING_SAVE ? "%d" : (SETTING_NAMES[setting].rawIndex >= 0 ? "%04d" : "%02d");
    int written = std::snprintf(out, 16, format, static_cast<int>(value));
    size_t length = written < 0 ? 0 : static_cast<size_t>(written);
    if (length > SETTING_NAMES[setting].textWidth)
        length = SETTING_NAMES[setting].textWidth;
    out[length] = '\0';
    return length;
}

const char* settingDefaultText(int setting) {
    switch (setting) {
    case SETTING_LAG_TIME:
        return "10";
    case SETTING_SAVE:
    case SETTING_OUHE:
        return "1";
    default:
        return validSetting(setting) ? "9999" : nullptr; // CALIB_NOT_MEASURED
    }
}

namespace {

bool startsWith(const std::string& name, const char* start) {
    return std::strncmp(name.c_str(), start, std::strlen(start)) == 0;
}

// A value of the board's monitor, by the name test's rule, into the choice: its text is the data
// with the zero bytes left out, as long as the data buffer allows (an interface name is far
// longer than any setting's text). A size that is not "WxH" is not known. false for other names.
bool takeScreenValue(const SnapshotValue& value, ScreenChoice& screen) {
    const bool device = startsWith(value.name, SCREEN_VALUE_NAME);
    const bool id = startsWith(value.name, MONITOR_ID_VALUE_NAME);
    const bool size = startsWith(value.name, MONITOR_SIZE_VALUE_NAME);
    if (!device && !id && !size)
        return false;
    std::string text;
    for (unsigned char c : value.data)
        if (c != 0)
            text += static_cast<char>(c);
    if (device)
        screen.device = text;
    else if (id)
        screen.id = text;
    else if (!monitorSizeFromText(text, screen.width, screen.height))
        screen.width = screen.height = 0;
    return true;
}

// "Touch", by the name test's rule, into the choice: off only for the text "0" (zero bytes left
// out). false for other names.
bool takeTouchValue(const SnapshotValue& value, bool& touch) {
    if (!startsWith(value.name, TOUCH_VALUE_NAME))
        return false;
    std::string text;
    for (unsigned char c : value.data)
        if (c != 0)
            text += static_cast<char>(c);
    touch = text != "0";
    return true;
}

// "CalibWidth", "CalibHeight" or "CalibDpi", by the name test's rule, into its field of `screen`
// (the number of its text; an unreadable text counts as 0, which describes no screen). false for
// other names.
bool takeCalibScreenValue(const SnapshotValue& value, CrossScreen& screen) {
    int* field = startsWith(value.name, CALIB_WIDTH_VALUE_NAME)    ? &screen.width
                 : startsWith(value.name, CALIB_HEIGHT_VALUE_NAME) ? &screen.height
                 : startsWith(value.name, CALIB_DPI_VALUE_NAME)    ? &screen.dpi
                                                                   : nullptr;
    if (!field)
        return false;
    char text[MAX_VALUE_TEXT_LENGTH + 1];
    *field = textFromValueData(value.data.data(), value.data.size(), text) ? numberFromText(text) : 0;
    return true;
}

void addDefaultWrite(LoadDecision& d, int setting) {
    RegistryChange change;
    change.name = SETTING_NAMES[setting].name;
    change.text = settingDefaultText(setting);
    d.changes.push_back(change);
}

} // namespace

LoadDecision decideLoad(const std::vector<SnapshotValue>& values, const int32_t calibRawBefore[8]) {
    LoadDecision d;
    for (int k = 0; k < 8; ++k)
        d.calibRaw[k] = calibRawBefore[k];
    bool coordinateMissing = false;

    // Names whose default text a correction has written during this load; a later value of
    // exactly that name is read with that text, as it would be in the key by then.
    bool rewritten[SETTING_COUNT] = {};
    std::vector<RegistryChange> deletions;

    for (size_t index = 0; index < values.size(); ++index) {
        const SnapshotValue& value = values[index];
        if (!value.readable)
            continue;
        int setting = matchSettingName(value.name.c_str());
        if (setting == SETTING_NONE && (takeScreenValue(value, d.screen) || takeTouchValue(value, d.touch) ||
                                        takeCalibScreenValue(value, d.calibScreen)))
            continue;
        char text[MAX_VALUE_TEXT_LENGTH + 1];
        if (setting != SETTING_NONE && rewritten[setting] && value.name == SETTING_NAMES[setting].name) {
            std::snprintf(text, sizeof text, "%s", settingDefaultText(setting));
        } else if (!textFromValueData(value.data.data(), value.data.size(), text)) {
            continue; // a text too long for any setting: unreadable, left alone like the others
        }
        if (setting == SETTING_NONE) {
            RegistryChange change;
            change.remove = true;
            change.name = value.name;
            change.snapshotIndex = index;
            deletions.push_back(change);
            continue;
        }
        d.seen[setting] = true;

        int32_t number = numberFromText(text);
        int32_t taken = 0;
        bool keep = acceptSettingNumber(setting, number, taken);
        int rawIndex = SETTING_NAMES[setting].rawIndex;
        if (rawIndex >= 0) {
            d.calibRaw[rawIndex] = taken;
            if (taken == CALIB_NOT_MEASURED)
                coordinateMissing = true;
            continue;
        }
        if (setting == SETTING_LAG_TIME)
            d.lagTime = taken;
        else if (setting == SETTING_SAVE)
            d.showPaletteAtStart = taken;
        else
            d.smoothingPeriod = taken;
        if (!keep) {
            addDefaultWrite(d, setting);
            rewritten[setting] = true;
        }
    }

    for (int k = 0; k < SETTING_COUNT; ++k) {
        if (d.seen[k])
            continue;
        addDefaultWrite(d, k);
        if (k == SETTING_LAG_TIME)
            d.lagTime = DEFAULT_LAG_TIME;
        else if (k == SETTING_SAVE)
            d.showPaletteAtStart = DEFAULT_SHOW_PALETTE_AT_START;
        else if (k == SETTING_OUHE)
            d.smoothingPeriod = DEFAULT_SMOOTHING_PERIOD;
        else
            coordinateMissing = true; // the coordinate in memory stays as it was
    }

    d.changes.insert(d.changes.begin(), deletions.begin(), deletions.end());
    if (!calibrationScreenKnown(d.calibScreen))
        d.calibScreen = {0, 0, 0};
    d.complete = !coordinateMissing;
    if (d.complete && setUpTransform(d.calibRaw, d.sensorPoints, d.weights))
        d.calibState = CALIB_MAPPING;
    return d;
}
