// The touch steps of the session (see demo_touch_steps.h). The mouse input is watched with the
// test support's low-level mouse recorder; the crosses are found on the screen's pixels by its
// cross finder.
#include "tools/demo/demo_touch_steps.h"

#include <cmath>
#include <vector>

#include "win32/ids.h"
#include "tests/support/crosses.h"
#include "tests/support/find_windows.h"
#include "tests/support/mouse_recorder.h"

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
    const size_t mark = simboardLogSize(s.board);
    const HWND window = findTopLevelWindow("qv_dingwei", s.program.dwProcessId);
    if (window && IsWindowVisible(window)) {
        // No calibration stored (a first start in this prefix): the crosses came by themselves.
        demoNote(s, "no calibration was stored: the crosses have been up since the start");
    } else {
        const HWND palette = findTopLevelWindow("qv_tool", s.program.dwProcessId);
        if (palette && IsWindowVisible(palette)) {
            PostMessageA(s.mainWindow, WM_COMMAND, IDM_PALETTE, 0); // it would cover the last cross
            Sleep(300);
            demoNote(s, "the palette was shown; \"Zarpelo\" from the tray hid it");
        }
        PostMessageA(s.mainWindow, WM_COMMAND, IDM_CALIBRATE, 0);
        demoNote(s, "\"Calibrar espacio de trabajo\" chosen from the tray menu");
    }
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 5; ++i) { // the four corners, then the check cross at the centre
        const char* which = i < 4 ? "cross" : "check cross";
        if (!waitCrossMoved(cross, 4000, &cross)) {
            demoNote(s, "%s %d did not appear on the screen", which, i + 1);
            demoScreenshot(s, "03-calibration-missing-cross");
            return false;
        }
        demoNote(s, "%s %d found on the screen at (%ld, %ld): tapped there", which, i + 1, cross.x, cross.y);
        if (i == 0)
            demoScreenshot(s, "03-calibration-first-cross");
        if (i == 4)
            demoScreenshot(s, "03-calibration-check-cross");
        simboardTap(s.board, 0, cross.x, cross.y, 150, SIM_SCREEN, false, 60);
        if (i < 4)
            Sleep(700);
    }
    const int stop = simboardWaitCommand(s.board, 0, SIM_CMD_STOP, 3000, mark);
    demoNote(s,
             stop >= 0 ? "the board received Stop after the check cross" : "no Stop after the check cross");
    Sleep(200);
    demoScreenshot(s, "03-calibration-check-passed");
    // Mapping has begun when a Get follows that Stop.
    const bool mapping =
        stop >= 0 && simboardWaitCommand(s.board, 0, SIM_CMD_GET, 5000, size_t(stop) + 1) >= 0;
    // The outcome stays up for a second; under Wine without a window manager the hide then holds
    // the program's GUI thread for 2 s, which a message sent to it waits out.
    const DWORD start = GetTickCount();
    while (window && IsWindowVisible(window) && GetTickCount() - start < 5000)
        Sleep(30);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(s.mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    const bool gone = !window || !IsWindowVisible(window);
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
    // The ring around the finger closes as the hold's second runs out.
    simboardFingerDown(s.board, 0, 400, 300);
    Sleep(600);
    const RECT ring = {360, 260, 440, 340};
    demoScreenshotArea(s, "04-hold-ring-600ms", ring, 3);
    Sleep(700);
    simboardFingerLift(s.board, 0);
    Sleep(60);
    const std::vector<MouseRecord> b = recordedButtons(3, 2000);
    demoNote(s, "touch held 1.3 s at (400, 300), a ring closing around it, the system received:");
    noteButtons(s, b);
    demoScreenshot(s, "04-after-touches");
    return b.size() == 3 && b[0].message == WM_RBUTTONDOWN && b[2].message == WM_RBUTTONUP;
}
