// The two-monitor bench display: the monitors the system reports, and absolute mouse units over the
// virtual screen (MOUSEEVENTF_VIRTUALDESK) or over the primary monitor only (without it).
// screens: dual
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "win32/monitors.h"

namespace {

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info))
        reinterpret_cast<std::vector<MONITORINFOEXA>*>(data)->push_back(info);
    return TRUE;
}

// The smallest unit that lands on pixel p of an extent starting at origin.
int units(int p, int origin, int extent) {
    return static_cast<int>((static_cast<long long>(p - origin) * 65536 + extent - 1) / extent);
}

POINT moveAbsolute(int dx, int dy, DWORD extraFlags) {
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | extraFlags, static_cast<DWORD>(dx),
                static_cast<DWORD>(dy), 0, 0);
    POINT p{-1, -1};
    GetCursorPos(&p);
    return p;
}

} // namespace

TEST(Monitors, TwoMonitorsSideBySideThePrimaryFirst) {
    std::vector<MONITORINFOEXA> monitors;
    EnumDisplayMonitors(nullptr, nullptr, collectMonitor, reinterpret_cast<LPARAM>(&monitors));
    ASSERT_EQ(monitors.size(), 2u);
    const RECT expected[2] = {{0, 0, 1024, 768}, {1024, 0, 2304, 800}};
    for (int i = 0; i < 2; ++i) {
        const MONITORINFOEXA& m = monitors[i];
        EXPECT_STREQ(m.szDevice, i == 0 ? "\\\\.\\DISPLAY1" : "\\\\.\\DISPLAY2");
        EXPECT_TRUE(EqualRect(&m.rcMonitor, &expected[i]))
            << m.szDevice << " at " << m.rcMonitor.left << "," << m.rcMonitor.top << " - "
            << m.rcMonitor.right << "," << m.rcMonitor.bottom;
        EXPECT_EQ((m.dwFlags & MONITORINFOF_PRIMARY) != 0, i == 0) << m.szDevice;
    }
    EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 2304);
    EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), 800);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}

TEST(Monitors, VirtualDeskUnitsLandOnTheirPixelAndOneUnitLessOnThePixelBefore) {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const POINT pixels[] = {{1024, 0},   {2303, 799}, {1024, 799}, {2303, 0},
                            {1700, 400}, {0, 0},      {1023, 767}, {500, 300}};
    for (const POINT& px : pixels) {
        const int dx = units(px.x, left, width), dy = units(px.y, top, height);
        POINT p = moveAbsolute(dx, dy, MOUSEEVENTF_VIRTUALDESK);
        EXPECT_TRUE(p.x == px.x && p.y == px.y)
            << "(" << px.x << ", " << px.y << ") landed on (" << p.x << ", " << p.y << ")";
        // The smallest such unit: one less lands on the pixel before. Together these pin the
        // system's rounding down, pixel = origin + units * extent / 65536.
        if (px.x > 0 && px.y > 0) {
            p = moveAbsolute(dx - 1, dy - 1, MOUSEEVENTF_VIRTUALDESK);
            EXPECT_TRUE(p.x == px.x - 1 && p.y == px.y - 1) << "one unit before (" << px.x << ", " << px.y
                                                            << ") landed on (" << p.x << ", " << p.y << ")";
        }
    }
}

TEST(Monitors, WithoutVirtualDeskUnitsSpanThePrimaryMonitorOnly) {
    const POINT pixels[] = {{0, 0}, {1023, 767}, {512, 384}};
    for (const POINT& px : pixels) {
        POINT p = moveAbsolute(units(px.x, 0, 1024), units(px.y, 0, 768), 0);
        EXPECT_TRUE(p.x == px.x && p.y == px.y)
            << "(" << px.x << ", " << px.y << ") landed on (" << p.x << ", " << p.y << ")";
    }
    POINT p = moveAbsolute(65535, 65535, 0); // the far corner of the primary, not of the desk
    EXPECT_EQ(p.x, 1023);
    EXPECT_EQ(p.y, 767);
}

// What identifies each monitor, as the program reads it: Wine 8 gives every monitor the generic
// "Default_Monitor" interface name, numbered by position (as the device name is), so the board's
// monitor is found by its device name there, exactly as without it.
TEST(Monitors, InterfaceNamesAreReadAndWinesGenericOnesLeaveTheNameToDecide) {
    const std::vector<MonitorEntry> monitors = systemMonitors();
    ASSERT_EQ(monitors.size(), 2u);
    for (const MonitorEntry& m : monitors) {
        EXPECT_EQ(m.id.rfind("\\\\?\\DISPLAY#", 0), 0u) << m.device << ": " << m.id;
        EXPECT_FALSE(monitorIdIdentifies(m.id)) << m.device << ": " << m.id;
    }
    EXPECT_NE(monitors[0].id, monitors[1].id);
    ScreenChoice chosen = choiceOf(monitors[1]);
    EXPECT_EQ(chosen.width, 1280);
    EXPECT_EQ(chosen.height, 800);
    EXPECT_EQ(findChosenMonitor(monitors, chosen), 1);
    chosen.device = "\\\\.\\DISPLAY1"; // the same interface name under another device name
    EXPECT_EQ(findChosenMonitor(monitors, chosen), 0) << "the name decides";
}
