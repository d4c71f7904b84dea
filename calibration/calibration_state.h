#pragma once
// The calibration and the screen targets the reader thread maps touches with, shared by the GUI
// thread and the reader thread as static variables zeroed at load. The fields both threads touch are
// atomics (plain loads and stores). The reader thread publishes a finished calibration by writing
// the transform first (calibRaw, calibSensorPoints, calibWeights, storeCalibScreen) and storing
// calibState = CALIB_MAPPING with release order last; the GUI thread publishes the board monitor's
// size, crosses and placement as one snapshot (publishScreenTargets) that the reader reads whole.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"
#include "win32/core/board_monitor.h"

struct SharedPoint {
    std::atomic<int32_t> x{0};
    std::atomic<int32_t> y{0};
};

extern std::atomic<int32_t> screenWidth, screenHeight; // the board monitor's size: follow display changes
extern SharedPoint calibTargets[4];           // crosses: top-left, top-right, bottom-left, bottom-right
extern std::atomic<uint32_t> calibTargetsSeq; // odd while the GUI thread rewrites size and crosses
extern int32_t calibRaw[8];                   // P1X, P1Y, P2X, P2Y, P3X, P3Y, P4X, P4Y, or CALIB_NOT_MEASURED
extern Vec3 calibSensorPoints[4];             // calibRaw prepared for the transform
extern Vec3 calibWeights;                     // the plane vector
extern std::atomic<int32_t> calibState;       // CalibState: mapping, no calibration or capturing
extern std::atomic<int32_t> calibValid;       // CALIB_MAPPING when calibRaw holds a complete calibration
extern std::atomic<int32_t> calibPointIndex;  // next cross during a calibration, 0..4
// The screen calibRaw was made on: its size and DPI, all 0 when not known (a calibration stored
// without them). Written with calibRaw (the settings load before the reader starts, the reader as
// it installs a capture, before UM_CALIB_DONE) and read with it: by the reader for every touch it
// maps, by the settings store when it saves calibRaw.
void storeCalibScreen(const CrossScreen& screen);
CrossScreen readCalibScreen();

// The board monitor's size, the crosses on it and where it lies, as one consistent snapshot: the
// GUI thread rewrites them at a display change while the reader thread maps touches with them.
// width and height are those of screenWidth and screenHeight.
struct ScreenTargets {
    int32_t width, height;
    int32_t targets[4][2]; // as calibTargets, in the monitor's own coordinates
    BoardPlacement placement;
    int32_t dpi; // the monitor's: the crosses' offsets and sizes, the ring and the pens are scaled by it
};
void publishScreenTargets(const ScreenTargets& screen); // GUI thread only
ScreenTargets readScreenTargets();                      // any thread; never a mix of two writes

// Looks the board's monitor up again (lookUpBoardMonitor) and publishes its size, crosses and
// placement for the reader thread. True when a monitor was chosen and is missing.
bool takeBoardMonitor();
