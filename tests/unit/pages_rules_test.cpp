// The pages' exact rules: pointer decoding and clamping, canvas size, the eraser's square and hull, the
// capture's clamping and "strictly inside"; the undo history and the saved picture's name.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "win32/core/dpi_scale.h"
#include "pages/core/highlight.h"
#include "pages/core/page_rules.h"
#include "pages/core/picture_name.h"
#include "pages/core/text_rules.h"
#include "pages/core/undo_history.h"

namespace {

int64_t cross(IntPoint o, IntPoint a, IntPoint b) {
    return int64_t(a.x - o.x) * (b.y - o.y) - int64_t(a.y - o.y) * (b.x - o.x);
}

// Inside or on a convex polygon given in either orientation.
bool insideConvex(const IntPoint* poly, int n, IntPoint p) {
    bool pos = false, neg = false;
    for (int i = 0; i < n; ++i) {
        const int64_t c = cross(poly[i], poly[(i + 1) % n], p);
        pos |= c > 0;
        neg |= c < 0;
    }
    return !(pos && neg);
}

TEST(PagesPointer, LowWordIsXHighWordIsYBothSigned) {
    EXPECT_EQ(pointerFromLParam(0x00320064u).x, 100);
    EXPECT_EQ(pointerFromLParam(0x00320064u).y, 50);
    // Left of or above a page that holds the mouse: negative, never a position near 65535.
    const IntPoint p = pointerFromLParam(0xFFFEFFFFu);
    EXPECT_EQ(p.x, -1);
    EXPECT_EQ(p.y, -2);
    EXPECT_EQ(pointerFromLParam(0x7FFF8000u).x, -32768);
    EXPECT_EQ(pointerFromLParam(0x7FFF8000u).y, 32767);
}

TEST(PagesPointer, ClampedToTheSurfaceEdgeByEdge) {
    struct Case {
        IntPoint in, out;
    };
    const Case cases[] = {
        {{-40, 300}, {0, 300}},     {{300, -1}, {300, 0}},       {{-5, -5}, {0, 0}},
        {{1024, 767}, {1023, 767}}, {{5000, 9000}, {1023, 767}}, {{0, 0}, {0, 0}},
        {{1023, 0}, {1023, 0}},     {{-32768, 32767}, {0, 767}},
    };
    for (const Case& c : cases) {
        const IntPoint p = clampToSurface(c.in, 1024, 768);
        EXPECT_TRUE(p.x == c.out.x && p.y == c.out.y) << c.in.x << "," << c.in.y << " gave " << p.x << ","
                                                      << p.y << ", wanted " << c.out.x << "," << c.out.y;
    }
    const IntPoint none = clampToSurface({50, -50}, 0, 0);
    EXPECT_TRUE(none.x == 0 && none.y == 0) << none.x << "," << none.y;
}

TEST(PagesCanvas, AtLeast2000x1500AndAtLeastTheScreen) {
    EXPECT_EQ(canvasSize(1024, 768).x, 2000);
    EXPECT_EQ(canvasSize(1024, 768).y, 1500);
    EXPECT_EQ(canvasSize(1920, 1080).x, 2000);
    EXPECT_EQ(canvasSize(2560, 1440).x, 2560); // wider screens must not lose strokes beyond x 2000
    EXPECT_EQ(canvasSize(2560, 1440).y, 1500);
    EXPECT_EQ(canvasSize(3840, 2160).y, 2160);
}

TEST(PagesEraser, SquareAroundThePointerWithHalfSizeTruncated) {
    IntPoint s[4];
    eraserSquare({100, 50}, 16, s);
    EXPECT_EQ(s[0].x, 92);
    EXPECT_EQ(s[0].y, 42);
    EXPECT_EQ(s[2].x, 108);
    EXPECT_EQ(s[2].y, 58);
    eraserSquare({10, 10}, 9, s); // h = 4
    EXPECT_EQ(s[1].x, 14);
    EXPECT_EQ(s[3].y, 14);
}

struct HullCase {
    IntPoint p, q;
    IntPoint corners[6];
};

// The eraser's sizes grow with the board monitor's scale; its cursor is the one of the size it was
// picked as, so every scaled size still finds a cursor the program has.
TEST(PagesEraser, CursorOfTheSizeAtAnyScale) {
    const int32_t sizes[4] = {8, 16, 32, 64};
    for (int32_t dpi : {96, 120, 144, 168, 192})
        for (int32_t size : sizes) {
            const int32_t shown = scaledForDpi(size, dpi);
            EXPECT_EQ(eraserCursorId(shown, dpi), IDCUR_ERASER_BASE + size)
                << size << " shown " << shown << " at " << dpi;
            EXPECT_EQ(toolCursorId(TOOL_ERASER, shown, dpi), IDCUR_ERASER_BASE + size);
        }
    EXPECT_EQ(eraserCursorId(16), IDCUR_ERASER_16) << "96 unless told";
    EXPECT_EQ(toolCursorId(TOOL_PEN, 24, 144), IDCUR_PEN);
}

TEST(PagesEraser, HullCornersFollowTheFourDirectionRows) {
    const int h = 8;
    const HullCase cases[] = {
        // up-left
        {{100, 100}, {90, 80}, {{92, 108}, {108, 108}, {108, 92}, {98, 72}, {82, 72}, {82, 88}}},
        // down-left
        {{100, 100}, {90, 120}, {{108, 108}, {108, 92}, {92, 92}, {82, 112}, {82, 128}, {98, 128}}},
        // up-right
        {{100, 100}, {110, 80}, {{92, 92}, {92, 108}, {108, 108}, {118, 88}, {118, 72}, {102, 72}}},
        // down-right
        {{100, 100}, {110, 120}, {{108, 92}, {92, 92}, {92, 108}, {102, 128}, {118, 128}, {118, 112}}},
        // equal coordinates count as ">=": a purely horizontal move right and a standstill
        {{100, 100}, {130, 100}, {{108, 92}, {92, 92}, {92, 108}, {122, 108}, {138, 108}, {138, 92}}},
        {{100, 100}, {100, 100}, {{108, 92}, {92, 92}, {92, 108}, {92, 108}, {108, 108}, {108, 92}}},
    };
    for (const HullCase& c : cases) {
        IntPoint out[6];
        eraserHull(c.p, c.q, 2 * h, out);
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(out[i].x, c.corners[i].x) << "corner " << i << " of (" << c.q.x << "," << c.q.y << ")";
            EXPECT_EQ(out[i].y, c.corners[i].y) << "corner " << i << " of (" << c.q.x << "," << c.q.y << ")";
        }
    }
}

