// Absolute mouse units from the screen mapping, handed to the real mouse_event: each lands on the
// pixel it was computed from. And the reader thread, run here against the simulated board: a touch
// lands to its lift in the placement it came down in, whatever the board's monitor does meanwhile.
// screens: sd hd
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>

#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"
#include "sensor/sensor_link.h"
#include "tests/support/flush_events.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/reader_board.h"
#include "tools/simboard/simboard.h"
#include "touch/sensor_reader.h"

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

// Half-way through a drag the board's monitor becomes another one, to the right of this screen
// (a monitor plugged in, a display change): the moves and the release still land on the drag's
// path on this screen, in the units the touch began with, not at the new placement's positions
// read in the old units.
TEST(MouseUnits, ATouchLandsToItsLiftInThePlacementItCameDownIn) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    SimBoard* board = simboardStart();
    ASSERT_NE(board, nullptr);
    const ScreenTargets primary = boardScreen(w, h);
    publishScreenTargets(primary);
    settings.smoothingPeriod = 1; // no smoothing: every move is where the finger is
    ASSERT_TRUE(installBoardCalibration(board, primary));
    sensorHandle = findSensor();
    ASSERT_NE(sensorHandle.load(), nullptr);
    ASSERT_TRUE(mouseRecorderStart());
    HANDLE reader = CreateThread(nullptr, 0, sensorReaderProc, nullptr, 0, nullptr);
    ASSERT_GE(simboardWaitCommand(board, 0, SIM_CMD_GET, 3000, 0, true), 0) << "the reader does not poll";

    const POINT from = {w / 5, h / 4}, to = {w * 3 / 5, h / 2};
    SimPath drag;
    simDown(drag, from.x, from.y);
    simHold(drag, 40);
    simMove(drag, to.x, to.y, 900);
    simHold(drag, 100);
    simLift(drag);
    simHold(drag, 80);
    mouseRecorderClear();
    simboardPlay(board, 0, drag);
    flushEvents(500);
    publishScreenTargets(boardScreen(w, h, w, 2 * w));
    ASSERT_TRUE(simboardWaitFinger(board, 0, 5000, true));
    flushEvents(300);
    stopSensorReader(reader, 500);
    CloseHandle(reader);
    simboardStop(board);
    publishScreenTargets(primary);

    std::string trace;
    int movesAfterDown = 0, offPath = 0;
    bool down = false;
    for (const MouseRecord& r : mouseRecorderEvents()) {
        if (!r.injected)
            continue;
        if (r.message != WM_MOUSEMOVE)
            trace += std::string(trace.empty() ? "" : " ") + (r.message == WM_LBUTTONDOWN ? "ldown"
                                                              : r.message == WM_LBUTTONUP ? "lup"
                                                                                          : "other");
        down = down || r.message == WM_LBUTTONDOWN;
        if (!down)
            continue;
        movesAfterDown += r.message == WM_MOUSEMOVE;
        // On the segment's rectangle, and near the line through it.
        const double t = double(r.point.x - from.x) / (to.x - from.x);
        const double lineY = from.y + t * (to.y - from.y);
        const bool onPath =
            r.point.x >= from.x - 3 && r.point.x <= to.x + 3 && std::fabs(r.point.y - lineY) <= 4;
        if (!onPath && offPath++ < 5)
            ADD_FAILURE() << "event 0x" << std::hex << r.message << std::dec << " at (" << r.point.x << ", "
                          << r.point.y << ") is off the drag from (" << from.x << ", " << from.y << ") to ("
                          << to.x << ", " << to.y << ")";
    }
    EXPECT_EQ(trace, "ldown lup");
    EXPECT_GT(movesAfterDown, 10) << "the drag did not move the pointer";
    EXPECT_EQ(offPath, 0);
    const std::vector<MouseRecord> buttons = mouseRecorderButtons();
    if (buttons.size() == 2) {
        EXPECT_LE(std::hypot(buttons[1].point.x - to.x, buttons[1].point.y - to.y), 3.0)
            << "released at (" << buttons[1].point.x << ", " << buttons[1].point.y << ")";
    }
    mouseRecorderStop();
}
