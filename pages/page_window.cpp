// The drawing page, class "qv_page": a full-screen layered popup that keeps its picture in a
// canvas (a memory DC) and shows it by copying the canvas onto the window. Key-coloured pixels
// are transparent. The page draws with the tool of the shared DrawState; the cut tool's handlers
// live in cut_tool.cpp.
#include <vector>

#include "win32/core/dpi_scale.h"
#include "win32/gdi_scope.h"
#include "win32/top_down_section.h"
#include "pages/core/cursor_pictures.h"
#include "pages/core/highlight.h"
#include "win32/ids.h"
#include "win32/no_activate.h"
#include "win32/show_hide.h"
#include "win32/monitors.h"
#include "pages/page_state.h"
#include "pages/text_box.h"
#include "presenting/presenting.h"

HCURSOR currentCursor = nullptr;
HDC scratchDC = nullptr;
HBITMAP snapshot = nullptr;
HRGN canvasRegion = nullptr;
POINT moveOffset = {0, 0};
POINT canvasExtent = {0, 0};
bool wholeCanvasPerMove = false;

namespace {

// The pointer of a mouse message, on the drawing surface. The page holds the mouse during a
// gesture, so a pointer dragged onto a monitor left of or above the page arrives with negative
// client coordinates (signed 16-bit words, which an unsigned reading turns into ~65,530: a straight
// line to the far edge of the canvas); one dragged past the right or bottom edge arrives beyond the
// window. Both are held on the surface the user sees, the page's client area (the canvas always
// covers it): the stroke follows the edge there and goes on from it when the pointer comes back.
IntPoint pointerOf(HWND hwnd, LPARAM lParam) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(hwnd, &client);
    const int32_t width = client.right < canvasExtent.x ? client.right : canvasExtent.x;
    const int32_t height = client.bottom < canvasExtent.y ? client.bottom : canvasExtent.y;
    return clampToSurface(pointerFromLParam(static_cast<uint32_t>(static_cast<uintptr_t>(lParam))), width,
                          height);
}

SIZE windowSize(HWND hwnd) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void applyCursor() {
    // A cursor that never loaded must not hide the pointer.
    if (currentCursor)
        SetCursor(currentCursor);
}

// The tool's kind for the gestures: every highlighter is TOOL_HIGHLIGHTER_FIRST, whatever its colour.
int32_t toolKind(int32_t tool) {
    return isHighlighter(tool) ? TOOL_HIGHLIGHTER_FIRST : tool;
}

HPEN strokePen(const DrawState* ds) {
    return CreatePen(PS_SOLID, ds->penWidth, ds->colour);
}

void strokeLine(HDC dc, const DrawState* ds, IntPoint from, IntPoint to) {
    SelectedObject pen(dc, strokePen(ds));
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
}

// The outline of the ellipse inscribed in the rectangle spanned by the anchor and the pointer;
// start and end of the arc coincide, so the whole outline is drawn and nothing is filled.
void strokeEllipse(HDC dc, const DrawState* ds, IntPoint anchor, IntPoint to) {
    SelectedObject pen(dc, strokePen(ds));
    Arc(dc, anchor.x, anchor.y, to.x, to.y, anchor.x, anchor.y, anchor.x, anchor.y);
}

// The outline of the rectangle spanned by the anchor and the pointer, its corners square (a mitred
// join: a framed figure keeps its corners at any width); nothing inside is filled.
void strokeRectangle(HDC dc, const DrawState* ds, IntPoint anchor, IntPoint to) {
    const LOGBRUSH ink = {BS_SOLID, ds->colour, 0};
    SelectedObject pen(dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_SQUARE | PS_JOIN_MITER,
                                        DWORD(ds->penWidth < 1 ? 1 : ds->penWidth), &ink, 0, nullptr));
    SelectedObject hollow(dc, GetStockObject(NULL_BRUSH), false);
    const IntRect r = orderedCorners({anchor.x, anchor.y, to.x, to.y});
    const POINT corners[5] = {
        {r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}, {r.left, r.top}};
    Polyline(dc, corners, 5);
}

// The arrow from the anchor to the pointer (arrowOutline): the shaft with the stroke pen, the head
// filled in the stroke's colour. A drag shorter than the head draws nothing; the pixels it may
// have touched are returned (empty when nothing is drawn).
IntRect strokeArrow(HDC dc, const DrawState* ds, IntPoint anchor, IntPoint to) {
    ArrowOutline arrow = {};
    if (!arrowOutline(anchor, to, ds->penWidth, &arrow))
        return {0, 0, 0, 0};
    strokeLine(dc, ds, arrow.shaftFrom, arrow.shaftTo);
    SelectedObject pen(dc, CreatePen(PS_SOLID, 1, ds->colour));
    SelectedObject brush(dc, CreateSolidBrush(ds->colour));
    const POINT head[3] = {{arrow.head[0].x, arrow.head[0].y},
                           {arrow.head[1].x, arrow.head[1].y},
                           {arrow.head[2].x, arrow.head[2].y}};
    Polygon(dc, head, 3);
    return arrowBounds(arrow, ds->penWidth);
}

