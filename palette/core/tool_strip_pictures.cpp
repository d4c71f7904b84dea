#include "palette/core/tool_strip_pictures.h"

#include "palette/core/tool_strip_layout.h"
#include "board/core/board_bar_pictures.h"
#include "pages/core/highlight.h"
#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"

namespace {

constexpr Rgb BLACK = {0, 0, 0}, DARK = {90, 90, 90};
constexpr Rgb RING_GREY = {178, 178, 178}, RIM_ORANGE = {213, 151, 88}; // the palette's ring and rim

// The icons in unit coordinates (0..1 across the cell).
LineArt iconArt(int32_t icon) {
    LineArt art;
    art.width = 0.07;
    switch (icon) {
    case STRIP_ICON_RECTANGLE:
        art.lines = {{{0.2, 0.28}, {0.8, 0.28}, {0.8, 0.72}, {0.2, 0.72}, {0.2, 0.28}}};
        break;
    case STRIP_ICON_ARROW:
        // A shaft to the upper right and a head filled with strokes that run into its tip.
        art.lines = {{{0.22, 0.78}, {0.62, 0.38}}};
        for (double t = 0; t <= 1.0001; t += 0.125)
            art.lines.push_back({{0.5 + 0.28 * t, 0.22 + 0.28 * (1 - t)}, {0.8, 0.2}});
        art.lines.push_back({{0.5, 0.22}, {0.8, 0.2}, {0.78, 0.5}, {0.5, 0.22}});
        break;
    case STRIP_ICON_FREEZE:
        art = freezeArt();
        break;
    case STRIP_ICON_TEXT:
        // A capital T with serifs at its top ends and its foot.
        art.width = 0.09;
        art.lines = {{{0.26, 0.34}, {0.26, 0.24}, {0.74, 0.24}, {0.74, 0.34}},
                     {{0.5, 0.24}, {0.5, 0.78}},
                     {{0.39, 0.78}, {0.61, 0.78}}};
        break;
    default:
        // A highlighter's chisel tip drawing a broad band: the band is the marker's colour
        // (markerBand), this is its dark outline.
        art.width = 0.3;
        art.lines = {{{0.24, 0.7}, {0.76, 0.32}}};
        break;
    }
    return art;
}

// The band inside a highlighter's outline, in the marker's colour.
LineArt markerBand() {
    LineArt band;
    band.width = 0.22;
    band.lines = {{{0.24, 0.7}, {0.76, 0.32}}};
    return band;
}

Rgb markerRgb(int32_t icon) {
    const uint32_t pixel = highlighterPixel(TOOL_HIGHLIGHTER_FIRST + icon - STRIP_ICON_HIGHLIGHTER_FIRST);
    return {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)};
}

// The presenting tools' pictures, drawn as areas rather than lines: the pointer a red dot trailing
// fading dots; the spotlight a dark field round a bright circle; the shade a grey cover pulled
// halfway down a slide, its grip on the edge. `face` where none of them is.
constexpr Rgb POINTER_RED = {255, 32, 32}, SLIDE_WHITE = {250, 250, 250}, COVER_GREY = {200, 200, 200};
constexpr Rgb GRIP_GREY = {120, 120, 120}, DIM = {45, 45, 45};

Rgb presentingArea(int32_t icon, double u, double v, Rgb face) {
    auto within = [](double u, double v, double cu, double cv, double r) {
        return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= r * r;
    };
    switch (icon) {
    case STRIP_ICON_POINTER:
        if (within(u, v, 0.66, 0.36, 0.13))
            return POINTER_RED;
        for (int i = 1; i <= 3; ++i)
            if (within(u, v, 0.66 - 0.13 * i, 0.36 + 0.11 * i, 0.13 - 0.025 * i))
                return Rgb{255, uint8_t(32 + 50 * i), uint8_t(32 + 50 * i)};
        return face;
    case STRIP_ICON_SPOTLIGHT:
        if (u < 0.14 || v < 0.16 || u > 0.86 || v > 0.84)
            return face;
        if (within(u, v, 0.5, 0.5, 0.23))
            return SLIDE_WHITE;
        return within(u, v, 0.5, 0.5, 0.27) ? Rgb{255, 255, 255} : DIM;
    case STRIP_ICON_SHADE:
        if (u < 0.14 || v < 0.16 || u > 0.86 || v > 0.84)
            return face;
        if (v < 0.42) // the slide uncovered, two lines of its text
            return (v > 0.24 && v < 0.28 && u > 0.22 && u < 0.7) ||
                           (v > 0.32 && v < 0.36 && u > 0.22 && u < 0.6)
                       ? BLACK
                       : SLIDE_WHITE;
        if (v < 0.5 && u > 0.36 && u < 0.64) // the grip on the cover's edge
            return GRIP_GREY;
        return COVER_GREY;
    default:
        return face;
    }
}

} // namespace

Picture toolStripPicture(bool pressed, int32_t cell) {
    if (cell < 1)
        cell = 1;
    const Rgb face = pressed ? RIM_ORANGE : RING_GREY;
    Picture picture(cell * STRIP_ICON_COUNT, cell, face);
    for (int32_t icon = 0; icon < STRIP_ICON_COUNT; ++icon) {
        Picture one(cell, cell, face);
        const LineArt art = iconArt(icon);
        const bool marker = icon >= STRIP_ICON_HIGHLIGHTER_FIRST && icon < STRIP_ICON_TEXT;
        const LineArt band = markerBand();
        const Rgb colour = marker ? markerRgb(icon) : BLACK;
        renderSupersampled(one, 4, [&](double x, double y) {
            const double u = x / cell, v = y / cell;
            // A dark frame marks the button's edge over a slide or the board.
            if (u < 0.03 || v < 0.03 || u > 0.97 || v > 0.97)
                return DARK;
            if (marker && band.covers(u, v))
                return colour;
            if (icon >= STRIP_ICON_POINTER)
                return presentingArea(icon, u, v, face);
            return art.covers(u, v) ? (marker ? DARK : BLACK) : face;
        });
        for (int32_t y = 0; y < cell; ++y)
            for (int32_t x = 0; x < cell; ++x)
                picture.at(icon * cell + x, y) = avoidKey(one.at(x, y));
    }
    return picture;
}

bool drawToolStripPicture(int32_t id, int32_t dpi, Picture* out) {
    if (id != IDB_TOOL_STRIP_NORMAL && id != IDB_TOOL_STRIP_PRESSED)
        return false;
    *out = toolStripPicture(id == IDB_TOOL_STRIP_PRESSED, scaledForDpi(STRIP_BUTTON_96, dpi));
    return true;
}
