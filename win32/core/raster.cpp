#include <algorithm>
#include <cmath>
#include <map>

#include "win32/core/raster.h"

void renderSupersampled(Picture& picture, int n, const std::function<Rgb(double, double)>& colourAt) {
    renderSupersampled(picture, n, colourAt, 0, 0, picture.w, picture.h);
}

void renderSupersampled(Picture& picture, int n, const std::function<Rgb(double, double)>& colourAt, int x0,
                        int y0, int x1, int y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, picture.w);
    y1 = std::min(y1, picture.h);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            double r = 0, g = 0, b = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    Rgb c = colourAt(x + (i + 0.5) / n, y + (j + 0.5) / n);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            double k = 1.0 / (n * n);
            picture.at(x, y) = {uint8_t(std::lround(r * k)), uint8_t(std::lround(g * k)),
                                uint8_t(std::lround(b * k))};
        }
}

Rgb mix(Rgb a, Rgb b, double t) {
    auto m = [t](uint8_t p, uint8_t q) { return uint8_t(std::lround(p + (q - p) * t)); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

Rgb avoidKey(Rgb c) {
    return c == KEY_RGB ? Rgb{201, 201, 201} : c;
}

namespace {

double segmentDistance(double px, double py, Point2 a, Point2 b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    double qx = a.x + t * dx - px, qy = a.y + t * dy - py;
    return std::sqrt(qx * qx + qy * qy);
}

} // namespace

// Each line's box, grown by half the stroke width and a little more than any rounding: a point
// outside it lies farther than half the width from every segment of the line, which is then not
// measured (most samples of a picture are far from most lines). Made at the first test.
const std::vector<double>& LineArt::boxes() const {
    if (lineBoxes.size() == 4 * lines.size())
        return lineBoxes;
    const double grow = width / 2 + 1e-6;
    lineBoxes.clear();
    for (const LinePoints& line : lines) {
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const Point2& p : line) {
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        lineBoxes.insert(lineBoxes.end(), {x0 - grow, y0 - grow, x1 + grow, y1 + grow});
    }
    return lineBoxes;
}

bool LineArt::covers(double x, double y) const {
    double half = width / 2;
    const std::vector<double>& box = boxes();
    for (size_t k = 0; k < lines.size(); ++k) {
        if (x < box[4 * k] || y < box[4 * k + 1] || x > box[4 * k + 2] || y > box[4 * k + 3])
            continue;
        const LinePoints& line = lines[k];
        if (line.size() == 1 && segmentDistance(x, y, line[0], line[0]) <= half)
            return true;
        for (size_t i = 1; i < line.size(); ++i)
            if (segmentDistance(x, y, line[i - 1], line[i]) <= half)
                return true;
    }
    return false;
}

LinePoints arc(double cx, double cy, double r, double fromDeg, double toDeg, int steps) {
    LinePoints p;
    for (int i = 0; i <= steps; ++i) {
        double a = (fromDeg + (toDeg - fromDeg) * i / steps) * RASTER_PI / 180;
        p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return p;
}

LinePoints ellipseOutline(double cx, double cy, double rx, double ry, int steps) {
    LinePoints p;
    for (int i = 0; i <= steps; ++i) {
        double a = 2 * RASTER_PI * i / steps;
        p.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return p;
}

void append(LinePoints& line, const LinePoints& more) {
    line.insert(line.end(), more.begin(), more.end());
}

namespace {

// One glyph: polylines in em units, x from 0 to its width, baseline 0, up negative.
struct Glyph {
    std::vector<LinePoints> lines;
    double width;
};

LinePoints pl(std::initializer_list<Point2> points) {
    return LinePoints(points);
}

// A geometric sans drawn with round strokes; x-height 0.5, capitals and ascenders 0.72.
std::map<std::string, Glyph> makeGlyphs() {
    std::map<std::string, Glyph> g;
    g["V"] = {{pl({{0, -0.72}, {0.27, 0}, {0.54, -0.72}})}, 0.54};
    {
        LinePoints e = pl({{0.0, -0.25}, {0.5, -0.25}});
        append(e, arc(0.25, -0.25, 0.25, 0, -315, 40));
        g["e"] = {{e}, 0.5};
    }
    g["l"] = {{pl({{0, -0.76}, {0, 0}})}, 0.0};
    {
        LinePoints a = pl({{0, 0}, {0, -0.5}});
        LinePoints b = arc(0.16, -0.32, 0.16, 180, 360, 16);
        b.push_back({0.32, 0});
        LinePoints c = arc(0.48, -0.32, 0.16, 180, 360, 16);
        c.push_back({0.64, 0});
        g["m"] = {{a, b, c}, 0.64};
    }
    g["o"] = {{arc(0.25, -0.25, 0.25, 0, 360, 48)}, 0.5};
    {
        LinePoints a = pl({{0, 0}, {0, -0.5}});
        LinePoints b = arc(0.24, -0.26, 0.24, 180, 280, 14);
        g["r"] = {{a, b}, 0.3};
    }
    g["a"] = {{arc(0.24, -0.25, 0.24, 0, 360, 48), pl({{0.48, -0.5}, {0.48, 0}})}, 0.48};
    g["1"] = {{pl({{0.05, -0.56}, {0.25, -0.72}, {0.25, 0}}), pl({{0.06, 0}, {0.44, 0}})}, 0.44};
    {
        LinePoints two = arc(0.24, -0.5, 0.21, 190, 380, 24);
        two.push_back({0.03, 0});
        two.push_back({0.47, 0});
        g["2"] = {{two}, 0.48};
    }
    g["3"] = {{arc(0.23, -0.53, 0.18, 200, 450, 24), arc(0.23, -0.2, 0.2, -90, 160, 24)}, 0.46};
    g["4"] = {{pl({{0.36, 0}, {0.36, -0.72}, {0.02, -0.2}, {0.5, -0.2}})}, 0.5};
    // The word for help, each character on a 1 x 1 em square from y = -0.86 down to 0.14.
    auto sq = [](std::initializer_list<Point2> points) {
        LinePoints p;
        for (Point2 q : points)
            p.push_back({q.x, q.y - 0.86});
        return p;
    };
    g["bang"] = {{
                     sq({{0.06, 0.10}, {0.42, 0.09}}), // the three strokes of the upper left
                     sq({{0.09, 0.21}, {0.40, 0.20}}),
                     sq({{0.03, 0.33}, {0.46, 0.31}}),
                     sq({{0.25, 0.02}, {0.25, 0.32}, {0.13, 0.48}}), // its stem, sweeping left
                     sq({{0.57, 0.03}, {0.57, 0.50}}),               // the ear's stem
                     sq({{0.57, 0.05}, {0.80, 0.05}, {0.68, 0.18}, {0.82, 0.28}, {0.74, 0.37}, {0.66, 0.35}}),
                     sq({{0.20, 0.60}, {0.20, 0.90}}), // the cloth below
                     sq({{0.20, 0.60}, {0.80, 0.60}, {0.80, 0.88}, {0.72, 0.85}}),
                     sq({{0.50, 0.50}, {0.50, 1.0}}),
                 },
                 1.0};
    g["zhu"] = {{
                    sq({{0.08, 0.12}, {0.08, 0.80}}), // the left part: a tall box with two bars on a base
                    sq({{0.08, 0.12}, {0.40, 0.12}, {0.40, 0.80}}),
                    sq({{0.08, 0.36}, {0.40, 0.36}}),
                    sq({{0.08, 0.58}, {0.40, 0.58}}),
                    sq({{0.00, 0.84}, {0.48, 0.79}}),
                    sq({{0.54, 0.32}, {0.93, 0.32}, {0.91, 0.86}, {0.82, 0.95}, {0.74, 0.89}}), // power
                    sq({{0.73, 0.08}, {0.71, 0.52}, {0.52, 0.94}}),
                },
                1.0};
    return g;
}

} // namespace

TextArt strokeText(const std::string& text, double strokeWidth) {
    static const std::map<std::string, Glyph> glyphs = makeGlyphs();
    TextArt out;
    out.art.width = strokeWidth;
    double x = strokeWidth / 2;
    double spacing = 0.12 + strokeWidth;
    size_t i = 0;
    while (i < text.size()) {
        std::string key(1, text[i]);
        if (text[i] == '[') { // a named glyph: [bang], [zhu]
            size_t close = text.find(']', i);
            key = text.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            ++i;
        }
        if (key == " ") {
            x += 0.3;
            continue;
        }
        auto it = glyphs.find(key);
        if (it == glyphs.end())
            continue;
        for (const LinePoints& line : it->second.lines) {
            LinePoints moved;
            for (Point2 p : line)
                moved.push_back({p.x + x, p.y});
            out.art.lines.push_back(moved);
        }
        x += it->second.width + spacing;
    }
    out.advance = x - spacing + strokeWidth / 2;
    return out;
}
