// The board's monitor: which one a stored name picks, the menu's texts, the palette's place on it,
// and that a mapped pixel of any monitor is the pixel the system's absolute units land on.
#include <gtest/gtest.h>

#include "win32/core/board_monitor.h"
#include "calibration/core/screen_mapping.h"
#include "palette/core/palette_layout.h"

namespace {

MonitorEntry monitor(const char* device, int32_t left, int32_t top, int32_t width, int32_t height,
                     bool primary = false, const std::string& id = "", int32_t dpi = 96) {
    return {
        device, {left, top, left + width, top + height}, {left, top, left + width, top + height}, primary, id,
        dpi};
}

ScreenChoice named(const std::string& device) {
    ScreenChoice choice;
    choice.device = device;
    return choice;
}

// Interface names as Windows gives them for monitors with EDID (model, then the connection), and
// as Wine 8 gives them for every monitor (generic, numbered by position).
std::string edid(const std::string& model, const std::string& connection) {
    return "\\\\?\\DISPLAY#" + model + "#" + connection + "#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
}
std::string wine(int position) {
    return "\\\\?\\DISPLAY#Default_Monitor#000" + std::to_string(position) +
           "&0000#{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}";
}

TEST(BoardMonitor, TheStoredNameThenThePrimaryThenTheFirst) {
    const std::vector<MonitorEntry> two = {monitor("\\\\.\\DISPLAY1", 0, 0, 1024, 768, true),
                                           monitor("\\\\.\\DISPLAY2", 1024, 0, 1280, 800)};
    EXPECT_EQ(resolveBoardMonitor(two, named("\\\\.\\DISPLAY2")), 1);
    EXPECT_EQ(resolveBoardMonitor(two, named("\\\\.\\display2")), 1) << "device names ignore case";
    EXPECT_EQ(resolveBoardMonitor(two, named("")), 0) << "no choice: the primary";
    EXPECT_EQ(resolveBoardMonitor(two, named("\\\\.\\DISPLAY7")), 0) << "a monitor that is gone: the primary";
    EXPECT_EQ(resolveBoardMonitor(two, named("\\\\.\\DISPLAY")), 0) << "a name is matched whole";
    // The primary need not come first in the system's order.
    const std::vector<MonitorEntry> swapped = {two[1], two[0]};
    EXPECT_EQ(resolveBoardMonitor(swapped, named("gone")), 1);
    EXPECT_EQ(resolveBoardMonitor({two[1]}, named("")), 0) << "no primary reported: the first";
    EXPECT_EQ(resolveBoardMonitor({}, named("\\\\.\\DISPLAY1")), -1);
    EXPECT_EQ(findChosenMonitor(two, named("")), -1) << "no choice is not a monitor found";
}

// The chosen monitor by what identifies it, whatever name the system hands it now; by its name
// only where the system cannot tell monitors apart.
TEST(BoardMonitor, TheChosenMonitorByItsIdentityThenByItsName) {
    const std::string laptop = edid("LEN40A0", "4&1b2c3d4e&0&UID265988");
    const std::string projector = edid("EPS0A1B", "5&2d0b7a5a&0&UID4353");
    const std::string tv = edid("SAM0F99", "5&2d0b7a5a&0&UID4354");
    ScreenChoice chosen = choiceOf(monitor("\\\\.\\DISPLAY2", 1024, 0, 1280, 800, false, projector));
    EXPECT_EQ(chosen.width, 1280);
    EXPECT_EQ(chosen.height, 800);

    // Renumbered: the television took the projector's name.
    const std::vector<MonitorEntry> renumbered = {
        monitor("\\\\.\\DISPLAY1", 0, 0, 1024, 768, true, laptop),
        monitor("\\\\.\\DISPLAY2", 1024, 0, 1920, 1080, false, tv),
        monitor("\\\\.\\DISPLAY3", 2944, 0, 1280, 800, false, projector)};
    EXPECT_EQ(findChosenMonitor(renumbered, chosen), 2);
    // The projector unplugged: its name is the television's, which is not the board's monitor.
    EXPECT_EQ(findChosenMonitor({renumbered[0], renumbered[1]}, chosen), -1);
    EXPECT_EQ(resolveBoardMonitor({renumbered[0], renumbered[1]}, chosen), 0) << "the primary meanwhile";
    // The cable in another port: the connection part changed, the model and size did not; of two
    // such, the one under the old name.
    MonitorEntry moved =
        monitor("\\\\.\\DISPLAY4", 1024, 0, 1280, 800, false, edid("EPS0A1B", "5&2d0b7a5a&0&UID4357"));
    EXPECT_EQ(findChosenMonitor({renumbered[0], renumbered[1], moved}, chosen), 2);
    MonitorEntry twin = moved;
    twin.device = "\\\\.\\DISPLAY2";
    EXPECT_EQ(findChosenMonitor({renumbered[0], moved, twin}, chosen), 2);
    moved.area.right += 100; // another size: not taken for it
    EXPECT_EQ(findChosenMonitor({renumbered[0], renumbered[1], moved}, chosen), -1);
    // A system that gives no interface name for a monitor: its name decides.
    EXPECT_EQ(findChosenMonitor({renumbered[0], monitor("\\\\.\\DISPLAY2", 1024, 0, 800, 600)}, chosen), 1);
    // Stored before interface names were kept: by name, as ever.
    EXPECT_EQ(findChosenMonitor(renumbered, named("\\\\.\\DISPLAY2")), 1);
}

// Under Wine every monitor is "Default_Monitor", numbered by position like the device name: that
// says nothing the name does not, so the name decides exactly as without it.
TEST(BoardMonitor, GenericInterfaceNamesLeaveTheNameToDecide) {
    EXPECT_FALSE(monitorIdIdentifies(wine(1)));
    EXPECT_FALSE(monitorIdIdentifies(""));
    EXPECT_TRUE(monitorIdIdentifies(edid("EPS0A1B", "5&2d0b7a5a&0&UID4353")));
    EXPECT_TRUE(monitorIdIdentifies("an id of another form")) << "compared whole";
    const ScreenChoice chosen = choiceOf(monitor("\\\\.\\DISPLAY2", 1024, 0, 1280, 800, false, wine(1)));
    const std::vector<MonitorEntry> swapped = {
        monitor("\\\\.\\DISPLAY1", 0, 0, 1024, 768, true, wine(0)),
        monitor("\\\\.\\DISPLAY2", 1024, 0, 1600, 900, false, wine(1)),
        monitor("\\\\.\\DISPLAY3", 2624, 0, 1280, 800, false, wine(2))};
    EXPECT_EQ(findChosenMonitor(swapped, chosen), 1) << "the name, though another monitor has the size";
    EXPECT_EQ(findChosenMonitor({swapped[0]}, chosen), -1);

    // Found again, the choice takes the name and size as they are, and keeps an identity that a
    // generic or missing interface name would otherwise replace.
    ScreenChoice kept = choiceOf(monitor("\\\\.\\DISPLAY2", 1024, 0, 1280, 800, false, edid("EPS0A1B", "x")));
    refreshChoice(kept, monitor("\\\\.\\DISPLAY5", 0, 0, 1920, 1200, false, wine(4)));
    EXPECT_EQ(kept.device, "\\\\.\\DISPLAY5");
    EXPECT_EQ(kept.width, 1920);
    EXPECT_EQ(kept.id, edid("EPS0A1B", "x"));
    refreshChoice(kept, monitor("\\\\.\\DISPLAY5", 0, 0, 1920, 1200, false, edid("EPS0A1B", "y")));
    EXPECT_EQ(kept.id, edid("EPS0A1B", "y"));
}

TEST(BoardMonitor, SizeTexts) {
    EXPECT_EQ(monitorSizeText(1280, 800), "1280x800");
    int32_t w = 7, h = 7;
    EXPECT_TRUE(monitorSizeFromText("1920x1080", w, h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    for (const char* bad :
         {"", "x", "1280x", "x800", "1280 x 800", "0x800", "-5x800", "123456x1", "12x34x5", "axb"}) {
        w = h = 7;
        EXPECT_FALSE(monitorSizeFromText(bad, w, h)) << bad;
        EXPECT_EQ(w + h, 14) << bad << ": outputs changed";
    }
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

    // At 150 % the palette is 330 wide and 53 (52.5) in from the edges.
    EXPECT_EQ(paletteHome({0, 0, 1920, 1040}, 144).x, 1920 - 383);
    EXPECT_EQ(paletteHome({0, 0, 1920, 1040}, 144).y, 1040 - 383);
    EXPECT_EQ(paletteInside({1700, 300}, {0, 0, 1920, 1040}, 144).x, 1920 - 330)
        << "moved in by its own size";
    EXPECT_EQ(paletteInside({1500, 300}, {0, 0, 1920, 1040}, 144).x, 1500);
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
        // A laptop at 150 % beside a projector at 100 %: in physical pixels the rectangles add up
        // to the virtual screen the units span (scaled to 96, the laptop's 1280 x 720 would not).
        {"150 % laptop, 100 % projector", monitor("p", 0, 0, 1920, 1080, true, "", 144),
         monitor("s", 1920, 0, 1280, 1024, false, "", 96)},
        {"100 % projector left of a 150 % laptop", monitor("p", 0, 0, 2880, 1800, true, "", 144),
         monitor("s", -1024, 200, 1024, 768, false, "", 96)},
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
