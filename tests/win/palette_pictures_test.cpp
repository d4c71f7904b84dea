// The program's pictures and cursors as the program loads them, at 96 DPI and at the larger scales,
// and the whole palette assembled from 21 button windows: on screen every button shows the pixel of
// the picture its record names, so that the buttons together show one round picture, and the holes
// show the key colour.
// screens: sd hd144
// hd144 cases: ProgramPictures.Cursor*
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/shared/dpi.h"
#include "pages/page_state.h"
#include "resources/resource_ids.h"
#include "tests/support/palette_fixture.h"
#include "tests/support/wintest.h"

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

Pixels picturePixels(int id, int w, int h) {
    Pixels out;
    HBITMAP bitmap = loadPicture(id, w, h);
    if (!bitmap)
        return out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> bits(size_t(w) * size_t(h));
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, UINT(h), bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    if (rows != h)
        return out;
    out.w = w;
    out.h = h;
    for (DWORD v : bits)
        out.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return out;
}

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

TEST(ProgramPictures, CursorsHaveTheirSizesAndHotspots) {
    const struct {
        int id, size, hotX, hotY;
    } cursors[] = {{101, 32, 12, 1}, {103, 32, 7, 7},   {104, 32, 5, 9},   {105, 32, 5, 12},
                   {208, 32, 4, 4},  {216, 32, 8, 8},   {232, 32, 16, 16}, {264, 32, 16, 16},
                   {101, 48, 18, 2}, {103, 48, 11, 11}, {104, 48, 8, 14},  {105, 48, 8, 18},
                   {208, 48, 6, 6},  {216, 48, 12, 12}, {232, 48, 24, 24}, {264, 48, 24, 24},
                   {101, 64, 24, 2}, {103, 64, 14, 14}, {104, 64, 10, 18}, {105, 64, 10, 24},
                   {208, 64, 8, 8},  {216, 64, 16, 16}, {232, 64, 32, 32}, {264, 64, 32, 32}};
    for (const auto& c : cursors) {
        HCURSOR cursor = static_cast<HCURSOR>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.id), IMAGE_CURSOR, c.size, c.size, 0));
        ASSERT_NE(cursor, nullptr) << "cursor " << c.id << " at " << c.size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(cursor, &info)) << c.id;
        EXPECT_FALSE(info.fIcon) << c.id;
        EXPECT_EQ(int(info.xHotspot), c.hotX) << c.id << " at " << c.size;
        EXPECT_EQ(int(info.yHotspot), c.hotY) << c.id << " at " << c.size;
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(mask.bmWidth, c.size) << c.id;
        if (info.hbmMask)
            DeleteObject(info.hbmMask);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
        DestroyCursor(cursor);
        EXPECT_NE(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.id)), nullptr) << c.id;
    }
}

// A cursor's pixels from GetIconInfo: -1 where the mask lets the screen through, else the colour.
struct CursorBits {
    int size = 0, hotX = -1, hotY = -1;
    std::vector<int> px;
    int at(int x, int y) const {
        return x < 0 || y < 0 || x >= size || y >= size ? -1 : px[size_t(y * size + x)];
    }
};

std::vector<DWORD> bitmapBits(HBITMAP bitmap, int w, int h) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> bits(size_t(w) * size_t(h));
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, UINT(h), bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == h ? bits : std::vector<DWORD>();
}

