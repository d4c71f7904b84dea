// Where a test or the demo touches a palette button.
#include "tests/support/wintest.h"

#include "palette/core/palette_layout.h"

POINT paletteButtonPoint(int n, int dpi) {
    static PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    static int preparedFor = 0; // the DPI the shapes are scaled to; 0: none yet
    if (preparedFor != dpi) {
        preparePaletteShapes(shapes);
        scalePaletteShapes(shapes, dpi);
        preparedFor = dpi;
    }
    int x = -1, y = -1;
    if (!paletteButtonInnerPoint(shapes, n, &x, &y, paletteSizeForDpi(dpi)))
        return {-1, -1};
    return {x, y};
}
