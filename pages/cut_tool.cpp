// The cut tool of the pages: draw a rectangle, cut its pixels out of the canvas, drag the cut-out
// and paste it where the user presses outside it.
//
// The snapshot and the paste are composed from the canvas itself rather than read back from the
// window: a layered window's pixels cannot be relied on through its DC (Wine keeps them off the
// window surface, Windows redirects them), and the canvas holds exactly what the page shows when
// no gesture is under way. The result is the canvas that reading the window back would give.
#include <algorithm>
#include <vector>

#include "win32/core/dpi_scale.h"
#include "win32/gdi_scope.h"
#include "win32/top_down_section.h"
#include "pages/page_container.h"
#include "pages/page_state.h"

namespace {

// A dashed black pen one pixel wide at 96 DPI. A cosmetic pen draws dashes at width 1 only: the
// wider frame of a larger scale is a geometric pen with flat ends, so its dashes stay apart.
HPEN framePen(int32_t dpi) {
    const int32_t width = scaledForDpi(1, dpi);
    if (width <= 1)
        return CreatePen(PS_DASH, 1, RGB(0, 0, 0));
    const LOGBRUSH black = {BS_SOLID, RGB(0, 0, 0), 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT | PS_JOIN_MITER, DWORD(width), &black, 0,
                        nullptr);
}

// The dashed black frame through the four corners, starting at (x1, y1) and going first along x1.
void dashedFrame(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t dpi) {
    SelectedObject pen(dc, framePen(dpi));
    const POINT frame[5] = {{x1, y1}, {x1, y2}, {x2, y2}, {x2, y1}, {x1, y1}};
    Polyline(dc, frame, 5);
}

// The page's canvas as it stands becomes the snapshot in scratchDC, replacing the previous one.
// False when no snapshot could be made: then nothing may be cut, or its pixels would be lost.
bool takeSnapshot(HWND page, const PageRecord* record) {
    WindowDC windowDC(page);
    HBITMAP fresh = CreateCompatibleBitmap(windowDC.get(), canvasExtent.x, canvasExtent.y);
    if (!fresh || !scratchDC) {
        if (fresh)
            DeleteObject(fresh);
        return false;
    }
    HGDIOBJ old = SelectObject(scratchDC, fresh);
    if (snapshot && old == snapshot)
        DeleteObject(snapshot);
    snapshot = fresh;
    BitBlt(scratchDC, 0, 0, canvasExtent.x, canvasExtent.y, record->memDC, 0, 0, SRCCOPY);
    return true;
}

// Reads (`write` false) or writes a rectangle of a DC's pixels through a top-down section.
bool dcPixels(HDC dc, const IntRect& r, std::vector<uint32_t>* pixels, bool write) {
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    uint32_t* bits = nullptr;
    HBITMAP section = topDownSection(w, h, &bits);
    HDC memory = CreateCompatibleDC(dc);
    const bool ok = section && bits && memory;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, section);
        if (write) {
            std::copy(pixels->begin(), pixels->end(), bits);
            BitBlt(dc, r.left, r.top, w, h, memory, 0, 0, SRCCOPY);
        } else {
            BitBlt(memory, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
            GdiFlush();
            pixels->assign(bits, bits + size_t(w) * size_t(h));
        }
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (section)
        DeleteObject(section);
    return ok;
}

// A pixel of a picture or a background that is the key colour would read as no ink: one level off it.
uint32_t offKey(uint32_t rgb) {
    return (rgb & 0xFFFFFF) == KEY_COLOUR_PIXEL ? KEY_COLOUR_PIXEL + 1 : rgb & 0xFFFFFF;
}

// On a board page with a picture, a cut takes the picture with the ink, as the screen shows them:
// where the rectangle has no ink over the picture, the cut-out gets the picture's pixels, and the
// place it leaves gets the page's background as ink, so that it shows empty. The picture itself
// never changes: undoing the cut, or erasing what it left, shows it whole again.
void liftPicture(HWND page, PageRecord* record, const IntRect& cut) {
    IntRect place, r;
    HWND container = GetParent(page);
    const bool board = container && !(GetWindowLongPtrA(container, GWL_EXSTYLE) & WS_EX_LAYERED);
    if (!board || !pageBackdrop.picture || !pageBackdrop.picture(&place))
        return;
    r = {std::max(cut.left, place.left), std::max(cut.top, place.top), std::min(cut.right, place.right),
         std::min(cut.bottom, place.bottom)};
    if (r.right <= r.left || r.bottom <= r.top)
        return;
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    std::vector<uint32_t> taken, shown, left;
    if (!dcPixels(scratchDC, r, &taken, false))
        return;
    pageBackdrop.pixels(r.left, r.top, w, h, &shown);
    pageBackdrop.background(r.left, r.top, w, h, &left);
    for (size_t i = 0; i < taken.size(); ++i) {
        if ((taken[i] & 0xFFFFFF) == KEY_COLOUR_PIXEL)
            taken[i] = offKey(shown[i]);
        left[i] = offKey(left[i]);
    }
    dcPixels(scratchDC, r, &taken, true);
    dcPixels(record->memDC, r, &left, true);
}

void paste(HWND page, PageRecord* record) {
    const Corners& sel = record->settings->selection;
    {
        WindowDC windowDC(page);
        showCanvasOn(windowDC.get(), page, record);
        drawCutOut(windowDC.get(), sel);
    }
    drawCutOut(record->memDC, sel);
    const IntRect r = orderedCorners(sel);
    markChanged(record, r);
    record->dragState = DRAG_IDLE;
    moveOffset = {0, 0};
    repaintPage(page);
}

} // namespace

