#include "app/core/board_monitor.h"

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

constexpr int32_t PALETTE_INSET = 255; // from the right and bottom edges to the palette's corner
constexpr int32_t PALETTE_SIZE = 220;

int32_t keepInsideAxis(int32_t at, int32_t extent, int32_t low, int32_t high) {
    if (at + extent > high)
        at = high - extent;
    if (at < low)
        at = low;
    return at;
}

} // namespace

int resolveBoardMonitor(const std::vector<MonitorEntry>& monitors, const std::string& chosen) {
    if (monitors.empty())
        return -1;
    if (!chosen.empty())
        for (size_t i = 0; i < monitors.size(); ++i)
            if (sameName(monitors[i].device, chosen))
                return static_cast<int>(i);
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].primary)
            return static_cast<int>(i);
    return 0;
}

std::string monitorMenuText(int number, const MonitorEntry& monitor) {
    std::string text = "Pantalla " + std::to_string(number) + ": " +
                       std::to_string(monitor.area.right - monitor.area.left) + " x " +
                       std::to_string(monitor.area.bottom - monitor.area.top);
    if (monitor.primary)
        text += " (principal)";
    return text;
}

BoxPoint paletteHome(const MonitorBox& work) {
    return {work.right - PALETTE_INSET, work.bottom - PALETTE_INSET};
}

BoxPoint keepInside(BoxPoint at, int32_t width, int32_t height, const MonitorBox& work) {
    return {keepInsideAxis(at.x, width, work.left, work.right),
            keepInsideAxis(at.y, height, work.top, work.bottom)};
}

BoxPoint paletteInside(BoxPoint at, const MonitorBox& work) {
    const bool overlaps = at.x < work.right && at.x + PALETTE_SIZE > work.left && at.y < work.bottom &&
                          at.y + PALETTE_SIZE > work.top;
    return overlaps ? keepInside(at, PALETTE_SIZE, PALETTE_SIZE, work) : paletteHome(work);
}
