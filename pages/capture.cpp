// captureWindowRect: a window's own pixels, as drawn in its device context, into a new bitmap.
#include "pages/page_state.h"
#include "win32/gdi_scope.h"

HBITMAP captureWindowRect(RECT rect, HWND window) {
    if (IsRectEmpty(&rect))
        return nullptr;
    WindowDC windowDC(window);
    if (!windowDC.get())
        return nullptr;
    IntRect clamped;
    const IntRect asked = {rect.left, rect.top, rect.right, rect.bottom};
    // A rectangle wholly off the window has nothing to copy; a zero-sized bitmap would not help
    // any caller. The window's own size, not the device's: on a monitor other than the primary,
    // or larger than it, the device's size is the primary's.
    RECT client = {};
    GetClientRect(window, &client);
    if (!clampCaptureRect(asked, client.right, client.bottom, &clamped))
        return nullptr;
    const int width = clamped.right - clamped.left;
    const int height = clamped.bottom - clamped.top;
    HDC memDC = CreateCompatibleDC(windowDC.get());
    HBITMAP bitmap = CreateCompatibleBitmap(windowDC.get(), width, height);
    if (memDC && bitmap) {
        HGDIOBJ old = SelectObject(memDC, bitmap);
        BitBlt(memDC, 0, 0, width, height, windowDC.get(), clamped.left, clamped.top, SRCCOPY);
        SelectObject(memDC, old);
    }
    if (memDC)
        DeleteDC(memDC);
    return bitmap;
}
