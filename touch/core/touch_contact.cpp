#include "touch/core/touch_contact.h"

#include <cmath>

namespace {

int32_t clampTo(int32_t v, int32_t low, int32_t high) {
    return v < low ? low : (v > high ? high : v);
}

// A square of CONTACT_AREA_HALF pixels around (x, y), cut to the bounds: a contact area reaching
// off the desktop would make the frame invalid.
ContactBounds areaAround(int32_t x, int32_t y, const ContactBounds& b) {
    return {clampTo(x - CONTACT_AREA_HALF, b.left, b.right), clampTo(y - CONTACT_AREA_HALF, b.top, b.bottom),
            clampTo(x + CONTACT_AREA_HALF + 1, b.left, b.right),
            clampTo(y + CONTACT_AREA_HALF + 1, b.top, b.bottom)};
}

// A time stamp after the last frame's: the next tick, waited for if need be.
uint32_t nextTime(const TouchContact& contact, const TouchOutput& out) {
    uint32_t t = out.tickCount();
    while (contact.anyFrame && t == contact.lastTime) {
        out.sleepMs(1);
        t = out.tickCount();
    }
    return t;
}

ContactOutcome send(TouchContact& contact, const TouchOutput& out, uint32_t flags, int32_t x, int32_t y,
                    uint32_t time) {
    const TouchFrame frame = {flags, CONTACT_ID, x, y, areaAround(x, y, contact.bounds), time};
    if (!out.inject(frame))
        return CONTACT_REFUSED;
    contact.x = x;
    contact.y = y;
    contact.lastTime = time;
    contact.lastClock = out.clockMs();
    contact.anyFrame = true;
    return CONTACT_INJECTED;
}

// Ends the contact with a cancelled up where the last frame was; what the system answers changes
// nothing, the contact is gone either way.
void cancelAt(TouchContact& contact, const TouchOutput& out, uint32_t time) {
    send(contact, out, CONTACT_CANCEL_FLAGS, contact.x, contact.y, time);
    contact.state = CONTACT_NONE;
}

// The system lets a contact expire when no frame came for CONTACT_EXPIRY_MS: continuing it would
// only be refused. Measured on the fine clock, not on the tick count's 15.6 ms steps.
bool expired(const TouchContact& contact, const TouchOutput& out) {
    return out.clockMs() - contact.lastClock > CONTACT_EXPIRY_MS;
}

// An update at (x, y), or nothing in the last frame's millisecond.
ContactOutcome update(TouchContact& contact, const TouchOutput& out, int32_t x, int32_t y) {
    if (contact.state != CONTACT_TOUCHING)
        return CONTACT_SKIPPED;
    const uint32_t now = out.tickCount();
    if (expired(contact, out)) {
        cancelAt(contact, out, nextTime(contact, out));
        return CONTACT_EXPIRED;
    }
    if (now == contact.lastTime)
        return CONTACT_SKIPPED;
    return send(contact, out, CONTACT_UPDATE_FLAGS, x, y, now);
}

} // namespace

ContactOutcome contactDown(TouchContact& contact, const TouchOutput& out, int32_t x, int32_t y,
                           const ContactBounds& bounds) {
    if (contact.state == CONTACT_TOUCHING)
        return contactMove(contact, out, x, y, 1.0f);
    contact.bounds = bounds;
    const ContactOutcome sent = send(contact, out, CONTACT_DOWN_FLAGS, x, y, nextTime(contact, out));
    if (sent != CONTACT_INJECTED)
        return sent;
    contact.state = CONTACT_TOUCHING;
    contact.smoothX = x;
    contact.smoothY = y;
    return sent;
}

ContactOutcome contactMove(TouchContact& contact, const TouchOutput& out, int32_t x, int32_t y,
                           float smoothFactor) {
    if (contact.state != CONTACT_TOUCHING)
        return CONTACT_SKIPPED;
    const double f = smoothFactor;
    contact.smoothX = x * f + (1.0 - f) * contact.smoothX;
    contact.smoothY = y * f + (1.0 - f) * contact.smoothY;
    return update(contact, out, static_cast<int32_t>(std::lround(contact.smoothX)),
                  static_cast<int32_t>(std::lround(contact.smoothY)));
}

ContactOutcome contactKeepAlive(TouchContact& contact, const TouchOutput& out) {
    return update(contact, out, contact.x, contact.y);
}

ContactOutcome contactLift(TouchContact& contact, const TouchOutput& out) {
    if (contact.state != CONTACT_TOUCHING)
        return CONTACT_SKIPPED;
    const uint32_t now = nextTime(contact, out);
    if (expired(contact, out)) {
        cancelAt(contact, out, now);
        return CONTACT_EXPIRED;
    }
    if (send(contact, out, CONTACT_UP_FLAGS, contact.x, contact.y, now) == CONTACT_INJECTED) {
        contact.state = CONTACT_NONE;
        return CONTACT_INJECTED;
    }
    // Refused (the system not ready, or it had cancelled the contact already): a cancelled up
    // ends what may still be down; refused too, it changes nothing.
    cancelAt(contact, out, now);
    return CONTACT_REFUSED;
}

uint32_t contactMsUntilKeepAlive(const TouchContact& contact, const TouchOutput& out) {
    if (contact.state != CONTACT_TOUCHING)
        return UINT32_MAX;
    const double left = contact.lastClock + CONTACT_KEEPALIVE_MS - out.clockMs();
    return left <= 0 ? 0 : static_cast<uint32_t>(std::ceil(left));
}

ContactOutcome contactCancel(TouchContact& contact, const TouchOutput& out) {
    if (contact.state != CONTACT_TOUCHING)
        return CONTACT_SKIPPED;
    contact.state = CONTACT_NONE;
    return send(contact, out, CONTACT_CANCEL_FLAGS, contact.x, contact.y, nextTime(contact, out));
}
