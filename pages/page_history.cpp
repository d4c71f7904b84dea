// Undo and redo of a page: the shadow copy of the canvas and the steps made from it.
#include <vector>

#include "win32/gdi_scope.h"
#include "pages/page_state.h"
#include "win32/top_down_section.h"

UndoBudget undoBudget;
void (*pageChangedHook)(PageRecord* record) = nullptr;

namespace {

IntRect canvasRect() {
    return {0, 0, canvasExtent.x, canvasExtent.y};
}

// A shadow of width x height: a top-down DIB section selected into a DC of its own.
bool makeShadow(HWND page, int32_t width, int32_t height, HDC* dc, HBITMAP* shadow, uint32_t** bits) {
    {
        WindowDC windowDC(page);
        *dc = CreateCompatibleDC(windowDC.get());
    }
    *bits = nullptr;
    *shadow = topDownSection(width, height, bits);
    if (*dc && *shadow && *bits)
        return true;
    if (*dc)
        DeleteDC(*dc);
    if (*shadow)
        DeleteObject(*shadow);
    return false;
}

// Canvas pixels of a rectangle into the shadow (or the shadow's into the canvas).
void copyRect(HDC to, HDC from, const IntRect& r) {
    BitBlt(to, r.left, r.top, r.right - r.left, r.bottom - r.top, from, r.left, r.top, SRCCOPY);
    GdiFlush(); // the shadow's pixels are read straight from memory next
}

// Puts one side of a step back on the canvas and the shadow, and shows it.
bool applySide(HWND page, PageRecord* record, const UndoStep* step, bool before) {
    if (!step)
        return false;
    PageHistory* h = record->history;
    unpackRect(before ? step->before : step->after, h->pixels, h->width, step->rect);
    copyRect(record->memDC, h->shadowDC, step->rect);
    repaintPage(page);
    if (pageChangedHook)
        pageChangedHook(record);
    return true;
}

} // namespace

bool openPageHistory(HWND page, PageRecord* record) {
    if (record->history)
        return true;
    HDC dc;
    HBITMAP shadow;
    uint32_t* bits;
    if (!makeShadow(page, canvasExtent.x, canvasExtent.y, &dc, &shadow, &bits))
        return false;
    PageHistory* h = new PageHistory{
        dc, shadow, SelectObject(dc, shadow), bits, canvasExtent.x, canvasExtent.y, {}, {0, 0, 0, 0}};
    copyRect(dc, record->memDC, canvasRect());
    addLane(&undoBudget, &h->lane);
    record->history = h;
    return true;
}

void closePageHistory(PageRecord* record) {
    PageHistory* h = record->history;
    if (!h)
        return;
    removeLane(&undoBudget, &h->lane);
    SelectObject(h->shadowDC, h->oldBitmap);
    DeleteDC(h->shadowDC);
    DeleteObject(h->shadow);
    delete h;
    record->history = nullptr;
}

bool growPageHistory(HWND page, PageRecord* record, int32_t width, int32_t height) {
    PageHistory* h = record->history;
    if (!h || (width <= h->width && height <= h->height))
        return true;
    HDC dc;
    HBITMAP shadow;
    uint32_t* bits;
    if (!makeShadow(page, width, height, &dc, &shadow, &bits))
        return false;
    HGDIOBJ old = SelectObject(dc, shadow);
    // The new part is blank, as the canvas's new part is: the key colour.
    HBRUSH key = CreateSolidBrush(KEY_COLOUR);
    RECT all = {0, 0, width, height};
    FillRect(dc, &all, key);
    DeleteObject(key);
    BitBlt(dc, 0, 0, h->width, h->height, h->shadowDC, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(h->shadowDC, h->oldBitmap);
    DeleteDC(h->shadowDC);
    DeleteObject(h->shadow);
    // The steps stay where they are: the budget knows the lane by its address.
    h->shadowDC = dc;
    h->shadow = shadow;
    h->oldBitmap = old;
    h->pixels = bits;
    h->width = width;
    h->height = height;
    return true;
}

void markChanged(PageRecord* record, const IntRect& r) {
    if (record->history)
        record->history->changed = unionRect(record->history->changed, r);
}

void commitStep(PageRecord* record) {
    PageHistory* h = record->history;
    if (!h || rectEmpty(h->changed))
        return;
    const IntRect r = clipRect(h->changed, h->width, h->height);
    h->changed = {0, 0, 0, 0};
    if (rectEmpty(r))
        return;
    UndoStep step = {r, {}, {}, 0};
    GdiFlush();
    packRect(h->pixels, h->width, r, &step.before);
    copyRect(h->shadowDC, record->memDC, r);
    packRect(h->pixels, h->width, r, &step.after);
    if (step.before == step.after)
        return; // a press without a move, an eraser over nothing: no step to undo
    pushStep(&undoBudget, &h->lane, std::move(step));
    if (pageChangedHook)
        pageChangedHook(record);
}

bool undoPageStep(HWND page, PageRecord* record) {
    if (!record->history)
        return false;
    commitStep(record);
    return applySide(page, record, takeUndo(&record->history->lane), true);
}

bool redoPageStep(HWND page, PageRecord* record) {
    if (!record->history)
        return false;
    commitStep(record);
    return applySide(page, record, takeRedo(&record->history->lane), false);
}
