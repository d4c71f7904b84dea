#pragma once
// When the sensor is polled and when its handles are open, from what the system says about power
// and about this session. Polling needs the machine awake and the sensor open; the sensor is open
// only while this session is unlocked and at the console, so that with several users logged on
// only the one in front of the board polls it, and a locked machine polls nothing.
#include <cstdint>

enum LinkEvent : int32_t {
    LINK_SUSPEND,            // the machine is about to sleep
    LINK_RESUME,             // it woke up
    LINK_LOCK,               // this session was locked
    LINK_UNLOCK,             // ... and unlocked
    LINK_CONSOLE_DISCONNECT, // another session took the console (a user switch)
    LINK_CONSOLE_CONNECT,    // this session has the console again
};

struct LinkConditions {
    bool suspended = false;
    bool locked = false;
    bool disconnected = false;
};

// What the program does about an event.
enum LinkAction : int32_t {
    LINK_KEEP,         // nothing changes
    LINK_PAUSE,        // release a held button and stop polling; the handles stay open
    LINK_RESUME_CHECK, // poll again, after checking at once that the sensor is still there
    LINK_CLOSE,        // release a held button, stop polling and close the sensor's handles
    LINK_REOPEN,       // open the sensor's handles again (and poll, when pollingWanted)
};

bool sensorWanted(const LinkConditions& conditions);  // the handles are open
bool pollingWanted(const LinkConditions& conditions); // the reader polls

// Records the event in `conditions` and returns what it means for the sensor. A repeated event
// (two locks) changes nothing; waking up while locked leaves the sensor closed until the unlock.
LinkAction applyLinkEvent(LinkConditions& conditions, LinkEvent event);

// Waking up: a sensor behind a USB port that sleep powered down is removed during the resume and
// comes back a moment later, on its own. A loss of the sensor within WAKE_SETTLE_MS of a wake is
// therefore first given WAKE_RETURN_MS to come back before the user is told, as a sensor that
// answers late is given its grace before it counts as lost.
constexpr uint32_t WAKE_SETTLE_MS = 5000;
constexpr uint32_t WAKE_RETURN_MS = 3000;

struct WakeRecord {
    bool woken = false;  // the machine has woken up since the program started
    uint32_t wokeAt = 0; // the tick count of the last wake
};

// A loss of the sensor found at tick `now` waits for the sensor to come back (the tick count may
// have wrapped around since the wake).
bool lossAwaitsReturn(const WakeRecord& wake, uint32_t now);
