#include "pages/core/highlight.h"

#include <initializer_list>

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

size_t layHighlight(uint32_t* canvas, const uint32_t* beneath, const uint8_t* cover, size_t count,
                    uint32_t marker, uint32_t key) {
    size_t changed = 0;
    for (size_t i = 0; i < count; ++i)
        if (cover[i] && (canvas[i] & 0xFFFFFF) == (key & 0xFFFFFF)) {
            canvas[i] = blendHighlight(beneath[i], marker, key);
            ++changed;
        }
    return changed;
}
