// Where a test or the demo touches a palette button.
#include "tests/support/wintest.h"

#include "palette/core/palette_layout.h"

POINT paletteButtonPoint(int n) {
    static PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    static bool prepared = false;
    if (!prepared) {
        preparePaletteShapes(shapes);
        prepared = true;
    }
    int x = -1, y = -1;
    if (!paletteButtonInnerPoint(shapes, n, &x, &y))
        return {-1, -1};
    return {x, y};
}
