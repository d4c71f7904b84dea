#include "win32/core/board_monitor.h"

#include <cctype>

namespace {

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The model part of an interface name: between its first two '#'; empty without them.
std::string monitorModel(const std::string& id) {
    const size_t first = id.find('#');
    const size_t second = first == std::string::npos ? first : id.find('#', first + 1);
    return second == std::string::npos ? std::string() : id.substr(first + 1, second - first - 1);
}

int monitorNamed(const std::vector<MonitorEntry>& monitors, const std::string& device) {
    for (size_t i = 0; i < monitors.size(); ++i)
        if (sameName(monitors[i].device, device))
            return static_cast<int>(i);
    return -1;
}

// A monitor of the chosen one's model and size (a size not known matches any), the one under
// the chosen device name (`named`) when it is such a monitor, else the first; -1 for none.
int sameModelAndSize(const std::vector<MonitorEntry>& monitors, const ScreenChoice& chosen, int named) {
    const std::string model = monitorModel(chosen.id);
    if (model.empty())
        return -1;
    int first = -1;
    for (size_t i = 0; i < monitors.size(); ++i) {
        const MonitorEntry& m = monitors[i];
        const bool sizeFits =
            chosen.width <= 0 || chosen.height <= 0 ||
            (m.area.right - m.area.left == chosen.width && m.area.bottom - m.area.top == chosen.height);
        if (!sizeFits || !monitorIdIdentifies(m.id) || !sameName(monitorModel(m.id), model))
            continue;
        if (static_cast<int>(i) == named)
            return named;
        if (first < 0)
            first = static_cast<int>(i);
    }
    return first;
}

bool sizeNumber(const std::string& digits, int32_t& value) {
    if (digits.empty() || digits.size() > 5)
        return false;
    int32_t v = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v <= 0)
        return false;
    value = v;
    return true;
}

int32_t keepInsideAxis(int32_t at, int32_t extent, int32_t low, int32_t high) {
    if (at + extent > high)
        at = high - extent;
    if (at < low)
        at = low;
    return at;
}

} // namespace

ScreenChoice choiceOf(const MonitorEntry& monitor) {
    ScreenChoice choice;
    choice.device = monitor.device;
    choice.id = monitor.id;
    choice.width = monitor.area.right - monitor.area.left;
    choice.height = monitor.area.bottom - monitor.area.top;
    return choice;
}

bool monitorIdIdentifies(const std::string& id) {
    return !id.empty() && !sameName(monitorModel(id), "Default_Monitor");
}

int findChosenMonitor(const std::vector<MonitorEntry>& monitors, const ScreenChoice& chosen) {
    if (chosen.device.empty())
        return -1;
    const int named = monitorNamed(monitors, chosen.device);
    if (!monitorIdIdentifies(chosen.id))
        return named; // nothing better to go by: the name, as ever
    for (size_t i = 0; i < monitors.size(); ++i)
        if (sameName(monitors[i].id, chosen.id))
            return static_cast<int>(i);
    const int sameModel = sameModelAndSize(monitors, chosen, named);
    if (sameModel >= 0)
        return sameModel;
    // The name still counts where the system cannot tell which monitor is under it; a monitor
    // known to be another one is not the board's, however it is numbered now.
    return named >= 0 && !monitorIdIdentifies(monitors[size_t(named)].id) ? named : -1;
}

int resolveBoardMonitor(const std::vector<MonitorEntry>& monitors, const ScreenChoice& chosen) {
    if (monitors.empty())
        return -1;
    const int found = findChosenMonitor(monitors, chosen);
    if (found >= 0)
        return found;
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary)
            return static_cast<int>(i);
    return 0;
}

void refreshChoice(ScreenChoice& chosen, const MonitorEntry& found) {
    const ScreenChoice now = choiceOf(found);
    chosen.device = now.device;
    chosen.width = now.width;
    chosen.height = now.height;
    if (monitorIdIdentifies(now.id) || !monitorIdIdentifies(chosen.id))
        chosen.id = now.id;
}

std::string monitorSizeText(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

bool monitorSizeFromText(const std::string& text, int32_t& width, int32_t& height) {
    const size_t x = text.find('x');
    int32_t w = 0, h = 0;
    if (x == std::string::npos || !sizeNumber(text.substr(0, x), w) || !sizeNumber(text.substr(x + 1), h))
        return false;
    width = w;
    height = h;
    return true;
}

std::string monitorMenuText(int number, const MonitorEntry& monitor) {
    std::string text = "Pantalla " + std::to_string(number) + ": " +
                       std::to_string(monitor.area.right - monitor.area.left) + " x " +
                       std::to_string(monitor.area.bottom - monitor.area.top);
    if (monitor.primary)
        text += " (principal)";
    return text;
}

BoxPoint keepInside(BoxPoint at, int32_t width, int32_t height, const MonitorBox& work) {
    return {keepInsideAxis(at.x, width, work.left, work.right),
            keepInsideAxis(at.y, height, work.top, work.bottom)};
}
