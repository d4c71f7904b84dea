// The settings store against the real registry: each case in a scratch HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/settings_record.h"
#include "win32/monitors.h"
#include "touch/touch_injection.h"
#include "calibration/calibration_state.h"
#include "app/settings_store.h"
#include "tests/support/registry.h"

namespace {

struct RawValue {
    DWORD type = 0;
    std::string bytes;
};

// The key as it is now: every value with its type and exact bytes.
std::map<std::string, RawValue> readKey() {
    std::map<std::string, RawValue> values;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TOLVEX_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[1024];
        static BYTE data[65536];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[std::string(name, nameSize)] =
            RawValue{type, std::string(reinterpret_cast<char*>(data), dataSize)};
    }
    RegCloseKey(key);
    return values;
}

void put(const std::string& name, const std::string& bytes, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, TOLVEX_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    // Exactly these bytes: RegSetValueExA would count a terminating zero found just behind them.
    std::string buffer = bytes + '#';
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(buffer.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS)
        << name;
    RegCloseKey(key);
}

void createKey() {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, TOLVEX_KEY, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

// The stored text of a value written by the store: REG_SZ of exactly the digits.
std::string stored(const std::map<std::string, RawValue>& key, const std::string& name) {
    auto it = key.find(name);
    if (it == key.end())
        return "<missing>";
    if (it->second.type != REG_SZ)
        return "<type " + std::to_string(it->second.type) + ">";
    return it->second.bytes;
}

// Memory as the program starts: zeroed settings, no calibration.
void resetState() {
    settings.showPaletteAtStart = 0;
    settings.smoothingPeriod = 0;
    settings.lagTime = 0;
    for (int k = 0; k < 8; ++k)
        calibRaw[k] = -1000 - k;
    std::memset(calibSensorPoints, 0, sizeof calibSensorPoints);
    calibWeights = Vec3{0, 0, 0};
    calibState = CALIB_NONE;
    calibValid = CALIB_NONE;
    storeCalibScreen({0, 0, 0});
}

const char* const kElevenNames[] = {"LagTime", "Save", "Ouhe", "P1X", "P2X", "P3X",
                                    "P4X",     "P1Y",  "P2Y",  "P3Y", "P4Y"};

// The three settings in memory hold their defaults (10, 1, 1); `when` names the case.
void expectDefaultSettings(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(settings.lagTime.load(), 10);
    EXPECT_EQ(settings.showPaletteAtStart.load(), 1);
    EXPECT_EQ(settings.smoothingPeriod.load(), 1);
}

// No calibration in use and none valid; `when` names the case.
void expectUncalibrated(const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(calibState.load(), CALIB_NONE);
    EXPECT_EQ(calibValid.load(), CALIB_NONE);
}

// A complete, sound calibration in the key.
void putCalibration() {
    const char* names[] = {"P1X", "P1Y", "P2X", "P2Y", "P3X", "P3Y", "P4X", "P4Y"};
    const char* texts[] = {"0150", "0100", "0880", "0060", "0120", "0700", "0940", "0720"};
    for (int k = 0; k < 8; ++k)
        put(names[k], texts[k]);
}

// Each case gets an HKEY_CURRENT_USER of its own and memory as at start; fresh() starts another
// case inside one test (the old scratch key is removed before the new one is made, so overrides
// never nest).
class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { fresh(); }
    void fresh() {
        scratch.reset();
        scratch.reset(new ScratchCurrentUser);
        ASSERT_NE(scratch->key, nullptr);
        resetState();
    }
    std::unique_ptr<ScratchCurrentUser> scratch;
};

} // namespace

TEST_F(SettingsStore, EmptyKeyGetsAllElevenDefaults) {
    createKey();
    ASSERT_EQ(loadSettings(&settings), 1);
    expectDefaultSettings("an empty key");
    expectUncalibrated("an empty key");
    EXPECT_EQ(calibRaw[0], -1000) << "a missing coordinate stays in memory as it was";
    auto key = readKey();
    EXPECT_EQ(key.size(), 11u);
    EXPECT_EQ(stored(key, "LagTime"), "10");
    EXPECT_EQ(stored(key, "Save"), "1");
    EXPECT_EQ(stored(key, "Ouhe"), "1");
    for (int k = 3; k < 11; ++k)
        EXPECT_EQ(stored(key, kElevenNames[k]), "9999") << kElevenNames[k];
}

