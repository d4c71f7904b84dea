// The program's main job end to end: a first run shows the crosses at once and, skipped, ignores
// touches; a calibration by tapping the crosses on the screen and the check cross, then taps,
// drags and holds on a keystoned, slightly rotated board become clicks, drags and right clicks
// where the finger is; the calibration is stored the moment it is made, so a process ended from
// outside keeps it for the next run, and "Salir" stores it again. A calibration with a corner
// touched off is caught by the check cross. A hold shows a closing ring that changes none of the
// input and takes no click. On a desktop of two monitors, the board chosen on the second is
// calibrated, mapped, drawn on and found again there after a restart; Esc during its calibration
// puts the first one back.
// screens: sd hd dual hd144
// hd144 cases: TouchCalibration.At150*

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "win32/ids.h"
#include "win32/monitors.h"
#include "calibration/core/screen_mapping.h"
#include "palette/core/palette_layout.h"
#include "tests/support/child_process.h"
#include "tests/support/crosses.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/palette_point.h"
#include "tests/support/registry.h"
#include "tests/support/screen.h"
#include "tests/support/touch_session.h"
#include "tests/support/wine_options.h"

namespace {

class TouchCalibration : public ::testing::Test {
  protected:
    void SetUp() override {
        // The one-monitor scenarios run on the one-monitor displays; the second monitor's own.
        const bool secondMonitorTest =
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())
                .find("SecondMonitor") != std::string::npos;
        if (secondMonitorTest != (systemMonitors().size() >= 2))
            GTEST_SKIP() << (secondMonitorTest ? "one monitor" : "a one-monitor scenario");
        ASSERT_TRUE(mouseRecorderStart());
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        tolerance = width > 1024 ? 3.0 : 2.0; // one sensor unit spans about 2 pixels at 1920 x 1080
    }
    void TearDown() override { mouseRecorderStop(); }
    int width = 0, height = 0;
    double tolerance = 2;
};

// The clicks of a 5 x 5 grid inside the crosses' rectangle; prints the largest and mean error.
// The board's screen is the monitor whose corner is at `origin`.
void checkGrid(TouchSession& s, double tolerance, const char* label, POINT origin = {0, 0}) {
    POINT t[4];
    crossTargets(t);
    double largest = 0, sum = 0;
    int n = 0;
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 5; ++i) {
            const double x = t[0].x + (t[1].x - t[0].x) * (i + 0.5) / 5.0;
            const double y = t[0].y + (t[2].y - t[0].y) * (j + 0.5) / 5.0;
            mouseRecorderClear();
            simboardTap(s.board, 0, x, y, 120, SIM_SCREEN, true, 60);
            ASSERT_TRUE(waitButtons(2, 2000)) << "no click for (" << x << ", " << y << ")";
            flushEvents(30); // nothing more must come within it: a tap is exactly one click
            const std::vector<MouseRecord> b = mouseRecorderButtons();
            ASSERT_EQ(b.size(), 2u) << "at (" << x << ", " << y << ")";
            EXPECT_EQ(b[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
            EXPECT_EQ(b[1].message, static_cast<UINT>(WM_LBUTTONUP));
            EXPECT_TRUE(b[0].injected);
            for (const MouseRecord& r : b) {
                const double e = pixelDistance(r.point, origin.x + x, origin.y + y);
                EXPECT_LE(e, tolerance)
                    << "click at (" << r.point.x << ", " << r.point.y << ") for (" << x << ", " << y << ")";
                largest = std::max(largest, e);
                sum += e;
                ++n;
            }
        }
    std::printf(
        "[ figures  ] %s calibration accuracy at %ld x %ld: largest %.2f px, mean %.2f px over %d clicks\n",
        label, t[1].x + 100, t[2].y + 50, largest, sum / n, n);
}

// Taps local (x, y) of the board's screen and returns where the click landed on the desktop.
bool clickAt(TouchSession& s, double x, double y, POINT* landed) {
    mouseRecorderClear();
    simboardTap(s.board, 0, x, y, 120, SIM_SCREEN, true, 60);
    if (!waitButtons(2, 3000))
        return false;
    *landed = mouseRecorderButtons()[0].point;
    return true;
}

// Starts the program again on the session's board (the session's own copy has ended); its main
// window once it polls for touches, or null.
HWND startAgain(TouchSession& s, ChildProgram* again) {
    const size_t restartLog = simboardLogSize(s.board);
    if (!startProgram("VelmoraSim.exe", again))
        return nullptr;
    const HWND main = waitTopLevelWindow("Velmora", again->processId, 10000, true);
    return main && waitMapping(s.board, restartLog) ? main : nullptr;
}

// Starts the program again and taps local (x, y) once it polls: the click must land at
// (wantX, wantY) on the desktop.
void expectClickAfterRestart(TouchSession& s, double x, double y, double wantX, double wantY,
                             double tolerance) {
    ChildProgram again;
    const HWND main = startAgain(s, &again);
    ASSERT_NE(main, nullptr) << "no polling after the restart";
    POINT landed;
    EXPECT_TRUE(clickAt(s, x, y, &landed)) << "no click after the restart";
    EXPECT_LE(pixelDistance(landed, wantX, wantY), tolerance) << "after the restart";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(waitProgramExit(&again, 5000, nullptr, true));
}

// Pixels that are not the calibration window's grey in the band where a text stands under y.
int inkUnder(int y) {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    std::vector<COLORREF> px;
    RECT band = {w / 2 - 250, y + 20, w / 2 + 250, y + 60};
    if (!captureScreen(band, &px))
        return -1;
    int ink = 0;
    for (COLORREF c : px)
        ink += c != RGB(200, 200, 200);
    return ink;
}

// The scale (LogPixels of HKCU\Control Panel\Desktop) of the programs started while it lives: Wine
// reads it as a process starts. The prefix's own is put back at the end.
class ScaleOfNextStarts {
  public:
    explicit ScaleOfNextStarts(int dpi) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS)
            return;
        DWORD size = sizeof before, type = 0;
        had = RegQueryValueExA(key, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&before), &size) ==
                  ERROR_SUCCESS &&
              type == REG_DWORD;
        const DWORD value = DWORD(dpi);
        RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    ~ScaleOfNextStarts() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS)
            return;
        if (had)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before),
                           sizeof before);
        else
            RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }

  private:
    DWORD before = 0;
    bool had = false;
};

