#pragma once
// The system's monitors and the board's monitor among them.
#include <windows.h>

#include <vector>

#include "win32/core/board_monitor.h"

// The monitors as the system reports them (EnumDisplayMonitors, GetMonitorInfoA), in its order.
std::vector<MonitorEntry> systemMonitors();

// Where the monitors come from: systemMonitors, or a test's own table (a monitor that goes away
// cannot be made to go away in the system).
using MonitorSource = std::vector<MonitorEntry> (*)();
extern MonitorSource monitorSource;

// The board's monitor (GUI thread). boardScreenChoice is the user's choice as stored under
// "Screen", "MonitorId" and "MonitorSize" (no device name: none made, the primary); boardMonitor is
// the monitor it resolved to at the last start, display change or choice: the primary while the
// chosen one is missing.
extern ScreenChoice boardScreenChoice;
extern MonitorEntry boardMonitor;

// Looks boardScreenChoice up among the monitors again and makes the chosen monitor (else the
// primary) boardMonitor; `desk` becomes the virtual screen, the union of the monitors. The choice
// follows its monitor's name and size as they are now. Without any monitor reported, the primary
// screen as GetSystemMetrics gives it. True when a monitor was chosen and is missing.
// (takeBoardMonitor, calibration_state.h, also publishes the monitor for the reader thread.)
bool lookUpBoardMonitor(MonitorBox* desk);

// A window on the board's monitor heard WM_DPICHANGED: false for one without a scale or without a
// rectangle, which the window ignores. Else, where boardMonitor is not known at that scale, the main
// window is asked to look the monitors up again (UM_BOARD_RESCALED), which moves the board's windows
// to fit (nothing without a main window: a window made on its own, as in a test), and the window
// follows the board itself.
bool boardRescaleHeard(WPARAM wParam, LPARAM lParam);

// boardMonitor's rectangles, as RECTs; the primary screen's before the board's monitor is taken.
RECT boardArea();
RECT boardWorkArea();
// boardMonitor's DPI; the primary's before the board's monitor is taken.
int32_t boardDpi();
