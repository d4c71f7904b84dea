// The logos (100 for the palette's face, 200 for the calibration window) and the four help pages.
#include <algorithm>
#include <cmath>

#include "app/core/logo_pictures.h"

#include "palette/core/palette_layout.h"
#include "palette/core/palette_pictures.h"
#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"

namespace {

constexpr Rgb SKIN = {228, 188, 150}, SKIN_SHADE = {176, 126, 86}, INK = {84, 44, 22}, SWOOSH = {200, 96, 40};

// A wavy pen stroke under a word, in em units, from x0 to x1 along y.
LinePoints swoosh(double x0, double x1, double y) {
    LinePoints p;
    for (int i = 0; i <= 40; ++i) {
        double t = i / 40.0;
        p.push_back({x0 + (x1 - x0) * t, y + 0.05 * std::sin(t * 2 * RASTER_PI * 1.5) - 0.04 * t});
    }
    return p;
}

// Whether a point in em units lies in the box that holds the word and its swoosh (letters reach
// 0.76 em up, the swoosh 0.33 down); outside it neither is tested, which spares most of the samples.
bool nearWord(const TextArt& word, double tx, double ty) {
    return tx > -0.2 && tx < word.advance + 0.2 && ty > -1.0 && ty < 0.5;
}

} // namespace

// Bitmap 100 is shown stretched from 430 x 250 to 220 x 220 inside the face ellipse, which is
// tilted with the palette. It is drawn in those 220 x 220 coordinates: the word lies along the
// face's long axis, centred on the face, and the face's edge is shaded as in the palette pictures.
// At a larger scale it is the same picture at that scale's size of 430 x 250, sampled finer.
Picture paletteLogo(int32_t dpi) {
    const PaletteShapeEntry& face = paletteShapeEntries[SHAPE_FACE_ELLIPSE];
    const double turn = PALETTE_ROTATION * SHAPE_PI / 180, c = std::cos(turn), s = std::sin(turn);
    const double faceX = face.centerX * c - face.centerY * s + PALETTE_CENTER; // (119, 127)
    const double faceY = face.centerX * s + face.centerY * c + PALETTE_CENTER;
    const TextArt word = strokeText("Velmora", 0.11);
    LineArt line;
    line.width = 0.07;
    line.lines.push_back(swoosh(0.05, word.advance - 0.05, 0.22));
    const double em = 27.0;
    Picture p(scaledForDpi(430, dpi), scaledForDpi(250, dpi), SKIN);
    const double w = p.w, h = p.h;
    renderSupersampled(p, 4, [&](double x, double y) {
        double fx = x * 220.0 / w - faceX,
               fy = y * 220.0 / h - faceY;                // palette pixels from the face centre
        double u = fx * c + fy * s, v = -fx * s + fy * c; // along the face's own axes
        double tx = u / em + word.advance / 2, ty = v / em + 0.3;
        if (nearWord(word, tx, ty) && word.art.covers(tx, ty))
            return INK;
        if (nearWord(word, tx, ty) && line.covers(tx, ty))
            return SWOOSH;
        double level =
            (u / face.semiAxisX) * (u / face.semiAxisX) + (v / face.semiAxisY) * (v / face.semiAxisY);
        if (level > 0.88)
            return mix(SKIN, SKIN_SHADE, std::min(1.0, (level - 0.88) / 0.12));
        return SKIN;
    });
    for (Rgb& px : p.px)
        px = avoidKey(px);
    return p;
}

namespace {

// Bilinear sample of a picture at a point in its pixel coordinates.
Rgb sampleBilinear(const Picture& p, double x, double y) {
    x = std::max(0.0, std::min(p.w - 1.001, x - 0.5));
    y = std::max(0.0, std::min(p.h - 1.001, y - 0.5));
    int x0 = int(x), y0 = int(y);
    double fx = x - x0, fy = y - y0;
    Rgb top = mix(p.at(x0, y0), p.at(x0 + 1, y0), fx),
        bottom = mix(p.at(x0, y0 + 1), p.at(x0 + 1, y0 + 1), fx);
    return mix(top, bottom, fy);
}

} // namespace

