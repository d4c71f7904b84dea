#pragma once
// The rules of a calibration capture: which touches become calibration points, and whether four
// points make a calibration worth installing.

#include <cstdint>

constexpr uint32_t CAPTURE_GAP_MS = 700;     // a point is taken only this long after the one before
constexpr int32_t CAPTURE_MIN_DISTANCE = 20; // sensor units between any two of the four points

// The capture's own state, owned by the reader thread. Points are in cross order: top left, top
// right, bottom left, bottom right, each as x, y (the layout of calibRaw).
struct CaptureTrack {
    int32_t pDingweiTem[8] = {};
    uint32_t dTimeDingwei = 0; // tick count of the last accepted point
    bool needLift = false;     // after a rejected capture: take nothing until the finger is lifted
};

enum CaptureOffer {
    CAPTURE_IGNORED = 0,  // nothing stored
    CAPTURE_STORED = 1,   // stored in the slot of the current cross, not yet accepted
    CAPTURE_ACCEPTED = 2, // accepted: the caller advances the cross
};

// A valid sensor point (x, y) read at tick `now` while `index` (0..3) is the current cross. The first
// cross takes its point at once, every later one only more than 700 ms after the last acceptance;
// until then each point overwrites the slot.
CaptureOffer offerCapturePoint(CaptureTrack& track, int32_t index, int32_t x, int32_t y, uint32_t now);

// A round that found no touch (failed exchange or no valid point).
void captureNoTouch(CaptureTrack& track);

// A rejected capture: start again at the first cross, and only with a new touch.
void restartCapture(CaptureTrack& track);

// The shape tests of a finished capture: the four points, taken around the outline (top left, top
// right, bottom right, bottom left), form a strictly convex quadrilateral in either orientation, and
// every two of them are at least CAPTURE_MIN_DISTANCE apart. An outline that crosses itself, three
// points on a line or a point taken twice fail.
bool captureShapeAcceptable(const int32_t points[8]);