// An outline tool's figure from the anchor to the pointer: the rubber band on the window while
// dragging, the result on the canvas at the release. Returns the pixels it may have touched.
IntRect strokeOutline(HDC dc, const DrawState* ds, int32_t tool, IntPoint anchor, IntPoint to) {
    switch (tool) {
    case TOOL_LINE:
        strokeLine(dc, ds, anchor, to);
        break;
    case TOOL_ELLIPSE:
        strokeEllipse(dc, ds, anchor, to);
        break;
    case TOOL_RECTANGLE:
        strokeRectangle(dc, ds, anchor, to);
        break;
    case TOOL_ARROW:
        return strokeArrow(dc, ds, anchor, to);
    default:
        return {0, 0, 0, 0};
    }
    return segmentBounds(anchor, to, ds->penWidth);
}

void fillKeyPolygon(HDC dc, const IntPoint* corners, int count) {
    POINT points[6];
    for (int i = 0; i < count; ++i)
        points[i] = {corners[i].x, corners[i].y};
    HRGN region = CreatePolygonRgn(points, count, ALTERNATE);
    HBRUSH brush = CreateSolidBrush(KEY_COLOUR);
    if (region && brush)
        FillRgn(dc, region, brush); // takes the brush as it is: nothing selected into the DC
    if (brush)
        DeleteObject(brush);
    if (region)
        DeleteObject(region);
}

void toolCursor(const DrawState* ds) {
    setPageCursorDpi(ds->dpi);
    const int32_t id = toolCursorId(ds->tool, ds->eraserSize, ds->dpi);
    if (id)
        loadPageCursor(id, false);
}

// --- page messages --------------------------------------------------------------------------

void onInit(HWND hwnd) {
    loadPageCursor(IDCUR_PEN, false);
    WindowDC windowDC(hwnd);
    if (!scratchDC)
        scratchDC = CreateCompatibleDC(windowDC.get());
    PageRecord* record = pageRecordOf(hwnd);
    if (!record || record->memDC)
        return; // no record, or the canvas already exists (a second init keeps the drawing)
    if (canvasExtent.x == 0) {
        const RECT board = boardArea();
        const IntPoint size = canvasSize(board.right - board.left, board.bottom - board.top);
        canvasExtent = {size.x, size.y};
    }
    record->memDC = CreateCompatibleDC(windowDC.get());
    record->canvas = CreateCompatibleBitmap(windowDC.get(), canvasExtent.x, canvasExtent.y);
    SelectObject(record->memDC, record->canvas);
    fillKeyColour(record->memDC, {0, 0, canvasExtent.x, canvasExtent.y});
    if (!canvasRegion)
        canvasRegion = CreateRectRgn(0, 0, canvasExtent.x, canvasExtent.y);
    openPageHistory(hwnd, record);
}

// The canvas grows to width x height: the old pixels stay where they are on the board, the new part
// is blank, the history keeps its steps. The palette has put every gesture down before. false when
// a new bitmap cannot be made: the page then keeps its canvas and history as they were.
bool growCanvas(HWND hwnd, int32_t width, int32_t height) {
    PageRecord* record = pageRecordOf(hwnd);
    if (!record || !record->memDC)
        return true;
    WindowDC windowDC(hwnd);
    HDC dc = CreateCompatibleDC(windowDC.get());
    HBITMAP canvas = CreateCompatibleBitmap(windowDC.get(), width, height);
    if (!dc || !canvas || !growPageHistory(hwnd, record, width, height)) {
        if (dc)
            DeleteDC(dc);
        if (canvas)
            DeleteObject(canvas);
        return false;
    }
    SelectObject(dc, canvas);
    fillKeyColour(dc, {0, 0, width, height});
    BITMAP old = {};
    GetObjectA(record->canvas, sizeof old, &old);
    BitBlt(dc, 0, 0, old.bmWidth, old.bmHeight, record->memDC, 0, 0, SRCCOPY);
    DeleteDC(record->memDC);
    DeleteObject(record->canvas);
    record->memDC = dc;
    record->canvas = canvas;
    repaintPage(hwnd);
    return true;
}

// The page holds the mouse from a button down to its button up, so a release over the palette
// (which lies above the page) still reaches the page and ends the gesture there.
void holdPointer(HWND hwnd, const PageRecord* record) {
    if (gestureUnderWay(record->dragState) && GetCapture() != hwnd)
        SetCapture(hwnd);
}

void releasePointer(HWND hwnd, const PageRecord* record) {
    if (!gestureUnderWay(record->dragState) && GetCapture() == hwnd)
        ReleaseCapture();
}

void endGesture(HWND hwnd, PageRecord* record, IntPoint p);

