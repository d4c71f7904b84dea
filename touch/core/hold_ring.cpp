#include "touch/core/hold_ring.h"

#include "win32/core/dpi_scale.h"

#include <cmath>

#include "touch/core/gesture.h"

int32_t holdRingStep(int32_t touchState, uint32_t sinceDownMs, uint32_t sinceHoldMs) {
    if (touchState == TOUCH_HOLD)
        return sinceHoldMs < RING_CLOSED_MS ? RING_STEPS : 0;
    if (touchState != TOUCH_DOWN || sinceDownMs < RING_DELAY_MS)
        return 0;
    const int64_t step = int64_t{sinceDownMs} * RING_STEPS / TOUCH_HOLD_MS;
    return step >= RING_STEPS ? RING_STEPS - 1 : static_cast<int32_t>(step);
}

int32_t holdRingSize(int32_t dpi) {
    return scaledForDpi(RING_SIZE, dpi);
}

void renderHoldRing(int32_t step, uint32_t* pixels, int32_t dpi) {
    const double pi = 3.14159265358979323846;
    const int32_t side = holdRingSize(dpi);
    const double scale = double(knownDpi(dpi)) / BASE_DPI;
    // The diameter is scaled as every size is, so that it counts whole pixels at any scale.
    const double radius = (scaledForDpi(RING_DIAMETER, dpi) - 1) / 2.0, halfBand = RING_HALF_BAND * scale,
                 edge = RING_EDGE * scale;
    const double centre = side / 2.0;
    const double sweep = 2 * pi * (step < 0 ? 0 : step > RING_STEPS ? RING_STEPS : step) / RING_STEPS;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double off = std::fabs(r - radius);
            // Clockwise from twelve o'clock, 0 .. 2 pi, with y growing downwards.
            double angle = std::atan2(dx, -dy);
            if (angle < 0)
                angle += 2 * pi;
            const bool closed = step >= RING_STEPS;
            const bool onArc = closed || angle < sweep;
            // The white edge also caps both ends of an open arc, so they show on dark ground too.
            const double cap = edge / (r > 1 ? r : 1);
            const bool onCap = !closed && (angle < sweep + cap || angle > 2 * pi - cap);
            uint32_t colour = 0;
            if (onArc && off <= halfBand)
                colour = RING_DARK;
            else if ((onArc || onCap) && off <= halfBand + edge)
                colour = RING_WHITE;
            pixels[y * side + x] = colour;
        }
}
