#include "palette/core/palette_layout.h"

#include <cstddef>
#include <vector>

#include "win32/core/dpi_scale.h"
#include "win32/ids.h"

namespace {

constexpr PaletteShapeEntry circle(int32_t radius) {
    return {SHAPE_CIRCLE, 0, 0, radius, 0, 0, 0, 0, 0};
}
constexpr PaletteShapeEntry ellipse(int32_t ax, int32_t ay, int32_t cx, int32_t cy, double tilt) {
    return {SHAPE_ELLIPSE, ax, ay, 0, 0, 0, cx, cy, tilt};
}
constexpr PaletteShapeEntry sector(int32_t radius, double from, double to, int32_t cy) {
    return {SHAPE_SECTOR, 0, 0, radius, from, to, 0, cy, 0};
}
// The ring's wedges: much larger than the palette, cut by the disc.
constexpr PaletteShapeEntry wedge(double from, double to) {
    return sector(500, from, to, 20);
}

constexpr RegionRecipe ring(int sector, int rim) {
    return {REGION_RING, shapeOfSector(sector), 0, rim};
}
constexpr RegionRecipe polygon(int shape) {
    return {REGION_POLYGON, shape, 0, RIM_NONE};
}

} // namespace

// The eyes sit 21 degrees (21 x 3.14 / 180 = 0.36633333333333334 rad) either side of straight up,
// 57.5 pixels from the layout origin: (trunc(+-sin(a) x 57.5), trunc(-cos(a) x 57.5)) = (+-20, -53).
const PaletteShapeEntry paletteShapeEntries[PALETTE_SHAPE_COUNT] = {
    circle(110),                    // disc
    ellipse(90, 72, 0, 20, 0.0),    // inner ellipse: the ring's inner edge
    ellipse(86, 67, 0, 20, 0.0),    // face
    sector(110, 194, 247, 0),       // 0: colour rim, outer
    sector(102, 180, 251, 0),       // 1: colour rim, inner
    sector(110, 294, 346, 0),       // 2: width rim, outer
    sector(102, 289, 350, 0),       // 3: width rim, inner
    wedge(340, 358),                // 4: eraser
    wedge(2, 20),                   // 5: clear
    wedge(22, 40),                  // 6: cut
    wedge(42, 60),                  // 7: desktop mode
    wedge(122, 140),                // 8: board mode
    wedge(142, 160),                // 9: ellipse
    wedge(162, 180),                // 10: line
    wedge(182, 200),                // 11: pen
    wedge(204, 215),                // 12: black
    wedge(214, 226),                // 13: red
    wedge(225, 238),                // 14: green
    wedge(237, 251),                // 15: blue
    wedge(325, 336),                // 16: width 0 (thinnest)
    wedge(314, 326),                // 17: width 1
    wedge(302, 315),                // 18: width 2
    wedge(291, 303),                // 19: width 3 (thickest)
    ellipse(8, 5, 20, -53, 30.0),   // right eye
    ellipse(8, 5, -20, -53, -30.0), // left eye
    wedge(62, 80),                  // 20: undo, in the free arc between sectors 7 and 8
    wedge(82, 100),                 // 21: redo
    wedge(102, 120),                // 22: save
    wedge(254, 289),                // 23: more tools, in the free arc above the face, between the eyes
};

const RegionRecipe rimRecipes[2] = {
    {REGION_RIM, shapeOfSector(0), shapeOfSector(1), RIM_NONE},
    {REGION_RIM, shapeOfSector(2), shapeOfSector(3), RIM_NONE},
};

