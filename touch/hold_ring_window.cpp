// The hold ring, class "qv_hold_ring": a small topmost window around a touch held still, closing as
// the hold's second runs out (touch/core/hold_ring.h says when and what). It never takes input or
// activation: layered with per-pixel alpha and transparent, so the pointer's clicks go to the window
// below it; a tool window, so it has no taskbar button; never activated when shown. The reader
// thread posts UM_HOLD_RING and never waits for it; this window only draws what it is told, so the
// touch's timing and input are the same with or without it.
#include "touch/hold_ring_window.h"

#include "win32/layered.h"
#include "win32/monitors.h"
#include "win32/class_names.h"
#include "win32/gdi_scope.h"
#include "win32/ids.h"
#include "win32/top_down_section.h"
#include "touch/core/hold_ring.h"

namespace {

constexpr DWORD RING_EX_STYLE =
    WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST;

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*,
                                            DWORD);

HDC ringDC = nullptr;         // holds ringBitmap for the window's life
HBITMAP ringBitmap = nullptr; // 32-bit top-down DIB section, premultiplied alpha
HGDIOBJ ringDCOldBitmap = nullptr;
uint32_t* ringPixels = nullptr; // ringBitmap's bits
int32_t drawnStep = 0;          // the step in ringBitmap; 0: nothing drawn yet
int32_t ringDpi = 0;            // the scale ringBitmap was made for; 0: none yet

// Looked up at run time like SetLayeredWindowAttributes, from the same module: a system without it
// shows no ring.
UpdateLayeredWindowFn updateLayeredWindow() {
    static const UpdateLayeredWindowFn fn = [] {
        const HMODULE user32 = user32Module ? user32Module : GetModuleHandleA("user32.dll");
        return user32 ? reinterpret_cast<UpdateLayeredWindowFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")))
                      : nullptr;
    }();
    return fn;
}

void releaseRingBitmap() {
    if (ringDC && ringDCOldBitmap)
        SelectObject(ringDC, ringDCOldBitmap);
    if (ringBitmap)
        DeleteObject(ringBitmap);
    ringBitmap = nullptr;
    ringDCOldBitmap = nullptr;
    ringPixels = nullptr;
    drawnStep = 0;
    ringDpi = 0;
}

// The ring is sized by the board monitor's scale, where the touches are: its bitmap is made again
// when that scale is not the one it was made for.
void fitRingBitmap(int32_t dpi) {
    if (dpi == ringDpi && ringBitmap)
        return;
    releaseRingBitmap();
    const int32_t side = holdRingSize(dpi);
    // Top-down, as renderHoldRing writes the rows.
    ringBitmap = topDownSection(side, side, &ringPixels);
    if (ringDC && ringBitmap)
        ringDCOldBitmap = SelectObject(ringDC, ringBitmap);
    ringDpi = dpi;
}

void onCreate(HWND hwnd) {
    {
        WindowDC windowDC(hwnd);
        ringDC = CreateCompatibleDC(windowDC.get());
    }
    fitRingBitmap(boardDpi());
}

void onDestroy(HWND hwnd) {
    if (hwndHoldRing == hwnd)
        hwndHoldRing = nullptr;
    releaseRingBitmap();
    if (ringDC)
        DeleteDC(ringDC);
    ringDC = nullptr;
}

void show(HWND hwnd, int32_t step, int x, int y) {
    const UpdateLayeredWindowFn update = updateLayeredWindow();
    fitRingBitmap(boardDpi());
    if (!update || !ringPixels)
        return;
    if (step != drawnStep) {
        renderHoldRing(step, ringPixels, ringDpi);
        GdiFlush(); // the bits were written behind GDI's back
        drawnStep = step;
    }
    const int32_t side = holdRingSize(ringDpi);
    POINT where = {x - side / 2, y - side / 2};
    SIZE size = {side, side};
    POINT from = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    update(hwnd, nullptr, &where, &size, ringDC, &from, 0, &blend, ULW_ALPHA);
    if (!IsWindowVisible(hwnd))
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

} // namespace

std::atomic<HWND> hwndHoldRing{nullptr};

HWND createHoldRingWindow(HINSTANCE instance, HWND owner) {
    return CreateWindowExA(RING_EX_STYLE, HOLD_RING_CLASS, "", WS_POPUP, 0, 0, RING_SIZE, RING_SIZE, owner,
                           nullptr, instance, nullptr);
}

LRESULT CALLBACK holdRingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(hwnd);
        return 0;
    case WM_DESTROY:
        onDestroy(hwnd);
        return 0;
    case UM_HOLD_RING:
        if (wParam == 0)
            ShowWindow(hwnd, SW_HIDE);
        else
            show(hwnd, static_cast<int32_t>(wParam), static_cast<short>(LOWORD(lParam)),
                 static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT; // never the target of the pointer, whatever the platform does with the styles
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
