#pragma once
// The palette's layout as data: every shape with its constants, how each of the 24 buttons'
// regions is combined from the shapes, and what each button is (kind, command, tooltip, picture).
// The palette window builds its regions and buttons from these tables; the picture generator draws
// the palette pictures from the same shapes, so every button's region frames its own field.
#include <cstdint>

#include "palette/core/button_rules.h"
#include "palette/core/palette_geometry.h"
#include "pages/core/page_rules.h"
#include "resources/resource_ids.h"
#include "win32/core/board_monitor.h"

constexpr int32_t PALETTE_SIZE = 220;      // the palette window is 220 x 220 at 96 DPI
constexpr int32_t PALETTE_CENTER = 110;    // the layout origin lands at (110, 110)
constexpr double PALETTE_ROTATION = -30.0; // the whole design is turned 30 degrees counter-clockwise

// Shape indices, in building order.
enum PaletteShapeIndex {
    SHAPE_DISC = 0,
    SHAPE_INNER_ELLIPSE = 1,
    SHAPE_FACE_ELLIPSE = 2,
    SHAPE_SECTOR_FIRST = 3, // sector i is SHAPE_SECTOR_FIRST + i, i = 0 .. 19
    SHAPE_RIGHT_EYE = SHAPE_SECTOR_FIRST + 20,
    SHAPE_LEFT_EYE,
    SHAPE_LATE_SECTOR_FIRST, // sectors 20 .. 23 (undo, redo, save, more tools) come after the eyes,
                             // so that every earlier shape keeps its index and building step
    PALETTE_SHAPE_COUNT = SHAPE_LATE_SECTOR_FIRST + 4
};
constexpr int PALETTE_SECTOR_COUNT = 24;
constexpr int shapeOfSector(int sector) {
    return sector < 20 ? SHAPE_SECTOR_FIRST + sector : SHAPE_LATE_SECTOR_FIRST + sector - 20;
}

enum ShapeKind { SHAPE_CIRCLE, SHAPE_SECTOR, SHAPE_ELLIPSE };

struct PaletteShapeEntry {
    ShapeKind kind;
    int32_t semiAxisX, semiAxisY, radius;
    double startAngle, endAngle;
    int32_t centerX, centerY;
    double tilt; // radians, as stored (the eyes' 30 and -30 are radians, not degrees)
};
extern const PaletteShapeEntry paletteShapeEntries[PALETTE_SHAPE_COUNT];

// Fills the shape with the parameters of table entry index, builds its polygon and turns it onto
// the palette (rotateShape(shape, -30.0, 110, 110)). Any points it held before are released.
void preparePaletteShape(PaletteShape* shape, int index);
// All shapes in building order.
void preparePaletteShapes(PaletteShape shapes[PALETTE_SHAPE_COUNT]);
void freePaletteShapes(PaletteShape shapes[PALETTE_SHAPE_COUNT]);

// The palette at another scale: its side, and its prepared shapes with every vertex scaled from
// 96 DPI to dpi (scaledForDpi, win32/core/dpi_scale.h); at 96 the shapes are left as they are.
int32_t paletteSizeForDpi(int32_t dpi);
void scalePaletteShapes(PaletteShape shapes[PALETTE_SHAPE_COUNT], int32_t dpi);

// The number the "error" message box shows when the region of a shape cannot be made: 1 disc,
// 2 inner ellipse, 3 face ellipse, the sector index 0 .. 19 for a sector; -1 for the eyes, whose
// regions are not checked.
int shapeErrorNumber(int index);

// How a button's region is combined from the shape regions.
enum RegionRecipeKind {
    REGION_RING,    // (shapeA minus inner ellipse) and disc, then minus the rim named by rim
    REGION_RIM,     // shapeA minus shapeB
    REGION_POLYGON, // shapeA's polygon alone
};
// RIM_EYES is no rim: a ring button that reaches the eyes (the "more tools" button, in the free arc
// above the face) leaves them out of its region, so each eye stays a button of its own.
enum RimIndex { RIM_NONE = -1, RIM_COLOUR = 0, RIM_WIDTH = 1, RIM_EYES = 2 };
struct RegionRecipe {
    RegionRecipeKind kind;
    int shapeA;
    int shapeB; // REGION_RIM only
    int rim;    // REGION_RING only: RIM_NONE, RIM_COLOUR, RIM_WIDTH or RIM_EYES
};
// The rim bands themselves: colour rim sector 0 minus sector 1, width rim sector 2 minus sector 3.
extern const RegionRecipe rimRecipes[2];

