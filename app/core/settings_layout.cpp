#include "app/core/settings_layout.h"

#include <cstdio>

namespace {

// The scale labels sit under the bar: 10 wide, 15 high, centred on the left edge of cell 1 and the
// right edges of cells 5, 10, 15 and 20.
LayoutText scaleLabel(const char* text, int32_t centreX) {
    return {text, {centreX - 5, 257, centreX + 5, 272}, 14, TextPlacement::TopCentred};
}

} // namespace

SettingsLayout makeSettingsLayout(int32_t wc) {
    SettingsLayout layout = {
        {0, 0, SETTINGS_WINDOW_WIDTH, SETTINGS_WINDOW_HEIGHT},
        {
            {"Ajuste de Zarpelo", {20, 50, wc - 20, 74}, 22, TextPlacement::TopLeft},
            {"Si ejecutar Zarpelo al inicio?", {20, 79, wc - 20, 99}, 18, TextPlacement::WrapLeft},
            {"S\xED", {125, 100, 155, 120}, 22, TextPlacement::TopLeft},
            {"No", {245, 100, 275, 120}, 22, TextPlacement::TopLeft},
            {"Suavizar", {20, 198, wc - 20, 222}, 22, TextPlacement::TopLeft},
            scaleLabel("0", 20),
            scaleLabel("5", 95),
            scaleLabel("10", 170),
            scaleLabel("15", 245),
            scaleLabel("20", 320),
        },
        {
            {"frame 1", {10, 74, wc - 10, 188}},
            {"frame 2", {10, 222, wc - 10, 357}},
            {"yes box", SETTINGS_YES_BOX},
            {"no box", SETTINGS_NO_BOX},
            {"value box", SETTINGS_VALUE_BOX},
        },
    };
    return layout;
}

LayoutRect settingsCellRect(int n) {
    const int32_t left = SETTINGS_CELL_BAR.left + SETTINGS_CELL_WIDTH * (n - 1);
    return {left, SETTINGS_CELL_BAR.top, left + SETTINGS_CELL_WIDTH, SETTINGS_CELL_BAR.bottom};
}

void settingsMarkPath(const LayoutRect& box, LayoutPoint points[4]) {
    points[0] = {box.left, box.top};
    points[1] = {box.right - 1, box.bottom - 1};
    points[2] = {box.left, box.bottom - 1};
    points[3] = {box.right - 1, box.top};
}

void formatSmoothing(int32_t smoothingPeriod, char out[3]) {
    const int32_t shown = settingsShownSmoothingPeriod(smoothingPeriod);
    std::snprintf(out, 3, "%02d", static_cast<int>(shown));
}

int32_t settingsShownPaletteAtStart(int32_t showPaletteAtStart) {
    return showPaletteAtStart == 0 ? 0 : 1;
}

int32_t settingsShownSmoothingPeriod(int32_t smoothingPeriod) {
    if (smoothingPeriod < 1)
        return 1;
    if (smoothingPeriod > SETTINGS_CELL_COUNT)
        return SETTINGS_CELL_COUNT;
    return smoothingPeriod;
}

namespace {
bool strictlyInside(const LayoutRect& r, int32_t x, int32_t y) {
    return r.left < x && x < r.right && r.top < y && y < r.bottom;
}
} // namespace

SettingsHit settingsHitTest(int32_t x, int32_t y) {
    if (strictlyInside(SETTINGS_YES_BOX, x, y))
        return {SettingsHitKind::YesBox, 0};
    if (strictlyInside(SETTINGS_NO_BOX, x, y))
        return {SettingsHitKind::NoBox, 0};
    if (SETTINGS_CELL_BAR.top < y && y < SETTINGS_CELL_BAR.bottom) {
        // C++ integer division cuts toward zero, as the rule wants: x = 6 gives 0 + 1 = 1.
        int32_t n = (x - SETTINGS_CELL_BAR.left) / SETTINGS_CELL_WIDTH + 1;
        if (n < 1)
            n = 1;
        if (n > SETTINGS_CELL_COUNT)
            n = SETTINGS_CELL_COUNT;
        return {SettingsHitKind::Cell, n};
    }
    return {SettingsHitKind::None, 0};
}

int32_t helpPageAfter(int32_t page, uint64_t command) {
    if (page < 0)
        page = 0;
    if (page > HELP_PAGE_COUNT - 1)
        page = HELP_PAGE_COUNT - 1;
    switch (command) {
    case IDC_HELP_FIRST:
        return 0;
    case IDC_HELP_END:
        return HELP_PAGE_COUNT - 1;
    case IDC_HELP_LAST:
        return page > 0 ? page - 1 : 0;
    case IDC_HELP_NEXT:
        return page < HELP_PAGE_COUNT - 1 ? page + 1 : HELP_PAGE_COUNT - 1;
    default:
        return page;
    }
}

bool helpButtonEnabled(unsigned id, int32_t page) {
    switch (id) {
    case IDC_HELP_FIRST:
    case IDC_HELP_LAST:
        return page > 0;
    case IDC_HELP_NEXT:
    case IDC_HELP_END:
        return page < HELP_PAGE_COUNT - 1;
    default:
        return false;
    }
}
