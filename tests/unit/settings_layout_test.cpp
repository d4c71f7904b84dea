// The settings window's layout table and hit test, and the help window's navigation rules.
#include "app/core/settings_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

std::string rectText(const LayoutRect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")-(" + std::to_string(r.right) +
           ", " + std::to_string(r.bottom) + ")";
}

const LayoutText* findText(const SettingsLayout& layout, const char* text) {
    for (const LayoutText& t : layout.texts)
        if (std::strcmp(t.text, text) == 0)
            return &t;
    return nullptr;
}

// Every text the window draws, in Windows-1252, with its rectangle for a client width of 374, its
// height and placement.
TEST(SettingsLayoutTable, TextsReadExactlyWithTheirRectanglesAndHeights) {
    const SettingsLayout layout = makeSettingsLayout(374);
    struct Expected {
        const char* text;
        LayoutRect rect;
        int32_t height;
        TextPlacement placement;
    };
    const Expected expected[] = {
        {"Ajuste de Zarpelo", {20, 50, 354, 74}, 22, TextPlacement::TopLeft},
        {"Si ejecutar Zarpelo al inicio?", {20, 79, 354, 99}, 18, TextPlacement::WrapLeft},
        {"S\xED", {125, 100, 155, 120}, 22, TextPlacement::TopLeft},
        {"No", {245, 100, 275, 120}, 22, TextPlacement::TopLeft},
        {"Suavizar", {20, 198, 354, 222}, 22, TextPlacement::TopLeft},
        {"0", {15, 257, 25, 272}, 14, TextPlacement::TopCentred},
        {"5", {90, 257, 100, 272}, 14, TextPlacement::TopCentred},
        {"10", {165, 257, 175, 272}, 14, TextPlacement::TopCentred},
        {"15", {240, 257, 250, 272}, 14, TextPlacement::TopCentred},
        {"20", {315, 257, 325, 272}, 14, TextPlacement::TopCentred},
    };
    ASSERT_EQ(sizeof(expected) / sizeof(expected[0]), static_cast<size_t>(SETTINGS_TEXT_COUNT));
    for (const Expected& e : expected) {
        const LayoutText* t = findText(layout, e.text);
        ASSERT_NE(t, nullptr) << "missing text \"" << e.text << "\"";
        EXPECT_TRUE(layoutRectEqual(t->rect, e.rect)) << e.text << " at " << rectText(t->rect);
        EXPECT_EQ(t->height, e.height) << e.text;
        EXPECT_EQ(t->placement, e.placement) << e.text;
    }
    // "Sí" carries the Windows-1252 accented i (0xED), not UTF-8.
    EXPECT_EQ(std::strlen(findText(layout, "S\xED")->text), 2u);
}

TEST(SettingsLayoutTable, BoxesFollowTheClientWidth) {
    for (int32_t wc : {374, 376, 380}) {
        const SettingsLayout layout = makeSettingsLayout(wc);
        EXPECT_TRUE(layoutRectEqual(layout.background, {0, 0, 380, 440})) << rectText(layout.background);
        const LayoutRect expected[SETTINGS_BOX_COUNT] = {
            {10, 74, wc - 10, 188}, {10, 222, wc - 10, 357}, {100, 100, 120, 120},
            {220, 100, 240, 120},   {328, 233, 358, 261},
        };
        for (int i = 0; i < SETTINGS_BOX_COUNT; ++i)
            EXPECT_TRUE(layoutRectEqual(layout.boxes[i].rect, expected[i]))
                << layout.boxes[i].name << " at " << rectText(layout.boxes[i].rect) << " for Wc " << wc;
        EXPECT_EQ(layout.texts[0].rect.right, wc - 20);
    }
}

