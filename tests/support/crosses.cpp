// The calibration crosses of the program, as it places them and as the screen shows them.
#include "tests/support/crosses.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "win32/core/dpi_scale.h"
#include "calibration/core/screen_mapping.h"
#include "tests/support/flush_events.h"
#include "tests/support/screen.h"

int screenDpi() {
    static const int dpi = [] { // the prefix's: it does not change while a test runs
        HDC screen = GetDC(nullptr);
        const int logPixels = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
        if (screen)
            ReleaseDC(nullptr, screen);
        return logPixels > 0 ? logPixels : 96;
    }();
    return dpi;
}

namespace {

constexpr COLORREF GREY = RGB(200, 200, 200);
constexpr COLORREF BLACK = RGB(0, 0, 0);

// The cross's lengths at 96 DPI, scaled as the program scales them on a screen of another DPI.
int scaledLength(int px96) {
    return scaledForDpi(px96, screenDpi());
}

// Screen pixels that look like the cross centre: black there and on both diagonals 4 pixels out,
// grey 7 pixels straight up, down, left and right (at 96 DPI).
bool crossCentreAt(const std::vector<COLORREF>& px, int width, int height, int x, int y) {
    const int margin = scaledLength(8), diagonal = scaledLength(4), straight = scaledLength(7);
    if (x < margin || y < margin || x >= width - margin || y >= height - margin)
        return false;
    auto at = [&](int dx, int dy) { return px[static_cast<size_t>(y + dy) * width + (x + dx)]; };
    if (at(0, 0) != BLACK)
        return false;
    for (int d : {-diagonal, diagonal})
        if (at(d, d) != BLACK || at(d, -d) != BLACK)
            return false;
    for (int d : {-straight, straight})
        if (at(d, 0) != GREY || at(0, d) != GREY)
            return false;
    return true;
}

RECT crossMonitor = {0, 0, 0, 0}; // empty: the primary screen

RECT crossArea() {
    if (!IsRectEmpty(&crossMonitor))
        return crossMonitor;
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace

void setCrossMonitor(const RECT& area) {
    crossMonitor = area;
}

void crossTargets(POINT targets[4]) {
    const RECT area = crossArea();
    const int w = area.right - area.left, h = area.bottom - area.top;
    for (int i = 0; i < 4; ++i) {
        const ScreenPoint cross = calibrationCross(i, w, h, screenDpi());
        targets[i] = {cross.x, cross.y};
    }
}

bool findCrossOnScreen(POINT* centre) {
    const RECT all = crossArea();
    const int w = all.right - all.left, h = all.bottom - all.top;
    std::vector<COLORREF> px;
    if (!captureScreen(all, &px))
        return false;
    long sumX = 0, sumY = 0, count = 0;
    int minX = w, maxX = -1, minY = h, maxY = -1;
    for (int y = 8; y < h - 8; ++y)
        for (int x = 8; x < w - 8; ++x)
            if (crossCentreAt(px, w, h, x, y)) {
                sumX += x;
                sumY += y;
                ++count;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    // One cross gives a few neighbouring centre pixels (the lines are 3 wide); two crosses would be
    // far apart.
    // (4 pixels at 96 DPI; a wider pen's diagonal strokes are wider still across a row: 7 at 144).
    const int spread = scaledLength(5) - 1;
    if (count == 0 || maxX - minX > spread || maxY - minY > spread)
        return false;
    centre->x = static_cast<LONG>(std::lround(static_cast<double>(sumX) / count));
    centre->y = static_cast<LONG>(std::lround(static_cast<double>(sumY) / count));
    return true;
}

bool waitCrossMoved(POINT notAt, DWORD timeoutMs, POINT* centre) {
    const DWORD start = GetTickCount();
    bool found = false;
    POINT c = {0, 0};
    do {
        found = findCrossOnScreen(&c);
        if (found && (std::abs(c.x - notAt.x) > 3 || std::abs(c.y - notAt.y) > 3)) {
            *centre = c;
            return true;
        }
        flushEvents(30);
    } while (GetTickCount() - start < timeoutMs);
    if (found)
        std::printf("waitCrossMoved: after %lu ms the cross was still at (%ld, %ld)\n", timeoutMs, c.x, c.y);
    else
        std::printf("waitCrossMoved: no single cross on the screen within %lu ms\n", timeoutMs);
    return false;
}

bool waitNoCross(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    POINT c = {0, 0};
    do {
        if (!findCrossOnScreen(&c))
            return true;
        flushEvents(30);
    } while (GetTickCount() - start < timeoutMs);
    std::printf("waitNoCross: after %lu ms a cross was still at (%ld, %ld)\n", timeoutMs, c.x, c.y);
    return false;
}
