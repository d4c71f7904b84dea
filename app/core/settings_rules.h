#pragma once
// The rules of the settings store, free of the platform: how a registry value's bytes become text
// and a number, which of the eleven names a value answers to, which numbers are kept and which are
// corrected, how a setting is written, and the whole decision of a load over a snapshot of the
// key. The Win32 side (app/settings_store.cpp) only reads the key, hands the snapshot here and
// carries out the writes and deletions decided.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "win32/core/board_monitor.h"
#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"

// The reading buffers: a name of up to 199 characters, data of up to 200 bytes, a text of up to
// 19 characters once the zero bytes are left out.
constexpr size_t VALUE_NAME_BUFFER_SIZE = 200;
constexpr size_t VALUE_DATA_BUFFER_SIZE = 200;
constexpr size_t MAX_VALUE_TEXT_LENGTH = 19;

// The eleven names, in the order of the name test and of the defaults. The registry value names,
// these and the others below, are what every version stores and reads back ("Save" holds the
// palette-at-start choice, "Ouhe" the smoothing period), so they, and the ids that spell them,
// stay as they are.
enum SettingName : int {
    SETTING_NONE = -1,
    SETTING_LAG_TIME = 0,
    SETTING_SAVE,
    SETTING_OUHE,
    SETTING_P1X,
    SETTING_P2X,
    SETTING_P3X,
    SETTING_P4X,
    SETTING_P1Y,
    SETTING_P2Y,
    SETTING_P3Y,
    SETTING_P4Y,
    SETTING_COUNT
};

// Defaults of the three settings, also used in memory when the key cannot be opened.
constexpr int32_t DEFAULT_SHOW_PALETTE_AT_START = 1;
constexpr int32_t DEFAULT_SMOOTHING_PERIOD = 1;
constexpr int32_t DEFAULT_LAG_TIME = 10;

// "LagTime", "Save", ... ; null for a value outside 0..SETTING_COUNT-1.
const char* settingValueName(int setting);

// Index into calibRaw (P1X, P1Y, P2X, ...) of a coordinate name, -1 for the three settings.
int calibRawIndex(int setting);

// The text of a value: its data bytes in order, zero bytes left out, into text (zero-terminated).
// false when more than MAX_VALUE_TEXT_LENGTH characters remain (text is then "").
bool textFromValueData(const unsigned char* data, size_t count, char text[MAX_VALUE_TEXT_LENGTH + 1]);

// Leading white space skipped, an optional sign, then decimal digits up to the first other
// character; 0 without digits. Digits beyond int32 saturate at the limit of the sign.
int32_t numberFromText(const char* text);

// The name test: case-sensitive, on the first characters of the name, in the order "LagTime",
// "Save", "Ouhe", "P1X".."P4X", "P1Y".."P4Y"; the first that matches decides. SETTING_NONE when
// none does.
int matchSettingName(const char* name);

// The range rule of a setting for a loaded number: true when the number is kept as it is; false
// when it is replaced by the setting's default (in memory and in the key). value receives what
// goes into memory. Coordinates keep every number.
bool acceptSettingNumber(int setting, int32_t number, int32_t& value);

// The text a setting is written as: "%02d" cut to two characters for "LagTime" and "Ouhe", "%d"
// cut to one for "Save", "%04d" cut to four for a coordinate. Returns the length (no terminating
// zero is stored in the key).
size_t formatSettingText(int setting, int32_t value, char out[16]);

// The text a load writes for a setting it corrects or finds missing: "10", "1", "1" and "9999" for
// a coordinate (one digit for "Ouhe", where a save writes two).
const char* settingDefaultText(int setting);

// One value of the key as the enumeration found it. A value whose name or data did not fit the
// buffers (readable false), or whose text is longer than MAX_VALUE_TEXT_LENGTH, is unreadable:
// nothing is taken from it and it is left in the key, whatever its name.
struct SnapshotValue {
    bool readable = true;
    std::string name;                // as the key holds it, in UTF-8, up to the first zero character:
                                     // the name test compares its first characters, so a character
                                     // the ANSI code page lacks never passes for another one
    std::vector<unsigned char> data; // the bytes enumerated, at most VALUE_DATA_BUFFER_SIZE
};

