#pragma once
// Shared pieces of the picture generator: images, anti-aliased stroke drawing, a small stroke font
// and the file writers. Everything is drawn from code; nothing is read from disk.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

struct Rgb {
    uint8_t r, g, b;
};
inline bool operator==(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

// A 24-bit picture, top row first.
struct Picture {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Picture(int w_, int h_, Rgb fill) : w(w_), h(h_), px(size_t(w_) * size_t(h_), fill) {}
    Rgb& at(int x, int y) { return px[size_t(y) * size_t(w) + size_t(x)]; }
    Rgb at(int x, int y) const { return px[size_t(y) * size_t(w) + size_t(x)]; }
};

// Fills every pixel with the average of n x n samples of colourAt, taken at the sample centres in
// pixel coordinates (pixel (x, y) spans [x, x + 1) x [y, y + 1)).
void renderSupersampled(Picture& picture, int n, const std::function<Rgb(double, double)>& colourAt);

Rgb mix(Rgb a, Rgb b, double t); // t = 0 gives a, 1 gives b

// Line art: polylines with round ends and joins, in some local unit; a point is "on" the art when it
// lies within half the stroke width of a segment.
struct Point2 {
    double x, y;
};
using Polyline = std::vector<Point2>;
struct LineArt {
    std::vector<Polyline> lines;
    double width = 1.0;
    bool covers(double x, double y) const;
};
// Points along a circular arc (angles in degrees, screen orientation: clockwise from +x).
Polyline arc(double cx, double cy, double r, double fromDeg, double toDeg, int steps = 24);
// Points along an ellipse's outline, closed.
Polyline ellipseOutline(double cx, double cy, double rx, double ry, int steps = 48);
void append(Polyline& line, const Polyline& more);

// The stroke font: a few letters, the digits and the two characters of the word for help, in em
// units (baseline y = 0, up is negative). text() lays them out from x = 0; advance is the width.
struct TextArt {
    LineArt art;
    double advance = 0;
};
TextArt strokeText(const std::string& text, double strokeWidth);

// File writers. Little-endian 16- and 32-bit fields, as every Windows file format has them.
void put16(std::vector<uint8_t>& b, unsigned v);
void put32(std::vector<uint8_t>& b, uint32_t v);
// The whole file at once; false when it could not be written completely.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// An icon (type 1) or cursor (type 2) file: the 6-byte directory header, one 16-byte entry a
// picture, then the pictures' data in the same order.
struct IconFileEntry {
    uint8_t width, height, colours; // 0 for a width or height of 256, colours 0 for more than 256
    unsigned planesOrHotX;          // icon: colour planes (1); cursor: the hotspot's x
    unsigned bitsOrHotY;            // icon: bits per pixel; cursor: the hotspot's y
    std::vector<uint8_t> data;      // the picture: BITMAPINFOHEADER with double height, pixels, mask
};
bool writeIconFile(const std::string& path, unsigned type, const std::vector<IconFileEntry>& entries);
// A Windows BMP (BITMAPINFOHEADER, 24 bits per pixel, bottom-up).
bool writeBmp(const std::string& path, const Picture& picture);
// 16-colour cursor images: palette indices per pixel, -1 transparent, with the hotspot.
struct CursorImage {
    int w, h, hotX, hotY;
    std::vector<int> index; // w * h, top row first
};
bool writeCursor(const std::string& path, const std::vector<CursorImage>& images);
extern const Rgb cursorPalette[16];
enum CursorColour {
    CUR_BLACK = 0,
    CUR_RED = 9,
    CUR_YELLOW = 11,
    CUR_BLUE = 12,
    CUR_GREY = 8,
    CUR_SILVER = 7,
    CUR_WHITE = 15
};

// The pictures.
struct NamedPicture {
    int id;
    Picture picture;
};
std::vector<NamedPicture> boardBarPictures(); // 130, 131: the board bar's strips
// percent: 100, 150 or 200; the ids of a larger set are pictureSetId(id, percent).
std::vector<NamedPicture> palettePictures(int percent = 100);      // 101, 102, 103, 113 .. 120
Picture paletteNormalPicture(int percent = 100);                   // 101 alone
Picture paletteLogo(int percent = 100);                            // 100: 430 x 250 at 100 %
Picture calibrationLogo(int percent = 100);                        // 200: 430 x 250; others as shown
Picture helpPage(int number, int percent = 100);                   // 301 .. 304 show 1 .. 4
std::vector<std::pair<int, std::vector<CursorImage>>> cursorSet(); // 101, 103, 104, 105, 208, 216, 232, 264

// The key colour of the layered palette; no palette picture may contain it.
constexpr Rgb KEY_RGB = {200, 200, 200};
// A pixel that came out as the key colour is moved by one level, which no eye sees.
Rgb avoidKey(Rgb c);
