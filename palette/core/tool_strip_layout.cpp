#include "palette/core/tool_strip_layout.h"

#include "board/core/board_rules.h"
#include "pages/core/highlight.h"
#include "pages/core/page_rules.h"
#include "presenting/core/presenting_rules.h"
#include "win32/core/dpi_scale.h"

// The highlighters first: they are what a teacher reaches for most.
const StripTool stripTools[STRIP_TOOL_COUNT] = {
    {TOOL_HIGHLIGHTER_FIRST, "Resaltador", STRIP_ICON_HIGHLIGHTER_FIRST},
    {TOOL_HIGHLIGHTER_FIRST + 1, "Resaltador", STRIP_ICON_HIGHLIGHTER_FIRST + 1},
    {TOOL_HIGHLIGHTER_FIRST + 2, "Resaltador", STRIP_ICON_HIGHLIGHTER_FIRST + 2},
    {TOOL_HIGHLIGHTER_FIRST + 3, "Resaltador", STRIP_ICON_HIGHLIGHTER_FIRST + 3},
    {TOOL_RECTANGLE, "Rect\xE1ngulo", STRIP_ICON_RECTANGLE},
    {TOOL_ARROW, "Flecha", STRIP_ICON_ARROW},
    {TOOL_TEXT, "Texto", STRIP_ICON_TEXT},
    {TOOL_POINTER, "Puntero", STRIP_ICON_POINTER},
    {TOOL_SPOTLIGHT, "Foco", STRIP_ICON_SPOTLIGHT},
    {TOOL_SHADE, "Cortina", STRIP_ICON_SHADE},
    {IDC_FREEZE_SCREEN, "Congelar la pantalla en una p\xE1gina nueva", STRIP_ICON_FREEZE},
};

namespace {

int32_t button(int32_t dpi) {
    return scaledForDpi(STRIP_BUTTON_96, dpi);
}
int32_t gap(int32_t dpi) {
    return scaledForDpi(STRIP_GAP_96, dpi);
}

} // namespace

StripRect stripSize(int32_t dpi) {
    return {0, 0, gap(dpi) + STRIP_TOOL_COUNT * (button(dpi) + gap(dpi)), button(dpi) + 2 * gap(dpi)};
}

StripRect stripButtonRect(int32_t i, int32_t dpi) {
    if (i < 0 || i >= STRIP_TOOL_COUNT)
        return {0, 0, 0, 0};
    const int32_t left = gap(dpi) + i * (button(dpi) + gap(dpi));
    return {left, gap(dpi), left + button(dpi), gap(dpi) + button(dpi)};
}

int32_t stripButtonAt(int32_t x, int32_t y, int32_t dpi) {
    for (int32_t i = 0; i < STRIP_TOOL_COUNT; ++i) {
        const StripRect r = stripButtonRect(i, dpi);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return i;
    }
    return -1;
}

int32_t stripToolOfCommand(int32_t command) {
    for (int32_t i = 0; i < STRIP_TOOL_COUNT; ++i)
        if (stripTools[i].command == command)
            return i;
    return -1;
}

BoxPoint stripPlace(const MonitorBox& palette, const MonitorBox& work, int32_t dpi) {
    const StripRect size = stripSize(dpi);
    const int32_t offset = scaledForDpi(STRIP_OFFSET_96, dpi);
    BoxPoint at = {palette.left, palette.top - offset - size.bottom};
    if (at.y < work.top)
        at.y = palette.bottom + offset;
    return keepInside(at, size.right, size.bottom, work);
}
