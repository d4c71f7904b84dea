// The calibration window on its own: painting into a memory DC, what begin, Esc and the close
// command do to calibState and the sensor, and the window following its monitor's scale.
// screens: sd hd
#include <gtest/gtest.h>

#include "calibration/calibration_state.h"
#include "win32/monitors.h"
#include "win32/ids.h"
#include "app/window_classes.h"
#include "calibration/calibration_window.h"
#include "resources/resource_ids.h"
#include "tests/support/flush_events.h"
#include "tests/support/screen.h"
#include "tools/simboard/simboard.h"
#include "sensor/sensor_link.h"

#include <string>
#include <vector>

namespace {

constexpr COLORREF GREY = RGB(200, 200, 200);

class CalibrationWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { registerWindowClasses(GetModuleHandleA(nullptr)); }
    void SetUp() override {
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
        calibState = CALIB_NONE;
        hwnd = CreateWindowExA(0, "qv_dingwei", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override {
        DestroyWindow(hwnd);
        sensorHandle = nullptr;
        sensorCommandHandle = nullptr;
    }
    // Paints the window's content over a grey W x H bitmap and returns the pixel getter's DC.
    HDC paint() {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
        RECT all = {0, 0, width, height};
        HBRUSH grey = CreateSolidBrush(GREY);
        FillRect(dc, &all, grey);
        DeleteObject(grey);
        paintCalibrationContent(dc, all);
        return dc;
    }
    // The painting's pixels as COLORREFs, row by row from the top.
    std::vector<COLORREF> pixels() {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<COLORREF> all(size_t(width) * size_t(height));
        SelectObject(dc, old);
        GetDIBits(dc, bitmap, 0, UINT(height), all.data(), &info, DIB_RGB_COLORS);
        SelectObject(dc, bitmap);
        for (COLORREF& c : all) // 0x00RRGGBB to 0x00BBGGRR
            c = RGB(GetBValue(c), GetGValue(c), GetRValue(c));
        return all;
    }
    void release() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    int width = 0, height = 0;
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

TEST_F(CalibrationWindow, PaintsOnlyTheCrossOfTheCurrentIndex) {
    for (int index = 0; index <= 4; ++index) {
        calibPointIndex = index;
        paint();
        for (int k = 0; k < 4; ++k) {
            const POINT c = calibrationCrossPosition(k);
            const bool shown = k == index;
            // Both diagonals are drawn through the centre, to 5 pixels out; the sides stay grey.
            for (int d : {-4, -2, 0, 2, 4}) {
                EXPECT_EQ(GetPixel(dc, c.x + d, c.y + d) == RGB(0, 0, 0), shown)
                    << "index " << index << " cross " << k << " d " << d;
                EXPECT_EQ(GetPixel(dc, c.x + d, c.y - d) == RGB(0, 0, 0), shown)
                    << "index " << index << " cross " << k << " d " << d;
            }
            EXPECT_EQ(GetPixel(dc, c.x + 5, c.y), GREY) << "index " << index << " cross " << k;
            EXPECT_EQ(GetPixel(dc, c.x, c.y - 6), GREY) << "index " << index << " cross " << k;
        }
        release();
    }
}

TEST_F(CalibrationWindow, LogoIsCentred) {
    HBITMAP logo =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_CALIBRATION_LOGO),
                                        IMAGE_BITMAP, 512, 296, LR_DEFAULTCOLOR));
    ASSERT_NE(nullptr, logo) << "bitmap 200 is in the resources";
    DeleteObject(logo);
    paint();
    const int left = (width - 512) / 2, top = (height - 296) / 2;
    int notGrey = 0;
    for (int y = top; y < top + 296; y += 8)
        for (int x = left; x < left + 512; x += 8)
            notGrey += GetPixel(dc, x, y) != GREY;
    int outside = 0; // a band around the logo stays grey
    for (int x = left - 4; x < left + 516; x += 4)
        outside += (GetPixel(dc, x, top - 2) != GREY) + (GetPixel(dc, x, top + 297) != GREY);
    release();
    EXPECT_EQ(outside, 0);
    EXPECT_GT(notGrey, 0);
}

