#pragma once
// How often the reader asks the sensor for a point while no finger is down. Right after a touch it
// asks about 125 times a second, so the next touch is seen within a few milliseconds; once the
// board has gone REST_AFTER_MS without a touch it asks about 40 times a second, which lets the USB
// link and the processor reach their low-power states on a laptop. The first point of a touch is
// then seen at most RESTING_ROUND_MS - AWAKE_ROUND_MS later than right after a touch; from that
// point on the reader polls as fast as the sensor answers, as at any time with a finger down.
//
// Times are ticks of a millisecond counter that wraps at 2^32 (the system's tick count): only
// differences of ticks are taken, so a wrap between two of them counts like any other millisecond.

#include <cstdint>

constexpr uint32_t AWAKE_ROUND_MS = 8;      // shortest round without a finger, until the board rests
constexpr uint32_t RESTING_ROUND_MS = 25;   // shortest round without a finger once it rests
constexpr uint32_t REST_AFTER_MS = 5000;    // without a touch this long, the board rests
constexpr uint32_t REST_NEVER = UINT32_MAX; // as restAfterMs: the board never rests

struct RestPace {
    uint32_t lastTouchTick = 0; // the last round that saw a finger (or the start)
    bool resting = false;       // REST_AFTER_MS ran out since then: stays so until the next touch
};

// A round saw a finger (or the reader starts): the board is awake again from `now`.
void restNoteTouch(RestPace& pace, uint32_t now);

// The shortest round without a finger at `now`: AWAKE_ROUND_MS until restAfterMs have passed since
// the last touch, RESTING_ROUND_MS from then until the next touch (however long the rest lasts, even
// past a wrap of the counter back to the last touch's tick).
uint32_t restRoundMs(RestPace& pace, uint32_t now, uint32_t restAfterMs = REST_AFTER_MS);