const PaletteButtonEntry paletteButtons[PALETTE_BUTTON_COUNT] = {
    {BUTTON_INDICATOR, 0, COMMAND_NONE, PICTURE_COLOUR_MARK_FIRST, 0, 0, "", rimRecipes[RIM_COLOUR]},
    {BUTTON_INDICATOR, 0, COMMAND_NONE, PICTURE_WIDTH_MARK_FIRST + 1, 0, 0, "", rimRecipes[RIM_WIDTH]},
    {BUTTON_PLAIN, IDC_HIDE, COMMAND_HIDE, PICTURE_NORMAL, 0, 0, "Minimizar", polygon(SHAPE_RIGHT_EYE)},
    {BUTTON_PLAIN, IDC_HOME, COMMAND_HOME, PICTURE_NORMAL, 0, 0, "Restaurar", polygon(SHAPE_LEFT_EYE)},
    {BUTTON_TOOL, IDC_ERASER, COMMAND_TOOL, PICTURE_NORMAL, 0, 0, "Borrar", ring(4, RIM_NONE)},
    {BUTTON_ACTION, IDC_CLEAR, COMMAND_PAGE, PICTURE_NORMAL, 0, 0, "Limpiar", ring(5, RIM_NONE), true,
     UM_PAGE_CLEAR},
    {BUTTON_TOOL, IDC_CUT, COMMAND_TOOL, PICTURE_NORMAL, 0, 0, "Cortar", ring(6, RIM_NONE)},
    {BUTTON_TOGGLE, IDC_DESKTOP, COMMAND_MODE, PICTURE_NORMAL, 0, 0, "Windows / Nota", ring(7, RIM_NONE)},
    {BUTTON_TOGGLE, IDC_BOARD, COMMAND_MODE, PICTURE_NORMAL, 0, 0, "Windows / Velmora", ring(8, RIM_NONE)},
    {BUTTON_TOOL, IDC_ELLIPSE, COMMAND_TOOL, PICTURE_NORMAL, 0, 0, "Elipse", ring(9, RIM_NONE)},
    {BUTTON_TOOL, IDC_LINE, COMMAND_TOOL, PICTURE_NORMAL, 0, 0, "L\xEDnea", ring(10, RIM_NONE)},
    {BUTTON_TOOL, IDC_PEN, COMMAND_TOOL, PICTURE_PRESSED, BUTTON_DOWN, 0, "Pluma", ring(11, RIM_NONE)},
    {BUTTON_SWATCH, IDC_BLACK, COMMAND_COLOUR, 0, 0, 0x000000, "Color", ring(12, RIM_COLOUR)},
    {BUTTON_SWATCH, IDC_RED, COMMAND_COLOUR, 0, 0, 0x0000FF, "Color", ring(13, RIM_COLOUR)},
    {BUTTON_SWATCH, IDC_GREEN, COMMAND_COLOUR, 0, 0, 0x00FF00, "Color", ring(14, RIM_COLOUR)},
    {BUTTON_SWATCH, IDC_BLUE, COMMAND_COLOUR, 0, 0, 0xFF0000, "Color", ring(15, RIM_COLOUR)},
    {BUTTON_PLAIN, IDC_WIDTH_0, COMMAND_WIDTH, PICTURE_NORMAL, 0, 0, "Espesor ", ring(16, RIM_WIDTH)},
    {BUTTON_PLAIN, IDC_WIDTH_1, COMMAND_WIDTH, PICTURE_NORMAL, 0, 0, "Espesor ", ring(17, RIM_WIDTH)},
    {BUTTON_PLAIN, IDC_WIDTH_2, COMMAND_WIDTH, PICTURE_NORMAL, 0, 0, "Espesor ", ring(18, RIM_WIDTH)},
    {BUTTON_PLAIN, IDC_WIDTH_3, COMMAND_WIDTH, PICTURE_NORMAL, 0, 0, "Espesor ", ring(19, RIM_WIDTH)},
    {BUTTON_GRIP, IDC_FACE, COMMAND_NONE, PICTURE_LOGO, 0, 0, "", polygon(SHAPE_FACE_ELLIPSE), false},
    {BUTTON_ACTION, IDC_UNDO, COMMAND_PAGE, PICTURE_NORMAL, 0, 0, "Deshacer", ring(20, RIM_NONE), true,
     UM_PAGE_UNDO},
    {BUTTON_ACTION, IDC_REDO, COMMAND_PAGE, PICTURE_NORMAL, 0, 0, "Rehacer", ring(21, RIM_NONE), true,
     UM_PAGE_REDO},
    {BUTTON_ACTION, IDC_SAVE, COMMAND_SAVE, PICTURE_NORMAL, 0, 0, "Guardar", ring(22, RIM_NONE)},
    {BUTTON_ACTION, IDC_MORE_TOOLS, COMMAND_STRIP, PICTURE_NORMAL, 0, 0, "M\xE1s herramientas",
     ring(23, RIM_EYES)},
};

