// The program's pictures and cursors as the program loads them, at 96 DPI and at the larger scales
// (drawn at run time at every scale but 100 %, the same pixels as the generator's 150 and 200 %
// pictures linked into this test alone), and the whole palette assembled from 21 button windows: on
// screen every button shows the pixel of the picture its record names, so that the buttons
// together show one round picture, and the holes show the key colour.
// screens: sd hd144
// hd144 cases: ProgramPictures.Cursor*
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "app/program_pictures.h"
#include "board/core/board_bar_pictures.h"
#include "pages/page_state.h"
#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"
#include "win32/dpi.h"
#include "win32/drawn_pictures.h"
#include "tests/support/flush_events.h"
#include "tests/support/palette_fixture.h"
#include "tests/support/screen.h"

namespace {

constexpr COLORREF KEY = RGB(200, 200, 200);
constexpr int LEFT = 40, TOP = 40; // the test palette's place on the screen

HBITMAP loadPicture(int id, int w, int h, UINT flags = LR_DEFAULTCOLOR) {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, w, h, flags));
}

// A picture's pixels, loaded as the buttons load it (stretched to 220 x 220).
struct Pixels {
    int w = 0, h = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

// A bitmap's pixels as 32-bit 0x00RRGGBB words, top row first; empty when they cannot be read.
std::vector<DWORD> bitmapBits(HBITMAP bitmap, int w, int h) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> bits(size_t(w) * size_t(h));
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, UINT(h), bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == h ? bits : std::vector<DWORD>();
}

Pixels bitmapPixels(HBITMAP bitmap, int w, int h) {
    Pixels out;
    if (!bitmap)
        return out;
    const std::vector<DWORD> bits = bitmapBits(bitmap, w, h);
    DeleteObject(bitmap);
    if (bits.empty())
        return out;
    out.w = w;
    out.h = h;
    for (DWORD v : bits)
        out.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return out;
}

Pixels picturePixels(int id, int w, int h) {
    return bitmapPixels(loadPicture(id, w, h), w, h);
}

// A picture as the program loads it for a window at dpi, at its size there.
Pixels programPixels(int id, int w, int h, int32_t dpi) {
    return bitmapPixels(loadPictureForDpi(GetModuleHandleA(nullptr), id, w, h, dpi), w, h);
}

// The pictures the program draws at run time, as the program registers their drawers at start.
struct ProgramPictureDrawers : ::testing::Environment {
    void SetUp() override { registerProgramPictures(); }
};
const ::testing::Environment* const drawers = ::testing::AddGlobalTestEnvironment(new ProgramPictureDrawers);

