// Reading the board as it shows for a saved picture: the screen without our windows over the page,
// and the page's drawing laid over it from the canvas.
#include <vector>

#include "win32/gdi_scope.h"
#include "win32/system_library.h"
#include "win32/key_colour.h"
#include "pages/page_container.h"
#include "pages/page_save.h"
#include "pages/page_state.h"
#include "win32/top_down_section.h"

namespace {

// A rectangle of a DC's pixels, read through a DIB section.
bool readPixels(HDC from, int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint32_t>* out) {
    uint32_t* bits = nullptr;
    HBITMAP section = topDownSection(width, height, &bits);
    HDC dc = CreateCompatibleDC(from);
    bool ok = section && bits && dc;
    if (ok) {
        HGDIOBJ old = SelectObject(dc, section);
        ok = BitBlt(dc, 0, 0, width, height, from, x, y, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok)
            out->assign(bits, bits + size_t(width) * size_t(height));
        SelectObject(dc, old);
    }
    if (dc)
        DeleteDC(dc);
    if (section)
        DeleteObject(section);
    return ok;
}

// Our own windows over the page (the palette, a tip of it) are left out of a screen read: hidden for
// the read and shown again as they were. Hidden and shown with SetWindowPos and every "keep" flag,
// not through the palette's show-hide toggle: nothing moves, nothing is activated, each window keeps
// its place in the z-order, and no palette or page state changes.
struct WindowsOverThePage {
    HWND page;
    RECT monitor;
    HWND windows[32]; // in z-order, the top one first, as enumerated
    int count;
    RECT bounds; // the part of the monitor they cover
};

// The thread's windows come in z-order, the top one first: the ones before the page are over it
// (with no page, every one is).
BOOL CALLBACK collectWindowOverThePage(HWND hwnd, LPARAM param) {
    auto* over = reinterpret_cast<WindowsOverThePage*>(param);
    if (hwnd == over->page)
        return FALSE;
    RECT r, on;
    if (IsWindowVisible(hwnd) && GetWindowRect(hwnd, &r) && IntersectRect(&on, &r, &over->monitor) &&
        over->count < int(sizeof over->windows / sizeof(HWND))) {
        over->windows[over->count++] = hwnd;
        UnionRect(&over->bounds, &over->bounds, &on);
    }
    return TRUE;
}

constexpr UINT KEEP_AS_IT_IS = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE;

// Lets the display show a change of the windows. Under Wine the X server's exposures reach this
// thread as driver events, which a peek handles, and a peek copies the windows' fresh pixels to the
// display; this one matches no message, so nothing of the program's is taken from its queue. Where
// Windows composes the screen, DwmFlush waits for the compositor's next frame (dwmapi stays loaded
// for the process).
void letTheDisplayCatchUp(HWND page) {
    MSG msg;
    PeekMessageA(&msg, page, WM_APP + 0x3FFF, WM_APP + 0x3FFF, PM_NOREMOVE);
    using DwmFlushFn = HRESULT(WINAPI*)();
    static const DwmFlushFn dwmFlush = [] {
        HMODULE dwm = loadSystemLibrary("dwmapi.dll");
        return dwm ? reinterpret_cast<DwmFlushFn>(reinterpret_cast<void*>(GetProcAddress(dwm, "DwmFlush")))
                   : nullptr;
    }();
    if (dwmFlush)
        dwmFlush();
}

// Rows spread over a rectangle of the screen, enough to see whether it changed: reading all of it
// on every round of the wait costs a whole screen's transfer each time (a tenth of a second and
// more at 1920 x 1080 under Wine).
bool readSampleRows(HDC screen, const RECT& b, std::vector<uint32_t>* out) {
    constexpr int32_t ROWS = 16;
    const int32_t width = b.right - b.left, height = b.bottom - b.top;
    std::vector<uint32_t> row;
    out->clear();
    for (int32_t k = 0; k < ROWS && k < height; ++k) {
        if (!readPixels(screen, b.left, b.top + (2 * k + 1) * height / (2 * ROWS), width, 1, &row))
            return false;
        out->insert(out->end(), row.begin(), row.end());
    }
    return true;
}

// Hides the windows over the page and waits until the screen shows what they covered: it reads
// other than `before` there (a display that has not caught up still holds their last pixels) and
// the same twice in a row. Gives up waiting after a second (a screen read that never held them,
// GDI's own without composition, stays the same). The bottom one is hidden first: hidden the top
// one first, under Wine the palette's place was repainted by the full-screen board still under it
// (hiding a window the size of the screen waits seconds there), the wait saw that change, and the
// read took the board for what lay under it.
bool hideAndSettle(HDC screen, const WindowsOverThePage& over) {
    const RECT& b = over.bounds;
    std::vector<uint32_t> before, now, previous;
    if (!readSampleRows(screen, b, &before))
        return false;
    for (int i = over.count - 1; i >= 0; --i)
        SetWindowPos(over.windows[i], nullptr, 0, 0, 0, 0, KEEP_AS_IT_IS | SWP_HIDEWINDOW);
    // What they uncover of the page and its container is painted at once, not when the message
    // loop next gets to it.
    for (HWND below : {GetParent(over.page), over.page}) {
        if (!below)
            continue;
        RECT r = b;
        MapWindowPoints(HWND_DESKTOP, below, reinterpret_cast<POINT*>(&r), 2);
        RedrawWindow(below, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    const DWORD start = GetTickCount();
    for (int round = 0;; ++round) {
        letTheDisplayCatchUp(over.page);
        if (!readSampleRows(screen, b, &now))
            return false;
        if ((round >= 2 && now != before && now == previous) || GetTickCount() - start > 1000)
            return true;
        previous.swap(now);
        Sleep(10);
    }
}

// Shows them again as they were, and gives the activation and the focus back if hiding moved them.
void showAgain(const WindowsOverThePage& over, HWND active, HWND focus) {
    for (int i = 0; i < over.count; ++i) // the top one first, so each is stacked where it was
        SetWindowPos(over.windows[i], nullptr, 0, 0, 0, 0, KEEP_AS_IT_IS | SWP_SHOWWINDOW);
    if (active && GetActiveWindow() != active && IsWindowVisible(active))
        SetActiveWindow(active);
    if (focus && GetFocus() != focus && IsWindow(focus))
        SetFocus(focus);
}

// The monitor's pixels as the screen shows them once the windows over the page are hidden (they stay
// hidden: the caller shows them again).
bool readScreenWithout(const WindowsOverThePage& over, int32_t width, int32_t height,
                       std::vector<uint32_t>* out) {
    WindowDC screen(nullptr);
    const RECT& m = over.monitor;
    if (over.count && !hideAndSettle(screen.get(), over))
        return false;
    return readPixels(screen.get(), m.left, m.top, width, height, out);
}

// The monitor a page lies on and the page's rectangle; false when the page has no canvas.
bool pagePlace(HWND page, const PageRecord** record, RECT* monitorRect, RECT* pageRect) {
    *record = pageRecordOf(page);
    if (!*record || !(*record)->memDC)
        return false;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(page, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return false;
    *monitorRect = monitor.rcMonitor;
    GetWindowRect(page, pageRect);
    return monitorRect->right > monitorRect->left && monitorRect->bottom > monitorRect->top;
}

// The screen as it shows on the monitor without the windows of `over` (read with them hidden, and
// shown again as they were).
bool readScreenAround(WindowsOverThePage* over, int32_t width, int32_t height, std::vector<uint32_t>* out) {
    EnumThreadWindows(GetCurrentThreadId(), collectWindowOverThePage, reinterpret_cast<LPARAM>(over));
    const HWND active = GetActiveWindow(), focus = GetFocus();
    const bool ok = readScreenWithout(*over, width, height, out);
    if (over->count)
        showAgain(*over, active, focus);
    return ok;
}

// The page's drawing over the picture: every canvas pixel that is not the key colour.
bool layDrawingOver(const PageRecord* record, const RECT& m, const RECT& pageRect, ScreenPicture* out) {
    std::vector<uint32_t> drawing;
    if (!readPixels(record->memDC, m.left - pageRect.left, m.top - pageRect.top, out->width, out->height,
                    &drawing))
        return false;
    for (size_t i = 0; i < drawing.size(); ++i)
        if ((drawing[i] & 0xFFFFFF) != KEY_COLOUR_PIXEL)
            out->pixels[i] = drawing[i] & 0xFFFFFF;
    return true;
}

} // namespace

bool composePagePicture(HWND page, ScreenPicture* out) {
    const PageRecord* record = nullptr;
    RECT m, pageRect;
    if (!pagePlace(page, &record, &m, &pageRect))
        return false;
    const int32_t width = m.right - m.left, height = m.bottom - m.top;
    out->width = width;
    out->height = height;
    // The board is the opaque container (not layered) below the page: it shows the page's background.
    HWND container = GetParent(page);
    const bool board = container && !(GetWindowLongPtrA(container, GWL_EXSTYLE) & WS_EX_LAYERED);
    if (board) {
        if (pageBackdrop.pixels)
            pageBackdrop.pixels(0, 0, width, height, &out->pixels);
        else
            out->pixels.assign(size_t(width) * size_t(height), KEY_COLOUR_PIXEL);
    } else {
        // The screen as it shows, without our windows over the page. Where the screen is composed
        // (Wine, Windows with desktop composition) the page and its container are in the read: the
        // container is practically invisible on Windows (alpha 1) and drawn opaque by Wine, the
        // page's key-colour pixels are not shown, and its drawing is laid over below from the canvas.
        WindowsOverThePage over = {page, m, {}, 0, {0, 0, 0, 0}};
        if (!readScreenAround(&over, width, height, &out->pixels))
            return false;
    }
    return layDrawingOver(record, m, pageRect, out);
}

bool composeDesktopPicture(HWND desktopPage, ScreenPicture* out) {
    const PageRecord* record = nullptr;
    RECT m, pageRect;
    if (!pagePlace(desktopPage, &record, &m, &pageRect))
        return false;
    out->width = m.right - m.left;
    out->height = m.bottom - m.top;
    WindowsOverThePage over = {nullptr, m, {}, 0, {0, 0, 0, 0}};
    return readScreenAround(&over, out->width, out->height, &out->pixels) &&
           layDrawingOver(record, m, pageRect, out);
}
