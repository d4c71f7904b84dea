#pragma once
// The ring shown around a touch held still: it tells the user when the hold will become a click of
// the secondary button. It appears 300 ms after touch-down, closes as the 1000 ms of the hold run
// out, stays closed for 150 ms once the secondary button went down, and goes away at once when the
// touch lifts or becomes a drag. The reader thread decides what the ring shows; the GUI thread draws
// it.

#include <cstdint>

constexpr uint32_t RING_DELAY_MS = 300;  // no ring for a touch younger than this (a tap shows none)
constexpr uint32_t RING_CLOSED_MS = 150; // the closed ring stays this long after the hold began
constexpr int32_t RING_STEPS = 40;       // the circle is closed in this many steps

// The ring's bitmap: RING_SIZE x RING_SIZE pixels centred on the touch. The dark band is 3 pixels
// wide around a diameter of 40, with a white edge of one pixel on either side. All at 96 DPI: at
// another scale every one of these lengths is that much larger (holdRingSize, renderHoldRing).
constexpr int RING_SIZE = 48;
constexpr int RING_DIAMETER = 40;          // from the middle of the band to the middle across, pixels
constexpr double RING_RADIUS = 19.5;       // the middle of the dark band: (RING_DIAMETER - 1) / 2
constexpr double RING_HALF_BAND = 1.5;     // the dark band: RING_RADIUS +- this
constexpr double RING_EDGE = 1.0;          // white beyond the band on both sides
constexpr uint32_t RING_DARK = 0xFF404040; // opaque dark grey, 0xAARRGGBB
constexpr uint32_t RING_WHITE = 0xFFFFFFFF;

// What the ring shows for the touch in `touchState` (a TouchState): 0 nothing, else the closed part
// of the circle in steps of 1 / RING_STEPS. sinceDownMs counts from touch-down; sinceHoldMs from
// the moment the touch became a hold (read only in TOUCH_HOLD). Before the hold the ring shows the
// part of the 1000 ms that has passed, but never closed.
int32_t holdRingStep(int32_t touchState, uint32_t sinceDownMs, uint32_t sinceHoldMs);

// The side of the ring's bitmap at dpi: RING_SIZE scaled (72 at 144 DPI).
int32_t holdRingSize(int32_t dpi);

// Draws the ring closed `step` of RING_STEPS, clockwise from twelve o'clock, into pixels
// (holdRingSize(dpi) squared, rows top-down, 0xAARRGGBB with alpha premultiplied). A pixel is either
// fully the ring's or fully clear (0): where layered windows are shown without blending, as under
// Wine without a compositor, a partly clear pixel would show as a dark fringe.
void renderHoldRing(int32_t step, uint32_t* pixels, int32_t dpi = 96);
