#include "pages/core/highlight.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "win32/core/dpi_scale.h"

namespace {

// Marker colours as teachers know them, light enough to read black text through.
constexpr uint32_t MARKERS[HIGHLIGHTER_COLOURS] = {
    0xFFEB00, // yellow
    0x5CE65C, // green
    0xFF69C8, // pink
    0x4FC3FF, // blue
};
constexpr int32_t HIGHLIGHTER_MIN_96 = 16;

uint32_t channel(uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

} // namespace

bool isHighlighter(int32_t tool) {
    return tool >= TOOL_HIGHLIGHTER_FIRST && tool < TOOL_HIGHLIGHTER_FIRST + HIGHLIGHTER_COLOURS;
}

uint32_t highlighterPixel(int32_t tool) {
    return MARKERS[isHighlighter(tool) ? tool - TOOL_HIGHLIGHTER_FIRST : 0];
}

int32_t highlighterWidth(int32_t penWidth, int32_t dpi) {
    const int32_t least = scaledForDpi(HIGHLIGHTER_MIN_96, dpi);
    return penWidth * 4 > least ? penWidth * 4 : least;
}

uint32_t blendHighlight(uint32_t beneath, uint32_t marker, uint32_t key) {
    uint32_t out = 0;
    for (int shift : {0, 8, 16})
        out |= ((channel(beneath, shift) * 3 + channel(marker, shift) * 2 + 2) / 5) << shift;
    return out == (key & 0xFFFFFF) ? out ^ 1 : out;
}

size_t layHighlight(uint32_t* canvas, const uint32_t* beneath, size_t count, uint32_t marker, uint32_t key) {
    size_t changed = 0;
    for (size_t i = 0; i < count; ++i)
        if ((canvas[i] & 0xFFFFFF) == (key & 0xFFFFFF)) {
            canvas[i] = blendHighlight(beneath[i], marker, key);
            ++changed;
        }
    return changed;
}

bool emptyStretch(const uint32_t* canvas, size_t count, uint32_t key, size_t* first, size_t* end) {
    size_t i = 0;
    while (i < count && (canvas[i] & 0xFFFFFF) != (key & 0xFFFFFF))
        ++i;
    if (i == count)
        return false;
    size_t j = count;
    while ((canvas[j - 1] & 0xFFFFFF) != (key & 0xFFFFFF))
        --j;
    *first = i;
    *end = j;
    return true;
}

namespace {

// The cover works in half pixels: pixel (x, y) is sampled at its centre (2x + 1, 2y + 1), the
// segment's ends lie on pixel corners (2x, 2y) for an even width and on centres for an odd one,
// and the radius is `width` half pixels.
struct Capsule {
    int64_t ax, ay, bx, by, radius;

