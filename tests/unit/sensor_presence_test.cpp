// When the sensor is polled and open, through sleep, locks and user switches in the orders the
// system sends them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/sensor_presence.h"

namespace {

const char* actionName(LinkAction a) {
    switch (a) {
    case LINK_KEEP:
        return "keep";
    case LINK_PAUSE:
        return "pause";
    case LINK_RESUME_CHECK:
        return "resume";
    case LINK_CLOSE:
        return "close";
    case LINK_REOPEN:
        return "reopen";
    }
    return "?";
}

// The actions of a sequence of events, from a fresh start, as one line; then the state it ends in.
std::string run(const std::vector<LinkEvent>& events, LinkConditions* end = nullptr) {
    LinkConditions c;
    std::string trace;
    for (LinkEvent e : events) {
        trace += trace.empty() ? "" : " ";
        trace += actionName(applyLinkEvent(c, e));
    }
    trace +=
        std::string(" | ") + (sensorWanted(c) ? "open" : "closed") + (pollingWanted(c) ? " polling" : "");
    if (end)
        *end = c;
    return trace;
}

} // namespace

TEST(SensorPresence, AFreshStartPollsAnOpenSensor) {
    EXPECT_EQ(run({}), " | open polling");
}

TEST(SensorPresence, SleepPausesAndWakingChecksAndPolls) {
    EXPECT_EQ(run({LINK_SUSPEND, LINK_RESUME}), "pause resume | open polling");
    // A wake brings more than one resume message: only the first does anything.
    EXPECT_EQ(run({LINK_SUSPEND, LINK_RESUME, LINK_RESUME}), "pause resume keep | open polling");
    EXPECT_EQ(run({LINK_RESUME}), "keep | open polling") << "a resume without a sleep";
}

TEST(SensorPresence, ALockClosesTheSensorAndTheUnlockOpensIt) {
    EXPECT_EQ(run({LINK_LOCK, LINK_UNLOCK}), "close reopen | open polling");
    EXPECT_EQ(run({LINK_LOCK, LINK_LOCK, LINK_UNLOCK}), "close keep reopen | open polling");
    EXPECT_EQ(run({LINK_UNLOCK}), "keep | open polling") << "an unlock without a lock";
}

TEST(SensorPresence, ALockedMachineThatSleepsAndWakesStaysClosedUntilTheUnlock) {
    // Windows locks the session as it goes to sleep, and the user unlocks after the wake.
    EXPECT_EQ(run({LINK_LOCK, LINK_SUSPEND, LINK_RESUME, LINK_UNLOCK}),
              "close keep keep reopen | open polling");
    // Asleep before the lock came through.
    EXPECT_EQ(run({LINK_SUSPEND, LINK_LOCK, LINK_RESUME, LINK_UNLOCK}),
              "pause close keep reopen | open polling");
    // Unlocked while still marked asleep: open, but not polled before the wake.
    LinkConditions c;
    EXPECT_EQ(run({LINK_SUSPEND, LINK_LOCK, LINK_UNLOCK}, &c), "pause close reopen | open");
    EXPECT_EQ(applyLinkEvent(c, LINK_RESUME), LINK_RESUME_CHECK);
    EXPECT_TRUE(pollingWanted(c));
}

TEST(SensorPresence, AUserSwitchClosesTheSensorUntilThisUserIsBackAndUnlocked) {
    // Another user takes the console: this session is locked and leaves it; coming back it gets
    // the console first and is unlocked after.
    EXPECT_EQ(run({LINK_LOCK, LINK_CONSOLE_DISCONNECT, LINK_CONSOLE_CONNECT, LINK_UNLOCK}),
              "close keep keep reopen | open polling");
    EXPECT_EQ(run({LINK_CONSOLE_DISCONNECT, LINK_LOCK, LINK_UNLOCK, LINK_CONSOLE_CONNECT}),
              "close keep keep reopen | open polling")
        << "unlocked while still away from the console";
    EXPECT_EQ(run({LINK_CONSOLE_DISCONNECT, LINK_CONSOLE_CONNECT}), "close reopen | open polling");
}

// A loss soon after a wake waits for the sensor to come back; before any wake, or once the wake
// has settled, it is a loss at once. The tick count wraps around every 49.7 days, a wake just
// before the wrap included.
TEST(WakeLoss, OnlyALossSoonAfterAWakeWaits) {
    WakeRecord wake;
    EXPECT_FALSE(lossAwaitsReturn(wake, 0));
    EXPECT_FALSE(lossAwaitsReturn(wake, 1000)) << "no wake yet";
    wake = {true, 100000};
    EXPECT_TRUE(lossAwaitsReturn(wake, 100000));
    EXPECT_TRUE(lossAwaitsReturn(wake, 100000 + WAKE_SETTLE_MS - 1));
    EXPECT_FALSE(lossAwaitsReturn(wake, 100000 + WAKE_SETTLE_MS));
    EXPECT_FALSE(lossAwaitsReturn(wake, 100000 + 3600000));
    wake = {true, 0xFFFFF000u}; // 4096 ms before the wrap
    EXPECT_TRUE(lossAwaitsReturn(wake, 0x00000100u));
    EXPECT_FALSE(lossAwaitsReturn(wake, 0xFFFFF000u + WAKE_SETTLE_MS));
    EXPECT_FALSE(lossAwaitsReturn(wake, 0xFFFFEFFFu)) << "a tick read before the wake";
}