std::string hex(COLORREF c) {
    char s[16];
    std::snprintf(s, sizeof s, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

TEST(ProgramPictures, SizesAndDepths) {
    const int palette[] = {101, 102, 103, 113, 114, 115, 116, 117, 118, 119, 120, 301, 302, 303, 304};
    for (int id : palette) {
        HBITMAP b = loadPicture(id, 0, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(b, nullptr) << "bitmap " << id;
        DIBSECTION dib = {};
        ASSERT_EQ(GetObjectA(b, sizeof dib, &dib), int(sizeof dib)) << id;
        EXPECT_EQ(dib.dsBm.bmWidth, 220) << id;
        EXPECT_EQ(dib.dsBm.bmHeight, 220) << id;
        EXPECT_EQ(dib.dsBmih.biBitCount, 24) << id;
        DeleteObject(b);
    }
    for (int id : {100, 200}) {
        HBITMAP b = loadPicture(id, 0, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(b, nullptr) << "bitmap " << id;
        BITMAP bm = {};
        GetObjectA(b, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 430) << id;
        EXPECT_EQ(bm.bmHeight, 250) << id;
        DeleteObject(b);
    }
    // Ids the palette never shows (104 .. 112) are not needed; an unknown id loads nothing.
    EXPECT_EQ(loadPicture(999, 220, 220), nullptr);
}

// A key-colour pixel inside a palette picture would be a hole in a button on the layered palette.
TEST(ProgramPictures, PalettePicturesNeverUseTheKeyColour) {
    for (int id : {100, 101, 102, 103, 113, 114, 115, 116, 117, 118, 119, 120, 1100, 2100}) {
        Pixels p = id == 100    ? picturePixels(id, 430, 250)
                   : id == 1100 ? picturePixels(id, 645, 375)
                   : id == 2100 ? picturePixels(id, 860, 500)
                                : picturePixels(id, 220, 220);
        ASSERT_FALSE(p.px.empty()) << id;
        Pixels stretched = picturePixels(id, 220, 220); // as the face shows the logo
        int keys = 0;
        for (COLORREF c : p.px)
            keys += c == KEY;
        for (COLORREF c : stretched.px)
            keys += c == KEY;
        EXPECT_EQ(keys, 0) << "bitmap " << id;
    }
}

TEST(ProgramPictures, HelpPagesAreBlackOnBrightGreen) {
    for (int id = 301; id <= 304; ++id) {
        Pixels p = picturePixels(id, 220, 220);
        ASSERT_FALSE(p.px.empty()) << id;
        EXPECT_EQ(p.at(2, 2), RGB(0, 255, 0)) << id;
        EXPECT_EQ(p.at(217, 217), RGB(0, 255, 0)) << id;
        int black = 0, left = 220, right = 0, top = 220, bottom = 0;
        for (int y = 0; y < 220; ++y)
            for (int x = 0; x < 220; ++x)
                if (p.at(x, y) == RGB(0, 0, 0)) {
                    ++black;
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        EXPECT_GT(black, 800) << id;
        // The help window shows about the top-left 210 x 190 of a page: the text lies within it.
        EXPECT_LT(right, 205) << id;
        EXPECT_LT(bottom, 185) << id;
        EXPECT_GT(left, 5) << id;
        EXPECT_GT(top, 5) << id;
    }
    // The pages differ only by their number.
    Pixels a = picturePixels(301, 220, 220), b = picturePixels(302, 220, 220);
    EXPECT_NE(a.px, b.px);
}

// A cursor's pixels from GetIconInfo: -1 where the mask lets the screen through, else the colour.
struct CursorBits {
    int size = 0, hotX = -1, hotY = -1;
    std::vector<int> px;
    int at(int x, int y) const {
        return x < 0 || y < 0 || x >= size || y >= size ? -1 : px[size_t(y * size + x)];
    }
    uint32_t fingerprint() const { // FNV-1a over the pixels and the hot spot
        uint32_t h = 2166136261u;
        for (int v : px)
            h = (h ^ uint32_t(v)) * 16777619u;
        return (h ^ uint32_t(hotX * 256 + hotY)) * 16777619u;
    }
};

CursorBits cursorBits(HCURSOR cursor) {
    CursorBits out;
    ICONINFO info = {};
    if (!cursor || !GetIconInfo(cursor, &info))
        return out;
    EXPECT_FALSE(info.fIcon);
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    const int size = mask.bmWidth;
    std::vector<DWORD> andBits = bitmapBits(info.hbmMask, size, size),
                       colour = bitmapBits(info.hbmColor, size, size);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    if (andBits.empty() || colour.empty())
        return out;
    out = {size, int(info.xHotspot), int(info.yHotspot), {}};
    for (size_t i = 0; i < andBits.size(); ++i)
        out.px.push_back((andBits[i] & 0xFFFFFF) ? -1 : int(colour[i] & 0xFFFFFF));
    return out;
}

CursorBits loadedCursor(int id, int size) {
    HCURSOR c = static_cast<HCURSOR>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_CURSOR, size, size, 0));
    CursorBits bits = cursorBits(c);
    if (c)
        DestroyCursor(c);
    return bits;
}

constexpr int WHITE_PX = 0xFFFFFF, BLACK_PX = 0;

// Every cursor has an image of each size, its hot spot scaled with it; the 32 x 32 images are the
// ones the program always had, pixel for pixel.
TEST(ProgramPictures, CursorsHaveTheirSizesAndHotspots) {
    const struct {
        int id, size, hotX, hotY;
    } cursors[] = {{101, 32, 12, 1}, {103, 32, 7, 7},   {104, 32, 5, 9},   {105, 32, 5, 12},
                   {208, 32, 4, 4},  {216, 32, 8, 8},   {232, 32, 16, 16}, {264, 32, 16, 16},
                   {101, 48, 18, 2}, {103, 48, 11, 11}, {104, 48, 8, 14},  {105, 48, 8, 18},
                   {208, 48, 6, 6},  {216, 48, 12, 12}, {232, 48, 24, 24}, {264, 48, 24, 24},
                   {101, 64, 24, 2}, {103, 64, 14, 14}, {104, 64, 10, 18}, {105, 64, 10, 24},
                   {208, 64, 8, 8},  {216, 64, 16, 16}, {232, 64, 32, 32}, {264, 64, 32, 32},
                   {103, 40, 9, 9},  {216, 40, 10, 10}, {104, 56, 9, 16}};           // 125 and 175 %
    const uint32_t prints32[] = {3412867781u, 1811087849u, 736962312u,  3976912668u, // the first 8 rows'
                                 3487039715u, 2131357399u, 1362918011u, 1362918011u};
    for (const auto& c : cursors) {
        const size_t row = size_t(&c - cursors);
        CursorBits bits = loadedCursor(c.id, c.size);
        ASSERT_EQ(bits.size, c.size) << "cursor " << c.id;
        EXPECT_EQ(bits.hotX, c.hotX) << c.id << " at " << c.size;
        EXPECT_EQ(bits.hotY, c.hotY) << c.id << " at " << c.size;
        if (row < std::size(prints32)) {
            EXPECT_EQ(bits.fingerprint(), prints32[row]) << c.id;
        }
        EXPECT_NE(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.id)), nullptr) << c.id;
    }
}

// The hands and pens at 48 and 64 are drawn at that size: a clean outline two pixels wide all
// round (a 32 x 32 picture enlarged by half leaves one-pixel stretches), at 64 following their
// curves finer than the 2 x 2 blocks of an enlarged 32, the hot spot on the drawing. The eraser's
// square grows with the eraser at that scale (8 is 12 pixels at 144 DPI) in a one-pixel frame.
TEST(ProgramPictures, CursorsAreDrawnAtEachSize) {
    for (int id : {101, 103, 104, 105})
        for (int size : {48, 64}) {
            CursorBits c = loadedCursor(id, size);
            ASSERT_EQ(c.size, size) << id;
            int thinOutline = 0, mixedBlocks = 0, onDrawing = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    for (int d : {1, 2})
                        thinOutline += c.at(x, y) == WHITE_PX && (c.at(x - d, y) < 0 || c.at(x + d, y) < 0 ||
                                                                  c.at(x, y - d) < 0 || c.at(x, y + d) < 0);
                    mixedBlocks += x % 2 == 0 && y % 2 == 0 &&
                                   (c.at(x, y) != c.at(x + 1, y) || c.at(x, y) != c.at(x, y + 1));
                    onDrawing += std::abs(x - c.hotX) <= 1 && std::abs(y - c.hotY) <= 1 && c.at(x, y) >= 0;
                }
            EXPECT_EQ(thinOutline, 0) << "cursor " << id << " at " << size;
            EXPECT_GT(mixedBlocks, size == 64 ? 20 : 0) << "cursor " << id << " at " << size;
            EXPECT_GT(onDrawing, 0) << "cursor " << id << " at " << size;
        }
    const struct {
        int id, size, side;
    } squares[] = {{208, 48, 13}, {208, 64, 17}, {216, 48, 25}, {216, 64, 33}, {232, 48, 48}, {232, 64, 64}};
    for (const auto& s : squares) {
        CursorBits c = loadedCursor(s.id, s.size);
        ASSERT_EQ(c.size, s.size) << s.id;
        EXPECT_GE(c.at(s.side - 1, s.side - 1), 0) << s.id << " at " << s.size;
        EXPECT_LT(c.at(s.side, s.side - 1), 0) << s.id << " at " << s.size;
        EXPECT_EQ(c.at(0, 0), BLACK_PX) << s.id << " at " << s.size;
        EXPECT_EQ(c.at(1, 1), WHITE_PX) << s.id << " at " << s.size << ": the frame is one pixel";
    }
}

