// The page cursors: three hands (pointing, grabbing, holding a pen, and the pen with a red cross at
// its tip) and the eraser squares, at any size from shapes given in 32-pixel units.
// Drawn as shapes at pixel centres: white inside, a black outline where a pixel inside touches one
// outside, and black detail lines.
#include <cmath>
#include <algorithm>
#include <array>
#include <functional>

#include "pages/core/cursor_pictures.h"

#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"

namespace {

struct Shape2 {
    std::function<bool(double, double)> inside;
};

bool capsule(double x, double y, double ax, double ay, double bx, double by, double r) {
    double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((x - ax) * dx + (y - ay) * dy) / len2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return std::hypot(ax + t * dx - x, ay + t * dy - y) <= r;
}
bool roundRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
    double qx = std::max({x0 + r - x, 0.0, x - (x1 - r)}), qy = std::max({y0 + r - y, 0.0, y - (y1 - r)});
    return std::hypot(qx, qy) <= r;
}

// A cursor drawn in 32-pixel units: the body's outline, the detail lines (their ends are pixel
// positions at 32) and the overlay, a colour index or -1 for a point in those units.
struct Sketch {
    std::function<bool(double, double)> body;             // the white shape with its outline
    std::vector<std::array<double, 4>> detail = {};       // black lines inside
    std::function<int(double, double)> overlay = nullptr; // drawn last
    int hotX = 0, hotY = 0;                               // at 32 x 32
};

// A hot spot or a length given at 32 x 32, at a cursor size: rounded as the program scales sizes.
int scaledFrom32(int value, int size) {
    return scaledForDpi(value, BASE_DPI * size / 32);
}

// The detail lines at 32 x 32: one pixel on each step along the longer axis.
void drawDetail32(const Sketch& s, CursorImage& im) {
    for (const auto& l : s.detail) {
        int steps = int(std::ceil(std::max(std::fabs(l[2] - l[0]), std::fabs(l[3] - l[1])))) + 1;
        for (int i = 0; i <= steps; ++i) {
            int x = int(std::lround(l[0] + (l[2] - l[0]) * i / steps)),
                y = int(std::lround(l[1] + (l[3] - l[1]) * i / steps));
            if (x >= 0 && y >= 0 && x < im.w && y < im.h && im.index[size_t(y * im.w + x)] >= 0)
                im.index[size_t(y * im.w + x)] = CUR_BLACK;
        }
    }
}

// The detail lines at a larger size: every inside pixel whose centre lies within half a line width
// of the line through the scaled pixel centres of its ends.
void drawDetailScaled(const Sketch& s, CursorImage& im, double scale, double lineWidth) {
    for (const auto& l : s.detail) {
        const double ax = (l[0] + 0.5) * scale, ay = (l[1] + 0.5) * scale;
        const double bx = (l[2] + 0.5) * scale, by = (l[3] + 0.5) * scale;
        const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        for (int y = 0; y < im.h; ++y)
            for (int x = 0; x < im.w; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                const double t =
                    len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.0, 1.0) : 0;
                if (std::hypot(ax + t * dx - px, ay + t * dy - py) <= lineWidth / 2 &&
                    im.index[size_t(y * im.w + x)] >= 0)
                    im.index[size_t(y * im.w + x)] = CUR_BLACK;
            }
    }
}

// The sketch at size x size pixels: the shapes sampled at the pixel centres, the outline and the
// detail lines one pixel wide at 32, two from 40 to 64 and a pixel more for every 32 above.
CursorImage draw(const Sketch& s, int size) {
    const double scale = size / 32.0, unit = 32.0 / size;
    const int outline = size > 32 ? std::max(2, size / 32) : 1;
    CursorImage im{size, size, scaledFrom32(s.hotX, size), scaledFrom32(s.hotY, size),
                   std::vector<int>(size_t(size * size), -1)};
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < size && y < size && s.body((x + 0.5) * unit, (y + 0.5) * unit);
    };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            if (!in(x, y))
                continue;
            bool edge = false;
            for (int d = 1; d <= outline && !edge; ++d)
                edge = !in(x - d, y) || !in(x + d, y) || !in(x, y - d) || !in(x, y + d);
            im.index[size_t(y * size + x)] = edge ? CUR_BLACK : CUR_WHITE;
        }
    if (size == 32)
        drawDetail32(s, im);
    else
        drawDetailScaled(s, im, scale, outline);
    if (s.overlay)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                int c = s.overlay((x + 0.5) * unit, (y + 0.5) * unit);
                if (c >= 0)
                    im.index[size_t(y * size + x)] = c;
            }
    return im;
}

Sketch pointingHand() { // index finger up, its tip at (12, 1)
    Sketch s{[](double x, double y) {
        return capsule(x, y, 12.5, 3.3, 12.5, 15, 2.6) ||  // index finger
               capsule(x, y, 17.3, 11.2, 17.3, 16, 2.3) || // folded fingers
               capsule(x, y, 21.6, 12.4, 21.6, 17, 2.2) || capsule(x, y, 25.5, 14.2, 25.5, 18.5, 2.0) ||
               roundRect(x, y, 9.8, 13.5, 27.5, 26, 3.5) ||  // palm
               roundRect(x, y, 11.5, 22, 25.5, 30.5, 1.5) || // wrist
               capsule(x, y, 5.5, 16.5, 10.5, 22.5, 2.4);    // thumb
    }};
    s.detail = {{15.2, 11, 15.2, 17}, {19.6, 12.2, 19.6, 18}, {23.7, 14, 23.7, 19}, {12.5, 26.5, 24.5, 26.5}};
    s.hotX = 12;
    s.hotY = 1;
    return s;
}