// Over random moves the hexagon is convex (never crosses itself, so ALTERNATE fills it whole) and
// covers both squares, so a stroke leaves no gap between positions.
TEST(PagesEraser, HullIsConvexAndCoversBothSquaresForRandomMoves) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 400);
    const int sizes[] = {8, 16, 32, 64};
    for (int n = 0; n < 5000; ++n) {
        const IntPoint p = {coord(rng), coord(rng)}, q = {coord(rng), coord(rng)};
        const int size = sizes[n % 4];
        IntPoint hull[6];
        eraserHull(p, q, size, hull);
        bool pos = false, neg = false;
        for (int i = 0; i < 6; ++i) {
            const int64_t c = cross(hull[i], hull[(i + 1) % 6], hull[(i + 2) % 6]);
            pos |= c > 0;
            neg |= c < 0;
        }
        ASSERT_FALSE(pos && neg) << "concave hull for (" << p.x << "," << p.y << ")->(" << q.x << "," << q.y
                                 << ")";
        IntPoint sp[4], sq[4];
        eraserSquare(p, size, sp);
        eraserSquare(q, size, sq);
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(insideConvex(hull, 6, sp[i])) << "P corner " << i << " outside";
            ASSERT_TRUE(insideConvex(hull, 6, sq[i])) << "Q corner " << i << " outside";
        }
    }
}

