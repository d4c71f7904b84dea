#pragma once
// The settings window's fixed layout (texts, boxes, fonts and fills), its hit test, and the help
// window's page navigation. Platform-free: the window procedures paint and act from these tables,
// and the unit tests read the same tables.
#include <cstdint>

struct LayoutRect {
    int32_t left, top, right, bottom; // GDI convention: right and bottom lie just outside
};

inline bool layoutRectEqual(const LayoutRect& a, const LayoutRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Colours as 0x00BBGGRR, the layout of a COLORREF.
constexpr uint32_t layoutRgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}
constexpr uint32_t SETTINGS_BACKGROUND = layoutRgb(205, 205, 205);
constexpr uint32_t SETTINGS_WHITE = layoutRgb(255, 255, 255);
constexpr uint32_t SETTINGS_CELL_FILLED = layoutRgb(200, 200, 200);
constexpr uint32_t SETTINGS_NUMBER_COLOUR = layoutRgb(255, 0, 0);
constexpr uint32_t SETTINGS_INK = layoutRgb(0, 0, 0);

// The settings window is this large (its frame included), and the layout's background as large.
constexpr int32_t SETTINGS_WINDOW_WIDTH = 380;
constexpr int32_t SETTINGS_WINDOW_HEIGHT = 440;

constexpr const char* SETTINGS_FONT_FACE = "Times New Roman";

enum class TextPlacement {
    TopLeft,    // one line from the rectangle's top-left corner
    WrapLeft,   // word-wrapped inside the rectangle, from its top-left corner
    TopCentred, // one line, centred horizontally, from the top
};

struct LayoutText {
    const char* text; // Windows-1252
    LayoutRect rect;
    int32_t height; // font cell height
    TextPlacement placement;
};

// A white box with a black outline, drawn into the prepared picture.
struct LayoutBox {
    const char* name;
    LayoutRect rect;
};

constexpr int SETTINGS_CELL_COUNT = 20;
constexpr int SETTINGS_CELL_WIDTH = 15;
constexpr int SETTINGS_TEXT_COUNT = 10; // two headings, the question, two labels, five scale labels
constexpr int SETTINGS_BOX_COUNT = 5;   // two frames, the yes and no boxes, the value box
constexpr int SETTINGS_NUMBER_HEIGHT = 34;

constexpr LayoutRect SETTINGS_YES_BOX = {100, 100, 120, 120};
constexpr LayoutRect SETTINGS_NO_BOX = {220, 100, 240, 120};
constexpr LayoutRect SETTINGS_CELL_BAR = {20, 237, 320, 257};
constexpr LayoutRect SETTINGS_VALUE_BOX = {328, 233, 358, 261};

// Button ids and their places (left, top, width, height).
constexpr unsigned IDC_APPLY = 0x44D;
constexpr unsigned IDC_CANCEL = 0x44E;
constexpr unsigned IDC_DEFAULT = 0x44F;
struct LayoutButton {
    const char* caption;
    unsigned id;
    int32_t x, y, width, height;
};
constexpr LayoutButton SETTINGS_BUTTONS[3] = {
    {"Aplicar", IDC_APPLY, 80, 375, 60, 26},
    {"Cancelar", IDC_CANCEL, 150, 375, 60, 26},
    {"Defecto", IDC_DEFAULT, 220, 375, 60, 26},
};

struct SettingsLayout {
    LayoutRect background;                 // (0, 0)-(380, 440), filled, outlined
    LayoutText texts[SETTINGS_TEXT_COUNT]; // in drawing order
    LayoutBox boxes[SETTINGS_BOX_COUNT];   // frames first, so the boxes inside them stay visible
};

// The layout for a client area clientWidth wide (what GetClientRect reports at creation).
SettingsLayout makeSettingsLayout(int32_t clientWidth);

// Cell n of the bar, 1 to 20.
LayoutRect settingsCellRect(int n);

// The mark in a yes/no box: the pen starts at points[0] and draws to points[1], [2], [3] (both
// diagonals and the bottom edge).
struct LayoutPoint {
    int32_t x, y;
};
void settingsMarkPath(const LayoutRect& box, LayoutPoint points[4]);

// "%02d" of the smoothing level, into a buffer of at least 3 bytes.
void formatSmoothing(int32_t smoothingPeriod, char out[3]);

// The pending copy shown by the window keeps its values in range: showPaletteAtStart 0 or 1,
// smoothingPeriod 1 to 20.
int32_t settingsShownPaletteAtStart(int32_t showPaletteAtStart);
int32_t settingsShownSmoothingPeriod(int32_t smoothingPeriod);

// What a left-button press at (x, y) of the client area touches; first match wins. The box tests
// are strict (the outline does not count); any x inside the bar's band picks a cell, held to 1..20.
enum class SettingsHitKind { None, YesBox, NoBox, Cell };
struct SettingsHit {
    SettingsHitKind kind;
    int32_t cell; // 1 to 20 for Cell, else 0
};
SettingsHit settingsHitTest(int32_t x, int32_t y);

// Help window: four pages, buttons "first" 10001, "end" 10002, "last" 10003, "next" 10004.
constexpr int HELP_PAGE_COUNT = 4;
constexpr unsigned IDC_HELP_FIRST = 10001;
constexpr unsigned IDC_HELP_END = 10002;
constexpr unsigned IDC_HELP_LAST = 10003;
constexpr unsigned IDC_HELP_NEXT = 10004;

struct HelpButton {
    const char* caption;
    unsigned id;
    int32_t offsetFromRight; // left edge = client right - offset
    int32_t width;
};
// In creation order.
constexpr HelpButton HELP_BUTTONS[4] = {
    {"end", IDC_HELP_END, 32, 30},
    {"next", IDC_HELP_NEXT, 77, 45},
    {"last", IDC_HELP_LAST, 124, 45},
    {"first", IDC_HELP_FIRST, 156, 30},
};
constexpr int32_t HELP_BUTTON_HEIGHT = 18;
constexpr int32_t HELP_BUTTON_RAISE = 20; // top = client bottom - 20

// The page after a command (wParam as a whole); any other command keeps the page. A page outside
// 0..3 is first brought back into range.
int32_t helpPageAfter(int32_t page, uint64_t command);

// Whether a navigation button is enabled on a page: "first" and "last" when page > 0, "next" and
// "end" when page < 3.
bool helpButtonEnabled(unsigned id, int32_t page);
