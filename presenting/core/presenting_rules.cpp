#include "presenting/core/presenting_rules.h"

#include <algorithm>
#include <cmath>

#include "win32/core/dpi_scale.h"

bool isPresentingTool(int32_t tool) {
    return tool == TOOL_POINTER || tool == TOOL_SPOTLIGHT || tool == TOOL_SHADE;
}

namespace {

double distance(double ax, double ay, double bx, double by) {
    return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
}

int32_t clamp(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// The strength (0..1) of a point of age `age` ms, and of the dot after the lift.
double fade(uint32_t age) {
    return age >= POINTER_FADE_MS ? 0.0 : 1.0 - double(age) / POINTER_FADE_MS;
}

} // namespace

// --- the pointer -------------------------------------------------------------------------------

void trailTouch(PointerTrail* trail, PxPoint p, uint32_t nowMs, int32_t dpi) {
    if (!trail->down)
        trail->points.clear(); // a new touch starts its own trail
    trail->down = true;
    trail->points.push_back({p.x, p.y, nowMs});
    // The tail beyond the trail's length goes, newest kept.
    const double most = scaledForDpi(POINTER_TRAIL_MAX_96, dpi);
    double length = 0;
    for (size_t i = trail->points.size() - 1; i > 0; --i) {
        const TrailPoint &a = trail->points[i], &b = trail->points[i - 1];
        length += distance(a.x, a.y, b.x, b.y);
        if (length > most) {
            trail->points.erase(trail->points.begin(), trail->points.begin() + long(i - 1));
            break;
        }
    }
    trailAlive(trail, nowMs);
}

void trailLift(PointerTrail* trail, uint32_t nowMs) {
    if (trail->down)
        trail->liftMs = nowMs;
    trail->down = false;
}

bool trailAlive(PointerTrail* trail, uint32_t nowMs) {
    if (!trail->down && (trail->points.empty() || nowMs - trail->liftMs >= POINTER_FADE_MS)) {
        trail->points.clear();
        return false;
    }
    // Faded points go, but never the dot itself while the finger is down.
    size_t keep = 0;
    while (keep + 1 < trail->points.size() && nowMs - trail->points[keep].timeMs >= POINTER_FADE_MS)
        ++keep;
    trail->points.erase(trail->points.begin(), trail->points.begin() + long(keep));
    return !trail->points.empty();
}

PxRect dotBounds(PxPoint p, int32_t dpi) {
    const int32_t r = scaledForDpi(POINTER_DOT_96, dpi) / 2 + 2;
    return {p.x - r, p.y - r, p.x + r + 1, p.y + r + 1};
}

PxRect trailBounds(const PointerTrail& trail, int32_t dpi) {
    if (trail.points.empty())
        return {0, 0, 0, 0};
    PxRect box = {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const TrailPoint& p : trail.points) {
        const PxRect dot = dotBounds({p.x, p.y}, dpi);
        box.left = std::min(box.left, dot.left);
        box.top = std::min(box.top, dot.top);
        box.right = std::max(box.right, dot.right);
        box.bottom = std::max(box.bottom, dot.bottom);
    }
    return box;
}

namespace {

// One soft dot into the alpha plane: full inside radius - 2, falling to nothing at radius + 1;
// a pixel keeps the strongest of the dots over it.
void stamp(std::vector<float>* alpha, const PxRect& box, double x, double y, double radius, double strength) {
    const int32_t width = box.right - box.left, height = box.bottom - box.top;
    const int32_t x0 = std::max(0, int32_t(std::floor(x - radius - 1)) - box.left);
    const int32_t x1 = std::min(width - 1, int32_t(std::ceil(x + radius + 1)) - box.left);
    const int32_t y0 = std::max(0, int32_t(std::floor(y - radius - 1)) - box.top);
    const int32_t y1 = std::min(height - 1, int32_t(std::ceil(y + radius + 1)) - box.top);
    for (int32_t py = y0; py <= y1; ++py)
        for (int32_t px = x0; px <= x1; ++px) {
            const double d = distance(px + box.left + 0.5, py + box.top + 0.5, x + 0.5, y + 0.5);
            double a = d <= radius - 2 ? 1.0 : (d >= radius + 1 ? 0.0 : (radius + 1 - d) / 3.0);
            a *= strength;
            float& cell = (*alpha)[size_t(py) * size_t(width) + size_t(px)];
            if (a > cell)
                cell = float(a);
        }
}

// The alpha plane in premultiplied red pixels.
void paintRed(const std::vector<float>& alpha, uint32_t* pixels) {
    const uint32_t r = POINTER_RED >> 16 & 0xFF, g = POINTER_RED >> 8 & 0xFF, b = POINTER_RED & 0xFF;
    for (size_t i = 0; i < alpha.size(); ++i) {
        const uint32_t a = uint32_t(std::lround(alpha[i] * 255.0));
        pixels[i] = a << 24 | (r * a / 255) << 16 | (g * a / 255) << 8 | (b * a / 255);
    }
}

} // namespace

void renderDot(int32_t dpi, uint32_t* pixels) {
    const PxRect box = dotBounds({0, 0}, dpi);
    std::vector<float> alpha(size_t(box.right - box.left) * size_t(box.bottom - box.top), 0.0f);
    stamp(&alpha, box, 0, 0, scaledForDpi(POINTER_DOT_96, dpi) / 2.0, 1.0);
    paintRed(alpha, pixels);
}

void renderTrail(const PointerTrail& trail, uint32_t nowMs, int32_t dpi, const PxRect& box, uint32_t* pixels,
                 bool withDot) {
    const int32_t width = box.right - box.left, height = box.bottom - box.top;
    if (width <= 0 || height <= 0)
        return;
    std::vector<float> alpha(size_t(width) * size_t(height), 0.0f);
    const double radius = scaledForDpi(POINTER_DOT_96, dpi) / 2.0;
    const double dotStrength = trail.down ? 1.0 : fade(nowMs - trail.liftMs);
    // The trail: dots along the path, each as strong and as large as its age leaves it.
    for (size_t i = 1; i < trail.points.size(); ++i) {
        const TrailPoint &a = trail.points[i - 1], &b = trail.points[i];
        const double length = distance(a.x, a.y, b.x, b.y);
        const int steps = std::max(1, int(length / 2));
        for (int s = 0; s < steps; ++s) {
            const double t = double(s) / steps;
            const uint32_t age = nowMs - uint32_t(a.timeMs + (double(b.timeMs) - a.timeMs) * t);
            const double strength = std::min(fade(age) * 0.8, dotStrength);
            if (strength > 0)
                stamp(&alpha, box, a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t,
                      radius * (0.4 + 0.6 * fade(age)), strength);
        }
    }
    if (withDot && !trail.points.empty() && dotStrength > 0)
        stamp(&alpha, box, trail.points.back().x, trail.points.back().y, radius, dotStrength);
    paintRed(alpha, pixels);
}

// --- the spotlight -----------------------------------------------------------------------------

Circle spotlightStart(const PxRect& monitor, PxPoint at) {
    const int32_t r = std::max(1, (monitor.bottom - monitor.top) / 12);
    return {clamp(at.x, monitor.left, monitor.right - 1), clamp(at.y, monitor.top, monitor.bottom - 1), r};
}

PxPoint spotlightGrip(const Circle& c) {
    const double d = c.r / std::sqrt(2.0);
    return {c.cx + int32_t(std::lround(d)), c.cy + int32_t(std::lround(d))};
}

SpotPart spotlightPart(const Circle& c, PxPoint p, int32_t dpi) {
    const double band = scaledForDpi(SPOTLIGHT_RIM_96, dpi);
    const PxPoint grip = spotlightGrip(c);
    if (distance(p.x, p.y, grip.x, grip.y) <= band * 1.5)
        return SPOT_RIM;
    const double d = distance(p.x, p.y, c.cx, c.cy);
    if (std::fabs(d - c.r) <= band)
        return SPOT_RIM;
    return d < c.r ? SPOT_INSIDE : SPOT_OUTSIDE;
}

Circle spotlightMoved(const Circle& from, int32_t dx, int32_t dy, const PxRect& monitor) {
    return {clamp(from.cx + dx, monitor.left, monitor.right - 1),
            clamp(from.cy + dy, monitor.top, monitor.bottom - 1), from.r};
}

Circle spotlightResized(const Circle& from, PxPoint p, const PxRect& monitor, int32_t dpi) {
    const int32_t most = std::max(1, (monitor.bottom - monitor.top) / 2);
    const int32_t least = std::min(most, scaledForDpi(SPOTLIGHT_MIN_RADIUS_96, dpi));
    const int32_t r = int32_t(std::lround(distance(p.x, p.y, from.cx, from.cy)));
    return {from.cx, from.cy, clamp(r, least, most)};
}

PxRect spotlightBounds(const Circle& c, int32_t dpi) {
    const int32_t reach = c.r + int32_t(std::ceil(scaledForDpi(SPOTLIGHT_RIM_96, dpi) * 1.5)) + 2;
    return {c.cx - reach, c.cy - reach, c.cx + reach + 1, c.cy + reach + 1};
}

uint32_t spotlightPixel(const Circle& c, int32_t x, int32_t y, int32_t dpi) {
    constexpr uint32_t DIM = uint32_t(SPOTLIGHT_DIM_ALPHA) << 24, CLEAR = 0, WHITE = 0xFFFFFFFF;
    const double line = std::max(2, scaledForDpi(3, dpi));
    const double knob = scaledForDpi(SPOTLIGHT_RIM_96, dpi) * 0.75;
    const PxPoint grip = spotlightGrip(c);
    const double toGrip = distance(x + 0.5, y + 0.5, grip.x + 0.5, grip.y + 0.5);
    if (toGrip <= knob)
        return toGrip >= knob - line ? 0xFF404040 : WHITE; // a white knob ringed dark
    const double d = distance(x + 0.5, y + 0.5, c.cx + 0.5, c.cy + 0.5);
    if (d >= c.r && d < c.r + line)
        return WHITE;
    return d < c.r ? CLEAR : DIM;
}

// --- the shade ---------------------------------------------------------------------------------

int32_t shadeTop(int32_t top, int32_t dy, int32_t height, int32_t dpi) {
    return clamp(top + dy, 0, std::max(0, height - scaledForDpi(SHADE_GRIP_HEIGHT_96, dpi)));
}

PxRect shadeGrip(int32_t width, int32_t dpi) {
    const int32_t w = scaledForDpi(SHADE_GRIP_WIDTH_96, dpi), h = scaledForDpi(SHADE_GRIP_HEIGHT_96, dpi);
    return {(width - w) / 2, 0, (width - w) / 2 + w, h};
}
