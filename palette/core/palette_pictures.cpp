// The palette pictures 101, 102, 103 and 113 .. 120: the whole round palette, drawn on the layout
// of palette/core/palette_layout.h so that every button's region frames its own field or icon.
// Fields reach a little past their region edges (into gaps and holes, which are transparent on the
// palette), so no blended edge pixel shows on a button.
#include <algorithm>
#include <cmath>

#include "palette/core/palette_pictures.h"

#include "palette/core/palette_layout.h"
#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"

namespace {

constexpr Rgb WHITE = {255, 255, 255}, BLACK = {0, 0, 0};
constexpr Rgb RING_GREY = {178, 178, 178}, RIM_ORANGE = {213, 151, 88}, SKIN = {228, 188, 150};
constexpr Rgb FIELD_COLOURS[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}; // sectors 12 .. 15
constexpr Rgb WIDTH_GREYS[4] = {
    {0, 0, 0}, {63, 63, 63}, {102, 102, 102}, {140, 140, 140}}; // sectors 16 .. 19

enum Look { LOOK_NORMAL, LOOK_PRESSED, LOOK_HOVER };

// The layout turns about its origin by -30 degrees (pi taken as 3.14) and sits at (110, 110).
const double TURN = PALETTE_ROTATION * SHAPE_PI / 180;
const double TURN_C = std::cos(TURN), TURN_S = std::sin(TURN);

Point2 toLayout(double sx, double sy) {
    double x = sx - PALETTE_CENTER, y = sy - PALETTE_CENTER;
    return {x * TURN_C + y * TURN_S, -x * TURN_S + y * TURN_C};
}
Point2 toScreen(Point2 l) {
    return {l.x * TURN_C - l.y * TURN_S + PALETTE_CENTER, l.x * TURN_S + l.y * TURN_C + PALETTE_CENTER};
}

// Angles as the shapes use them: "degrees" d stand for d x 3.14 / 180 radians.
double layoutDegrees(double x, double y) {
    double a = std::atan2(y, x);
    if (a < 0)
        a += 2 * RASTER_PI;
    return a * 180 / SHAPE_PI;
}
Point2 direction(double degrees) {
    double a = degrees * SHAPE_PI / 180;
    return {std::cos(a), std::sin(a)};
}

const PaletteShapeEntry& entry(int index) {
    return paletteShapeEntries[index];
}
const PaletteShapeEntry& sectorEntry(int sector) {
    return entry(shapeOfSector(sector));
}

// Where a ray from the wedges' centre leaves the inner ellipse and the disc.
double innerExit(Point2 d) {
    const PaletteShapeEntry& e = entry(SHAPE_INNER_ELLIPSE);
    return 1 /
           std::sqrt((d.x / e.semiAxisX) * (d.x / e.semiAxisX) + (d.y / e.semiAxisY) * (d.y / e.semiAxisY));
}
double discExit(Point2 c, Point2 d, double r) {
    double b = c.x * d.x + c.y * d.y, cc = c.x * c.x + c.y * c.y;
    return -b + std::sqrt(b * b - cc + r * r);
}

struct ToolIcon {
    Point2 centre; // screen
    double size;   // pixels the 16-unit icon box spans
    LineArt art;
};

LinePoints pl(std::initializer_list<Point2> points) {
    return LinePoints(points);
}

LineArt toolArt(int sector) {
    LineArt a;
    a.width = 1.5;
    switch (sector) {
    case 4: // eraser: a tilted block with its band, on the ground
        a.lines = {pl({{3, 10}, {9, 4}, {14, 9}, {8, 15}, {3, 10}}), pl({{6, 7}, {11, 12}}),
                   pl({{8, 15}, {15, 15}})};
        break;
    case 5: // a page being cleared: the page with one line left and the wipe's motion marks
        a.lines = {pl({{5, 2}, {11, 2}, {14, 5}, {14, 15}, {5, 15}, {5, 2}}),
                   pl({{11, 2}, {11, 5}, {14, 5}}),
                   pl({{7.5, 6}, {10, 6}}),
                   pl({{7.5, 9}, {11.5, 9}}),
                   pl({{1, 8}, {3, 8}}),
                   pl({{0.5, 11}, {3, 11}}),
                   pl({{1, 14}, {3, 14}})};
        break;
    case 6: { // scissors over a dashed frame
        for (double t = 0.5; t < 15; t += 3.5) {
            double e = std::min(t + 2, 15.5);
            a.lines.push_back(pl({{t, 0.8}, {e, 0.8}}));
            a.lines.push_back(pl({{0.8, t}, {0.8, e}}));
            a.lines.push_back(pl({{15.2, t}, {15.2, e}}));
        }
        a.lines.push_back(ellipseOutline(5.2, 12.6, 1.9, 1.9, 16));
        a.lines.push_back(ellipseOutline(10.8, 12.6, 1.9, 1.9, 16));
        a.lines.push_back(pl({{6.3, 11}, {11.5, 3}}));
        a.lines.push_back(pl({{9.7, 11}, {4.5, 3}}));
        break;
    }
    case 7: // stacked windows with a pencil
        a.lines = {pl({{5, 5}, {5, 1}, {15, 1}, {15, 9}, {11, 9}}), pl({{11, 3.2}, {15, 3.2}}),
                   pl({{1, 5}, {11, 5}, {11, 13}, {1, 13}, {1, 5}}), pl({{1, 7.3}, {11, 7.3}}),
                   pl({{8.5, 15.2}, {15.2, 8.5}})};
        break;
    case 8: // a framed board on two legs
        a.lines = {pl({{1, 2}, {15, 2}, {15, 12}, {1, 12}, {1, 2}}),
                   pl({{3.5, 4.5}, {12.5, 4.5}, {12.5, 9.5}, {3.5, 9.5}, {3.5, 4.5}}),
                   pl({{4, 12}, {2.5, 15.5}}), pl({{12, 12}, {13.5, 15.5}})};
        break;
    case 9: // an oval
        a.lines = {ellipseOutline(8, 8, 7, 4.8, 40)};
        break;
    case 10: // a short bar
        a.width = 2.2;
        a.lines = {pl({{3, 12.5}, {13, 3.5}})};
        break;
    case 11: // a hand holding a pen
        a.lines = {
            pl({{1.5, 14.5}, {10, 6}}), pl({{1.2, 14.8}, {2.2, 12.5}}),
            pl({{8, 6.5}, {10.5, 3.5}, {13.5, 4}, {15, 7.5}, {14, 11.5}, {10.5, 13}, {7.5, 11.5}, {6.5, 9}}),
            pl({{9.5, 8}, {12.5, 7}}), pl({{9, 10.2}, {12.5, 9.5}})};
        break;
    case 20:   // undo: an arrow that turns back to the left
    case 21: { // redo: the same arrow, turning to the right
        LinePoints hook = {{4.5, 13.5}, {9, 13.5}};
        append(hook, arc(9, 9, 4.5, 90, -90, 20));
        append(hook, {{2.5, 4.5}});
        a.lines = {hook, pl({{5.5, 1.5}, {2.5, 4.5}, {5.5, 7.5}})};
        if (sector == 21)
            for (LinePoints& line : a.lines)
                for (Point2& p : line)
                    p.x = 16 - p.x;
        break;
    }
    case 22: // save: a diskette with its shutter and its label
        a.lines = {pl({{2, 2}, {12, 2}, {14, 4}, {14, 14}, {2, 14}, {2, 2}}),
                   pl({{5, 2}, {5, 6}, {11, 6}, {11, 2}}), pl({{9, 3}, {9, 5}}),
                   pl({{4.5, 14}, {4.5, 9}, {11.5, 9}, {11.5, 14}})};
        break;
    case 23: // more tools: a frame and an arrow, the shapes the strip holds
        a.lines = {pl({{1, 7}, {9, 7}, {9, 15}, {1, 15}, {1, 7}}), pl({{6, 10}, {14.5, 1.5}}),
                   pl({{9.5, 1.5}, {14.5, 1.5}, {14.5, 6.5}})};
        break;
    default:
        break;
    }
    return a;
}

std::vector<ToolIcon> makeToolIcons() {
    std::vector<ToolIcon> icons;
    for (int sector : {4, 5, 6, 7, 8, 9, 10, 11, 20, 21, 22, 23}) {
        const PaletteShapeEntry& s = sectorEntry(sector);
        double mid = (s.startAngle + s.endAngle - 1) / 2;
        Point2 d = direction(mid), c = {double(s.centerX), double(s.centerY)};
        double tIn = innerExit(d), tOut = discExit(c, d, entry(SHAPE_DISC).radius);
        double t = (tIn + tOut) / 2;
        double chord = 2 * t * std::sin((s.endAngle - s.startAngle - 1) / 2 * SHAPE_PI / 180);
        double size = std::min(std::min(tOut - tIn, chord) * 0.86, 17.0);
        icons.push_back({toScreen({c.x + d.x * t, c.y + d.y * t}), size, toolArt(sector)});
    }
    return icons;
}

struct Marker {
    Point2 apex, left, right; // layout
};

// A marker in the rim band at the middle of a field, pointing inwards at it.
Marker makeMarker(int sector) {
    const PaletteShapeEntry& s = sectorEntry(sector);
    Point2 d = direction((s.startAngle + s.endAngle - 1) / 2), c = {double(s.centerX), double(s.centerY)};
    double t = discExit(c, d, 106);
    Point2 p = {c.x + d.x * t, c.y + d.y * t};
    double len = std::hypot(p.x, p.y);
    Point2 u = {p.x / len, p.y / len}, v = {-u.y, u.x};
    return {{u.x * 102.6, u.y * 102.6},
            {u.x * 109.8 + v.x * 3.6, u.y * 109.8 + v.y * 3.6},
            {u.x * 109.8 - v.x * 3.6, u.y * 109.8 - v.y * 3.6}};
}

bool inTriangle(const Marker& m, Point2 p) {
    auto side = [](Point2 a, Point2 b, Point2 q) {
        return (b.x - a.x) * (q.y - a.y) - (b.y - a.y) * (q.x - a.x);
    };
    double d1 = side(m.apex, m.left, p), d2 = side(m.left, m.right, p), d3 = side(m.right, m.apex, p);
    bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
    return !(neg && pos);
}

double ellipseLevel(Point2 l, const PaletteShapeEntry& e, double grow) {
    double ax = e.semiAxisX + grow, ay = e.semiAxisY + grow;
    double x = l.x - e.centerX, y = l.y - e.centerY;
    return (x / ax) * (x / ax) + (y / ay) * (y / ay);
}

struct Scene {
    PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    std::vector<ToolIcon> icons = makeToolIcons();
    Marker colourMarkers[4], widthMarkers[4];
    Point2 eyeCentre[2];
    Scene() {
        preparePaletteShapes(shapes);
        for (int k = 0; k < 4; ++k) {
            colourMarkers[k] = makeMarker(12 + k);
            widthMarkers[k] = makeMarker(16 + k);
        }
        for (int e = 0; e < 2; ++e) {
            const PaletteShape& s = shapes[SHAPE_RIGHT_EYE + e];
            double x = 0, y = 0;
            for (int32_t i = 0; i < s.pointCount; ++i) {
                x += s.points[i].x;
                y += s.points[i].y;
            }
            eyeCentre[e] = {x / s.pointCount, y / s.pointCount};
        }
    }
    ~Scene() { freePaletteShapes(shapes); }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
};

// Which field of the ring a wedge angle falls in: colour k, width k, or none (tools and gaps).
// The boundaries lie on the shared edges; at the open ends the fields reach 1.5 degrees into the gap.
int colourFieldAt(double deg) {
    if (deg < sectorEntry(12).startAngle - 1.5 || deg > sectorEntry(15).endAngle + 0.5)
        return -1;
    for (int k = 3; k >= 1; --k)
        if (deg >= sectorEntry(12 + k).startAngle)
            return k;
    return 0;
}
int widthFieldAt(double deg) {
    if (deg < sectorEntry(19).startAngle - 1.5 || deg > sectorEntry(16).endAngle + 0.5)
        return -1;
    for (int k = 0; k < 3; ++k) // 16 has the largest angles
        if (deg >= sectorEntry(16 + k).startAngle)
            return k;
    return 3;
}

struct PictureKind {
    Look look;
    int colourMarker; // -1 none, 4 all
    int widthMarker;  // -1 none, 4 all
};

Rgb ringColour(Look look) {
    return look == LOOK_PRESSED ? RIM_ORANGE : look == LOOK_HOVER ? SKIN : RING_GREY;
}

// The eye's level in its own frame: 1 on the outline of its table ellipse, grown by `grow` pixels.
double eyeLevel(int e, Point2 l, double grow) {
    const PaletteShapeEntry& eye = entry(SHAPE_RIGHT_EYE + e);
    double dx = l.x - eye.centerX, dy = l.y - eye.centerY, c = std::cos(eye.tilt), s = std::sin(eye.tilt);
    double u = dx * c + dy * s, v = -dx * s + dy * c;
    double ax = eye.semiAxisX + grow, ay = eye.semiAxisY + grow;
    return (u / ax) * (u / ax) + (v / ay) * (v / ay);
}

// A black eye drawn a little past its region's outline, so no edge pixel of the eye button is a
// blend; a white light runs along the upper left of the outline, with a glint beside it.
Rgb eyeColour(const Scene& scene, int e, double sx, double sy) {
    Point2 c = scene.eyeCentre[e];
    double gx = sx - (c.x - 2.2), gy = sy - (c.y - 1.6);
    if (gx * gx + gy * gy < 1.5 * 1.5)
        return WHITE;
    double level = eyeLevel(e, toLayout(sx, sy), 0);
    bool upperLeft = (sx - c.x) * 0.8 + (sy - c.y) < -1.5;
    if (upperLeft && level > 0.42 && level < 0.72)
        return WHITE;
    return BLACK;
}

Rgb sampleAt(const Scene& scene, const PictureKind& kind, double sx, double sy) {
    Point2 l = toLayout(sx, sy);
    double r0 = std::hypot(l.x, l.y);
    if (r0 > entry(SHAPE_DISC).radius + 1.5)
        return WHITE;
    for (int e = 0; e < 2; ++e) {
        Point2 c = scene.eyeCentre[e];
        if (std::fabs(sx - c.x) < 12 && std::fabs(sy - c.y) < 12 && eyeLevel(e, l, 1.3) <= 1.0)
            return eyeColour(scene, e, sx, sy);
    }
    Rgb ring = ringColour(kind.look);
    double face = ellipseLevel(l, entry(SHAPE_FACE_ELLIPSE), 1.0);
    if (face <= 1.0)
        return face > 0.93 ? mix(SKIN, Rgb{176, 126, 86}, (face - 0.93) / 0.07) : SKIN;
    if (ellipseLevel(l, entry(SHAPE_INNER_ELLIPSE), -2.0) <= 1.0)
        return mix(ring, BLACK, 0.35); // the band between face and ring: a hole on the palette
    double rimDeg = layoutDegrees(l.x, l.y);
    bool inRimBand = r0 >= sectorEntry(1).radius - 0.5;
    const PaletteShapeEntry& colourRim = sectorEntry(0);
    const PaletteShapeEntry& widthRim = sectorEntry(2);
    if (inRimBand && rimDeg >= colourRim.startAngle - 1 && rimDeg <= colourRim.endAngle) {
        for (int k = 0; k < 4; ++k)
            if ((kind.colourMarker == 4 || kind.colourMarker == k) && inTriangle(scene.colourMarkers[k], l))
                return BLACK;
        return RIM_ORANGE;
    }
    if (inRimBand && rimDeg >= widthRim.startAngle - 1 && rimDeg <= widthRim.endAngle) {
        for (int k = 0; k < 4; ++k)
            if ((kind.widthMarker == 4 || kind.widthMarker == k) && inTriangle(scene.widthMarkers[k], l))
                return BLACK;
        return RIM_ORANGE;
    }
    double deg = layoutDegrees(l.x, l.y - 20);
    int field = colourFieldAt(deg);
    if (field >= 0)
        return kind.look == LOOK_HOVER ? mix(FIELD_COLOURS[field], WHITE, 0.55) : FIELD_COLOURS[field];
    field = widthFieldAt(deg);
    if (field >= 0)
        return kind.look == LOOK_HOVER ? mix(WIDTH_GREYS[field], WHITE, 0.5) : WIDTH_GREYS[field];
    for (const ToolIcon& icon : scene.icons) {
        double ux = (sx - icon.centre.x) / icon.size * 16 + 8, uy = (sy - icon.centre.y) / icon.size * 16 + 8;
        if (ux > -2 && uy > -2 && ux < 18 && uy < 18 && icon.art.covers(ux, uy))
            return BLACK;
    }
    return ring;
}

// The picture at its size for dpi: the same outlines, sampled that much finer. Given the normal
// picture at that dpi, a picture of the normal look differs from it only inside the markers'
// triangles: it is that picture with the pixels of the markers' boxes drawn again, the same pixels
// a whole drawing gives at a tenth of the cost.
Picture drawPalette(const Scene& scene, const PictureKind& kind, int32_t dpi, const Picture* normal) {
    const int size = scaledForDpi(PALETTE_SIZE, dpi);
    const double k = double(BASE_DPI) / knownDpi(dpi); // palette pixels at 100 % per pixel of this picture
    auto colourAt = [&](double x, double y) { return sampleAt(scene, kind, x * k, y * k); };
    if (kind.look != LOOK_NORMAL || !normal || normal->w != size || normal->h != size) {
        Picture p(size, size, WHITE);
        renderSupersampled(p, 4, colourAt);
        for (Rgb& c : p.px)
            c = avoidKey(c);
        return p;
    }
    Picture p = *normal;
    for (int m = 0; m < 8; ++m) {
        const Marker& marker = m < 4 ? scene.colourMarkers[m] : scene.widthMarkers[m - 4];
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (Point2 corner : {marker.apex, marker.left, marker.right}) {
            const Point2 s = toScreen(corner);
            x0 = std::min(x0, s.x / k);
            y0 = std::min(y0, s.y / k);
            x1 = std::max(x1, s.x / k);
            y1 = std::max(y1, s.y / k);
        }
        const int px0 = int(std::floor(x0)) - 1, py0 = int(std::floor(y0)) - 1;
        const int px1 = int(std::ceil(x1)) + 1, py1 = int(std::ceil(y1)) + 1;
        renderSupersampled(p, 4, colourAt, px0, py0, px1, py1);
        for (int y = std::max(py0, 0); y < std::min(py1, size); ++y)
            for (int x = std::max(px0, 0); x < std::min(px1, size); ++x)
                p.at(x, y) = avoidKey(p.at(x, y));
    }
    return p;
}

// The kind of picture each id shows; false for an id that is not a palette picture.
bool kindOfPicture(int32_t id, PictureKind* kind) {
    if (id == IDB_PALETTE_NORMAL || id == IDB_PALETTE_PRESSED || id == IDB_PALETTE_HOVER) {
        *kind = {id == IDB_PALETTE_NORMAL    ? LOOK_NORMAL
                 : id == IDB_PALETTE_PRESSED ? LOOK_PRESSED
                                             : LOOK_HOVER,
                 4, 4};
        return true;
    }
    if (id >= IDB_COLOUR_MARK_BLACK && id <= IDB_COLOUR_MARK_BLUE) {
        *kind = {LOOK_NORMAL, id - IDB_COLOUR_MARK_BLACK, -1};
        return true;
    }
    if (id >= IDB_WIDTH_MARK_0 && id <= IDB_WIDTH_MARK_3) {
        *kind = {LOOK_NORMAL, -1, id - IDB_WIDTH_MARK_0};
        return true;
    }
    return false;
}

} // namespace

Picture paletteNormalPicture(int32_t dpi) {
    Scene scene;
    return drawPalette(scene, {LOOK_NORMAL, 4, 4}, dpi, nullptr);
}

bool drawPalettePicture(int32_t id, int32_t dpi, Picture* out, const Picture* normal) {
    PictureKind kind = {};
    if (!kindOfPicture(id, &kind))
        return false;
    Scene scene;
    *out = drawPalette(scene, kind, dpi, normal);
    return true;
}

std::vector<std::pair<int32_t, Picture>> palettePictures(int32_t dpi) {
    Scene scene;
    std::vector<std::pair<int32_t, Picture>> out;
    for (int32_t id : PALETTE_PICTURE_IDS) {
        PictureKind kind = {};
        kindOfPicture(id, &kind);
        const Picture* normal = out.empty() ? nullptr : &out.front().second; // 101 comes first
        out.push_back({id, drawPalette(scene, kind, dpi, normal)});
    }
    return out;
}
