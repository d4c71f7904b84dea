// The one scale rule every window sizes itself by, and the sizes that follow from it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "app/core/logo_pictures.h"
#include "board/core/board_bar_layout.h"
#include "board/core/board_bar_pictures.h"
#include "pages/core/cursor_pictures.h"
#include "palette/core/palette_pictures.h"
#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"

namespace {

// MulDiv(a, b, c) as the system computes it for c > 0: the exact quotient rounded half away from
// zero. Written out independently of the helper, over doubles (exact for these magnitudes).
int32_t mulDivReference(int32_t a, int32_t b, int32_t c) {
    const double q = double(a) * double(b) / double(c);
    return int32_t(q < 0 ? -std::floor(-q + 0.5) : std::floor(q + 0.5));
}

TEST(DpiScale, RoundsAsMulDivAtEveryCommonScale) {
    for (int32_t dpi : {96, 120, 144, 168, 192, 216, 240, 288, 100, 97, 1})
        for (int32_t px = -300; px <= 3000; ++px)
            ASSERT_EQ(scaledForDpi(px, dpi), mulDivReference(px, dpi, 96)) << px << " at " << dpi;
    // The sizes the windows are drawn at.
    EXPECT_EQ(scaledForDpi(220, 144), 330);
    EXPECT_EQ(scaledForDpi(2, 144), 3);
    EXPECT_EQ(scaledForDpi(16, 144), 24);
    EXPECT_EQ(scaledForDpi(5, 144), 8) << "7.5 rounds away from zero";
    EXPECT_EQ(scaledForDpi(-5, 144), -8);
    EXPECT_EQ(scaledForDpi(1, 120), 1) << "1.25";
    EXPECT_EQ(scaledForDpi(100, 120), 125);
}

TEST(DpiScale, UnknownScalesAndHugeSizesAreHeld) {
    EXPECT_EQ(scaledForDpi(220, 0), 220) << "0: not known, 100 %";
    EXPECT_EQ(scaledForDpi(220, -144), 220);
    EXPECT_EQ(unscaledForDpi(330, 0), 330);
    EXPECT_EQ(scaledForDpi(std::numeric_limits<int32_t>::max(), 192), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(scaledForDpi(std::numeric_limits<int32_t>::min(), 192), std::numeric_limits<int32_t>::min());
    static_assert(scaledForDpi(220, 144) == 330, "usable in constant expressions");
}

TEST(DpiScale, BackTo96RoundTripsEveryScaledSize) {
    for (int32_t dpi : {96, 120, 144, 192})
        for (int32_t px = 0; px <= 2000; ++px)
            ASSERT_EQ(unscaledForDpi(scaledForDpi(px, dpi), dpi), px) << px << " at " << dpi;
}

// A marker's picture drawn from the normal one is the picture a whole drawing gives, pixel for
// pixel, at scales whose pixels do not fall on the 100 % grid.
TEST(PicturesAtAScale, MarkersDrawnFromTheNormalPictureAreTheWholeDrawing) {
    for (int32_t dpi : {72, 120}) {
        Picture normal, whole, fromNormal;
        ASSERT_TRUE(drawPalettePicture(101, dpi, &normal));
        for (int32_t id : {113, 120}) { // a colour marker and a width marker
            ASSERT_TRUE(drawPalettePicture(id, dpi, &whole));
            ASSERT_TRUE(drawPalettePicture(id, dpi, &fromNormal, &normal));
            EXPECT_TRUE(whole.px == fromNormal.px) << "picture " << id << " at dpi " << dpi;
            EXPECT_FALSE(whole.px == normal.px) << "picture " << id << " shows fewer markers than 101";
        }
    }
}

// The pictures drawn at a scale have that scale's size; an id a drawer does not know, and a cursor
// size outside what a cursor can be, draw nothing and leave the picture as it was.
TEST(PicturesAtAScale, SizesAndUnknownIds) {
    Picture p(1, 1, Rgb{1, 2, 3});
    EXPECT_FALSE(drawPalettePicture(104, 144, &p)); // not one the palette shows
    EXPECT_FALSE(drawLogoOrHelpPicture(305, 144, &p));
    EXPECT_EQ(p.w, 1);
    ASSERT_TRUE(drawPalettePicture(117, 48, &p)); // half of 100 %: small enough for a quick test
    EXPECT_EQ(p.w, 110);
    EXPECT_EQ(p.h, 110);
    for (const Rgb& c : p.px)
        ASSERT_FALSE(c == KEY_RGB) << "a palette picture never holds the key colour";
    ASSERT_TRUE(drawLogoOrHelpPicture(304, 60, &p));
    EXPECT_EQ(p.w, scaledForDpi(220, 60));
    const Picture strip = boardBarStrip(true, 20);
    EXPECT_EQ(strip.w, 20 * BAR_ICON_COUNT);
    EXPECT_EQ(strip.h, 20);
    EXPECT_EQ(boardBarStrip(false, 0).h, 1) << "a cell of at least one pixel";

    CursorImage c = {1, 1, 0, 0, {}};
    EXPECT_FALSE(drawPageCursor(102, 48, &c));
    EXPECT_FALSE(drawPageCursor(IDCUR_PEN, 0, &c));
    EXPECT_FALSE(drawPageCursor(IDCUR_PEN, CURSOR_SIZE_LIMIT + 1, &c));
    EXPECT_EQ(c.w, 1);
}

// A cursor at any size: its hot spot where its drawing puts it at 32, scaled; the outline a pixel
// wider for every 32 above 64, so a large cursor is not a thin line drawing.
TEST(PicturesAtAScale, CursorsAtAnySize) {
    CursorImage c = {};
    ASSERT_TRUE(drawPageCursor(IDCUR_POINTING_HAND, 96, &c));
    EXPECT_EQ(c.w, 96);
    EXPECT_EQ(c.index.size(), size_t(96 * 96));
    EXPECT_EQ(c.hotX, 36);
    EXPECT_EQ(c.hotY, 3);
    int edgeRun = 0; // the outline's width on the row through the index finger's middle
    const int y = 30;
    for (int x = 0; x < 96 && (edgeRun == 0 || c.index[size_t(y * 96 + x)] == CUR_BLACK); ++x)
        edgeRun += c.index[size_t(y * 96 + x)] == CUR_BLACK;
    EXPECT_EQ(edgeRun, 3);
    ASSERT_TRUE(drawPageCursor(IDCUR_ERASER_64, 160, &c));
    EXPECT_EQ(c.hotX, 80) << "the eraser of 64 shows the square of 32, scaled";
}

} // namespace

// A scale change to a new scale takes the box suggested; to the scale the window has, the suggested
// place with the window's own size (a DPI not known counts as 96).
TEST(DpiScale, AWindowAtTheAnnouncedScaleKeepsItsOwnSize) {
    const WindowBox suggested = {40, 30, 253, 293};
    const WindowBox taken = windowBoxForScale(suggested, 144, 96, 380, 440);
    EXPECT_EQ(taken.width, 253);
    EXPECT_EQ(taken.height, 293);
    for (int32_t own : {96, 0}) {
        const WindowBox kept = windowBoxForScale(suggested, 96, own, 380, 440);
        EXPECT_EQ(kept.left, 40);
        EXPECT_EQ(kept.top, 30);
        EXPECT_EQ(kept.width, 380) << own;
        EXPECT_EQ(kept.height, 440) << own;
    }
    const WindowBox at150 = windowBoxForScale({0, 0, 1, 1}, 144, 144, 220, 220);
    EXPECT_EQ(at150.width, 330);
    EXPECT_EQ(at150.height, 330);
}