CursorBits cursorBits(HCURSOR cursor) {
    CursorBits out;
    ICONINFO info = {};
    if (!cursor || !GetIconInfo(cursor, &info))
        return out;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    const int size = mask.bmWidth;
    std::vector<DWORD> andBits = bitmapBits(info.hbmMask, size, info.hbmColor ? size : size * 2);
    std::vector<DWORD> colour =
        info.hbmColor ? bitmapBits(info.hbmColor, size, size)
                      : std::vector<DWORD>(andBits.begin() + size * size, andBits.end()); // XOR half
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (andBits.size() < size_t(size * size) || colour.size() < size_t(size * size))
        return out;
    out.size = size;
    out.hotX = int(info.xHotspot);
    out.hotY = int(info.yHotspot);
    for (int i = 0; i < size * size; ++i)
        out.px.push_back((andBits[size_t(i)] & 0xFFFFFF) ? -1 : int(colour[size_t(i)] & 0xFFFFFF));
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

// FNV-1a over the pixels and the hot spot.
uint32_t fingerprint(const CursorBits& c) {
    uint32_t h = 2166136261u;
    auto add = [&h](int v) {
        for (int k = 0; k < 4; ++k)
            h = (h ^ uint32_t((v >> (8 * k)) & 0xFF)) * 16777619u;
    };
    for (int v : c.px)
        add(v);
    add(c.hotX);
    add(c.hotY);
    return h;
}

constexpr int WHITE_PX = 0xFFFFFF, BLACK_PX = 0;

// Each size of a hand or pen is drawn at that size: a clean outline two pixels wide all round
// (one pixel of a 32 x 32 picture enlarged by half leaves one-pixel stretches and doubled detail),
// and at 64 the shapes follow their curves finer than the 2 x 2 blocks of an enlarged 32.
TEST(ProgramPictures, CursorHandsAreDrawnAtEachSize) {
    for (int id : {101, 103, 104, 105})
        for (int size : {48, 64}) {
            CursorBits c = loadedCursor(id, size);
            ASSERT_EQ(c.size, size) << id;
            int thinOutline = 0, mixedBlocks = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    if (c.at(x, y) == WHITE_PX)
                        for (int d : {1, 2})
                            thinOutline += c.at(x - d, y) < 0 || c.at(x + d, y) < 0 || c.at(x, y - d) < 0 ||
                                           c.at(x, y + d) < 0;
            for (int y = 0; y < size; y += 2)
                for (int x = 0; x < size; x += 2)
                    mixedBlocks += c.at(x, y) != c.at(x + 1, y) || c.at(x, y) != c.at(x, y + 1) ||
                                   c.at(x, y) != c.at(x + 1, y + 1);
            EXPECT_EQ(thinOutline, 0) << "cursor " << id << " at " << size;
            if (size == 64) {
                EXPECT_GT(mixedBlocks, 20) << "cursor " << id << " at 64";
            }
            // The hot spot is on the drawing or beside it (the pen's tip, the finger's end).
            int drawn = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    drawn += c.at(c.hotX + dx, c.hotY + dy) >= 0;
            EXPECT_GT(drawn, 0) << "cursor " << id << " at " << size;
        }
}

// The eraser's square grows with the eraser at that scale: the eraser of 8 is 12 pixels at 144 DPI
// and 16 at 192, framed by a one-pixel outline with the hot spot at its centre.
TEST(ProgramPictures, CursorEraserSquaresFollowTheScaledEraser) {
    const struct {
        int id, size, side;
    } squares[] = {{208, 48, 13}, {208, 64, 17}, {216, 48, 25}, {216, 64, 33}, {232, 48, 48}, {232, 64, 64}};
    for (const auto& s : squares) {
        CursorBits c = loadedCursor(s.id, s.size);
        ASSERT_EQ(c.size, s.size) << s.id;
        int right = -1, bottom = -1;
        for (int y = 0; y < s.size; ++y)
            for (int x = 0; x < s.size; ++x)
                if (c.at(x, y) >= 0) {
                    right = std::max(right, x);
                    bottom = std::max(bottom, y);
                }
        EXPECT_EQ(right + 1, s.side) << s.id << " at " << s.size;
        EXPECT_EQ(bottom + 1, s.side) << s.id << " at " << s.size;
        EXPECT_EQ(c.at(0, 0), BLACK_PX) << s.id << " at " << s.size;
        EXPECT_EQ(c.at(1, 1), WHITE_PX) << s.id << " at " << s.size << ": the outline is one pixel";
    }
}

// The 32 x 32 images are the ones the program always had: every pixel and hot spot as before.
TEST(ProgramPictures, Cursor32ImagesUnchanged) {
    const struct {
        int id;
        uint32_t print;
    } cursors[] = {{101, 4211055777u}, {103, 3790991665u}, {104, 3373599689u}, {105, 3975743894u},
                   {208, 8677184u},    {216, 3825283936u}, {232, 1525111397u}, {264, 1525111397u}};
    for (const auto& c : cursors)
        EXPECT_EQ(fingerprint(loadedCursor(c.id, 32)), c.print) << "cursor " << c.id;
}

// What the system loads by itself is the image of its own cursor size, and the pages' cursors at a
// scale are the images drawn for it (48 at 144 DPI, 64 at 192), not the 32 enlarged.
TEST(ProgramPictures, CursorsLoadedAtTheirScale) {
    const int systemSize = GetSystemMetrics(SM_CXCURSOR);
    CursorBits own = cursorBits(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDCUR_PEN)));
    EXPECT_EQ(own.size, systemSize);
    if (systemSize == 32 || systemSize == 48 || systemSize == 64) {
        EXPECT_EQ(fingerprint(own), fingerprint(loadedCursor(IDCUR_PEN, systemSize)));
    }
    const struct {
        int dpi, id, size, hotX, hotY;
    } scaled[] = {
        {144, IDCUR_PEN, 48, 8, 14}, {192, IDCUR_PEN_CROSS, 64, 10, 24}, {144, IDCUR_ERASER_32, 48, 24, 24}};
    for (const auto& s : scaled) {
        setPageCursorDpi(s.dpi);
        loadPageCursor(s.id, false);
        CursorBits c = cursorBits(currentCursor);
        EXPECT_EQ(c.size, s.size) << s.id << " at " << s.dpi;
        EXPECT_EQ(c.hotX, s.hotX) << s.id << " at " << s.dpi;
        EXPECT_EQ(c.hotY, s.hotY) << s.id << " at " << s.dpi;
        EXPECT_EQ(fingerprint(c), fingerprint(loadedCursor(s.id, s.size))) << s.id << " at " << s.dpi;
    }
    setPageCursorDpi(96);
    loadPageCursor(IDCUR_PEN, false);
    EXPECT_EQ(currentCursor, LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDCUR_PEN)));
}

