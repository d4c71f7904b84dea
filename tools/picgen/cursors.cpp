// The page cursors: three hands (pointing, grabbing, holding a pen, and the pen with a red cross at
// its tip) and the eraser squares. Drawn as shapes at pixel centres: white inside, a black outline
// where a pixel inside touches one outside, and black detail lines.
#include <cmath>
#include <algorithm>
#include <array>
#include <functional>

#include "tools/picgen/picgen.h"

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

struct Sketch {
    int size;
    std::function<bool(double, double)> body;       // the white shape with its outline
    std::vector<std::array<double, 4>> detail = {}; // black lines inside
    std::function<int(int, int)> overlay = nullptr; // drawn last: colour index or -1
};

CursorImage draw(const Sketch& s, int hotX, int hotY) {
    CursorImage im{s.size, s.size, hotX, hotY, std::vector<int>(size_t(s.size * s.size), -1)};
    auto in = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < s.size && y < s.size && s.body(x + 0.5, y + 0.5);
    };
    for (int y = 0; y < s.size; ++y)
        for (int x = 0; x < s.size; ++x) {
            if (!in(x, y))
                continue;
            bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            im.index[size_t(y * s.size + x)] = edge ? CUR_BLACK : CUR_WHITE;
        }
    for (const auto& l : s.detail) {
        int steps = int(std::ceil(std::max(std::fabs(l[2] - l[0]), std::fabs(l[3] - l[1])))) + 1;
        for (int i = 0; i <= steps; ++i) {
            int x = int(std::lround(l[0] + (l[2] - l[0]) * i / steps)),
                y = int(std::lround(l[1] + (l[3] - l[1]) * i / steps));
            if (x >= 0 && y >= 0 && x < s.size && y < s.size && im.index[size_t(y * s.size + x)] >= 0)
                im.index[size_t(y * s.size + x)] = CUR_BLACK;
        }
    }
    if (s.overlay)
        for (int y = 0; y < s.size; ++y)
            for (int x = 0; x < s.size; ++x) {
                int c = s.overlay(x, y);
                if (c >= 0)
                    im.index[size_t(y * s.size + x)] = c;
            }
    return im;
}

CursorImage pointingHand() { // index finger up, its tip at (12, 1)
    Sketch s{32, [](double x, double y) {
                 return capsule(x, y, 12.5, 3.3, 12.5, 15, 2.6) ||  // index finger
                        capsule(x, y, 17.3, 11.2, 17.3, 16, 2.3) || // folded fingers
                        capsule(x, y, 21.6, 12.4, 21.6, 17, 2.2) ||
                        capsule(x, y, 25.5, 14.2, 25.5, 18.5, 2.0) ||
                        roundRect(x, y, 9.8, 13.5, 27.5, 26, 3.5) ||  // palm
                        roundRect(x, y, 11.5, 22, 25.5, 30.5, 1.5) || // wrist
                        capsule(x, y, 5.5, 16.5, 10.5, 22.5, 2.4);    // thumb
             }};
    s.detail = {{15.2, 11, 15.2, 17}, {19.6, 12.2, 19.6, 18}, {23.7, 14, 23.7, 19}, {12.5, 26.5, 24.5, 26.5}};
    return draw(s, 12, 1);
}

CursorImage grabbingHand() { // a closed hand, its grip at (7, 7)
    Sketch s{32, [](double x, double y) {
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
    return draw(s, 7, 7);
}

// A hand holding a pen whose tip is at (5, 9 + shift); with a cross, a red one is drawn at the tip.
CursorImage penHand(int shift, bool cross) {
    const double d = shift;
    Sketch s{32, [d](double x, double y) {
                 return capsule(x, y, 7.2, 10.6 + d, 21, 18.5 + d, 2.0) || // the pen
                        roundRect(x, y, 14.5, 14 + d, 28, 26 + d, 4.5) ||  // the hand around it
                        capsule(x, y, 15.5, 15 + d, 20, 12.5 + d, 2.3) ||  // index finger on top
                        roundRect(x, y, 17, 23 + d, 26, 31.9, 1.5);        // wrist
             }};
    s.detail = {{16.5, 18.5 + d, 22, 21.5 + d}, {17, 21.5 + d, 22, 24 + d}, {8.5, 11.6 + d, 14, 14.7 + d}};
    s.overlay = [d, cross](int x, int y) {
        double tx = 5.5, ty = 9.5 + d;
        double ax = x + 0.5 - tx, ay = y + 0.5 - ty;
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
    return draw(s, 5, 9 + shift);
}

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

std::vector<std::pair<int, std::vector<CursorImage>>> cursorSet() {
    // 232 and 264 carry a 32 x 32 image beside the 48 x 48 one: LoadCursorA picks the system's size.
    std::vector<CursorImage> large = {eraserSquare(48, 33, 16), eraserSquare(32, 33, 16)};
    return {{101, {pointingHand()}},
            {103, {grabbingHand()}},
            {104, {penHand(0, false)}},
            {105, {penHand(3, true)}},
            {208, {eraserSquare(32, 9, 4)}},
            {216, {eraserSquare(32, 17, 8)}},
            {232, large},
            {264, large}};
}
