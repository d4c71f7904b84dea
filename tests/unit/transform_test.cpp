// The calibration transform and the mapping to pixels and mouse units.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"

namespace {

// A reference determinant by cofactor expansion.
double cofactorDeterminant(const double m[9]) {
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

bool sameBytes(const void* a, const void* b, size_t n) {
    return std::memcmp(a, b, n) == 0;
}

struct Transform {
    Vec3 points[4];
    Vec3 weights;
};

Transform setUp(const int32_t raw[8]) {
    Transform t{};
    EXPECT_TRUE(setUpTransform(raw, t.points, t.weights));
    return t;
}

void expectMapsTo(const Transform& t, double x, double y, double u, double v, double tolerance) {
    double uv[2] = {-7, -7};
    ASSERT_TRUE(sensorToUnitSquare(t.points, t.weights, x, y, uv)) << "touch " << x << "," << y;
    EXPECT_NEAR(uv[0], u, tolerance) << "touch " << x << "," << y;
    EXPECT_NEAR(uv[1], v, tolerance) << "touch " << x << "," << y;
}

} // namespace

TEST(Determinant, EliminationWithoutRowExchanges) {
    // First pivot 0, second row not: as with the rows exchanged and the sign restored.
    const double swapped[9] = {0, 1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(determinant3(swapped), -1.0);
    // All-zero first column.
    const double zeroColumn[9] = {0, 1, 2, 0, 3, 4, 0, 5, 6};
    EXPECT_EQ(determinant3(zeroColumn), 0.0);
    // Row 1 leaves the pivot at 0, row 2 fixes it; the second pivot is then 0 after elimination.
    const double bothAdded[9] = {0, 1, 2, 0, 3, 4, 5, 6, 7};
    EXPECT_NEAR(determinant3(bothAdded), -10.0, 1e-12);
    const double secondPivotZero[9] = {1, 2, 3, 2, 4, 7, 1, 5, 1};
    EXPECT_NEAR(determinant3(secondPivotZero), cofactorDeterminant(secondPivotZero), 1e-12);
    const double singular[9] = {1, 2, 3, 2, 4, 6, 1, 1, 1};
    EXPECT_EQ(determinant3(singular), 0.0);
}

TEST(Determinant, AgreesWithCofactorsAndLeavesItsArgument) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> small(-3, 3); // many zeros, so every pivot path is taken
    for (int n = 0; n < 5000; ++n) {
        double m[9], copy[9];
        for (double& e : m)
            e = small(rng);
        std::memcpy(copy, m, sizeof m);
        double expected = cofactorDeterminant(m);
        EXPECT_NEAR(determinant3(m), expected, 1e-9 * (1 + std::fabs(expected)));
        ASSERT_TRUE(sameBytes(m, copy, sizeof m));
    }
}

TEST(Transform, AxisParallelRectangle) {
    const int32_t raw[8] = {112, 84, 912, 84, 112, 684, 912, 684};
    Transform t = setUp(raw);
    for (const Vec3& p : t.points)
        EXPECT_EQ(p.z, 1.0);
    EXPECT_EQ(t.weights.x, 0.0);
    EXPECT_EQ(t.weights.y, 0.0);
    EXPECT_EQ(t.weights.z, -1.0);
    expectMapsTo(t, 512, 384, 0.5, 0.5, 1e-12);
    expectMapsTo(t, 112, 84, 0, 0, 1e-12);
    expectMapsTo(t, 912, 684, 1, 1, 1e-12);
    expectMapsTo(t, 312, 684, 0.25, 1, 1e-12);
}

TEST(Transform, GeneralQuadrilateral) {
    const int32_t raw[8] = {150, 100, 880, 60, 120, 700, 940, 720};
    Transform t = setUp(raw);
    const double corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    for (int k = 0; k < 4; ++k)
        expectMapsTo(t, raw[2 * k], raw[2 * k + 1], corners[k][0], corners[k][1], 1e-12);
    expectMapsTo(t, 512, 384, 0.5112, 0.5110, 5e-5);
    // The weighted points form a parallelogram and lie on the plane c . P = -1.
    const Vec3* p = t.points;
    EXPECT_NEAR(p[0].x + p[3].x, p[1].x + p[2].x, 1e-9);
    EXPECT_NEAR(p[0].y + p[3].y, p[1].y + p[2].y, 1e-9);
    EXPECT_NEAR(p[0].z + p[3].z, p[1].z + p[2].z, 1e-12);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(t.weights.x * p[k].x + t.weights.y * p[k].y + t.weights.z * p[k].z, -1.0, 1e-12);
}

TEST(Transform, DegenerateCalibrationIsRefusedAndChangesNothing) {
    const int32_t cases[][8] = {
        {100, 100, 500, 100, 900, 100, 500, 700}, // first three on one line
        {100, 100, 100, 100, 100, 700, 900, 700}, // the same point twice
        {512, 384, 512, 384, 512, 384, 512, 384}, // all at the centre
        {100, 100, 900, 100, 100, 700, 100, 700}, // bottom corners coincide
        {100, 100, 900, 100, 100, 700, 500, 400}, // last point on the diagonal P1-P2
    };
    for (const auto& raw : cases) {
        Vec3 points[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
        Vec3 weights = {13, 14, 15};
        Vec3 pointsBefore[4], weightsBefore = weights;
        std::memcpy(pointsBefore, points, sizeof points);
        EXPECT_FALSE(setUpTransform(raw, points, weights)) << raw[0] << "," << raw[1] << " ...";
        EXPECT_TRUE(sameBytes(points, pointsBefore, sizeof points));
        EXPECT_TRUE(sameBytes(&weights, &weightsBefore, sizeof weights));
    }
}

TEST(Transform, SingularStepsLeaveTheirOutputs) {
    // computePointWeights: P1, P2, P3 on one line through... with (1, 1, -1) the system is singular.
    Vec3 points[4] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}};
    Vec3 before[4];
    std::memcpy(before, points, sizeof points);
    EXPECT_FALSE(computePointWeights(points));
    EXPECT_TRUE(sameBytes(points, before, sizeof points));

