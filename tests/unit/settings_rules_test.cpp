// The settings store's rules: text, number, name test, ranges, formatting, and the load decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/core/settings_rules.h"

namespace {

SnapshotValue value(const std::string& name, const std::string& data) {
    SnapshotValue v;
    v.name = name;
    v.data.assign(data.begin(), data.end());
    return v;
}

SnapshotValue unreadable() {
    SnapshotValue v;
    v.readable = false;
    return v;
}

const int32_t kUnmeasured[8] = {CALIB_NOT_MEASURED, CALIB_NOT_MEASURED, CALIB_NOT_MEASURED,
                                CALIB_NOT_MEASURED, CALIB_NOT_MEASURED, CALIB_NOT_MEASURED,
                                CALIB_NOT_MEASURED, CALIB_NOT_MEASURED};

std::string textOf(const std::string& data) {
    char text[MAX_VALUE_TEXT_LENGTH + 1];
    EXPECT_TRUE(textFromValueData(reinterpret_cast<const unsigned char*>(data.data()), data.size(), text));
    return text;
}

// The writes of a decision as name -> text (the last write to a name wins) and its deletions.
struct Changes {
    std::vector<std::pair<std::string, std::string>> writes;
    std::multiset<std::string> deleted;
    std::string lastWrite(const std::string& name) const {
        std::string text = "<none>";
        for (const auto& w : writes)
            if (w.first == name)
                text = w.second;
        return text;
    }
};
Changes changesOf(const LoadDecision& d) {
    Changes c;
    for (const RegistryChange& change : d.changes) {
        if (change.remove)
            c.deleted.insert(change.name);
        else
            c.writes.emplace_back(change.name, change.text);
    }
    return c;
}

// A complete, sound calibration as the key would hold it.
std::vector<SnapshotValue> calibratedKey() {
    return {value("P1X", "0150"), value("P1Y", "0100"), value("P2X", "0880"), value("P2Y", "0060"),
            value("P3X", "0120"), value("P3Y", "0700"), value("P4X", "0940"), value("P4Y", "0720")};
}

} // namespace

TEST(SettingsText, ZeroBytesLeftOutAndLengthLimited) {
    EXPECT_EQ(textOf(std::string("1\0", 2)), "1");
    EXPECT_EQ(textOf(std::string("\0"
                                 "5\0"
                                 "0",
                                 4)),
              "50");
    EXPECT_EQ(textOf(std::string(200, '\0')), "");
    EXPECT_EQ(textOf(std::string(19, '7') + std::string(100, '\0')), std::string(19, '7'));
    // A 4-byte number read as text: 0x35 is '5'.
    EXPECT_EQ(textOf(std::string("\x35\0\0\0", 4)), "5");
    char text[MAX_VALUE_TEXT_LENGTH + 1] = "old";
    std::string twenty(20, '1');
    EXPECT_FALSE(textFromValueData(reinterpret_cast<const unsigned char*>(twenty.data()), 20, text));
    EXPECT_STREQ(text, "");
}

