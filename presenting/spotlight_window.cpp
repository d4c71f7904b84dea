// The spotlight, class "qv_spotlight": two windows over the board's monitor. A pane of black at
// 75 % (whole-window alpha) covers the monitor but for a square cut out of it (its window region),
// and that square is a per-pixel-alpha window of its own: the circle clear, its rim a white line
// with a grip, its corners black at 75 % like the pane. Windows' compositor shows what lies under
// them live, the circle's slide and the dimmed rest alike. A move draws the square again (a few
// hundred pixels across), moves it and moves the pane's hole, never redrawing a window the size of
// the monitor: under Wine an update of a monitor-sized per-pixel-alpha window costs some 30 ms,
// dirty rectangle or not, and four panes moved around the square some 8 ms a step.
// A window lets the touches on its fully transparent pixels through: those in the circle reach
// the page under it (the desktop page comes on with the spotlight), which hands them to
// spotlightPress and the rest; the touches on the pane and on the square's dimmed corners and rim
// come here. A drag inside the circle moves it, a drag of its rim or its grip sizes it, a touch
// anywhere else does nothing. Esc ends it while it is on (a hot key: the spotlight never takes the
// keyboard).
#include <windows.h>

#include <vector>

#include "win32/class_names.h"
#include "win32/layered.h"
#include "win32/monitors.h"
#include "win32/no_activate.h"
#include "win32/top_down_section.h"
#include "presenting/presenting.h"

namespace {

constexpr int ESC_HOT_KEY = 1;
constexpr int PANES = 1; // the monitor around the square

enum Drag { DRAG_NONE, DRAG_MOVE, DRAG_SIZE };

HWND square = nullptr;         // the circle's per-pixel-alpha window
HWND panes[PANES] = {};        // the dimmed rest
GrowingSection rows;           // the square's pixels
PxRect monitor = {0, 0, 0, 0}; // the board's monitor when it was shown
int32_t dpi = 96;
Circle circle = {0, 0, 0};
bool on = false;
Drag drag = DRAG_NONE;
POINT dragFrom = {0, 0};
Circle dragCircle = {0, 0, 0};

// The square where the circle is now, and the pane's hole under it; false when the square could not be
// drawn (no memory: the spotlight then shows nothing rather than a monitor left black).
bool place() {
    const PxRect b = spotlightBounds(circle, dpi);
    const PxRect s = {b.left < monitor.left ? monitor.left : b.left,
                      b.top < monitor.top ? monitor.top : b.top,
                      b.right > monitor.right ? monitor.right : b.right,
                      b.bottom > monitor.bottom ? monitor.bottom : b.bottom};
    const int32_t w = s.right - s.left, h = s.bottom - s.top;
    if (w <= 0 || h <= 0 || !rows.fit(w, h))
        return false;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = rows.bits + size_t(y) * size_t(rows.width);
        for (int32_t x = 0; x < w; ++x)
            row[x] = spotlightPixel(circle, s.left + x, s.top + y, dpi);
    }
    GdiFlush();
    POINT at = {s.left, s.top}, from = {0, 0};
    SIZE size = {w, h};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(square, nullptr, &at, &size, rows.dc, &from, 0, &blend, ULW_ALPHA);
    // The pane: the monitor with the square cut out of it (its region, in its own coordinates).
    HRGN all = CreateRectRgn(0, 0, monitor.right - monitor.left, monitor.bottom - monitor.top);
    HRGN hole = CreateRectRgn(s.left - monitor.left, s.top - monitor.top, s.right - monitor.left,
                              s.bottom - monitor.top);
    if (all && hole && CombineRgn(all, all, hole, RGN_DIFF) != ERROR) {
        if (SetWindowRgn(panes[0], all, TRUE))
            all = nullptr; // the window owns it now
    }
    if (all)
        DeleteObject(all);
    if (hole)
        DeleteObject(hole);
    return true;
}