// What the system loads by itself is the image of its own cursor size (32 at 96 DPI); the pages'
// cursors at a scale are the images drawn for it (40 at 120 DPI, 48 at 144, 56 at 168, 64 at 192).
TEST(ProgramPictures, CursorsLoadedAtTheirScale) {
    const int systemSize = GetSystemMetrics(SM_CXCURSOR);
    CursorBits own = cursorBits(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDCUR_PEN)));
    EXPECT_EQ(own.fingerprint(), loadedCursor(IDCUR_PEN, systemSize).fingerprint()) << systemSize;
    const struct {
        int dpi, id, size;
    } scaled[] = {{144, IDCUR_PEN, 48},
                  {192, IDCUR_PEN_CROSS, 64},
                  {144, IDCUR_ERASER_32, 48},
                  {120, IDCUR_GRABBING_HAND, 40},
                  {168, IDCUR_PEN, 56}};
    for (const auto& s : scaled) {
        setPageCursorDpi(s.dpi);
        loadPageCursor(s.id, false);
        EXPECT_EQ(cursorBits(currentCursor).fingerprint(), loadedCursor(s.id, s.size).fingerprint()) << s.id;
    }
    // Drawn at run time, every cursor at 125 to 200 % is the generator's image of that size.
    for (int id : {101, 103, 104, 105, 208, 216, 232, 264})
        for (int32_t dpi : {120, 144, 168, 192}) {
            setPageCursorDpi(dpi);
            loadPageCursor(id, false);
            EXPECT_EQ(cursorBits(currentCursor).fingerprint(), loadedCursor(id, dpi / 3).fingerprint())
                << "cursor " << id << " at " << dpi;
        }
    // At 100 % the 32 image, also where the system's own size is another (on the 144-DPI prefix:
    // a board at 100 % beside a primary monitor at 150 %).
    setPageCursorDpi(96);
    loadPageCursor(IDCUR_PEN, false);
    EXPECT_EQ(cursorBits(currentCursor).fingerprint(), loadedCursor(IDCUR_PEN, 32).fingerprint());
    if (systemSize == 32) {
        EXPECT_EQ(currentCursor, LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDCUR_PEN)));
    }

    // A board dragged over monitors of many scales: each cursor at each size is loaded once, and
    // every later load of it is that same cursor, however many sizes came before (no new cursor
    // per load, which would never be destroyed).
    const int ids[] = {IDCUR_PEN, IDCUR_PEN_CROSS, IDCUR_GRABBING_HAND, IDCUR_POINTING_HAND};
    std::vector<HCURSOR> first;
    for (int round = 0; round < 2; ++round) {
        size_t k = 0;
        for (int dpi = 100; dpi <= 288; dpi += 12) // 17 scales: more cursors than any fixed table
            for (int id : ids) {
                setPageCursorDpi(dpi);
                loadPageCursor(id, false);
                if (round == 0)
                    first.push_back(currentCursor);
                else
                    EXPECT_EQ(currentCursor, first[k])
                        << "cursor " << id << " at " << dpi << " DPI loaded anew";
                ++k;
            }
    }
    setPageCursorDpi(96);
}

