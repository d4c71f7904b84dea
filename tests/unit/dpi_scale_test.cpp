// The one scale rule every window sizes itself by, and the sizes that follow from it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

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

TEST(DpiScale, PictureSetIsNeverSmallerThanTheScale) {
    const struct {
        int32_t dpi, set;
    } cases[] = {{0, 100},   {72, 100},  {96, 100},  {97, 150},  {120, 150},
                 {144, 150}, {145, 200}, {168, 200}, {192, 200}, {288, 200}};
    for (const auto& c : cases) {
        EXPECT_EQ(pictureSetForDpi(c.dpi), c.set) << "dpi " << c.dpi;
        if (c.dpi >= 96 && c.dpi <= 192) {
            EXPECT_GE(c.set * 96, c.dpi * 100) << "a set smaller than dpi " << c.dpi << " would be enlarged";
        }
    }
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
