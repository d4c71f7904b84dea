#pragma once
// The monitor the board is on: one of the monitors the system reports, named by its device name,
// and where the board's windows go on it.
#include <cstdint>
#include <string>
#include <vector>

struct MonitorBox {
    int32_t left, top, right, bottom;
};

struct MonitorEntry {
    std::string device; // the system's name for it, e.g. "\\.\DISPLAY2"
    MonitorBox area;    // the whole monitor on the virtual screen
    MonitorBox work;    // the part of it that the taskbar and the like leave free
    bool primary;
};

// The board's monitor among `monitors` (in the system's order): the one named `chosen` (device
// names compare without regard to case), else the primary, else the first. -1 for no monitors.
// An empty `chosen` is no choice: the primary.
int resolveBoardMonitor(const std::vector<MonitorEntry>& monitors, const std::string& chosen);

// The tray menu's item for a monitor: "Pantalla N: W x H", and " (principal)" after the primary's
// size. number counts from 1.
std::string monitorMenuText(int number, const MonitorEntry& monitor);

// The palette's first place (its top-left corner): size 220 x 220, 35 pixels in from the right
// and bottom edges of the work area, as the first place on a single screen is from its edges.
struct BoxPoint {
    int32_t x, y;
};
BoxPoint paletteHome(const MonitorBox& work);

// Where a window at `at` of width x height goes so that it lies inside `work`: unchanged when it
// does, else moved the least. A window larger than the work area keeps its top-left corner inside.
BoxPoint keepInside(BoxPoint at, int32_t width, int32_t height, const MonitorBox& work);

// Where the palette goes when the board's monitor changed (220 x 220 at `at`): where it is while
// inside the work area; moved the least when partly outside (a smaller resolution); its first
// place on the monitor when wholly outside (it was on another monitor).
BoxPoint paletteInside(BoxPoint at, const MonitorBox& work);