// At 125, 175, 250 and 300 % each cursor is drawn at its size (40, 56, 80, 96), its hot spot
// scaled from its place at 32; the hands and pens keep an outline at least two pixels wide and, at
// 96, follow their curves finer than the 3 x 3 blocks of an enlarged 32; the eraser's square grows
// with the eraser at that scale in a one-pixel frame.
TEST(ProgramPictures, CursorsAtEveryScale) {
    const struct {
        int id, hotX, hotY;
    } at32[] = {{101, 12, 1}, {103, 7, 7}, {104, 5, 9},   {105, 5, 12},
                {208, 4, 4},  {216, 8, 8}, {232, 16, 16}, {264, 16, 16}};
    for (int32_t dpi : {120, 168, 240, 288})
        for (const auto& c : at32) {
            const int size = scaledForDpi(32, dpi);
            setPageCursorDpi(dpi);
            loadPageCursor(c.id, false);
            const CursorBits bits = cursorBits(currentCursor);
            ASSERT_EQ(bits.size, size) << "cursor " << c.id << " at " << dpi;
            EXPECT_EQ(bits.hotX, scaledForDpi(c.hotX, dpi)) << c.id << " at " << dpi;
            EXPECT_EQ(bits.hotY, scaledForDpi(c.hotY, dpi)) << c.id << " at " << dpi;
            if (c.id >= IDCUR_ERASER_8) {
                const int side = scaledForDpi(std::min(c.id - IDCUR_ERASER_BASE, 32), dpi) + 1;
                EXPECT_GE(bits.at(std::min(side, size) - 1, std::min(side, size) - 1), 0)
                    << c.id << " at " << dpi;
                if (side < size) {
                    EXPECT_LT(bits.at(side, side - 1), 0) << c.id << " at " << dpi;
                }
                EXPECT_EQ(bits.at(0, 0), BLACK_PX) << c.id << " at " << dpi;
                EXPECT_EQ(bits.at(1, 1), WHITE_PX) << c.id << " at " << dpi << ": the frame is one pixel";
                continue;
            }
            int thinOutline = 0, mixedBlocks = 0, onDrawing = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    for (int d : {1, 2})
                        thinOutline +=
                            bits.at(x, y) == WHITE_PX && (bits.at(x - d, y) < 0 || bits.at(x + d, y) < 0 ||
                                                          bits.at(x, y - d) < 0 || bits.at(x, y + d) < 0);
                    mixedBlocks +=
                        x % 3 == 0 && y % 3 == 0 &&
                        (bits.at(x, y) != bits.at(x + 1, y) || bits.at(x, y) != bits.at(x, y + 1) ||
                         bits.at(x + 1, y) != bits.at(x + 2, y));
                    onDrawing +=
                        std::abs(x - bits.hotX) <= 1 && std::abs(y - bits.hotY) <= 1 && bits.at(x, y) >= 0;
                }
            EXPECT_EQ(thinOutline, 0) << "cursor " << c.id << " at " << dpi;
            EXPECT_GT(onDrawing, 0) << "cursor " << c.id << " at " << dpi;
            if (size == 96) {
                EXPECT_GT(mixedBlocks, 20) << "cursor " << c.id << " at " << dpi;
            }
        }
    setPageCursorDpi(96);
}

