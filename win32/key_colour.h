#pragma once
// The key colour: background of the palette, buttons, pages, containers and calibration window,
// colour key of the layered palette and pages, and the colour erasing paints.
#include <windows.h>

#include <cstdint>

constexpr uint8_t KEY_COLOUR_LEVEL = 200; // the grey's level in each channel
constexpr COLORREF KEY_COLOUR = RGB(KEY_COLOUR_LEVEL, KEY_COLOUR_LEVEL, KEY_COLOUR_LEVEL);
// The same grey as a 32-bit DIB pixel (0x00RRGGBB): equal channels read the same either way round.
constexpr uint32_t KEY_COLOUR_PIXEL = KEY_COLOUR;