// Before a palette action: a gesture under way ends where the pointer last was, a held cut-out is
// put down where it is, an open text box puts its text on the page (unless `keepText`: a colour or
// a width restyles it), and the step is finished, so that nothing drawn is lost by the action.
void putDown(HWND hwnd, PageRecord* record, bool keepText = false) {
    if (!keepText && textBoxOpenOn(hwnd))
        closeTextBox(true);
    if (record->gestureTool == TOOL_POINTER)
        pointerPutAway(); // nothing of the pointer is kept, nor seen by a save
    if (gestureUnderWay(record->dragState))
        endGesture(hwnd, record, record->lastPointer);
    if (record->dragState == DRAG_CUT_HELD)
        cutPutDown(hwnd, record);
    record->dragState = DRAG_IDLE;
    moveOffset = {0, 0};
    releasePointer(hwnd, record);
    commitStep(record);
}

// The handlers of the page and pointer messages run only for a page that can draw (see
// onDrawingMessage). Each returns whether default processing follows.

// A colour or width changed while the text tool's box is open on the shown page restyles the box;
// any other change (another tool, the page hidden) puts its text down.
bool onToolChanged(HWND hwnd, PageRecord* record, WPARAM, IntPoint) {
    const bool restyle = textBoxOpenOn(hwnd) && record->settings->tool == TOOL_TEXT && IsWindowVisible(hwnd);
    putDown(hwnd, record, restyle);
    if (restyle)
        restyleTextBox();
    toolCursor(record->settings);
    return true;
}

bool onPutDown(HWND hwnd, PageRecord* record, WPARAM wParam, IntPoint) {
    putDown(hwnd, record, wParam == PUT_DOWN_KEEP_TEXT);
    return false;
}

// A clear is a step like any other: it can be undone.
bool onClear(HWND hwnd, PageRecord* record, WPARAM, IntPoint) {
    putDown(hwnd, record);
    fillKeyColour(record->memDC, {0, 0, canvasExtent.x, canvasExtent.y});
    markChanged(record, {0, 0, canvasExtent.x, canvasExtent.y});
    repaintPage(hwnd);
    return true;
}

// With nothing to undo or redo, nothing happens.
bool onUndo(HWND hwnd, PageRecord* record, WPARAM, IntPoint) {
    putDown(hwnd, record);
    undoPageStep(hwnd, record);
    return false;
}

bool onRedo(HWND hwnd, PageRecord* record, WPARAM, IntPoint) {
    putDown(hwnd, record);
    redoPageStep(hwnd, record);
    return false;
}

// --- gestures ---------------------------------------------------------------------------------

// The pointer's points on the screen.
POINT onScreen(HWND hwnd, IntPoint p) {
    POINT s = {p.x, p.y};
    ClientToScreen(hwnd, &s);
    return s;
}

void readAheadLater(HWND hwnd, const DrawState* ds);

bool onButtonDown(HWND hwnd, PageRecord* record, WPARAM, IntPoint p) {
    DrawState* ds = record->settings;
    record->lastPointer = p;
    noteBoardTouch(onScreen(hwnd, p));
    if (record->dragState == DRAG_IDLE)
        record->gestureTool = ds->tool;
    switch (toolKind(record->gestureTool)) {
    case TOOL_PEN:
        loadPageCursor(IDCUR_PEN, false);
        ds->lastPoint = p;
        MoveToEx(record->memDC, p.x, p.y, nullptr);
        record->dragState = DRAG_HELD;
        break;
    case TOOL_HIGHLIGHTER_FIRST:
        loadPageCursor(IDCUR_PEN, false);
        ds->lastPoint = p;
        record->dragState = DRAG_HELD;
        readAheadLater(hwnd, ds);
        break;
    case TOOL_LINE:
    case TOOL_ELLIPSE:
    case TOOL_RECTANGLE:
    case TOOL_ARROW:
        loadPageCursor(toolCursorId(record->gestureTool, ds->eraserSize, ds->dpi), false);
        ds->lastPoint = p;
        record->dragState = DRAG_HELD;
        break;
    case TOOL_ERASER: {
        loadPageCursor(eraserCursorId(ds->eraserSize, ds->dpi), false);
        ds->pointBegin = p;
        IntPoint square[4];
        eraserSquare(p, ds->eraserSize, square);
        fillKeyPolygon(record->memDC, square, 4);
        markChanged(record, segmentBounds(p, p, ds->eraserSize / 2 + 1));
        record->dragState = DRAG_HELD;
        repaintPage(hwnd);
        break;
    }
    case TOOL_CUT:
        cutButtonDown(hwnd, record, p);
        break;
    case TOOL_POINTER:
        // The pointer's dot, nothing on the page.
        pointerTouch(onScreen(hwnd, p));
        record->dragState = DRAG_HELD;
        break;
    case TOOL_SPOTLIGHT:
        // A touch in the spotlight's clear circle comes through it to the page: the circle's.
        spotlightPress(onScreen(hwnd, p));
        record->dragState = DRAG_HELD;
        break;
    case TOOL_SHADE:
        if (shadePress(onScreen(hwnd, p)))
            record->dragState = DRAG_HELD;
        break;
    case TOOL_TEXT:
        // A tap opens a box where it lifts; with a box open, a tap in it places the caret and a tap
        // outside it puts its text down (and opens no other).
        if (textBoxOpenOn(hwnd)) {
            if (textBoxHit(p))
                placeTextCaret(p);
            else
                closeTextBox(true);
            break;
        }
        ds->lastPoint = p;
        record->dragState = DRAG_HELD;
        break;
    default:
        break; // not a drawing tool: no gesture
    }
    holdPointer(hwnd, record);
    applyCursor();
    return true;
}

