// The palette's shapes, layout tables and button pointer rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "win32/core/dpi_scale.h"
#include "board/core/board_rules.h"
#include "palette/core/button_rules.h"
#include "palette/core/palette_layout.h"
#include "pages/core/highlight.h"
#include "pages/core/page_rules.h"
#include "palette/core/tool_strip_layout.h"
#include "presenting/core/presenting_rules.h"

namespace {

struct Shapes {
    PaletteShape s[PALETTE_SHAPE_COUNT] = {};
    Shapes() { preparePaletteShapes(s); }
    ~Shapes() { freePaletteShapes(s); }
    const PaletteShape& operator[](int i) const { return s[i]; }
    const PaletteShape& sector(int i) const { return s[shapeOfSector(i)]; }
};

ShapePoint last(const PaletteShape& shape) {
    return shape.points[shape.pointCount - 1];
}

// The centre of a shape after it is turned onto the palette, by the same arithmetic as its vertices.
ShapePoint turnedCentre(int index) {
    PaletteShape one = {};
    one.center = {paletteShapeEntries[index].centerX, paletteShapeEntries[index].centerY};
    one.pointCount = 1;
    one.points = static_cast<ShapePoint*>(std::calloc(1, sizeof(ShapePoint)));
    one.points[0] = one.center;
    rotateShape(&one, PALETTE_ROTATION, PALETTE_CENTER, PALETTE_CENTER);
    ShapePoint p = one.points[0];
    freeShape(&one);
    return p;
}

TEST(PaletteShapes, DiscVerticesAfterTheTurn) {
    Shapes shapes;
    const PaletteShape& disc = shapes[SHAPE_DISC];
    ASSERT_EQ(disc.pointCount, 360);
    EXPECT_EQ(disc.points[0].x, 205);
    EXPECT_EQ(disc.points[0].y, 55);
    EXPECT_EQ(disc.points[90].x, 164);
    EXPECT_EQ(disc.points[90].y, 204);
}

TEST(PaletteShapes, FaceAndEyeCentresLandWhereThePicturesExpectThem) {
    ShapePoint face = turnedCentre(SHAPE_FACE_ELLIPSE), right = turnedCentre(SHAPE_RIGHT_EYE),
               left = turnedCentre(SHAPE_LEFT_EYE);
    EXPECT_EQ(face.x, 119);
    EXPECT_EQ(face.y, 127);
    EXPECT_EQ(right.x, 100);
    EXPECT_EQ(right.y, 54);
    EXPECT_EQ(left.x, 66);
    EXPECT_EQ(left.y, 74);
    // The table's eye centres are the stated formula: 21 degrees either side of up, 57.5 out.
    const double a = 0.36633333333333334;
    EXPECT_DOUBLE_EQ(a, 21 * 3.14 / 180);
    EXPECT_EQ(paletteShapeEntries[SHAPE_RIGHT_EYE].centerX, truncToInt32(std::sin(a) * 57.5));
    EXPECT_EQ(paletteShapeEntries[SHAPE_RIGHT_EYE].centerY, truncToInt32(0 - std::cos(a) * 57.5));
    EXPECT_EQ(paletteShapeEntries[SHAPE_LEFT_EYE].centerX, truncToInt32(0 - std::sin(a) * 57.5));
}

TEST(PaletteShapes, SectorsCloseThroughTheirCentre) {
    Shapes shapes;
    EXPECT_EQ(shapes.sector(0).pointCount, 54);
    EXPECT_EQ(last(shapes.sector(0)).x, 110);
    EXPECT_EQ(last(shapes.sector(0)).y, 110);
    EXPECT_EQ(shapes.sector(12).pointCount, 12);
    EXPECT_EQ(last(shapes.sector(12)).x, 119);
    EXPECT_EQ(last(shapes.sector(12)).y, 127);
    for (int i = 4; i < PALETTE_SECTOR_COUNT; ++i) // every wedge ends at the turned (0, 20)
        EXPECT_TRUE(last(shapes.sector(i)).x == 119 && last(shapes.sector(i)).y == 127) << "sector " << i;
}

// Neighbouring colour and width wedges overlap by one degree in the table, so the arc of the one
// stops where the next begins: the two polygons share that edge exactly.
TEST(PaletteShapes, NeighbouringWedgesShareOneEdge) {
    Shapes shapes;
    const int pairs[][2] = {{12, 13}, {13, 14}, {14, 15}, {17, 16}, {18, 17}, {19, 18}};
    for (const auto& p : pairs) {
        const PaletteShape& lower = shapes.sector(p[0]); // the smaller angles
        const PaletteShape& upper = shapes.sector(p[1]);
        ShapePoint lowerArcEnd = lower.points[lower.pointCount - 2], upperArcStart = upper.points[0];
        EXPECT_EQ(lowerArcEnd.x, upperArcStart.x) << p[0] << "/" << p[1];
        EXPECT_EQ(lowerArcEnd.y, upperArcStart.y) << p[0] << "/" << p[1];
        // No gap and no overlap: a point just either side of the shared edge lies in one wedge only.
        double mx = (upperArcStart.x + 119) / 2.0, my = (upperArcStart.y + 127) / 2.0;
        double ex = upperArcStart.x - 119.0, ey = upperArcStart.y - 127.0, len = std::hypot(ex, ey);
        double nx = -ey / len * 1.5, ny = ex / len * 1.5;
        bool a1 = pointInShape(&lower, mx + nx, my + ny), b1 = pointInShape(&upper, mx + nx, my + ny);
        bool a2 = pointInShape(&lower, mx - nx, my - ny), b2 = pointInShape(&upper, mx - nx, my - ny);
        EXPECT_NE(a1, b1) << p[0] << "/" << p[1];
        EXPECT_NE(a2, b2) << p[0] << "/" << p[1];
        EXPECT_NE(a1, a2) << p[0] << "/" << p[1];
    }
}

TEST(PaletteShapes, ArithmeticTruncatesTowardZeroWithPiAs314) {
    EXPECT_EQ(truncToInt32(-53.68), -53);
    EXPECT_EQ(truncToInt32(20.6), 20);
    EXPECT_EQ(truncToInt32(std::nan("")), 0);
    EXPECT_EQ(truncToInt32(1e12), INT32_MAX);
    EXPECT_EQ(truncToInt32(-1e12), INT32_MIN);
    // With pi as 3.14 the circle's last vertex stops short of a full turn: a short closing chord.
    PaletteShape c = {};
    c.radius = 100;
    buildCircle(&c);
    ASSERT_EQ(c.pointCount, 360);
    EXPECT_EQ(c.points[359].x, truncToInt32(std::cos(359 * 3.14 / 180) * 100));
    EXPECT_EQ(c.points[359].y, -2); // sin(358.8 true degrees) x 100 = -2.07
    freeShape(&c);
}

TEST(PaletteShapes, EyeTiltsAreRadians) {
    Shapes shapes;
    // 30 radians is about 1718.87 degrees, i.e. -81.1 degrees: the eye's long axis runs nearly
    // upright in layout terms; 30 degrees would lie almost flat. Vertex 0 is the end of the long axis.
    const PaletteShapeEntry& eye = paletteShapeEntries[SHAPE_RIGHT_EYE];
    PaletteShape e = {};
    e.semiAxisX = eye.semiAxisX;
    e.semiAxisY = eye.semiAxisY;
    e.center = {eye.centerX, eye.centerY};
    e.tilt = eye.tilt;
    buildEllipse(&e);
    EXPECT_EQ(e.points[0].x, truncToInt32(8 * std::cos(30.0) + 20));
    EXPECT_EQ(e.points[0].y, truncToInt32(8 * std::sin(30.0) - 53));
    freeShape(&e);
    // After the palette turn both eyes' long axes run from upper left to lower right, the right
    // eye's steeper than the left eye's.
    auto slope = [&](int index) {
        const PaletteShape& s = shapes[index];
        double dx = s.points[0].x - s.points[180].x, dy = s.points[0].y - s.points[180].y;
        if (dx < 0) {
            dx = -dx;
            dy = -dy;
        }
        return dy / dx;
    };
    EXPECT_GT(slope(SHAPE_RIGHT_EYE), 0);
    EXPECT_GT(slope(SHAPE_LEFT_EYE), 0);
    EXPECT_GT(slope(SHAPE_RIGHT_EYE), slope(SHAPE_LEFT_EYE));
}

TEST(PaletteShapes, FreeingIsSafeTwiceAndRebuildingReleasesTheOldArray) {
    PaletteShape s = {};
    s.radius = 10;
    buildCircle(&s);
    buildCircle(&s); // the first array is released, not leaked (the sanitizer would say)
    ASSERT_NE(s.points, nullptr);
    freeShape(&s);
    EXPECT_EQ(s.points, nullptr);
    EXPECT_EQ(s.pointCount, 0);
    freeShape(&s);
    EXPECT_EQ(s.points, nullptr);
    rotateShape(&s, 10, 1, 1); // nothing to turn
    EXPECT_FALSE(pointInShape(&s, 0, 0));
}

TEST(PaletteShapes, ImpossibleSectorsGetNoPoints) {
    PaletteShape s = {};
    s.radius = 10;
    s.startAngle = 50;
    s.endAngle = 10;
    buildSector(&s);
    EXPECT_EQ(s.points, nullptr);
    s.endAngle = std::nan("");
    buildSector(&s);
    EXPECT_EQ(s.points, nullptr);
    s.startAngle = 0;
    s.endAngle = 1e9;
    buildSector(&s);
    EXPECT_EQ(s.points, nullptr);
    EXPECT_EQ(s.pointCount, 0);
    s.endAngle = 0; // one degree: the centre alone
    buildSector(&s);
    ASSERT_EQ(s.pointCount, 1);
    freeShape(&s);
}

TEST(PaletteLayout, ButtonFieldsAreDisjointAndWhereTheLayoutPutsThem) {
    Shapes shapes;
    int count[PALETTE_BUTTON_COUNT] = {};
    for (int y = 0; y < PALETTE_SIZE; y += 2)
        for (int x = 0; x < PALETTE_SIZE; x += 2) {
            int owners = 0;
            for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
                if (pointInButton(shapes.s, n, x + 0.5, y + 0.5)) {
                    ++owners;
                    ++count[n];
                }
            // The eyes reach over the face's edge; no other two buttons overlap.
            bool eye = pointInButton(shapes.s, BUTTON_N_RIGHT_EYE, x + 0.5, y + 0.5) ||
                       pointInButton(shapes.s, BUTTON_N_LEFT_EYE, x + 0.5, y + 0.5);
            if (eye && pointInButton(shapes.s, BUTTON_N_FACE, x + 0.5, y + 0.5))
                --owners;
            ASSERT_LE(owners, 1) << "(" << x << ", " << y << ")";
        }
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        EXPECT_GT(count[n], 5) << "button " << n;
    // Corners, the band between face and ring, the gaps and the empty stretch of ring are holes.
    const double holes[][2] = {{2, 2}, {217, 2}, {2, 217}, {217, 217}, {155, 187}, {190, 170}};
    for (const auto& h : holes)
        EXPECT_EQ(paletteButtonAt(shapes.s, h[0], h[1]), -1) << h[0] << "," << h[1];
    EXPECT_EQ(paletteButtonAt(shapes.s, 119, 127), BUTTON_N_FACE);
    EXPECT_EQ(paletteButtonAt(shapes.s, 100, 54), BUTTON_N_RIGHT_EYE);
    EXPECT_EQ(paletteButtonAt(shapes.s, 66, 74), BUTTON_N_LEFT_EYE);
    // Colours on the left, blue at the top; widths along the top, the thinnest on the right.
    auto fieldCentre = [&](int n, double& cx, double& cy) {
        cx = cy = 0;
        int k = 0;
        for (int y = 0; y < PALETTE_SIZE; y += 2)
            for (int x = 0; x < PALETTE_SIZE; x += 2)
                if (pointInButton(shapes.s, n, x + 0.5, y + 0.5)) {
                    cx += x;
                    cy += y;
                    ++k;
                }
        cx /= k;
        cy /= k;
    };
    double bx, by, gx, gy, rx, ry, kx, ky, w0x, w0y, w3x, w3y;
    fieldCentre(15, bx, by);
    fieldCentre(14, gx, gy);
    fieldCentre(13, rx, ry);
    fieldCentre(12, kx, ky);
    EXPECT_LT(by, gy);
    EXPECT_LT(gy, ry);
    EXPECT_LT(ry, ky);
    EXPECT_LT(kx, 40);
    fieldCentre(16, w0x, w0y);
    fieldCentre(19, w3x, w3y);
    EXPECT_GT(w0x, w3x);
    EXPECT_LT(w0y, 45);
    EXPECT_LT(w3y, 45);
}

// At 150 % every vertex is scaled by the one rule: the palette is 330 wide, and each button's inner
// point at 96 taken 1.5 times as far (where a test touches the palette at 150 %) is that button's.
TEST(PaletteLayout, ScaledShapesKeepEveryButtonWhereItWas) {
    EXPECT_EQ(paletteSizeForDpi(96), 220);
    EXPECT_EQ(paletteSizeForDpi(144), 330);
    EXPECT_EQ(paletteSizeForDpi(192), 440);
    Shapes at96, at144;
    scalePaletteShapes(at144.s, 144);
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i) {
        ASSERT_EQ(at144[i].pointCount, at96[i].pointCount) << "shape " << i;
        for (int32_t k = 0; k < at96[i].pointCount; ++k) {
            ASSERT_EQ(at144[i].points[k].x, scaledForDpi(at96[i].points[k].x, 144)) << "shape " << i;
            ASSERT_EQ(at144[i].points[k].y, scaledForDpi(at96[i].points[k].y, 144)) << "shape " << i;
        }
    }
    int x96[PALETTE_BUTTON_COUNT], y96[PALETTE_BUTTON_COUNT];
    bool found[PALETTE_BUTTON_COUNT];
    paletteButtonInnerPoints(at96.s, x96, y96, found);
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        ASSERT_TRUE(found[n]) << "button " << n;
        EXPECT_EQ(paletteButtonAt(at144.s, (x96[n] + 0.5) * 1.5, (y96[n] + 0.5) * 1.5), n) << "button " << n;
    }
    // 96 leaves the shapes as they are.
    Shapes again;
    scalePaletteShapes(again.s, 96);
    EXPECT_EQ(again[SHAPE_DISC].points[3].x, at96[SHAPE_DISC].points[3].x);
}