TEST(PagesCapture, ClampingCutsToTheDeviceAndRefusesEmptyRectangles) {
    IntRect out = {};
    ASSERT_TRUE(clampCaptureRect({-10, -20, 5000, 4000}, 1024, 768, &out));
    EXPECT_EQ(out.left, 0);
    EXPECT_EQ(out.top, 0);
    EXPECT_EQ(out.right, 1024);
    EXPECT_EQ(out.bottom, 768);
    ASSERT_TRUE(clampCaptureRect({10, 20, 30, 40}, 1024, 768, &out));
    EXPECT_EQ(out.left, 10);
    EXPECT_EQ(out.bottom, 40);
    EXPECT_FALSE(clampCaptureRect({10, 10, 10, 50}, 1024, 768, &out));     // zero width
    EXPECT_FALSE(clampCaptureRect({10, 50, 20, 10}, 1024, 768, &out));     // negative height
    EXPECT_FALSE(clampCaptureRect({1100, 10, 1200, 50}, 1024, 768, &out)); // wholly right of the screen
    EXPECT_FALSE(clampCaptureRect({-50, 10, -1, 50}, 1024, 768, &out));    // wholly left
    EXPECT_FALSE(clampCaptureRect({0, 0, 10, 10}, 0, 0, &out));            // no device
}

TEST(PagesCut, InsideIsStrictAndIgnoresCornerOrder) {
    const Corners sel = {50, 40, 10, 20}; // given bottom-right first
    EXPECT_TRUE(strictlyInside(sel, {11, 21}));
    EXPECT_TRUE(strictlyInside(sel, {49, 39}));
    EXPECT_FALSE(strictlyInside(sel, {10, 30})); // on the frame
    EXPECT_FALSE(strictlyInside(sel, {30, 40}));
    EXPECT_FALSE(strictlyInside(sel, {51, 30}));
    // A selection released where it started has no inside at all.
    EXPECT_FALSE(strictlyInside({30, 30, 30, 30}, {30, 30}));
    const IntRect r = orderedCorners(sel);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 50);
    EXPECT_EQ(r.bottom, 40);
}

} // namespace

// --- undo history -------------------------------------------------------------------------------

namespace {

UndoStep stepOf(IntRect r, size_t payload) {
    UndoStep s = {r, std::vector<uint32_t>(payload, 1), std::vector<uint32_t>(payload, 2), 0};
    return s;
}

} // namespace

TEST(UndoHistory, RunsRoundTripAnyRectangleOfAnImage) {
    const int32_t w = 37, h = 23;
    std::vector<uint32_t> image(size_t(w * h));
    uint32_t seed = 7;
    for (uint32_t& p : image) {
        seed = seed * 1103515245u + 12345u;
        p = (seed >> 28) < 12 ? 0xC8C8C8u : seed >> 8; // long runs of the key colour, some noise
    }
    for (const IntRect r : {IntRect{0, 0, w, h}, IntRect{10, 2, 30, 20}, IntRect{36, 0, 37, 23}}) {
        std::vector<uint32_t> runs;
        packRect(image.data(), w, r, &runs);
        std::vector<uint32_t> copy(image.size(), 0);
        ASSERT_TRUE(unpackRect(runs, copy.data(), w, r)) << r.left << "," << r.top;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                ASSERT_EQ(copy[size_t(y * w + x)], inside ? image[size_t(y * w + x)] : 0u) << x << "," << y;
            }
        runs.push_back(1); // one pixel too many is refused
        runs.push_back(0);
        EXPECT_FALSE(unpackRect(runs, copy.data(), w, r));
    }
    // A cleared 2000 x 1500 canvas is one run.
    std::vector<uint32_t> blank(size_t(2000) * 1500, 0xC8C8C8u), runs;
    packRect(blank.data(), 2000, {0, 0, 2000, 1500}, &runs);
    EXPECT_EQ(runs.size(), 2u);
}

