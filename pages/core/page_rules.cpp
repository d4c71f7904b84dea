#include "pages/core/page_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "win32/core/dpi_scale.h"
#include "pages/core/highlight.h"
#include "presenting/core/presenting_rules.h"

IntPoint pointerFromLParam(uint32_t lParam) {
    return {static_cast<int16_t>(lParam & 0xFFFFu), static_cast<int16_t>((lParam >> 16) & 0xFFFFu)};
}

namespace {

int32_t clampAxis(int32_t v, int32_t size) {
    if (v >= size)
        v = size - 1;
    return v < 0 ? 0 : v;
}

} // namespace

IntPoint clampToSurface(IntPoint p, int32_t width, int32_t height) {
    return {clampAxis(p.x, width), clampAxis(p.y, height)};
}

IntPoint canvasSize(int32_t screenWidth, int32_t screenHeight) {
    return {screenWidth > CANVAS_MIN_WIDTH ? screenWidth : CANVAS_MIN_WIDTH,
            screenHeight > CANVAS_MIN_HEIGHT ? screenHeight : CANVAS_MIN_HEIGHT};
}

void eraserSquare(IntPoint c, int32_t size, IntPoint out[4]) {
    const int32_t h = size / 2;
    out[0] = {c.x - h, c.y - h};
    out[1] = {c.x + h, c.y - h};
    out[2] = {c.x + h, c.y + h};
    out[3] = {c.x - h, c.y + h};
}

namespace {

// Corner offsets (sign of h on x, sign on y) of the three corners around P and the three around Q,
// one row per direction case.
struct HullRow {
    int8_t p[3][2];
    int8_t q[3][2];
};

constexpr HullRow HULL_UP_LEFT = {{{-1, +1}, {+1, +1}, {+1, -1}}, {{+1, -1}, {-1, -1}, {-1, +1}}};
constexpr HullRow HULL_DOWN_LEFT = {{{+1, +1}, {+1, -1}, {-1, -1}}, {{-1, -1}, {-1, +1}, {+1, +1}}};
constexpr HullRow HULL_UP_RIGHT = {{{-1, -1}, {-1, +1}, {+1, +1}}, {{+1, +1}, {+1, -1}, {-1, -1}}};
constexpr HullRow HULL_DOWN_RIGHT = {{{+1, -1}, {-1, -1}, {-1, +1}}, {{-1, +1}, {+1, +1}, {+1, -1}}};

} // namespace

void eraserHull(IntPoint p, IntPoint q, int32_t size, IntPoint out[6]) {
    const int32_t h = size / 2;
    const HullRow* row;
    if (q.x < p.x)
        row = q.y < p.y ? &HULL_UP_LEFT : &HULL_DOWN_LEFT;
    else
        row = q.y < p.y ? &HULL_UP_RIGHT : &HULL_DOWN_RIGHT;
    for (int i = 0; i < 3; ++i) {
        out[i] = {p.x + row->p[i][0] * h, p.y + row->p[i][1] * h};
        out[3 + i] = {q.x + row->q[i][0] * h, q.y + row->q[i][1] * h};
    }
}

bool clampCaptureRect(const IntRect& rect, int32_t horzRes, int32_t vertRes, IntRect* out) {
    if (rect.right <= rect.left || rect.bottom <= rect.top)
        return false;
    IntRect r = rect;
    if (r.left < 0)
        r.left = 0;
    if (r.top < 0)
        r.top = 0;
    if (r.right > horzRes)
        r.right = horzRes;
    if (r.bottom > vertRes)
        r.bottom = vertRes;
    if (r.right <= r.left || r.bottom <= r.top)
        return false;
    *out = r;
    return true;
}

IntRect orderedCorners(const Corners& c) {
    return {c.x1 < c.x2 ? c.x1 : c.x2, c.y1 < c.y2 ? c.y1 : c.y2, c.x1 < c.x2 ? c.x2 : c.x1,
            c.y1 < c.y2 ? c.y2 : c.y1};
}

bool strictlyInside(const Corners& selection, IntPoint p) {
    const IntRect r = orderedCorners(selection);
    return r.left < p.x && p.x < r.right && r.top < p.y && p.y < r.bottom;
}

DragState cutNextState(DragState state, CutEvent event, bool inside) {
    switch (state) {
    case DRAG_IDLE:
        return event == CutEvent::ButtonDown ? DRAG_HELD : DRAG_IDLE;
    case DRAG_HELD:
        return event == CutEvent::ButtonUp ? DRAG_CUT_HELD : DRAG_HELD;
    case DRAG_CUT_HELD:
        if (event == CutEvent::ButtonDown)
            return inside ? DRAG_CUT_MOVE : DRAG_IDLE;
        return DRAG_CUT_HELD;
    case DRAG_CUT_MOVE:
        if (event == CutEvent::ButtonUp)
            return inside ? DRAG_CUT_HELD : DRAG_IDLE;
        return DRAG_CUT_MOVE;
    default:
        return state;
    }
}

int32_t eraserCursorId(int32_t eraserSize, int32_t dpi) {
    if (knownDpi(dpi) == BASE_DPI)
        return IDCUR_ERASER_BASE + eraserSize;
    const int32_t at96 = unscaledForDpi(eraserSize, dpi);
    int32_t nearest = 8;
    for (int32_t size : {16, 32, 64})
        if (std::abs(size - at96) < std::abs(nearest - at96))
            nearest = size;
    return IDCUR_ERASER_BASE + nearest;
}

int32_t toolCursorId(int32_t tool, int32_t eraserSize, int32_t dpi) {
    if (isHighlighter(tool))
        return IDCUR_PEN;
    switch (tool) {
    case TOOL_ERASER:
        return eraserCursorId(eraserSize, dpi);
    case TOOL_CUT:
    case TOOL_ELLIPSE:
    case TOOL_RECTANGLE:
    case TOOL_TEXT:
    case TOOL_POINTER:
        return IDCUR_PEN_CROSS;
    case TOOL_LINE:
    case TOOL_PEN:
    case TOOL_ARROW:
        return IDCUR_PEN;
    default:
        return 0;
    }
}

bool gestureUnderWay(DragState dragState) {
    return dragState == DRAG_HELD || dragState == DRAG_CUT_MOVE;
}

bool arrowOutline(IntPoint from, IntPoint to, int32_t penWidth, ArrowOutline* out) {
    const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double head = double(ARROW_HEAD_WIDTHS) * (penWidth < 1 ? 1 : penWidth);
    if (length < head || length <= 0)
        return false;
    const double ux = dx / length, uy = dy / length;           // along the drag
    const double bx = to.x - ux * head, by = to.y - uy * head; // the middle of the head's base
    const double half = head / 2;                              // the head is as wide as it is long
    auto at = [](double x, double y) { return IntPoint{int32_t(std::lround(x)), int32_t(std::lround(y))}; };
    out->shaftFrom = from;
    out->shaftTo = at(bx, by);
    out->head[0] = to;
    out->head[1] = at(bx - uy * half, by + ux * half);
    out->head[2] = at(bx + uy * half, by - ux * half);
    return true;
}

IntRect arrowBounds(const ArrowOutline& arrow, int32_t penWidth) {
    IntRect r = {arrow.shaftFrom.x, arrow.shaftFrom.y, arrow.shaftFrom.x, arrow.shaftFrom.y};
    for (IntPoint p : {arrow.shaftTo, arrow.head[0], arrow.head[1], arrow.head[2]}) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    const int32_t grow = penWidth / 2 + 2;
    return {r.left - grow, r.top - grow, r.right + grow + 1, r.bottom + grow + 1};
}
