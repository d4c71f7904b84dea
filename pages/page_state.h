#pragma once
// The drawing pages' shared records and process-wide values, and the helpers the page procedure,
// the cut tool and the capture share.

#include <windows.h>
// <windows.h> maps DrawState to the DrawStateA drawing call, which the program never uses; the name
// belongs to the shared drawing settings here.
#undef DrawState

#include <cstdint>

#include "win32/ids.h"
#include "win32/key_colour.h"
#include "pages/core/page_rules.h"
#include "pages/core/undo_history.h"

// The drawing settings shared by the palette and both pages (one per process). The palette writes
// the first five fields; the pages write the gesture points.
struct DrawState {
    HWND currentPage;    // the page that gets UM_PAGE_TOOL_CHANGED and UM_PAGE_CLEAR; null at first
    int32_t tool;        // TOOL_* id; TOOL_PEN at start
    int32_t penWidth;    // pen, line and ellipse width: 2, 4, 8 or 16 at 96 DPI, scaled by dpi
    int32_t eraserSize;  // side of the eraser square: 8, 16, 32 or 64 at 96 DPI, scaled by dpi
    COLORREF colour;     // stroke colour (0x00BBGGRR)
    IntPoint lastPoint;  // anchor of a line, ellipse or selection; the last pointer while dragging a cut-out
    IntPoint pointBegin; // the eraser's previous position during an eraser stroke
    Corners selection;   // the cut rectangle's corners as the pointer gave them
    int32_t dpi;         // the board monitor's: the pens and cursors are sized by it (0: 96)
};

// One per page; the palette owns the storage and stores its address as the page's window word 0.
struct PageRecord {
    HDC memDC;                   // memory DC holding the canvas, for the life of the page
    DragState dragState;         // the gesture under way
    DrawState* settings;         // the shared settings; both pages point to the same record
    HBITMAP canvas;              // the canvas bitmap, selected into memDC
    IntPoint lastPointer;        // this page's last gesture pointer: a move without the button ends the
                                 // gesture there, where the user last saw it
    struct PageHistory* history; // undo and redo of this page; made by UM_PAGE_INIT
    int32_t gestureTool;         // the tool the gesture under way (or the held cut-out) began with:
                                 // it ends with that tool even when the palette has changed it
};

// A page's undo and redo. The shadow is a copy of the canvas as it stood after the last finished
// step: when a step ends, the rectangle it changed is read from the shadow (before) and from the
// canvas (after), and the shadow takes the new pixels. A step in progress only widens `changed`.
struct PageHistory {
    HDC shadowDC;      // holds shadow
    HBITMAP shadow;    // top-down 32-bit DIB section of the canvas size
    HGDIOBJ oldBitmap; // shadowDC's own bitmap, put back when the history goes
    uint32_t* pixels;  // the shadow's pixels, width per row
    int32_t width;     // the shadow's size: the canvas's when it was made or last grown
    int32_t height;
    UndoLane lane;   // this page's steps
    IntRect changed; // what the step in progress has changed so far; empty when none
};

extern UndoBudget undoBudget; // the one memory bound every page's steps share

// Called whenever a page's pixels change for good (a finished step, an undo, a redo), so the board
// can keep its pages on disk; null: nobody listens.
extern void (*pageChangedHook)(PageRecord* record);

// Makes the page's history from its canvas as it stands (false when the shadow cannot be made:
// the page then draws without undo); closePageHistory drops it and its steps.
bool openPageHistory(HWND page, PageRecord* record);
void closePageHistory(PageRecord* record);
// Grows the shadow to width x height, keeping its pixels where they are; the steps stay. false
// when the new shadow cannot be made (the old one then stays, whole).
bool growPageHistory(HWND page, PageRecord* record, int32_t width, int32_t height);
// Widens the step in progress by a canvas rectangle.
void markChanged(PageRecord* record, const IntRect& r);
// Ends the step in progress: its rectangle's pixels before and after become one undo step.
void commitStep(PageRecord* record);
// Undoes the page's last step or redoes the one undone last, and repaints; false when there is none.
bool undoPageStep(HWND page, PageRecord* record);
bool redoPageStep(HWND page, PageRecord* record);

// Process-wide values shared by both pages.
extern HCURSOR currentCursor;   // set on every mouse message of a page
extern HDC scratchDC;           // holds snapshot; made by the first UM_PAGE_INIT
extern HBITMAP snapshot;        // the page's pixels when a cut selection starts
extern HRGN canvasRegion;       // (0, 0) to the canvas size; clips a dragged cut-out
extern POINT moveOffset;        // how far the held cut-out has moved since it was taken
extern POINT canvasExtent;      // the canvas size every page gets (at least 2000 x 1500 and the screen)
extern bool wholeCanvasPerMove; // false: a pen or eraser move copies only what it changed; true
                                // copies the whole page as before, for the benchmark and the test
                                // that both give the same screen

// The record in window word 0 of a page, or null.
PageRecord* pageRecordOf(HWND page);

// Loads cursor `id` of the program into currentCursor (a cursor that cannot be loaded leaves the
// current one) and sets it at once when `setNow`.
void loadPageCursor(int32_t id, bool setNow);
// The scale the pages' cursors are loaded at from now on (0: 96).
void setPageCursorDpi(int32_t dpi);

// Copies the canvas onto the page window (the window rectangle's size); the second form draws on
// a window DC the caller holds, so a preview can follow on the same DC.
void showCanvas(HWND page, const PageRecord* record);
void showCanvasOn(HDC windowDC, HWND page, const PageRecord* record);
// Copies only a rectangle of the canvas onto the window: a pen or eraser move changes no more.
void showCanvasRect(HWND page, const PageRecord* record, const IntRect& r);
// Fills a rectangle of `dc` with the key colour.
void fillKeyColour(HDC dc, const RECT& rect);
// Invalidates the whole page with erasing; WM_PAINT then shows the canvas.
void repaintPage(HWND page);
// Copies the snapshot, shifted by moveOffset, onto `dc`, clipped to the selection and the canvas.
void drawCutOut(HDC dc, const Corners& selection);

// Cut tool handlers, run by the page while the tool is TOOL_CUT.
void cutButtonDown(HWND page, PageRecord* record, IntPoint pointer);
void cutMove(HWND page, PageRecord* record, IntPoint pointer);
void cutButtonUp(HWND page, PageRecord* record, IntPoint pointer);
// Puts a held cut-out down where it is now, as a press outside it would; nothing when none is held.
void cutPutDown(HWND page, PageRecord* record);

// Copies a rectangle of a window's pixels (client coordinates) into a new bitmap owned by the
// caller; null when the rectangle is empty, before or after clamping to the window.
HBITMAP captureWindowRect(RECT rect, HWND window);