TEST(UndoHistory, TheBoundDropsTheOldestStepsOfEitherLane) {
    UndoBudget budget;
    UndoLane desktop, board;
    addLane(&budget, &desktop);
    addLane(&budget, &board);
    const size_t one = stepBytes(stepOf({0, 0, 1, 1}, 1000));
    budget.bound = one * 10;
    for (int i = 0; i < 8; ++i)
        pushStep(&budget, &desktop, stepOf({i, 0, i + 1, 1}, 1000));
    takeUndo(&board); // nothing there: no effect
    for (int i = 0; i < 5; ++i)
        pushStep(&budget, &board, stepOf({100 + i, 0, 101 + i, 1}, 1000));
    EXPECT_LE(budget.used, budget.bound);
    EXPECT_EQ(desktop.done.size() + board.done.size(), 10u);
    EXPECT_EQ(board.done.size(), 5u) << "the newest steps stay";
    EXPECT_EQ(desktop.done.front().rect.left, 3) << "desktop steps 0 .. 2 were the oldest";
    // What can be redone on another lane goes before any step that can be undone.
    takeUndo(&board);
    pushStep(&budget, &desktop, stepOf({50, 0, 51, 1}, 1000));
    EXPECT_TRUE(board.undone.empty());
    EXPECT_EQ(board.done.size(), 4u);
    EXPECT_EQ(desktop.done.size(), 6u);
}

TEST(SavedPictureName, LocalTimeAndACountOnAClash) {
    const LocalTime t = {2026, 3, 7, 9, 5, 4};
    EXPECT_EQ(savedPictureName(t, 1), "Velmora 2026-03-07 09-05-04.png");
    EXPECT_EQ(savedPictureName(t, 2), "Velmora 2026-03-07 09-05-04 (2).png");
    EXPECT_EQ(savedPictureName(t, 12), "Velmora 2026-03-07 09-05-04 (12).png");
}

// The arrow at several angles: the head's tip is the drag's end, the head is five pen widths long
// and as wide, symmetric about the drag, and the shaft runs from the start to the middle of the
// head's base; a drag shorter than the head draws no arrow.
TEST(PagesArrow, HeadAtTheEndAlongTheDragAtAnyAngleAndNoneForAShortDrag) {
    const IntPoint from = {500, 400};
    for (int degrees = 0; degrees < 360; degrees += 15) {
        for (int32_t width : {2, 4, 8, 16}) {
            const double a = degrees * 3.14159265358979 / 180;
            const IntPoint to = {from.x + int32_t(std::lround(std::cos(a) * 300)),
                                 from.y + int32_t(std::lround(std::sin(a) * 300))};
            ArrowOutline arrow = {};
            ASSERT_TRUE(arrowOutline(from, to, width, &arrow)) << degrees << " deg, width " << width;
            EXPECT_EQ(arrow.head[0].x, to.x);
            EXPECT_EQ(arrow.head[0].y, to.y);
            EXPECT_EQ(arrow.shaftFrom.x, from.x);
            EXPECT_EQ(arrow.shaftFrom.y, from.y);
            const double head = 5.0 * width;
            const double bx = (arrow.head[1].x + arrow.head[2].x) / 2.0,
                         by = (arrow.head[1].y + arrow.head[2].y) / 2.0;
            EXPECT_NEAR(std::hypot(to.x - bx, to.y - by), head, 1.5) << degrees << " deg, width " << width;
            EXPECT_NEAR(std::hypot(arrow.head[1].x - arrow.head[2].x, arrow.head[1].y - arrow.head[2].y),
                        head, 1.5);
            EXPECT_NEAR(std::hypot(arrow.shaftTo.x - bx, arrow.shaftTo.y - by), 0, 1.0);
            // The head points along the drag: its base lies behind the tip, towards the start.
            const double ux = std::cos(a), uy = std::sin(a);
            EXPECT_GT((to.x - bx) * ux + (to.y - by) * uy, head - 1.5);
            const IntRect box = arrowBounds(arrow, width);
            for (IntPoint p : {from, to, arrow.head[1], arrow.head[2]}) {
                EXPECT_TRUE(p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom);
            }
        }
    }
    ArrowOutline untouched = {{1, 2}, {3, 4}, {{5, 6}, {7, 8}, {9, 10}}};
    EXPECT_FALSE(arrowOutline(from, {from.x + 19, from.y}, 4, &untouched))
        << "19 px is shorter than a 20 px head";
    EXPECT_FALSE(arrowOutline(from, {from.x - 7, from.y + 7}, 2, &untouched)) << "about 9.9 px against 10";
    EXPECT_FALSE(arrowOutline(from, from, 2, &untouched)) << "a tap draws nothing";
    EXPECT_EQ(untouched.head[0].x, 5);
    EXPECT_TRUE(arrowOutline(from, {from.x, from.y - 20}, 4, &untouched))
        << "exactly the head: the head alone";
    EXPECT_EQ(untouched.shaftTo.y, from.y);
}

