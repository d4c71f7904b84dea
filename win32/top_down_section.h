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

// A top-down section held in a memory DC of its own, made larger when a drawing needs more and
// otherwise kept from drawing to drawing (making a section per drawing costs more than drawing).
struct GrowingSection {
    HDC dc = nullptr;
    HBITMAP section = nullptr;
    uint32_t* bits = nullptr;
    int32_t width = 0, height = 0; // of the section: a row is `width` words

    // At least w x h; false (the section as it was) when a larger one cannot be made.
    bool fit(int32_t w, int32_t h) {
        if (section && w <= width && h <= height)
            return true;
        const int32_t newWidth = w > width ? w : width, newHeight = h > height ? h : height;
        uint32_t* newBits = nullptr;
        HBITMAP made = topDownSection(newWidth, newHeight, &newBits);
        if (!made)
            return false;
        if (!dc)
            dc = CreateCompatibleDC(nullptr);
        if (!dc) {
            DeleteObject(made);
            return false;
        }
        SelectObject(dc, made); // the DC's own first bitmap is never needed again
        if (section)
            DeleteObject(section);
        section = made;
        bits = newBits;
        width = newWidth;
        height = newHeight;
        return true;
    }
    void release() {
        if (dc)
            DeleteDC(dc);
        if (section)
            DeleteObject(section);
        *this = GrowingSection{};
    }
};