// Per row, the pixels between the first and the last ink pixel that are neither the ground nor an
// ink, per edge between two of those. Drawn at its size, an anti-aliased edge has about one such
// pixel; a picture enlarged by a factor has that many times more.
double blendPerEdge(const Pixels& p, int fromX, std::vector<COLORREF> colours) { // ground first
    long blends = 0, edges = 0;
    for (int y = 0; y < p.h; ++y) {
        int previous = -1, run = 0, pendingBlends = 0, pendingEdges = 0;
        for (int x = fromX; x < p.w; ++x) {
            int k = -1;
            for (size_t i = 0; i < colours.size() && k < 0; ++i) {
                COLORREF a = p.at(x, y), b = colours[i];
                if (std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
                        std::abs(GetBValue(a) - GetBValue(b)) <=
                    24)
                    k = int(i);
            }
            if (k < 0) {
                ++run;
                continue;
            }
            if (previous >= 0 && k != previous) {
                pendingBlends += run;
                ++pendingEdges;
            }
            if (k > 0) { // an ink: what lay before it was between inks
                blends += pendingBlends;
                edges += pendingEdges;
                pendingBlends = pendingEdges = 0;
            }
            run = 0;
            previous = previous < 0 && k == 0 ? -1 : k;
        }
    }
    return edges ? double(blends) / double(edges) : 99.0;
}

// The logos at 150 and 200 %: at least the size they are shown at for their scale, the same picture
// as at 100 %, drawn at that size (edges as sharp as at 100 %, not the 100 % one enlarged).
TEST(ProgramPictures, LogosAtTheLargerScales) {
    const std::vector<COLORREF> paletteColours = {RGB(228, 188, 150), RGB(84, 44, 22), RGB(200, 96, 40)};
    const std::vector<COLORREF> calibrationColours = {RGB(250, 248, 244), RGB(40, 44, 52), RGB(213, 151, 88)};
    const struct {
        int id, w, h, shownW, shownH;
    } sets[] = {{1100, 645, 375, 330, 330},
                {2100, 860, 500, 440, 440},
                {1200, 768, 444, 768, 444},
                {2200, 1024, 592, 1024, 592}};
    for (const auto& s : sets) {
        const bool isPalette = s.id % 1000 == IDB_PALETTE_LOGO;
        const Pixels base = picturePixels(s.id % 1000, 430, 250), p = picturePixels(s.id, s.w, s.h);
        ASSERT_FALSE(p.px.empty()) << "bitmap " << s.id;
        HBITMAP b = loadPicture(s.id, 0, 0, LR_CREATEDIBSECTION);
        BITMAP bm = {};
        GetObjectA(b, sizeof bm, &bm);
        DeleteObject(b);
        EXPECT_EQ(bm.bmWidth, s.w) << s.id;
        EXPECT_EQ(bm.bmHeight, s.h) << s.id;
        EXPECT_TRUE(s.w >= s.shownW && s.h >= s.shownH) << s.id;
        int same = 0;
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 430; ++x) {
                COLORREF a = base.at(x, y), c = p.at((2 * x + 1) * s.w / 860, (2 * y + 1) * s.h / 500);
                same += std::abs(GetRValue(a) - GetRValue(c)) + std::abs(GetGValue(a) - GetGValue(c)) < 24;
            }
        EXPECT_GT(same, 430 * 250 * 9 / 10) << s.id << ": the same picture as at 100 %";
        const std::vector<COLORREF>& colours = isPalette ? paletteColours : calibrationColours;
        const int textX = isPalette ? 0 : 172; // the calibration logo's name, right of its emblem
        EXPECT_LT(blendPerEdge(p, textX * s.w / 430, colours), blendPerEdge(base, textX, colours) * 1.2)
            << s.id << ": edges as sharp as at 100 %";
    }
}

