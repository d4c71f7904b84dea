// Screenshots for the session's report: the screen as the user sees it, as a 24-bit .bmp.
#include "tools/demo/demo.h"

#include <cstdio>

namespace {

// Copies an area of the screen, enlarged zoom times, into a bottom-up 24-bit DIB section and
// writes it as a .bmp file.
bool saveScreen(const char* path, const RECT& area, int zoom) {
    int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    if (areaWidth <= 0 || areaHeight <= 0 || zoom < 1 || zoom > 16)
        return false;
    int width = areaWidth * zoom, height = areaHeight * zoom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = StretchBlt(memory, 0, 0, width, height, screen, area.left, area.top, areaWidth, areaHeight,
                        SRCCOPY) != FALSE;
        SelectObject(memory, old);
        GdiFlush();
    }
    DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    DWORD imageSize = stride * DWORD(height);
    if (ok) {
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42; // "BM"
        file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        file.bfSize = file.bfOffBits + imageSize;
        FILE* f = fopen(path, "wb");
        ok = f && fwrite(&file, sizeof file, 1, f) == 1 &&
             fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f) == 1 &&
             fwrite(bits, 1, imageSize, f) == imageSize;
        if (f && fclose(f) != 0)
            ok = false;
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

} // namespace

bool demoScreenshot(DemoSession& session, const char* name) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return demoScreenshotArea(session, name, screen, 1);
}

bool demoScreenshotArea(DemoSession& session, const char* name, const RECT& area, int zoom) {
    std::string path = session.outDir + "\\" + name + ".bmp";
    if (!saveScreen(path.c_str(), area, zoom)) {
        demoNote(session, "screenshot %s could not be taken", name);
        return false;
    }
    session.screenshots.push_back(std::string(name) + ".png");
    demoNote(session, "screenshot: %s.png", name);
    return true;
}
