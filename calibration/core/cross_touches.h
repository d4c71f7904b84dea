#pragma once
// The rules of a calibration capture: which touches become calibration points, whether four
// points make a calibration worth installing, and whether the check touch at the screen's centre
// confirms it.

#include <cstdint>

constexpr uint32_t CAPTURE_GAP_MS = 700;       // a point is taken only this long after the one before
constexpr int32_t CAPTURE_MIN_DISTANCE = 20;   // sensor units between any two of the four points
constexpr int32_t CAPTURE_CHECK_INDEX = 4;     // the check cross, shown once the four corners pass
constexpr int32_t CHECK_TOLERANCE_PERCENT = 2; // of the screen's diagonal, around the check cross

// The capture's own state, owned by the reader thread. Points are in cross order: top left, top
// right, bottom left, bottom right, each as x, y (the layout of calibRaw).
struct CaptureTrack {
    int32_t pDingweiTem[8] = {};
    int32_t pCheck[2] = {};    // the check touch, x and y
    uint32_t dTimeDingwei = 0; // tick count of the last accepted point
    bool needLift = false;     // after a rejected capture: take nothing until the finger is lifted
};

enum CaptureOffer {
    CAPTURE_IGNORED = 0,  // nothing stored
    CAPTURE_STORED = 1,   // stored in the slot of the current cross, not yet accepted
    CAPTURE_ACCEPTED = 2, // accepted: the caller advances the cross
};

// A valid sensor point (x, y) read at tick `now` while `index` (0..3, or CAPTURE_CHECK_INDEX) is the
// current cross. The first cross takes its point at once, every later one and the check only more
// than 700 ms after the last acceptance; until then each point overwrites the slot (pCheck for the
// check).
CaptureOffer offerCapturePoint(CaptureTrack& track, int32_t index, int32_t x, int32_t y, uint32_t now);

// A round that found no touch (failed exchange or no valid point).
void captureNoTouch(CaptureTrack& track);

// A rejected capture: start again at the first cross, and only with a new touch.
void restartCapture(CaptureTrack& track);

// The four corners passed: the check point is taken only with a new touch, so that a finger left
// on the fourth cross is not read as a touch at the centre.
void awaitCheckPoint(CaptureTrack& track);

// The check: the check touch, mapped with the new calibration to pixel (x, y), lies within
// CHECK_TOLERANCE_PERCENT of the screen's diagonal (width x height) of the check cross at
// (crossX, crossY). Exact in integers, the limit itself included.
bool checkPointAccurate(int32_t x, int32_t y, int32_t crossX, int32_t crossY, int32_t width, int32_t height);

// The shape tests of a finished capture: the four points, taken around the outline (top left, top
// right, bottom right, bottom left), form a strictly convex quadrilateral in either orientation, and
// every two of them are at least CAPTURE_MIN_DISTANCE apart. An outline that crosses itself, three
// points on a line or a point taken twice fail.
bool captureShapeAcceptable(const int32_t points[8]);
