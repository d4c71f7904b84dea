// Reading the board as it shows for a saved picture: the screen without our windows over the page,
// and the page's drawing laid over it from the canvas.
#include <algorithm>
#include <vector>

#include "win32/gdi_scope.h"
#include "win32/system_library.h"
#include "win32/key_colour.h"
#include "pages/page_container.h"
#include "pages/page_save.h"
#include "pages/page_state.h"
#include "win32/top_down_section.h"

namespace {

// A rectangle of a DC's pixels, read through a DIB section and handed to `use` (top row first,
// `width` pixels a row) while the section lives.
template <typename Use>
bool withPixels(HDC from, int32_t x, int32_t y, int32_t width, int32_t height, Use use) {
    uint32_t* bits = nullptr;
    HBITMAP section = topDownSection(width, height, &bits);
    HDC dc = CreateCompatibleDC(from);
    bool ok = section && bits && dc;
    if (ok) {
        HGDIOBJ old = SelectObject(dc, section);
        ok = BitBlt(dc, 0, 0, width, height, from, x, y, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok)
            use(static_cast<const uint32_t*>(bits));
        SelectObject(dc, old);
    }
    if (dc)
        DeleteDC(dc);
    if (section)
        DeleteObject(section);
    return ok;
}

bool readPixels(HDC from, int32_t x, int32_t y, int32_t width, int32_t height, std::vector<uint32_t>* out) {
    return withPixels(from, x, y, width, height, [&](const uint32_t* bits) {
        out->assign(bits, bits + size_t(width) * size_t(height));
    });
}

// Our own windows over the page (the palette, a tip of it) are left out of a screen read: excluded
// from it by the system where it can (excludeAndSettle), otherwise hidden for the read and shown
// again as they were. Hidden and shown with SetWindowPos and every "keep" flag,
// not through the palette's show-hide toggle: nothing moves, nothing is activated, each window keeps
// its place in the z-order, and no palette or page state changes.
struct WindowsOverThePage {
    HWND page;
    RECT monitor;
    HWND windows[32]; // in z-order, the top one first, as enumerated
    int count;
    RECT bounds;   // the part of the monitor they cover
    bool excluded; // left out of the read by the system rather than hidden
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

// Waits until the screen shows what the windows over the page covered once they are out of the
// way: it reads other than `before` there (a display that has not caught up still holds their last
// pixels) and the same twice in a row. false when that did not come within `limitMs`.
bool settleWithout(HDC screen, const WindowsOverThePage& over, const std::vector<uint32_t>& before,
                   DWORD limitMs) {
    std::vector<uint32_t> now, previous;
    const DWORD start = GetTickCount();
    for (int round = 0;; ++round) {
        letTheDisplayCatchUp(over.page);
        if (!readSampleRows(screen, over.bounds, &now))
            return false;
        if (round >= 2 && now != before && now == previous)
            return true;
        if (GetTickCount() - start > limitMs)
            return false;
        previous.swap(now);
        Sleep(10);
    }
}

// Windows 10 2004 and later can leave a window out of screen reads while it stays on the monitor
// (SetWindowDisplayAffinity with WDA_EXCLUDEFROMCAPTURE): nothing flickers and nothing waits for
// windows to be hidden and shown. Earlier versions take that value for WDA_MONITOR, which reads
// the window as black, so it is asked for only from build 19041 on. Null where it is not.
using SetAffinityFn = BOOL(WINAPI*)(HWND, DWORD);
constexpr DWORD EXCLUDE_FROM_CAPTURE = 0x11, NO_AFFINITY = 0; // WDA_EXCLUDEFROMCAPTURE, WDA_NONE

SetAffinityFn captureExclusion() {
    static const SetAffinityFn set = []() -> SetAffinityFn {
        using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        const auto version = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                         reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                                   : nullptr;
        OSVERSIONINFOW v = {};
        v.dwOSVersionInfoSize = sizeof v;
        if (!version || version(&v) != 0 || v.dwMajorVersion < 10 || v.dwBuildNumber < 19041)
            return nullptr;
        HMODULE user32 = loadSystemLibrary("user32.dll");
        return user32 ? reinterpret_cast<SetAffinityFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "SetWindowDisplayAffinity")))
                      : nullptr;
    }();
    return set;
}

// Once a read under the exclusion showed no change, the windows are hidden for every later read:
// Wine takes the call and keeps the windows in its reads.
bool exclusionUnseen = false;

void includeAgain(const WindowsOverThePage& over, int count) {
    for (int i = 0; i < count; ++i)
        captureExclusion()(over.windows[i], NO_AFFINITY);
}

