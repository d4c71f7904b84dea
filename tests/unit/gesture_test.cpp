// The pointer emulation, the capture and check rules and the hold ring, replayed on touch traces
// with exact times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <cstdint>

#include "calibration/core/cross_touches.h"
#include "touch/core/gesture.h"
#include "touch/core/hold_ring.h"

namespace {

struct Event {
    std::string kind; // "cursor", "move", "ldown", "lup", "rdown", "rup", "sleep"
    int32_t x, y;
    uint32_t at;
};

std::vector<Event> events;
uint32_t clockMs = 0;
bool swapped = false;

// A button event is named only when it is also a move to its point: a press "where the cursor is"
// lands wherever something else has put the cursor since.
std::string flagName(uint32_t flags) {
    switch (flags) {
    case MOUSE_MOVE:
        return "move";
    case MOUSE_MOVE | MOUSE_LEFT_DOWN:
        return "ldown";
    case MOUSE_MOVE | MOUSE_LEFT_UP:
        return "lup";
    case MOUSE_MOVE | MOUSE_RIGHT_DOWN:
        return "rdown";
    case MOUSE_MOVE | MOUSE_RIGHT_UP:
        return "rup";
    default:
        return "flags" + std::to_string(flags);
    }
}

const PointerOutput recorder = {
    [](int32_t x, int32_t y) {
        events.push_back({"cursor", x, y, clockMs});
    },
    [](uint32_t flags, int32_t x, int32_t y) {
        events.push_back({flagName(flags), x, y, clockMs});
    },
    []() { return clockMs; },
    [](uint32_t ms) {
        events.push_back({"sleep", static_cast<int32_t>(ms), 0, clockMs});
        clockMs += ms;
    },
    []() { return swapped; },
};

// Mouse units as the reader computes them for a 1024 x 768 screen.
MousePoint unitsOf(int32_t x, int32_t y) {
    return {x * 65535 / 1024, y * 65535 / 768};
}

class Gesture : public ::testing::Test {
  protected:
    void SetUp() override {
        events.clear();
        clockMs = 5000;
        swapped = false;
    }
    // One polling round with a valid point at time t.
    void point(uint32_t t, int32_t x, int32_t y, float smooth = 1.0f) {
        clockMs = t;
        pMouse = unitsOf(x, y);
        trackTouch(track, recorder, x, y, pMouse, smooth);
    }
    // A round without a touch at time t.
    void lift(uint32_t t) {
        clockMs = t;
        if (track.touchState != TOUCH_NONE) {
            const MousePoint place = pointerPlace(track); // as the reader ends a touch
            releaseTouch(recorder, track.touchState, place.x, place.y);
            track.touchState = TOUCH_NONE;
        }
    }
    std::string kinds() const {
        std::string s;
        for (const Event& e : events)
            s += (s.empty() ? "" : " ") + e.kind;
        return s;
    }
    TouchTrack track;
    MousePoint pMouse = {-1, -1};
};

TEST_F(Gesture, TapIsCursorAtTouchDownThenPrimaryClickAtLift) {
    point(5000, 300, 200);
    for (uint32_t t = 5010; t < 5300; t += 10)
        point(t, 300 + (t / 10) % 3, 200); // jitter within the threshold
    lift(5300);
    ASSERT_EQ(kinds(), "cursor ldown sleep lup");
    EXPECT_EQ(events[0].x, 300);
    EXPECT_EQ(events[0].y, 200);
    EXPECT_EQ(events[0].at, 5000u);
    EXPECT_EQ(events[1].at, 5300u);
    EXPECT_EQ(events[2].x, 100); // the pause between down and up
    EXPECT_EQ(events[3].at, 5400u);
    // Both at the touch-down point, not at the last jittery point.
    for (int i : {1, 3}) {
        EXPECT_EQ(events[i].x, unitsOf(300, 200).x) << i;
        EXPECT_EQ(events[i].y, unitsOf(300, 200).y) << i;
    }
    EXPECT_EQ(track.touchState, TOUCH_NONE);
}

TEST_F(Gesture, FourPixelsOfJitterStaysATouchFiveStartsADragAtTheTouchDownPoint) {
    point(5000, 400, 300);
    point(5010, 404, 304);
    point(5020, 396, 296);
    EXPECT_EQ(track.touchState, TOUCH_DOWN);
    EXPECT_EQ(kinds(), "cursor");

    point(5030, 405, 300);
    EXPECT_EQ(track.touchState, TOUCH_DRAG);
    ASSERT_EQ(kinds(), "cursor ldown move");
    const MousePoint down = unitsOf(400, 300);
    EXPECT_EQ(events[1].x, down.x); // pressed where the touch came down
    EXPECT_EQ(events[1].y, down.y);
    EXPECT_EQ(events[2].x, unitsOf(405, 300).x); // then at once the move, unsmoothed with period 1
    EXPECT_EQ(events[2].at, events[1].at);

    // Five pixels on the other axis, or beyond in the negative direction, also start a drag.
    for (auto d : {MousePoint{0, 5}, MousePoint{-5, 0}, MousePoint{0, -5}}) {
        SetUp();
        track = TouchTrack();
        point(5000, 400, 300);
        point(5010, 400 + d.x, 300 + d.y);
        EXPECT_EQ(track.touchState, TOUCH_DRAG) << d.x << "," << d.y;
    }
}

TEST_F(Gesture, DragFollowsThePointsAndEndsWithPrimaryUpAtTheLastSmoothedPosition) {
    point(5000, 100, 100);
    for (int i = 1; i <= 20; ++i)
        point(5000 + i * 8, 100 + i * 10, 100 + i * 5);
    lift(5200);
    ASSERT_EQ(events.size(), 1u + 1 + 20 + 1);
    EXPECT_EQ(events.back().kind, "lup");
    const Event& lastMove = events[events.size() - 2];
    EXPECT_EQ(lastMove.kind, "move");
    EXPECT_EQ(events.back().x, lastMove.x);
    EXPECT_EQ(events.back().y, lastMove.y);
    EXPECT_EQ(lastMove.x, unitsOf(300, 200).x);
    EXPECT_EQ(lastMove.y, unitsOf(300, 200).y);

    // Once dragging, standing still for seconds never turns into a hold.
    SetUp();
    track = TouchTrack();
    point(5000, 100, 100);
    point(5010, 120, 100);
    for (uint32_t t = 5020; t < 8000; t += 100)
        point(t, 120, 100);
    lift(8000);
    EXPECT_EQ(kinds().find("rdown"), std::string::npos) << kinds();
}

TEST_F(Gesture, HoldIsNothingAt1000msSecondaryDownAt1001AndDownSleepUpAtLift) {
    point(5000, 500, 400);
    point(6000, 500, 400);
    EXPECT_EQ(kinds(), "cursor");
    point(6001, 502, 401);
    EXPECT_EQ(track.touchState, TOUCH_HOLD);
    ASSERT_EQ(kinds(), "cursor rdown");
    EXPECT_EQ(events[1].x, unitsOf(500, 400).x); // at the touch-down position
    point(6500, 530, 400);                       // moving while held: no input
    EXPECT_EQ(kinds(), "cursor rdown");
    lift(7000);
    EXPECT_EQ(kinds(), "cursor rdown rdown sleep rup");
    EXPECT_EQ(events[4].at - events[2].at, 100u);
    for (int i : {2, 4}) // the release where the hold began, not where the finger went
        EXPECT_EQ(events[i].x, unitsOf(500, 400).x) << i;
}

TEST_F(Gesture, HoldTimeSurvivesTheTickCountWrapping) {
    point(0xFFFFFF00u, 500, 400);
    point(0xFFFFFF00u + 1000, 500, 400); // wraps past zero: exactly 1000 ms
    EXPECT_EQ(track.touchState, TOUCH_DOWN);
    point(0xFFFFFF00u + 1001, 500, 400);
    EXPECT_EQ(track.touchState, TOUCH_HOLD);
}

TEST_F(Gesture, SwappedButtonsSwapEveryButtonEvent) {
    swapped = true;
    point(5000, 300, 300);
    lift(5200);
    point(6000, 300, 300);
    point(6010, 320, 300);
    lift(6020);
    point(7000, 300, 300);
    point(8001, 300, 300);
    lift(8100);
    EXPECT_EQ(kinds(), "cursor rdown sleep rup "
                       "cursor rdown move rup "
                       "cursor ldown ldown sleep lup");
}

TEST_F(Gesture, SmoothingWithOuhe1FollowsExactlyAnd20CoversAbout9Point5Percent) {
    EXPECT_FLOAT_EQ(smoothFactorFor(1), 1.0f);
    EXPECT_NEAR(smoothFactorFor(20), 0.0952f, 1e-4);
    EXPECT_FLOAT_EQ(smoothFactorFor(0), 1.0f); // held to the range
    EXPECT_FLOAT_EQ(smoothFactorFor(99), smoothFactorFor(20));

    const float f20 = smoothFactorFor(20);
    point(5000, 100, 100, f20);
    point(5010, 200, 100, f20);
    // The first move covers 9.5 % of the way from the touch-down point (100) to 200.
    ASSERT_EQ(kinds(), "cursor ldown move");
    const double from = unitsOf(100, 100).x, to = unitsOf(200, 100).x;
    EXPECT_NEAR((events[2].x - from) / (to - from), 0.0952, 0.001);
    // Holding the finger at 200 the pointer keeps closing the remaining gap by the same share.
    double previous = events[2].x;
    for (int i = 0; i < 5; ++i) {
        point(5020 + i * 10, 200, 100, f20);
        const double now = events.back().x;
        EXPECT_NEAR((now - previous) / (to - previous), 0.0952, 0.002) << i;
        previous = now;
    }
    EXPECT_EQ(pMouse.x, static_cast<int32_t>(previous)); // the smoothed position is written back
}

TEST_F(Gesture, DragLostWithTheSensorEndsWithPrimaryUpAtTheLastSmoothedPosition) {
    const float f = smoothFactorFor(5);
    point(5000, 100, 100, f);
    point(5010, 150, 120, f);
    point(5020, 200, 140, f);
    const MousePoint smoothed = pMouse;
    EXPECT_NE(smoothed.x, unitsOf(200, 140).x); // smoothing kept it behind the finger
    lift(5021);                                 // the reader finds no sensor handle: no point, the touch ends
    ASSERT_EQ(events.back().kind, "lup");
    EXPECT_EQ(events.back().x, smoothed.x);
    EXPECT_EQ(events.back().y, smoothed.y);
    lift(5030); // nothing more after that
    EXPECT_EQ(events.back().at, 5021u);
}

// --- capture rules -------------------------------------------------------------------------------

TEST(Capture, FirstPointAtOnceLaterOnesOnlyAfter700ms) {
    CaptureTrack c;
    EXPECT_EQ(offerCapturePoint(c, 0, 110, 90, 1000), CAPTURE_ACCEPTED);
    EXPECT_EQ(offerCapturePoint(c, 1, 900, 80, 1300), CAPTURE_STORED);
    EXPECT_EQ(offerCapturePoint(c, 1, 901, 81, 1700), CAPTURE_STORED); // exactly 700: not yet
    EXPECT_EQ(c.pDingweiTem[2], 901);
    EXPECT_EQ(offerCapturePoint(c, 1, 905, 85, 1701), CAPTURE_ACCEPTED);
    EXPECT_EQ(c.pDingweiTem[2], 905);
    EXPECT_EQ(c.pDingweiTem[3], 85);
    EXPECT_EQ(c.dTimeDingwei, 1701u);
    EXPECT_EQ(c.pDingweiTem[0], 110); // earlier slots keep their points
    EXPECT_EQ(offerCapturePoint(c, 5, 1, 1, 9000), CAPTURE_IGNORED);
    EXPECT_EQ(offerCapturePoint(c, -1, 1, 1, 9000), CAPTURE_IGNORED);
}

TEST(Capture, TheCheckPointWaitsForALiftAnd700ms) {
    CaptureTrack c;
    EXPECT_EQ(offerCapturePoint(c, 3, 900, 700, 1000), CAPTURE_ACCEPTED);
    awaitCheckPoint(c);
    EXPECT_EQ(offerCapturePoint(c, CAPTURE_CHECK_INDEX, 901, 701, 2500), CAPTURE_IGNORED)
        << "still on cross 4";
    captureNoTouch(c);
    EXPECT_EQ(offerCapturePoint(c, CAPTURE_CHECK_INDEX, 500, 380, 1600), CAPTURE_STORED);
    EXPECT_EQ(offerCapturePoint(c, CAPTURE_CHECK_INDEX, 510, 390, 1701), CAPTURE_ACCEPTED);
    EXPECT_EQ(c.pCheck[0] * 1000 + c.pCheck[1], 510390);
    EXPECT_EQ(c.pDingweiTem[6] * 1000 + c.pDingweiTem[7], 900700) << "the check overwrote a corner";
}

TEST(Capture, CheckPointWithinTwoPercentOfTheDiagonal) {
    // {x, y, width, height, within}: 1024 x 768 allows 25.6 px, 1920 x 1080 44.06 px, 150 x 200 5 px.
    const int32_t cases[][5] = {{512 + 25, 384, 1024, 768, 1},      {512 + 26, 384, 1024, 768, 0},
                                {512 - 18, 384 + 18, 1024, 768, 1}, {512 + 19, 384 - 18, 1024, 768, 0},
                                {960 + 44, 540, 1920, 1080, 1},     {960, 540 - 45, 1920, 1080, 0},
                                {75 + 3, 100 + 4, 150, 200, 1},     {75 + 3, 100 + 5, 150, 200, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(checkPointAccurate(c[0], c[1], c[2] / 2, c[3] / 2, c[2], c[3]), c[4] == 1)
            << "(" << c[0] << ", " << c[1] << ") on " << c[2] << " x " << c[3];
}

TEST(Capture, AfterARejectionNothingIsTakenUntilTheFingerLifts) {
    CaptureTrack c;
    restartCapture(c);
    EXPECT_EQ(offerCapturePoint(c, 0, 500, 400, 100), CAPTURE_IGNORED);
    EXPECT_EQ(offerCapturePoint(c, 0, 500, 400, 5000), CAPTURE_IGNORED);
    captureNoTouch(c);
    EXPECT_EQ(offerCapturePoint(c, 0, 120, 100, 5010), CAPTURE_ACCEPTED);
}

TEST(Capture, ShapeTests) {
    struct Case {
        const char* what;
        int32_t p[8]; // top left, top right, bottom left, bottom right
        bool ok;
    };
    const Case cases[] = {
        {"rectangle", {112, 84, 912, 84, 112, 684, 912, 684}, true},
        {"general quadrilateral", {150, 100, 880, 60, 120, 700, 940, 720}, true},
        {"mirrored left to right", {912, 84, 112, 84, 912, 684, 112, 684}, true},
        {"upside down", {912, 684, 112, 684, 912, 84, 112, 84}, true},
        {"rotated a quarter turn", {912, 84, 912, 684, 112, 84, 112, 684}, true},
        {"bottom crosses swapped: bow tie", {112, 84, 912, 84, 912, 684, 112, 684}, false},
        {"right crosses swapped: bow tie", {112, 84, 912, 684, 112, 684, 912, 84}, false},
        {"held through the capture", {500, 400, 501, 400, 500, 401, 502, 401}, false},
        {"a cross touched twice", {112, 84, 912, 84, 112, 84, 912, 684}, false},
        {"three on a line", {112, 84, 512, 84, 112, 684, 912, 84}, false},
        {"concave", {112, 84, 912, 84, 112, 684, 400, 300}, false},
        {"19 units apart", {100, 100, 119, 100, 100, 300, 119, 300}, false},
        {"20 units apart", {100, 100, 120, 100, 100, 300, 120, 300}, true},
        {"all zero", {0, 0, 0, 0, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(captureShapeAcceptable(c.p), c.ok) << c.what;
}

// --- the hold ring -------------------------------------------------------------------------------

TEST(HoldRing, AppearsAt300msClosesWithTheHoldAndStaysClosed150ms) {
    // {state, ms since down, ms since the hold began, step}
    const uint32_t cases[][4] = {{TOUCH_DOWN, 299, 0, 0},    {TOUCH_DOWN, 300, 0, 12},
                                 {TOUCH_DOWN, 500, 0, 20},   {TOUCH_DOWN, 1300, 0, 39},
                                 {TOUCH_HOLD, 1001, 0, 40},  {TOUCH_HOLD, 1150, 149, 40},
                                 {TOUCH_HOLD, 1151, 150, 0}, {TOUCH_DRAG, 800, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(holdRingStep(static_cast<int32_t>(c[0]), c[1], c[2]), static_cast<int32_t>(c[3]))
            << "state " << c[0] << " at " << c[1] << " ms";
}

// The closed ring measured along its middle row: the dark band's outer and inner extent. Its
// diameter (the band's middle) is 40 pixels at 96 DPI and 60 at 144; the band 3 and 4.5 wide.
TEST(HoldRing, DrawnLargerOnAMonitorOfLargerScale) {
    const struct {
        int32_t dpi, side;
        double diameter, band;
    } cases[] = {{96, 48, 40, 3}, {144, 72, 60, 4.5}, {192, 96, 80, 6}};
    for (const auto& c : cases) {
        ASSERT_EQ(holdRingSize(c.dpi), c.side) << "dpi " << c.dpi;
        std::vector<uint32_t> pixels(size_t(c.side * c.side), 0x12345678);
        renderHoldRing(RING_STEPS, pixels.data(), c.dpi);
        int first = -1, last = -1, darkInRow = 0, partial = 0;
        const int row = c.side / 2;
        for (int x = 0; x < c.side; ++x) {
            const uint32_t p = pixels[size_t(row * c.side + x)];
            if (p == RING_DARK) {
                first = first < 0 ? x : first;
                last = x;
                ++darkInRow;
            }
        }
        for (uint32_t p : pixels)
            partial += p != 0 && p != RING_DARK && p != RING_WHITE;
        EXPECT_EQ(partial, 0) << "every pixel written, none partly the ring's, at dpi " << c.dpi;
        // From the middle of the band on one side to the middle on the other, both pixels counted
        // (an even band at 200 % has its middle between two pixels).
        const double band = darkInRow / 2.0, outer = last - first + 1, diameter = outer - band + 1;
        EXPECT_NEAR(diameter, c.diameter, c.dpi == 192 ? 1.0 : 0.5)
            << "dpi " << c.dpi << ": " << outer << " outside, band " << band;
        EXPECT_NEAR(band, c.band, 1.0) << "dpi " << c.dpi;
    }
}

} // namespace
