#pragma once
// The highlighter, free of the platform: its tools (one per marker colour), its width, and how a
// stroke lays its colour over what lies beneath.
//
// A highlight is laid into the page's canvas where the canvas is empty, as the colour of what the
// screen shows there blended with the marker's colour: 60 % of the pixel beneath and 40 % of the
// marker (alpha blending rather than a multiply: a multiply vanishes on a dark slide, and 60 % of
// the pixel keeps more than half of any contrast beneath). Ink is never covered: a pixel of ink
// under a stroke stays as it is, and ink drawn later lies over the highlight. A pixel the stroke
// has coloured is no longer empty, so a stroke that passes over itself is one shade.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pages/core/page_rules.h"

// The four highlighter tools of the tool strip: yellow (the first), green, pink and blue.
constexpr int32_t TOOL_HIGHLIGHTER_FIRST = 100311;
constexpr int32_t HIGHLIGHTER_COLOURS = 4;

// Whether the tool is one of the highlighters.
bool isHighlighter(int32_t tool);
// The marker colour of a highlighter tool, as a 32-bit DIB pixel (0x00RRGGBB); yellow for any
// other tool.
uint32_t highlighterPixel(int32_t tool);
// The stroke's width in pixels: the pen's width times four, at least 16 at 96 DPI (scaled).
int32_t highlighterWidth(int32_t penWidth, int32_t dpi);

// 60 % of `beneath` and 40 % of `marker`, each channel rounded; never `key` (a result that would
// be the transparent key is moved by one level of blue).
uint32_t blendHighlight(uint32_t beneath, uint32_t marker, uint32_t key);

// Lays one piece of a stroke into a run of `count` pixels of a canvas row, all under the piece:
// where the canvas pixel is `key` (empty), it becomes blendHighlight(beneath, marker, key). Returns
// how many pixels changed.
size_t layHighlight(uint32_t* canvas, const uint32_t* beneath, size_t count, uint32_t marker, uint32_t key);

// The stretch of a run of `count` canvas pixels from its first empty (`key`) pixel to just past its
// last, [*first, *end); false when none is empty (then nothing under the run can change).
bool emptyStretch(const uint32_t* canvas, size_t count, uint32_t key, size_t* first, size_t* end);

// One row's pixels [left, right); none when left >= right.
struct RowSpan {
    int32_t left;
    int32_t right;
};

// The pixels one piece of a stroke `width` pixels wide from a to b covers, as a wide pen with
// round ends draws it: those whose centre lies within width / 2 of the segment, the segment
// running through the pixels' corners for an even width and through their centres for an odd one,
// so that a straight band is exactly `width` pixels across. Row by row over `box`: spans[y -
// box.top] is row y's part, clipped to the box (the cover is convex: one run per row). Returns the
// smallest rectangle holding them all, empty when none. Coordinates up to +-100,000.
IntRect highlightCover(IntPoint a, IntPoint b, int32_t width, const IntRect& box, RowSpan* spans);

// Which parts of a surface have had what lies beneath them read from the screen during the stroke
// under way, in square tiles. A screen read costs a round trip to the display, many times a piece's
// own work, and a stroke's pieces mostly fall on tiles read for the pieces before: each tile is read
// once per stroke. What is read stands for the whole stroke (what the screen shows beneath an empty
// pixel is the same a moment later); a new stroke forgets it all.
class BeneathTiles {
  public:
    static constexpr int32_t TILE = 64;

    // Nothing has been read: the next stroke reads the screen afresh.
    void forget();
    // The rectangle to read so that every pixel of `need` is known, on a surface of width x height
    // (another size than the last call's forgets all first): the smallest tile-aligned rectangle
    // holding the tiles of `need` not read yet, clipped to the surface, or an empty one when all
    // have been read. Every tile inside it counts as read from then on.
    IntRect toRead(const IntRect& need, int32_t width, int32_t height);
    // Whether every tile of `need` (clipped to the surface) has been read, on a surface of width x
    // height; false on a surface of another size than the last toRead's.
    bool allRead(const IntRect& need, int32_t width, int32_t height) const;

  private:
    // The tiles of `need` on the current surface not read yet, as the inclusive range of columns
    // c0..c1 and rows r0..r1 that holds them all; c1 < 0 when there are none.
    struct TileRange {
        int32_t c0, r0, c1, r1;
    };
    TileRange unread(const IntRect& need) const;

    int32_t width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
    std::vector<uint8_t> read_; // one per tile, row by row
};
