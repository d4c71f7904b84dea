// Absolute mouse units from the screen mapping, handed to the real mouse_event: each lands on the
// pixel it was computed from.
// screens: sd hd
#include <gtest/gtest.h>

#include <windows.h>

#include "calibration/core/screen_mapping.h"

namespace {

// Moves the pointer with absolute units and reads where the system put it.
POINT moveAbsolute(int dx, int dy) {
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, static_cast<DWORD>(dx), static_cast<DWORD>(dy), 0,
                0);
    POINT p{-1, -1};
    GetCursorPos(&p);
    return p;
}

} // namespace

TEST(MouseUnits, EveryPixelOfTheScreenRoundTrips) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    int wrongX = 0, wrongY = 0;
    for (int x = 0; x < w; ++x) {
        const int y = (x * 7) % h;
        POINT p = moveAbsolute(pixelToMouseX(x, w), pixelToMouseY(y, h));
        if (p.x != x && wrongX++ < 5)
            ADD_FAILURE() << "x " << x << " of " << w << " landed on " << p.x;
        if (p.y != y && wrongY++ < 5)
            ADD_FAILURE() << "y " << y << " of " << h << " landed on " << p.y;
    }
    for (int y = 0; y < h; ++y) {
        POINT p = moveAbsolute(pixelToMouseX(w / 2, w), pixelToMouseY(y, h));
        if (p.y != y && wrongY++ < 5)
            ADD_FAILURE() << "y " << y << " of " << h << " landed on " << p.y;
    }
    EXPECT_EQ(wrongX, 0);
    EXPECT_EQ(wrongY, 0);
    // The corners of the screen through the whole pixel mapping, u and v far outside the crosses.
    const int targets[3][2] = {{100, 50}, {w - 100, 50}, {100, h - 50}};
    ScreenPoint corner{0, 0};
    ASSERT_TRUE(unitSquareToPixel(5.0, 5.0, targets, w, h, corner));
    POINT p = moveAbsolute(pixelToMouseX(corner.x, w), pixelToMouseY(corner.y, h));
    EXPECT_EQ(p.x, w - 1);
    EXPECT_EQ(p.y, h - 1);
}
