#pragma once
// The text tool's rules, free of the platform: the letters' size for the chosen width, where a
// tap's text box goes, and which text puts anything on the page.
#include <cstddef>
#include <cstdint>

#include "pages/core/page_rules.h"

// The letters' height in pixels (the font's cell) for a pen penWidth wide at dpi: the pen's four
// widths 2, 4, 8 and 16 at 96 DPI give 24, 32, 48 and 64 at 96 DPI, scaled with the monitor; a
// width between two of them takes the size of the nearer (the smaller on a tie).
int32_t textHeightForPen(int32_t penWidth, int32_t dpi);

// The text box's window origin for a tap at `tap` on a page width x height: the first line starts
// at the tap, centred on it (the finger marks where the words go), the box's frame `pad` pixels
// around the text. The box (boxWidth x boxHeight) is moved the least to stay on the page.
IntPoint textBoxOrigin(IntPoint tap, int32_t lineHeight, int32_t pad, int32_t boxWidth, int32_t boxHeight,
                       int32_t width, int32_t height);

// Whether a box's text puts anything on the page: not when it is empty or holds only spaces, tabs
// and line breaks (such a box is closed as Esc closes it).
bool textPutsInk(const wchar_t* text, size_t length);