TEST(PagesArrow, OutlineToolsShowTheirCursors) {
    EXPECT_EQ(toolCursorId(TOOL_RECTANGLE, 16), IDCUR_PEN_CROSS);
    EXPECT_EQ(toolCursorId(TOOL_ARROW, 16), IDCUR_PEN);
    EXPECT_EQ(toolCursorId(TOOL_TEXT, 16), IDCUR_PEN_CROSS);
}

// --- the highlighter ---------------------------------------------------------------------------

// Black text on white under each marker keeps at least half its contrast, in every channel that
// had any; the marker shows on white and on black alike; the key never comes out.
TEST(Highlighter, KeepsHalfTheContrastBeneathAndNeverMakesTheKey) {
    const uint32_t key = 0xC8C8C8;
    for (int32_t tool = TOOL_HIGHLIGHTER_FIRST; tool < TOOL_HIGHLIGHTER_FIRST + HIGHLIGHTER_COLOURS; ++tool) {
        const uint32_t marker = highlighterPixel(tool);
        const uint32_t onWhite = blendHighlight(0xFFFFFF, marker, key),
                       onBlack = blendHighlight(0, marker, key);
        for (int shift : {0, 8, 16}) {
            const int contrast = int((onWhite >> shift) & 0xFF) - int((onBlack >> shift) & 0xFF);
            EXPECT_GE(contrast, 255 / 2) << "tool " << tool << " channel " << shift;
        }
        EXPECT_NE(onWhite, 0xFFFFFFu) << "the marker does not show on white";
        EXPECT_NE(onBlack, 0u) << "the marker does not show on black";
        // Whatever lies beneath, the result is never the transparent key.
        for (uint32_t beneath = 0; beneath < 0x1000000; beneath += 0x010101)
            ASSERT_NE(blendHighlight(beneath, marker, key), key) << std::hex << beneath;
    }
    EXPECT_TRUE(isHighlighter(TOOL_HIGHLIGHTER_FIRST + 3));
    EXPECT_FALSE(isHighlighter(TOOL_HIGHLIGHTER_FIRST + 4));
    EXPECT_FALSE(isHighlighter(TOOL_PEN));
    EXPECT_EQ(toolCursorId(TOOL_HIGHLIGHTER_FIRST + 2, 16), IDCUR_PEN);
}