std::string screenName(const char* what) {
    return testExeDirectory() + what + "_" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
           std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ".bmp";
}

TEST_F(TouchCalibration, FirstRunIgnoresTouchesThenTappingTheCrossesCalibrates) {
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, NO_CALIBRATION));
    POINT t[4];
    crossTargets(t);
    // First run: defaults written, and the crosses at once; skipped with Esc, there is no
    // calibration, so no Get is ever sent and nothing is injected.
    EXPECT_EQ(tolvexValue("LagTime"), "10");
    EXPECT_EQ(tolvexValue("Ouhe"), "1");
    POINT first = {-1000, -1000};
    ASSERT_TRUE(waitCrossMoved(first, 3000, &first)) << "no cross at the first start";
    EXPECT_LE(pixelDistance(first, t[0].x, t[0].y), 1.0) << first.x << "," << first.y;
    PostMessageA(findTopLevelWindow("qv_dingwei", s.program.processId), WM_CHAR, 27, 0);
    ASSERT_TRUE(waitCalibrationHidden(s, 5000)) << "Esc did not skip the first calibration";
    flushEvents(100); // what the skip sends goes before the log is cleared for the checks below
    simboardClearLog(s.board);
    mouseRecorderClear();
    simboardTap(s.board, 0, width / 2.0, height / 2.0, 150, SIM_SCREEN, true, 100);
    simboardDrag(s.board, 0, 300, 300, 500, 400, 200, SIM_SCREEN, true, 100);
    EXPECT_EQ(simboardCountCommands(s.board, 0, SIM_CMD_GET), 0);
    EXPECT_TRUE(mouseRecorderButtons().empty());

    // Calibration: the window shows the first cross; each accepted tap moves it on.
    simboardClearLog(s.board);
    sendTrayCommand(s, IDM_CALIBRATE);
    POINT cross = {-1000, -1000};
    ASSERT_TRUE(waitCrossMoved(cross, 3000, &cross)) << "no cross after \"Calibrar espacio de trabajo\"";
    EXPECT_LE(pixelDistance(cross, t[0].x, t[0].y), 1.0) << cross.x << "," << cross.y;
    EXPECT_GE(simboardWaitCommand(s.board, 0, SIM_CMD_RUN, 1000), 0) << "Run was not sent";
    for (int i = 0; i < 4; ++i) {
        simboardTap(s.board, 0, cross.x, cross.y, 150, SIM_SCREEN, true, 60);
        const DWORD lifted = GetTickCount(); // the tap is accepted at its lift
        if (i == 3)
            break;
        POINT next;
        ASSERT_TRUE(waitCrossMoved(cross, 2000, &next)) << "the cross did not move on after tap " << i;
        EXPECT_LE(pixelDistance(next, t[i + 1].x, t[i + 1].y), 1.0) << next.x << "," << next.y;
        if (i == 0) {
            // A second tap right away (within 700 ms of the acceptance) does not advance it. Only
            // when the screen showed the new cross soon enough for the tap to land within that
            // time: on a loaded machine a read of a 1920 x 1080 screen can take most of it.
            const DWORD seen = GetTickCount() - lifted;
            simboardTap(s.board, 0, next.x, next.y, 100, SIM_SCREEN, true, 60);
            flushEvents(150); // nothing must happen within it
            POINT still;
            ASSERT_TRUE(findCrossOnScreen(&still));
            if (seen < 450)
                EXPECT_LE(pixelDistance(still, next.x, next.y), 1.0)
                    << "a quick second tap advanced the cross";
            else
                std::printf(
                    "[ note     ] the new cross was seen %lu ms after the tap: no quick tap checked\n", seen);
        }
        cross = next;
        flushEvents(650); // the next tap more than 700 ms after this acceptance
    }
    // The check cross at the centre, with its request under it; nothing is installed before it.
    POINT check;
    ASSERT_TRUE(waitCrossMoved(cross, 2000, &check)) << "no check cross after the fourth";
    EXPECT_LE(pixelDistance(check, width / 2, height / 2), 1.0) << check.x << "," << check.y;
    EXPECT_GT(inkUnder(check.y), 200) << "no \"Toque el centro para comprobar\" under the check cross";
    saveScreenshot(screenName("calibration_check_cross").c_str());
    flushEvents(500); // nothing must happen within it: no Stop before the check
    EXPECT_EQ(simboardCountCommands(s.board, 0, SIM_CMD_STOP), 0) << "Stop before the check";
    simboardTap(s.board, 0, check.x, check.y, 150, SIM_SCREEN, true, 60);
    const size_t stopAt = static_cast<size_t>(simboardWaitCommand(s.board, 0, SIM_CMD_STOP, 2000));
    EXPECT_NE(stopAt, static_cast<size_t>(-1)) << "no Stop after the check cross";
    EXPECT_TRUE(waitNoCross(1000)) << "a cross is still shown";
    waitFor([&] { return inkUnder(height / 2) > 200; }, 2000, 20);
    EXPECT_GT(inkUnder(height / 2), 200) << "no \"Calibraci\xF3n correcta\"";
    saveScreenshot(screenName("calibration_check_passed").c_str());
    EXPECT_TRUE(waitCalibrationHidden(s, 5000)) << "the calibration window did not hide";
    // Mapping has begun once a Get follows the Stop (under Wine, without a window manager, hiding
    // the full-screen window holds the main window, and with it the reader thread, for 2 s).
    EXPECT_GE(simboardWaitCommand(s.board, 0, SIM_CMD_GET, 5000, stopAt + 1, true), 0);
    EXPECT_EQ(simboardCountCommands(s.board, 0, SIM_CMD_STOP), 1);
    const char* names[8] = {"P1X", "P1Y", "P2X", "P2Y", "P3X", "P3Y", "P4X", "P4Y"};
    for (const char* name : names)
        EXPECT_NE(tolvexValue(name), "(missing)")
            << name << " is not stored once the calibration is in force";

    // Mapping starts: the grid, a drag and a hold.
    checkGrid(s, tolerance, "fresh");

    mouseRecorderClear();
    // Rests a moment where it comes down (an idle board is polled every 8 ms, and this finger
    // moves 6 pixels in that time) and at the end before lifting, so the first and last polled
    // points are the drag's ends.
    SimPath drag;
    simDown(drag, 300, 250);
    simHold(drag, 30);
    simMove(drag, 600, 450, 400);
    simHold(drag, 100);
    simLift(drag);
    simHold(drag, 80);
    simboardPlay(s.board, 0, drag);
    ASSERT_TRUE(simboardWaitFinger(s.board, 0, 5000, true));
    ASSERT_TRUE(waitButtons(2, 2000));
    flushEvents(50); // nothing more must come within it
    std::vector<MouseRecord> b = mouseRecorderButtons();
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].message, static_cast<UINT>(WM_LBUTTONDOWN));
    EXPECT_LE(pixelDistance(b[0].point, 300, 250), tolerance) << b[0].point.x << "," << b[0].point.y;
    EXPECT_EQ(b[1].message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_LE(pixelDistance(b[1].point, 600, 450), tolerance) << b[1].point.x << "," << b[1].point.y;
    int movesBetween = 0;
    for (const MouseRecord& r : mouseRecorderEvents())
        movesBetween += r.message == WM_MOUSEMOVE && r.time >= b[0].time && r.time <= b[1].time;
    EXPECT_GT(movesBetween, 5) << "the drag did not move the pointer";

    mouseRecorderClear();
    simboardTap(s.board, 0, 400, 300, 1300, SIM_SCREEN, true, 60);
    ASSERT_TRUE(waitButtons(3, 2000));
    flushEvents(50); // nothing more must come within it
    b = mouseRecorderButtons();
    ASSERT_EQ(b.size(), 3u);
    EXPECT_EQ(b[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(b[1].message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(b[2].message, static_cast<UINT>(WM_RBUTTONUP));
    EXPECT_GE(b[2].time - b[1].time, 90u) << "the second down and the up are 100 ms apart";
    for (const MouseRecord& r : b)
        EXPECT_LE(pixelDistance(r.point, 400, 300), tolerance);

    // The process is ended from outside (the Task Manager, a crash): the calibration is in the
    // registry already, the board's own view of the crosses within its rounding.
    killProgram(&s.program);
    for (int i = 0; i < 4; ++i) {
        double sx = 0, sy = 0;
        simScreenToSensor(simboardMapping(s.board), t[i].x, t[i].y, &sx, &sy);
        EXPECT_NEAR(std::atof(tolvexValue(names[2 * i]).c_str()), sx, 1.5) << names[2 * i];
        EXPECT_NEAR(std::atof(tolvexValue(names[2 * i + 1]).c_str()), sy, 1.5) << names[2 * i + 1];
    }

    // Beside them, the screen they were made on.
    EXPECT_EQ(tolvexValue("CalibWidth"), std::to_string(width));
    EXPECT_EQ(tolvexValue("CalibHeight"), std::to_string(height));
    EXPECT_EQ(tolvexValue("CalibDpi"), std::to_string(screenDpi()));

    // The next start maps touches at once with what was stored, also after the screen's scale
    // changed (100 to 150 %): the crosses would stand elsewhere now, the projected picture has not
    // moved, and every tap still lands where it touches.
    const int otherDpi = screenDpi() == 144 ? 96 : 144;
    ScaleOfNextStarts scale(otherDpi);
    ChildProgram again;
    const HWND main = startAgain(s, &again);
    ASSERT_NE(main, nullptr) << "no polling after the restart";
    // (Wine answers GetDpiForWindow of another process's window with the caller's scale; the
    // palette, made hidden at the size of its scale, tells the program's.)
    RECT palette = {};
    GetWindowRect(findTopLevelWindow("qv_tool", again.processId), &palette);
    EXPECT_EQ(palette.right - palette.left, paletteSizeForDpi(otherDpi))
        << "the restart is not at the other scale";
    POINT landed;
    ASSERT_TRUE(clickAt(s, width / 2.0, height / 3.0, &landed)) << "no click after the restart";
    EXPECT_LE(pixelDistance(landed, width / 2.0, height / 3.0), tolerance) << landed.x << "," << landed.y;
    checkGrid(
        s, tolerance,
        ("calibrated at " + std::to_string(screenDpi()) + " DPI, mapped at " + std::to_string(otherDpi) + ":")
            .c_str());

    // "Salir" with a complete calibration stores the eight coordinates again, not the settings.
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Ouhe", "7"); // the program holds 1
    const std::string p1x = tolvexValue("P1X");
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "P1X", "0000");
    PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
    DWORD code = 1;
    ASSERT_TRUE(waitProgramExit(&again, 5000, &code, true));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(tolvexValue("Ouhe"), "7") << "the settings were saved too";
    EXPECT_EQ(tolvexValue("P1X"), p1x) << "the coordinates were not saved at \"Salir\"";
}

std::string eventTrace(); // the recorded mouse events as one line

// With the palette shown (as "Save" 1 has it at start) it is put aside while the crosses are up:
// each cross is found on the screen, and the palette is back afterwards. The finger left on the
// check cross after its acceptance injects nothing (the window hides at once here: no window
// manager wait), and the next tap is a click where it lands.
TEST_F(TouchCalibration, ThePaletteStepsAsideAndTheLastCrossHeldInjectsNothing) {
    skipWindowManagerWaitFor("VelmoraSim.exe");
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, BOARD_CALIBRATION, keystonedBoard(), true));
    const HWND palette = waitTopLevelWindow("qv_tool", s.program.processId, 3000, true);
    ASSERT_NE(palette, nullptr);
    ASSERT_TRUE(waitFor([&] { return IsWindowVisible(palette) != FALSE; }, 300))
        << "the palette is not shown at start";
    const size_t logStart = simboardLogSize(s.board);
    sendTrayCommand(s, IDM_CALIBRATE);
    POINT t[4];
    crossTargets(t);
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(waitCrossMoved(cross, 3000, &cross)) << "cross " << i << " not found on the screen";
        const POINT target = i < 4 ? t[i] : POINT{width / 2, height / 2};
        EXPECT_LE(pixelDistance(cross, target.x, target.y), 1.0) << "cross " << i;
        EXPECT_FALSE(IsWindowVisible(palette)) << "the palette is up during the calibration";
        if (i < 4) {
            simboardTap(s.board, 0, cross.x, cross.y, 150, SIM_SCREEN, true, 60);
            flushEvents(650); // the next tap more than 700 ms after this acceptance
        }
    }
    mouseRecorderClear();
    simboardFingerDown(s.board, 0, cross.x, cross.y); // on the check cross, and left there
    const int stop = simboardWaitCommand(s.board, 0, SIM_CMD_STOP, 3000, logStart, true);
    ASSERT_GE(stop, 0) << "the check cross was not accepted";
    flushEvents(1500); // held on after the acceptance
    simboardFingerLift(s.board, 0);
    flushEvents(400); // nothing must be injected within it
    // Injected ones: the palette coming back under the cursor has Wine report a move of the cursor
    // standing where the last test left it.
    int injected = 0;
    for (const MouseRecord& r : mouseRecorderEvents())
        injected += r.injected ? 1 : 0;
    EXPECT_EQ(injected, 0) << "buttons \"" << buttonTrace() << "\" " << eventTrace();
    EXPECT_TRUE(IsWindowVisible(palette)) << "the palette did not come back";
    mouseRecorderClear();
    simboardTap(s.board, 0, width / 2.0, height / 3.0, 120, SIM_SCREEN, true, 60);
    ASSERT_TRUE(waitButtons(2, 2000)) << "no click after the calibration";
    EXPECT_EQ(buttonTrace(), "ldown lup");
    EXPECT_LE(pixelDistance(mouseRecorderButtons()[0].point, width / 2.0, height / 3.0), tolerance);
    restoreWindowManagerWait("VelmoraSim.exe");
}

