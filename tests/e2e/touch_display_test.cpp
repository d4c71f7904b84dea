// A display change during a calibration: back to the first cross, with crosses and window at the
// new size. Then a drawing on the board survives a resolution increase where it was, and the
// board covers the whole new screen and takes strokes there. Last, a display change in the second
// that a completed calibration shows "Calibración correcta": the calibration is over, so the window
// goes and the palette and the board come back as they were. A bare Xvfb cannot change its size,
// so the test runs itself again inside a Wine virtual desktop (explorer /desktop=...), where
// ChangeDisplaySettingsA works, and reports from there.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "win32/ids.h"
#include "calibration/core/screen_mapping.h"
#include "palette/core/palette_layout.h"
#include "tests/support/child_process.h"
#include "tests/support/crosses.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/palette_point.h"
#include "tests/support/screen.h"
#include "tests/support/touch_session.h"

namespace {

constexpr const char* INNER_FLAG = "VELMORA_DISPLAY_INNER"; // set in the run inside the desktop

std::string resultPath() {
    return testExeDirectory() + "touch_display_result.txt";
}

bool changeScreenSize(int width, int height) {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
}

// The real mouse, in absolute units over the screen as it is now.
void mouseTo(POINT p, DWORD flags = 0) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags, pixelToMouseX(p.x, w), pixelToMouseY(p.y, h),
                0, 0);
    flushEvents(15);
}

void mouseDrag(POINT a, POINT b) {
    mouseTo(a);
    mouseTo(a, MOUSEEVENTF_LEFTDOWN);
    for (int k = 1; k <= 20; ++k)
        mouseTo({a.x + (b.x - a.x) * k / 20, a.y + (b.y - a.y) * k / 20});
    mouseTo(b, MOUSEEVENTF_LEFTUP);
    flushEvents(300);
}

// How many of 9 points along a..b have a dark pixel within 3 pixels.
int darkAlong(POINT a, POINT b) {
    int dark = 0;
    for (int k = 1; k < 10; ++k) {
        const int x = a.x + (b.x - a.x) * k / 10, y = a.y + (b.y - a.y) * k / 10;
        std::vector<COLORREF> px;
        if (!captureScreen({x - 3, y - 3, x + 4, y + 4}, &px))
            continue;
        for (COLORREF c : px)
            if (GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80) {
                ++dark;
                break;
            }
    }
    return dark;
}

// Whether the board's grey covers most of `area` of the screen.
bool boardGreyOver(RECT area) {
    std::vector<COLORREF> px;
    const long all = (area.right - area.left) * (area.bottom - area.top);
    return captureScreen(area, &px) && std::count(px.begin(), px.end(), RGB(200, 200, 200)) > all * 9 / 10;
}

