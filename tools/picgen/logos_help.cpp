// The logos (100 for the palette's face, 200 for the calibration window) and the four help pages.
#include <cmath>

#include "palette/core/palette_layout.h"
#include "tools/picgen/picgen.h"

namespace {

constexpr Rgb SKIN = {228, 188, 150}, SKIN_SHADE = {176, 126, 86}, INK = {84, 44, 22}, SWOOSH = {200, 96, 40};

// A wavy pen stroke under a word, in em units, from x0 to x1 along y.
Polyline swoosh(double x0, double x1, double y) {
    Polyline p;
    for (int i = 0; i <= 40; ++i) {
        double t = i / 40.0;
        p.push_back({x0 + (x1 - x0) * t, y + 0.05 * std::sin(t * 2 * M_PI * 1.5) - 0.04 * t});
    }
    return p;
}

} // namespace

// Bitmap 100 is shown stretched from 430 x 250 to 220 x 220 inside the face ellipse, which is
// tilted with the palette. It is drawn in those 220 x 220 coordinates: the word lies along the
// face's long axis, centred on the face, and the face's edge is shaded as in the palette pictures.
Picture paletteLogo() {
    const PaletteShapeSpec& face = paletteShapeSpecs[SHAPE_FACE_ELLIPSE];
    const double turn = PALETTE_ROTATION * SHAPE_PI / 180, c = std::cos(turn), s = std::sin(turn);
    const double faceX = face.centerX * c - face.centerY * s + PALETTE_CENTER; // (119, 127)
    const double faceY = face.centerX * s + face.centerY * c + PALETTE_CENTER;
    const TextArt word = strokeText("Velmora", 0.11);
    LineArt line;
    line.width = 0.07;
    line.lines.push_back(swoosh(0.05, word.advance - 0.05, 0.22));
    const double em = 27.0;
    Picture p(430, 250, SKIN);
    renderSupersampled(p, 4, [&](double x, double y) {
        double fx = x * 220.0 / 430.0 - faceX,
               fy = y * 220.0 / 250.0 - faceY;            // palette pixels from the face centre
        double u = fx * c + fy * s, v = -fx * s + fy * c; // along the face's own axes
        double tx = u / em + word.advance / 2, ty = v / em + 0.3;
        if (word.art.covers(tx, ty))
            return INK;
        if (line.covers(tx, ty))
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

// Bitmap 200: a card with rounded corners on the calibration window's grey, the palette's round
// emblem on the left and the name on the right.
Picture calibrationLogo() {
    const Rgb ground = {200, 200, 200}, card = {250, 248, 244}, border = {96, 102, 116}, text = {40, 44, 52};
    const Rgb ring = {178, 178, 178}, orange = {213, 151, 88};
    const TextArt word = strokeText("Velmora", 0.11);
    LineArt line;
    line.width = 0.07;
    line.lines.push_back(swoosh(0.05, word.advance - 0.05, 0.22));
    const double em = 215.0 / word.advance, textX = 182, baseline = 146;
    Picture p(430, 250, ground);
    renderSupersampled(p, 4, [&](double x, double y) {
        // rounded card: inset 4, corner radius 34, border 3
        double qx = std::max({8.0 + 30 - x, 0.0, x - (430 - 8.0 - 30)});
        double qy = std::max({8.0 + 30 - y, 0.0, y - (250 - 8.0 - 30)});
        double outside = std::hypot(qx, qy) - 30;
        if (outside > 4)
            return ground;
        if (outside > 0)
            return border;
        // emblem: a disc with a grey ring, a tilted face and two eyes, as on the palette
        double ex = x - 100, ey = y - 125, r = std::hypot(ex, ey);
        if (r <= 72) {
            double a = -30 * M_PI / 180, u = ex * std::cos(a) + ey * std::sin(a),
                   v = -ex * std::sin(a) + ey * std::cos(a);
            double fv = v - 10;
            double level = (u / 55) * (u / 55) + (fv / 43) * (fv / 43);
            auto eye = [&](double cx, double cy, double tilt) {
                double dx = u - cx, dy = v - cy;
                double pu = dx * std::cos(tilt) + dy * std::sin(tilt),
                       pv = -dx * std::sin(tilt) + dy * std::cos(tilt);
                return (pu / 6) * (pu / 6) + (pv / 3.8) * (pv / 3.8) <= 1;
            };
            if (eye(13, -37, 0.5) || eye(-13, -37, -0.5))
                return Rgb{0, 0, 0};
            if (level <= 1)
                return level > 0.85 ? mix(SKIN, SKIN_SHADE, (level - 0.85) / 0.15) : SKIN;
            if (level <= 1.12)
                return mix(ring, Rgb{0, 0, 0}, 0.35);
            double deg = std::atan2(ey, ex) * 180 / M_PI;
            if (r > 65 && deg > 150 && deg < 185)
                return orange;
            return r > 69 ? mix(ring, Rgb{0, 0, 0}, 0.25) : ring;
        }
        double tx = (x - textX) / em, ty = (y - baseline) / em;
        if (word.art.covers(tx, ty))
            return text;
        if (line.covers(tx, ty))
            return orange;
        return card;
    });
    return p;
}

// Help pages: the word for help in black on bright green, followed by the page number. The help
// window shows only the top left of a page (its client area is smaller), so the text sits there.
Picture helpPage(int number) {
    const Rgb green = {0, 255, 0}, black = {0, 0, 0};
    const TextArt text = strokeText("[bang][zhu]" + std::to_string(number), 0.08);
    const double em = 58.0;
    const double left = 105 - text.advance * em / 2, baseline = 96 + 0.36 * em;
    Picture p(220, 220, green);
    renderSupersampled(p, 4, [&](double x, double y) {
        return text.art.covers((x - left) / em, (y - baseline) / em) ? black : green;
    });
    return p;
}
