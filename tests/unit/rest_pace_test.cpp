// The reader's pace without a finger: awake for five seconds after a touch, resting after that,
// awake again at the next touch, whatever the tick counter does in between.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "touch/core/rest_pace.h"

namespace {

// The round the rule gives at each of the ticks, in order, as one string ("8 8 25").
std::string roundsAt(RestPace& pace, const std::vector<uint32_t>& ticks,
                     uint32_t restAfterMs = REST_AFTER_MS) {
    std::string out;
    for (uint32_t t : ticks)
        out += (out.empty() ? "" : " ") + std::to_string(restRoundMs(pace, t, restAfterMs));
    return out;
}

TEST(RestPace, AwakeForFiveSecondsAfterATouchThenRestingUntilTheNextTouch) {
    RestPace pace;
    restNoteTouch(pace, 1000);
    EXPECT_EQ(roundsAt(pace, {1000, 1008, 5999, 5999}), "8 8 8 8");
    EXPECT_EQ(roundsAt(pace, {6000, 6025, 60000, 3600000}), "25 25 25 25") << "rests from 5000 ms on";
    restNoteTouch(pace, 3600010);
    EXPECT_EQ(roundsAt(pace, {3600010, 3600020, 3605009}), "8 8 8") << "a touch wakes it at once";
    EXPECT_EQ(roundsAt(pace, {3605010}), "25");
}

TEST(RestPace, ATouchDuringTheFiveSecondsStartsThemAgain) {
    RestPace pace;
    restNoteTouch(pace, 0);
    EXPECT_EQ(roundsAt(pace, {4999}), "8");
    restNoteTouch(pace, 4999);
    EXPECT_EQ(roundsAt(pace, {5000, 9998}), "8 8");
    EXPECT_EQ(roundsAt(pace, {9999}), "25");
}

TEST(RestPace, TheTickCounterWrappingNeitherWakesNorRestsTheBoard) {
    RestPace pace;
    restNoteTouch(pace, UINT32_MAX - 2000);
    EXPECT_EQ(roundsAt(pace, {UINT32_MAX, 0, 2998}), "8 8 8") << "3 s across the wrap: still awake";
    EXPECT_EQ(roundsAt(pace, {2999}), "25") << "5 s across the wrap";
    // A rest longer than the counter's whole span (49.7 days) comes back to the touch's own tick:
    // still resting.
    EXPECT_EQ(roundsAt(pace, {0x7FFFFFFF, UINT32_MAX - 2000, UINT32_MAX - 1000}), "25 25 25");
}

TEST(RestPace, ARestTimeOfNeverKeepsTheBoardAwakeAndAShorterOneRestsSooner) {
    RestPace pace;
    restNoteTouch(pace, 0);
    EXPECT_EQ(roundsAt(pace, {6000}), "25");
    EXPECT_EQ(roundsAt(pace, {7000, 100000000}, REST_NEVER), "8 8") << "switched off: awake at once";
    restNoteTouch(pace, 200);
    EXPECT_EQ(roundsAt(pace, {499, 500}, 300), "8 25");
}

} // namespace
