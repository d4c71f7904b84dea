// The shade, class "qv_shade": an opaque cover over the board's monitor in the board's grey, from
// its upper edge to the monitor's bottom. A drag anywhere on it moves its upper edge with the
// finger: down uncovers the slide from the top, a line at a time, up covers it again; it stays
// where it was left. Its grip, on that upper edge (the edge that moves), shows where to take it.
// Moving it moves a window: what it uncovers is the slide itself, live. A touch on the cover that
// reaches the page under it instead (Wine hands a press to the page now and then, just after the
// shade came up) is handed back here by the page, as the spotlight's are.
#include <windows.h>

#include "win32/class_names.h"
#include "win32/core/dpi_scale.h"
#include "win32/gdi_scope.h"
#include "win32/key_colour.h"
#include "win32/monitors.h"
#include "win32/no_activate.h"
#include "presenting/presenting.h"

namespace {

HWND window = nullptr;
RECT monitor = {0, 0, 0, 0};
int32_t dpi = 96;
int32_t top = 0; // the cover's upper edge, from the monitor's top
bool dragging = false;
int32_t dragFromY = 0, dragFromTop = 0;

void place() {
    SetWindowPos(window, nullptr, monitor.left, monitor.top + top, monitor.right - monitor.left,
                 monitor.bottom - monitor.top - top, SWP_NOACTIVATE | SWP_NOZORDER);
}

// The board's grey, and the grip: a darker tab with three ridges and an arrow each way.
void paintCover(HDC dc) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    HBRUSH grey = CreateSolidBrush(KEY_COLOUR);
    FillRect(dc, &client, grey);
    DeleteObject(grey);
    const PxRect g = shadeGrip(client.right, dpi);
    const RECT grip = {g.left, g.top, g.right, g.bottom};
    HBRUSH tab = CreateSolidBrush(RGB(120, 120, 120));
    FillRect(dc, &grip, tab);
    DeleteObject(tab);
    const int32_t h = grip.bottom - grip.top;
    HBRUSH light = CreateSolidBrush(RGB(235, 235, 235));
    for (int i = 0; i < 3; ++i) {
        const int32_t y = grip.top + h * (i + 1) / 4;
        const RECT ridge = {grip.left + h, y - 1, grip.right - h, y + 1};
        FillRect(dc, &ridge, light);
    }
    SelectedObject brush(dc, light); // deleted with the scope
    SelectedObject pen(dc, GetStockObject(NULL_PEN), false);
    const int32_t a = h / 3;
    const POINT up[3] = {{grip.left + h / 2 - a / 2, grip.top + h / 2},
                         {grip.left + h / 2 + a / 2, grip.top + h / 2},
                         {grip.left + h / 2, grip.top + h / 2 - a}};
    const POINT down[3] = {{grip.right - h / 2 - a / 2, grip.top + h / 2},
                           {grip.right - h / 2 + a / 2, grip.top + h / 2},
                           {grip.right - h / 2, grip.top + h / 2 + a}};
    Polygon(dc, up, 3);
    Polygon(dc, down, 3);
}

int32_t screenY(HWND hwnd, LPARAM lParam) {
    POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &p);
    return p.y;
}

} // namespace

bool shadePress(POINT p) {
    if (!IsWindowVisible(window) || p.y < monitor.top + top)
        return false; // on the uncovered slide
    dragging = true;
    dragFromY = p.y;
    dragFromTop = top;
    return true;
}

void shadeDrag(POINT p) {
    if (!dragging)
        return;
    const int32_t next = shadeTop(dragFromTop, p.y - dragFromY, monitor.bottom - monitor.top, dpi);
    if (next != top) {
        top = next;
        place();
    }
}

void shadeRelease() {
    dragging = false;
}

HWND createShadeWindow(HINSTANCE instance) {
    window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE, SHADE_CLASS, "",
                             WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    return window;
}

void showShade(bool show) {
    if (!window)
        return;
    dragging = false;
    if (GetCapture() == window)
        ReleaseCapture();
    if (!show) {
        ShowWindow(window, SW_HIDE);
        return;
    }
    monitor = boardArea();
    dpi = boardDpi();
    top = 0; // the whole slide covered
    place();
    InvalidateRect(window, nullptr, TRUE);
    raiseTopmost(window);
    showWithoutActivating(window);
    raiseTopmost(window);
}

LRESULT CALLBACK shadeWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (shadePress({0, screenY(hwnd, lParam)}))
            SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON)
            shadeDrag({0, screenY(hwnd, lParam)});
        else
            dragging = false; // the release went elsewhere
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        dragging = false;
        if (message == WM_LBUTTONUP && GetCapture() == hwnd)
            ReleaseCapture();
        return 0;
    case WM_PAINT:
        paintWindow(hwnd, paintCover);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers it all
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            return 0;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