TEST(TouchDisplay, DisplayChangeDuringACalibrationRestartsAtTheFirstCrossAtTheNewSize) {
    if (GetEnvironmentVariableA(INNER_FLAG, nullptr, 0) == 0) {
        // Outside: run this test again inside a 1024 x 768 virtual desktop and report its result.
        DeleteFileA(resultPath().c_str());
        SetEnvironmentVariableA(INNER_FLAG, "1");
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = "explorer.exe /desktop=velmora_display,1024x768 \"" + std::string(self) +
                              "\" --gtest_filter=TouchDisplay.*";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info));
        SetEnvironmentVariableA(INNER_FLAG, nullptr);
        CloseHandle(info.hThread);
        // explorer hands the program to the desktop and may return at once: wait for the result.
        waitFor([] { return GetFileAttributesA(resultPath().c_str()) != INVALID_FILE_ATTRIBUTES; }, 45000,
                20);
        Sleep(200); // the inner run writes its result and then ends: it is let end
        CloseHandle(info.hProcess);
        // Wine leaves the work area of the smaller mode behind for the whole prefix, which would
        // push later menus and message boxes up: put the full screen back.
        RECT full = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoA(SPI_SETWORKAREA, 0, &full, SPIF_SENDCHANGE);
        std::ifstream in(resultPath());
        ASSERT_TRUE(in.good()) << "the run inside the virtual desktop left no result";
        std::stringstream text;
        text << in.rdbuf();
        const std::string result = text.str();
        std::printf("%s", result.c_str());
        EXPECT_EQ(result.rfind("PASS", 0), 0u) << result;
        return;
    }

    // Inside the virtual desktop. Wine keeps a size set there for the prefix's later programs: the
    // screen goes back to its size at the end, or the next tests on this prefix run at 800 x 600.
    const int startWidth = GetSystemMetrics(SM_CXSCREEN), startHeight = GetSystemMetrics(SM_CYSCREEN);
    std::ostringstream report;
    bool ok = true;
    auto check = [&](bool condition, const std::string& what) {
        if (!condition) {
            ok = false;
            report << "  failed: " << what << "\n";
        }
    };
    {
        TouchSession s;
        if (!startTouchSession(&s, NO_CALIBRATION)) {
            check(false, "the session did not start");
        } else {
            sendTrayCommand(s, IDM_CALIBRATE);
            POINT cross = {-1000, -1000};
            check(waitCrossMoved(cross, 3000, &cross), "no first cross");
            check(cross.x == 100 && cross.y == 50,
                  "first cross at " + std::to_string(cross.x) + "," + std::to_string(cross.y));
            simboardTap(s.board, 0, cross.x, cross.y, 120, SIM_SCREEN, true, 60);
            POINT second;
            check(waitCrossMoved(cross, 2000, &second), "the cross did not move on");
            check(second.x == 924 && second.y == 50,
                  "second cross at " + std::to_string(second.x) + "," + std::to_string(second.y));
            const bool changed = changeScreenSize(800, 600);
            check(changed, "ChangeDisplaySettingsA to 800 x 600 failed");
            if (changed) {
                // The crosses are looked for once the calibration window has the new size.
                waitFor(
                    [&] {
                        RECT r = {};
                        GetWindowRect(findTopLevelWindow("qv_dingwei", s.program.processId), &r);
                        return r.right == 800 && r.bottom == 600;
                    },
                    800);
                POINT back;
                check(waitCrossMoved(second, 3000, &back), "no cross after the display change");
                check(back.x == 100 && back.y == 50, "after the change the cross is at " +
                                                         std::to_string(back.x) + "," +
                                                         std::to_string(back.y));
                const HWND calibration = findTopLevelWindow("qv_dingwei", s.program.processId);
                RECT r = {};
                GetWindowRect(calibration, &r);
                check(r.left == 0 && r.top == 0 && r.right == 800 && r.bottom == 600,
                      "window " + std::to_string(r.right) + " x " + std::to_string(r.bottom));
                flushEvents(700);
                // Any valid touch is a calibration point; where it lands on the sensor does not matter.
                simboardTap(s.board, 0, back.x, back.y, 120, SIM_SCREEN, true, 60);
                POINT next;
                check(waitCrossMoved(back, 2000, &next), "the cross did not move on after the change");
                check(next.x == 700 && next.y == 50, "second cross after the change at " +
                                                         std::to_string(next.x) + "," +
                                                         std::to_string(next.y));

                // The board at 800 x 600, a stroke on it; then the screen grows to 1024 x 768.
                PostMessageA(calibration, WM_CHAR, 27, 0);
                check(waitNoCross(3000), "the calibration did not end on Esc");
                sendTrayCommand(s, IDM_PALETTE);
                flushEvents(1500);
                const HWND palette = findTopLevelWindow("qv_tool", s.program.processId);
                RECT p = {};
                GetWindowRect(palette, &p);
                const POINT boardButton = paletteButtonPoint(BUTTON_N_BOARD);
                mouseTo({p.left + boardButton.x, p.top + boardButton.y});
                mouseTo({p.left + boardButton.x, p.top + boardButton.y}, MOUSEEVENTF_LEFTDOWN);
                mouseTo({p.left + boardButton.x, p.top + boardButton.y}, MOUSEEVENTF_LEFTUP);
                // Fixed waits for the palette and the board: under the virtual desktop the palette
                // can take its click late, at a moment nothing here shows.
                flushEvents(1500);
                const POINT a = {100, 150}, b = {500, 450};
                mouseDrag(a, b);
                saveScreenshot((testExeDirectory() + "display_change_board_800x600.bmp").c_str());
                check(darkAlong(a, b) >= 7, "no stroke on the board at 800 x 600");
                check(changeScreenSize(1024, 768), "ChangeDisplaySettingsA back to 1024 x 768 failed");
                // The board has taken the new size once its grey reaches the new corner; the stroke
                // is painted again with it.
                check(waitFor(
                          [&] {
                              return boardGreyOver({900, 650, 1024, 768});
                          },
                          1500),
                      "the board does not cover the new part of the screen");
                check(waitFor([&] { return darkAlong(a, b) >= 7; }, 1500),
                      "the stroke is gone after the screen grew");
                const POINT c = {850, 620}, d = {1010, 755};
                mouseDrag(c, d);
                check(darkAlong(c, d) >= 7, "no stroke in the new part of the screen");
                saveScreenshot((testExeDirectory() + "display_change_board_grown.bmp").c_str());

                // A calibration to its check; the display changes while its outcome is up.
                check(IsWindowVisible(palette), "the palette is not up before the calibration");
                const size_t mark = simboardLogSize(s.board);
                sendTrayCommand(s, IDM_CALIBRATE);
                POINT lastCorner = {-1000, -1000}, centre = {-1000, -1000};
                std::string failure;
                const bool corners = tapCrosses(&s, 4, &lastCorner, &failure);
                check(corners, failure);
                check(corners && waitCrossMoved(lastCorner, 3000, &centre), "no check cross");
                simboardFingerDown(s.board, 0, centre.x, centre.y);
                const int stop = simboardWaitCommand(s.board, 0, SIM_CMD_STOP, 3000, mark, true);
                simboardFingerLift(s.board, 0);
                check(stop >= 0, "the check cross was not accepted");
                flushEvents(100);
                check(changeScreenSize(800, 600), "ChangeDisplaySettingsA to 800 x 600 failed");
                flushEvents(300);
                check(waitCalibrationHidden(s, 5000),
                      "the calibration window stayed after the display change");
                flushEvents(500);
                POINT left;
                check(!findCrossOnScreen(&left), "a cross is left on the screen at " +
                                                     std::to_string(left.x) + "," + std::to_string(left.y));
                check(IsWindowVisible(palette), "the palette did not come back");
                bool boardShown = false;
                for (HWND container : topLevelWindows("qv_pageparent", s.program.processId))
                    boardShown = boardShown || IsWindowVisible(container);
                check(boardShown, "the board did not come back");
                saveScreenshot((testExeDirectory() + "display_change_after_calibration.bmp").c_str());
            }
        }
    }
    if (GetSystemMetrics(SM_CXSCREEN) != startWidth || GetSystemMetrics(SM_CYSCREEN) != startHeight)
        changeScreenSize(startWidth, startHeight);
    std::ofstream out(resultPath());
    out << (ok ? "PASS\n" : "FAIL\n") << report.str();
    EXPECT_TRUE(ok) << report.str();
}

} // namespace