// One piece of a pen stroke, from the previous pointer to `p`, into the step under way. The canvas
// DC's current position is the previous pointer: the stroke is the polyline of the positions
// received, nothing smoothed or filled in.
void penSegmentTo(HWND hwnd, PageRecord* record, IntPoint p) {
    POINT from = {p.x, p.y};
    GetCurrentPositionEx(record->memDC, &from);
    {
        SelectedObject pen(record->memDC, strokePen(record->settings));
        LineTo(record->memDC, p.x, p.y);
    }
    const IntRect changed = segmentBounds({from.x, from.y}, p, record->settings->penWidth);
    markChanged(record, changed);
    showCanvasRect(hwnd, record, changed);
}

// One piece of an eraser stroke: the square swept from the eraser's previous position to `p`.
void eraserSegmentTo(HWND hwnd, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    IntPoint hull[6];
    const IntPoint from = ds->pointBegin;
    eraserHull(from, p, ds->eraserSize, hull);
    fillKeyPolygon(record->memDC, hull, 6);
    ds->pointBegin = p;
    const IntRect changed = segmentBounds(from, p, ds->eraserSize / 2 + 1);
    markChanged(record, changed);
    showCanvasRect(hwnd, record, changed);
}

// The canvas under one piece of a highlighter stroke and the piece's cover, kept from piece to
// piece and made larger when a piece needs it: a section and a DC per piece cost more than the
// piece itself.
struct HighlightRows {
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    uint32_t* bits = nullptr;
    int32_t width = 0, height = 0;
    std::vector<RowSpan> spans;
};
HighlightRows highlightRows;

// What the screen showed beneath the page during the highlighter stroke under way, read a tile at
// a time (BeneathTiles) into a section of the page's size, where each pixel sits at its place on
// the page. The stroke keeps a DC of the screen for its reads: getting one per read costs more than
// the read.
struct ScreenBeneath {
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    uint32_t* bits = nullptr;
    int32_t width = 0, height = 0;
    HWND page = nullptr;  // the page the tiles were read for
    HDC screen = nullptr; // the stroke's DC of the screen (the whole desktop), made at its first read
    BeneathTiles tiles;
    bool aheadPosted = false; // a UM_PAGE_READ_AHEAD is on its way
};
ScreenBeneath screenBeneath;

// The stroke is over: the next one reads the screen afresh.
void forgetBeneath() {
    screenBeneath.tiles.forget();
    screenBeneath.aheadPosted = false; // one lost with its page would stop every read ahead
    if (screenBeneath.screen)
        DeleteDC(screenBeneath.screen);
    screenBeneath.screen = nullptr;
}

// A top-down section of at least w x h (exactly w x h when `exact`) selected into *dc, kept in
// *section; the previous one goes.
bool fitSection(HDC like, int32_t w, int32_t h, bool exact, HDC* dc, HBITMAP* section, uint32_t** bits,
                int32_t* width, int32_t* height) {
    if (*section && (exact ? w == *width && h == *height : w <= *width && h <= *height))
        return true;
    const int32_t sw = exact || w > *width ? w : *width, sh = exact || h > *height ? h : *height;
    uint32_t* newBits = nullptr;
    HBITMAP made = topDownSection(sw, sh, &newBits);
    if (!made)
        return false;
    if (!*dc)
        *dc = CreateCompatibleDC(like);
    if (!*dc) {
        DeleteObject(made);
        return false;
    }
    SelectObject(*dc, made); // the DC's own first bitmap is never needed again
    if (*section)
        DeleteObject(*section);
    *section = made;
    *bits = newBits;
    *width = sw;
    *height = sh;
    return true;
}

// Makes sure what the screen shows beneath the page is known for every pixel of `need` (client
// coordinates of a page of width x height), reading from the screen the tiles not read yet during
// this stroke. false when it cannot be read.
bool knowBeneath(HWND hwnd, HDC like, const IntRect& need, int32_t width, int32_t height) {
    ScreenBeneath& b = screenBeneath;
    if (b.page != hwnd) {
        forgetBeneath();
        b.page = hwnd;
    }
    const HBITMAP before = b.section;
    if (!fitSection(like, width, height, true, &b.dc, &b.section, &b.bits, &b.width, &b.height))
        return false;
    if (b.section != before)
        b.tiles.forget();
    const IntRect read = b.tiles.toRead(need, width, height);
    if (rectEmpty(read))
        return true;
    POINT onScreen = {read.left, read.top};
    ClientToScreen(hwnd, &onScreen);
    if (!b.screen)
        b.screen = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    if (!b.screen || !BitBlt(b.dc, read.left, read.top, read.right - read.left, read.bottom - read.top,
                             b.screen, onScreen.x, onScreen.y, SRCCOPY)) {
        forgetBeneath();
        return false;
    }
    GdiFlush(); // the section is read behind GDI's back
    return true;
}

