// Reading the screen's pixels and saving screenshots.
#include "tests/support/screen.h"

#include <cstdio>

#include "tests/support/dib_canvas.h"

bool captureScreen(const RECT& area, std::vector<COLORREF>* pixels) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    DibCanvas canvas(width, height);
    if (!canvas.dc || !canvas.bits)
        return false;
    HDC screen = GetDC(nullptr);
    const bool copied = BitBlt(canvas.dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
    ReleaseDC(nullptr, screen);
    if (!copied)
        return false;
    GdiFlush();
    pixels->resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels->size(); ++i) {
        const uint32_t p = canvas.bits[i]; // 0x00RRGGBB
        (*pixels)[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    return true;
}

COLORREF screenPixel(int x, int y) {
    std::vector<COLORREF> pixel;
    RECT area = {x, y, x + 1, y + 1};
    return captureScreen(area, &pixel) ? pixel[0] : CLR_INVALID;
}

bool saveScreenshotArea(const char* path, const RECT& area, int zoom) {
    std::vector<COLORREF> pixels;
    if (zoom < 1 || zoom > 16 || !captureScreen(area, &pixels))
        return false;
    const int areaWidth = area.right - area.left;
    const int width = areaWidth * zoom, height = (area.bottom - area.top) * zoom;
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rowBytes) * height;
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height; // bottom-up rows in the file
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    bool written =
        std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&header, sizeof header, 1, out) == 1;
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = height - 1; y >= 0 && written; --y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixels[static_cast<size_t>(y / zoom) * areaWidth + x / zoom];
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
        written = std::fwrite(row.data(), 1, row.size(), out) == row.size();
    }
    return std::fclose(out) == 0 && written;
}

bool saveScreenshot(const char* path) {
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return saveScreenshotArea(path, area);
}

void saveWindowPicture(HWND hwnd, const char* name) {
    char dir[MAX_PATH];
    if (!GetEnvironmentVariableA("VELMORA_SCREENSHOTS", dir, sizeof dir))
        return;
    RECT r;
    GetWindowRect(hwnd, &r);
    char path[MAX_PATH * 2];
    std::snprintf(path, sizeof path, "%s\\%s_%dx%d.bmp", dir, name, GetSystemMetrics(SM_CXSCREEN),
                  GetSystemMetrics(SM_CYSCREEN));
    saveScreenshotArea(path, r);
}

long freshGdiSlot() {
    HGDIOBJ probe = CreateSolidBrush(RGB(1, 2, 3));
    DeleteObject(probe);
    return static_cast<long>(reinterpret_cast<UINT_PTR>(probe) & 0xFFFF);
}

RECT primaryWorkArea() {
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT work = screen;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (!IntersectRect(&work, &work, &screen))
        work = screen;
    return work;
}

namespace {

// Announces the scale `to` to the window, from a window drawn at `from`, and reads its size.
std::string announceScale(HWND hwnd, int from, int to) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    RECT suggested = {r.left, r.top, r.left + MulDiv(r.right - r.left, to, from),
                      r.top + MulDiv(r.bottom - r.top, to, from)};
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(hwnd, &r);
    return std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + " ";
}

} // namespace

std::string dpiRoundTrips(HWND hwnd, int from, int to) {
    std::string sizes;
    for (int trip = 0; trip < 5; ++trip) {
        sizes += announceScale(hwnd, from, to);
        sizes += announceScale(hwnd, to, from);
    }
    for (int trip = 0; trip < 5; ++trip)
        sizes += announceScale(hwnd, to, from);
    return sizes;
}

std::string steadyRoundTrips(const char* sizeAtTo, const char* sizeAtFrom) {
    std::string sizes;
    for (int trip = 0; trip < 5; ++trip)
        sizes += std::string(sizeAtTo) + " " + sizeAtFrom + " ";
    for (int trip = 0; trip < 5; ++trip)
        sizes += std::string(sizeAtFrom) + " ";
    return sizes;
}

int controlFontHeight(HWND control) {
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    return font && GetObjectA(font, sizeof description, &description) ? description.lfHeight : 0;
}

int messageFontHeight() {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    return SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
               ? metrics.lfMessageFont.lfHeight
               : 0;
}
