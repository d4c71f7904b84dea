#pragma once
// The palette's pictures (bitmaps 101, 102, 103 and 113 .. 120): the whole round palette drawn on
// the layout of palette_layout.h, at the size it has at a DPI (220 x 220 at 96), from outlines.
#include <cstdint>
#include <utility>
#include <vector>

#include "win32/core/raster.h"

// Every palette picture, in the order the generator writes them.
constexpr int32_t PALETTE_PICTURE_IDS[] = {101, 102, 103, 113, 114, 115, 116, 117, 118, 119, 120};

// Picture id at dpi (96 when unknown); false, *out untouched, for an id that is not one of them.
// A marker's picture (113 .. 120) is drawn from normal, picture 101 at the same dpi, when it is
// given: the same pixels, far fewer drawn.
bool drawPalettePicture(int32_t id, int32_t dpi, Picture* out, const Picture* normal = nullptr);
// All of them at dpi, with their ids: one scene for all, cheaper than one by one.
std::vector<std::pair<int32_t, Picture>> palettePictures(int32_t dpi);
// Bitmap 101 alone (the calibration logo's emblem).
Picture paletteNormalPicture(int32_t dpi);