// The fourth cross touched 6 % of the screen's diagonal up and to the right of it: the outline is
// still convex and the points far apart, but the check touch at the centre lands more than 2 % of
// the diagonal away. The window says so and starts again at the first cross; after Esc the stored
// calibration maps the touches; a calibration done right then passes, the grid as accurate as ever.
TEST_F(TouchCalibration, ACornerTouchedOffIsCaughtByTheCheckCross) {
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, BOARD_CALIBRATION));
    POINT t[4];
    crossTargets(t);
    simboardClearLog(s.board);
    sendTrayCommand(s, IDM_CALIBRATE);
    const LONG off = std::lround(0.06 * std::hypot(width, height) / std::sqrt(2.0));
    POINT cross = {-1000, -1000};
    std::string failure;
    ASSERT_TRUE(tapCrosses(&s, 4, &cross, &failure, {off, -off})) << failure;
    ASSERT_TRUE(tapCrosses(&s, 1, &cross, &failure)) << failure; // the check cross
    EXPECT_LE(pixelDistance(cross, width / 2, height / 2), 1.0) << cross.x << "," << cross.y;
    POINT back;
    ASSERT_TRUE(waitCrossMoved(cross, 3000, &back)) << "the check did not send the window back";
    EXPECT_LE(pixelDistance(back, t[0].x, t[0].y), 1.0) << back.x << "," << back.y;
    EXPECT_GT(inkUnder((height + 296) / 2), 200) << "no \"Calibraci\xF3n imprecisa: repita\" under the logo";
    saveScreenshot(screenName("calibration_check_missed").c_str());
    EXPECT_EQ(simboardCountCommands(s.board, 0, SIM_CMD_STOP), 0) << "the missed check sent Stop";
    EXPECT_GE(simboardCountCommands(s.board, 0, SIM_CMD_RUN), 2) << "no Run for the new start";

    // Esc: the calibration from before maps the touches, also where the rejected one was far off.
    PostMessageA(findTopLevelWindow("qv_dingwei", s.program.processId), WM_CHAR, 27, 0);
    ASSERT_TRUE(waitCalibrationHidden(s, 4000));
    mouseRecorderClear();
    simboardTap(s.board, 0, width * 0.8, height * 0.2, 120, SIM_SCREEN, true, 60);
    ASSERT_TRUE(waitButtons(2, 2000));
    EXPECT_LE(pixelDistance(mouseRecorderButtons()[0].point, width * 0.8, height * 0.2), tolerance);

    ASSERT_TRUE(calibrateByTapping(&s, &failure)) << failure;
    checkGrid(s, tolerance, "checked");
}

