// The board bar's layout: touch targets of at least 48 x 48 at 96 DPI that grow with the DPI, fields
// that never overlap, the hit test, the place at the bottom centre of the board's monitor and the
// tips as the user reads them.
#include <gtest/gtest.h>

#include <string>

#include "board/core/board_bar_layout.h"

namespace {

TEST(BoardBarLayout, ButtonsAreTouchTargetsAtEveryDpiAndNeverOverlap) {
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        int previousRight = 0;
        for (int f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
            const BarRect r = barFieldRect(f, dpi);
            if (f != BAR_LABEL) {
                EXPECT_GE(r.right - r.left, 48 * dpi / 96) << "field " << f;
                EXPECT_GE(r.bottom - r.top, 48 * dpi / 96) << "field " << f;
            }
            EXPECT_GT(r.left, previousRight) << "field " << f << " touches the one before";
            previousRight = r.right;
            const BarRect size = barSize(dpi);
            EXPECT_LT(r.right, size.right);
            EXPECT_LT(r.bottom, size.bottom);
        }
    }
    EXPECT_EQ(barSize(144).right, (barSize(96).right * 3 + 1) / 2) << "the bar grows with the DPI";
}

TEST(BoardBarLayout, HitTestFindsButtonsNotTheLabelNorTheGaps) {
    for (int f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
        const BarRect r = barFieldRect(f, 96);
        EXPECT_EQ(barButtonAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, 96), f == BAR_LABEL ? -1 : f);
        EXPECT_EQ(barButtonAt(r.left, r.top, 96), f == BAR_LABEL ? -1 : f) << "the top-left pixel is inside";
        EXPECT_EQ(barButtonAt(r.right, r.top, 96), -1) << "right of field " << f << " is a gap";
    }
    EXPECT_EQ(barButtonAt(-1, 20, 96), -1);
    EXPECT_EQ(barButtonAt(20, 1000, 96), -1);
}

TEST(BoardBarLayout, SitsAtTheBottomCentreOfTheBoardsMonitor) {
    const BarRect size = barSize(96);
    int x = 0, y = 0;
    barPosition({1024, 0, 1024 + 1280, 800}, 96, &x, &y); // a second monitor right of the first
    EXPECT_EQ(x, 1024 + (1280 - size.right) / 2);
    EXPECT_EQ(y, 800 - size.bottom - BAR_MARGIN_96);
}

TEST(BoardBarLayout, TipsAndPictures) {
    EXPECT_EQ(std::string(barTooltip(BAR_PREVIOUS)), "P\xE1gina anterior");
    EXPECT_EQ(std::string(barTooltip(BAR_NEXT)), "P\xE1gina siguiente");
    EXPECT_EQ(std::string(barTooltip(BAR_ADD)), "Nueva p\xE1gina");
    EXPECT_EQ(std::string(barTooltip(BAR_BACKGROUND)), "Fondo");
    EXPECT_EQ(std::string(barTooltip(BAR_PDF)), "Guardar la pizarra en PDF");
    EXPECT_EQ(std::string(barTooltip(BAR_NEW_BOARD)), "Nueva pizarra");
    EXPECT_EQ(std::string(barTooltip(BAR_LABEL)), "");
    EXPECT_EQ(std::string(barTooltip(99)), "");
    bool used[BAR_ICON_COUNT] = {};
    for (int f = 0; f < BOARD_BAR_FIELD_COUNT; ++f)
        if (f != BAR_LABEL) {
            const int icon = barIconOf(f);
            ASSERT_GE(icon, 0);
            ASSERT_LT(icon, BAR_ICON_COUNT);
            EXPECT_FALSE(used[icon]) << "two buttons show picture cell " << icon;
            used[icon] = true;
        }
    EXPECT_EQ(barIconOf(BAR_LABEL), -1);
}

} // namespace
