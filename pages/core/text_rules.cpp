#include "pages/core/text_rules.h"

#include "win32/core/dpi_scale.h"

int32_t textHeightForPen(int32_t penWidth, int32_t dpi) {
    static constexpr int32_t WIDTHS_96[4] = {2, 4, 8, 16};
    static constexpr int32_t HEIGHTS_96[4] = {24, 32, 48, 64};
    const int32_t width96 = unscaledForDpi(penWidth, dpi);
    int32_t best = 0;
    for (int32_t i = 1; i < 4; ++i) {
        const int32_t d = width96 > WIDTHS_96[i] ? width96 - WIDTHS_96[i] : WIDTHS_96[i] - width96;
        const int32_t b = width96 > WIDTHS_96[best] ? width96 - WIDTHS_96[best] : WIDTHS_96[best] - width96;
        if (d < b)
            best = i;
    }
    return scaledForDpi(HEIGHTS_96[best], dpi);
}

namespace {

// v moved the least to put [v, v + size) inside [0, limit); a size past the limit starts at 0.
int32_t inside(int32_t v, int32_t size, int32_t limit) {
    if (v + size > limit)
        v = limit - size;
    return v < 0 ? 0 : v;
}

} // namespace

IntPoint textBoxOrigin(IntPoint tap, int32_t lineHeight, int32_t pad, int32_t boxWidth, int32_t boxHeight,
                       int32_t width, int32_t height) {
    return {inside(tap.x - pad, boxWidth, width), inside(tap.y - lineHeight / 2 - pad, boxHeight, height)};
}

bool textPutsInk(const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length && text[i]; ++i)
        if (text[i] != L' ' && text[i] != L'\t' && text[i] != L'\r' && text[i] != L'\n')
            return true;
    return false;
}