// The pictures the program draws, with their size at 96 DPI as shown: the palette logo is drawn
// at its scale's size of 430 x 250, the calibration logo at the 512 x 296 it is shown at.
struct Shown {
    int id, w96, h96;
};
const Shown SHOWN[] = {{100, 430, 250}, {101, 220, 220}, {102, 220, 220}, {103, 220, 220}, {113, 220, 220},
                       {114, 220, 220}, {115, 220, 220}, {116, 220, 220}, {117, 220, 220}, {118, 220, 220},
                       {119, 220, 220}, {120, 220, 220}, {200, 512, 296}, {301, 220, 220}, {302, 220, 220},
                       {303, 220, 220}, {304, 220, 220}};

int differentPixels(const Pixels& a, const Picture& b) {
    int differ = 0;
    for (int y = 0; y < a.h && y < b.h; ++y)
        for (int x = 0; x < a.w && x < b.w; ++x) {
            const Rgb c = b.at(x, y);
            differ += a.at(x, y) != RGB(c.r, c.g, c.b);
        }
    return differ;
}

// At 150 and 200 % the program draws, pixel for pixel, the pictures the generator draws for those
// scales (which the resources carried before); the board bar's strip of 96-pixel cells is the
// resources' one.
TEST(ProgramPictures, DrawnAt150And200AsTheGeneratorDrewThem) {
    for (int percent : {150, 200}) {
        const int32_t dpi = BASE_DPI * percent / 100;
        for (const Shown& s : SHOWN) {
            const int setId = pictureSetId(s.id, percent);
            HBITMAP b = loadPicture(setId, 0, 0, LR_CREATEDIBSECTION);
            ASSERT_NE(b, nullptr) << "the generator's bitmap " << setId;
            BITMAP bm = {};
            GetObjectA(b, sizeof bm, &bm);
            DeleteObject(b);
            const Pixels generated = picturePixels(setId, bm.bmWidth, bm.bmHeight);
            const std::shared_ptr<const Picture> drawn = drawnPicture(s.id, dpi);
            ASSERT_NE(drawn, nullptr) << s.id << " at " << dpi;
            EXPECT_EQ(drawn->w, bm.bmWidth) << s.id << " at " << dpi;
            EXPECT_EQ(drawn->h, bm.bmHeight) << s.id << " at " << dpi;
            EXPECT_EQ(differentPixels(generated, *drawn), 0) << s.id << " at " << dpi;
        }
    }
    for (int pressed = 0; pressed < 2; ++pressed) {
        const Picture strip = boardBarStrip(pressed == 1, 96);
        const Pixels resource =
            picturePixels(pressed ? IDB_BOARD_BAR_PRESSED : IDB_BOARD_BAR_NORMAL, strip.w, strip.h);
        ASSERT_FALSE(resource.px.empty());
        EXPECT_EQ(differentPixels(resource, strip), 0) << "board bar " << pressed;
    }
}