TEST(PaletteLayout, ButtonTableAndCreationOrder) {
    int seen[PALETTE_BUTTON_COUNT] = {};
    for (int i = 0; i < PALETTE_BUTTON_COUNT; ++i)
        ++seen[paletteButtonCreationOrder[i]];
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        EXPECT_EQ(seen[n], 1) << n;
    EXPECT_EQ(paletteButtonCreationOrder[0], 4);
    EXPECT_EQ(paletteButtonCreationOrder[PALETTE_BUTTON_COUNT - 1], BUTTON_N_FACE);
    EXPECT_EQ(paletteButtons[BUTTON_N_PEN].state, BUTTON_DOWN);
    EXPECT_EQ(paletteButtons[BUTTON_N_PEN].picture, 102);
    EXPECT_EQ(paletteButtons[BUTTON_N_WIDTH_RIM].picture, 118);
    EXPECT_FALSE(paletteButtons[BUTTON_N_FACE].visibleAtCreation);
    EXPECT_STREQ(paletteButtons[BUTTON_N_LINE].tooltip, "L\xEDnea");
    EXPECT_STREQ(paletteButtons[BUTTON_N_WIDTH_0].tooltip, "Espesor ");
    // Every command leads back to its own button; the rims' 0 and ids no button sends lead nowhere.
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        if (paletteButtons[n].command != 0) {
            EXPECT_EQ(paletteButtonOfCommand(paletteButtons[n].command), n) << paletteButtons[n].command;
        }
    for (int32_t id : {0, 100000, 100105, 100309, 100407, -100301})
        EXPECT_EQ(paletteButtonOfCommand(id), -1) << id;
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        EXPECT_LT(std::strlen(paletteButtons[n].tooltip), 32u);
    EXPECT_EQ(shapeErrorNumber(SHAPE_DISC), 1);
    EXPECT_EQ(shapeErrorNumber(SHAPE_FACE_ELLIPSE), 3);
    EXPECT_EQ(shapeErrorNumber(shapeOfSector(0)), 0);
    EXPECT_EQ(shapeErrorNumber(shapeOfSector(19)), 19);
    EXPECT_EQ(shapeErrorNumber(SHAPE_LEFT_EYE), -1);
}

