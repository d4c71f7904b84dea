// The presenting tools' rules: the pointer's trail and how it fades, the spotlight's circle under
// drags and its pixels, the shade's edge.
#include <gtest/gtest.h>

#include "presenting/core/presenting_rules.h"
#include "win32/core/dpi_scale.h"

namespace {

// The alpha of the trail's pixel at (x, y), the dot drawn with it or left to its own window.
uint32_t alphaAt(const PointerTrail& trail, uint32_t now, int32_t x, int32_t y, bool withDot = true) {
    const PxRect box = trailBounds(trail, 96);
    if (x < box.left || y < box.top || x >= box.right || y >= box.bottom)
        return 0;
    std::vector<uint32_t> pixels(size_t(box.right - box.left) * size_t(box.bottom - box.top));
    renderTrail(trail, now, 96, box, pixels.data(), withDot);
    return pixels[size_t(y - box.top) * size_t(box.right - box.left) + size_t(x - box.left)] >> 24;
}

} // namespace

// The dot is full at the finger while it is down (however long it rests) and red; the trail behind
// it is fainter the older it is; after the lift the dot fades and within half a second nothing is
// left; a new touch starts a trail of its own.
TEST(PresentingPointer, TheDotFollowsTheFingerAndEverythingFadesWithinHalfASecondOfTheLift) {
    PointerTrail trail;
    for (int i = 0; i <= 10; ++i)
        trailTouch(&trail, {100 + 10 * i, 200}, 1000 + 20 * uint32_t(i), 96);
    EXPECT_EQ(alphaAt(trail, 1200, 200, 200), 255u);
    const PxRect box = trailBounds(trail, 96);
    std::vector<uint32_t> pixels(size_t(box.right - box.left) * size_t(box.bottom - box.top));
    renderTrail(trail, 1200, 96, box, pixels.data(), true);
    const uint32_t centre =
        pixels[size_t(200 - box.top) * size_t(box.right - box.left) + size_t(200 - box.left)];
    EXPECT_EQ(centre, 0xFFFF2020u) << "the dot is the bright red, premultiplied at full strength";
    EXPECT_GT(alphaAt(trail, 1200, 150, 200), alphaAt(trail, 1200, 105, 200)) << "older trail is not fainter";
    EXPECT_GT(alphaAt(trail, 1200, 105, 200), 0u) << "no trail";
    EXPECT_EQ(alphaAt(trail, 1200, 200, 200 + 12), 0u) << "the dot is wider than 16 pixels with its edge";
    // Without the dot (its own window shows it): the trail behind it as it was, nothing at full strength.
    EXPECT_EQ(alphaAt(trail, 1200, 150, 200, false), alphaAt(trail, 1200, 150, 200));
    EXPECT_EQ(alphaAt(trail, 1200, 105, 200, false), alphaAt(trail, 1200, 105, 200));
    EXPECT_LE(alphaAt(trail, 1200, 200, 200, false), 204u) << "the dot drawn with the trail";
    EXPECT_GT(alphaAt(trail, 1200, 196, 200, false), 0u) << "the trail stops short of the dot";
    EXPECT_TRUE(trailAlive(&trail, 5000)) << "a finger at rest keeps its dot";
    EXPECT_EQ(trail.points.size(), 1u) << "the trail of a resting finger fades";
    trailLift(&trail, 5000);
    EXPECT_TRUE(trailAlive(&trail, 5200));
    const uint32_t fading = alphaAt(trail, 5250, 200, 200);
    EXPECT_GT(fading, 96u);
    EXPECT_LT(fading, 160u) << "half way through its fade the dot is about half";
    EXPECT_EQ(alphaAt(trail, 5250, 200, 200, false), 0u) << "the fading dot drawn without being asked for";
    EXPECT_FALSE(trailAlive(&trail, 5500)) << "something is left half a second after the lift";
    EXPECT_TRUE(trail.points.empty());
    trailTouch(&trail, {900, 900}, 6000, 96);
    EXPECT_EQ(trail.points.size(), 1u) << "a new touch carries the old trail";
}

// The dot's own pixels, set once per scale on a window that a touch only moves: the box the same
// size wherever the finger is, its centre pixel at the finger, and exactly the pixels the trail
// gives the dot of a finger that is down (so the dot looks the same in its window as drawn with the
// trail after the lift), at every scale.
TEST(PresentingPointer, TheDotsOwnPixelsAreTheTrailsDotWhereverTheFingerIs) {
    for (int32_t dpi : {96, 120, 144, 192}) {
        const PxRect here = dotBounds({300, 200}, dpi), there = dotBounds({-40, 1000}, dpi);
        const int32_t side = here.right - here.left;
        EXPECT_EQ(here.bottom - here.top, side) << dpi;
        EXPECT_EQ(there.right - there.left, side) << dpi;
        EXPECT_EQ(there.bottom - there.top, side) << dpi;
        EXPECT_EQ((here.left + here.right - 1) / 2, 300) << dpi;
        EXPECT_EQ((here.top + here.bottom - 1) / 2, 200) << dpi;
        EXPECT_GE(side, scaledForDpi(POINTER_DOT_96, dpi)) << "the dot's soft edge is cut at " << dpi;
        EXPECT_LE(side, scaledForDpi(POINTER_DOT_96, dpi) + 6)
            << "the dot's window is larger than the dot at " << dpi;

        PointerTrail one;
        trailTouch(&one, {300, 200}, 1000, dpi);
        const PxRect box = trailBounds(one, dpi);
        EXPECT_EQ(box.left, here.left);
        EXPECT_EQ(box.top, here.top);
        EXPECT_EQ(box.right, here.right);
        EXPECT_EQ(box.bottom, here.bottom);
        std::vector<uint32_t> drawn(size_t(side) * size_t(side)), own(drawn.size());
        renderTrail(one, 1000, dpi, box, drawn.data(), true);
        renderDot(dpi, own.data());
        EXPECT_EQ(own, drawn) << "the dot's own pixels differ from the trail's dot at " << dpi;
        EXPECT_EQ(own[size_t(side / 2) * size_t(side) + size_t(side / 2)], 0xFF000000u | POINTER_RED) << dpi;
        EXPECT_EQ(own[0] >> 24, 0u) << "the corners are not clear at " << dpi;
    }
}