// The part of the page whose tiles are read ahead of a highlighter stroke: a tile's width beyond
// the band on every side of the finger, more than a finger goes between two touches; the page's
// client size in *client.
IntRect tilesAhead(HWND hwnd, const DrawState* ds, RECT* client) {
    *client = {0, 0, 0, 0};
    GetClientRect(hwnd, client);
    const IntPoint p = ds->lastPoint;
    const int32_t reach = BeneathTiles::TILE + highlighterWidth(ds->penWidth, ds->dpi) / 2 + 1;
    return clipRect({p.x - reach, p.y - reach, p.x + reach + 1, p.y + reach + 1}, client->right,
                    client->bottom);
}

// Asks for the tiles around the finger to be read while the page waits for the next touch
// (readAhead), unless they are read already or a request is on its way.
void readAheadLater(HWND hwnd, const DrawState* ds) {
    ScreenBeneath& b = screenBeneath;
    if (b.aheadPosted)
        return;
    RECT client;
    const IntRect ahead = tilesAhead(hwnd, ds, &client);
    if (b.page == hwnd && b.tiles.allRead(ahead, client.right, client.bottom))
        return;
    b.aheadPosted = PostMessageA(hwnd, UM_PAGE_READ_AHEAD, 0, 0) != 0;
}

// Reads what the screen shows beneath the tiles around the finger, so that the stroke's next
// pieces find it read: a screen read costs many times a piece (a round trip to the display, on
// Windows a copy back from the graphics card), and here it is paid while the page has nothing else
// to do. A touch already waiting is handled first: it asks again.
void readAhead(HWND hwnd, PageRecord* record) {
    screenBeneath.aheadPosted = false;
    if (!record || !record->memDC || record->dragState != DRAG_HELD || !isHighlighter(record->gestureTool))
        return;
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE)))
        return;
    RECT client;
    const IntRect ahead = tilesAhead(hwnd, record->settings, &client);
    if (!rectEmpty(ahead))
        knowBeneath(hwnd, record->memDC, ahead, client.right, client.bottom);
}

// One piece of a highlighter stroke, from the previous pointer to `p`, laid into the canvas as
// pages/core/highlight.h says. Only the cover's pixels still empty change (those the stroke has
// coloured are no longer empty), so what lies beneath them is all the piece needs from the screen:
// a piece that falls on ground the stroke has already covered reads nothing and changes nothing,
// and the others mostly find it read for the pieces before (knowBeneath).
void layHighlightPiece(HWND hwnd, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    const IntPoint from = ds->lastPoint;
    ds->lastPoint = p;
    const int32_t width = highlighterWidth(ds->penWidth, ds->dpi);
    RECT client = {0, 0, 0, 0};
    GetClientRect(hwnd, &client);
    const IntRect box = clipRect(segmentBounds(from, p, width / 2 + 1), client.right, client.bottom);
    if (rectEmpty(box))
        return;
    HighlightRows& r = highlightRows;
    if (!fitSection(record->memDC, box.right - box.left, box.bottom - box.top, false, &r.dc, &r.section,
                    &r.bits, &r.width, &r.height))
        return;
    r.spans.resize(size_t(r.height));
    const IntRect cover = highlightCover(from, p, width, box, r.spans.data());
    if (rectEmpty(cover))
        return;
    // The canvas under the cover, to find its pixels still empty.
    BitBlt(r.dc, 0, 0, cover.right - cover.left, cover.bottom - cover.top, record->memDC, cover.left,
           cover.top, SRCCOPY);
    GdiFlush(); // the rows are read behind GDI's back
    const size_t stride = size_t(r.width);
    auto canvasAt = [&](int32_t x, int32_t y) {
        return r.bits + size_t(y - cover.top) * stride + size_t(x - cover.left);
    };
    IntRect changed = {0, 0, 0, 0};
    for (int32_t y = cover.top; y < cover.bottom; ++y) {
        const RowSpan span = r.spans[size_t(y - box.top)];
        size_t first = 0, end = 0;
        if (span.left < span.right && emptyStretch(canvasAt(span.left, y), size_t(span.right - span.left),
                                                   KEY_COLOUR_PIXEL, &first, &end))
            changed = unionRect(changed, {span.left + int32_t(first), y, span.left + int32_t(end), y + 1});
    }
    if (rectEmpty(changed) || !knowBeneath(hwnd, record->memDC, changed, client.right, client.bottom))
        return;
    const ScreenBeneath& b = screenBeneath;
    const uint32_t marker = highlighterPixel(record->gestureTool);
    for (int32_t y = changed.top; y < changed.bottom; ++y) {
        const RowSpan span = r.spans[size_t(y - box.top)];
        const int32_t left = span.left > changed.left ? span.left : changed.left;
        const int32_t right = span.right < changed.right ? span.right : changed.right;
        if (left < right)
            layHighlight(canvasAt(left, y), b.bits + size_t(y) * size_t(b.width) + size_t(left),
                         size_t(right - left), marker, KEY_COLOUR_PIXEL);
    }
    BitBlt(record->memDC, changed.left, changed.top, changed.right - changed.left,
           changed.bottom - changed.top, r.dc, changed.left - cover.left, changed.top - cover.top, SRCCOPY);
    markChanged(record, changed);
    showCanvasRect(hwnd, record, changed);
}