// The pointer rules the Wine tests of the button do not reach: the action's pop-up look and a
// toggle whose picture was never set.
ButtonRecord record(int32_t kind, int32_t state = 0, int32_t picture = 101) {
    ButtonRecord r = {};
    r.kind = kind;
    r.state = state;
    r.picture = picture;
    r.command = 100301;
    return r;
}

TEST(ButtonRules, ActionPopsUpWithTheHoverPicture) {
    ButtonRecord r = record(BUTTON_ACTION);
    buttonHover(&r);
    buttonPress(&r);
    EXPECT_EQ(buttonRelease(&r), unsigned(BUTTON_DO_COMMAND | BUTTON_DO_REPAINT));
    EXPECT_EQ(r.state, BUTTON_NORMAL);
    EXPECT_EQ(r.picture, 103);
    EXPECT_EQ(buttonLeave(&r), unsigned(BUTTON_DO_NOTHING)); // state 0: the hover picture stays...
    buttonHover(&r);                                         // ...until the next move makes it hover
    EXPECT_EQ(buttonLeave(&r), unsigned(BUTTON_DO_REPAINT));
    EXPECT_EQ(r.picture, 101);
}

TEST(ButtonRules, ToggleFlipsAndLeavingUndoesTheFlip) {
    ButtonRecord r = record(BUTTON_TOGGLE, 0, 0);
    buttonPress(&r);
    EXPECT_EQ(r.state, BUTTON_DOWN);
    EXPECT_EQ(r.picture, 102);
    EXPECT_EQ(r.savedPicture, 101); // picture 0 is remembered as 101
    buttonLeave(&r);
    EXPECT_EQ(r.state, BUTTON_NORMAL);
    EXPECT_EQ(r.picture, 101);
    r.state = BUTTON_DOWN;
    r.picture = 103;
    buttonPress(&r);
    EXPECT_EQ(r.state, BUTTON_NORMAL);
    EXPECT_EQ(r.picture, 101);
    EXPECT_EQ(buttonRelease(&r), unsigned(BUTTON_DO_COMMAND | BUTTON_DO_REPAINT));
    EXPECT_EQ(r.state, BUTTON_NORMAL);
    r.state = BUTTON_DOWN;
    r.picture = 103;
    buttonPress(&r);
    buttonLeave(&r);
    EXPECT_EQ(r.state, BUTTON_DOWN);
    EXPECT_EQ(r.picture, 103);
}

} // namespace

