#pragma once
// A memory DC holding a 32-bit top-down DIB section, so a test can paint into it and read back
// every pixel as a COLORREF.
#include <windows.h>

#include <cstdint>

struct DibCanvas {
    DibCanvas(int width, int height);
    ~DibCanvas();
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;
    COLORREF pixel(int x, int y) const; // CLR_INVALID outside the canvas
    void fill(COLORREF colour);
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    uint32_t* bits = nullptr; // 0x00RRGGBB per pixel, rows top-down
    int width = 0, height = 0;
};
