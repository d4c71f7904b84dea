#pragma once
// The palette's shapes: circles, pie sectors and tilted ellipses turned into polygons, turned about
// the origin and shifted onto the palette. The arithmetic is fixed: pi is 3.14 in every conversion
// from degrees, and every coordinate is truncated toward zero, because the palette pictures are
// drawn for exactly the outlines this gives.
#include <cstdint>

// One vertex; laid out as the platform's POINT (two 32-bit integers).
struct ShapePoint {
    int32_t x;
    int32_t y;
};

struct PaletteShape {
    int32_t semiAxisX;  // ellipse: half-axis along the shape's own x axis, pixels
    int32_t semiAxisY;  // ellipse: half-axis along the shape's own y axis, pixels
    int32_t radius;     // circle and sector: radius, pixels
    double startAngle;  // sector: first angle, degrees, clockwise on the screen from +x
    double endAngle;    // sector: last angle, degrees (the arc stops one degree before it)
    ShapePoint center;  // centre in layout coordinates
    double tilt;        // ellipse: rotation about its own centre, radians
    int32_t pointCount; // vertices in points
    ShapePoint* points; // heap array owned by the shape; null when not built (or allocation failed)
};

constexpr double SHAPE_PI = 3.14; // the value the layout was made for

void buildCircle(PaletteShape* shape);
void buildSector(PaletteShape* shape);
void buildEllipse(PaletteShape* shape);
void rotateShape(PaletteShape* shape, double angleDegrees, int32_t dx, int32_t dy);
void freeShape(PaletteShape* shape);

// double -> int32 toward zero; NaN gives 0 and values beyond the int32 range are clamped, so odd
// shape parameters never reach an undefined conversion.
int32_t truncToInt32(double value);

// Whether (x, y) lies inside the shape's polygon under the nonzero winding rule (the rule of
// CreatePolygonRgn with WINDING). A shape without points contains nothing.
bool pointInShape(const PaletteShape* shape, double x, double y);