// The right-button messages that reach a window of this test under the ring.
int rightButtonMessages = 0;
LRESULT CALLBACK underRingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    rightButtonMessages += message == WM_RBUTTONDOWN || message == WM_RBUTTONUP;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The ring's dark grey pixels within 32 of (x, y): all, and those of the upper-left quarter (the
// last to close); saved as a screenshot when named.
std::pair<int, int> ringAround(int x, int y, const char* shot) {
    const RECT area = {x - 32, y - 32, x + 32, y + 32};
    std::vector<COLORREF> px;
    std::pair<int, int> seen{0, 0};
    if (captureScreen(area, &px))
        for (size_t k = 0; k < px.size(); ++k)
            if (px[k] == RGB(0x40, 0x40, 0x40)) {
                ++seen.first;
                seen.second += k % 64 < 26 && k / 64 < 26;
            }
    if (shot)
        saveScreenshotArea(screenName(shot).c_str(), area, 4);
    return seen;
}

std::string eventTrace() {
    std::string trace;
    for (const MouseRecord& r : mouseRecorderEvents())
        trace += std::to_string(r.message) + (r.injected ? "i@" : "@") + std::to_string(r.point.x) + "," +
                 std::to_string(r.point.y) + " ";
    return trace;
}

void flushUntil(DWORD tick) {
    const DWORD now = GetTickCount();
    if (static_cast<int>(tick - now) > 0)
        flushEvents(tick - now);
}

