#pragma once
// The highlighter, free of the platform: its tools (one per marker colour), its width, and how a
// stroke lays its colour over what lies beneath.
//
// A highlight is laid into the page's canvas where the canvas is empty, as the colour of what the
// screen shows there blended with the marker's colour: 60 % of the pixel beneath and 40 % of the
// marker (alpha blending rather than a multiply: a multiply vanishes on a dark slide, and 60 % of
// the pixel keeps more than half of any contrast beneath). Ink is never covered: a pixel of ink
// under a stroke stays as it is, and ink drawn later lies over the highlight. A pixel the stroke
// has coloured is no longer empty, so a stroke that passes over itself is one shade.

#include <cstddef>
#include <cstdint>

// The four highlighter tools of the tool strip: yellow (the first), green, pink and blue.
constexpr int32_t TOOL_HIGHLIGHTER_FIRST = 100311;
constexpr int32_t HIGHLIGHTER_COLOURS = 4;

// Whether the tool is one of the highlighters.
bool isHighlighter(int32_t tool);
// The marker colour of a highlighter tool, as a 32-bit DIB pixel (0x00RRGGBB); yellow for any
// other tool.
uint32_t highlighterPixel(int32_t tool);
// The stroke's width in pixels: the pen's width times four, at least 16 at 96 DPI (scaled).
int32_t highlighterWidth(int32_t penWidth, int32_t dpi);

// 60 % of `beneath` and 40 % of `marker`, each channel rounded; never `key` (a result that would
// be the transparent key is moved by one level of blue).
uint32_t blendHighlight(uint32_t beneath, uint32_t marker, uint32_t key);

// Lays one piece of a stroke into `count` pixels of the canvas: where `cover` is nonzero and the
// canvas pixel is `key` (empty), it becomes blendHighlight(beneath, marker, key). Returns how many
// pixels changed.
size_t layHighlight(uint32_t* canvas, const uint32_t* beneath, const uint8_t* cover, size_t count,
                    uint32_t marker, uint32_t key);