int paletteButtonOfCommand(int32_t id) {
    if (id == 0)
        return -1;
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        if (paletteButtons[n].command == id)
            return n;
    return -1;
}

const int paletteButtonCreationOrder[PALETTE_BUTTON_COUNT] = {4,  5,  6,  7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                                              17, 18, 19, 0, 1, 2, 3,  21, 22, 23, 24, 20};

void preparePaletteShape(PaletteShape* shape, int index) {
    freeShape(shape);
    if (index < 0 || index >= PALETTE_SHAPE_COUNT)
        return;
    const PaletteShapeEntry& entry = paletteShapeEntries[index];
    shape->semiAxisX = entry.semiAxisX;
    shape->semiAxisY = entry.semiAxisY;
    shape->radius = entry.radius;
    shape->startAngle = entry.startAngle;
    shape->endAngle = entry.endAngle;
    shape->center = {entry.centerX, entry.centerY};
    shape->tilt = entry.tilt;
    switch (entry.kind) {
    case SHAPE_CIRCLE:
        buildCircle(shape);
        break;
    case SHAPE_SECTOR:
        buildSector(shape);
        break;
    case SHAPE_ELLIPSE:
        buildEllipse(shape);
        break;
    }
    rotateShape(shape, PALETTE_ROTATION, PALETTE_CENTER, PALETTE_CENTER);
}

void preparePaletteShapes(PaletteShape shapes[PALETTE_SHAPE_COUNT]) {
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i)
        preparePaletteShape(&shapes[i], i);
}

void freePaletteShapes(PaletteShape shapes[PALETTE_SHAPE_COUNT]) {
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i)
        freeShape(&shapes[i]);
}

int32_t paletteSizeForDpi(int32_t dpi) {
    return scaledForDpi(PALETTE_SIZE, dpi);
}

void scalePaletteShapes(PaletteShape shapes[PALETTE_SHAPE_COUNT], int32_t dpi) {
    if (knownDpi(dpi) == BASE_DPI)
        return;
    for (int i = 0; i < PALETTE_SHAPE_COUNT; ++i)
        for (int32_t k = 0; shapes[i].points && k < shapes[i].pointCount; ++k) {
            shapes[i].points[k].x = scaledForDpi(shapes[i].points[k].x, dpi);
            shapes[i].points[k].y = scaledForDpi(shapes[i].points[k].y, dpi);
        }
}

int shapeErrorNumber(int index) {
    if (index == SHAPE_DISC)
        return 1;
    if (index == SHAPE_INNER_ELLIPSE)
        return 2;
    if (index == SHAPE_FACE_ELLIPSE)
        return 3;
    if (index >= SHAPE_SECTOR_FIRST && index < SHAPE_SECTOR_FIRST + 20)
        return index - SHAPE_SECTOR_FIRST;
    if (index >= SHAPE_LATE_SECTOR_FIRST && index < PALETTE_SHAPE_COUNT)
        return 20 + index - SHAPE_LATE_SECTOR_FIRST;
    return -1;
}

bool pointInRecipe(const PaletteShape shapes[PALETTE_SHAPE_COUNT], const RegionRecipe& recipe, double x,
                   double y) {
    auto in = [&](int shape) {
        return shape >= 0 && shape < PALETTE_SHAPE_COUNT && pointInShape(&shapes[shape], x, y);
    };
    switch (recipe.kind) {
    case REGION_POLYGON:
        return in(recipe.shapeA);
    case REGION_RIM:
        return in(recipe.shapeA) && !in(recipe.shapeB);
    case REGION_RING:
        if (!in(recipe.shapeA) || in(SHAPE_INNER_ELLIPSE) || !in(SHAPE_DISC))
            return false;
        if (recipe.rim == RIM_COLOUR || recipe.rim == RIM_WIDTH)
            return !pointInRecipe(shapes, rimRecipes[recipe.rim], x, y);
        if (recipe.rim == RIM_EYES)
            return !in(SHAPE_RIGHT_EYE) && !in(SHAPE_LEFT_EYE);
        return true;
    }
    return false;
}