void setCircle(const Circle& next) {
    if (next.cx == circle.cx && next.cy == circle.cy && next.r == circle.r)
        return;
    circle = next;
    place();
}

POINT screenPoint(HWND hwnd, LPARAM lParam) {
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &p);
    return p;
}

HWND makeWindow(HINSTANCE instance, bool pane) {
    HWND w = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE,
                             SPOTLIGHT_CLASS, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    if (w && pane)
        setLayered(w, 0, SPOTLIGHT_DIM_ALPHA, LWA_ALPHA);
    return w;
}

} // namespace

HWND createSpotlightWindow(HINSTANCE instance) {
    square = makeWindow(instance, false);
    for (HWND& pane : panes)
        pane = makeWindow(instance, true);
    return square;
}

void raiseSpotlight() {
    if (!on)
        return;
    for (HWND pane : panes)
        if (IsWindowVisible(pane))
            raiseTopmost(pane);
    raiseTopmost(square);
}

void spotlightPress(POINT p) {
    if (!on)
        return;
    switch (spotlightPart(circle, {p.x, p.y}, dpi)) {
    case SPOT_INSIDE:
        drag = DRAG_MOVE;
        break;
    case SPOT_RIM:
        drag = DRAG_SIZE;
        break;
    default:
        drag = DRAG_NONE; // outside the circle a touch does nothing
        return;
    }
    dragFrom = p;
    dragCircle = circle;
}

void spotlightDrag(POINT p) {
    if (drag == DRAG_MOVE)
        setCircle(spotlightMoved(dragCircle, p.x - dragFrom.x, p.y - dragFrom.y, monitor));
    else if (drag == DRAG_SIZE)
        setCircle(spotlightResized(dragCircle, {p.x, p.y}, monitor, dpi));
}

void spotlightRelease() {
    drag = DRAG_NONE;
}

void showSpotlight(bool show, POINT at) {
    if (!square)
        return;
    drag = DRAG_NONE;
    if (!show) {
        on = false;
        if (GetCapture() == square) // the panes never hold the pointer: the rim lies in the square
            ReleaseCapture();
        UnregisterHotKey(square, ESC_HOT_KEY);
        ShowWindow(square, SW_HIDE);
        for (HWND pane : panes)
            ShowWindow(pane, SW_HIDE);
        rows.release();
        return;
    }
    const RECT board = boardArea();
    monitor = {board.left, board.top, board.right, board.bottom};
    dpi = boardDpi();
    circle = spotlightStart(monitor, {at.x, at.y});
    SetWindowPos(panes[0], nullptr, monitor.left, monitor.top, monitor.right - monitor.left,
                 monitor.bottom - monitor.top, SWP_NOACTIVATE | SWP_NOZORDER);
    if (!place())
        return;
    // Esc is taken before the spotlight shows: an Esc pressed as soon as it is seen ends it.
    RegisterHotKey(square, ESC_HOT_KEY, 0, VK_ESCAPE);
    on = true;
    showWithoutActivating(panes[0]);
    showWithoutActivating(square);
    raiseSpotlight();
}

LRESULT CALLBACK spotlightWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: // a second tap soon after the first is a touch like any other
        spotlightPress(screenPoint(hwnd, lParam));
        if (drag != DRAG_NONE)
            SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON)
            spotlightDrag(screenPoint(hwnd, lParam));
        else
            drag = DRAG_NONE; // the release went elsewhere
        return 0;
    case WM_LBUTTONUP:
        drag = DRAG_NONE;
        if (GetCapture() == hwnd)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        drag = DRAG_NONE;
        return 0;
    case WM_HOTKEY:
        if (wParam == ESC_HOT_KEY) {
            endPresenting();
            if (presentingEndedHook)
                presentingEndedHook();
        }
        return 0;
    case WM_ERASEBKGND: { // a pane: black, dimmed by its whole-window alpha
        RECT r = {0, 0, 0, 0};
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            return 0; // Alt+F4 does not end it: its button or Esc does
        return DefWindowProcA(hwnd, message, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