// The piece, then the tiles around the finger read while the page waits for the next touch.
void highlightSegmentTo(HWND hwnd, PageRecord* record, IntPoint p) {
    layHighlightPiece(hwnd, record, p);
    readAheadLater(hwnd, record->settings);
}

void continueGesture(HWND hwnd, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    const int32_t tool = record->gestureTool;
    if (tool == TOOL_CUT) {
        cutMove(hwnd, record, p);
        if (record->dragState != DRAG_CUT_HELD)
            record->lastPointer = p;
        return;
    }
    if (record->dragState != DRAG_HELD)
        return;
    record->lastPointer = p;
    switch (toolKind(tool)) {
    case TOOL_PEN:
        penSegmentTo(hwnd, record, p);
        break;
    case TOOL_HIGHLIGHTER_FIRST:
        highlightSegmentTo(hwnd, record, p);
        break;
    case TOOL_LINE:
    case TOOL_ELLIPSE:
    case TOOL_RECTANGLE:
    case TOOL_ARROW: {
        // The preview goes on the window only, over a fresh copy of the canvas.
        WindowDC windowDC(hwnd);
        showCanvasOn(windowDC.get(), hwnd, record);
        strokeOutline(windowDC.get(), ds, tool, ds->lastPoint, p);
        break;
    }
    case TOOL_ERASER:
        eraserSegmentTo(hwnd, record, p);
        break;
    case TOOL_POINTER:
        pointerTouch(onScreen(hwnd, p));
        break;
    case TOOL_SPOTLIGHT:
        spotlightDrag(onScreen(hwnd, p));
        break;
    case TOOL_SHADE:
        shadeDrag(onScreen(hwnd, p));
        break;
    default:
        break;
    }
}

// A pen, highlighter or eraser stroke ends at the release's own point: when the last move was not delivered
// apart from the release (input that lags, moves folded into the button message), its piece is drawn here,
// into the same step. A release where the pointer last was (a tap, a move without the button, a lost capture)
// adds nothing.
void finishStroke(HWND hwnd, PageRecord* record, IntPoint p) {
    if (p.x == record->lastPointer.x && p.y == record->lastPointer.y)
        return;
    record->lastPointer = p;
    if (record->gestureTool == TOOL_PEN)
        penSegmentTo(hwnd, record, p);
    else if (isHighlighter(record->gestureTool))
        layHighlightPiece(hwnd, record, p); // the last piece: nothing ahead to read
    else
        eraserSegmentTo(hwnd, record, p);
}

void endGesture(HWND hwnd, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    if (record->gestureTool == TOOL_CUT) {
        cutButtonUp(hwnd, record, p);
        return;
    }
    if (record->dragState != DRAG_HELD || record->gestureTool == TOOL_TEXT) {
        record->dragState = DRAG_IDLE; // a text tap's box opens at the release (onButtonUp)
        return;
    }
    if (isPresentingTool(record->gestureTool)) {
        if (record->gestureTool == TOOL_POINTER)
            pointerLift(); // the dot fades; the page is as it was
        spotlightRelease();
        shadeRelease();
        record->dragState = DRAG_IDLE;
        return;
    }
    switch (toolKind(record->gestureTool)) {
    case TOOL_LINE:
        strokeLine(record->memDC, ds, ds->lastPoint, p);
        markChanged(record, segmentBounds(ds->lastPoint, p, ds->penWidth));
        showCanvas(hwnd, record);
        break;
    case TOOL_ELLIPSE:
    case TOOL_RECTANGLE:
    case TOOL_ARROW: {
        showCanvas(hwnd, record);
        const IntRect changed = strokeOutline(record->memDC, ds, record->gestureTool, ds->lastPoint, p);
        if (!rectEmpty(changed))
            markChanged(record, changed);
        break;
    }
    case TOOL_PEN:
    case TOOL_HIGHLIGHTER_FIRST:
    case TOOL_ERASER:
        finishStroke(hwnd, record, p);
        showCanvas(hwnd, record);
        forgetBeneath();
        break;
    default:
        showCanvas(hwnd, record);
        break;
    }
    repaintPage(hwnd);
    record->dragState = DRAG_IDLE;
}