TEST_F(CalibrationWindow, CancelPutsBackTheStateFromBeforeTheCalibration) {
    struct Case {
        const char* what;
        int32_t before;
        UINT message;
        WPARAM wParam;
        bool restartFirst;
        bool shown; // hiding a full-screen window costs 2 s under Wine without a window manager
    };
    const Case cases[] = {
        {"Esc after a calibrated start", CALIB_MAPPING, WM_CHAR, 27, false, true},
        {"Esc after an uncalibrated start", CALIB_NONE, WM_CHAR, 27, false, false},
        {"close command", CALIB_MAPPING, WM_SYSCOMMAND, SC_CLOSE, false, true},
        {"Esc after a restart during the calibration", CALIB_NONE, WM_CHAR, 27, true, false},
        {"close after a restart", CALIB_MAPPING, WM_SYSCOMMAND, SC_CLOSE, true, false},
    };
    for (const Case& c : cases) {
        calibState = c.before;
        SendMessageA(hwnd, UM_CALIB_BEGIN, 0, 0);
        calibState = CALIB_CAPTURING;
        if (c.shown)
            ShowWindow(hwnd, SW_SHOWNORMAL);
        if (c.restartFirst) {
            calibPointIndex = 2;
            SendMessageA(hwnd, UM_CALIB_BEGIN, 0, 0); // chosen again while capturing
            EXPECT_EQ(calibPointIndex.load(), 0) << c.what;
        }
        const LRESULT result = SendMessageA(hwnd, c.message, c.wParam, 0);
        if (c.message == WM_SYSCOMMAND) {
            EXPECT_EQ(result, 0) << c.what;
        }
        EXPECT_FALSE(IsWindowVisible(hwnd)) << c.what;
        EXPECT_EQ(calibState.load(), c.before) << c.what;
    }
    // Other characters do nothing.
    SendMessageA(hwnd, UM_CALIB_BEGIN, 0, 0);
    calibState = CALIB_CAPTURING;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SendMessageA(hwnd, WM_CHAR, 'a', 0);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(calibState.load(), CALIB_CAPTURING);
    // A capture that completed just before the cancel is kept.
    calibState = CALIB_MAPPING;
    SendMessageA(hwnd, WM_CHAR, 27, 0);
    EXPECT_EQ(calibState.load(), CALIB_MAPPING);
}

TEST_F(CalibrationWindow, BeginSendsRunOverTheReaderHandleAndEscStopOverTheCommandHandle) {
    SimBoard* board = simboardStart();
    ASSERT_NE(board, nullptr);
    sensorCommandHandle = findSensor();
    sensorHandle = findSensor();
    ASSERT_NE(sensorCommandHandle, nullptr);
    ASSERT_NE(sensorHandle.load(), nullptr);
    buildSensorCommand(sensorCommand, SENSOR_STOP);
    simboardClearLog(board);

    SendMessageA(hwnd, UM_CALIB_BEGIN, 0, 0);
    calibState = CALIB_CAPTURING;
    SendMessageA(hwnd, WM_CHAR, 27, 0);
    const std::vector<SimEvent> commands = simboardCommands(board);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].command, SIM_CMD_RUN);
    EXPECT_EQ(commands[1].command, SIM_CMD_STOP);
    EXPECT_NE(commands[0].connection, commands[1].connection) << "Run and Stop went over the same handle";

    CloseHandle(sensorCommandHandle);
    CloseHandle(sensorHandle);
    simboardStop(board);
}

// The monitors the window's board is looked up among.
std::vector<MonitorEntry> testMonitors;
std::vector<MonitorEntry> fromTable() {
    return testMonitors;
}

std::string pointText(POINT p) {
    return std::to_string(p.x) + "," + std::to_string(p.y);
}

// Cross k drawn at its place and size: black along both diagonals out to `reach` pixels from its
// centre, grey a little beyond its ends and beside it.
::testing::AssertionResult crossDrawn(HDC dc, int k, int reach) {
    const POINT c = calibrationCrossPosition(k);
    for (int d : {-reach, 0, reach})
        for (int side : {-1, 1})
            if (GetPixel(dc, c.x + d, c.y + side * d) != RGB(0, 0, 0))
                return ::testing::AssertionFailure()
                       << "cross " << k << " at " << pointText(c) << ": no ink at " << d << "," << side * d;
    const int beyond = reach + 4;
    for (int side : {-1, 1})
        if (GetPixel(dc, c.x + beyond, c.y + side * beyond) != GREY ||
            GetPixel(dc, c.x + beyond, c.y) != GREY)
            return ::testing::AssertionFailure()
                   << "cross " << k << " at " << pointText(c) << ": ink beyond " << beyond << " pixels";
    return ::testing::AssertionSuccess();
}

