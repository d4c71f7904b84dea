#pragma once
// A 32-bit DIB section whose first row is the top one, for reading and writing pixels of a
// picture as one array of 0x00RRGGBB words. Null (and *bits null) when it cannot be made.
#include <windows.h>

#include <cstdint>

inline HBITMAP topDownSection(int32_t width, int32_t height, uint32_t** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
    *bits = static_cast<uint32_t*>(p);
    return section;
}