// Per row of a picture, the pixels that are neither the ground nor one of the inks, between the
// first and the last ink pixel, and the edges between ground and ink they lie on. Drawn at its size
// an anti-aliased edge has about one such pixel; enlarged, each grows by the factor.
double blendPerEdge(const Pixels& p, int fromX, COLORREF ground, std::vector<COLORREF> inks) {
    auto alike = [](COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) <= 10 && std::abs(GetGValue(a) - GetGValue(b)) <= 10 &&
               std::abs(GetBValue(a) - GetBValue(b)) <= 10;
    };
    inks.insert(inks.begin(), ground);
    long blends = 0, edges = 0;
    for (int y = 0; y < p.h; ++y) {
        std::vector<int> kind;
        int first = -1, last = -1;
        for (int x = fromX; x < p.w; ++x) {
            int k = -1;
            for (size_t i = 0; i < inks.size() && k < 0; ++i)
                if (alike(p.at(x, y), inks[i]))
                    k = int(i);
            if (k > 0)
                last = int(kind.size()), first = first < 0 ? last : first;
            kind.push_back(k);
        }
        int previous = -1, run = 0;
        for (int i = std::max(first, 0); i <= last; ++i) {
            if (kind[size_t(i)] < 0) {
                ++run;
                continue;
            }
            if (previous >= 0 && kind[size_t(i)] != previous) {
                ++edges;
                blends += run;
            }
            run = 0;
            previous = kind[size_t(i)];
        }
    }
    return edges ? double(blends) / double(edges) : 99.0;
}

