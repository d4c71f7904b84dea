// The board's monitor: which one a stored name picks, the menu's texts, the palette's place on it,
// and that a mapped pixel of any monitor is the pixel the system's absolute units land on.
#include <gtest/gtest.h>

#include "app/core/board_monitor.h"
#include "calibration/core/screen_mapping.h"

namespace {

MonitorEntry monitor(const char* device, int32_t left, int32_t top, int32_t width, int32_t height,
                     bool primary = false) {
    return {
        device, {left, top, left + width, top + height}, {left, top, left + width, top + height}, primary};
}

TEST(BoardMonitor, TheStoredNameThenThePrimaryThenTheFirst) {
    const std::vector<MonitorEntry> two = {monitor("\\\\.\\DISPLAY1", 0, 0, 1024, 768, true),
                                           monitor("\\\\.\\DISPLAY2", 1024, 0, 1280, 800)};
    EXPECT_EQ(resolveBoardMonitor(two, "\\\\.\\DISPLAY2"), 1);
    EXPECT_EQ(resolveBoardMonitor(two, "\\\\.\\display2"), 1) << "device names ignore case";
    EXPECT_EQ(resolveBoardMonitor(two, ""), 0) << "no choice: the primary";
    EXPECT_EQ(resolveBoardMonitor(two, "\\\\.\\DISPLAY7"), 0) << "a monitor that is gone: the primary";
    EXPECT_EQ(resolveBoardMonitor(two, "\\\\.\\DISPLAY"), 0) << "a name is matched whole";
    // The primary need not come first in the system's order.
    const std::vector<MonitorEntry> swapped = {two[1], two[0]};
    EXPECT_EQ(resolveBoardMonitor(swapped, "gone"), 1);
    EXPECT_EQ(resolveBoardMonitor({two[1]}, ""), 0) << "no primary reported: the first";
    EXPECT_EQ(resolveBoardMonitor({}, "\\\\.\\DISPLAY1"), -1);
}

TEST(BoardMonitor, MenuTextsAndThePalettesPlace) {
    EXPECT_EQ(monitorMenuText(1, monitor("a", 0, 0, 1024, 768, true)), "Pantalla 1: 1024 x 768 (principal)");
    EXPECT_EQ(monitorMenuText(2, monitor("b", -1280, 0, 1280, 800)), "Pantalla 2: 1280 x 800");

    // 35 pixels in from the work area's right and bottom edges: (W - 255, H - 255) on one screen.
    const BoxPoint home = paletteHome({1024, 0, 2304, 760});
    EXPECT_EQ(home.x, 2304 - 255);
    EXPECT_EQ(home.y, 760 - 255);
    EXPECT_EQ(paletteHome({0, 0, 1024, 768}).x, 769);

    const MonitorBox work = {1024, 0, 2304, 800};
    EXPECT_EQ(keepInside({1500, 300}, 220, 220, work).x, 1500) << "inside: unchanged";
    EXPECT_EQ(keepInside({1500, 300}, 220, 220, work).y, 300);
    EXPECT_EQ(keepInside({2200, 700}, 220, 220, work).x, 2304 - 220);
    EXPECT_EQ(keepInside({2200, 700}, 220, 220, work).y, 800 - 220);
    EXPECT_EQ(keepInside({100, -50}, 220, 220, work).x, 1024) << "left on the other monitor";
    EXPECT_EQ(keepInside({100, -50}, 220, 220, work).y, 0);
    EXPECT_EQ(keepInside({3000, 0}, 2000, 220, work).x, 1024) << "wider than the area: its corner inside";
    // The palette: moved the least when partly out, home when it was on another monitor.
    EXPECT_EQ(paletteInside({2200, 300}, work).x, 2304 - 220);
    EXPECT_EQ(paletteInside({769, 513}, work).x, 2304 - 255) << "from the primary's corner to its own";
    EXPECT_EQ(paletteInside({769, 513}, work).y, 800 - 255);
    EXPECT_EQ(paletteInside({1500, 300}, work).x, 1500);
}

// The system takes absolute units d to floor(d * extent / 65536) over the primary, and with
// MOUSEEVENTF_VIRTUALDESK to the virtual screen's left (top) plus that over the virtual screen.
void expectEveryPixelLands(const MonitorEntry& board, const MonitorBox& desk, int32_t primaryWidth,
                           int32_t primaryHeight) {
    const int width = board.area.right - board.area.left, height = board.area.bottom - board.area.top;
    BoardPlacement placement = {};
    if (!board.primary)
        placement = {board.area.left,        board.area.top,        true, desk.left, desk.top,
                     desk.right - desk.left, desk.bottom - desk.top};
    for (int y = 0; y < height; y += (y == 0 || y >= height - 3) ? 1 : 7) {
        for (int x = 0; x < width; ++x) {
            const PointerPlace p = boardPixelToPointer(placement, {x, y}, width, height);
            ASSERT_EQ(p.x, board.area.left + x);
            ASSERT_EQ(p.y, board.area.top + y);
            int64_t landedX, landedY;
            if (placement.virtualDesk) {
                landedX = desk.left + int64_t(p.mouseX) * (desk.right - desk.left) / 65536;
                landedY = desk.top + int64_t(p.mouseY) * (desk.bottom - desk.top) / 65536;
            } else {
                landedX = int64_t(p.mouseX) * primaryWidth / 65536;
                landedY = int64_t(p.mouseY) * primaryHeight / 65536;
            }
            ASSERT_EQ(landedX, p.x) << board.device << " pixel " << x << "," << y;
            ASSERT_EQ(landedY, p.y) << board.device << " pixel " << x << "," << y;
        }
    }
}

TEST(BoardMonitor, EveryPixelOfTheBoardIsWhereTheSystemPutsThePointer) {
    struct Layout {
        const char* name;
        MonitorEntry primary, other;
    };
    const Layout layouts[] = {
        {"side by side", monitor("p", 0, 0, 1024, 768, true), monitor("s", 1024, 0, 1280, 800)},
        {"stacked", monitor("p", 0, 0, 1920, 1080, true), monitor("s", 0, 1080, 1024, 768)},
        {"left, negative origin", monitor("p", 0, 0, 1366, 768, true), monitor("s", -1280, -100, 1280, 1024)},
        {"above and smaller", monitor("p", 0, 0, 2560, 1440, true), monitor("s", 700, -600, 800, 600)},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        const MonitorBox desk = {std::min(l.primary.area.left, l.other.area.left),
                                 std::min(l.primary.area.top, l.other.area.top),
                                 std::max(l.primary.area.right, l.other.area.right),
                                 std::max(l.primary.area.bottom, l.other.area.bottom)};
        const int32_t pw = l.primary.area.right, ph = l.primary.area.bottom;
        expectEveryPixelLands(l.other, desk, pw, ph);
        expectEveryPixelLands(l.primary, desk, pw, ph);
    }
}

} // namespace
