// The calibration window on its own: painting into a memory DC, and what begin,
// Esc and the close command do to calibState and the sensor.
// screens: sd hd
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/shared/ids.h"
#include "app/window_classes.h"
#include "calibration/calibration_window.h"
#include "resources/resource_ids.h"
#include "tests/support/wintest.h"
#include "tools/simboard/simboard.h"
#include "sensor/sensor_link.h"

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

} // namespace
