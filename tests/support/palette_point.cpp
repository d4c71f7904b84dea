// Where a test or the demo touches a palette button.
#include "tests/support/palette_point.h"

#include "palette/core/palette_layout.h"

POINT paletteButtonPoint(int n, int dpi) {
    static PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    static bool prepared = false;
    if (!prepared) {
        preparePaletteShapes(shapes);
        prepared = true;
    }
    int x = -1, y = -1;
    if (!paletteButtonInnerPoint(shapes, n, &x, &y))
        return {-1, -1};
    // At another scale the same place of the picture: the middle of that pixel, scaled.
    return {LONG((x + 0.5) * dpi / 96), LONG((y + 0.5) * dpi / 96)};
}