    // computePlaneVector: the first three points linearly dependent.
    Vec3 flat[4] = {{1, 0, 1}, {2, 0, 2}, {0, 1, 1}, {5, 5, 5}};
    Vec3 c = {9, 9, 9};
    EXPECT_FALSE(computePlaneVector(c, flat));
    EXPECT_EQ(c.x, 9.0);
    EXPECT_EQ(c.z, 9.0);

    // planeToUnitSquare: P0, P1, P2 on one line (D1 = 0), and a zero corner determinant (D2).
    double result[2] = {0.25, 0.75};
    Vec3 line[4] = {{0, 0, 1}, {1, 1, 1}, {2, 2, 1}, {3, 1, 1}};
    EXPECT_FALSE(planeToUnitSquare(line, Vec3{1, 0, 1}, result));
    Vec3 corner[4] = {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {2, 0, 1}};
    EXPECT_FALSE(planeToUnitSquare(corner, Vec3{1, 0, 1}, result));
    EXPECT_EQ(result[0], 0.25);
    EXPECT_EQ(result[1], 0.75);
}

TEST(Transform, TouchWithoutImageGivesNoResult) {
    // The singular line of the projection: q.x c.x + q.y c.y + c.z = 0.
    const Vec3 c = {1.0 / 512, 0, 0.5};
    Vec3 q = {-256, 17, 3};
    EXPECT_FALSE(projectOntoPlane(c, q));
    EXPECT_EQ(q.x, -256.0);
    EXPECT_EQ(q.y, 17.0);
    EXPECT_EQ(q.z, 3.0);

    // The same through the per-touch chain: raw x 256 is centred x -256, on the line; the
    // previous (u, v) survives.
    const int32_t raw[8] = {150, 100, 880, 60, 120, 700, 940, 720};
    Transform t = setUp(raw);
    double uv[2] = {0.3, 0.4};
    EXPECT_FALSE(sensorToUnitSquare(t.points, c, 256, 384, uv));
    EXPECT_FALSE(sensorToUnitSquare(t.points, c, 256, 0, uv));
    EXPECT_EQ(uv[0], 0.3);
    EXPECT_EQ(uv[1], 0.4);
    // NaN in, or an overflow on the way: no result. A touch far away but finite maps near the
    // vanishing point, finite.
    EXPECT_FALSE(sensorToUnitSquare(t.points, t.weights, std::nan(""), 384, uv));
    const double huge = std::numeric_limits<double>::max();
    Vec3 far = {huge, huge, 0};
    EXPECT_FALSE(projectOntoPlane(Vec3{2, 2, 1}, far));
    EXPECT_EQ(far.x, huge);
    EXPECT_EQ(uv[0], 0.3);
    if (sensorToUnitSquare(t.points, t.weights, huge, huge, uv)) {
        EXPECT_TRUE(std::isfinite(uv[0]));
        EXPECT_TRUE(std::isfinite(uv[1]));
    }
}

