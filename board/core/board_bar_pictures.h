#pragma once
// The board bar's pictures (bitmaps 130 and 131): one strip of BAR_ICON_COUNT square cells of
// `cell` pixels, in the order of the bar's icons, grey (normal) or orange (pressed), black line art.
// The resources carry them with cells of BOARD_BAR_PICTURE_CELL; at another scale the bar draws
// its own at the size its buttons have.
#include <cstdint>

#include "win32/core/raster.h"

Picture boardBarStrip(bool pressed, int32_t cell);

// The freeze button's snowflake, in unit coordinates: the palette's tool strip draws it too.
LineArt freezeArt();
