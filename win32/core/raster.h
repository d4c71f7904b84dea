#pragma once
// Pictures drawn from outlines: 24-bit images, anti-aliased line art sampled on a grid and a small
// stroke font. Platform-free: the program draws its pictures at a display's scale with it at run
// time, and the picture generator draws the pictures the resources carry with the same code.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Pi as the drawing uses it (M_PI's digits: the standard library gives no such name in strict C++).
constexpr double RASTER_PI = 3.14159265358979323846;

struct Rgb {
    uint8_t r, g, b;
};
inline bool operator==(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// A 24-bit picture, top row first.
struct Picture {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Picture() = default;
    Picture(int w_, int h_, Rgb fill) : w(w_), h(h_), px(size_t(w_) * size_t(h_), fill) {}
    Rgb& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
    Rgb at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

// Fills every pixel with the average of n x n samples of colourAt, taken at the sample centres in
// pixel coordinates (pixel (x, y) spans [x, x + 1) x [y, y + 1)).
void renderSupersampled(Picture& picture, int n, const std::function<Rgb(double, double)>& colourAt);
// The same for the pixels x0 <= x < x1, y0 <= y < y1 alone (clipped to the picture): each pixel is
// the average of its own samples, so it comes out as a whole picture's drawing would give it.
void renderSupersampled(Picture& picture, int n, const std::function<Rgb(double, double)>& colourAt, int x0,
                        int y0, int x1, int y1);

Rgb mix(Rgb a, Rgb b, double t); // t = 0 gives a, 1 gives b

// Line art: polylines with round ends and joins, in some local unit; a point is "on" the art when it
// lies within half the stroke width of a segment.
struct Point2 {
    double x, y;
};
using LinePoints = std::vector<Point2>;
struct LineArt {
    std::vector<LinePoints> lines;
    double width = 1.0;
    bool covers(double x, double y) const;

  private:
    // The lines' boxes (x0, y0, x1, y1 each), made by the first covers() after the lines are set:
    // a line art is drawn by one thread at a time, and its lines are not changed once it is drawn.
    const std::vector<double>& boxes() const;
    mutable std::vector<double> lineBoxes;
};
// Points along a circular arc (angles in degrees, screen orientation: clockwise from +x).
LinePoints arc(double cx, double cy, double r, double fromDeg, double toDeg, int steps = 24);
// Points along an ellipse's outline, closed.
LinePoints ellipseOutline(double cx, double cy, double rx, double ry, int steps = 48);
void append(LinePoints& line, const LinePoints& more);

// The stroke font: a few letters, the digits and the two characters of the word for help, in em
// units (baseline y = 0, up is negative). text() lays them out from x = 0; advance is the width.
struct TextArt {
    LineArt art;
    double advance = 0;
};
TextArt strokeText(const std::string& text, double strokeWidth);

// The key colour of the layered palette and board bar; no picture of theirs may contain it.
constexpr Rgb KEY_RGB = {200, 200, 200};
// A pixel that came out as the key colour is moved by one level, which no eye sees.
Rgb avoidKey(Rgb c);