// Only empty pixels take the marker: ink stays as it is, and a second pass over the same pixels
// (a stroke crossing itself) changes nothing, so the crossing is one shade.
TEST(Highlighter, LaysOnlyOnEmptyPixelsOncePerStroke) {
    const uint32_t key = 0xC8C8C8, marker = highlighterPixel(TOOL_HIGHLIGHTER_FIRST);
    uint32_t canvas[4] = {key, 0x000000, key, key}; // empty, black ink, empty, empty
    const uint32_t beneath[4] = {0xFFFFFF, 0xFFFFFF, 0x000000, 0x336699};
    EXPECT_EQ(layHighlight(canvas, beneath, 3, marker, key), 2u); // the last pixel is outside the stroke
    EXPECT_EQ(canvas[0], blendHighlight(0xFFFFFF, marker, key));
    EXPECT_EQ(canvas[1], 0x000000u) << "ink under a highlight is covered";
    EXPECT_EQ(canvas[2], blendHighlight(0x000000, marker, key));
    EXPECT_EQ(canvas[3], key) << "a pixel outside the stroke changed";
    const uint32_t once[4] = {canvas[0], canvas[1], canvas[2], canvas[3]};
    EXPECT_EQ(layHighlight(canvas, beneath, 3, marker, key), 0u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(canvas[i], once[i]) << "a second pass darkened pixel " << i;
}

// A piece needs the screen only from its first empty pixel to its last, whatever is between.
TEST(Highlighter, EmptyStretchSpansFirstToLastEmptyPixel) {
    const uint32_t key = 0xC8C8C8, ink = 0xFF0000;
    const uint32_t row[6] = {ink, key, ink, 0xFFC8C8C8, ink, ink}; // the top byte is not a colour
    size_t first = 9, end = 9;
    ASSERT_TRUE(emptyStretch(row, 6, key, &first, &end));
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(end, 4u);
    EXPECT_FALSE(emptyStretch(row, 1, key, &first, &end)) << "nothing empty, yet a stretch";
    EXPECT_FALSE(emptyStretch(row + 4, 2, key, &first, &end));
}

// Whether pixel (x, y)'s centre lies within width / 2 of the segment, in floating point, the
// segment on pixel corners for an even width and on centres for an odd one; `margin` says how far
// the centre is from the cover's edge.
bool nearSegment(IntPoint a, IntPoint b, int32_t width, int32_t x, int32_t y, double* margin) {
    const double shift = (width & 1) ? 0.5 : 0.0;
    const double ax = a.x + shift, ay = a.y + shift, dx = b.x - a.x, dy = b.y - a.y;
    const double px = x + 0.5, py = y + 0.5, length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - ax) * dx + (py - ay) * dy) / length2 : 0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    const double d = std::hypot(px - ax - t * dx, py - ay - t * dy);
    *margin = std::fabs(d - width / 2.0);
    return d <= width / 2.0;
}

// Straight bands are exactly as wide as the stroke, across and along, with round ends as GDI's
// wide pen draws them (its rows' first pixels at a width of 16, read under Wine, within a pixel).
TEST(HighlighterCover, StraightBandsAreTheWidthWithRoundEnds) {
    const IntRect box = {500, 300, 900, 500};
    std::vector<RowSpan> spans(200);
    IntRect bounds = highlightCover({600, 400}, {800, 400}, 16, box, spans.data());
    EXPECT_EQ(bounds.top, 392);
    EXPECT_EQ(bounds.bottom, 408) << "an even band is not 16 rows";
    EXPECT_EQ(bounds.left, 592);
    EXPECT_EQ(bounds.right, 808) << "the ends do not reach half the width beyond the points";
    const int32_t gdiFirst[16] = {597, 596, 594, 594, 593, 592, 592, 592,
                                  592, 592, 592, 593, 594, 594, 596, 597};
    for (int32_t y = 392; y < 408; ++y) {
        EXPECT_NEAR(spans[size_t(y - box.top)].left, gdiFirst[y - 392], 1) << "row " << y;
        EXPECT_EQ(spans[size_t(y - box.top)].left - 600, 800 - spans[size_t(y - box.top)].right)
            << "row " << y;
    }
    bounds = highlightCover({700, 350}, {700, 450}, 17, box, spans.data());
    EXPECT_EQ(bounds.left, 692);
    EXPECT_EQ(bounds.right, 709) << "an odd band is not 17 columns centred on the line";
    EXPECT_EQ(bounds.top, 342);
    EXPECT_EQ(bounds.bottom, 459);
    bounds = highlightCover({700, 400}, {700, 400}, 24, box, spans.data());
    EXPECT_EQ(bounds.right - bounds.left, 24) << "a dot is not a disc the width across";
    EXPECT_EQ(bounds.bottom - bounds.top, 24);
}