TEST_F(SettingsStore, RangesKeptOrRewritten) {
    struct Case {
        const char* name;
        std::string data;
        int32_t loaded;
        const char* storedAfter;
    } cases[] = {
        {"LagTime", "61", 10, "10"},
        {"LagTime", "5", 5, "5"},
        {"LagTime", "60", 60, "60"},
        {"LagTime", "4", 10, "10"},
        {"Ouhe", "0", 1, "1"},
        {"Ouhe", "21", 1, "1"},
        {"Ouhe", "20", 20, "20"},
        {"Save", "7", 1, "1"},
        {"Save", "0", 0, "0"},
        {"Save", "abc", 0, "abc"},
        {"LagTime", "abc", 10, "10"},
        {"Ouhe", "abc", 1, "1"},
        {"Save", std::string("1\0", 2), 1, nullptr}, // read as "1", left as it was
        {"LagTime", " +0030xyz", 30, " +0030xyz"},
        {"LagTime", "99999999999", 10, "10"},
    };
    for (const Case& c : cases) {
        fresh();
        put(c.name, c.data);
        ASSERT_EQ(loadSettings(&settings), 1);
        int32_t loaded = std::strcmp(c.name, "LagTime") == 0 ? settings.lagTime.load()
                         : std::strcmp(c.name, "Save") == 0  ? settings.showPaletteAtStart.load()
                                                             : settings.smoothingPeriod.load();
        EXPECT_EQ(loaded, c.loaded) << c.name << " \"" << c.data << "\"";
        EXPECT_EQ(stored(readKey(), c.name), c.storedAfter ? std::string(c.storedAfter) : c.data)
            << c.name << " \"" << c.data << "\"";
    }
}

TEST_F(SettingsStore, OtherTypesAreReadAsTextFromTheirBytes) {
    const DWORD thirty = 30, zeroDigit = '0';
    put("LagTime", std::string(reinterpret_cast<const char*>(&thirty), 4), REG_DWORD); // 0x1E: no digit
    put("Save", std::string(reinterpret_cast<const char*>(&zeroDigit), 4), REG_DWORD); // "0" and zeros
    put("Ouhe", std::string("\x31\x32", 2), REG_BINARY);                               // "12"
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(settings.lagTime.load(), 10);
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 12);
    auto key = readKey();
    EXPECT_EQ(stored(key, "LagTime"), "10") << "corrected and written as REG_SZ";
    EXPECT_EQ(key["Save"].type, static_cast<DWORD>(REG_DWORD)) << "accepted, so left as it was";
    EXPECT_EQ(key["Ouhe"].type, static_cast<DWORD>(REG_BINARY));
}

TEST_F(SettingsStore, NameTestPrefixAndCase) {
    put("LagTimeSlow", "30");
    put("lagtime", "20");
    put("SAVE", "0");
    put("Saved", "0");
    put("P1Xtra", "0123");
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(settings.lagTime.load(), 30) << "a name that begins with LagTime is LagTime";
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(calibRaw[0], 123);
    auto key = readKey();
    // "lagtime" and "SAVE" matched nothing and are gone; as value names ignore case, a later
    // write under "LagTime" or "Save" would be the same value, so none was made for them.
    EXPECT_EQ(key.count("lagtime") + key.count("LagTime"), 0u);
    EXPECT_EQ(key.count("SAVE") + key.count("Save"), 0u);
    EXPECT_EQ(stored(key, "LagTimeSlow"), "30");
    EXPECT_EQ(stored(key, "P1Xtra"), "0123");
    EXPECT_EQ(stored(key, "P1X"), "<missing>") << "P1X was seen through P1Xtra";
}