bool onMouseMove(HWND hwnd, PageRecord* record, WPARAM wParam, IntPoint p) {
    applyCursor();
    if (record->dragState == DRAG_IDLE)
        return false;
    // A gesture never goes on without a held button: a release over another window (the palette
    // lies above the page) would otherwise leave a stray stroke to wherever the next touch lands.
    // End it as that release would have, where the pointer last was, then treat this as an idle
    // move.
    if (gestureUnderWay(record->dragState) && !(wParam & MK_LBUTTON)) {
        endGesture(hwnd, record, record->lastPointer);
        releasePointer(hwnd, record);
        applyCursor();
        if (record->dragState != DRAG_CUT_HELD)
            return false;
    }
    continueGesture(hwnd, record, p);
    return true;
}

bool onButtonUp(HWND hwnd, PageRecord* record, WPARAM, IntPoint p) {
    applyCursor();
    if (record->dragState == DRAG_IDLE) {
        releasePointer(hwnd, record);
        return false;
    }
    const bool textTap = record->gestureTool == TOOL_TEXT && record->dragState == DRAG_HELD;
    endGesture(hwnd, record, p);
    releasePointer(hwnd, record);
    if (textTap)
        openTextBox(hwnd, record, record->settings->lastPoint);
    return true;
}

// Losing the mouse to another window (or to the system) ends the gesture where the pointer last
// was; the page's own release at the end of a gesture comes here with nothing under way.
bool onCaptureChanged(HWND hwnd, PageRecord* record, WPARAM, IntPoint) {
    if (gestureUnderWay(record->dragState))
        endGesture(hwnd, record, record->lastPointer);
    return true;
}

// The right button changes nothing but the cursor.
bool onRightButton(HWND, PageRecord*, WPARAM, IntPoint) {
    applyCursor();
    return true;
}

using DrawingHandler = bool (*)(HWND hwnd, PageRecord* record, WPARAM wParam, IntPoint pointer);

// A page without a record, without its settings or (before its init) without a canvas does
// nothing with page and pointer messages.
LRESULT onDrawingMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DrawingHandler handler) {
    PageRecord* record = pageRecordOf(hwnd);
    if (!record || !record->settings || !record->memDC)
        return 0;
    const bool more = handler(hwnd, record, wParam, pointerOf(hwnd, lParam));
    // A step is finished once no gesture or held cut-out is left.
    if (record->dragState == DRAG_IDLE)
        commitStep(record);
    if (!more)
        return 0;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT onPaint(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    PageRecord* record = pageRecordOf(hwnd);
    if (!record || !record->memDC) // default processing validates the window, so no paint loop
        return DefWindowProcA(hwnd, WM_PAINT, wParam, lParam);
    applyCursor();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const SIZE size = windowSize(hwnd);
    BitBlt(dc, 0, 0, size.cx, size.cy, record->memDC, 0, 0, SRCCOPY);
    EndPaint(hwnd, &ps);
    return 0;
}

} // namespace

// --- shared helpers -----------------------------------------------------------------------------

PageRecord* pageRecordOf(HWND page) {
    return reinterpret_cast<PageRecord*>(GetWindowLongPtrA(page, 0));
}

