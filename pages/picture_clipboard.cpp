// A saved picture on the clipboard, so that it can be pasted into a document at once.
#include <cstring>

#include "pages/page_save.h"

bool putPictureOnClipboard(HWND owner, const ScreenPicture& picture) {
    const size_t stride = (size_t(picture.width) * 3 + 3) & ~size_t(3);
    const size_t bytes = sizeof(BITMAPINFOHEADER) + stride * size_t(picture.height);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return false;
    BYTE* p = static_cast<BYTE*>(GlobalLock(memory));
    if (!p) {
        GlobalFree(memory);
        return false;
    }
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = picture.width;
    header.biHeight = picture.height; // bottom-up, as every reader of CF_DIB expects
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(stride * size_t(picture.height));
    std::memcpy(p, &header, sizeof header);
    BYTE* rows = p + sizeof header;
    for (int32_t y = 0; y < picture.height; ++y) {
        BYTE* row = rows + stride * size_t(picture.height - 1 - y);
        const uint32_t* from = picture.pixels.data() + size_t(y) * size_t(picture.width);
        for (int32_t x = 0; x < picture.width; ++x) {
            row[x * 3] = BYTE(from[x]);
            row[x * 3 + 1] = BYTE(from[x] >> 8);
            row[x * 3 + 2] = BYTE(from[x] >> 16);
        }
    }
    GlobalUnlock(memory);
    if (!OpenClipboard(owner)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool taken = SetClipboardData(CF_DIB, memory) != nullptr;
    CloseClipboard();
    if (!taken)
        GlobalFree(memory); // the clipboard owns it only once taken
    return taken;
}
