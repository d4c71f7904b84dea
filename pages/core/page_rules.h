#pragma once
// The exact rules of the drawing pages, free of the platform: pointer decoding and clamping, the
// canvas size, the eraser's square and hull, the capture's clamping, the cut tool's "inside" test
// and its transitions, and the cursor each tool shows.

#include <cstdint>

#include "resources/resource_ids.h"

// Tool ids, kept in DrawState::tool: the palette's command ids of the tool buttons (IDC_PEN is
// TOOL_PEN, and so on).
constexpr int32_t TOOL_ERASER = 100301;
constexpr int32_t TOOL_CUT = 100303;
constexpr int32_t TOOL_ELLIPSE = 100306;
constexpr int32_t TOOL_LINE = 100307;
constexpr int32_t TOOL_PEN = 100308;
// The outline tools of the palette's tool strip.
constexpr int32_t TOOL_RECTANGLE = 100309;
constexpr int32_t TOOL_ARROW = 100310;
// The text tool of the strip: a tap opens a text box there (pages/text_box.h).
constexpr int32_t TOOL_TEXT = 100315;

// The gesture a page has under way (PageRecord::dragState).
enum DragState : int32_t {
    DRAG_IDLE = 0,     // no gesture
    DRAG_HELD = 1,     // button held: a stroke, a rubber band or a selection frame
    DRAG_CUT_HELD = 2, // a cut-out is held (cut tool only)
    DRAG_CUT_MOVE = 3, // the cut-out is being dragged (cut tool only)
};

// The smallest canvas, whatever the screen.
constexpr int32_t CANVAS_MIN_WIDTH = 2000;
constexpr int32_t CANVAS_MIN_HEIGHT = 1500;

struct IntPoint {
    int32_t x;
    int32_t y;
};

// An ordered rectangle: left <= right, top <= bottom; right and bottom are outside it.
struct IntRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The two corners of a cut selection as the pointer gave them (not ordered).
struct Corners {
    int32_t x1;
    int32_t y1;
    int32_t x2;
    int32_t y2;
};

// x is the low 16 bits and y the high 16 bits of a mouse message's lParam, both signed, as
// GET_X_LPARAM and GET_Y_LPARAM take them: a page that holds the mouse gets negative client
// coordinates for a pointer left of or above it (on another monitor), not values near 65535.
IntPoint pointerFromLParam(uint32_t lParam);

// The pointer held inside the drawing surface, (0, 0) to (width - 1, height - 1): a gesture dragged
// past an edge follows that edge instead of running off to where the surface cannot show it. A
// surface without pixels gives (0, 0).
IntPoint clampToSurface(IntPoint p, int32_t width, int32_t height);

// The canvas covers at least 2000 x 1500 and at least the whole screen.
IntPoint canvasSize(int32_t screenWidth, int32_t screenHeight);

// The eraser's square around (x, y): (x-h, y-h), (x+h, y-h), (x+h, y+h), (x-h, y+h), h = size / 2.
void eraserSquare(IntPoint centre, int32_t size, IntPoint out[4]);

// The hexagon that covers the eraser square swept from p to q (the hull of both squares), its
// corners in the fixed order of the four direction cases; equal coordinates count as ">=".
void eraserHull(IntPoint p, IntPoint q, int32_t size, IntPoint out[6]);

// Clamps a capture rectangle to a device of the given resolution. Returns false when the
// rectangle is empty before or after clamping (nothing to capture).
bool clampCaptureRect(const IntRect& rect, int32_t horzRes, int32_t vertRes, IntRect* out);

// The corners ordered by min/max.
IntRect orderedCorners(const Corners& c);

// Strictly inside the ordered selection: left < x < right and top < y < bottom.
bool strictlyInside(const Corners& selection, IntPoint p);

// Events of the cut tool.
enum class CutEvent { ButtonDown, ButtonUp };

// The cut tool's next dragState; `inside` says whether the pointer is strictly inside the
// (moved) selection. States and events outside the table keep the state.
DragState cutNextState(DragState state, CutEvent event, bool inside);

// The eraser's cursor for its size (8, 16, 32 or 64 at 96 DPI): at another dpi the size is scaled
// back to 96 and the cursor is the one of the nearest of the four sizes.
int32_t eraserCursorId(int32_t eraserSize, int32_t dpi = 96);

// The cursor a tool shows while it is current and no gesture says otherwise; 0 for an id the
// pages do not know (the cursor then stays as it is).
int32_t toolCursorId(int32_t tool, int32_t eraserSize, int32_t dpi = 96);

// The arrow tool's outline for a drag from `from` to `to` with a pen penWidth wide: a shaft drawn
// with the pen from `from` to the middle of the head's base, and a filled head whose tip is `to`,
// ARROW_HEAD_WIDTHS pen widths long and as wide as it is long, pointing along the drag.
constexpr int32_t ARROW_HEAD_WIDTHS = 5;
struct ArrowOutline {
    IntPoint shaftFrom, shaftTo;
    IntPoint head[3]; // the tip (`to`), then the base's two corners
};
// False, *out untouched, for a drag shorter than the head: such a drag draws no arrow.
bool arrowOutline(IntPoint from, IntPoint to, int32_t penWidth, ArrowOutline* out);
// The pixels an arrow's outline can touch with a pen penWidth wide, right and bottom outside.
IntRect arrowBounds(const ArrowOutline& arrow, int32_t penWidth);

// A gesture is under way while the button is meant to be held: a stroke, a rubber band or a
// selection frame (DRAG_HELD) and a dragged cut-out (DRAG_CUT_MOVE).
bool gestureUnderWay(DragState dragState);
