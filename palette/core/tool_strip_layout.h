#pragma once
// The tool strip, free of the platform: a row of square buttons that opens beside the palette from
// its "more tools" button and holds the tools the ring has no room for. Each tool is a row of
// stripTools (its command, its tooltip, its cell in the strip's pictures); a new tool is a new row
// and a new cell, nothing else. Sizes are pixels at 96 DPI, scaled by the palette's monitor.
#include <cstdint>

#include "win32/core/board_monitor.h"

// The cells of the strip's pictures (bitmaps 132 and 133), one per tool, in this order.
enum StripIcon : int32_t {
    STRIP_ICON_RECTANGLE = 0,
    STRIP_ICON_ARROW = 1,
    STRIP_ICON_HIGHLIGHTER_FIRST = 2, // one marker per highlighter colour, in the tools' order
    STRIP_ICON_TEXT = 6,
    STRIP_ICON_POINTER = 7,
    STRIP_ICON_SPOTLIGHT = 8,
    STRIP_ICON_SHADE = 9,
    STRIP_ICON_FREEZE = 10,
};
constexpr int32_t STRIP_ICON_COUNT = 11;

struct StripTool {
    int32_t command;     // the tool id (TOOL_*), or the freeze command, sent to the palette as WM_COMMAND
    const char* tooltip; // Windows-1252
    int32_t icon;        // StripIcon
};
constexpr int32_t STRIP_TOOL_COUNT = 11;
extern const StripTool stripTools[STRIP_TOOL_COUNT];

// At 96 DPI: buttons of 48 x 48 (a touch target wants 40 at least), 4 between them and around
// them, and 6 between the strip and the palette.
constexpr int32_t STRIP_BUTTON_96 = 48;
constexpr int32_t STRIP_GAP_96 = 4;
constexpr int32_t STRIP_OFFSET_96 = 6;

struct StripRect {
    int32_t left, top, right, bottom;
};

// The strip's size at dpi (96 when unknown): (0, 0)-(width, height).
StripRect stripSize(int32_t dpi);
// Button i's rectangle in the strip's client coordinates; empty for an i outside the table.
StripRect stripButtonRect(int32_t i, int32_t dpi);
// The button under a client point, or -1 (a gap, outside).
int32_t stripButtonAt(int32_t x, int32_t y, int32_t dpi);
// The row of the tool with that command, or -1 when no row has it.
int32_t stripToolOfCommand(int32_t command);

// Where the strip's top-left corner goes beside the palette (its window rectangle): above it, its
// left edge at the palette's, where the "more tools" button is; below it when the work area has no
// room above; moved the least to stay inside the work area.
BoxPoint stripPlace(const MonitorBox& palette, const MonitorBox& work, int32_t dpi);