bool pointInButton(const PaletteShape shapes[PALETTE_SHAPE_COUNT], int n, double x, double y) {
    if (n < 0 || n >= PALETTE_BUTTON_COUNT)
        return false;
    return pointInRecipe(shapes, paletteButtons[n].region, x, y);
}

int paletteButtonAt(const PaletteShape shapes[PALETTE_SHAPE_COUNT], double x, double y) {
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        if (pointInButton(shapes, n, x, y))
            return n;
    return -1;
}

void paletteButtonInnerPoints(const PaletteShape shapes[PALETTE_SHAPE_COUNT], int xs[PALETTE_BUTTON_COUNT],
                              int ys[PALETTE_BUTTON_COUNT], bool found[PALETTE_BUTTON_COUNT], int32_t size) {
    // Each pixel's button, looked up once: the search below looks at each pixel several times.
    std::vector<int8_t> labels(std::size_t(size) * size);
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px)
            labels[std::size_t(py) * size + px] = int8_t(paletteButtonAt(shapes, px + 0.5, py + 0.5));
    auto at = [&](int px, int py) {
        return px < 0 || py < 0 || px >= size || py >= size ? -1 : labels[std::size_t(py) * size + px];
    };
    double sumX[PALETTE_BUTTON_COUNT] = {}, sumY[PALETTE_BUTTON_COUNT] = {};
    int count[PALETTE_BUTTON_COUNT] = {};
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            const int n = at(px, py);
            if (n < 0)
                continue;
            if (count[n] == 0) {
                xs[n] = px; // a narrow button with no deep pixel gets its first one
                ys[n] = py;
            }
            sumX[n] += px;
            sumY[n] += py;
            ++count[n];
        }
    double best[PALETTE_BUTTON_COUNT];
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        found[n] = count[n] > 0;
        best[n] = -1;
    }
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px) {
            const int n = at(px, py);
            if (n < 0 || at(px + 2, py) != n || at(px - 2, py) != n || at(px, py + 2) != n ||
                at(px, py - 2) != n)
                continue;
            const double cx = sumX[n] / count[n], cy = sumY[n] / count[n];
            const double d = (px - cx) * (px - cx) + (py - cy) * (py - cy);
            if (best[n] < 0 || d < best[n]) {
                best[n] = d;
                xs[n] = px;
                ys[n] = py;
            }
        }
}

bool paletteButtonInnerPoint(const PaletteShape shapes[PALETTE_SHAPE_COUNT], int n, int* x, int* y,
                             int32_t size) {
    int xs[PALETTE_BUTTON_COUNT], ys[PALETTE_BUTTON_COUNT];
    bool found[PALETTE_BUTTON_COUNT];
    paletteButtonInnerPoints(shapes, xs, ys, found, size);
    if (n < 0 || n >= PALETTE_BUTTON_COUNT || !found[n])
        return false;
    *x = xs[n];
    *y = ys[n];
    return true;
}

namespace {

constexpr int32_t PALETTE_GAP = 35; // from the palette to the work area's right and bottom edges, at 96 DPI

} // namespace

BoxPoint paletteHome(const MonitorBox& work, int32_t dpi) {
    const int32_t inset = scaledForDpi(PALETTE_SIZE, dpi) + scaledForDpi(PALETTE_GAP, dpi);
    return {work.right - inset, work.bottom - inset};
}

BoxPoint paletteInside(BoxPoint at, const MonitorBox& work, int32_t dpi) {
    const int32_t size = scaledForDpi(PALETTE_SIZE, dpi);
    const bool overlaps =
        at.x < work.right && at.x + size > work.left && at.y < work.bottom && at.y + size > work.top;
    return overlaps ? keepInside(at, size, size, work) : paletteHome(work, dpi);
}
