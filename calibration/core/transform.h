#pragma once
// The projective calibration transform: four sensor points to the unit square.
//
// Set-up (after a capture, and at start-up from the stored points): centreSensorPoint on each of the
// four points, computePointWeights, computePlaneVector; setUpTransform does all three and checks
// the result. Per touch: centreSensorPoint, projectOntoPlane, planeToUnitSquare; sensorToUnitSquare
// does the three.
//
// Every routine that can fail returns whether it produced a result. On false its outputs are left
// exactly as they were, so a caller can keep what it had (the previous (u, v), the previous
// calibration). A non-finite intermediate (an overflow, a division that reaches infinity) counts
// as no result too, so nothing infinite or NaN ever leaves these routines.
#include <cstdint>

// A point vector; after set-up a weighted homogeneous point (x*z, y*z, z).
struct Vec3 {
    double x, y, z;
};

// What the reader thread does with the sensor's points (calibState). calibValid holds
// CALIB_MAPPING while calibRaw is a complete calibration, else CALIB_NONE.
enum CalibState : int32_t {
    CALIB_MAPPING = -1,  // a complete calibration is in force: touches become mouse input
    CALIB_NONE = 0,      // no calibration: the sensor is not read
    CALIB_CAPTURING = 1, // the calibration window is up: touches become calibration points
};

// A raw calibration coordinate (calibRaw, "P1X" .. "P4Y") that was never measured.
constexpr int32_t CALIB_NOT_MEASURED = 9999;

// The centre of the sensor's 1024 x 768 space, taken off every point before anything else.
constexpr double kSensorCentreX = 512.0;
constexpr double kSensorCentreY = 384.0;

// x -= 512, y -= 384; z is not touched.
void centreSensorPoint(Vec3& p);

// Determinant of a row-major 3 x 3 matrix by elimination without row exchanges (a zero pivot gets
// the rows below it added until it is not zero). The argument is not changed.
double determinant3(const double m[9]);

// Gives P0 weight 1 and P1..P3 the weights z that make P0 + P3 = P1 + P2 in homogeneous space,
// then multiplies x and y of each point by its z. false (all four points unchanged) when the
// system is singular or a weight is not finite.
bool computePointWeights(Vec3 points[4]);

// The plane vector c with c . P = -1 through the first three weighted points. false (c unchanged)
// when the system is singular or c is not finite.
bool computePlaneVector(Vec3& c, const Vec3 points[4]);

// Moves the centred touch q onto the plane c . X = -1 along the ray through (q.x, q.y, 1). false
// (q unchanged) on the line where q.x*c.x + q.y*c.y + c.z is 0, which has no image, or when the
// result is not finite.
bool projectOntoPlane(const Vec3& c, Vec3& q);

// (u, v) with q - P0 = u (P1 - P0) + v (P2 - P0), in x and y. false (result unchanged) when one of
// the quadrilateral's corner determinants is 0 or (u, v) is not finite.
bool planeToUnitSquare(const Vec3 points[4], const Vec3& q, double result[2]);

// The whole set-up from raw sensor coordinates in stored order (P1X, P1Y, P2X, P2Y, P3X, P3Y, P4X,
// P4Y: top-left, top-right, bottom-left, bottom-right). It succeeds only when every step produced
// a result, everything is finite and each raw point maps back onto its own corner of the unit
// square; only then are points and weights written, together. On false both are unchanged.
bool setUpTransform(const int32_t raw[8], Vec3 points[4], Vec3& weights);

// The per-touch chain for a sensor point (x, y): centre, project, unit square. false (uv
// unchanged) when the touch has no image.
bool sensorToUnitSquare(const Vec3 points[4], const Vec3& weights, double x, double y, double uv[2]);
