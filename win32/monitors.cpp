#include "win32/monitors.h"

#include "win32/program.h"
#include "win32/dpi.h"
#include "win32/ids.h"

namespace {

// The interface name of the monitor shown through an adapter output ("\\.\DISPLAY2"): of the
// monitor devices under that output, the active one (two under one output mirror it), else the
// first. Empty when the system lists none.
std::string monitorInterfaceName(const char* device) {
    std::string first;
    for (DWORD k = 0;; ++k) {
        DISPLAY_DEVICEA monitor = {};
        monitor.cb = sizeof monitor;
        if (!EnumDisplayDevicesA(device, k, &monitor, EDD_GET_DEVICE_INTERFACE_NAME))
            return first;
        monitor.DeviceID[sizeof monitor.DeviceID - 1] = '\0';
        if (monitor.StateFlags & DISPLAY_DEVICE_ACTIVE)
            return monitor.DeviceID;
        if (k == 0)
            first = monitor.DeviceID;
    }
}

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info))
        return TRUE;
    const RECT& a = info.rcMonitor;
    // Right after a display change the work area can still be the old mode's (the shell's taskbar
    // sets it afresh later): it never reaches beyond the monitor.
    RECT w = info.rcWork;
    if (!IntersectRect(&w, &info.rcWork, &a))
        w = a;
    reinterpret_cast<std::vector<MonitorEntry>*>(list)->push_back({info.szDevice,
                                                                   {a.left, a.top, a.right, a.bottom},
                                                                   {w.left, w.top, w.right, w.bottom},
                                                                   (info.dwFlags & MONITORINFOF_PRIMARY) != 0,
                                                                   monitorInterfaceName(info.szDevice),
                                                                   dpiOfMonitor(monitor)});
    return TRUE;
}

MonitorEntry primaryScreen() {
    const int32_t w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const RECT all = {0, 0, w, h};
    RECT work = all;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (!IntersectRect(&work, &work, &all))
        work = all;
    return {"", {0, 0, w, h}, {work.left, work.top, work.right, work.bottom}, true, "", primaryDpi()};
}

RECT toRect(const MonitorBox& b) {
    return {b.left, b.top, b.right, b.bottom};
}

} // namespace

std::vector<MonitorEntry> systemMonitors() {
    std::vector<MonitorEntry> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

MonitorSource monitorSource = systemMonitors;

ScreenChoice boardScreenChoice;
MonitorEntry boardMonitor = {};

bool lookUpBoardMonitor(MonitorBox* desk) {
    const std::vector<MonitorEntry> monitors = monitorSource();
    const int chosen = findChosenMonitor(monitors, boardScreenChoice);
    if (chosen >= 0)
        refreshChoice(boardScreenChoice, monitors[size_t(chosen)]);
    const int board = resolveBoardMonitor(monitors, boardScreenChoice);
    boardMonitor = board < 0 ? primaryScreen() : monitors[size_t(board)];
    // The virtual screen is the union of the monitors: what the system's absolute units span
    // with MOUSEEVENTF_VIRTUALDESK.
    *desk = boardMonitor.area;
    for (const MonitorEntry& m : monitors) {
        desk->left = m.area.left < desk->left ? m.area.left : desk->left;
        desk->top = m.area.top < desk->top ? m.area.top : desk->top;
        desk->right = m.area.right > desk->right ? m.area.right : desk->right;
        desk->bottom = m.area.bottom > desk->bottom ? m.area.bottom : desk->bottom;
    }
    return chosen < 0 && !boardScreenChoice.device.empty();
}

bool boardRescaleHeard(WPARAM wParam, LPARAM lParam) {
    const int32_t dpi = announcedDpi(wParam, lParam);
    if (dpi < 1)
        return false;
    const HWND main = hwndMain;
    if (main && dpi != boardDpi())
        SendMessageA(main, UM_BOARD_RESCALED, 0, 0);
    return true;
}

// Before the first takeBoardMonitor (a window made on its own, as in a test) the board is the
// primary screen.
RECT boardArea() {
    const MonitorBox& a = boardMonitor.area;
    return a.right > a.left && a.bottom > a.top ? toRect(a) : toRect(primaryScreen().area);
}

int32_t boardDpi() {
    const MonitorBox& a = boardMonitor.area;
    return a.right > a.left && a.bottom > a.top ? boardMonitor.dpi : primaryDpi();
}

RECT boardWorkArea() {
    const MonitorBox& w = boardMonitor.work;
    return w.right > w.left && w.bottom > w.top ? toRect(w) : toRect(primaryScreen().work);
}
