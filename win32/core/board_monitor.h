#pragma once
// The monitor the board is on: one of the monitors the system reports, found by what identifies
// the monitor itself and then by its device name, and where the board's windows go on it.
#include <cstdint>
#include <string>
#include <vector>

struct MonitorBox {
    int32_t left, top, right, bottom;
};

struct MonitorEntry {
    std::string device; // the system's name for it, e.g. "\\.\DISPLAY2": handed out again after a
                        // dock, a driver update or a cable moved to another port
    MonitorBox area;    // the whole monitor on the virtual screen
    MonitorBox work;    // the part of it that the taskbar and the like leave free
    bool primary;
    std::string id;   // its device interface name, e.g. "\\?\DISPLAY#DEL40B7#5&2d0b7a5a&0&UID4353#{...}":
                      // the model (from the monitor's EDID) between the first two '#', then the
                      // connection; empty when the system gives none
    int32_t dpi = 96; // its scale (96 is 100 %): what the windows on it are sized by
};

// The board's monitor as the user chose it, and as it is stored ("Screen", "MonitorId",
// "MonitorSize"). No device name: no choice, the board is on the primary.
struct ScreenChoice {
    std::string device;            // the device name it had
    std::string id;                // its interface name; empty when not known
    int32_t width = 0, height = 0; // its size; 0 when not known
};

// The choice of that monitor, as it is now.
ScreenChoice choiceOf(const MonitorEntry& monitor);

// Whether an interface name tells one monitor from another: not empty, and not the system's
// generic "Default_Monitor" (a monitor without EDID; every monitor under Wine), which differs
// from monitor to monitor only by the same position that the device name gives.
bool monitorIdIdentifies(const std::string& id);

// The chosen monitor among `monitors` (in the system's order), -1 when it is not there or no
// choice was made. With an interface name that identifies: the monitor of that name, wherever it
// is numbered now; else the monitor of that model and size (a cable moved to another port, a new
// driver: the connection part changed), the one under the old device name first; else the
// monitor under the device name unless it is known to be another one. Without one: the monitor
// under the device name (names compare without regard to case).
int findChosenMonitor(const std::vector<MonitorEntry>& monitors, const ScreenChoice& chosen);

// The board's monitor: the chosen one, else the primary, else the first; -1 for no monitors.
int resolveBoardMonitor(const std::vector<MonitorEntry>& monitors, const ScreenChoice& chosen);

// The chosen monitor found again: the choice takes its name and size as they are now, and its
// interface name unless that would put a name that identifies nothing over one that does (a
// system that cannot tell for a while must not lose the monitor's identity).
void refreshChoice(ScreenChoice& chosen, const MonitorEntry& found);

// "MonitorSize": "1280x800". The text of a size back to the numbers: false (and the outputs left
// as they were) unless it is two positive numbers of up to five digits joined by 'x'.
std::string monitorSizeText(int32_t width, int32_t height);
bool monitorSizeFromText(const std::string& text, int32_t& width, int32_t& height);

// The tray menu's item for a monitor: "Pantalla N: W x H", and " (principal)" after the primary's
// size. number counts from 1.
std::string monitorMenuText(int number, const MonitorEntry& monitor);

// A window's top-left corner on the desktop.
struct BoxPoint {
    int32_t x, y;
};

// Where a window at `at` of width x height goes so that it lies inside `work`: unchanged when it
// does, else moved the least. A window larger than the work area keeps its top-left corner inside.
BoxPoint keepInside(BoxPoint at, int32_t width, int32_t height, const MonitorBox& work);
