#include "calibration/core/screen_mapping.h"

#include "win32/core/dpi_scale.h"

#include <cmath>
#include <cstdint>

ScreenPoint calibrationCross(int index, int width, int height, int dpi) {
    const int IN_X = scaledForDpi(100, dpi), IN_Y = scaledForDpi(50, dpi);
    switch (index) {
    case 0:
        return {IN_X, IN_Y};
    case 1:
        return {width - IN_X, IN_Y};
    case 2:
        return {IN_X, height - IN_Y};
    case 3:
        return {width - IN_X, height - IN_Y};
    case 4:
        return {width / 2, height / 2};
    default:
        return {0, 0};
    }
}

bool calibrationCrossesMoved(const CrossScreen& before, const CrossScreen& after) {
    for (int i = 0; i <= 4; ++i) {
        const ScreenPoint a = calibrationCross(i, before.width, before.height, before.dpi);
        const ScreenPoint b = calibrationCross(i, after.width, after.height, after.dpi);
        if (a.x != b.x || a.y != b.y)
            return true;
    }
    return false;
}

void unitSquareToScreen(double u, double v, const int targets[3][2], double xy[2]) {
    xy[0] = targets[0][0] + (targets[1][0] - targets[0][0]) * u;
    xy[1] = targets[0][1] + (targets[2][1] - targets[0][1]) * v;
}

namespace {

// Truncates toward zero and holds the result to 0..extent-1. The clamp comes first, in double,
// because converting a double outside int's range is undefined; for values inside the screen the
// order makes no difference.
int holdInside(double value, int extent) {
    double top = extent - 1;
    if (value < 0.0)
        value = 0.0;
    if (value > top)
        value = top;
    return static_cast<int>(value);
}

// The pixel of an unrounded position on a width x height screen; false (pixel unchanged) when the
// position is not finite.
bool pixelInside(const double xy[2], int width, int height, ScreenPoint& pixel) {
    if (!std::isfinite(xy[0]) || !std::isfinite(xy[1]))
        return false;
    pixel.x = holdInside(xy[0], width);
    pixel.y = holdInside(xy[1], height);
    return true;
}

bool mappable(double u, double v, int width, int height) {
    return std::isfinite(u) && std::isfinite(v) && width >= 1 && height >= 1;
}

} // namespace

bool unitSquareToPixel(double u, double v, const int targets[3][2], int width, int height,
                       ScreenPoint& pixel) {
    if (!mappable(u, v, width, height))
        return false;
    double xy[2];
    unitSquareToScreen(u, v, targets, xy);
    return pixelInside(xy, width, height, pixel);
}

bool calibrationScreenKnown(const CrossScreen& made) {
    const auto inRange = [](int value) { return value >= 1 && value <= 65535; };
    if (!inRange(made.width) || !inRange(made.height) || !inRange(made.dpi))
        return false;
    const ScreenPoint topLeft = calibrationCross(0, made.width, made.height, made.dpi);
    const ScreenPoint topRight = calibrationCross(1, made.width, made.height, made.dpi);
    const ScreenPoint bottomLeft = calibrationCross(2, made.width, made.height, made.dpi);
    return topLeft.x < topRight.x && topLeft.y < bottomLeft.y;
}

bool calibratedPixel(double u, double v, const CrossScreen& made, const int targets[3][2], int width,
                     int height, ScreenPoint& pixel) {
    if (!calibrationScreenKnown(made))
        return unitSquareToPixel(u, v, targets, width, height, pixel);
    if (!mappable(u, v, width, height))
        return false;
    int madeTargets[3][2];
    for (int i = 0; i < 3; ++i) {
        const ScreenPoint cross = calibrationCross(i, made.width, made.height, made.dpi);
        madeTargets[i][0] = cross.x;
        madeTargets[i][1] = cross.y;
    }
    double xy[2];
    unitSquareToScreen(u, v, madeTargets, xy);
    // The same size gives the factor 1 exactly, and with it the position on `made` to the bit.
    xy[0] *= static_cast<double>(width) / made.width;
    xy[1] *= static_cast<double>(height) / made.height;
    return pixelInside(xy, width, height, pixel);
}

int pixelToMouse(int p, int extent) {
    if (extent < 1)
        return 0;
    int64_t scaled = static_cast<int64_t>(p) * 65536;
    // Ceiling division that is also right for negative p (C++ division truncates toward zero).
    int64_t d = scaled / extent;
    if (scaled % extent > 0)
        ++d;
    if (d < 0)
        d = 0;
    if (d > 65535)
        d = 65535;
    return static_cast<int>(d);
}

PointerPlace boardPixelToPointer(const BoardPlacement& board, ScreenPoint local, int width, int height) {
    const int x = board.left + local.x, y = board.top + local.y;
    if (!board.virtualDesk)
        return {x, y, pixelToMouseX(local.x, width), pixelToMouseY(local.y, height)};
    return {x, y, pixelToMouseX(x - board.deskLeft, board.deskWidth),
            pixelToMouseY(y - board.deskTop, board.deskHeight)};
}
