#pragma once
// The logos (bitmap 100 on the palette's face, 200 in the calibration window) and the four help
// pages (301 .. 304), drawn from outlines at the size they have at a DPI (96: the resources' size).
#include <cstdint>

#include "win32/core/raster.h"

Picture paletteLogo(int32_t dpi);          // 430 x 250 at 96
Picture calibrationLogo(int32_t dpi);      // 430 x 250 at 96, else the 512 x 296 it is shown at, scaled
Picture helpPage(int number, int32_t dpi); // 220 x 220 at 96; number 1 .. 4

// Picture id (100, 200 or 301 .. 304) at dpi; false, *out untouched, for any other id.
bool drawLogoOrHelpPicture(int32_t id, int32_t dpi, Picture* out);
