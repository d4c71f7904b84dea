#pragma once
// The board bar's layout, free of the platform: its fields from left to right, their size at a
// DPI, where the bar sits on the board's monitor and which field a point is on.
#include <cstdint>

// The bar's fields in order. The label ("n / N") is not a button.
enum BoardBarField : int32_t {
    BAR_PREVIOUS = 0,
    BAR_LABEL = 1,
    BAR_NEXT = 2,
    BAR_ADD = 3,
    BAR_FREEZE = 4, // the screen under the board as a new page
    BAR_OPEN = 5,   // pictures, or a board saved as a PDF, as new pages
    BAR_BACKGROUND = 6,
    BAR_PDF = 7,
    BAR_NEW_BOARD = 8,
};
constexpr int32_t BOARD_BAR_FIELD_COUNT = 9;

// The pictures (bitmaps 130 and 131) hold one cell per button, in this order.
enum BoardBarIcon : int32_t {
    BAR_ICON_PREVIOUS = 0,
    BAR_ICON_NEXT = 1,
    BAR_ICON_ADD = 2,
    BAR_ICON_BACKGROUND = 3,
    BAR_ICON_PDF = 4,
    BAR_ICON_NEW_BOARD = 5,
    BAR_ICON_FREEZE = 6,
    BAR_ICON_OPEN = 7,
};
constexpr int32_t BAR_ICON_COUNT = 8;
constexpr int32_t BOARD_BAR_PICTURE_CELL = 96; // the pictures' cell: sharp up to 200 %

// At 96 DPI: buttons of 56 x 56 (a touch target wants 48 at least), the label 96 wide, 8 between
// fields and around them.
constexpr int32_t BAR_BUTTON_96 = 56;
constexpr int32_t BAR_LABEL_WIDTH_96 = 96;
constexpr int32_t BAR_GAP_96 = 8;
constexpr int32_t BAR_MARGIN_96 = 12; // between the bar and the monitor's bottom edge

struct BarRect {
    int32_t left, top, right, bottom;
};

// The picture cell of a field; -1 for the label.
int32_t barIconOf(int32_t field);
// The bar's size at that DPI (96 when unknown).
BarRect barSize(int32_t dpi);
// A field's rectangle in the bar's client coordinates.
BarRect barFieldRect(int32_t field, int32_t dpi);
// The button under a client point, or -1 (the label, a gap, outside).
int32_t barButtonAt(int32_t x, int32_t y, int32_t dpi);
// The bar's top-left corner on a monitor (its rectangle in screen coordinates): centred, at the
// bottom.
void barPosition(const BarRect& monitor, int32_t dpi, int32_t* x, int32_t* y);
// The tooltip of a button; empty for the label.
const char* barTooltip(int32_t field);
