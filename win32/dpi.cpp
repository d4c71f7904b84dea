// The per-monitor DPI functions are looked up at run time: GetDpiForMonitor (shcore.dll) came with
// Windows 8.1 and GetDpiForWindow (user32) with Windows 10 1607. Where they are missing every
// monitor has the system DPI, which is then also what the system scales the program by.
#include "win32/dpi.h"

#include "win32/core/dpi_scale.h"
#include "win32/drawn_pictures.h"
#include "win32/gdi_scope.h"
#include "win32/system_library.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int MDT_EFFECTIVE_DPI_VALUE = 0; // MONITOR_DPI_TYPE's first value

template <typename Fn> Fn lookUp(const char* library, const char* name) {
    HMODULE module = loadSystemLibrary(library);
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

GetDpiForWindowFn getDpiForWindow() {
    static const GetDpiForWindowFn fn = lookUp<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
    return fn;
}

GetDpiForMonitorFn getDpiForMonitor() {
    static const GetDpiForMonitorFn fn = lookUp<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
    return fn;
}

} // namespace

int32_t systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

int32_t dpiOfMonitor(HMONITOR monitor) {
    UINT x = 0, y = 0;
    if (GetDpiForMonitorFn fn = getDpiForMonitor())
        if (monitor && SUCCEEDED(fn(monitor, MDT_EFFECTIVE_DPI_VALUE, &x, &y)) && x > 0)
            return int32_t(x);
    return systemDpi();
}

int32_t dpiOfWindow(HWND hwnd) {
    if (!hwnd)
        return primaryDpi();
    if (GetDpiForWindowFn fn = getDpiForWindow())
        if (const UINT dpi = fn(hwnd))
            return int32_t(dpi);
    return dpiOfMonitor(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST));
}

int32_t primaryDpi() {
    return dpiOfMonitor(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

int32_t scaledForWindow(HWND hwnd, int32_t px96) {
    return scaledForDpi(px96, dpiOfWindow(hwnd));
}

void takeSuggestedRect(HWND hwnd, LPARAM suggested) {
    const RECT* r = reinterpret_cast<const RECT*>(suggested);
    if (r)
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void takeSuggestedRectForScale(HWND hwnd, LPARAM suggested, int32_t announced, int32_t own, int32_t width96,
                               int32_t height96) {
    const RECT* r = reinterpret_cast<const RECT*>(suggested);
    if (!r)
        return;
    const WindowBox box = windowBoxForScale({r->left, r->top, r->right - r->left, r->bottom - r->top},
                                            announced, own, width96, height96);
    SetWindowPos(hwnd, nullptr, box.left, box.top, box.width, box.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t announcedDpi(WPARAM wParam, LPARAM lParam) {
    return lParam ? int32_t(LOWORD(wParam)) : 0;
}

int32_t primaryScaleAnnounced(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &info) ||
        !(info.dwFlags & MONITORINFOF_PRIMARY))
        return 0;
    return announcedDpi(wParam, lParam);
}

bool followPrimaryScale(HWND hwnd, WPARAM wParam, LPARAM lParam, int32_t* dpi, int32_t width96,
                        int32_t height96) {
    const int32_t announced = primaryScaleAnnounced(hwnd, wParam, lParam);
    if (announced < 1)
        return false;
    takeSuggestedRectForScale(hwnd, lParam, announced, *dpi, width96, height96);
    *dpi = announced;
    return true;
}

namespace {

// A new bitmap of width x height holding `source` shrunk (or stretched) smoothly.
HBITMAP resampled(HBITMAP source, int width, int height) {
    BITMAP info = {};
    if (!GetObjectA(source, sizeof info, &info))
        return nullptr;
    WindowDC screen(nullptr);
    HBITMAP result = CreateCompatibleBitmap(screen.get(), width, height);
    HDC from = CreateCompatibleDC(screen.get()), to = CreateCompatibleDC(screen.get());
    if (result && from && to) {
        SelectedObject in(from, source, false), out(to, result, false);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    return result;
}

} // namespace

HBITMAP loadPictureForDpi(HINSTANCE instance, int id, int width, int height, int32_t dpi) {
    const std::shared_ptr<const Picture> drawn = knownDpi(dpi) == BASE_DPI ? nullptr : drawnPicture(id, dpi);
    if (!drawn) // at 100 %, and a picture no drawer draws: the resource, stretched to size
        return static_cast<HBITMAP>(
            LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, width, height, LR_DEFAULTCOLOR));
    HBITMAP picture = bitmapOfPicture(*drawn);
    if (!picture || (drawn->w == width && drawn->h == height))
        return picture;
    HBITMAP shrunk = resampled(picture, width, height);
    DeleteObject(picture);
    return shrunk;
}
