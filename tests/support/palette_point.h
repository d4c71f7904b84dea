#pragma once
// Where a test or the demo touches a palette button.
#include <windows.h>

// A point well inside palette button n (paletteButtonInnerPoint), in palette client coordinates,
// for a palette at that DPI; (-1, -1) when the button has no pixel.
POINT paletteButtonPoint(int n, int dpi = 96);
