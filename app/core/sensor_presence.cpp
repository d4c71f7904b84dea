#include "app/core/sensor_presence.h"

bool sensorWanted(const LinkConditions& conditions) {
    return !conditions.locked && !conditions.disconnected;
}

bool pollingWanted(const LinkConditions& conditions) {
    return sensorWanted(conditions) && !conditions.suspended;
}

LinkAction applyLinkEvent(LinkConditions& conditions, LinkEvent event) {
    const bool openBefore = sensorWanted(conditions), pollBefore = pollingWanted(conditions);
    switch (event) {
    case LINK_SUSPEND:
        conditions.suspended = true;
        break;
    case LINK_RESUME:
        conditions.suspended = false;
        break;
    case LINK_LOCK:
        conditions.locked = true;
        break;
    case LINK_UNLOCK:
        conditions.locked = false;
        break;
    case LINK_CONSOLE_DISCONNECT:
        conditions.disconnected = true;
        break;
    case LINK_CONSOLE_CONNECT:
        conditions.disconnected = false;
        break;
    }
    const bool openAfter = sensorWanted(conditions), pollAfter = pollingWanted(conditions);
    if (openBefore != openAfter)
        return openAfter ? LINK_REOPEN : LINK_CLOSE;
    if (pollBefore != pollAfter)
        return pollAfter ? LINK_RESUME_CHECK : LINK_PAUSE;
    return LINK_KEEP;
}

bool lossAwaitsReturn(const WakeRecord& wake, uint32_t now) {
    return wake.woken && uint32_t(now - wake.wokeAt) < WAKE_SETTLE_MS;
}