// However fast and far the finger goes, the trail (what a draw of it covers) stays within its length.
TEST(PresentingPointer, TheTrailStaysShortAtEveryScale) {
    for (int32_t dpi : {96, 144}) {
        PointerTrail trail;
        for (int i = 0; i <= 100; ++i)
            trailTouch(&trail, {10 * i, 7 * i}, 1000 + uint32_t(i), dpi);
        const PxRect box = trailBounds(trail, dpi);
        const int32_t most = scaledForDpi(POINTER_TRAIL_MAX_96 + POINTER_DOT_96, dpi) + 8;
        EXPECT_LE(box.right - box.left, most) << dpi;
        EXPECT_LE(box.bottom - box.top, most) << dpi;
        EXPECT_EQ(trail.points.back().x, 1000);
    }
}

// A sixth of the height across where the finger last touched, kept on the monitor; the inside,
// the rim's band and the grip; a drag of the inside moves it (its centre stays on the monitor), a
// drag of the rim sizes it within its bounds.
TEST(PresentingSpotlight, CircleStartsWhereTheFingerWasAndDragsMoveAndSizeIt) {
    const PxRect monitor = {1920, 0, 3840, 1080};
    const Circle c = spotlightStart(monitor, {2500, 400});
    EXPECT_EQ(c.r * 2, 180);
    EXPECT_EQ(c.cx, 2500);
    EXPECT_EQ(spotlightStart(monitor, {100, -50}).cx, 1920) << "a point off the monitor";
    EXPECT_EQ(spotlightStart(monitor, {100, -50}).cy, 0);
    EXPECT_EQ(spotlightPart(c, {2500, 400}, 96), SPOT_INSIDE);
    EXPECT_EQ(spotlightPart(c, {2500 + 90, 400}, 96), SPOT_RIM);
    EXPECT_EQ(spotlightPart(c, {2500 + 90 + 15, 400}, 96), SPOT_RIM);
    EXPECT_EQ(spotlightPart(c, {2500 + 90 + 17, 400}, 96), SPOT_OUTSIDE);
    const PxPoint grip = spotlightGrip(c);
    EXPECT_EQ(spotlightPart(c, {grip.x + 20, grip.y + 10}, 96), SPOT_RIM) << "the grip a finger finds";
    EXPECT_EQ(spotlightPart(c, {2500, 400 - 200}, 96), SPOT_OUTSIDE);
    const Circle moved = spotlightMoved(c, 100, -30, monitor);
    EXPECT_EQ(moved.cx, 2600);
    EXPECT_EQ(moved.cy, 370);
    EXPECT_EQ(moved.r, c.r);
    EXPECT_EQ(spotlightMoved(c, -5000, 5000, monitor).cx, 1920);
    EXPECT_EQ(spotlightMoved(c, -5000, 5000, monitor).cy, 1079);
    EXPECT_EQ(spotlightResized(c, {2500 + 150, 400}, monitor, 96).r, 150);
    EXPECT_EQ(spotlightResized(c, {2500, 400}, monitor, 96).r, 32) << "the least";
    EXPECT_EQ(spotlightResized(c, {2500, 400}, monitor, 144).r, 48);
    EXPECT_EQ(spotlightResized(c, {9000, 400}, monitor, 96).r, 540) << "half the monitor's height";
}

// Outside: black at 75 %; inside: clear; the rim white; all of it inside its bounds.
TEST(PresentingSpotlight, PixelsDimTheRestAndLeaveTheCircleClear) {
    const Circle c = {500, 400, 90};
    EXPECT_EQ(spotlightPixel(c, 100, 100, 96), 0xBF000000u);
    EXPECT_EQ(spotlightPixel(c, 500, 400, 96), 0u);
    EXPECT_EQ(spotlightPixel(c, 500, 400 - 91, 96), 0xFFFFFFFFu) << "no rim";
    const PxPoint grip = spotlightGrip(c);
    EXPECT_EQ(spotlightPixel(c, grip.x, grip.y, 96), 0xFFFFFFFFu) << "no grip";
    const PxRect b = spotlightBounds(c, 96);
    for (int32_t x = b.left - 3; x < b.right + 3; ++x)
        for (int32_t y : {b.top - 1, b.bottom})
            EXPECT_EQ(spotlightPixel(c, x, y, 96), 0xBF000000u) << x << "," << y;
}

// The shade's edge follows the finger, never above the monitor, never so low that its grip goes.
TEST(PresentingShade, EdgeFollowsTheFingerAndKeepsItsGrip) {
    EXPECT_EQ(shadeTop(0, 300, 1080, 96), 300);
    EXPECT_EQ(shadeTop(300, -500, 1080, 96), 0);
    EXPECT_EQ(shadeTop(300, 5000, 1080, 96), 1040);
    EXPECT_EQ(shadeTop(0, 5000, 1080, 144), 1020);
    const PxRect g = shadeGrip(1920, 96);
    EXPECT_EQ(g.right - g.left, 160);
    EXPECT_EQ(g.left, 880);
    EXPECT_EQ(g.top, 0);
    EXPECT_GE(g.bottom - g.top, 40) << "a grip a finger takes";
}