// At 125, 175, 250 and 300 % every picture is drawn at its size for that scale (never another
// scale's picture resized), the same picture as at 100 %, with edges as sharp as at 100 % (the
// measure of LogosAtTheLargerScales, on the logos and the help pages); the window's load of it is
// those pixels. Today a 125 % window got the 150 % picture shrunk and a 250 % one the 200 %
// picture enlarged: their edges are blurred.
TEST(ProgramPictures, PicturesAtEveryScale) {
    const std::vector<COLORREF> paletteColours = {RGB(228, 188, 150), RGB(84, 44, 22), RGB(200, 96, 40)};
    const std::vector<COLORREF> calibrationColours = {RGB(250, 248, 244), RGB(40, 44, 52), RGB(213, 151, 88)};
    const std::vector<COLORREF> helpColours = {RGB(0, 255, 0), RGB(0, 0, 0)};
    for (int32_t dpi : {120, 168, 240, 288})
        for (const Shown& s : SHOWN) {
            const int w = scaledForDpi(s.w96, dpi), h = scaledForDpi(s.h96, dpi);
            const Pixels p = programPixels(s.id, w, h, dpi);
            ASSERT_FALSE(p.px.empty()) << s.id << " at " << dpi;
            const std::shared_ptr<const Picture> drawn = drawnPicture(s.id, dpi);
            ASSERT_NE(drawn, nullptr) << s.id << " at " << dpi;
            EXPECT_EQ(drawn->w, w) << s.id << " at " << dpi << ": drawn at its size";
            EXPECT_EQ(drawn->h, h) << s.id << " at " << dpi;
            EXPECT_EQ(differentPixels(p, *drawn), 0) << s.id << " at " << dpi << ": loaded as drawn";
            const int baseW = s.id == 100 || s.id == 200 ? 430 : 220,
                      baseH = s.id == 100 || s.id == 200 ? 250 : 220;
            const Pixels base = picturePixels(s.id, baseW, baseH);
            int same = 0;
            for (int y = 0; y < baseH; ++y)
                for (int x = 0; x < baseW; ++x) {
                    COLORREF a = base.at(x, y),
                             c = p.at((2 * x + 1) * w / (2 * baseW), (2 * y + 1) * h / (2 * baseH));
                    same +=
                        std::abs(GetRValue(a) - GetRValue(c)) + std::abs(GetGValue(a) - GetGValue(c)) < 24;
                }
            EXPECT_GT(same, baseW * baseH * 8 / 10)
                << s.id << " at " << dpi << ": the same picture as at 100 %";
            if (s.id == 100 || s.id == 200 || s.id >= 301) {
                const std::vector<COLORREF>& colours = s.id == 100   ? paletteColours
                                                       : s.id == 200 ? calibrationColours
                                                                     : helpColours;
                const int textX = s.id == 200 ? 172 : 0;
                EXPECT_LT(blendPerEdge(p, textX * w / baseW, colours),
                          blendPerEdge(base, textX, colours) * 1.2)
                    << s.id << " at " << dpi << ": edges as sharp as at 100 %";
            }
        }
}

// Each picture is drawn once for a scale and kept: painted again at that scale it is not drawn
// again; at a change of scale it is drawn for the new one, and again when the scale comes back.
TEST(ProgramPictures, DrawnOncePerScale) {
    const int32_t before = picturesDrawn();
    ASSERT_NE(drawnPicture(IDB_HELP_PAGE_2, 132), nullptr);
    const std::shared_ptr<const Picture> first = drawnPicture(IDB_HELP_PAGE_2, 132);
    for (int i = 0; i < 3; ++i) {
        HBITMAP b = loadPictureForDpi(GetModuleHandleA(nullptr), IDB_HELP_PAGE_2, 303, 303, 132);
        EXPECT_NE(b, nullptr);
        DeleteObject(b);
    }
    EXPECT_EQ(picturesDrawn(), before + 1) << "drawn once at 132 DPI";
    EXPECT_EQ(drawnPicture(IDB_HELP_PAGE_2, 132), first);
    ASSERT_NE(drawnPicture(IDB_HELP_PAGE_2, 156), nullptr);
    EXPECT_EQ(picturesDrawn(), before + 2) << "drawn again at a new scale";
    EXPECT_EQ(drawnPicture(IDB_HELP_PAGE_2, 156)->w, 358);
    ASSERT_NE(drawnPicture(IDB_HELP_PAGE_2, 132), nullptr);
    EXPECT_EQ(picturesDrawn(), before + 3);
    // At 100 % the resource, and an id no drawer draws is the resource stretched: nothing drawn.
    HBITMAP b = loadPictureForDpi(GetModuleHandleA(nullptr), IDB_HELP_PAGE_2, 220, 220, 96);
    EXPECT_NE(b, nullptr);
    DeleteObject(b);
    EXPECT_EQ(drawnPicture(999, 144), nullptr);
    EXPECT_EQ(picturesDrawn(), before + 3);

    // Asked for while a thread draws it ahead: drawn once, by one of the two, the other waiting.
    const int32_t ahead[] = {IDB_HELP_PAGE_3};
    drawPicturesAhead(ahead, 1, 200);
    ASSERT_NE(drawnPicture(IDB_HELP_PAGE_3, 200), nullptr);
    EXPECT_EQ(picturesDrawn(), before + 4) << "drawn twice at once";
}

