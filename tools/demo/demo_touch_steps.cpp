// The touch steps of the session (see demo_touch_steps.h). The mouse input is watched with the
// test support's low-level mouse recorder; the crosses are found on the screen's pixels by its
// cross finder.
#include "tools/demo/demo_touch_steps.h"

#include <cmath>
#include <vector>

#include "app/ids.h"
#include "tests/support/wintest.h"

namespace {

// The button events recorded since the last mouseRecorderClear, once there are atLeast of them or
// timeoutMs has passed.
std::vector<MouseRecord> recordedButtons(size_t atLeast, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    std::vector<MouseRecord> buttons;
    while ((buttons = mouseRecorderButtons()).size() < atLeast && GetTickCount() - start <= timeoutMs)
        Sleep(10);
    return buttons;
}

int recordedMoves() {
    int moves = 0;
    for (const MouseRecord& r : mouseRecorderEvents())
        moves += r.message == WM_MOUSEMOVE;
    return moves;
}

const char* buttonName(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
        return "left down";
    case WM_LBUTTONUP:
        return "left up";
    case WM_RBUTTONDOWN:
        return "right down";
    case WM_RBUTTONUP:
        return "right up";
    default:
        return "other";
    }
}

void noteButtons(DemoSession& s, const std::vector<MouseRecord>& b) {
    for (const MouseRecord& e : b)
        demoNote(s, "  %s at (%ld, %ld)", buttonName(e.message), e.point.x, e.point.y);
}

} // namespace

bool demoCalibrateByTapping(DemoSession& s) {
    mouseRecorderStart();
    const HWND palette = findTopLevelWindow("qv_tool", s.program.dwProcessId);
    if (palette && IsWindowVisible(palette)) {
        PostMessageA(s.mainWindow, WM_COMMAND, IDM_PALETTE, 0); // it would cover the last cross
        Sleep(300);
        demoNote(s, "the palette was shown; \"Zarpelo\" from the tray hid it");
    }
    const size_t mark = simboardLogSize(s.board);
    PostMessageA(s.mainWindow, WM_COMMAND, IDM_CALIBRATE, 0);
    demoNote(s, "\"Calibrar espacio de trabajo\" chosen from the tray menu");
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 4; ++i) {
        if (!waitCrossMoved(cross, 4000, &cross)) {
            demoNote(s, "cross %d did not appear on the screen", i + 1);
            demoScreenshot(s, "03-calibration-missing-cross");
            return false;
        }
        demoNote(s, "cross %d found on the screen at (%ld, %ld): tapped there", i + 1, cross.x, cross.y);
        if (i == 0)
            demoScreenshot(s, "03-calibration-first-cross");
        simboardTap(s.board, 0, cross.x, cross.y, 150, SIM_SCREEN, false, 60);
        Sleep(700);
    }
    const int stop = simboardWaitCommand(s.board, 0, SIM_CMD_STOP, 3000, mark);
    demoNote(s,
             stop >= 0 ? "the board received Stop after the fourth cross" : "no Stop after the fourth cross");
    // Mapping has begun when a Get follows that Stop.
    const bool mapping =
        stop >= 0 && simboardWaitCommand(s.board, 0, SIM_CMD_GET, 5000, size_t(stop) + 1) >= 0;
    POINT left;
    const bool gone = !findCrossOnScreen(&left);
    demoNote(s, "calibration window %s; mapping %s", gone ? "hidden" : "STILL SHOWN",
             mapping ? "on" : "NOT on");
    return stop >= 0 && mapping && gone;
}

bool demoTapClicks(DemoSession& s) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    mouseRecorderClear();
    simboardTap(s.board, 0, w / 2.0, h / 2.0, 150, SIM_SCREEN, false, 60);
    const std::vector<MouseRecord> b = recordedButtons(2, 2000);
    demoNote(s, "tap at (%d, %d), the system received:", w / 2, h / 2);
    noteButtons(s, b);
    return b.size() == 2 && b[0].message == WM_LBUTTONDOWN && b[1].message == WM_LBUTTONUP &&
           std::hypot(b[0].point.x - w / 2.0, b[0].point.y - h / 2.0) <= 2.0;
}

bool demoDragDrags(DemoSession& s) {
    mouseRecorderClear();
    SimPath drag;
    simDown(drag, 250, 250);
    simMove(drag, 650, 450, 600);
    simHold(drag, 100);
    simLift(drag);
    simHold(drag, 80);
    simboardPlay(s.board, 0, drag);
    simboardWaitFinger(s.board, 0, 5000);
    const std::vector<MouseRecord> b = recordedButtons(2, 2000);
    const int movesSeen = recordedMoves();
    demoNote(s, "drag from (250, 250) to (650, 450), the system received %d moves and:", movesSeen);
    noteButtons(s, b);
    return b.size() == 2 && b[0].message == WM_LBUTTONDOWN && b[1].message == WM_LBUTTONUP && movesSeen > 5;
}

bool demoHoldRightClicks(DemoSession& s) {
    mouseRecorderClear();
    simboardTap(s.board, 0, 400, 300, 1300, SIM_SCREEN, false, 60);
    const std::vector<MouseRecord> b = recordedButtons(3, 2000);
    demoNote(s, "touch held 1.3 s at (400, 300), the system received:");
    noteButtons(s, b);
    demoScreenshot(s, "04-after-touches");
    return b.size() == 3 && b[0].message == WM_RBUTTONDOWN && b[2].message == WM_RBUTTONUP;
}