namespace {

int32_t pageCursorDpi = BASE_DPI; // the pages' scale as the last tool change gave it

// A cursor made from a drawn image (CreateIconIndirect): the AND mask lets the screen through
// where the image is transparent, the colour bitmap holds the image's colours there and black
// elsewhere (black XOR leaves the screen as it is). Null when it cannot be made.
HCURSOR cursorOfImage(const CursorImage& im) {
    const int maskStride = ((im.w + 15) / 16) * 2; // CreateBitmap's rows are WORD aligned
    std::vector<uint8_t> mask(size_t(maskStride) * size_t(im.h), 0);
    uint32_t* bits = nullptr;
    HBITMAP colour = topDownSection(im.w, im.h, &bits);
    if (!colour || !bits) {
        if (colour)
            DeleteObject(colour);
        return nullptr;
    }
    for (int y = 0; y < im.h; ++y)
        for (int x = 0; x < im.w; ++x) {
            const int i = im.index[size_t(y) * size_t(im.w) + size_t(x)];
            const Rgb c = i < 0 ? Rgb{0, 0, 0} : cursorPalette[i & 15];
            bits[size_t(y) * size_t(im.w) + size_t(x)] = (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
            if (i < 0)
                mask[size_t(y) * size_t(maskStride) + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    HBITMAP andMask = CreateBitmap(im.w, im.h, 1, 1, mask.data());
    ICONINFO info = {FALSE, DWORD(im.hotX), DWORD(im.hotY), andMask, colour};
    HCURSOR cursor = andMask ? reinterpret_cast<HCURSOR>(CreateIconIndirect(&info)) : nullptr;
    if (andMask)
        DeleteObject(andMask);
    DeleteObject(colour);
    return cursor;
}

// A cursor at the size for dpi (32 x 32 at 96). LoadCursorA gives the image of the system's cursor
// size, which follows the primary monitor's scale: it serves where that is 32 and 32 is the size
// wanted. At 32 otherwise the resource's image of 32 (a board at 100 % beside a primary at 150 %);
// every other size is drawn at that size (never a 32 enlarged), its hot spot scaled with it. Each
// is made once and kept for the process: a cursor still shown must not be destroyed, so none is
// ever dropped from the cache, and every later load of the same cursor at the same size is the
// cached one. The cache holds one entry per cursor and size met, a few dozen at most (the
// program's cursors times the scales of the monitors a board has been on).
HCURSOR pageCursorForDpi(int32_t id, int32_t dpi) {
    const int32_t side = scaledForDpi(32, dpi);
    if (knownDpi(dpi) == BASE_DPI && GetSystemMetrics(SM_CXCURSOR) == side)
        return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    struct Loaded {
        int32_t id, side;
        HCURSOR cursor;
    };
    static std::vector<Loaded> loaded; // GUI thread: the pages and the cut tool load through here
    for (const Loaded& l : loaded)
        if (l.id == id && l.side == side)
            return l.cursor;
    HCURSOR cursor = nullptr;
    CursorImage image = {};
    if (side == 32)
        cursor = static_cast<HCURSOR>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                 IMAGE_CURSOR, side, side, LR_DEFAULTCOLOR));
    else if (drawPageCursor(id, side, &image))
        cursor = cursorOfImage(image);
    if (cursor)
        loaded.push_back({id, side, cursor});
    return cursor;
}

} // namespace

void setPageCursorDpi(int32_t dpi) {
    pageCursorDpi = knownDpi(dpi);
}

void loadPageCursor(int32_t id, bool setNow) {
    HCURSOR cursor = pageCursorForDpi(id, pageCursorDpi);
    if (cursor)
        currentCursor = cursor;
    if (setNow)
        applyCursor();
}

void showCanvasOn(HDC windowDC, HWND page, const PageRecord* record) {
    const SIZE size = windowSize(page);
    BitBlt(windowDC, 0, 0, size.cx, size.cy, record->memDC, 0, 0, SRCCOPY);
}

void showCanvasRect(HWND page, const PageRecord* record, const IntRect& r) {
    if (wholeCanvasPerMove) {
        showCanvas(page, record);
        return;
    }
    const SIZE size = windowSize(page);
    const IntRect c = clipRect(r, size.cx, size.cy);
    if (rectEmpty(c))
        return;
    WindowDC windowDC(page);
    BitBlt(windowDC.get(), c.left, c.top, c.right - c.left, c.bottom - c.top, record->memDC, c.left, c.top,
           SRCCOPY);
}

void showCanvas(HWND page, const PageRecord* record) {
    WindowDC windowDC(page);
    showCanvasOn(windowDC.get(), page, record);
}

void repaintPage(HWND page) {
    InvalidateRect(page, nullptr, TRUE);
}

void fillKeyColour(HDC dc, const RECT& rect) {
    HBRUSH brush = CreateSolidBrush(KEY_COLOUR);
    if (brush) {
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

LRESULT CALLBACK pageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case UM_PAGE_INIT:
        onInit(hwnd);
        return 0;
    case UM_PAGE_READ_AHEAD:
        readAhead(hwnd, pageRecordOf(hwnd));
        return 0;
    case UM_PAGE_GROW:
        return growCanvas(hwnd, int32_t(wParam), int32_t(lParam)) ? 1 : 0;
    case UM_PAGE_TOOL_CHANGED:
        return onDrawingMessage(hwnd, message, wParam, lParam, onToolChanged);
    case UM_PAGE_CLEAR:
        return onDrawingMessage(hwnd, message, wParam, lParam, onClear);
    case UM_PAGE_UNDO:
        return onDrawingMessage(hwnd, message, wParam, lParam, onUndo);
    case UM_PAGE_REDO:
        return onDrawingMessage(hwnd, message, wParam, lParam, onRedo);
    case UM_PAGE_PUT_DOWN:
        return onDrawingMessage(hwnd, message, wParam, lParam, onPutDown);
    case WM_CAPTURECHANGED:
        return onDrawingMessage(hwnd, message, wParam, lParam, onCaptureChanged);
    case WM_LBUTTONDOWN:
        return onDrawingMessage(hwnd, message, wParam, lParam, onButtonDown);
    case WM_MOUSEMOVE:
        return onDrawingMessage(hwnd, message, wParam, lParam, onMouseMove);
    case WM_LBUTTONUP:
        return onDrawingMessage(hwnd, message, wParam, lParam, onButtonUp);
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return onDrawingMessage(hwnd, message, wParam, lParam, onRightButton);
    case WM_PAINT:
        return onPaint(hwnd, wParam, lParam);
    case WM_MOUSEACTIVATE: // drawing leaves the lesson's program active
        return NO_ACTIVATE_ON_CLICK;
    case WM_SYSCOMMAND:
        return refuseCloseCommand(hwnd, wParam, lParam); // Alt+F4 on a page does nothing
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