TEST_F(SettingsStore, OtherCaseIsDeletedAndTheDefaultWritten) {
    put("lagtime", "20");
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(settings.lagTime.load(), 10);
    auto key = readKey();
    ASSERT_EQ(key.count("LagTime"), 1u) << "deleted, then written under its own name";
    EXPECT_EQ(stored(key, "LagTime"), "10");
    EXPECT_EQ(key.count("lagtime"), 0u);
}

// Names only the wide API can spell: one without any ANSI spelling, one whose best fit is
// "lagtime". Each is an unknown name, deleted by its own name; the real "LagTime" and its setting
// stay, and a calibration held in the key does not hide the loss.
TEST_F(SettingsStore, NamesWithoutAnAnsiSpellingAreDeletedByTheirOwnName) {
    put("LagTime", "42");
    putCalibration();
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TOLVEX_KEY, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const wchar_t* const odd[] = {L"\u4E2D\u6587", L"lagtim\u0113"};
    for (const wchar_t* name : odd)
        ASSERT_EQ(
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"7"), 2 * sizeof(wchar_t)),
            ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(settings.lagTime.load(), 42);
    EXPECT_EQ(calibState.load(), -1);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TOLVEX_KEY, 0, KEY_READ, &key), ERROR_SUCCESS);
    for (const wchar_t* name : odd)
        EXPECT_EQ(RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND)
            << "still there: value " << (name == odd[0] ? "zhongwen" : "lagtime with macron");
    RegCloseKey(key);
    auto values = readKey();
    EXPECT_EQ(values.size(), 11u);
    EXPECT_EQ(stored(values, "LagTime"), "42");
}

// The name test runs on the characters of the name as the key holds it: a name that begins with a
// setting's name and goes on with characters the ANSI code page lacks is that setting (the ANSI
// enumeration calls "Ouhe\u4E2D" "Ouhe?"), and one whose best fit only looks like a setting's name
// ("Ouh\u0113" fits as "Ouhe") is not.
TEST_F(SettingsStore, WideNamesAnswerToTheNameTestByTheirOwnCharacters) {
    put("LagTime", "42");
    putCalibration();
    RegDeleteKeyValueA(HKEY_CURRENT_USER, TOLVEX_KEY, "P1X");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TOLVEX_KEY, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const struct {
        const wchar_t* name;
        const wchar_t* data;
    } wide[] = {{L"Ouhe\u4E2D", L"9"},
                {L"P1X\u6587", L"0150"},
                {L"Ouh\u0113", L"7"},
                {L"Screen\u4E2D", L"\\\\.\\DISPLAY2"}};
    for (const auto& v : wide)
        ASSERT_EQ(RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data),
                                 DWORD(wcslen(v.data) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(settings.smoothingPeriod.load(), 9) << "the smoothing stored under \"Ouhe\\u4E2D\"";
    EXPECT_EQ(calibRaw[0], 150);
    EXPECT_EQ(calibState.load(), CALIB_MAPPING) << "P1X read through \"P1X\\u6587\"";
    EXPECT_EQ(settings.lagTime.load(), 42);
    EXPECT_EQ(boardScreenChoice.device, "\\\\.\\DISPLAY2");
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, TOLVEX_KEY, 0, KEY_READ, &key), ERROR_SUCCESS);
    for (size_t k = 0; k < 4; ++k) {
        const bool kept = k != 2;
        EXPECT_EQ(RegQueryValueExW(key, wide[k].name, nullptr, nullptr, nullptr, nullptr),
                  kept ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
            << "value " << k << (kept ? " lost" : " kept");
    }
    RegCloseKey(key);
    auto values = readKey(); // through the ANSI call: three wide names read as "...?"
    EXPECT_EQ(values.count("Ouhe"), 0u) << "a default written over the stored smoothing";
    EXPECT_EQ(values.count("P1X"), 0u);
    EXPECT_EQ(values.size(), 12u);
    boardScreenChoice = {};
}

