#include "calibration/core/cross_touches.h"

CaptureOffer offerCapturePoint(CaptureTrack& track, int32_t index, int32_t x, int32_t y, uint32_t now) {
    if (index < 0 || index > CAPTURE_CHECK_INDEX)
        return CAPTURE_IGNORED;
    if (track.needLift)
        return CAPTURE_IGNORED;
    int32_t* slot = index == CAPTURE_CHECK_INDEX ? track.pCheck : track.pDingweiTem + 2 * index;
    slot[0] = x;
    slot[1] = y;
    if (index != 0 && static_cast<uint32_t>(now - track.dTimeDingwei) <= CAPTURE_GAP_MS)
        return CAPTURE_STORED;
    track.dTimeDingwei = now;
    return CAPTURE_ACCEPTED;
}

void captureNoTouch(CaptureTrack& track) {
    track.needLift = false;
}

void restartCapture(CaptureTrack& track) {
    track.needLift = true;
}

void awaitCheckPoint(CaptureTrack& track) {
    track.needLift = true;
}

bool checkPointAccurate(int32_t x, int32_t y, int32_t crossX, int32_t crossY, int32_t width, int32_t height) {
    // distance <= p/100 * diagonal, squared and multiplied out: 100^2 d^2 <= p^2 (w^2 + h^2).
    const int64_t dx = int64_t{x} - crossX, dy = int64_t{y} - crossY;
    const int64_t p = CHECK_TOLERANCE_PERCENT;
    return 10000 * (dx * dx + dy * dy) <= p * p * (int64_t{width} * width + int64_t{height} * height);
}

bool captureShapeAcceptable(const int32_t points[8]) {
    // Around the outline: slots 0 (top left), 1 (top right), 3 (bottom right), 2 (bottom left).
    const int order[4] = {0, 1, 3, 2};
    int64_t px[4], py[4];
    for (int i = 0; i < 4; ++i) {
        px[i] = points[2 * order[i]];
        py[i] = points[2 * order[i] + 1];
    }
    for (int i = 0; i < 4; ++i)
        for (int j = i + 1; j < 4; ++j) {
            const int64_t dx = px[i] - px[j], dy = py[i] - py[j];
            if (dx * dx + dy * dy < int64_t{CAPTURE_MIN_DISTANCE} * CAPTURE_MIN_DISTANCE)
                return false;
        }
    // Strictly convex and simple: every turn has the same sign, and the outline goes round once
    // (a self-crossing "bow tie" has turns of both signs; a star would need more than four points).
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
        const int a = i, b = (i + 1) % 4, c = (i + 2) % 4;
        const int64_t cross = (px[b] - px[a]) * (py[c] - py[b]) - (py[b] - py[a]) * (px[c] - px[b]);
        if (cross == 0)
            return false;
        const int s = cross > 0 ? 1 : -1;
        if (sign != 0 && s != sign)
            return false;
        sign = s;
    }
    return true;
}