// The box of the pixels that are not the grey surface, over the middle of a w x h painting: the
// logo's place at up to 150 %, clear of the crosses even on a 1024 x 768 screen.
RECT inkedMiddle(const std::vector<COLORREF>& pixels, int w, int h) {
    RECT box = {w, h, 0, 0};
    for (int y = h / 2 - 240; y < h / 2 + 240; ++y)
        for (int x = w / 2 - 400; x < w / 2 + 400; ++x)
            if (pixels[size_t(y) * size_t(w) + size_t(x)] != GREY) {
                box.left = x < box.left ? x : box.left;
                box.top = y < box.top ? y : box.top;
                box.right = x + 1 > box.right ? x + 1 : box.right;
                box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
            }
    return box;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// The board's monitor changes scale under the shown window (WM_DPICHANGED; the main window's
// UM_CALIB_FOLLOW once it looked the monitors up again): the crosses stand 150, 75 in at 150 % and
// are drawn larger, the logo half as large again; a calibration under way starts again when its
// crosses moved and goes on when none did. Back at 100 % it paints exactly as before.
TEST_F(CalibrationWindow, FollowsTheScaleOfTheBoardsMonitor) {
    testMonitors = {{"\\\\.\\DISPLAY1", {0, 0, width, height}, {0, 0, width, height}, true, ""}};
    monitorSource = fromTable;
    takeBoardMonitor();
    SendMessageA(hwnd, UM_CALIB_BEGIN, 0, 0);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    calibPointIndex = 0;
    paint();
    const RECT logo96 = inkedMiddle(pixels(), width, height); // inside its grey margin
    const std::vector<COLORREF> at96 = pixels();
    release();

    // The monitor's scale goes to 150 %; a message without a scale or without a rectangle is not
    // taken for that.
    calibPointIndex = 2; // two points taken against the crosses at 100 %
    testMonitors[0].dpi = 144;
    takeBoardMonitor(); // as the main window does when told
    RECT suggested = {0, 0, width, height};
    SendMessageA(hwnd, WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&suggested));
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    EXPECT_EQ(pointText(calibrationCrossPosition(0)), "100,50");
    EXPECT_EQ(calibPointIndex.load(), 2);
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(calibPointIndex.load(), 0) << "points taken against the old crosses were kept";
    EXPECT_EQ(pointText(calibrationCrossPosition(0)), "150,75");
    EXPECT_EQ(pointText(calibrationCrossPosition(3)), pointText({width - 150, height - 75}));
    for (int k = 0; k < 4; ++k) {
        calibPointIndex = k;
        paint();
        EXPECT_TRUE(crossDrawn(dc, k, 7)) << "at 144 DPI";
        if (k == 0) { // the logo half as large again, still centred
            const RECT logo = inkedMiddle(pixels(), width, height);
            EXPECT_NEAR(logo.right - logo.left, (logo96.right - logo96.left) * 3 / 2, 2) << rectText(logo);
            EXPECT_NEAR(logo.bottom - logo.top, (logo96.bottom - logo96.top) * 3 / 2, 2) << rectText(logo);
            EXPECT_NEAR(logo.left + logo.right, width, 2) << rectText(logo);
            EXPECT_NEAR(logo.top + logo.bottom, height, 2) << rectText(logo);
        }
        release();
    }
    calibPointIndex = 0;
    flushEvents(100);
    saveWindowPicture(hwnd, "calibration_144");
    calibPointIndex = 1;
    SendMessageA(hwnd, UM_CALIB_FOLLOW, 0, 0); // looked up again, nothing moved: the capture goes on
    EXPECT_EQ(calibPointIndex.load(), 1);

    // Back at 100 %: everything as it was painted before.
    testMonitors[0].dpi = 96;
    takeBoardMonitor();
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(calibPointIndex.load(), 0);
    RECT now = {};
    GetWindowRect(hwnd, &now);
    EXPECT_EQ(rectText(now), rectText({0, 0, width, height}));
    paint();
    EXPECT_TRUE(crossDrawn(dc, 0, 4));
    const std::vector<COLORREF> back = pixels();
    release();
    size_t differ = 0;
    for (size_t n = 0; n < back.size(); ++n)
        differ += back[n] != at96[n];
    EXPECT_EQ(differ, 0u) << "pixels unlike the first painting at 100 %";

    monitorSource = systemMonitors;
    takeBoardMonitor();
}

} // namespace
