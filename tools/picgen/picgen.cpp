// The picture generator: draws every picture the program's resources carry (the 100 % set), from
// code, into the directory given as its first argument. "--larger DIR" also writes the pictures at
// 150 and 200 % into DIR, as the resources carried them before the program drew its other scales
// itself: the picture test compares what the program draws with them. Run at build time; nothing
// it writes is committed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/logo_pictures.h"
#include "board/core/board_bar_layout.h"
#include "board/core/board_bar_pictures.h"
#include "palette/core/tool_strip_pictures.h"
#include "palette/core/palette_pictures.h"
#include "tools/picgen/picgen.h"
#include "win32/core/dpi_scale.h"

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

// A size of 256 is written as 0 in the directory.
bool writeIcon(const std::string& path, const std::vector<Image>& images) {
    std::vector<IconFileEntry> entries;
    for (const Image& im : images)
        entries.push_back(
            {uint8_t(im.w == 256 ? 0 : im.w), uint8_t(im.h == 256 ? 0 : im.h), 0, 1, 32, iconImage(im)});
    return writeIconFile(path, 1, entries);
}

// The program's icon: a white board in a dark frame on two legs, a blue stroke on it and an orange
// pen whose tip rests at the stroke's end; drawn in 32 units, anti-aliased, with alpha.
Image boardIcon(int n) {
    Image im(n, n, 0x00000000);
    const double k = 32.0 / n;             // units per pixel
    const double thick = std::max(1.0, k); // strokes stay at least a pixel wide at 16 x 16
    LineArt legs, stroke, pen, tip;
    legs.width = 2.2 * thick;
    legs.lines = {{{8, 25}, {5.5, 30.5}}, {{24, 25}, {26.5, 30.5}}};
    stroke.width = 1.8 * thick;
    LinePoints wave;
    for (int i = 0; i <= 24; ++i) {
        double t = i / 24.0;
        wave.push_back({6.5 + 13.5 * t, 17.5 - 3.5 * t + 2.0 * std::sin(t * 2 * RASTER_PI * 1.5)});
    }
    stroke.lines = {wave};
    pen.width = 4.2;
    pen.lines = {{{22.5, 12.5}, {29.5, 3.5}}};
    tip.width = 1.6 * thick;
    tip.lines = {{{20.3, 14.7}, {22.6, 12.2}}};
    const Rgb frame = {48, 56, 64}, board = {255, 255, 255}, ink = {32, 96, 208}, body = {232, 132, 36};
    auto sample = [&](double x, double y, Rgb* c) {
        if (tip.covers(x, y))
            *c = {32, 32, 32};
        else if (pen.covers(x, y))
            *c = body;
        else if (x >= 4 && x <= 28 && y >= 6 && y <= 23.5)
            *c = stroke.covers(x, y) ? ink : board;
        else if (x >= 1.5 && x <= 30.5 && y >= 3.5 && y <= 26)
            *c = frame;
        else if (legs.covers(x, y))
            *c = frame;
        else
            return false;
        return true;
    };
    const int ss = 4;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            double r = 0, g = 0, b = 0;
            int covered = 0;
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i) {
                    Rgb c;
                    if (sample((x + (i + 0.5) / ss) * k, (y + (j + 0.5) / ss) * k, &c)) {
                        r += c.r;
                        g += c.g;
                        b += c.b;
                        ++covered;
                    }
                }
            if (!covered)
                continue;
            uint32_t a = uint32_t(std::lround(255.0 * covered / (ss * ss)));
            auto ch = [covered](double v) { return uint32_t(std::lround(v / covered)); };
            im.set(x, y, (a << 24) | (ch(r) << 16) | (ch(g) << 8) | ch(b));
        }
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

// 96, 120, 144, 168 and 192 DPI (100 to 200 % in the steps Windows offers): the system takes the
// largest image not above the size asked for and enlarges it, so each scale has its own. 32 comes
// first: a load that names no size and asks for no default size takes the first image.
constexpr int CURSOR_SIZES[] = {32, 40, 48, 56, 64};

bool writeCursorSizes(const std::string& dir, int32_t id) {
    std::vector<CursorImage> images;
    for (int size : CURSOR_SIZES) {
        images.push_back({});
        drawPageCursor(id, size, &images.back());
    }
    const std::string path = dir + "/cursor" + std::to_string(id) + ".cur";
    if (writeCursor(path, images))
        return true;
    std::fprintf(stderr, "picgen: cannot write %s\n", path.c_str());
    return false;
}

// The bitmaps of one scale; the ids of 150 and 200 % are pictureSetId's.
bool writeBitmaps(const std::string& dir, int percent) {
    const int32_t dpi = BASE_DPI * percent / 100;
    bool ok = writeBitmap(dir, pictureSetId(IDB_PALETTE_LOGO, percent), paletteLogo(dpi), true);
    ok = writeBitmap(dir, pictureSetId(IDB_CALIBRATION_LOGO, percent), calibrationLogo(dpi), false) && ok;
    for (const auto& named : palettePictures(dpi))
        ok = writeBitmap(dir, pictureSetId(named.first, percent), named.second, true) && ok;
    for (int page = 1; page <= 4; ++page)
        ok =
            writeBitmap(dir, pictureSetId(IDB_HELP_PAGE_1 - 1 + page, percent), helpPage(page, dpi), false) &&
            ok;
    return ok;
}

int main(int argc, char** argv) {
    const bool larger = argc == 4 && std::string(argv[2]) == "--larger";
    if (argc != 2 && !larger) {
        std::fprintf(stderr, "usage: picgen OUTPUT_DIR [--larger DIR]\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = writeIcon(dir + "/icon103.ico", {boardIcon(16), boardIcon(32), boardIcon(48)});
    if (!ok)
        std::fprintf(stderr, "picgen: cannot write into %s\n", dir.c_str());
    ok = writeBitmaps(dir, 100) && ok;
    if (larger)
        for (int percent : {150, 200})
            ok = writeBitmaps(argv[3], percent) && ok;
    ok = writeBitmap(dir, IDB_BOARD_BAR_NORMAL, boardBarStrip(false, BOARD_BAR_PICTURE_CELL), true) && ok;
    ok = writeBitmap(dir, IDB_BOARD_BAR_PRESSED, boardBarStrip(true, BOARD_BAR_PICTURE_CELL), true) && ok;
    for (int32_t id : {IDB_TOOL_STRIP_NORMAL, IDB_TOOL_STRIP_PRESSED}) {
        Picture strip;
        ok = drawToolStripPicture(id, BASE_DPI, &strip) && writeBitmap(dir, id, strip, true) && ok;
    }
    for (int32_t id : PAGE_CURSOR_IDS)
        ok = writeCursorSizes(dir, id) && ok;
    return ok ? 0 : 1;
}
