#include "palette/core/palette_geometry.h"

#include <cmath>
#include <cstdlib>

namespace {

// Largest polygon a builder makes; a sector wider than this is treated as a failed allocation.
constexpr int32_t MAX_SHAPE_POINTS = 100000;

// Replaces the shape's points by a zeroed array of n vertices; on failure leaves it without points.
bool allocatePoints(PaletteShape* shape, int32_t n) {
    freeShape(shape);
    if (n < 1 || n > MAX_SHAPE_POINTS)
        return false;
    shape->points = static_cast<ShapePoint*>(std::calloc(size_t(n), sizeof(ShapePoint)));
    if (!shape->points)
        return false;
    shape->pointCount = n;
    return true;
}

} // namespace

int32_t truncToInt32(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

void buildCircle(PaletteShape* shape) {
    if (!allocatePoints(shape, 360))
        return;
    for (int32_t i = 0; i < 360; ++i) {
        double a = i * SHAPE_PI / 180;
        shape->points[i].x = truncToInt32(std::cos(a) * shape->radius + shape->center.x);
        shape->points[i].y = truncToInt32(std::sin(a) * shape->radius + shape->center.y);
    }
}

void buildSector(PaletteShape* shape) {
    double span = shape->endAngle - shape->startAngle + 1.0;
    if (!(span >= 1.0) || span > MAX_SHAPE_POINTS) { // also catches NaN
        freeShape(shape);
        return;
    }
    int32_t n = truncToInt32(span);
    int32_t s = truncToInt32(shape->startAngle);
    if (!allocatePoints(shape, n))
        return;
    for (int32_t i = 0; i < n; ++i) {
        double a = (double(s) + i) * SHAPE_PI / 180;
        shape->points[i].x = truncToInt32(std::cos(a) * shape->radius + shape->center.x);
        shape->points[i].y = truncToInt32(std::sin(a) * shape->radius + shape->center.y);
    }
    shape->points[n - 1] = shape->center; // the slice closes through the centre
}

void buildEllipse(PaletteShape* shape) {
    if (!allocatePoints(shape, 360))
        return;
    double c = std::cos(shape->tilt), s = std::sin(shape->tilt);
    for (int32_t i = 0; i < 360; ++i) {
        double t = i * SHAPE_PI / 180;
        double ex = std::cos(t) * shape->semiAxisX, ey = std::sin(t) * shape->semiAxisY;
        shape->points[i].x = truncToInt32(ex * c - ey * s + shape->center.x);
        shape->points[i].y = truncToInt32(ex * s + ey * c + shape->center.y);
    }
}

void rotateShape(PaletteShape* shape, double angleDegrees, int32_t dx, int32_t dy) {
    if (!shape->points)
        return;
    double r = angleDegrees * SHAPE_PI / 180;
    double c = std::cos(r), s = std::sin(r);
    for (int32_t i = 0; i < shape->pointCount; ++i) {
        double x = shape->points[i].x, y = shape->points[i].y;
        shape->points[i].x = truncToInt32(x * c - y * s + dx);
        shape->points[i].y = truncToInt32(x * s + y * c + dy);
    }
}

void freeShape(PaletteShape* shape) {
    if (shape->points) {
        std::free(shape->points);
        shape->points = nullptr;
    }
    shape->pointCount = 0;
}

bool pointInShape(const PaletteShape* shape, double x, double y) {
    if (!shape->points || shape->pointCount < 3)
        return false;
    int winding = 0;
    for (int32_t i = 0; i < shape->pointCount; ++i) {
        const ShapePoint& a = shape->points[i];
        const ShapePoint& b = shape->points[(i + 1) % shape->pointCount];
        double cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
        if (a.y <= y) {
            if (b.y > y && cross > 0)
                ++winding;
        } else if (b.y <= y && cross < 0) {
            --winding;
        }
    }
    return winding != 0;
}