TEST_F(SettingsStore, UnknownValuesInterleavedAreDeletedAndEveryKnownOneRead) {
    // Unknown names before, between and after the eleven, in any enumeration order.
    const char* junk[] = {"A",   "Lag", "LagTim", "M", "Ouh", "P0X", "P1W", "P1Z",  "P5Y",  "Q",
                          "Sav", "Z",   "zz",     "~", "0",   "P",   "Pa",  "Savf", "Ouhf", "LagTimf"};
    for (const char* name : junk)
        put(name, "1");
    put("LagTime", "42");
    put("Save", "0");
    put("Ouhe", "9");
    putCalibration();
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(settings.lagTime.load(), 42);
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 9);
    const int32_t expected[8] = {150, 100, 880, 60, 120, 700, 940, 720};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(calibRaw[k], expected[k]) << k;
    EXPECT_EQ(calibState.load(), CALIB_MAPPING);
    auto key = readKey();
    EXPECT_EQ(key.size(), 11u);
    for (const char* name : junk)
        EXPECT_EQ(key.count(name), 0u) << name;
    EXPECT_EQ(stored(key, "LagTime"), "42");
    EXPECT_EQ(stored(key, "P2Y"), "0060");
}

TEST_F(SettingsStore, CompleteCalibrationPreparesTheTransform) {
    putCalibration();
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(calibState.load(), CALIB_MAPPING);
    EXPECT_EQ(calibValid.load(), CALIB_MAPPING);
    Vec3 points[4], weights;
    ASSERT_TRUE(setUpTransform(calibRaw, points, weights));
    EXPECT_EQ(std::memcmp(points, calibSensorPoints, sizeof points), 0);
    EXPECT_EQ(std::memcmp(&weights, &calibWeights, sizeof weights), 0);
    double uv[2];
    ASSERT_TRUE(sensorToUnitSquare(calibSensorPoints, calibWeights, 940, 720, uv));
    EXPECT_NEAR(uv[0], 1.0, 1e-9);
    EXPECT_NEAR(uv[1], 1.0, 1e-9);
}

TEST_F(SettingsStore, IncompleteOrDegenerateCalibrationRunsUncalibrated) {
    {
        fresh();
        putCalibration();
        put("P3Y", "9999");
        ASSERT_EQ(loadSettings(&settings), 1);
        expectUncalibrated("a coordinate of 9999");
        EXPECT_EQ(calibRaw[5], CALIB_NOT_MEASURED);
        EXPECT_EQ(calibWeights.z, 0.0) << "transform not prepared";
    }
    {
        fresh();
        putCalibration();
        RegDeleteKeyValueA(HKEY_CURRENT_USER, TOLVEX_KEY, "P2X");
        ASSERT_EQ(loadSettings(&settings), 1);
        EXPECT_EQ(calibState.load(), CALIB_NONE);
        EXPECT_EQ(calibRaw[2], -1002) << "the missing coordinate stays in memory as it was";
        EXPECT_EQ(stored(readKey(), "P2X"), "9999");
    }
    {
        // Three points on one line: all eight present and none 9999, but no transform.
        fresh();
        const char* names[] = {"P1X", "P1Y", "P2X", "P2Y", "P3X", "P3Y", "P4X", "P4Y"};
        const char* texts[] = {"0100", "0100", "0500", "0100", "0900", "0100", "0500", "0700"};
        for (int k = 0; k < 8; ++k)
            put(names[k], texts[k]);
        ASSERT_EQ(loadSettings(&settings), 1);
        expectUncalibrated("three points on one line");
        auto key = readKey();
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(stored(key, names[k]), texts[k]) << "points left in the key";
    }
}

TEST_F(SettingsStore, SavedValuesAreExactDigitsAndLoadBack) {
    createKey();
    const int32_t points[8] = {512, 384, 900, 80, 7, 700, 1023, 767};
    saveCalibrationPoints(points);
    SettingsRecord record;
    record.showPaletteAtStart = 0;
    record.smoothingPeriod = 7;
    record.lagTime = 5;
    saveSettings(&record);
    auto key = readKey();
    EXPECT_EQ(key.size(), 11u);
    EXPECT_EQ(stored(key, "P1X"), "0512");
    EXPECT_EQ(stored(key, "P1Y"), "0384");
    EXPECT_EQ(stored(key, "P3X"), "0007");
    EXPECT_EQ(stored(key, "P4X"), "1023");
    EXPECT_EQ(stored(key, "LagTime"), "05");
    EXPECT_EQ(stored(key, "Save"), "0");
    EXPECT_EQ(stored(key, "Ouhe"), "07");

    ASSERT_EQ(loadSettings(&settings), 1);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(calibRaw[k], points[k]) << k;
    EXPECT_EQ(settings.lagTime.load(), 5);
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 7);
    EXPECT_EQ(calibState.load(), CALIB_MAPPING);
    EXPECT_EQ(readKey().size(), 11u) << "nothing rewritten on loading what was saved";
}