Sketch grabbingHand() { // a closed hand, its grip at (7, 7)
    Sketch s{[](double x, double y) {
        return capsule(x, y, 8.5, 8.3, 8.5, 12, 2.5) || capsule(x, y, 13, 7.2, 13, 12, 2.6) ||
               capsule(x, y, 17.5, 7.2, 17.5, 12, 2.6) || capsule(x, y, 22, 8.3, 22, 12, 2.5) ||
               roundRect(x, y, 5.8, 10, 25.5, 24.5, 4) || roundRect(x, y, 9, 21, 23, 29.5, 1.5) ||
               capsule(x, y, 4, 15, 8, 19.5, 2.5);
    }};
    s.detail = {{10.7, 7, 10.7, 12.5},
                {15.2, 6, 15.2, 12.5},
                {19.8, 7, 19.8, 12.5},
                {9, 13, 22, 13},
                {10, 25.5, 22, 25.5}};
    s.hotX = 7;
    s.hotY = 7;
    return s;
}

// A hand holding a pen whose tip is at (5, 9 + shift); with a cross, a red one is drawn at the tip.
Sketch penHand(int shift, bool cross) {
    const double d = shift;
    Sketch s{[d](double x, double y) {
        return capsule(x, y, 7.2, 10.6 + d, 21, 18.5 + d, 2.0) || // the pen
               roundRect(x, y, 14.5, 14 + d, 28, 26 + d, 4.5) ||  // the hand around it
               capsule(x, y, 15.5, 15 + d, 20, 12.5 + d, 2.3) ||  // index finger on top
               roundRect(x, y, 17, 23 + d, 26, 31.9, 1.5);        // wrist
    }};
    s.detail = {{16.5, 18.5 + d, 22, 21.5 + d}, {17, 21.5 + d, 22, 24 + d}, {8.5, 11.6 + d, 14, 14.7 + d}};
    s.overlay = [d, cross](double x, double y) {
        double tx = 5.5, ty = 9.5 + d;
        double ax = x - tx, ay = y - ty;
        if (cross &&
            ((std::fabs(ax) < 0.6 && std::fabs(ay) <= 3) || (std::fabs(ay) < 0.6 && std::fabs(ax) <= 3)))
            return int(CUR_RED);
        // the pen's dark tip: a small cone from the tip towards the body
        double along = ax * 0.87 + ay * 0.5, across = -ax * 0.5 + ay * 0.87;
        if (along >= -0.6 && along < 3.2 && std::fabs(across) <= 0.5 + along * 0.45)
            return int(CUR_BLACK);
        if (along >= 3.2 && along < 16 && std::fabs(across) < 1.2)
            return int(CUR_BLUE);
        return -1;
    };
    s.hotX = 5;
    s.hotY = 9 + shift;
    return s;
}

// The eraser's square at 32 x 32 has sides of the eraser's size plus one, its hot spot at the
// centre; at a larger size both grow with the eraser's size at that scale. A square larger than
// the cursor is cut at its edges, the cut drawn as outline too.
CursorImage eraserSquare(int canvas, int side, int hot) {
    CursorImage im{canvas, canvas, hot, hot, std::vector<int>(size_t(canvas * canvas), -1)};
    for (int y = 0; y < side && y < canvas; ++y)
        for (int x = 0; x < side && x < canvas; ++x) {
            bool edge =
                x == 0 || y == 0 || x == side - 1 || y == side - 1 || x == canvas - 1 || y == canvas - 1;
            im.index[size_t(y * canvas + x)] = edge ? CUR_BLACK : CUR_WHITE;
        }
    return im;
}

} // namespace

const Rgb cursorPalette[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                               {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                               {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                               {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

bool drawPageCursor(int32_t id, int32_t size, CursorImage* out) {
    if (size < 1 || size > CURSOR_SIZE_LIMIT)
        return false;
    switch (id) {
    case IDCUR_POINTING_HAND:
        *out = draw(pointingHand(), size);
        return true;
    case IDCUR_GRABBING_HAND:
        *out = draw(grabbingHand(), size);
        return true;
    case IDCUR_PEN:
        *out = draw(penHand(0, false), size);
        return true;
    case IDCUR_PEN_CROSS:
        *out = draw(penHand(3, true), size);
        return true;
    case IDCUR_ERASER_8:
    case IDCUR_ERASER_16:
    case IDCUR_ERASER_32:
    case IDCUR_ERASER_64: {
        // The eraser of 64 shows the square of 32, the largest a 32 x 32 cursor holds, at every size.
        const int eraser = std::min(id - IDCUR_ERASER_BASE, 32);
        const int scaled = scaledFrom32(eraser, size);
        *out = eraserSquare(size, scaled + 1, scaled / 2);
        return true;
    }
    default:
        return false;
    }
}
