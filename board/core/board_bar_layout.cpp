#include "board/core/board_bar_layout.h"

namespace {

int32_t scaled(int32_t v96, int32_t dpi) {
    if (dpi <= 0)
        dpi = 96;
    return (v96 * dpi + 48) / 96;
}

int32_t fieldWidth96(int32_t field) {
    return field == BAR_LABEL ? BAR_LABEL_WIDTH_96 : BAR_BUTTON_96;
}

// The tips, Windows-1252.
constexpr const char* TOOLTIPS[BOARD_BAR_FIELD_COUNT] = {
    "P\xE1gina anterior",
    "",
    "P\xE1gina siguiente",
    "Nueva p\xE1gina",
    "Congelar la pantalla en una p\xE1gina nueva",
    "Abrir imagen",
    "Fondo",
    "Guardar la pizarra en PDF",
    "Nueva pizarra",
};

} // namespace

int32_t barIconOf(int32_t field) {
    switch (field) {
    case BAR_PREVIOUS:
        return BAR_ICON_PREVIOUS;
    case BAR_NEXT:
        return BAR_ICON_NEXT;
    case BAR_ADD:
        return BAR_ICON_ADD;
    case BAR_FREEZE:
        return BAR_ICON_FREEZE;
    case BAR_OPEN:
        return BAR_ICON_OPEN;
    case BAR_BACKGROUND:
        return BAR_ICON_BACKGROUND;
    case BAR_PDF:
        return BAR_ICON_PDF;
    case BAR_NEW_BOARD:
        return BAR_ICON_NEW_BOARD;
    default:
        return -1;
    }
}

BarRect barFieldRect(int32_t field, int32_t dpi) {
    int32_t left = BAR_GAP_96;
    for (int32_t f = 0; f < field; ++f)
        left += fieldWidth96(f) + BAR_GAP_96;
    const int32_t right = left + fieldWidth96(field);
    return {scaled(left, dpi), scaled(BAR_GAP_96, dpi), scaled(right, dpi),
            scaled(BAR_GAP_96 + BAR_BUTTON_96, dpi)};
}

BarRect barSize(int32_t dpi) {
    const BarRect last = barFieldRect(BOARD_BAR_FIELD_COUNT - 1, dpi);
    return {0, 0, last.right + scaled(BAR_GAP_96, dpi), last.bottom + scaled(BAR_GAP_96, dpi)};
}

int32_t barButtonAt(int32_t x, int32_t y, int32_t dpi) {
    for (int32_t f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
        const BarRect r = barFieldRect(f, dpi);
        if (f != BAR_LABEL && x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return f;
    }
    return -1;
}

void barPosition(const BarRect& monitor, int32_t dpi, int32_t* x, int32_t* y) {
    const BarRect size = barSize(dpi);
    *x = monitor.left + (monitor.right - monitor.left - size.right) / 2;
    *y = monitor.bottom - size.bottom - scaled(BAR_MARGIN_96, dpi);
}

const char* barTooltip(int32_t field) {
    return field >= 0 && field < BOARD_BAR_FIELD_COUNT ? TOOLTIPS[field] : "";
}