// The screen a calibration was made on is stored beside its points and loaded back with them; a
// calibration without one leaves no values of another behind.
TEST_F(SettingsStore, TheCalibrationsScreenTravelsWithItsPoints) {
    createKey();
    const int32_t points[8] = {512, 384, 900, 80, 7, 700, 1023, 767};
    storeCalibScreen({1920, 1080, 144});
    saveCalibrationPoints(points);
    auto key = readKey();
    EXPECT_EQ(stored(key, "CalibWidth"), "1920");
    EXPECT_EQ(stored(key, "CalibHeight"), "1080");
    EXPECT_EQ(stored(key, "CalibDpi"), "144");
    storeCalibScreen({0, 0, 0});
    ASSERT_EQ(loadSettings(&settings), 1);
    const CrossScreen loaded = readCalibScreen();
    EXPECT_EQ(loaded.width, 1920);
    EXPECT_EQ(loaded.height, 1080);
    EXPECT_EQ(loaded.dpi, 144);
    const auto after = readKey();
    for (const char* name : {"CalibWidth", "CalibHeight", "CalibDpi"})
        EXPECT_EQ(stored(after, name), stored(key, name)) << name << " rewritten or deleted by the load";

    // A DPI that is no number: the screen is not known, and the next save removes all three.
    put("CalibDpi", "abc");
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(readCalibScreen().width, 0);
    EXPECT_EQ(calibState.load(), CALIB_MAPPING) << "the points map as they always did";
    saveCalibrationPoints(points);
    key = readKey();
    EXPECT_EQ(key.count("CalibWidth") + key.count("CalibHeight") + key.count("CalibDpi"), 0u);
}

// The board's monitor: every save writes what identifies it beside its name, and what is not
// known of it is removed rather than left from another monitor; the load reads them back.
TEST_F(SettingsStore, TheBoardsMonitorIsStoredWholeAndReadBack) {
    createKey();
    const std::string id =
        "\\\\?\\DISPLAY#EPS0A1B#5&2d0b7a5a&0&UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
    boardScreenChoice = {"\\\\.\\DISPLAY2", id, 1280, 800};
    saveSettings(&settings);
    auto key = readKey();
    EXPECT_EQ(stored(key, "Screen"), "\\\\.\\DISPLAY2");
    EXPECT_EQ(stored(key, "MonitorId"), id);
    EXPECT_EQ(stored(key, "MonitorSize"), "1280x800");
    boardScreenChoice = {};
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(boardScreenChoice.device, "\\\\.\\DISPLAY2");
    EXPECT_EQ(boardScreenChoice.id, id);
    EXPECT_EQ(boardScreenChoice.width, 1280);
    EXPECT_EQ(boardScreenChoice.height, 800);
    EXPECT_EQ(readKey().size(), 14u) << "nothing rewritten, nothing deleted";

    // Another monitor of which only the name is known; then a size that is no size.
    boardScreenChoice = {"\\\\.\\DISPLAY3", "", 0, 0};
    const int32_t points[8] = {512, 384, 900, 80, 7, 700, 1023, 767};
    saveCalibrationPoints(points);
    key = readKey();
    EXPECT_EQ(stored(key, "Screen"), "\\\\.\\DISPLAY3");
    EXPECT_EQ(key.count("MonitorId") + key.count("MonitorSize"), 0u);
    put("MonitorSize", "1280 x 800");
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(boardScreenChoice.width, 0);
    EXPECT_EQ(stored(readKey(), "MonitorSize"), "1280 x 800") << "kept, as a known name";
    boardScreenChoice = {};
}

