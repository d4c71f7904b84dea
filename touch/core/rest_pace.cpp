#include "touch/core/rest_pace.h"

void restNoteTouch(RestPace& pace, uint32_t now) {
    pace.lastTouchTick = now;
    pace.resting = false;
}

uint32_t restRoundMs(RestPace& pace, uint32_t now, uint32_t restAfterMs) {
    if (restAfterMs == REST_NEVER)
        pace.resting = false;
    else if (!pace.resting && now - pace.lastTouchTick >= restAfterMs)
        pace.resting = true;
    return pace.resting ? RESTING_ROUND_MS : AWAKE_ROUND_MS;
}