// The "more tools" button fills the free arc above the face: a touch target of 40 x 40 at 96 DPI
// lies wholly inside it (and 60 x 60 at 144), it takes no pixel of any other button (the eyes that
// reach into the arc stay theirs), and every other button keeps every pixel it had.
TEST(PaletteLayout, MoreToolsButtonIsALargeTargetBetweenTheEyesAndTakesNothingFromTheOthers) {
    for (int32_t dpi : {96, 144}) {
        Shapes shapes;
        scalePaletteShapes(shapes.s, dpi);
        const int size = paletteSizeForDpi(dpi), side = scaledForDpi(40, dpi);
        std::vector<char> at(size_t(size) * size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                at[size_t(y) * size + x] = pointInButton(shapes.s, BUTTON_N_MORE_TOOLS, x + 0.5, y + 0.5);
        bool target = false;
        for (int y0 = 0; !target && y0 + side <= size; ++y0)
            for (int x0 = 0; !target && x0 + side <= size; ++x0) {
                bool all = true;
                for (int y = y0; all && y < y0 + side; ++y)
                    for (int x = x0; all && x < x0 + side; ++x)
                        all = at[size_t(y) * size + x];
                target = all;
            }
        EXPECT_TRUE(target) << "no " << side << " x " << side << " square inside the button at " << dpi;
        int overlaps = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (at[size_t(y) * size + x])
                    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
                        overlaps += n != BUTTON_N_MORE_TOOLS && pointInButton(shapes.s, n, x + 0.5, y + 0.5);
        EXPECT_EQ(overlaps, 0) << "at " << dpi;
    }
    EXPECT_EQ(paletteButtons[BUTTON_N_MORE_TOOLS].commandKind, COMMAND_STRIP);
    EXPECT_EQ(paletteButtonOfCommand(IDC_MORE_TOOLS), BUTTON_N_MORE_TOOLS);
}

// The strip: its buttons are 48 x 48 at 96 DPI and 72 x 72 at 144 (never under 40 at 96 scaled),
// apart from each other, found under the pointer, one per row of the table with its tooltip.
TEST(ToolStrip, ButtonsLargeApartAndFoundUnderThePointerAtEveryScale) {
    ASSERT_EQ(STRIP_TOOL_COUNT, 11);
    for (int32_t k = 0; k < HIGHLIGHTER_COLOURS; ++k) {
        EXPECT_EQ(stripTools[k].command, TOOL_HIGHLIGHTER_FIRST + k);
        EXPECT_STREQ(stripTools[k].tooltip, "Resaltador");
    }
    EXPECT_EQ(stripTools[4].command, TOOL_RECTANGLE);
    EXPECT_STREQ(stripTools[4].tooltip, "Rect\xE1ngulo");
    EXPECT_EQ(stripTools[5].command, TOOL_ARROW);
    EXPECT_STREQ(stripTools[5].tooltip, "Flecha");
    EXPECT_EQ(stripTools[6].command, TOOL_TEXT);
    EXPECT_STREQ(stripTools[6].tooltip, "Texto");
    const char* presenting[3] = {"Puntero", "Foco", "Cortina"};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(stripTools[7 + k].command, TOOL_POINTER + k);
        EXPECT_STREQ(stripTools[7 + k].tooltip, presenting[k]);
    }
    EXPECT_EQ(stripTools[10].command, IDC_FREEZE_SCREEN);
    EXPECT_STREQ(stripTools[10].tooltip, "Congelar la pantalla en una p\xE1gina nueva");
    EXPECT_EQ(stripToolOfCommand(TOOL_ARROW), 5);
    EXPECT_EQ(stripToolOfCommand(TOOL_PEN), -1);
    EXPECT_EQ(stripToolOfCommand(0), -1);
    for (int32_t dpi : {96, 120, 144, 192}) {
        const StripRect size = stripSize(dpi);
        for (int32_t i = 0; i < STRIP_TOOL_COUNT; ++i) {
            const StripRect r = stripButtonRect(i, dpi);
            EXPECT_EQ(r.right - r.left, scaledForDpi(48, dpi));
            EXPECT_EQ(r.bottom - r.top, scaledForDpi(48, dpi));
            EXPECT_GE(r.right - r.left, scaledForDpi(40, dpi));
            EXPECT_TRUE(r.left > 0 && r.top > 0 && r.right < size.right && r.bottom < size.bottom);
            EXPECT_EQ(stripButtonAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, dpi), i);
            EXPECT_EQ(stripButtonAt(r.left, r.top, dpi), i);
            EXPECT_EQ(stripButtonAt(r.right, r.top, dpi), -1) << "the gap after it";
            if (i > 0) {
                EXPECT_GT(r.left, stripButtonRect(i - 1, dpi).right);
            }
        }
        EXPECT_EQ(stripButtonAt(0, 0, dpi), -1);
        EXPECT_EQ(stripButtonAt(size.right, size.bottom / 2, dpi), -1);
    }
    EXPECT_EQ(stripButtonRect(STRIP_TOOL_COUNT, 96).right, 0);
}