// Bitmap 200: a card with rounded corners on the calibration window's grey, a small picture of the
// palette itself on the left and the name on the right. It is laid out on 430 x 250 and shown
// stretched to 512 x 296 at 100 %; at a larger scale it is drawn at the size it is shown at for
// that scale (768 x 444 at 150 %, 1024 x 592 at 200 %), the same layout sampled finer, the emblem
// taken from the palette picture of that scale.
Picture calibrationLogo(int32_t dpi) {
    const Rgb ground = {200, 200, 200}, card = {250, 248, 244}, border = {96, 102, 116}, text = {40, 44, 52};
    const Rgb orange = {213, 151, 88};
    const bool base = knownDpi(dpi) <= BASE_DPI;
    const Picture palette = paletteNormalPicture(base ? BASE_DPI : dpi);
    const TextArt word = strokeText("Velmora", 0.11);
    LineArt line;
    line.width = 0.07;
    line.lines.push_back(swoosh(0.05, word.advance - 0.05, 0.22));
    const double em = 215.0 / word.advance, textX = 182, baseline = 146;
    const double emblemX = 96, emblemY = 125, emblemR = 78; // the palette's disc, radius 110, shrunk
    const double half = palette.w / 2.0;                    // the disc's radius in the palette picture
    auto colourAt = [&](double x, double y) {               // x, y on the 430 x 250 layout
        double qx = std::max({8.0 + 30 - x, 0.0, x - (430 - 8.0 - 30)});
        double qy = std::max({8.0 + 30 - y, 0.0, y - (250 - 8.0 - 30)});
        double outside = std::hypot(qx, qy) - 30;
        if (outside > 4)
            return ground;
        if (outside > 0)
            return border;
        double ex = x - emblemX, ey = y - emblemY;
        if (std::hypot(ex, ey) <= emblemR) {
            double k = half / emblemR;
            return sampleBilinear(palette, half + ex * k, half + ey * k);
        }
        double tx = (x - textX) / em, ty = (y - baseline) / em;
        if (nearWord(word, tx, ty) && word.art.covers(tx, ty))
            return text;
        if (nearWord(word, tx, ty) && line.covers(tx, ty))
            return orange;
        return card;
    };
    Picture p(base ? 430 : scaledForDpi(512, dpi), base ? 250 : scaledForDpi(296, dpi), ground);
    const double kx = 430.0 / p.w, ky = 250.0 / p.h; // 1 at 100 %: the layout's own pixels
    renderSupersampled(p, 3, [&](double x, double y) { return colourAt(x * kx, y * ky); });
    return p;
}

// Help pages: the word for help in black on bright green, followed by the page number. The help
// window shows only the top left of a page (its client area is smaller), so the text sits there.
Picture helpPage(int number, int32_t dpi) {
    const Rgb green = {0, 255, 0}, black = {0, 0, 0};
    const TextArt text = strokeText("[bang][zhu]" + std::to_string(number), 0.08);
    const double em = 58.0;
    const double left = 105 - text.advance * em / 2, baseline = 96 + 0.36 * em;
    const double k = double(BASE_DPI) / knownDpi(dpi); // page pixels at 100 % per pixel of this picture
    Picture p(scaledForDpi(220, dpi), scaledForDpi(220, dpi), green);
    renderSupersampled(p, 4, [&](double x, double y) {
        return text.art.covers((x * k - left) / em, (y * k - baseline) / em) ? black : green;
    });
    return p;
}

bool drawLogoOrHelpPicture(int32_t id, int32_t dpi, Picture* out) {
    if (id == IDB_PALETTE_LOGO)
        *out = paletteLogo(dpi);
    else if (id == IDB_CALIBRATION_LOGO)
        *out = calibrationLogo(dpi);
    else if (id >= IDB_HELP_PAGE_1 && id <= IDB_HELP_PAGE_4)
        *out = helpPage(id - IDB_HELP_PAGE_1 + 1, dpi);
    else
        return false;
    return true;
}