TEST(Transform, RandomKeystonedBoardsRoundTrip) {
    // A board is a projective map from screen pixels to sensor units: scale, rotation up to 20
    // degrees, keystone up to 15 percent across the screen, offset. The crosses go through it
    // unrounded, the transform is set up from them, and random screen points must come back
    // within half a pixel.
    std::mt19937 rng(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int screens[2][2] = {{1024, 768}, {1920, 1080}};
    const double pi = std::acos(-1.0);
    int boards = 0;
    for (int n = 0; n < 3000; ++n) {
        const int w = screens[n % 2][0], h = screens[n % 2][1];
        const double angle = (unit(rng) * 2 - 1) * 20 * pi / 180;
        const double scale = (0.55 + 0.35 * unit(rng)) * 1024.0 / w;
        const double kx = (unit(rng) * 2 - 1) * 0.15 / w, ky = (unit(rng) * 2 - 1) * 0.15 / h;
        const double ox = 512 + (unit(rng) * 2 - 1) * 60, oy = 384 + (unit(rng) * 2 - 1) * 40;
        auto toSensor = [&](double sx, double sy, double out[2]) {
            double cx = sx - w / 2.0, cy = sy - h / 2.0;
            double rx = (std::cos(angle) * cx - std::sin(angle) * cy) * scale;
            double ry = (std::sin(angle) * cx + std::cos(angle) * cy) * scale;
            double wgt = 1 + kx * cx + ky * cy;
            out[0] = ox + rx / wgt;
            out[1] = oy + ry / wgt;
        };
        const int targets[3][2] = {{100, 50}, {w - 100, 50}, {100, h - 50}};
        const double crosses[4][2] = {{100, 50}, {w - 100.0, 50}, {100, h - 50.0}, {w - 100.0, h - 50.0}};
        Vec3 points[4];
        for (int k = 0; k < 4; ++k) {
            double s[2];
            toSensor(crosses[k][0], crosses[k][1], s);
            points[k] = {s[0], s[1], 0};
            centreSensorPoint(points[k]);
        }
        Vec3 c{};
        ASSERT_TRUE(computePointWeights(points)) << "board " << n;
        ASSERT_TRUE(computePlaneVector(c, points)) << "board " << n;
        ++boards;

        const double corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        for (int k = 0; k < 4; ++k) {
            double s[2], uv[2];
            toSensor(crosses[k][0], crosses[k][1], s);
            ASSERT_TRUE(sensorToUnitSquare(points, c, s[0], s[1], uv));
            ASSERT_NEAR(uv[0], corners[k][0], 1e-9) << "board " << n << " cross " << k;
            ASSERT_NEAR(uv[1], corners[k][1], 1e-9) << "board " << n << " cross " << k;
        }
        for (int m = 0; m < 20; ++m) {
            double sx = unit(rng) * (w - 1), sy = unit(rng) * (h - 1), s[2], uv[2], xy[2];
            toSensor(sx, sy, s);
            ASSERT_TRUE(sensorToUnitSquare(points, c, s[0], s[1], uv));
            unitSquareToScreen(uv[0], uv[1], targets, xy);
            ASSERT_NEAR(xy[0], sx, 0.5) << "board " << n << " point " << sx << "," << sy;
            ASSERT_NEAR(xy[1], sy, 0.5) << "board " << n << " point " << sx << "," << sy;
        }
    }
    EXPECT_EQ(boards, 3000);
}

TEST(ScreenMapping, CrossesStandInFromTheCorners) {
    const int expected[5][2] = {{100, 50}, {1820, 50}, {100, 1030}, {1820, 1030}, {960, 540}};
    for (int i = 0; i < 5; ++i) {
        const ScreenPoint c = calibrationCross(i, 1920, 1080);
        EXPECT_EQ(c.x, expected[i][0]) << "cross " << i;
        EXPECT_EQ(c.y, expected[i][1]) << "cross " << i;
    }
    for (int i : {-1, 5}) {
        const ScreenPoint c = calibrationCross(i, 1920, 1080);
        EXPECT_EQ(c.x, 0) << "cross " << i;
        EXPECT_EQ(c.y, 0) << "cross " << i;
    }
}

// At 150 % the crosses stand 150 and 75 pixels in: where a program the system stretches from 96
// DPI puts them, so a calibration stored before stays right.
TEST(ScreenMapping, CrossesStandInByTheMonitorsScale) {
    const int at144[5][2] = {{150, 75}, {1770, 75}, {150, 1005}, {1770, 1005}, {960, 540}};
    const int at120[5][2] = {{125, 63}, {1795, 63}, {125, 1017}, {1795, 1017}, {960, 540}};
    for (int i = 0; i < 5; ++i) {
        const ScreenPoint c = calibrationCross(i, 1920, 1080, 144), d = calibrationCross(i, 1920, 1080, 120);
        EXPECT_EQ(c.x, at144[i][0]) << "cross " << i;
        EXPECT_EQ(c.y, at144[i][1]) << "cross " << i;
        EXPECT_EQ(d.x, at120[i][0]) << "cross " << i;
        EXPECT_EQ(d.y, at120[i][1]) << "cross " << i;
        const ScreenPoint e = calibrationCross(i, 1024, 768, 96), f = calibrationCross(i, 1024, 768);
        EXPECT_EQ(e.x, f.x) << "96 is the default";
        EXPECT_EQ(e.y, f.y);
    }
}

// A calibration under way starts again exactly when one of its crosses would be drawn elsewhere:
// another scale or another size moves them; a DPI not known is 96 and moves nothing.
TEST(ScreenMapping, CrossesMoveWithTheScaleAndTheSizeOfTheScreen) {
    struct Case {
        CrossScreen before, after;
        bool moved;
    };
    const Case cases[] = {
        {{1920, 1080, 96}, {1920, 1080, 96}, false},  {{1920, 1080, 96}, {1920, 1080, 0}, false},
        {{1920, 1080, 96}, {1920, 1080, 144}, true},  {{1920, 1080, 144}, {1920, 1080, 96}, true},
        {{1920, 1080, 96}, {1920, 1080, 97}, true},   {{1920, 1080, 96}, {1921, 1080, 96}, true},
        {{1920, 1080, 144}, {1920, 1081, 144}, true}, {{1024, 768, 96}, {1920, 1080, 144}, true},
        {{0, 0, 96}, {1024, 768, 96}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(calibrationCrossesMoved(c.before, c.after), c.moved)
            << c.before.width << "x" << c.before.height << "@" << c.before.dpi << " -> " << c.after.width
            << "x" << c.after.height << "@" << c.after.dpi;
}

TEST(ScreenMapping, PixelsBetweenTheCrossesHeldInsideTheScreen) {
    const int targets[3][2] = {{100, 50}, {924, 50}, {100, 718}};
    struct Case {
        double u, v;
        int x, y;
    };
    const Case cases[] = {
        {0, 0, 100, 50},
        {1, 1, 924, 718},
        {0.5, 0.5, 512, 384},
        // Truncated, not rounded: 100 + 824 * 0.9999 = 923.9...
        {0.9999, 0.00149, 923, 50},
        // Beyond the crosses and far beyond: the screen's edge.
        {-0.2, 1.2, 0, 767},
        {1e300, -1e300, 1023, 0},
    };
    ScreenPoint p{-1, -1};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "(" << c.u << ", " << c.v << ")");
        ASSERT_TRUE(unitSquareToPixel(c.u, c.v, targets, 1024, 768, p));
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
    // No result: nothing written.
    p = {5, 6};
    EXPECT_FALSE(unitSquareToPixel(std::nan(""), 0.5, targets, 1024, 768, p));
    EXPECT_FALSE(unitSquareToPixel(0.5, HUGE_VAL, targets, 1024, 768, p));
    EXPECT_FALSE(unitSquareToPixel(0.5, 0.5, targets, 0, 768, p));
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 6);
}

TEST(ScreenMapping, MouseUnitsLandOnTheirPixel) {
    // The system takes a normalised d to pixel floor(d * extent / 65536).
    for (int extent : {1, 2, 3, 640, 768, 800, 1024, 1080, 1366, 1920, 2560, 3840, 7680}) {
        int previous = -1;
        for (int p = 0; p < extent; ++p) {
            int d = pixelToMouse(p, extent);
            ASSERT_GE(d, 0);
            ASSERT_LE(d, 65535);
            ASSERT_GT(d, previous) << "extent " << extent << " pixel " << p;
            ASSERT_EQ(static_cast<int64_t>(d) * extent / 65536, p) << "extent " << extent << " d " << d;
            previous = d;
        }
        EXPECT_EQ(pixelToMouseX(0, extent), 0);
        EXPECT_LT(pixelToMouseX(extent - 1, extent), 65535) << extent;
    }
    EXPECT_EQ(pixelToMouseX(1023, 1024), 65472);
    EXPECT_EQ(pixelToMouseY(767, 768), 65451);
    // Out of the screen and no screen: held to the range.
    EXPECT_EQ(pixelToMouseX(-5, 1024), 0);
    EXPECT_EQ(pixelToMouseX(5000, 1024), 65535);
    EXPECT_EQ(pixelToMouseX(2147483647, 1), 65535);
    EXPECT_EQ(pixelToMouseY(10, 0), 0);
}

namespace {

// A calibration made on `made`: the sensor points of its crosses on a keystoned, turned board whose
// picture fills the same glass at any size (a place on the glass is a fraction of the screen).
struct GlassBoard {
    double toSensor(double fx, double fy, int axis) const {
        const double cx = fx - 0.5, cy = fy - 0.5;
        const double rx = (0.998 * cx - 0.052 * cy) * 880, ry = (0.052 * cx + 0.998 * cy) * 640;
        const double w = 1 + 0.12 * cx - 0.07 * cy;
        return axis == 0 ? 512 + rx / w : 384 + ry / w;
    }
    Transform calibrate(const CrossScreen& made) const {
        int32_t raw[8];
        for (int k = 0; k < 4; ++k) {
            const ScreenPoint c = calibrationCross(k, made.width, made.height, made.dpi);
            const double fx = double(c.x) / made.width, fy = double(c.y) / made.height;
            raw[2 * k] = int32_t(std::lround(toSensor(fx, fy, 0)));
            raw[2 * k + 1] = int32_t(std::lround(toSensor(fx, fy, 1)));
        }
        return setUp(raw);
    }
};

void crossTargets(const CrossScreen& s, int targets[3][2]) {
    for (int i = 0; i < 3; ++i) {
        const ScreenPoint c = calibrationCross(i, s.width, s.height, s.dpi);
        targets[i][0] = c.x;
        targets[i][1] = c.y;
    }
}

} // namespace

// Calibrated at one scale or size, the board's touches land where they touch at any other: the
// position among the crosses as they stood then, as a fraction of that screen, is the same
// fraction of the screen now. Mapped onto the crosses as they stand now instead (a calibration
// without its screen), a change from 96 to 144 DPI put touches up to 49 pixels off.
TEST(ScreenMapping, ACalibrationMapsRightAtAnotherScaleOrSize) {
    const GlassBoard board;
    const CrossScreen screens[] = {{1920, 1080, 96}, {1920, 1080, 144}, {1920, 1080, 120},
                                   {1024, 768, 96},  {1280, 800, 144},  {3840, 2160, 192}};
    for (const CrossScreen& made : screens) {
        const Transform t = board.calibrate(made);
        for (const CrossScreen& now : screens) {
            int targets[3][2];
            crossTargets(now, targets);
            double largest = 0;
            for (int j = 0; j <= 20; ++j)
                for (int i = 0; i <= 20; ++i) {
                    const double fx = 0.02 + 0.96 * i / 20, fy = 0.02 + 0.96 * j / 20;
                    double uv[2];
                    ASSERT_TRUE(sensorToUnitSquare(t.points, t.weights, board.toSensor(fx, fy, 0),
                                                   board.toSensor(fx, fy, 1), uv));
                    ScreenPoint p{-1, -1};
                    ASSERT_TRUE(calibratedPixel(uv[0], uv[1], made, targets, now.width, now.height, p));
                    largest = std::max(
                        {largest, std::fabs(p.x - fx * now.width), std::fabs(p.y - fy * now.height)});
                }
            // Rounded to whole sensor units: half a unit is up to 2.5 pixels of a 3840-pixel screen.
            const double allowed = now.width > 2000 ? 5.0 : 3.0;
            EXPECT_LE(largest, allowed) << "made " << made.width << "x" << made.height << "@" << made.dpi
                                        << ", now " << now.width << "x" << now.height << "@" << now.dpi;
        }
    }
}

// On the screen it was made on the mapping is the crosses' own, to the pixel; a calibration whose
// screen is not known (or is nonsense) maps onto the crosses of now, as one stored without it.
TEST(ScreenMapping, ACalibrationOnItsOwnScreenOrWithoutOneMapsOntoTheCrosses) {
    const CrossScreen now = {1920, 1080, 144};
    int targets[3][2];
    crossTargets(now, targets);
    const CrossScreen made[] = {now,
                                {0, 0, 0},
                                {1920, 1080, 0},
                                {-1920, 1080, 96},
                                {1920, 1080, 65536},
                                {150, 1080, 144},
                                {1920, 80, 96},
                                {70000, 1080, 96}};
    for (const CrossScreen& m : made) {
        EXPECT_EQ(calibrationScreenKnown(m), &m == &made[0]) << m.width << "x" << m.height << "@" << m.dpi;
        for (double u = -0.25; u <= 1.25; u += 0.0625)
            for (double v = -0.25; v <= 1.25; v += 0.0625) {
                ScreenPoint a{-1, -1}, b{-2, -2};
                ASSERT_TRUE(calibratedPixel(u, v, m, targets, now.width, now.height, a));
                ASSERT_TRUE(unitSquareToPixel(u, v, targets, now.width, now.height, b));
                ASSERT_TRUE(a.x == b.x && a.y == b.y)
                    << u << "," << v << " made " << m.width << "x" << m.height;
            }
    }
    ScreenPoint p{5, 6}; // no result: nothing written
    EXPECT_FALSE(calibratedPixel(std::nan(""), 0.5, {1024, 768, 96}, targets, 1920, 1080, p));
    EXPECT_FALSE(calibratedPixel(0.5, 0.5, {1024, 768, 96}, targets, 0, 1080, p));
    EXPECT_EQ(p.x, 5);
    ASSERT_TRUE(calibratedPixel(-1e300, 1e300, {1024, 768, 96}, targets, 1920, 1080, p));
    EXPECT_EQ(p.x, 0) << "far beyond the crosses: the screen's edge";
    EXPECT_EQ(p.y, 1079);
}
