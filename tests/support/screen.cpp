// Reading the screen's pixels and saving screenshots.
#include "tests/support/wintest.h"

#include <cstdio>

bool captureScreen(const RECT& area, std::vector<COLORREF>* pixels) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
        if (copied) {
            const auto* p = static_cast<const DWORD*>(bits); // 0x00RRGGBB
            pixels->resize(static_cast<size_t>(width) * height);
            for (size_t i = 0; i < pixels->size(); ++i)
                (*pixels)[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied;
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

RECT primaryWorkArea() {
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT work = screen;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (!IntersectRect(&work, &work, &screen))
        work = screen;
    return work;
}
