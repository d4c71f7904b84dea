// The program's pictures as the program loads them, and the whole palette assembled from 21 button
// windows: on screen every button shows the pixel of the picture its record names, so that the
// buttons together show one round picture, and the holes show the key colour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

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
    for (int id : {100, 101, 102, 103, 113, 114, 115, 116, 117, 118, 119, 120}) {
        Pixels p = id == 100 ? picturePixels(id, 430, 250) : picturePixels(id, 220, 220);
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
    } cursors[] = {{101, 32, 12, 1},  {103, 32, 7, 7},  {104, 32, 5, 9},   {105, 32, 5, 12},
                   {208, 32, 4, 4},   {216, 32, 8, 8},  {232, 48, 16, 16}, {264, 48, 16, 16},
                   {232, 32, 16, 16}, {264, 32, 16, 16}};
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