TEST(SettingsLayoutTable, CellsTileTheBarAndScaleLabelsSitOnTheirEdges) {
    for (int n = 1; n <= SETTINGS_CELL_COUNT; ++n) {
        const LayoutRect c = settingsCellRect(n);
        EXPECT_TRUE(layoutRectEqual(c, {20 + 15 * (n - 1), 237, 35 + 15 * (n - 1), 257}))
            << n << ": " << rectText(c);
    }
    EXPECT_EQ(settingsCellRect(1).left, SETTINGS_CELL_BAR.left);
    EXPECT_EQ(settingsCellRect(20).right, SETTINGS_CELL_BAR.right);
    // The labels are centred on the left edge of cell 1 and the right edges of cells 5, 10, 15, 20.
    const SettingsLayout layout = makeSettingsLayout(374);
    const int edges[5] = {settingsCellRect(1).left, settingsCellRect(5).right, settingsCellRect(10).right,
                          settingsCellRect(15).right, settingsCellRect(20).right};
    const char* labels[5] = {"0", "5", "10", "15", "20"};
    for (int i = 0; i < 5; ++i) {
        const LayoutText* t = findText(layout, labels[i]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ((t->rect.left + t->rect.right) / 2, edges[i]) << labels[i];
    }
}

// Both diagonals and the bottom edge, ending one pixel inside the right and bottom sides.
TEST(SettingsMark, PathRunsFromTopLeftThroughBothDiagonalsAndTheBottom) {
    LayoutPoint p[4];
    settingsMarkPath(SETTINGS_NO_BOX, p);
    const LayoutPoint expected[4] = {{220, 100}, {239, 119}, {220, 119}, {239, 100}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(p[i].x, expected[i].x) << "point " << i;
        EXPECT_EQ(p[i].y, expected[i].y) << "point " << i;
    }
}

TEST(SettingsValues, NumberIsTwoDigitsAndShownValuesStayInRange) {
    char s[3];
    formatSmoothing(6, s);
    EXPECT_STREQ(s, "06");
    formatSmoothing(1, s);
    EXPECT_STREQ(s, "01");
    formatSmoothing(20, s);
    EXPECT_STREQ(s, "20");
    // Out of range (a failed load leaves 0): never "00", never three digits.
    formatSmoothing(0, s);
    EXPECT_STREQ(s, "01");
    formatSmoothing(-5, s);
    EXPECT_STREQ(s, "01");
    formatSmoothing(123, s);
    EXPECT_STREQ(s, "20");
    EXPECT_EQ(settingsShownPaletteAtStart(0), 0);
    EXPECT_EQ(settingsShownPaletteAtStart(1), 1);
    EXPECT_EQ(settingsShownPaletteAtStart(7), 1);
    EXPECT_EQ(settingsShownPaletteAtStart(-1), 1);
    EXPECT_EQ(settingsShownSmoothingPeriod(0), 1);
    EXPECT_EQ(settingsShownSmoothingPeriod(13), 13);
    EXPECT_EQ(settingsShownSmoothingPeriod(21), 20);
}

struct HitCase {
    int32_t x, y;
    SettingsHitKind kind;
    int32_t cell;
    const char* what;
};

TEST(SettingsHitTest, BoxesAreStrictAndTheBandPicksAHeldCell) {
    const HitCase cases[] = {
        {110, 110, SettingsHitKind::YesBox, 0, "inside the yes box"},
        {101, 101, SettingsHitKind::YesBox, 0, "yes box, first pixel inside"},
        {119, 119, SettingsHitKind::YesBox, 0, "yes box, last pixel inside"},
        {100, 110, SettingsHitKind::None, 0, "yes box, left outline"},
        {120, 110, SettingsHitKind::None, 0, "yes box, right edge"},
        {110, 100, SettingsHitKind::None, 0, "yes box, top outline"},
        {110, 120, SettingsHitKind::None, 0, "yes box, bottom edge"},
        {230, 110, SettingsHitKind::NoBox, 0, "inside the no box"},
        {220, 110, SettingsHitKind::None, 0, "no box, left outline"},
        {240, 110, SettingsHitKind::None, 0, "no box, right edge"},
        {130, 110, SettingsHitKind::None, 0, "the label Si"},
        {20 + 15 * 6 + 7, 247, SettingsHitKind::Cell, 7, "middle of cell 7"},
        {110, 247, SettingsHitKind::Cell, 7, "left outline of cell 7"},
        {109, 247, SettingsHitKind::Cell, 6, "last pixel of cell 6"},
        {20, 247, SettingsHitKind::Cell, 1, "left edge of cell 1"},
        {5, 247, SettingsHitKind::Cell, 1, "left of cell 1 (cut toward zero)"},
        {6, 247, SettingsHitKind::Cell, 1, "left of cell 1"},
        {0, 247, SettingsHitKind::Cell, 1, "client left edge"},
        {-40, 247, SettingsHitKind::Cell, 1, "left of the window"},
        {319, 247, SettingsHitKind::Cell, 20, "last pixel of cell 20"},
        {325, 247, SettingsHitKind::Cell, 20, "right of cell 20"},
        {340, 238, SettingsHitKind::Cell, 20, "value box, y 238"},
        {340, 256, SettingsHitKind::Cell, 20, "value box, y 256"},
        {370, 250, SettingsHitKind::Cell, 20, "far right in the band"},
        {100, 237, SettingsHitKind::None, 0, "on the bar's top outline"},
        {100, 257, SettingsHitKind::None, 0, "just below the bar"},
        {340, 234, SettingsHitKind::None, 0, "value box above the band"},
        {340, 260, SettingsHitKind::None, 0, "value box below the band"},
        {200, 300, SettingsHitKind::None, 0, "frame 2 below the scale"},
        {100, 390, SettingsHitKind::None, 0, "button row"},
    };
    for (const HitCase& c : cases) {
        const SettingsHit hit = settingsHitTest(c.x, c.y);
        EXPECT_EQ(hit.kind, c.kind) << c.what << " (" << c.x << ", " << c.y << ")";
        EXPECT_EQ(hit.cell, c.cell) << c.what << " (" << c.x << ", " << c.y << ")";
    }
}

// Every point of the band maps to the cell whose columns it lies in, held to 1..20.
TEST(SettingsHitTest, EveryBandPixelLiesInItsCell) {
    for (int32_t y = 238; y <= 256; ++y)
        for (int32_t x = -20; x < 420; ++x) {
            const SettingsHit hit = settingsHitTest(x, y);
            ASSERT_EQ(hit.kind, SettingsHitKind::Cell) << x << ", " << y;
            ASSERT_GE(hit.cell, 1);
            ASSERT_LE(hit.cell, 20);
            if (x >= 20 && x < 320) {
                const LayoutRect c = settingsCellRect(hit.cell);
                ASSERT_TRUE(c.left <= x && x < c.right) << x << " -> cell " << hit.cell << " " << rectText(c);
            }
        }
}

TEST(HelpNavigation, CommandsMoveThePageWithinRange) {
    EXPECT_EQ(helpPageAfter(2, IDC_HELP_FIRST), 0);
    EXPECT_EQ(helpPageAfter(0, IDC_HELP_END), 3);
    EXPECT_EQ(helpPageAfter(2, IDC_HELP_LAST), 1);
    EXPECT_EQ(helpPageAfter(0, IDC_HELP_LAST), 0);
    EXPECT_EQ(helpPageAfter(1, IDC_HELP_NEXT), 2);
    EXPECT_EQ(helpPageAfter(3, IDC_HELP_NEXT), 3);
    // Only the whole wParam counts: a notification code other than a click, or another id, keeps
    // the page.
    EXPECT_EQ(helpPageAfter(1, (1ull << 16) | IDC_HELP_NEXT), 1);
    EXPECT_EQ(helpPageAfter(2, 0x444), 2);
    EXPECT_EQ(helpPageAfter(2, (1ull << 32) | IDC_HELP_FIRST), 2);
    // A page outside the range is brought back before moving.
    EXPECT_EQ(helpPageAfter(9, IDC_HELP_LAST), 2);
    EXPECT_EQ(helpPageAfter(-4, IDC_HELP_NEXT), 1);
}

TEST(HelpNavigation, ButtonStatesFollowThePage) {
    const bool expected[4][4] = {
        // first, last, next, end
        {false, false, true, true},
        {true, true, true, true},
        {true, true, true, true},
        {true, true, false, false},
    };
    for (int page = 0; page < 4; ++page) {
        EXPECT_EQ(helpButtonEnabled(IDC_HELP_FIRST, page), expected[page][0]) << "page " << page;
        EXPECT_EQ(helpButtonEnabled(IDC_HELP_LAST, page), expected[page][1]) << "page " << page;
        EXPECT_EQ(helpButtonEnabled(IDC_HELP_NEXT, page), expected[page][2]) << "page " << page;
        EXPECT_EQ(helpButtonEnabled(IDC_HELP_END, page), expected[page][3]) << "page " << page;
    }
}

// Random command streams, the buttons' and any other: the page never leaves 0..3 and moves by the
// rules.
TEST(HelpNavigation, RandomCommandStreamsStayInRange) {
    std::mt19937 random(7);
    const uint64_t commands[] = {IDC_HELP_FIRST, IDC_HELP_END,   IDC_HELP_LAST, IDC_HELP_NEXT, 0,
                                 10005,          0x10000 | 10004};
    int32_t page = 0;
    for (int i = 0; i < 10000; ++i) {
        const uint64_t command = commands[random() % 7];
        const int32_t next = helpPageAfter(page, command);
        ASSERT_GE(next, 0);
        ASSERT_LE(next, 3);
        int32_t expected = page;
        if (command == IDC_HELP_NEXT)
            expected = page < 3 ? page + 1 : 3;
        else if (command == IDC_HELP_LAST)
            expected = page > 0 ? page - 1 : 0;
        else if (command == IDC_HELP_FIRST)
            expected = 0;
        else if (command == IDC_HELP_END)
            expected = 3;
        ASSERT_EQ(next, expected) << "page " << page << ", command " << command;
        page = next;
    }
}

} // namespace