// Any piece, any box: each row's run is exactly the pixels whose centres lie within half the
// width of the segment (ties aside), clipped to the box, and the bounds hold them all.
TEST(HighlighterCover, RowsHoldExactlyThePixelsNearTheSegment) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 150; ++trial) {
        const IntPoint a = {int32_t(random() % 200) + 100, int32_t(random() % 200) + 100};
        const IntPoint b =
            trial % 4 ? IntPoint{a.x + int32_t(random() % 41) - 20, a.y + int32_t(random() % 41) - 20}
                      : IntPoint{int32_t(random() % 400), int32_t(random() % 400)};
        const int32_t width = int32_t(random() % 60) + 1;
        const IntRect box = {int32_t(random() % 150), int32_t(random() % 150), 250 + int32_t(random() % 200),
                             250 + int32_t(random() % 200)};
        std::vector<RowSpan> spans(size_t(box.bottom - box.top));
        const IntRect bounds = highlightCover(a, b, width, box, spans.data());
        IntRect expected = {0, 0, 0, 0};
        for (int32_t y = box.top; y < box.bottom; ++y) {
            const RowSpan s = spans[size_t(y - box.top)];
            for (int32_t x = box.left; x < box.right; ++x) {
                double margin = 0;
                const bool near = nearSegment(a, b, width, x, y, &margin);
                if (near)
                    expected = unionRect(expected, {x, y, x + 1, y + 1});
                if (margin > 1e-6) {
                    ASSERT_EQ(x >= s.left && x < s.right, near)
                        << "trial " << trial << " pixel " << x << "," << y << " width " << width;
                }
            }
        }
        if (!rectEmpty(expected) || !rectEmpty(bounds)) {
            EXPECT_TRUE(bounds.left == expected.left && bounds.top == expected.top &&
                        bounds.right == expected.right && bounds.bottom == expected.bottom)
                << "trial " << trial;
        }
    }
}

// The screen beneath is read a tile at a time, once per stroke: a piece needs only the tiles not
// read yet, and a new stroke or another surface reads them afresh.
TEST(HighlighterBeneath, ReadsEachTileOncePerStroke) {
    auto same = [](IntRect r, IntRect e) {
        return r.left == e.left && r.top == e.top && r.right == e.right && r.bottom == e.bottom;
    };
    BeneathTiles tiles;
    EXPECT_TRUE(same(tiles.toRead({10, 10, 30, 30}, 1000, 700), {0, 0, 64, 64}));
    EXPECT_TRUE(rectEmpty(tiles.toRead({20, 5, 40, 60}, 1000, 700))) << "a tile read twice in a stroke";
    EXPECT_TRUE(same(tiles.toRead({50, 10, 80, 30}, 1000, 700), {64, 0, 128, 64})) << "only the new tile";
    EXPECT_TRUE(same(tiles.toRead({50, 50, 80, 80}, 1000, 700), {0, 64, 128, 128}));
    EXPECT_TRUE(same(tiles.toRead({990, 690, 1010, 720}, 1000, 700), {960, 640, 1000, 700}))
        << "off the surface";
    EXPECT_TRUE(rectEmpty(tiles.toRead({-20, -20, 0, 0}, 1000, 700)));
    tiles.forget();
    EXPECT_TRUE(same(tiles.toRead({20, 5, 40, 60}, 1000, 700), {0, 0, 64, 64}))
        << "a new stroke kept the old screen";
    EXPECT_TRUE(same(tiles.toRead({20, 5, 40, 60}, 1280, 800), {0, 0, 64, 64}))
        << "another surface kept the screen";
}