// A write (REG_SZ of exactly text's characters) or a deletion, to be made after the snapshot.
struct RegistryChange {
    bool remove = false;
    std::string name;
    std::string text;
    size_t snapshotIndex = 0; // a deletion: the value to remove, by its place in the snapshot (its
                              // name as the key holds it may have no narrow spelling)
};

struct LoadDecision {
    int32_t showPaletteAtStart = 0, smoothingPeriod = 0, lagTime = 0; // "Save", "Ouhe", "LagTime"
    int32_t calibRaw[8] = {};
    bool seen[SETTING_COUNT] = {};   // matched by a readable value
    bool complete = false;           // all eight coordinates read and none CALIB_NOT_MEASURED
    int32_t calibState = CALIB_NONE; // CALIB_MAPPING only when complete and the transform set up
    Vec3 sensorPoints[4] = {};       // the prepared transform when calibState is CALIB_MAPPING
    Vec3 weights = {};
    ScreenChoice screen; // "Screen", "MonitorId", "MonitorSize": the board's monitor; no device name
                         // when none was chosen
    bool touch = true;   // "Touch": touches as touch where the system injects them
    CrossScreen calibScreen = {0, 0, 0}; // "CalibWidth", "CalibHeight", "CalibDpi" when all three
                                         // are there and calibrationScreenKnown; else all 0
    // In the order to carry out: the deletions first, then the writes. Value names are not case
    // sensitive in the registry, so a deleted "lagtime" and a written "LagTime" are one value:
    // deleting after writing would lose the write.
    std::vector<RegistryChange> changes;
};

// The board's monitor, by the name test's rule (the first characters, case-sensitive): "Screen"
// its device name, "MonitorId" its interface name, "MonitorSize" its size as "WxH". They are kept
// when present and written by every save that has a choice to store, but they are not among the
// eleven: a key without them gets no default for them. (Not "ScreenId": the name test of earlier
// versions takes every name that begins with "Screen" for "Screen".)
constexpr const char* SCREEN_VALUE_NAME = "Screen";
constexpr const char* MONITOR_ID_VALUE_NAME = "MonitorId";
constexpr const char* MONITOR_SIZE_VALUE_NAME = "MonitorSize";

// The user's choice of touch input, by the same name test: "0" the mouse always, anything else
// (and no value) touches as touch where the system injects them. Kept when present, written by the
// tray item only; a key without it gets no default.
constexpr const char* TOUCH_VALUE_NAME = "Touch";

// The screen the stored calibration was made on, beside its eight coordinates: "CalibWidth" and
// "CalibHeight" its size in pixels, "CalibDpi" its DPI, each as decimal digits ("%d"). By the same
// name test; kept when present (taken only when all three are there and describe a screen), written
// and removed with the coordinates; a key without them gets no default, and its coordinates map
// onto the crosses as they stand now.
constexpr const char* CALIB_WIDTH_VALUE_NAME = "CalibWidth";
constexpr const char* CALIB_HEIGHT_VALUE_NAME = "CalibHeight";
constexpr const char* CALIB_DPI_VALUE_NAME = "CalibDpi";

// The load over a snapshot in enumeration order. Each value is examined exactly once: a readable
// value that answers to a name is taken (or corrected, with a write under the canonical name), a
// readable value that answers to none is deleted, an unreadable one is left alone and its name
// counts as not seen. Then each of
// the eleven names not seen gets its default. calibRawBefore is what memory held; a coordinate not
// seen keeps it.
//
// A correction overwrites the canonical value in the key at once, so a value of exactly that name
// examined after it is taken with the corrected text, as a key read value by value would give.
LoadDecision decideLoad(const std::vector<SnapshotValue>& values, const int32_t calibRawBefore[8]);
