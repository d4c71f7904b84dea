// The picture generator: draws every picture the program loads, from code, into the directory
// given as its only argument. Run at build time; nothing it writes is committed.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/picgen/picgen.h"

namespace {

struct Image {
    int w, h;
    std::vector<uint32_t> px; // 0xAARRGGBB, top row first
    Image(int w_, int h_, uint32_t fill) : w(w_), h(h_), px(size_t(w_) * h_, fill) {}
    void set(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h)
            px[size_t(y) * w + x] = c;
    }
    void rect(int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                set(x, y, c);
    }
};

void put16(std::vector<uint8_t>& b, unsigned v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// One 32-bit image as an icon directory entry's data: BITMAPINFOHEADER (double height), pixels
// bottom-up, then the 1-bit AND mask.
std::vector<uint8_t> iconImage(const Image& im) {
    std::vector<uint8_t> b;
    put32(b, 40);
    put32(b, uint32_t(im.w));
    put32(b, uint32_t(im.h * 2));
    put16(b, 1);
    put16(b, 32);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    for (int y = im.h - 1; y >= 0; --y)
        for (int x = 0; x < im.w; ++x)
            put32(b, im.px[size_t(y) * im.w + x]);
    int maskStride = ((im.w + 31) / 32) * 4;
    for (int y = im.h - 1; y >= 0; --y) {
        std::vector<uint8_t> row(size_t(maskStride), 0);
        for (int x = 0; x < im.w; ++x)
            if ((im.px[size_t(y) * im.w + x] >> 24) == 0)
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

bool writeIcon(const std::string& path, const std::vector<Image>& images) {
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, unsigned(images.size()));
    std::vector<std::vector<uint8_t>> data;
    for (const Image& im : images)
        data.push_back(iconImage(im));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(uint8_t(images[i].w == 256 ? 0 : images[i].w));
        out.push_back(uint8_t(images[i].h == 256 ? 0 : images[i].h));
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, uint32_t(data[i].size()));
        put32(out, offset);
        offset += uint32_t(data[i].size());
    }
    for (const auto& d : data)
        out.insert(out.end(), d.begin(), d.end());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

// The program's icon: a white board in a dark frame on legs, with a blue pen across it.
Image boardIcon(int n) {
    Image im(n, n, 0x00000000);
    auto s = [n](int v) { return v * n / 32; };
    const uint32_t frame = 0xFF303840, board = 0xFFFFFFFF, ink = 0xFF2060D0, pen = 0xFFE08020;
    im.rect(s(3), s(25), s(5), s(31), frame); // legs
    im.rect(s(27), s(25), s(29), s(31), frame);
    im.rect(s(1), s(3), s(31), s(26), frame); // frame
    im.rect(s(3), s(5), s(29), s(24), board); // board
    for (int x = s(5); x < s(20); ++x)        // a stroke on the board
        im.rect(x, s(15) + (x % s(6) < s(3) ? -(x % s(3)) : (x % s(3))) - s(1), x + 1, s(15) + s(1), ink);
    for (int i = 0; i < s(14); ++i) { // the pen, tip at the stroke's end
        int x = s(20) + i, y = s(15) - i;
        im.rect(x - s(1), y - s(1), x + s(2), y + s(2), pen);
    }
    im.rect(s(19), s(15), s(21), s(17), 0xFF202020); // its tip
    return im;
}

} // namespace

// A palette picture with a key-colour pixel would have a hole inside a button: refuse to write it.
bool freeOfKeyColour(int id, const Picture& picture) {
    for (int y = 0; y < picture.h; ++y)
        for (int x = 0; x < picture.w; ++x)
            if (picture.at(x, y) == KEY_RGB) {
                std::fprintf(stderr, "picgen: bitmap %d has the key colour RGB(200,200,200) at (%d, %d)\n",
                             id, x, y);
                return false;
            }
    return true;
}

bool writeBitmap(const std::string& dir, int id, const Picture& picture, bool isPalettePicture) {
    if (isPalettePicture && !freeOfKeyColour(id, picture))
        return false;
    std::string path = dir + "/bitmap" + std::to_string(id) + ".bmp";
    if (!writeBmp(path, picture)) {
        std::fprintf(stderr, "picgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: picgen OUTPUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = writeIcon(dir + "/icon103.ico", {boardIcon(16), boardIcon(32), boardIcon(48)});
    if (!ok)
        std::fprintf(stderr, "picgen: cannot write into %s\n", dir.c_str());
    ok = writeBitmap(dir, 100, paletteLogo(), true) && ok;
    ok = writeBitmap(dir, 200, calibrationLogo(), false) && ok;
    for (const NamedPicture& named : palettePictures())
        ok = writeBitmap(dir, named.id, named.picture, true) && ok;
    for (int page = 1; page <= 4; ++page)
        ok = writeBitmap(dir, 300 + page, helpPage(page), false) && ok;
    for (const auto& cursor : cursorSet()) {
        std::string path = dir + "/cursor" + std::to_string(cursor.first) + ".cur";
        if (!writeCursor(path, cursor.second)) {
            std::fprintf(stderr, "picgen: cannot write %s\n", path.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