// A touch held 1.3 s: at 500 ms the ring is half closed around it, at 1100 ms (the right button has
// gone down) closed, after the lift gone; the right click reaches the window under the ring. The
// same hold with the ring's window closed gives the same injected events.
TEST_F(TouchCalibration, AHeldTouchShowsAClosingRingThatTakesNoClick) {
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, BOARD_CALIBRATION));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = underRingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = CreateSolidBrush(RGB(40, 90, 160));
    wc.lpszClassName = "under_ring";
    RegisterClassA(&wc);
    const int x = width / 3, y = height / 2;
    const HWND under = CreateWindowExA(0, "under_ring", "", WS_POPUP | WS_VISIBLE, x - 150, y - 150, 300, 300,
                                       nullptr, nullptr, wc.hInstance, nullptr);
    std::string traces[2];
    for (int run = 0; run < 2; ++run) {
        const bool ring = run == 0;
        SetCursorPos(10, 10); // so that the touch-down moves the cursor in both runs
        flushEvents(200);     // and its own move recorded before the recorder is cleared
        mouseRecorderClear();
        rightButtonMessages = 0;
        const DWORD down = GetTickCount();
        simboardFingerDown(s.board, 0, x, y);
        flushUntil(down + 500);
        const std::pair<int, int> half = ringAround(x, y, ring ? "hold_ring_500ms" : nullptr);
        flushUntil(down + 1100);
        const std::pair<int, int> closed = ringAround(x, y, ring ? "hold_ring_1100ms" : nullptr);
        flushUntil(down + 1300);
        simboardFingerLift(s.board, 0);
        ASSERT_TRUE(waitButtons(3, 2000));
        flushEvents(150); // nothing more must come within it: exactly three right-button messages
        EXPECT_EQ(ringAround(x, y, nullptr).first, 0) << "a ring after the lift, run " << run;
        EXPECT_EQ(rightButtonMessages, 3) << "the right click missed the window under the touch, run " << run;
        traces[run] = eventTrace();
        std::printf("[ figures  ] hold %s the ring: right down %lu ms after the finger came down\n",
                    ring ? "with" : "without", mouseRecorderButtons()[0].time - down);
        if (ring) {
            EXPECT_GT(half.first, 40) << "no ring at 500 ms";
            EXPECT_EQ(half.second, 0) << "more than half closed at 500 ms";
            EXPECT_GT(closed.second, 10) << "not closed at 1100 ms";
            PostMessageA(findTopLevelWindow("qv_hold_ring", s.program.processId), WM_CLOSE, 0, 0);
        } else {
            EXPECT_EQ(half.first + closed.first, 0) << "a ring with its window closed";
        }
    }
    EXPECT_EQ(traces[0], traces[1]) << "the ring changed the injected events";
    DestroyWindow(under);
}