// Beside the palette: above it from its left edge when there is room, below it against the top of
// the work area, and moved inside the work area at its left and right edges.
TEST(ToolStrip, PlacedAboveThePaletteOrBelowItAndAlwaysInsideTheWorkArea) {
    const MonitorBox work = {0, 0, 1920, 1040};
    const StripRect s96 = stripSize(96);
    const BoxPoint home = paletteHome(work, 96);
    const MonitorBox atHome = {home.x, home.y, home.x + 220, home.y + 220};
    BoxPoint p = stripPlace(atHome, work, 96);
    EXPECT_EQ(p.x, std::min(atHome.left, work.right - s96.right)) << "from the palette's left, inside";
    EXPECT_EQ(p.y, atHome.top - 6 - s96.bottom);
    p = stripPlace({300, 10, 520, 230}, work, 96);
    EXPECT_EQ(p.y, 230 + 6) << "no room above: below";
    p = stripPlace({1850, 500, 2070, 720}, work, 96);
    EXPECT_EQ(p.x, 1920 - s96.right) << "kept inside on the right";
    const MonitorBox second = {1920, 0, 3200, 800};
    const StripRect s144 = stripSize(144);
    p = stripPlace({1920 - 100, 400, 1920 + 230, 730}, second, 144);
    EXPECT_EQ(p.x, 1920);
    EXPECT_EQ(p.y, 400 - 9 - s144.bottom);
}