constexpr int PALETTE_BUTTON_COUNT = 25;
enum PaletteButtonIndex {
    BUTTON_N_COLOUR_RIM = 0,
    BUTTON_N_WIDTH_RIM = 1,
    BUTTON_N_RIGHT_EYE = 2,
    BUTTON_N_LEFT_EYE = 3,
    BUTTON_N_ERASER = 4,
    BUTTON_N_CLEAR = 5,
    BUTTON_N_CUT = 6,
    BUTTON_N_DESKTOP = 7,
    BUTTON_N_BOARD = 8,
    BUTTON_N_ELLIPSE = 9,
    BUTTON_N_LINE = 10,
    BUTTON_N_PEN = 11,
    BUTTON_N_BLACK = 12,   // colours 12 .. 15: black, red, green, blue
    BUTTON_N_WIDTH_0 = 16, // widths 16 .. 19: thinnest to thickest
    BUTTON_N_FACE = 20,
    BUTTON_N_UNDO = 21, // in the free arc between the desktop and board buttons: sectors 20 .. 22
    BUTTON_N_REDO = 22,
    BUTTON_N_SAVE = 23,
    BUTTON_N_MORE_TOOLS = 24, // in the free arc above the face, between the colours and the widths
};

// Command ids; the palette passes and compares the whole 32-bit wParam (they exceed 65535).
enum PaletteCommand : int32_t {
    IDC_FACE = 100001,
    IDC_BLACK = 100101,
    IDC_RED = 100102,
    IDC_GREEN = 100103,
    IDC_BLUE = 100104,
    IDC_WIDTH_0 = 100201,
    IDC_WIDTH_1 = 100202,
    IDC_WIDTH_2 = 100203,
    IDC_WIDTH_3 = 100204,
    IDC_ERASER = TOOL_ERASER,
    IDC_CLEAR = 100302,
    IDC_CUT = TOOL_CUT,
    IDC_DESKTOP = 100304,
    IDC_BOARD = 100305,
    IDC_ELLIPSE = TOOL_ELLIPSE,
    IDC_LINE = TOOL_LINE,
    IDC_PEN = TOOL_PEN,
    IDC_HIDE = 100401,
    IDC_HOME = 100402,
    IDC_UNDO = 100403,
    IDC_REDO = 100404,
    IDC_SAVE = 100405,
    IDC_MORE_TOOLS = 100406,
};

// Picture ids of the palette: its bitmap resources, 220 x 220 but the logo.
enum PalettePicture : int32_t {
    PICTURE_LOGO = IDB_PALETTE_LOGO,                   // stretched onto the face
    PICTURE_NORMAL = IDB_PALETTE_NORMAL,               // grey ring
    PICTURE_PRESSED = IDB_PALETTE_PRESSED,             // orange ring
    PICTURE_HOVER = IDB_PALETTE_HOVER,                 // light ring, paler fields
    PICTURE_COLOUR_MARK_FIRST = IDB_COLOUR_MARK_BLACK, // + 0 .. 3: colour rim at black, red, green, blue
    PICTURE_WIDTH_MARK_FIRST = IDB_WIDTH_MARK_0,       // + 0 .. 3: width rim at width 0 .. 3
};

// What the palette does with a button's command. A new command button is a row of the button
// table; one that sends the current page a message needs no new case in the palette.
enum PaletteCommandKind : int32_t {
    COMMAND_NONE = 0, // rims and face: the palette ignores the id
    COMMAND_COLOUR,   // a swatch: its colour becomes the stroke colour
    COMMAND_WIDTH,    // a width: the pen's width, or the eraser's size while erasing
    COMMAND_TOOL,     // a drawing tool: the id is the tool (TOOL_*)
    COMMAND_PAGE,     // the current page gets the entry's pageMessage
    COMMAND_MODE,     // desktop or board mode
    COMMAND_HIDE,     // hide the palette and the pages
    COMMAND_HOME,     // move the palette back to its first place
    COMMAND_SAVE,     // save what the current page's monitor shows as a picture
    COMMAND_STRIP,    // open or close the tool strip beside the palette
};

