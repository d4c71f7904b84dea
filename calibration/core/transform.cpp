#include "calibration/core/transform.h"

#include <cmath>

namespace {

bool finite3(const Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The largest distance from its corner that set-up accepts for a calibration point mapped back
// through the new transform. A sound board is off by rounding only (about 1e-13); a transform that
// misses by more is numerically broken.
constexpr double kCornerTolerance = 1e-6;

} // namespace

void centreSensorPoint(Vec3& p) {
    p.x = (p.x - kSensorCentreX) * 1.0;
    p.y = (p.y - kSensorCentreY) * 1.0;
}

double determinant3(const double m[9]) {
    double a[3][3];
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k)
            a[r][k] = m[r * 3 + k];

    for (int i = 0; i < 2; ++i) {
        int lastAdded = i; // i itself when no row had to be added
        if (a[i][i] == 0.0) {
            // Add the rows below, one at a time and in order, until the pivot is no longer 0. Rows
            // added before the last one hold 0 in column i, so only the last needs eliminating.
            for (int r = i + 1; r < 3 && a[i][i] == 0.0; ++r) {
                for (int k = 0; k < 3; ++k)
                    a[i][k] += a[r][k];
                lastAdded = r;
            }
            if (a[i][i] == 0.0)
                return 0.0;
        }
        int first = lastAdded > i ? lastAdded : i + 1;
        for (int r = first; r < 3; ++r) {
            double f = -a[r][i] / a[i][i];
            for (int k = i; k < 3; ++k)
                a[r][k] = a[i][k] * f + a[r][k];
        }
    }
    return 1.0 * a[0][0] * a[1][1] * a[2][2];
}

namespace {

// x with m x = b, m a 3 x 3 matrix by rows, by Cramer's rule: x[i] is the determinant of m with
// column i replaced by b, over the determinant of m. False, x untouched, when m's determinant is
// zero or not finite.
bool solveByCramer(const double m[9], const double b[3], double x[3]) {
    const double d = determinant3(m);
    if (d == 0.0 || !std::isfinite(d))
        return false;
    for (int i = 0; i < 3; ++i) {
        double withB[9];
        for (int k = 0; k < 9; ++k)
            withB[k] = m[k];
        for (int r = 0; r < 3; ++r)
            withB[r * 3 + i] = b[r];
        x[i] = determinant3(withB) / d;
    }
    return true;
}

} // namespace

bool computePointWeights(Vec3 points[4]) {
    const Vec3& p0 = points[0];
    const Vec3& p1 = points[1];
    const Vec3& p2 = points[2];
    const Vec3& p3 = points[3];
    const double pD[9] = {p1.x, p2.x, -p3.x, p1.y, p2.y, -p3.y, 1.0, 1.0, -1.0};
    const double p0Column[3] = {p0.x, p0.y, 1.0};
    double c[3];
    if (!solveByCramer(pD, p0Column, c))
        return false;

    Vec3 out[4] = {points[0], points[1], points[2], points[3]};
    out[0].z = 1.0;
    out[1].z = c[0];
    out[2].z = c[1];
    out[3].z = c[2];
    for (Vec3& p : out) {
        p.x = p.x * p.z;
        p.y = p.y * p.z;
        if (!finite3(p))
            return false;
    }
    for (int k = 0; k < 4; ++k)
        points[k] = out[k];
    return true;
}

bool computePlaneVector(Vec3& c, const Vec3 points[4]) {
    const double pD[9] = {points[0].x, points[0].y, points[0].z, points[1].x, points[1].y,
                          points[1].z, points[2].x, points[2].y, points[2].z};
    const double minusOnes[3] = {-1.0, -1.0, -1.0};
    double ci[3];
    if (!solveByCramer(pD, minusOnes, ci))
        return false;
    Vec3 out{ci[0], ci[1], ci[2]};
    if (!finite3(out))
        return false;
    c = out;
    return true;
}

bool projectOntoPlane(const Vec3& c, Vec3& q) {
    double denominator = q.x * c.x + q.y * c.y + c.z;
    // On this line the ray through the touch runs parallel to the plane: there is no image.
    if (denominator == 0.0 || !std::isfinite(denominator))
        return false;
    double k = -1.0 / denominator;
    Vec3 out{q.x * k, q.y * k, k};
    if (!finite3(out))
        return false;
    q = out;
    return true;
}

bool planeToUnitSquare(const Vec3 points[4], const Vec3& q, double result[2]) {
    const Vec3& p0 = points[0];
    const Vec3& p1 = points[1];
    const Vec3& p2 = points[2];
    const Vec3& p3 = points[3];
    double d1 = (p0.x - p2.x) * (p1.y - p0.y) - (p0.y - p2.y) * (p1.x - p0.x);
    if (d1 == 0.0)
        return false;
    double u = ((p0.x - p2.x) * (q.y - p0.y) - (p0.y - p2.y) * (q.x - p0.x)) / d1;
    double v = ((p0.x - q.x) * (p1.y - p0.y) - (p0.y - q.y) * (p1.x - p0.x)) / d1;

    // The other three corner triangles of the quadrilateral: only their zero test matters.
    double d2 = (p0.x - p1.x) * (p1.y - p3.y) - (p0.y - p1.y) * (p1.x - p3.x);
    if (d2 == 0.0)
        return false;
    double d3 = (p3.x - p2.x) * (p2.y - p1.y) - (p3.y - p2.y) * (p2.x - p1.x);
    if (d3 == 0.0)
        return false;
    double d4 = (p2.x - p3.x) * (p3.y - p1.y) - (p2.y - p3.y) * (p3.x - p1.x);
    if (d4 == 0.0)
        return false;

    if (!std::isfinite(u) || !std::isfinite(v))
        return false;
    result[0] = u;
    result[1] = v;
    return true;
}

bool sensorToUnitSquare(const Vec3 points[4], const Vec3& weights, double x, double y, double uv[2]) {
    Vec3 q{x, y, 0.0};
    centreSensorPoint(q);
    if (!projectOntoPlane(weights, q))
        return false;
    return planeToUnitSquare(points, q, uv);
}

bool setUpTransform(const int32_t raw[8], Vec3 points[4], Vec3& weights) {
    Vec3 p[4];
    for (int k = 0; k < 4; ++k) {
        p[k] = Vec3{static_cast<double>(raw[2 * k]), static_cast<double>(raw[2 * k + 1]), 0.0};
        centreSensorPoint(p[k]);
    }
    if (!computePointWeights(p))
        return false;
    Vec3 c{0.0, 0.0, 0.0};
    if (!computePlaneVector(c, p))
        return false;

    // A transform that cannot carry its own calibration points onto their corners is of no use
    // for touches either: refuse it rather than map the board wrongly.
    static const double corners[4][2] = {{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}};
    for (int k = 0; k < 4; ++k) {
        double uv[2];
        if (!sensorToUnitSquare(p, c, raw[2 * k], raw[2 * k + 1], uv))
            return false;
        if (std::fabs(uv[0] - corners[k][0]) > kCornerTolerance ||
            std::fabs(uv[1] - corners[k][1]) > kCornerTolerance)
            return false;
    }
    for (int k = 0; k < 4; ++k)
        points[k] = p[k];
    weights = c;
    return true;
}