    // Whether the sample (sx, sy) lies within the radius of the segment, exactly.
    bool covers(int64_t sx, int64_t sy) const {
        const int64_t dx = bx - ax, dy = by - ay, vx = sx - ax, vy = sy - ay;
        const int64_t along = vx * dx + vy * dy, length2 = dx * dx + dy * dy, r2 = radius * radius;
        if (along <= 0)
            return vx * vx + vy * vy <= r2;
        if (along >= length2)
            return (sx - bx) * (sx - bx) + (sy - by) * (sy - by) <= r2;
        const int64_t across = vx * dy - vy * dx;
        return across * across <= r2 * length2;
    }
};

// Narrows [*lo, *hi] to the u where lower <= coef * u + c <= upper.
void constrain(double coef, double c, double lower, double upper, double* lo, double* hi) {
    if (coef == 0) {
        if (c < lower || c > upper)
            *lo = 1, *hi = 0;
        return;
    }
    const double u1 = (lower - c) / coef, u2 = (upper - c) / coef;
    *lo = std::max(*lo, std::min(u1, u2));
    *hi = std::min(*hi, std::max(u1, u2));
}

// Sample row sy's stretch of the capsule, in half pixels, near enough: the hull of the row's parts
// of both end discs and of the band between them. lo > hi when the row misses it.
void rowStretch(const Capsule& k, double sy, double* lo, double* hi) {
    const double inf = std::numeric_limits<double>::infinity();
    *lo = inf;
    *hi = -inf;
    const double r = double(k.radius);
    const double ends[2][2] = {{double(k.ax), double(k.ay)}, {double(k.bx), double(k.by)}};
    for (const auto& end : ends) {
        const double t = sy - end[1];
        if (t * t <= r * r) {
            const double half = std::sqrt(r * r - t * t);
            *lo = std::min(*lo, end[0] - half);
            *hi = std::max(*hi, end[0] + half);
        }
    }
    const double dx = double(k.bx - k.ax), dy = double(k.by - k.ay), length2 = dx * dx + dy * dy;
    if (length2 == 0)
        return;
    // u = x - ax: along the segment 0 <= u dx + t dy <= length2, across |u dy - t dx| <= r |ab|.
    const double t = sy - double(k.ay), reach = r * std::sqrt(length2);
    double ulo = -inf, uhi = inf;
    constrain(dx, t * dy, 0, length2, &ulo, &uhi);
    constrain(dy, -t * dx, -reach, reach, &ulo, &uhi);
    if (ulo <= uhi) {
        *lo = std::min(*lo, double(k.ax) + ulo);
        *hi = std::max(*hi, double(k.ax) + uhi);
    }
}

} // namespace

IntRect highlightCover(IntPoint a, IntPoint b, int32_t width, const IntRect& box, RowSpan* spans) {
    const int64_t odd = width & 1;
    const Capsule k = {2 * int64_t(a.x) + odd, 2 * int64_t(a.y) + odd, 2 * int64_t(b.x) + odd,
                       2 * int64_t(b.y) + odd, width};
    IntRect bounds = {0, 0, 0, 0};
    for (int32_t y = box.top; y < box.bottom; ++y) {
        RowSpan& span = spans[y - box.top];
        span = {0, 0};
        const int64_t sy = 2 * int64_t(y) + 1;
        double lo = 0, hi = 0;
        rowStretch(k, double(sy), &lo, &hi);
        if (lo > hi)
            continue;
        // Pixels whose sample 2x + 1 lies in [lo, hi], one more each side against rounding, then
        // trimmed to the exact test: the row's run is whole, so trimming its ends finds it.
        int64_t left = int64_t(std::ceil((lo - 1) / 2)) - 1, right = int64_t(std::floor((hi - 1) / 2)) + 1;
        left = std::max<int64_t>(left, box.left);
        right = std::min<int64_t>(right, int64_t(box.right) - 1);
        while (left <= right && !k.covers(2 * left + 1, sy))
            ++left;
        while (right >= left && !k.covers(2 * right + 1, sy))
            --right;
        if (left > right)
            continue;
        span = {int32_t(left), int32_t(right + 1)};
        if (bounds.right <= bounds.left)
            bounds = {span.left, y, span.right, y + 1};
        else
            bounds = {std::min(bounds.left, span.left), bounds.top, std::max(bounds.right, span.right),
                      y + 1};
    }
    return bounds;
}

void BeneathTiles::forget() {
    std::fill(read_.begin(), read_.end(), uint8_t(0));
}

BeneathTiles::TileRange BeneathTiles::unread(const IntRect& need) const {
    TileRange t = {columns_, rows_, -1, -1};
    const int32_t left = std::max(need.left, 0), top = std::max(need.top, 0);
    const int32_t right = std::min(need.right, width_), bottom = std::min(need.bottom, height_);
    if (right <= left || bottom <= top)
        return t;
    for (int32_t r = top / TILE; r <= (bottom - 1) / TILE; ++r)
        for (int32_t c = left / TILE; c <= (right - 1) / TILE; ++c)
            if (!read_[size_t(r) * size_t(columns_) + size_t(c)]) {
                t.c0 = std::min(t.c0, c);
                t.c1 = std::max(t.c1, c);
                t.r0 = std::min(t.r0, r);
                t.r1 = std::max(t.r1, r);
            }
    return t;
}

IntRect BeneathTiles::toRead(const IntRect& need, int32_t width, int32_t height) {
    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        columns_ = (width + TILE - 1) / TILE;
        rows_ = (height + TILE - 1) / TILE;
        read_.assign(size_t(columns_) * size_t(rows_), 0);
    }
    const TileRange t = unread(need);
    if (t.c1 < 0)
        return {0, 0, 0, 0};
    for (int32_t r = t.r0; r <= t.r1; ++r)
        for (int32_t c = t.c0; c <= t.c1; ++c)
            read_[size_t(r) * size_t(columns_) + size_t(c)] = 1;
    return {t.c0 * TILE, t.r0 * TILE, std::min((t.c1 + 1) * TILE, width),
            std::min((t.r1 + 1) * TILE, height)};
}

bool BeneathTiles::allRead(const IntRect& need, int32_t width, int32_t height) const {
    return width == width_ && height == height_ && unread(need).c1 < 0;
}
