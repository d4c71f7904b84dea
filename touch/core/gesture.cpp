#include "touch/core/gesture.h"

#include <cstdlib>

namespace {

// The button events, each a move to its point as well.
uint32_t primaryDown(const PointerOutput& out) {
    return MOUSE_MOVE | (out.buttonsSwapped() ? MOUSE_RIGHT_DOWN : MOUSE_LEFT_DOWN);
}
uint32_t primaryUp(const PointerOutput& out) {
    return MOUSE_MOVE | (out.buttonsSwapped() ? MOUSE_RIGHT_UP : MOUSE_LEFT_UP);
}
uint32_t secondaryDown(const PointerOutput& out) {
    return MOUSE_MOVE | (out.buttonsSwapped() ? MOUSE_LEFT_DOWN : MOUSE_RIGHT_DOWN);
}
uint32_t secondaryUp(const PointerOutput& out) {
    return MOUSE_MOVE | (out.buttonsSwapped() ? MOUSE_LEFT_UP : MOUSE_RIGHT_UP);
}

// The smoothed step of a drag: each move covers smoothFactor of the way from the previous position
// to the newest point.
void dragStep(TouchTrack& track, const PointerOutput& out, MousePoint& pMouse, float smoothFactor) {
    const double f = smoothFactor;
    pMouse.x = static_cast<int32_t>(pMouse.x * f + (1.0 - f) * static_cast<double>(track.lastX));
    pMouse.y = static_cast<int32_t>(pMouse.y * f + (1.0 - f) * static_cast<double>(track.lastY));
    track.lastX = static_cast<float>(pMouse.x);
    track.lastY = static_cast<float>(pMouse.y);
    out.mouseEvent(MOUSE_MOVE, pMouse.x, pMouse.y);
}

} // namespace

void trackTouch(TouchTrack& track, const PointerOutput& out, int32_t x, int32_t y, MousePoint& pMouse,
                float smoothFactor) {
    switch (track.touchState) {
    case TOUCH_NONE:
        track.touchState = TOUCH_DOWN;
        track.downPoint = {x, y};
        track.downTick = out.tickCount();
        out.setCursorPos(x, y);
        track.lastX = static_cast<float>(pMouse.x);
        track.lastY = static_cast<float>(pMouse.y);
        break;
    case TOUCH_DOWN: {
        const int32_t dx = std::abs(x - track.downPoint.x);
        const int32_t dy = std::abs(y - track.downPoint.y);
        if (dx > TOUCH_MOVE_THRESHOLD || dy > TOUCH_MOVE_THRESHOLD) {
            track.touchState = TOUCH_DRAG;
            out.mouseEvent(primaryDown(out), static_cast<int32_t>(track.lastX),
                           static_cast<int32_t>(track.lastY));
            dragStep(track, out, pMouse, smoothFactor);
        } else if (static_cast<uint32_t>(out.tickCount() - track.downTick) > TOUCH_HOLD_MS) {
            track.touchState = TOUCH_HOLD;
            out.mouseEvent(secondaryDown(out), static_cast<int32_t>(track.lastX),
                           static_cast<int32_t>(track.lastY));
        }
        break;
    }
    case TOUCH_DRAG:
        dragStep(track, out, pMouse, smoothFactor);
        break;
    default: // TOUCH_HOLD: the cursor stays while the secondary button is down
        break;
    }
}

MousePoint pointerPlace(const TouchTrack& track) {
    return {static_cast<int32_t>(track.lastX), static_cast<int32_t>(track.lastY)};
}

void releaseTouch(const PointerOutput& out, int32_t state, int32_t x, int32_t y) {
    switch (state) {
    case TOUCH_DOWN:
        out.mouseEvent(primaryDown(out), x, y);
        out.sleepMs(TOUCH_CLICK_PAUSE_MS);
        out.mouseEvent(primaryUp(out), x, y);
        break;
    case TOUCH_DRAG:
        out.mouseEvent(primaryUp(out), x, y);
        break;
    case TOUCH_HOLD:
        // The secondary button went down when the hold began; it is pressed once more, then let go.
        out.mouseEvent(secondaryDown(out), x, y);
        out.sleepMs(TOUCH_CLICK_PAUSE_MS);
        out.mouseEvent(secondaryUp(out), x, y);
        break;
    default:
        break;
    }
}

float smoothFactorFor(int32_t smoothingPeriod) {
    if (smoothingPeriod < 1)
        smoothingPeriod = 1;
    if (smoothingPeriod > 20)
        smoothingPeriod = 20;
    return static_cast<float>(2.0 / (smoothingPeriod + 1.0));
}