void drawCutOut(HDC dc, const Corners& selection) {
    if (!scratchDC || !canvasRegion)
        return;
    const IntRect r = orderedCorners(selection);
    HRGN clip = CreateRectRgn(r.left, r.top, r.right, r.bottom);
    if (!clip)
        return;
    CombineRgn(clip, clip, canvasRegion, RGN_AND);
    // A clip region is copied into the DC, not selected like a pen: SelectedObject cannot put the old
    // one back, the saved DC state can.
    const int saved = SaveDC(dc);
    SelectClipRgn(dc, clip);
    BitBlt(dc, moveOffset.x, moveOffset.y, canvasExtent.x, canvasExtent.y, scratchDC, 0, 0, SRCCOPY);
    RestoreDC(dc, saved);
    DeleteObject(clip);
}

void cutButtonDown(HWND page, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    switch (record->dragState) {
    case DRAG_IDLE:
        if (!takeSnapshot(page, record))
            break; // no selection starts, nothing on the canvas changes
        loadPageCursor(IDCUR_PEN_CROSS, false);
        ds->selection = {p.x, p.y, p.x, p.y};
        moveOffset = {0, 0};
        record->dragState = cutNextState(DRAG_IDLE, CutEvent::ButtonDown, false);
        break;
    case DRAG_CUT_HELD: {
        loadPageCursor(IDCUR_GRABBING_HAND, false);
        const bool inside = strictlyInside(ds->selection, p);
        if (inside)
            record->dragState = cutNextState(DRAG_CUT_HELD, CutEvent::ButtonDown, true);
        else
            paste(page, record); // the press that pastes starts nothing else
        break;
    }
    default:
        break; // a selection frame held or a cut-out dragged: only the anchor moves
    }
    ds->lastPoint = p;
}

void cutMove(HWND page, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    switch (record->dragState) {
    case DRAG_HELD: {
        WindowDC windowDC(page);
        showCanvasOn(windowDC.get(), page, record);
        // From the anchor along its x first, as the rectangle is drawn.
        dashedFrame(windowDC.get(), ds->lastPoint.x, ds->lastPoint.y, p.x, p.y, ds->dpi);
        break;
    }
    case DRAG_CUT_HELD:
        loadPageCursor(strictlyInside(ds->selection, p) ? IDCUR_GRABBING_HAND : IDCUR_POINTING_HAND, true);
        break;
    case DRAG_CUT_MOVE: {
        const int32_t dx = p.x - ds->lastPoint.x, dy = p.y - ds->lastPoint.y;
        Corners& sel = ds->selection;
        sel = {sel.x1 + dx, sel.y1 + dy, sel.x2 + dx, sel.y2 + dy};
        moveOffset.x += dx;
        moveOffset.y += dy;
        WindowDC windowDC(page);
        showCanvasOn(windowDC.get(), page, record);
        drawCutOut(windowDC.get(), sel);
        dashedFrame(windowDC.get(), sel.x1, sel.y1, sel.x2, sel.y2, ds->dpi);
        ds->lastPoint = p;
        break;
    }
    default:
        break;
    }
}

void cutButtonUp(HWND page, PageRecord* record, IntPoint p) {
    DrawState* ds = record->settings;
    switch (record->dragState) {
    case DRAG_HELD: {
        // The cut-out leaves the canvas; the window still shows it and the frame.
        const IntRect r = orderedCorners({ds->lastPoint.x, ds->lastPoint.y, p.x, p.y});
        fillKeyColour(record->memDC, {r.left, r.top, r.right, r.bottom});
        liftPicture(page, record, r);
        markChanged(record, r);
        ds->selection.x2 = p.x;
        ds->selection.y2 = p.y;
        record->dragState = cutNextState(DRAG_HELD, CutEvent::ButtonUp, false);
        loadPageCursor(IDCUR_POINTING_HAND, true);
        break;
    }
    case DRAG_CUT_MOVE:
        if (strictlyInside(ds->selection, p)) {
            loadPageCursor(IDCUR_GRABBING_HAND, true);
            record->dragState = cutNextState(DRAG_CUT_MOVE, CutEvent::ButtonUp, true);
        } else {
            record->dragState = cutNextState(DRAG_CUT_MOVE, CutEvent::ButtonUp, false);
            moveOffset = {0, 0};
            repaintPage(page); // the cut-out is dropped
        }
        break;
    default:
        break; // nothing under way (a second release)
    }
}

void cutPutDown(HWND page, PageRecord* record) {
    if (record->dragState == DRAG_CUT_HELD || record->dragState == DRAG_CUT_MOVE)
        paste(page, record);
}
