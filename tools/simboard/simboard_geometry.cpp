// The physical board: the projective mapping from screen pixels to sensor units.
#include "tools/simboard/simboard.h"

#include <cmath>

namespace {

void multiply(const double a[9], const double b[9], double out[9]) {
    double r[9];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
    for (int i = 0; i < 9; ++i)
        out[i] = r[i];
}

// The inverse through the adjugate; a singular matrix (a degenerate board) gives all zeros.
void invert(const double m[9], double out[9]) {
    double c00 = m[4] * m[8] - m[5] * m[7];
    double c01 = m[5] * m[6] - m[3] * m[8];
    double c02 = m[3] * m[7] - m[4] * m[6];
    double det = m[0] * c00 + m[1] * c01 + m[2] * c02;
    if (std::fabs(det) < 1e-300) {
        for (int i = 0; i < 9; ++i)
            out[i] = 0;
        return;
    }
    out[0] = c00 / det;
    out[1] = (m[2] * m[7] - m[1] * m[8]) / det;
    out[2] = (m[1] * m[5] - m[2] * m[4]) / det;
    out[3] = c01 / det;
    out[4] = (m[0] * m[8] - m[2] * m[6]) / det;
    out[5] = (m[2] * m[3] - m[0] * m[5]) / det;
    out[6] = c02 / det;
    out[7] = (m[1] * m[6] - m[0] * m[7]) / det;
    out[8] = (m[0] * m[4] - m[1] * m[3]) / det;
}

void apply(const double m[9], double x, double y, double* outX, double* outY) {
    double w = m[6] * x + m[7] * y + m[8];
    if (w == 0)
        w = 1e-12; // a point on the horizon of a keystoned board: far away, never on the sensor
    *outX = (m[0] * x + m[1] * y + m[2]) / w;
    *outY = (m[3] * x + m[4] * y + m[5]) / w;
}

} // namespace

SimMapping simMappingFrom(const SimGeometry& g) {
    double width = g.screenWidth > 0 ? g.screenWidth : 1;
    double height = g.screenHeight > 0 ? g.screenHeight : 1;
    // Built right to left: centre the pixel, bend it by the keystone, turn it, scale it to sensor
    // units, move it to the sensor's centre plus the offset.
    const double centre[9] = {1, 0, -width / 2, 0, 1, -height / 2, 0, 0, 1};
    const double keystone[9] = {1, 0, 0, 0, 1, 0, g.keystoneX / width, g.keystoneY / height, 1};
    double radians = g.rotationDeg * 3.14159265358979323846 / 180.0;
    double c = std::cos(radians), s = std::sin(radians);
    const double rotate[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    const double scale[9] = {g.scaleX * 1024.0 / width, 0, 0, 0, g.scaleY * 768.0 / height, 0, 0, 0, 1};
    const double move[9] = {1, 0, 512.0 + g.offsetX, 0, 1, 384.0 + g.offsetY, 0, 0, 1};
    SimMapping m;
    multiply(keystone, centre, m.h);
    multiply(rotate, m.h, m.h);
    multiply(scale, m.h, m.h);
    multiply(move, m.h, m.h);
    invert(m.h, m.inverse);
    return m;
}

void simScreenToSensor(const SimMapping& mapping, double x, double y, double* sensorX, double* sensorY) {
    apply(mapping.h, x, y, sensorX, sensorY);
}

void simSensorToScreen(const SimMapping& mapping, double sensorX, double sensorY, double* x, double* y) {
    apply(mapping.inverse, sensorX, sensorY, x, y);
}