// The calibration stored was made while the screen was 1280 x 720 at 120 DPI: on this screen its
// crosses stand elsewhere, and the touches still land where they touch.
TEST_F(TouchCalibration, NextStartMapsTouchesAtOnceWithTheStoredCalibration) {
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, BOARD_CALIBRATION_OTHER_SCREEN));
    checkGrid(s, tolerance, "stored at 1280 x 720, 120 DPI:");
}

// How many of the monitor's sampled pixels are the board's grey (a grid of 64 x 40 samples).
int greyShare(const RECT& area) {
    std::vector<COLORREF> px;
    if (!captureScreen(area, &px))
        return -1;
    const int w = area.right - area.left, h = area.bottom - area.top;
    int grey = 0;
    for (int j = 0; j < 40; ++j)
        for (int i = 0; i < 64; ++i)
            grey += px[size_t(h * j / 40) * w + size_t(w * i / 64)] == RGB(200, 200, 200);
    return grey * 100 / (64 * 40);
}

TEST_F(TouchCalibration, OnTheSecondMonitorTheBoardCalibratesMapsDrawsAndStays) {
    const std::vector<MonitorEntry> monitors = systemMonitors();
    ASSERT_GE(monitors.size(), 2u);
    const MonitorEntry& m = monitors[1];
    const RECT first = {monitors[0].area.left, monitors[0].area.top, monitors[0].area.right,
                        monitors[0].area.bottom};
    const RECT second = {m.area.left, m.area.top, m.area.right, m.area.bottom};
    const POINT origin = {second.left, second.top};
    const int w = second.right - second.left, h = second.bottom - second.top;
    tolerance = 3.0; // one sensor unit spans about 1.5 pixels of a 1280-pixel-wide monitor
    // One projector, showing the second monitor. The stored calibration is the first monitor's.
    SimGeometry g = keystonedBoard();
    g.screenWidth = w;
    g.screenHeight = h;
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, BOARD_CALIBRATION, g, true));
    POINT landed;
    ASSERT_TRUE(clickAt(s, 500, 400, &landed));
    EXPECT_LE(pixelDistance(landed, 500, 400), tolerance) << "the primary is the board's monitor at first";

    // Picking the second monitor calibrates there at once; Esc puts the first one back, with the
    // calibration from before.
    setCrossMonitor(second);
    sendTrayCommand(s, IDM_SCREEN_FIRST + 1);
    POINT cross = {-1000, -1000};
    ASSERT_TRUE(waitCrossMoved(cross, 3000, &cross)) << "no cross on the second monitor";
    EXPECT_LE(pixelDistance(cross, 100, 50), 1.0) << cross.x << "," << cross.y;
    saveScreenshotArea((testExeDirectory() + "second_monitor_first_cross.bmp").c_str(), second);
    const HWND calibration = findTopLevelWindow("qv_dingwei", s.program.processId);
    PostMessageA(calibration, WM_CHAR, 27, 0);
    EXPECT_TRUE(waitNoCross(3000));
    EXPECT_TRUE(waitCalibrationHidden(s, 5000));
    ASSERT_TRUE(clickAt(s, 500, 400, &landed));
    EXPECT_LE(pixelDistance(landed, 500, 400), tolerance) << "after Esc: the first monitor, as calibrated";

    // Picked again and calibrated by tapping its crosses through the keystoned board.
    sendTrayCommand(s, IDM_SCREEN_FIRST + 1);
    cross = {-1000, -1000};
    std::string failure;
    ASSERT_TRUE(tapCrosses(&s, 5, &cross, &failure)) << failure;
    ASSERT_TRUE(waitNoCross(5000));
    ASSERT_TRUE(waitCalibrationHidden(s, 5000));
    ASSERT_TRUE(waitMapping(s.board, simboardLogSize(s.board))) << "no mapping after the calibration";
    checkGrid(s, tolerance, "second monitor", origin);

    // Zarpelo on the second monitor: the palette, the grey board and a stroke, none on the first.
    const HWND palette = findTopLevelWindow("qv_tool", s.program.processId);
    RECT p = {};
    GetWindowRect(palette, &p);
    EXPECT_TRUE(IsWindowVisible(palette));
    EXPECT_TRUE(p.left >= second.left && p.right <= second.right && p.bottom <= second.bottom)
        << "palette at " << p.left << "," << p.top;
    const POINT board = paletteButtonPoint(BUTTON_N_BOARD);
    simboardTap(s.board, 0, p.left - origin.x + board.x, p.top - origin.y + board.y, 120, SIM_SCREEN, true,
                600);
    // The board is up once the second monitor is grey; the first is looked at once the program
    // has handled everything the tap brought.
    waitFor([&] { return greyShare(second) > 80; }, 6500);
    waitProgramIdle(s);
    EXPECT_GT(greyShare(second), 80) << "no board on the second monitor";
    EXPECT_LT(greyShare(first), 20) << "the board covers the first monitor";
    // The stroke with the mouse: touches on this monitor are the grid's. On this bench (Wine on
    // the second screen of a Xephyr) a cursor warp, such as a touch-down's SetCursorPos, comes
    // back from the X server late and Wine takes it for the user's mouse, pulling the cursor back
    // to where the touch came down; a warp to the stroke's start first leaves nothing to pull
    // back. The page's own copies to that screen are not always seen on it there either, so what
    // the page drew is painted again before it is looked at.
    const int deskW = GetSystemMetrics(SM_CXVIRTUALSCREEN), deskH = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const int deskL = GetSystemMetrics(SM_XVIRTUALSCREEN), deskT = GetSystemMetrics(SM_YVIRTUALSCREEN);
    auto mouseAt = [&](int x, int y, DWORD flags) {
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | MOUSEEVENTF_MOVE | flags,
                    pixelToMouse(origin.x + x - deskL, deskW), pixelToMouse(origin.y + y - deskT, deskH), 0,
                    0);
        flushEvents(15);
    };
    SetCursorPos(origin.x + 200, origin.y + 200);
    flushEvents(700);
    mouseAt(200, 200, 0);
    mouseAt(200, 200, MOUSEEVENTF_LEFTDOWN);
    for (int k = 1; k <= 30; ++k)
        mouseAt(200 + 400 * k / 30, 200 + 300 * k / 30, 0);
    mouseAt(600, 500, MOUSEEVENTF_LEFTUP);
    // The page has drawn the stroke before it is painted again (nothing on this bench tells when).
    flushEvents(300);
    for (HWND page : topLevelWindows("qv_page", s.program.processId))
        InvalidateRect(page, nullptr, TRUE);
    auto darkDots = [&] {
        std::vector<COLORREF> px;
        int dark = 0;
        for (int k = 1; k < 10; ++k) {
            const RECT dot = {origin.x + 200 + 40 * k - 3, 200 + 30 * k - 3, origin.x + 200 + 40 * k + 4,
                              200 + 30 * k + 4};
            if (captureScreen(dot, &px))
                for (COLORREF c : px)
                    if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) {
                        ++dark;
                        break;
                    }
        }
        return dark;
    };
    int dark = 0;
    waitFor([&] { return (dark = darkDots()) >= 7; }, 1100);
    saveScreenshotArea((testExeDirectory() + "second_monitor_board_stroke.bmp").c_str(),
                       {first.left, 0, second.right, second.bottom});
    EXPECT_GE(dark, 7) << "no stroke along the drag on the second monitor";

    // "Salir" stores the monitor; the next start maps onto it again.
    sendTrayCommand(s, IDM_EXIT);
    ASSERT_TRUE(waitProgramExit(&s.program, 5000, nullptr, true));
    EXPECT_EQ(tolvexValue("Screen"), m.device);
    EXPECT_EQ(tolvexValue("MonitorId"), m.id) << "what identifies the monitor, beside its name";
    EXPECT_EQ(tolvexValue("MonitorSize"), "1280x800");
    expectClickAfterRestart(s, w / 2.0, h / 3.0, origin.x + w / 2.0, origin.y + h / 3.0, tolerance);
    setCrossMonitor({0, 0, 0, 0});
}

