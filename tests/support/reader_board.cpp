#include "tests/support/reader_board.h"

#include <cmath>

#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"

ScreenTargets boardScreen(int w, int h, int origin, int deskWidth, int deskLeft) {
    ScreenTargets s = {};
    s.width = w;
    s.height = h;
    for (int k = 0; k < 4; ++k) {
        const ScreenPoint cross = calibrationCross(k, w, h);
        s.targets[k][0] = cross.x;
        s.targets[k][1] = cross.y;
    }
    if (origin != 0)
        s.placement = {origin, 0, true, deskLeft, 0, deskWidth, h};
    return s;
}

bool installBoardCalibration(const SimBoard* board, const ScreenTargets& screen) {
    int32_t raw[8];
    for (int k = 0; k < 4; ++k) {
        double sx = 0, sy = 0;
        simScreenToSensor(simboardMapping(board), screen.targets[k][0], screen.targets[k][1], &sx, &sy);
        raw[2 * k] = int32_t(std::lround(sx));
        raw[2 * k + 1] = int32_t(std::lround(sy));
    }
    if (!setUpTransform(raw, calibSensorPoints, calibWeights))
        return false;
    calibValid = CALIB_MAPPING;
    calibState.store(CALIB_MAPPING, std::memory_order_release);
    return true;
}
