// The board bar's pictures 130 (normal look, grey like the palette's ring) and 131 (pressed look,
// the rim's orange): one strip of BAR_ICON_COUNT square cells, in the order of the bar's
// icons: previous page, next page, new page, background, PDF, new board, freeze (a snowflake), open
// a picture (a framed landscape). Black line art.
#include <cmath>

#include "board/core/board_bar_pictures.h"

#include "board/core/board_bar_layout.h"

LineArt freezeArt() {
    // Six arms, each with a pair of short branches that open outwards a little past its middle.
    LineArt art;
    art.width = 0.05;
    for (int k = 0; k < 6; ++k) {
        const double a = k * 3.14159265358979 / 3, c = std::cos(a), s = std::sin(a);
        const auto at = [&](double r, double side) {
            return Point2{0.5 + r * c - side * s, 0.5 + r * s + side * c};
        };
        art.lines.push_back({at(0, 0), at(0.33, 0)});
        art.lines.push_back({at(0.26, 0.09), at(0.17, 0), at(0.26, -0.09)});
    }
    return art;
}

namespace {

constexpr Rgb BLACK = {0, 0, 0}, WHITE = {255, 255, 255}, DARK = {90, 90, 90};
constexpr Rgb RING_GREY = {178, 178, 178}, RIM_ORANGE = {213, 151, 88}, GRID_BLUE = {168, 208, 240};

// The icons in unit coordinates (0..1 across the cell).
LineArt iconArt(int icon) {
    LineArt art;
    art.width = 0.07;
    switch (icon) {
    case BAR_ICON_PREVIOUS:
        art.lines = {{{0.62, 0.25}, {0.34, 0.5}, {0.62, 0.75}, {0.62, 0.25}},
                     {{0.55, 0.36}, {0.42, 0.5}, {0.55, 0.64}}};
        break;
    case BAR_ICON_NEXT:
        art.lines = {{{0.38, 0.25}, {0.66, 0.5}, {0.38, 0.75}, {0.38, 0.25}},
                     {{0.45, 0.36}, {0.58, 0.5}, {0.45, 0.64}}};
        break;
    case BAR_ICON_ADD:
        art.width = 0.1;
        art.lines = {{{0.5, 0.24}, {0.5, 0.76}}, {{0.24, 0.5}, {0.76, 0.5}}};
        break;
    case BAR_ICON_BACKGROUND:
        art.width = 0.05;
        art.lines = {{{0.22, 0.22}, {0.78, 0.22}, {0.78, 0.78}, {0.22, 0.78}, {0.22, 0.22}},
                     {{0.5, 0.22}, {0.5, 0.78}},
                     {{0.22, 0.5}, {0.78, 0.5}}};
        break;
    case BAR_ICON_PDF: {
        art.width = 0.06;
        const double top = 0.36, bottom = 0.64;
        LinePoints p = {{0.16, bottom}, {0.16, top}, {0.26, top}};
        append(p, arc(0.26, top + 0.07, 0.07, -90, 90, 12));
        p.push_back({0.16, top + 0.14});
        LinePoints d = {{0.44, top}, {0.44, bottom}};
        LinePoints dBowl = {{0.44, top}, {0.5, top}};
        append(dBowl, arc(0.5, 0.5, 0.14, -90, 90, 16));
        dBowl.push_back({0.44, bottom});
        art.lines = {p, d, dBowl, {{0.86, top}, {0.74, top}, {0.74, bottom}}, {{0.74, 0.5}, {0.83, 0.5}}};
        break;
    }
    case BAR_ICON_FREEZE:
        art = freezeArt();
        break;
    case BAR_ICON_OPEN:
        art.width = 0.05;
        art.lines = {{{0.18, 0.24}, {0.82, 0.24}, {0.82, 0.76}, {0.18, 0.76}, {0.18, 0.24}},
                     {{0.22, 0.7}, {0.42, 0.44}, {0.56, 0.6}, {0.64, 0.52}, {0.78, 0.7}}};
        art.lines.push_back(arc(0.66, 0.38, 0.06, 0, 360, 16));
        break;
    case BAR_ICON_NEW_BOARD:
    default:
        art.width = 0.06;
        art.lines = {{{0.2, 0.28}, {0.8, 0.28}, {0.8, 0.72}, {0.2, 0.72}, {0.2, 0.28}},
                     {{0.38, 0.72}, {0.3, 0.84}},
                     {{0.62, 0.72}, {0.7, 0.84}},
                     {{0.62, 0.4}, {0.7, 0.32}, {0.7, 0.42}, {0.62, 0.4}}};
        break;
    }
    return art;
}

// The background button shows its four backgrounds, one in each quarter of its square.
Rgb backgroundQuarter(double u, double v) {
    if (u < 0.5 && v < 0.5)
        return {201, 201, 201}; // the grey board, one level off the key colour
    if (u >= 0.5 && v < 0.5)
        return WHITE;
    if (u < 0.5)
        return std::fmod(u * 20, 2.0) < 0.25 || std::fmod(v * 20, 2.0) < 0.25 ? GRID_BLUE : WHITE;
    return BLACK;
}

Picture strip(Rgb face, int32_t cell) {
    Picture picture(cell * BAR_ICON_COUNT, cell, face);
    for (int icon = 0; icon < BAR_ICON_COUNT; ++icon) {
        Picture one(cell, cell, face);
        const LineArt art = iconArt(icon);
        renderSupersampled(one, 4, [&](double x, double y) {
            const double u = x / cell, v = y / cell;
            // A dark frame marks the button's edge on the page.
            if (u < 0.03 || v < 0.03 || u > 0.97 || v > 0.97)
                return DARK;
            if (art.covers(u, v))
                return BLACK;
            if (icon == BAR_ICON_BACKGROUND && u > 0.22 && u < 0.78 && v > 0.22 && v < 0.78)
                return backgroundQuarter((u - 0.22) / 0.56, (v - 0.22) / 0.56);
            return face;
        });
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                picture.at(icon * cell + x, y) = avoidKey(one.at(x, y));
    }
    return picture;
}

} // namespace

Picture boardBarStrip(bool pressed, int32_t cell) {
    return strip(pressed ? RIM_ORANGE : RING_GREY, cell < 1 ? 1 : cell);
}