// At 150 % (the screen at 144 DPI): the crosses 150 and 75 pixels in from the corners, where a
// calibration stored at 100 % on the same glass expects them, the check cross at the centre; the
// touches then land within 3 pixels over the whole screen, and a held touch shows a ring of 60
// pixels across (40 at 100 %).
TEST_F(TouchCalibration, At150PercentTheCrossesGridAndRingScale) {
    if (screenDpi() != 144)
        GTEST_SKIP() << "for the screen at 144 DPI (hd144); this one is at " << screenDpi();
    TouchSession s;
    ASSERT_TRUE(startTouchSession(&s, NO_CALIBRATION));
    const POINT corners[4] = {{150, 75}, {width - 150, 75}, {150, height - 75}, {width - 150, height - 75}};
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 4; ++i) {
        const bool found = waitCrossMoved(cross, 3000, &cross);
        if (i == 0)
            saveScreenshotArea(screenName("calibration_cross_144dpi").c_str(), {0, 0, 300, 150}, 2);
        ASSERT_TRUE(found) << "cross " << i << " not found";
        EXPECT_LE(pixelDistance(cross, corners[i].x, corners[i].y), 1.0)
            << "cross " << i << " at " << cross.x << "," << cross.y;
        flushEvents(650); // the tap more than 700 ms after the last acceptance
        simboardTap(s.board, 0, cross.x, cross.y, 150, SIM_SCREEN, true, 60);
    }
    POINT check;
    ASSERT_TRUE(waitCrossMoved(cross, 3000, &check)) << "no check cross after the fourth";
    EXPECT_LE(pixelDistance(check, width / 2, height / 2), 1.0) << check.x << "," << check.y;
    saveScreenshot(screenName("calibration_check_cross_144dpi").c_str());
    flushEvents(650); // the tap more than 700 ms after the last acceptance
    simboardTap(s.board, 0, check.x, check.y, 150, SIM_SCREEN, true, 60);
    ASSERT_TRUE(waitNoCross(2000)) << "the check did not pass";
    ASSERT_TRUE(waitCalibrationHidden(s, 5000)) << "the calibration window did not hide";
    ASSERT_TRUE(waitMapping(s.board, simboardLogSize(s.board))) << "no mapping after the calibration";
    checkGrid(s, 3.0, "150 %");

    const int x = width / 3, y = height / 2;
    const DWORD down = GetTickCount();
    simboardFingerDown(s.board, 0, x, y);
    flushUntil(down + 1100);
    std::vector<COLORREF> row;
    ASSERT_TRUE(captureScreen({x - 60, y, x + 60, y + 1}, &row));
    simboardFingerLift(s.board, 0);
    saveScreenshotArea(screenName("hold_ring_144dpi").c_str(), {x - 48, y - 48, x + 48, y + 48}, 4);
    int first = -1, last = -1, dark = 0;
    for (int k = 0; k < int(row.size()); ++k)
        if (row[size_t(k)] == RGB(0x40, 0x40, 0x40)) {
            first = first < 0 ? k : first;
            last = k;
            ++dark;
        }
    ASSERT_GE(first, 0) << "no ring around the held touch";
    // From the middle of the band on one side to the middle on the other, both pixels counted.
    const double band = dark / 2.0, outer = last - first + 1;
    EXPECT_NEAR(outer - band + 1, 60, 0.5) << "the ring spans " << outer << " with a band of " << band;
    ASSERT_TRUE(waitButtons(3, 2000)) << "no right click from the hold";
}

} // namespace