struct PaletteButtonEntry {
    int32_t kind;        // ButtonKind, as the button finally is (clear an action, the modes toggles)
    int32_t command;     // 0 for the rims
    int32_t commandKind; // PaletteCommandKind
    int32_t picture;     // at start; 0 for the swatches
    int32_t state;       // at start: 2 for the pen, else 0
    int32_t colour;      // swatches: COLORREF 0x00BBGGRR
    const char* tooltip; // Windows-1252, at most 31 bytes
    RegionRecipe region;
    bool visibleAtCreation = true; // the face is created hidden and shown once it has its record
    uint32_t pageMessage = 0;      // COMMAND_PAGE: the message sent to the current page
};
extern const PaletteButtonEntry paletteButtons[PALETTE_BUTTON_COUNT];

// The button n whose command is id; -1 for 0 and for an id no button sends.
int paletteButtonOfCommand(int32_t id);

// The order in which the palette creates the buttons: n = 4 .. 11, 12 .. 15, 16 .. 19, 0, 1, 2, 3,
// 21, 22, 23, 24, 20 (the face last, as before the undo, redo, save and more-tools buttons came).
extern const int paletteButtonCreationOrder[PALETTE_BUTTON_COUNT];

// Pen widths and eraser sizes selected by the width buttons, pixels at 96 DPI (scaled by the board
// monitor's DPI where they are used).
constexpr int32_t penWidths[4] = {2, 4, 8, 16};
constexpr int32_t eraserSizes[4] = {8, 16, 32, 64};

// Hit tests on prepared shapes (preparePaletteShapes), with the polygons' winding rule. They follow
// the region recipes, so the picture generator and the tests agree with the window regions up to
// the platform's rounding of region edges.
bool pointInRecipe(const PaletteShape shapes[PALETTE_SHAPE_COUNT], const RegionRecipe& recipe, double x,
                   double y);
bool pointInButton(const PaletteShape shapes[PALETTE_SHAPE_COUNT], int n, double x, double y);
// The button whose region holds (x, y), or -1 for a hole (gap, band, corner).
int paletteButtonAt(const PaletteShape shapes[PALETTE_SHAPE_COUNT], double x, double y);
// A pixel well inside button n, for touching it: the pixel nearest the centre of all the button's
// pixels that has the same button two pixels off on every side (a narrow button without one gets
// its first pixel). False when the button has no pixel at all. size is the palette's side the
// shapes were scaled to.
bool paletteButtonInnerPoint(const PaletteShape shapes[PALETTE_SHAPE_COUNT], int n, int* x, int* y,
                             int32_t size = PALETTE_SIZE);
// The same for every button at once (each pixel's button looked up once): found[n] false for a
// button with no pixel.
void paletteButtonInnerPoints(const PaletteShape shapes[PALETTE_SHAPE_COUNT], int xs[PALETTE_BUTTON_COUNT],
                              int ys[PALETTE_BUTTON_COUNT], bool found[PALETTE_BUTTON_COUNT],
                              int32_t size = PALETTE_SIZE);

// The palette's first place (its top-left corner): PALETTE_SIZE square, 35 pixels in from the right
// and bottom edges of the work area, as the first place on a single screen is from its edges;
// both sizes at 96 DPI, scaled by the monitor's dpi.
BoxPoint paletteHome(const MonitorBox& work, int32_t dpi = 96);

// Where the palette goes when the board's monitor changed (PALETTE_SIZE square at 96 DPI at `at`):
// where it is while inside the work area; moved the least when partly outside (a smaller
// resolution); its first place on the monitor when wholly outside (it was on another monitor).
BoxPoint paletteInside(BoxPoint at, const MonitorBox& work, int32_t dpi = 96);
