#pragma once
// The drawing pages' cursors, drawn at any size: the hands and pens from shapes given at 32 x 32,
// their outline and detail lines thicker at the larger sizes, and the eraser's square, which grows
// with the eraser at the cursor's scale. The resources carry them at 32 x 32 (100 %); every other
// scale is drawn at its own size.
#include <cstdint>
#include <vector>

#include "win32/core/raster.h"

// A 16-colour cursor image: palette indices per pixel, -1 transparent, with its hot spot.
struct CursorImage {
    int w, h, hotX, hotY;
    std::vector<int> index; // w * h, top row first
};
// The 16 colours of the indices (the standard VGA colours).
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

// Every page cursor, in the order the generator writes them.
constexpr int32_t PAGE_CURSOR_IDS[] = {101, 103, 104, 105, 208, 216, 232, 264};
// Sizes above this are refused: 500 % of 32 is 160, and a cursor larger than 256 is not one
// Windows can show.
constexpr int32_t CURSOR_SIZE_LIMIT = 256;

// Cursor id at size x size pixels (32 at 96 DPI, scaledForDpi(32, dpi) at a scale); false, *out
// untouched, for an id that is not one of them or a size outside 1 .. CURSOR_SIZE_LIMIT.
bool drawPageCursor(int32_t id, int32_t size, CursorImage* out);