TEST(SettingsText, NumberRule) {
    struct Case {
        const char* text;
        int32_t number;
    } cases[] = {
        {"5", 5},
        {"05", 5},
        {"  \t\n\v\f\r42", 42},
        {"+7", 7},
        {"-12", -12},
        {"12 34", 12},
        {"9x", 9},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"\x05", 0},
        {"0x10", 0},
        {" 0019", 19},
        {"\xA0"
         "5",
         0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", -2147483647 - 1},
        {"-0000000000000000000", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(numberFromText(c.text), c.number) << "text \"" << c.text << "\"";
}

TEST(SettingsNames, PrefixTestInOrderAndCase) {
    struct Case {
        const char* name;
        int setting;
    } cases[] = {
        {"LagTime", SETTING_LAG_TIME},  {"LagTimeX", SETTING_LAG_TIME},
        {"LagTime ", SETTING_LAG_TIME}, {"lagtime", SETTING_NONE},
        {"LagTim", SETTING_NONE},       {"LAGTIME", SETTING_NONE},
        {"Save", SETTING_SAVE},         {"Saved", SETTING_SAVE},
        {"save", SETTING_NONE},         {"Ouhe", SETTING_OUHE},
        {"Ouh", SETTING_NONE},          {"P1X", SETTING_P1X},
        {"P4X", SETTING_P4X},           {"P1Y", SETTING_P1Y},
        {"P4Yz", SETTING_P4Y},          {"P2Y", SETTING_P2Y},
        {"p1x", SETTING_NONE},          {"P5X", SETTING_NONE},
        {"P1", SETTING_NONE},           {"", SETTING_NONE},
        {" Save", SETTING_NONE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matchSettingName(c.name), c.setting) << "name \"" << c.name << "\"";
    EXPECT_EQ(calibRawIndex(SETTING_P1X), 0);
    EXPECT_EQ(calibRawIndex(SETTING_P1Y), 1);
    EXPECT_EQ(calibRawIndex(SETTING_P4X), 6);
    EXPECT_EQ(calibRawIndex(SETTING_P4Y), 7);
    EXPECT_EQ(calibRawIndex(SETTING_OUHE), -1);
}

TEST(SettingsFormat, WidthsAndCuts) {
    struct Case {
        int setting;
        int32_t value;
        const char* text;
    } cases[] = {
        {SETTING_LAG_TIME, 5, "05"}, {SETTING_LAG_TIME, 60, "60"}, {SETTING_LAG_TIME, 100, "10"},
        {SETTING_SAVE, 0, "0"},      {SETTING_SAVE, 1, "1"},       {SETTING_SAVE, 12, "1"},
        {SETTING_OUHE, 1, "01"},     {SETTING_OUHE, 20, "20"},     {SETTING_P1X, 512, "0512"},
        {SETTING_P1Y, 384, "0384"},  {SETTING_P2X, 7, "0007"},     {SETTING_P4Y, 12345, "1234"},
        {SETTING_P3X, -5, "-005"},   {SETTING_P3X, 9999, "9999"},
    };
    for (const Case& c : cases) {
        char out[16];
        size_t length = formatSettingText(c.setting, c.value, out);
        EXPECT_STREQ(out, c.text) << c.setting << " " << c.value;
        EXPECT_EQ(length, std::strlen(c.text));
    }
    EXPECT_STREQ(settingDefaultText(SETTING_LAG_TIME), "10");
    EXPECT_STREQ(settingDefaultText(SETTING_OUHE), "1");
    EXPECT_STREQ(settingDefaultText(SETTING_P2Y), "9999");
}

TEST(SettingsLoad, CorrectionUnderTheCanonicalNameIsSeenByALaterValue) {
    // "LagTimeX" 61 is corrected: "LagTime" becomes "10" in the key at once, so the "LagTime"
    // examined after it reads "10"; memory and key agree.
    LoadDecision d = decideLoad({value("LagTimeX", "61"), value("LagTime", "20")}, kUnmeasured);
    EXPECT_EQ(d.lagTime, 10);
    EXPECT_EQ(changesOf(d).lastWrite("LagTime"), "10");
    // The other way round the last value decides as well.
    d = decideLoad({value("LagTime", "20"), value("LagTimeX", "61")}, kUnmeasured);
    EXPECT_EQ(d.lagTime, 10);
    d = decideLoad({value("LagTime", "61"), value("LagTimeX", "20")}, kUnmeasured);
    EXPECT_EQ(d.lagTime, 20);
    // Names are one value in the registry whatever their case: the deletion of "lagtime" goes
    // before the write of "LagTime", or it would take the write with it.
    d = decideLoad({value("LagTimeX", "61"), value("lagtime", "5")}, kUnmeasured);
    ASSERT_GE(d.changes.size(), 2u);
    EXPECT_TRUE(d.changes[0].remove);
    EXPECT_EQ(d.changes[0].name, "lagtime");
    EXPECT_FALSE(d.changes[1].remove);
    EXPECT_EQ(d.changes[1].name, "LagTime");
}

TEST(SettingsLoad, DecisionDoesNotDependOnEnumerationOrder) {
    std::vector<SnapshotValue> key = calibratedKey();
    key.push_back(value("LagTime", "61"));
    key.push_back(value("Save", "abc"));
    key.push_back(value("Ouhe", "7"));
    key.push_back(value("lagtime", "5"));
    key.push_back(value("Junk", "1"));
    key.push_back(value("Zzz", ""));
    key.push_back(value("screen", "\\\\.\\DISPLAY3")); // not the name, by case: deleted
    key.push_back(value("Screen", std::string("\\\\.\\DISPLAY2\0", 13)));
    const std::string id =
        "\\\\?\\DISPLAY#EPS0A1B#5&2d0b7a5a&0&UID4353#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
    key.push_back(value("MonitorId", id + '\0')); // longer than any setting's text
    key.push_back(value("MonitorSize", "1280x800"));
    key.push_back(value("monitorsize", "1x1"));
    key.push_back(value("Touch", std::string("0\0", 2)));
    key.push_back(value("touch", "1")); // not the name, by case: deleted
    key.push_back(unreadable());
    std::mt19937 rng(3);
    for (int n = 0; n < 50; ++n) {
        std::shuffle(key.begin(), key.end(), rng);
        LoadDecision d = decideLoad(key, kUnmeasured);
        EXPECT_EQ(d.lagTime, 10);
        EXPECT_EQ(d.showPaletteAtStart, 0);
        EXPECT_EQ(d.smoothingPeriod, 7);
        EXPECT_EQ(d.calibState, CALIB_MAPPING);
        Changes c = changesOf(d);
        EXPECT_EQ(c.deleted,
                  (std::multiset<std::string>{"Junk", "Zzz", "lagtime", "monitorsize", "screen", "touch"}));
        EXPECT_EQ(c.lastWrite("LagTime"), "10");
        EXPECT_EQ(c.writes.size(), 1u);
        EXPECT_EQ(d.screen.device, "\\\\.\\DISPLAY2") << "the board's monitor is kept as it stands";
        EXPECT_EQ(d.screen.id, id);
        EXPECT_EQ(d.screen.width, 1280);
        EXPECT_EQ(d.screen.height, 800);
        EXPECT_FALSE(d.touch) << "\"Touch\" \"0\" is kept and read as the mouse";
    }
}

// "Touch" turns touch input off only with the text "0"; without it, or with anything else, touches
// go as touch. It gets no default written.
TEST(SettingsLoad, TouchIsOffOnlyForZero) {
    const std::pair<std::string, bool> cases[] = {
        {"0", false}, {std::string("0\0", 2), false}, {"1", true}, {"00", true}, {"", true}, {"no", true}};
    for (const auto& c : cases) {
        std::vector<SnapshotValue> key = calibratedKey();
        key.push_back(value("Touch", c.first));
        const LoadDecision d = decideLoad(key, kUnmeasured);
        EXPECT_EQ(d.touch, c.second) << "data of " << c.first.size() << " bytes: " << c.first.c_str();
        EXPECT_TRUE(changesOf(d).deleted.empty()) << "data of " << c.first.size() << " bytes";
    }
    const LoadDecision none = decideLoad(calibratedKey(), kUnmeasured);
    EXPECT_TRUE(none.touch);
    EXPECT_EQ(changesOf(none).lastWrite("Touch"), "<none>") << "no default for it";
}

// The screen the calibration was made on is taken when all three values describe one, and is
// otherwise not known; the values are kept either way and get no default.
TEST(SettingsLoad, TheCalibrationsScreenIsTakenWhole) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> values;
        CrossScreen taken;
    };
    const Case cases[] = {
        {{{"CalibWidth", "1920"}, {"CalibHeight", "1080"}, {"CalibDpi", "96"}}, {1920, 1080, 96}},
        {{{"CalibDpi", std::string("144\0", 4)}, {"CalibWidth", "1280"}, {"CalibHeight", "800"}},
         {1280, 800, 144}},
        {{{"CalibWidth", "1920"}, {"CalibHeight", "1080"}}, {0, 0, 0}},
        {{{"CalibWidth", "1920"}, {"CalibHeight", "abc"}, {"CalibDpi", "96"}}, {0, 0, 0}},
        {{{"CalibWidth", "-1920"}, {"CalibHeight", "1080"}, {"CalibDpi", "96"}}, {0, 0, 0}},
        {{{"CalibWidth", "1920"}, {"CalibHeight", "1080"}, {"CalibDpi", "0"}}, {0, 0, 0}},
        {{{"CalibWidth", "150"}, {"CalibHeight", "1080"}, {"CalibDpi", "144"}}, {0, 0, 0}}, // crosses crossed
        {{{"CalibWidth", "1920"}, {"CalibHeight", "1080"}, {"CalibDpi", "99999999999999999999"}}, {0, 0, 0}},
        {{{"calibwidth", "1920"}, {"CalibHeight", "1080"}, {"CalibDpi", "96"}}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        std::vector<SnapshotValue> key = calibratedKey();
        std::string shown;
        for (const auto& v : c.values) {
            key.push_back(value(v.first, v.second));
            shown += v.first + "=" + v.second.c_str() + " ";
        }
        const LoadDecision d = decideLoad(key, kUnmeasured);
        EXPECT_EQ(d.calibState, CALIB_MAPPING) << shown;
        EXPECT_EQ(d.calibScreen.width, c.taken.width) << shown;
        EXPECT_EQ(d.calibScreen.height, c.taken.height) << shown;
        EXPECT_EQ(d.calibScreen.dpi, c.taken.dpi) << shown;
        const Changes changes = changesOf(d);
        for (const char* name : {"CalibWidth", "CalibHeight", "CalibDpi"})
            EXPECT_EQ(changes.lastWrite(name), "<none>") << shown;
        const bool lowerCase = c.values[0].first == "calibwidth";
        EXPECT_EQ(changes.deleted.size(), lowerCase ? 1u : 0u) << shown;
    }
}

namespace {

// Random keys: names from the eleven, their extensions and shortenings, other letter case and
// junk bytes; data as numbers in every shape, binary, zero-padded and overlong.
struct KeyGenerator {
    std::mt19937 rng;
    explicit KeyGenerator(unsigned seed) : rng(seed) {}
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

    std::string junk(int maxLength, int lowest) {
        std::string s(pick(maxLength + 1), ' ');
        for (char& ch : s)
            ch = static_cast<char>(lowest + pick(256 - lowest));
        return s;
    }
    std::string name() {
        std::string base = settingValueName(pick(SETTING_COUNT));
        switch (pick(6)) {
        case 0:
        case 1:
            return base;
        case 2:
            return base + junk(6, 1);
        case 3:
            return base.substr(0, pick(static_cast<int>(base.size())));
        case 4: {
            std::string s = base;
            s[pick(static_cast<int>(s.size()))] ^= 0x20;
            return s;
        }
        default:
            return junk(12, 1);
        }
    }
    std::string data() {
        switch (pick(8)) {
        case 0:
            return std::to_string(pick(80) - 10);
        case 1:
            return std::to_string(pick(1024));
        case 2:
            return "9999";
        case 3:
            return std::string(pick(3), ' ') + (pick(2) ? "-" : "+") + std::to_string(pick(100000)) +
                   junk(3, 0);
        case 4:
            return junk(8, 0);
        case 5:
            return junk(200, 0); // binary, often longer than 19 characters
        case 6: {
            std::string s = std::to_string(pick(30));
            s.insert(static_cast<size_t>(pick(static_cast<int>(s.size()) + 1)), std::string(pick(4), '\0'));
            return s;
        }
        default:
            return std::string(pick(25), '9'); // overflows and overlong texts
        }
    }
    std::vector<SnapshotValue> key() {
        std::vector<SnapshotValue> key;
        int n = pick(16);
        for (int k = 0; k < n; ++k)
            key.push_back(pick(20) == 0 ? unreadable() : value(name(), data()));
        return key;
    }
};

// The number a readable value gives for its setting, or false when nothing is taken from it.
bool numberOf(const SnapshotValue& v, int32_t& number) {
    char text[MAX_VALUE_TEXT_LENGTH + 1];
    if (!textFromValueData(v.data.data(), v.data.size(), text))
        return false;
    number = numberFromText(text);
    return true;
}

} // namespace

TEST(SettingsLoad, RandomKeysProperty) {
    KeyGenerator gen(20261208);
    int calibrated = 0;
    for (int n = 0; n < 5000; ++n) {
        std::vector<SnapshotValue> key = gen.key();
        // Now and then a complete calibration among the junk.
        if (gen.pick(4) == 0)
            for (const SnapshotValue& v : calibratedKey())
                key.insert(key.begin() + gen.pick(static_cast<int>(key.size()) + 1), v);
        int32_t before[8];
        for (int32_t& b : before)
            b = gen.pick(3000);
        LoadDecision d = decideLoad(key, before);
        Changes c = changesOf(d);
        SCOPED_TRACE("key " + std::to_string(n));

        // Each of the eleven is taken from some matching value whose number is accepted, or
        // written with its default.
        bool allCoordinatesRead = true;
        for (int s = 0; s < SETTING_COUNT; ++s) {
            const std::string name = settingValueName(s);
            int32_t inMemory = 0;
            switch (s) {
            case SETTING_LAG_TIME:
                inMemory = d.lagTime;
                break;
            case SETTING_SAVE:
                inMemory = d.showPaletteAtStart;
                break;
            case SETTING_OUHE:
                inMemory = d.smoothingPeriod;
                break;
            default:
                inMemory = d.calibRaw[calibRawIndex(s)];
            }
            bool fromValue = false;
            for (const SnapshotValue& v : key) {
                int32_t number, kept;
                if (v.readable && matchSettingName(v.name.c_str()) == s && numberOf(v, number) &&
                    acceptSettingNumber(s, number, kept) && kept == inMemory)
                    fromValue = true;
            }
            bool defaulted = c.lastWrite(name) == settingDefaultText(s);
            if (calibRawIndex(s) < 0) {
                int32_t dflt = s == SETTING_LAG_TIME ? DEFAULT_LAG_TIME
                                                     : (s == SETTING_SAVE ? DEFAULT_SHOW_PALETTE_AT_START
                                                                          : DEFAULT_SMOOTHING_PERIOD);
                defaulted = defaulted && inMemory == dflt;
            } else {
                if (!d.seen[s]) {
                    EXPECT_EQ(inMemory, before[calibRawIndex(s)]) << name;
                    allCoordinatesRead = false;
                }
            }
            EXPECT_TRUE(fromValue || defaulted) << name << " = " << inMemory;
            if (!d.seen[s]) {
                EXPECT_TRUE(defaulted) << name << " not seen but not written with its default";
            }
        }

        // Writes go only to the eleven names and are digits; deletions are exactly the readable
        // values that answer to no name (an overlong text is unreadable and stays).
        for (const auto& w : c.writes) {
            EXPECT_NE(matchSettingName(w.first.c_str()), SETTING_NONE) << w.first;
            EXPECT_EQ(w.first, settingValueName(matchSettingName(w.first.c_str())));
            EXPECT_EQ(w.second, settingDefaultText(matchSettingName(w.first.c_str())));
        }
        std::multiset<std::string> unknown;
        int32_t ignored;
        for (const SnapshotValue& v : key)
            if (v.readable && matchSettingName(v.name.c_str()) == SETTING_NONE && numberOf(v, ignored))
                unknown.insert(v.name);
        EXPECT_EQ(c.deleted, unknown);

        // Calibrated exactly when all eight were read, none is unmeasured and the transform set up.
        bool noneUnmeasured = true; // of the coordinate values read, whichever came last
        for (const SnapshotValue& v : key) {
            int32_t number;
            if (v.readable && calibRawIndex(matchSettingName(v.name.c_str())) >= 0 && numberOf(v, number) &&
                number == CALIB_NOT_MEASURED)
                noneUnmeasured = false;
        }
        Vec3 points[4], weights;
        bool transform = setUpTransform(d.calibRaw, points, weights);
        EXPECT_EQ(d.calibState == CALIB_MAPPING, allCoordinatesRead && noneUnmeasured && transform);
        EXPECT_TRUE(d.calibState == CALIB_MAPPING || d.calibState == CALIB_NONE);
        if (d.calibState == CALIB_MAPPING) {
            ++calibrated;
            EXPECT_EQ(std::memcmp(points, d.sensorPoints, sizeof points), 0);
            EXPECT_EQ(std::memcmp(&weights, &d.weights, sizeof weights), 0);
        }
    }
    EXPECT_GT(calibrated, 100) << "the generator should reach complete calibrations";
}
