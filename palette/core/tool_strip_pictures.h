#pragma once
// The tool strip's pictures (bitmaps 132 and 133): one row of STRIP_ICON_COUNT square cells of
// `cell` pixels, in the order of the strip's icons, in the palette's looks: the ring's grey (normal)
// or the rim's orange (chosen or pressed), black line art. The resources carry them with cells of
// the buttons' size at 100 %; every other scale is drawn at run time with cells of the buttons'
// size there.
#include <cstdint>

#include "win32/core/raster.h"

Picture toolStripPicture(bool pressed, int32_t cell);
// Picture id (IDB_TOOL_STRIP_NORMAL or IDB_TOOL_STRIP_PRESSED) at dpi into *out; false for
// another id.
bool drawToolStripPicture(int32_t id, int32_t dpi, Picture* out);
