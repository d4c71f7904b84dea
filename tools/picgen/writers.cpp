// File formats written by hand: BMP (24 bits per pixel), CUR (16 colours, 1-bit mask) and the
// directory that icon and cursor files share.
#include <cstdio>

#include "tools/picgen/picgen.h"

void put16(std::vector<uint8_t>& b, unsigned v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writeIconFile(const std::string& path, unsigned type, const std::vector<IconFileEntry>& entries) {
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, type);
    put16(out, unsigned(entries.size()));
    uint32_t offset = 6 + 16 * uint32_t(entries.size());
    for (const IconFileEntry& e : entries) {
        out.push_back(e.width);
        out.push_back(e.height);
        out.push_back(e.colours);
        out.push_back(0);
        put16(out, e.planesOrHotX);
        put16(out, e.bitsOrHotY);
        put32(out, uint32_t(e.data.size()));
        put32(out, offset);
        offset += uint32_t(e.data.size());
    }
    for (const IconFileEntry& e : entries)
        out.insert(out.end(), e.data.begin(), e.data.end());
    return writeFile(path, out);
}

namespace {

void putInfoHeader(std::vector<uint8_t>& b, int w, int h, unsigned bits, uint32_t imageSize,
                   uint32_t colours) {
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h));
    put16(b, 1);
    put16(b, bits);
    put32(b, 0); // BI_RGB
    put32(b, imageSize);
    put32(b, 2835); // 72 dpi
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
}

} // namespace

bool writeBmp(const std::string& path, const Picture& p) {
    uint32_t stride = (uint32_t(p.w) * 3 + 3) & ~3u;
    uint32_t imageSize = stride * uint32_t(p.h);
    std::vector<uint8_t> b;
    b.push_back('B');
    b.push_back('M');
    put32(b, 14 + 40 + imageSize);
    put32(b, 0);
    put32(b, 14 + 40);
    putInfoHeader(b, p.w, p.h, 24, imageSize, 0);
    for (int y = p.h - 1; y >= 0; --y) {
        size_t start = b.size();
        for (int x = 0; x < p.w; ++x) {
            Rgb c = p.at(x, y);
            b.push_back(c.b);
            b.push_back(c.g);
            b.push_back(c.r);
        }
        while (b.size() - start < stride)
            b.push_back(0);
    }
    return writeFile(path, b);
}

namespace {

// One cursor image: BITMAPINFOHEADER with double height, 16-colour palette, 4-bit colour rows and
// the 1-bit AND mask (1 = transparent), both bottom-up.
std::vector<uint8_t> cursorData(const CursorImage& im) {
    uint32_t colourStride = ((uint32_t(im.w) * 4 + 31) / 32) * 4;
    uint32_t maskStride = ((uint32_t(im.w) + 31) / 32) * 4;
    std::vector<uint8_t> b;
    putInfoHeader(b, im.w, im.h * 2, 4, (colourStride + maskStride) * uint32_t(im.h), 16);
    for (const Rgb& c : cursorPalette) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        b.push_back(0);
    }
    for (int y = im.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(colourStride, 0);
        for (int x = 0; x < im.w; ++x) {
            int i = im.index[size_t(y) * size_t(im.w) + size_t(x)];
            uint8_t v = uint8_t(i < 0 ? 0 : i & 15);
            row[size_t(x / 2)] |= uint8_t(x % 2 ? v : v << 4);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    for (int y = im.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < im.w; ++x)
            if (im.index[size_t(y) * size_t(im.w) + size_t(x)] < 0)
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

} // namespace

bool writeCursor(const std::string& path, const std::vector<CursorImage>& images) {
    std::vector<IconFileEntry> entries;
    for (const CursorImage& im : images)
        entries.push_back(
            {uint8_t(im.w), uint8_t(im.h), 16, unsigned(im.hotX), unsigned(im.hotY), cursorData(im)});
    return writeIconFile(path, 2, entries);
}