// The tiles ahead of the finger are read only where some are still unread.
TEST(Highlighter, AllReadTellsWhetherAReadIsStillNeeded) {
    BeneathTiles tiles;
    EXPECT_FALSE(tiles.allRead({0, 0, 10, 10}, 1000, 700)) << "nothing read yet";
    tiles.toRead({0, 0, 100, 100}, 1000, 700);
    EXPECT_TRUE(tiles.allRead({10, 10, 128, 128}, 1000, 700));
    EXPECT_FALSE(tiles.allRead({10, 10, 129, 128}, 1000, 700)) << "one pixel into an unread tile";
    EXPECT_TRUE(tiles.allRead({-50, -50, 20, 20}, 1000, 700)) << "off the surface needs nothing";
    EXPECT_TRUE(tiles.allRead({500, 500, 500, 600}, 1000, 700)) << "an empty rectangle";
    EXPECT_FALSE(tiles.allRead({10, 10, 20, 20}, 1280, 800)) << "another surface";
    tiles.toRead({960, 640, 1100, 800}, 1000, 700);
    EXPECT_TRUE(tiles.allRead({990, 690, 1200, 900}, 1000, 700)) << "the last, partial tile";
}

// Four times the pen, at least 16 pixels at 96 DPI, scaled with the monitor.
TEST(Highlighter, WidthIsFourPensAndAtLeastSixteenScaled) {
    EXPECT_EQ(highlighterWidth(2, 96), 16);
    EXPECT_EQ(highlighterWidth(8, 96), 32);
    EXPECT_EQ(highlighterWidth(3, 144), 24);
    EXPECT_EQ(highlighterWidth(24, 144), 96);
}

// The letters follow the pen's four widths at every scale; a width between two takes the nearer.
TEST(PagesText, SizeFollowsTheWidthAtEveryScale) {
    for (int32_t dpi : {96, 120, 144, 192}) {
        const int32_t widths[4] = {2, 4, 8, 16}, heights[4] = {24, 32, 48, 64};
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(textHeightForPen(scaledForDpi(widths[k], dpi), dpi), scaledForDpi(heights[k], dpi))
                << dpi;
    }
    EXPECT_EQ(textHeightForPen(5, 96), 32);
    EXPECT_EQ(textHeightForPen(7, 96), 48);
    EXPECT_EQ(textHeightForPen(0, 96), 24);
    EXPECT_EQ(textHeightForPen(500, 96), 64);
}

// The first line starts at the tap, centred on it; near an edge the box moves the least to stay on
// the page; an empty box or one of blanks puts nothing.
TEST(PagesText, BoxAtTheTapInsideThePageAndBlankTextPutsNothing) {
    EXPECT_EQ(textBoxOrigin({400, 300}, 32, 6, 108, 44, 1024, 768).x, 394);
    EXPECT_EQ(textBoxOrigin({400, 300}, 32, 6, 108, 44, 1024, 768).y, 278);
    EXPECT_EQ(textBoxOrigin({1020, 760}, 32, 6, 108, 44, 1024, 768).x, 1024 - 108);
    EXPECT_EQ(textBoxOrigin({1020, 760}, 32, 6, 108, 44, 1024, 768).y, 768 - 44);
    EXPECT_EQ(textBoxOrigin({2, 3}, 32, 6, 108, 44, 1024, 768).x, 0);
    EXPECT_EQ(textBoxOrigin({2, 3}, 32, 6, 108, 44, 1024, 768).y, 0);
    EXPECT_EQ(textBoxOrigin({50, 50}, 32, 6, 2000, 44, 1024, 768).x, 0) << "wider than the page";
    EXPECT_FALSE(textPutsInk(L"", 0));
    EXPECT_FALSE(textPutsInk(L" \t\r\n\r\n ", 8));
    EXPECT_TRUE(textPutsInk(L"\r\n\u00bfQu\u00e9?", 7));
    EXPECT_TRUE(textPutsInk(L"\u20ac", 1));
    EXPECT_FALSE(textPutsInk(L"  \0x", 4)) << "the text ends at its terminator";
}