// Points of button n that no other button's region reaches and whose 5 x 5 neighbourhood is n's
// own by the core's hit test, so the platform's rounding of region edges does not matter.
std::vector<POINT> samplePoints(const TestPalette& palette, int n) {
    static std::vector<POINT> cache[PALETTE_BUTTON_COUNT];
    std::vector<POINT>& points = cache[n];
    if (!points.empty())
        return points;
    int step = (n == BUTTON_N_RIGHT_EYE || n == BUTTON_N_LEFT_EYE) ? 1 : 4;
    for (int y = 2; y < PALETTE_SIZE - 2; y += step)
        for (int x = 2; x < PALETTE_SIZE - 2; x += step) {
            bool ok = true;
            for (int dy = -2; dy <= 2 && ok; ++dy)
                for (int dx = -2; dx <= 2 && ok; ++dx) {
                    int owner = -1, owners = 0;
                    for (int m = 0; m < PALETTE_BUTTON_COUNT; ++m)
                        if (pointInButton(palette.shapes, m, x + dx + 0.5, y + dy + 0.5)) {
                            owner = m;
                            ++owners;
                        }
                    ok = owners == 1 && owner == n;
                }
            if (ok)
                points.push_back({x, y});
        }
    return points;
}

enum class Look { Start, Pressed, Hover };

void applyLook(TestPalette& palette, Look look) {
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        initButtonRecord(&palette.records[n], n);
        ButtonRecord& r = palette.records[n];
        if (r.kind == BUTTON_SWATCH || r.kind == BUTTON_GRIP || r.kind == BUTTON_INDICATOR)
            continue;
        if (look == Look::Pressed)
            r.picture = 102;
        if (look == Look::Hover)
            r.picture = 103;
    }
    for (HWND b : palette.buttons)
        InvalidateRect(b, nullptr, TRUE);
    palette.paintNow();
    flushEvents(200);
}

void checkAssembled(TestPalette& palette, const char* lookName) {
    RECT area = {LEFT, TOP, LEFT + PALETTE_SIZE, TOP + PALETTE_SIZE};
    std::vector<COLORREF> screen;
    ASSERT_TRUE(captureScreen(area, &screen));
    auto onScreen = [&](int x, int y) { return screen[size_t(y) * PALETTE_SIZE + size_t(x)]; };
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        const ButtonRecord& r = palette.records[n];
        Pixels picture;
        if (r.kind != BUTTON_SWATCH)
            picture = picturePixels(r.picture, PALETTE_SIZE, PALETTE_SIZE);
        std::vector<POINT> points = samplePoints(palette, n);
        ASSERT_FALSE(points.empty()) << "button " << n;
        int wrong = 0;
        std::string first;
        for (POINT p : points) {
            COLORREF expected = r.kind == BUTTON_SWATCH ? COLORREF(r.colour) : picture.at(p.x, p.y);
            if (onScreen(p.x, p.y) != expected) {
                if (wrong++ == 0)
                    first = "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ") shows " +
                            hex(onScreen(p.x, p.y)) + ", picture " + std::to_string(r.picture) + " has " +
                            hex(expected);
            }
        }
        EXPECT_EQ(wrong, 0) << lookName << ": button " << n << ", " << wrong << " of " << points.size()
                            << " samples wrong, first " << first;
    }
    // Where no button lies, the parent's key-colour background shows (transparent on the palette).
    const POINT holes[] = {{1, 1}, {218, 1}, {1, 218}, {218, 218}, {155, 187}, {190, 168}};
    for (POINT h : holes)
        EXPECT_EQ(onScreen(h.x, h.y), KEY)
            << lookName << ": hole (" << h.x << ", " << h.y << ") shows " << hex(onScreen(h.x, h.y));
    if (const char* dir = std::getenv("VELMORA_SHOTS")) {
        std::string path = std::string(dir) + "\\palette_" + lookName + ".bmp";
        saveScreenshotArea(path.c_str(), area);
    }
}

TEST(AssembledPalette, ButtonsTogetherShowOneRoundPicture) {
    TestPalette palette(LEFT, TOP);
    ASSERT_NE(palette.parent, nullptr);
    flushEvents(300);
    applyLook(palette, Look::Start);
    checkAssembled(palette, "start");
    applyLook(palette, Look::Pressed);
    checkAssembled(palette, "pressed");
    applyLook(palette, Look::Hover);
    checkAssembled(palette, "hover");
    // The rims with each of their markers.
    for (int k = 0; k < 4; ++k) {
        applyLook(palette, Look::Start);
        palette.records[BUTTON_N_COLOUR_RIM].picture = 113 + k;
        palette.records[BUTTON_N_WIDTH_RIM].picture = 117 + k;
        InvalidateRect(palette.buttons[BUTTON_N_COLOUR_RIM], nullptr, TRUE);
        InvalidateRect(palette.buttons[BUTTON_N_WIDTH_RIM], nullptr, TRUE);
        palette.paintNow();
        flushEvents(100);
        checkAssembled(palette, ("marker" + std::to_string(k)).c_str());
    }
}

} // namespace