// The choice of touch input: the tray item's save writes exactly "0" or "1"; the load keeps the
// value and reads it back, and a key without it means touch.
TEST_F(SettingsStore, TheTouchChoiceIsKeptAndReadBack) {
    createKey();
    putCalibration();
    touchChoice = 1;
    saveTouchChoice(false);
    EXPECT_EQ(stored(readKey(), "Touch"), "0");
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(touchChoice.load(), 0);
    EXPECT_EQ(stored(readKey(), "Touch"), "0") << "kept, as a known name";
    saveTouchChoice(true);
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(touchChoice.load(), 1);
    EXPECT_EQ(stored(readKey(), "Touch"), "1");
    fresh();
    createKey();
    touchChoice = 0;
    ASSERT_EQ(loadSettings(&settings), 1);
    EXPECT_EQ(touchChoice.load(), 1) << "no value: touch";
    EXPECT_EQ(readKey().count("Touch"), 0u) << "no default written";
    touchChoice = 1;
}

TEST_F(SettingsStore, ValuesTooLargeForTheBuffersAreLeftAlone) {
    const std::string bigData(300, '5');
    const std::string longName = "Z" + std::string(240, 'n');
    const std::string longLagTime = "LagTime" + std::string(240, 'x');
    put("Junk", bigData);                            // data does not fit: not deleted
    put("Ouhe", bigData);                            // counts as not seen: the default replaces it
    put("LagTimeBig", bigData);                      // LagTime not seen through it
    put(longName, "1");                              // name does not fit: not deleted
    put(longLagTime, "30");                          // nor taken as LagTime
    put("Save", "00000000000000000000000000000001"); // text longer than 19 characters
    put("P1X", std::string(150, '\0') + "0150");     // 154 bytes, 4 characters: fits and is read
    put("Zz", "1");                                  // readable and unknown: deleted
    put("Zy", std::string(25, 'y'));                 // text longer than 19: unreadable, kept
    ASSERT_EQ(loadSettings(&settings), 1);
    expectDefaultSettings("values too large");
    EXPECT_EQ(calibRaw[0], 150);
    auto key = readKey();
    EXPECT_EQ(stored(key, "Junk"), bigData);
    EXPECT_EQ(stored(key, "LagTimeBig"), bigData);
    EXPECT_EQ(stored(key, longName), "1");
    EXPECT_EQ(stored(key, longLagTime), "30");
    EXPECT_EQ(stored(key, "Ouhe"), "1");
    EXPECT_EQ(stored(key, "LagTime"), "10");
    EXPECT_EQ(stored(key, "Save"), "1");
    EXPECT_EQ(stored(key, "P1X"), std::string(150, '\0') + "0150") << "read, not rewritten";
    EXPECT_EQ(key.count("Zz"), 0u);
    EXPECT_EQ(stored(key, "Zy"), std::string(25, 'y'));
    EXPECT_EQ(stored(key, "P2X"), "9999");
}

TEST_F(SettingsStore, WrittenNamesHaveTheirOwnCase) {
    // An unreadable "save" is replaced by the default under the name "Save"; a saved "LagTime"
    // replaces a "lagtime" put there in between.
    put("save", std::string(250, '1'));
    ASSERT_EQ(loadSettings(&settings), 1);
    put("lagtime", "33");
    SettingsRecord record;
    record.lagTime = 44;
    record.showPaletteAtStart = 1;
    record.smoothingPeriod = 2;
    saveSettings(&record);
    auto key = readKey();
    EXPECT_EQ(stored(key, "Save"), "1");
    EXPECT_EQ(stored(key, "LagTime"), "44");
    EXPECT_EQ(key.count("save") + key.count("lagtime"), 0u);
}

TEST_F(SettingsStore, KeyThatCannotBeOpened) {
    // No key at all under the scratch HKCU.
    calibState = CALIB_NONE;
    EXPECT_EQ(loadSettings(&settings), 0);
    expectDefaultSettings("no key");
    expectUncalibrated("no key");
    SettingsRecord record;
    saveSettings(&record);
    const int32_t points[8] = {};
    saveCalibrationPoints(points);
    EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, TOLVEX_KEY)) << "nothing is created";
}
