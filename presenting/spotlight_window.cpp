// The spotlight, class "qv_spotlight": a per-pixel-alpha window over the whole board monitor,
// black at 75 % but for a circle, which is clear. Windows' compositor shows what lies under it
// live, the circle's slide and the dimmed rest alike. A window lets the touches on its fully
// transparent pixels through: those in the circle reach the page under it (the desktop page comes
// on with the spotlight), which hands them to spotlightPress and the rest; the touches on the
// dimmed part and on the rim's line come here. A drag inside the circle moves it, a drag of its rim
// or its grip sizes it, a touch outside does nothing. A move updates
// only the pixels of the old and the new circle (UpdateLayeredWindowIndirect's dirty rectangle).
// Esc ends it while it is on (a hot key: the spotlight never takes the keyboard).
#include <windows.h>

#include "win32/class_names.h"
#include "win32/monitors.h"
#include "win32/no_activate.h"
#include "win32/top_down_section.h"
#include "presenting/presenting.h"

namespace {

constexpr int ESC_HOT_KEY = 1;

enum Drag { DRAG_NONE, DRAG_MOVE, DRAG_SIZE };

HWND window = nullptr;
HDC sectionDC = nullptr;
HBITMAP section = nullptr;
uint32_t* bits = nullptr;
PxRect monitor = {0, 0, 0, 0}; // the board's monitor when it was shown
int32_t dpi = 96;
Circle circle = {0, 0, 0};
Drag drag = DRAG_NONE;
POINT dragFrom = {0, 0};
Circle dragCircle = {0, 0, 0};

int32_t width() {
    return monitor.right - monitor.left;
}
int32_t height() {
    return monitor.bottom - monitor.top;
}

// The pixels of a box of the monitor (screen coordinates) as the circle makes them; the box is
// clipped to the monitor and returned in the window's coordinates.
RECT paint(PxRect box) {
    const RECT r = {box.left < monitor.left ? 0 : box.left - monitor.left,
                    box.top < monitor.top ? 0 : box.top - monitor.top,
                    box.right > monitor.right ? width() : box.right - monitor.left,
                    box.bottom > monitor.bottom ? height() : box.bottom - monitor.top};
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint32_t* row = bits + size_t(y) * size_t(width());
        for (int32_t x = r.left; x < r.right; ++x)
            row[x] = spotlightPixel(circle, x + monitor.left, y + monitor.top, dpi);
    }
    return r;
}

void update(const RECT* dirty) {
    GdiFlush();
    POINT at = {monitor.left, monitor.top}, from = {0, 0};
    SIZE size = {width(), height()};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UPDATELAYEREDWINDOWINFO info = {sizeof info, nullptr, &at,    &size,     sectionDC,
                                    &from,       0,       &blend, ULW_ALPHA, dirty};
    UpdateLayeredWindowIndirect(window, &info);
}

void setCircle(const Circle& next) {
    const PxRect before = spotlightBounds(circle, dpi);
    circle = next;
    const PxRect after = spotlightBounds(circle, dpi);
    const PxRect both = {before.left < after.left ? before.left : after.left,
                         before.top < after.top ? before.top : after.top,
                         before.right > after.right ? before.right : after.right,
                         before.bottom > after.bottom ? before.bottom : after.bottom};
    const RECT dirty = paint(both);
    if (dirty.right > dirty.left && dirty.bottom > dirty.top)
        update(&dirty);
}

void release() {
    if (sectionDC)
        DeleteDC(sectionDC);
    if (section)
        DeleteObject(section);
    sectionDC = nullptr;
    section = nullptr;
    bits = nullptr;
}

POINT screenPoint(HWND hwnd, LPARAM lParam) {
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &p);
    return p;
}

} // namespace

void spotlightPress(POINT p) {
    if (!section)
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

HWND createSpotlightWindow(HINSTANCE instance) {
    window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE,
                             SPOTLIGHT_CLASS, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    return window;
}

void showSpotlight(bool show, POINT at) {
    if (!window)
        return;
    if (!show) {
        drag = DRAG_NONE;
        if (GetCapture() == window)
            ReleaseCapture();
        UnregisterHotKey(window, ESC_HOT_KEY);
        ShowWindow(window, SW_HIDE);
        release();
        return;
    }
    const RECT board = boardArea();
    monitor = {board.left, board.top, board.right, board.bottom};
    dpi = boardDpi();
    release();
    section = topDownSection(width(), height(), &bits);
    sectionDC = section ? CreateCompatibleDC(nullptr) : nullptr;
    if (!section || !sectionDC) {
        release();
        return; // no memory for the dimming: no spotlight rather than a black monitor
    }
    SelectObject(sectionDC, section);
    circle = spotlightStart(monitor, {at.x, at.y});
    paint(monitor);
    update(nullptr);
    raiseTopmost(window);
    showWithoutActivating(window);
    RegisterHotKey(window, ESC_HOT_KEY, 0, VK_ESCAPE);
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
