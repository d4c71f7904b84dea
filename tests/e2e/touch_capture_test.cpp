// Captures that cannot work are not installed: crosses touched in an order whose outline crosses
// itself, and a touch held through the whole capture. The calibration from before stays in force,
// the window goes back to the first cross, and the rest of the last touch is not taken as a point.
#include <gtest/gtest.h>

#include <cstdlib>

#include "win32/ids.h"
#include "tests/support/child_process.h"
#include "tests/support/crosses.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/touch_session.h"

namespace {

TEST(TouchCapture, UnworkableCapturesAreRejectedAndTheOldCalibrationStays) {
    ASSERT_TRUE(mouseRecorderStart());
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, BOARD_CALIBRATION));
    const char* names[8] = {"P1X", "P1Y", "P2X", "P2Y", "P3X", "P3Y", "P4X", "P4Y"};
    int stored[8];
    for (int i = 0; i < 8; ++i)
        stored[i] = std::atoi(tolvexValue(names[i]).c_str());
    POINT t[4];
    crossTargets(t);

    // Bottom crosses swapped: top left, top right, then the bottom-right spot for the bottom-left
    // cross and the bottom-left spot for the bottom-right one.
    simboardClearLog(s.board); // the Stop of the start-up is not this capture's
    sendTrayCommand(s, IDM_CALIBRATE);
    const POINT spots[4] = {t[0], t[1], t[3], t[2]};
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(waitCrossMoved(cross, 3000, &cross)) << "cross " << i;
        simboardTap(s.board, 0, spots[i].x, spots[i].y, 120, SIM_SCREEN, true, 60);
        if (i < 3)
            flushEvents(650);
    }
    POINT back;
    ASSERT_TRUE(waitCrossMoved(cross, 3000, &back)) << "the window did not go back to the first cross";
    EXPECT_LE(pixelDistance(back, t[0].x, t[0].y), 1.0) << back.x << "," << back.y;
    EXPECT_EQ(simboardCountCommands(s.board, 0, SIM_CMD_STOP), 0) << "a rejected capture sent Stop";
    EXPECT_GE(simboardCountCommands(s.board, 0, SIM_CMD_RUN), 2) << "no Run for the new start";

    // A touch held through a capture: four points of nearly one spot, rejected; while the finger
    // stays down nothing more is taken; after a lift the next tap is the new first point.
    simboardFingerDown(s.board, 0, 512, 384);
    flushEvents(3400); // accepted at once, then about every 700 ms: four points, then the rejection
    POINT during;
    ASSERT_TRUE(findCrossOnScreen(&during));
    EXPECT_LE(pixelDistance(during, t[0].x, t[0].y), 1.0)
        << "the held touch advanced a new capture to (" << during.x << "," << during.y << ")";
    simboardFingerLift(s.board, 0);
    flushEvents(200);
    simboardTap(s.board, 0, t[0].x, t[0].y, 120, SIM_SCREEN, true, 60);
    POINT next;
    EXPECT_TRUE(waitCrossMoved(during, 2000, &next)) << "the tap after the lift was not taken";
    EXPECT_EQ(simboardCountCommands(s.board, 0, SIM_CMD_STOP), 0);

    // Cancel: the calibration from before maps the touches, and is what "Salir" stores.
    const HWND calibration = findTopLevelWindow("qv_dingwei", s.program.processId);
    PostMessageA(calibration, WM_CHAR, 27, 0);
    ASSERT_TRUE(waitNoCross(4000));
    flushEvents(2200);
    mouseRecorderClear();
    simboardTap(s.board, 0, 500, 380, 120, SIM_SCREEN, true, 60);
    ASSERT_TRUE(waitButtons(2, 2000));
    EXPECT_LE(pixelDistance(mouseRecorderButtons()[0].point, 500, 380), 2.0);
    sendTrayCommand(s, IDM_EXIT);
    DWORD code = 1;
    ASSERT_TRUE(waitProgramExit(&s.program, 5000, &code, true));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(std::atoi(tolvexValue(names[i]).c_str()), stored[i]) << names[i];
    mouseRecorderStop();
}

} // namespace