// Leaves the windows over the page out of screen reads and waits until a read shows what they
// cover; false, with every window as it was, where that cannot be done or was not seen.
bool excludeAndSettle(HDC screen, const WindowsOverThePage& over, const std::vector<uint32_t>& before) {
    if (!captureExclusion() || exclusionUnseen)
        return false;
    for (int i = 0; i < over.count; ++i)
        if (!captureExclusion()(over.windows[i], EXCLUDE_FROM_CAPTURE)) {
            includeAgain(over, i);
            return false;
        }
    if (settleWithout(screen, over, before, 250))
        return true;
    includeAgain(over, over.count);
    exclusionUnseen = true;
    return false;
}

// Hides the windows over the page and waits until the screen shows what they covered. Gives up
// waiting after a second (a screen read that never held them, GDI's own without composition,
// stays the same) and reads what there is. The bottom one is hidden first: hidden the top one
// first, under Wine the palette's place was repainted by the full-screen board still under it
// (hiding a window the size of the screen waits seconds there), the wait saw that change, and the
// read took the board for what lay under it.
void hideAndSettle(HDC screen, const WindowsOverThePage& over, const std::vector<uint32_t>& before) {
    for (int i = over.count - 1; i >= 0; --i)
        SetWindowPos(over.windows[i], nullptr, 0, 0, 0, 0, KEEP_AS_IT_IS | SWP_HIDEWINDOW);
    // What they uncover of the page and its container is painted at once, not when the message
    // loop next gets to it.
    for (HWND below : {GetParent(over.page), over.page}) {
        if (!below)
            continue;
        RECT r = over.bounds;
        MapWindowPoints(HWND_DESKTOP, below, reinterpret_cast<POINT*>(&r), 2);
        RedrawWindow(below, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    settleWithout(screen, over, before, 1000);
}

// Takes the windows over the page out of the way of a screen read: left out of it where the system
// can, hidden otherwise (over->excluded says which).
bool leaveOut(HDC screen, WindowsOverThePage* over) {
    std::vector<uint32_t> before;
    if (!readSampleRows(screen, over->bounds, &before))
        return false;
    over->excluded = excludeAndSettle(screen, *over, before);
    if (!over->excluded)
        hideAndSettle(screen, *over, before);
    return true;
}

// Brings them back as they were: back in screen reads, or shown again, with the activation and the
// focus given back if hiding moved them.
void showAgain(const WindowsOverThePage& over, HWND active, HWND focus) {
    if (over.excluded) {
        includeAgain(over, over.count);
        return;
    }
    for (int i = 0; i < over.count; ++i) // the top one first, so each is stacked where it was
        SetWindowPos(over.windows[i], nullptr, 0, 0, 0, 0, KEEP_AS_IT_IS | SWP_SHOWWINDOW);
    if (active && GetActiveWindow() != active && IsWindowVisible(active))
        SetActiveWindow(active);
    if (focus && GetFocus() != focus && IsWindow(focus))
        SetFocus(focus);
}

// The monitor's pixels as the screen shows them once the windows over the page are out of the way
// (they stay so: the caller brings them back).
bool readScreenWithout(WindowsOverThePage* over, int32_t width, int32_t height, std::vector<uint32_t>* out) {
    WindowDC screen(nullptr);
    const RECT& m = over->monitor;
    if (over->count && !leaveOut(screen.get(), over))
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
    const bool ok = readScreenWithout(over, width, height, out);
    if (over->count)
        showAgain(*over, active, focus);
    return ok;
}

// The page's drawing over the picture: every canvas pixel that is not the key colour, read from the
// canvas in place (a copy of a whole screen's pixels costs more than the rest).
bool layDrawingOver(const PageRecord* record, const RECT& m, const RECT& pageRect, ScreenPicture* out) {
    return withPixels(record->memDC, m.left - pageRect.left, m.top - pageRect.top, out->width, out->height,
                      [&](const uint32_t* drawing) {
                          uint32_t* pixels = out->pixels.data();
                          const size_t n =
                              std::min(out->pixels.size(), size_t(out->width) * size_t(out->height));
                          for (size_t i = 0; i < n; ++i)
                              if ((drawing[i] & 0xFFFFFF) != KEY_COLOUR_PIXEL)
                                  pixels[i] = drawing[i] & 0xFFFFFF;
                      });
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
        WindowsOverThePage over = {page, m, {}, 0, {0, 0, 0, 0}, false};
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
    WindowsOverThePage over = {nullptr, m, {}, 0, {0, 0, 0, 0}, false};
    return readScreenAround(&over, out->width, out->height, &out->pixels) &&
           layDrawingOver(record, m, pageRect, out);
}