// The logos at 150 and 200 %: at least the size they are shown at for their scale, the same picture
// as at 100 %, drawn at that size (their edges as sharp as at 100 %, not the 100 % one enlarged).
TEST(ProgramPictures, LogosAtTheLargerScales) {
    const COLORREF skin = RGB(228, 188, 150), ink = RGB(84, 44, 22), swoosh = RGB(200, 96, 40);
    const COLORREF card = RGB(250, 248, 244), text = RGB(40, 44, 52), orange = RGB(213, 151, 88);
    const struct {
        int id, w, h, shownW, shownH;
    } sets[] = {{1100, 645, 375, 330, 330},
                {2100, 860, 500, 440, 440},
                {1200, 768, 444, 768, 444},
                {2200, 1024, 592, 1024, 592}};
    const Pixels palette100 = picturePixels(IDB_PALETTE_LOGO, 430, 250),
                 calibration100 = picturePixels(IDB_CALIBRATION_LOGO, 430, 250);
    ASSERT_FALSE(palette100.px.empty());
    ASSERT_FALSE(calibration100.px.empty());
    const double sharpPalette = blendPerEdge(palette100, 0, skin, {ink, swoosh});
    const double sharpCalibration = blendPerEdge(calibration100, 172, card, {text, orange});
    for (const auto& s : sets) {
        HBITMAP b = loadPicture(s.id, 0, 0, LR_CREATEDIBSECTION);
        ASSERT_NE(b, nullptr) << "bitmap " << s.id;
        BITMAP bm = {};
        GetObjectA(b, sizeof bm, &bm);
        DeleteObject(b);
        EXPECT_EQ(bm.bmWidth, s.w) << s.id;
        EXPECT_EQ(bm.bmHeight, s.h) << s.id;
        EXPECT_GE(bm.bmWidth, s.shownW) << s.id;
        EXPECT_GE(bm.bmHeight, s.shownH) << s.id;
        const Pixels p = picturePixels(s.id, s.w, s.h);
        ASSERT_FALSE(p.px.empty()) << s.id;
        const bool isPalette = s.id % 1000 == IDB_PALETTE_LOGO;
        const Pixels& base = isPalette ? palette100 : calibration100;
        int same = 0;
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 430; ++x) {
                COLORREF a = base.at(x, y), c = p.at((2 * x + 1) * s.w / 860, (2 * y + 1) * s.h / 500);
                same += std::abs(GetRValue(a) - GetRValue(c)) + std::abs(GetGValue(a) - GetGValue(c)) < 24;
            }
        EXPECT_GT(same, 430 * 250 * 9 / 10) << s.id << ": the same picture as at 100 %";
        const double sharp = isPalette ? blendPerEdge(p, 0, skin, {ink, swoosh})
                                       : blendPerEdge(p, 172 * s.w / 430, card, {text, orange});
        EXPECT_LT(sharp, (isPalette ? sharpPalette : sharpCalibration) * 1.2)
            << s.id << ": edges as sharp as at 100 %";
    }
    // The face shows the logo through the palette's set: never with the key colour, at any scale.
    for (int dpi : {120, 144, 192}) {
        const int side = 220 * dpi / 96;
        HBITMAP face = loadPictureForDpi(GetModuleHandleA(nullptr), IDB_PALETTE_LOGO, side, side, dpi);
        ASSERT_NE(face, nullptr) << dpi;
        std::vector<DWORD> bits = bitmapBits(face, side, side);
        DeleteObject(face);
        ASSERT_EQ(bits.size(), size_t(side * side)) << dpi;
        int keys = 0;
        for (DWORD v : bits)
            keys += (v & 0xFFFFFF) == 0xC8C8C8;
        EXPECT_EQ(keys, 0) << dpi;
    }
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
