#pragma once
// Sizes by display scale. Every size the program draws is given in pixels at 96 DPI (100 %) and
// scaled by the DPI of the monitor its window is on, rounded the one way below, so that a cross,
// a region and the picture painted into it agree to the pixel at any scale. Header only: the
// picture generator draws with it too.
#include <cstdint>
#include <limits>

constexpr int32_t BASE_DPI = 96; // 100 %: sizes in the code are pixels at this DPI

// value * numerator / denominator, rounded half away from zero (as MulDiv rounds) and held inside
// the int32 range; a denominator below 1 gives the end of the range on the value's side.
constexpr int32_t roundedRatio(int64_t value, int64_t numerator, int64_t denominator) {
    if (denominator <= 0)
        return value < 0 ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
    const int64_t product = value * numerator;
    const int64_t half = denominator / 2;
    const int64_t result = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    if (result > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (result < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(result);
}

// A dpi below 1 (not known) counts as 96.
constexpr int32_t knownDpi(int32_t dpi) {
    return dpi < 1 ? BASE_DPI : dpi;
}

// px96 * dpi / 96, rounded half away from zero: 220 is 330 at 144 DPI, 2 is 3, 5 is 8 (7.5).
constexpr int32_t scaledForDpi(int32_t px96, int32_t dpi) {
    return roundedRatio(px96, knownDpi(dpi), BASE_DPI);
}

// The other way: a size at dpi back to pixels at 96, rounded the same way.
constexpr int32_t unscaledForDpi(int32_t px, int32_t dpi) {
    return roundedRatio(px, BASE_DPI, knownDpi(dpi));
}

// A window's place and size on the virtual screen, in pixels.
struct WindowBox {
    int32_t left, top, width, height;
};

// Where a window of width96 x height96 at 96 DPI goes on a scale change announced for `announced`
// while it is drawn at `own`, given the box the system suggests. At a new scale, the suggested box.
// At the scale it has already, the suggested place with its own size at that scale: the system
// suggests the window's present size scaled by the ratio of the scales of the monitors it passes
// between, also on the way back from a monitor whose scale it never took, and that box taken as
// it is would grow or shrink the window by the ratio at every such trip.
constexpr WindowBox windowBoxForScale(const WindowBox& suggested, int32_t announced, int32_t own,
                                      int32_t width96, int32_t height96) {
    if (knownDpi(announced) != knownDpi(own))
        return suggested;
    return {suggested.left, suggested.top, scaledForDpi(width96, announced),
            scaledForDpi(height96, announced)};
}
