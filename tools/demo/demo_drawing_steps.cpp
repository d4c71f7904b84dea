// The drawing steps of the session (see demo_drawing_steps.h). Touches go through the simulated
// board onto points well inside the palette's buttons (the test support's palette-button point).
#include "tools/demo/demo_drawing_steps.h"

#include <cstdint>
#include <vector>

#include "win32/ids.h"
#include "win32/key_colour.h"
#include "palette/core/palette_layout.h"
#include "tests/support/child_process.h"
#include "tests/support/find_windows.h"
#include "tests/support/palette_point.h"
#include "tests/support/screen.h"

namespace {

constexpr COLORREF RED = RGB(255, 0, 0);
constexpr int SAMPLES = 20; // points looked at along a stroke

// The program's top-level windows of that class, shown or not.
std::vector<HWND> programWindows(const DemoSession& s, const char* className) {
    return topLevelWindows(className, s.program.dwProcessId);
}

bool anyVisible(const DemoSession& s, const char* className) {
    for (HWND w : programWindows(s, className))
        if (IsWindowVisible(w))
            return true;
    return false;
}

bool waitVisible(const DemoSession& s, const char* className, bool wanted, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (anyVisible(s, className) != wanted) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

// Board mode as the windows show it: exactly one container visible, the opaque (not layered) one.
bool boardShown(const DemoSession& s) {
    int shown = 0;
    bool opaque = false;
    for (HWND c : programWindows(s, "qv_pageparent"))
        if (IsWindowVisible(c)) {
            ++shown;
            opaque = !(GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_LAYERED);
        }
    return shown == 1 && opaque;
}

// The whole screen's pixels, row by row.
struct ScreenPixels {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels; // empty when the screen could not be read
    COLORREF at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height || pixels.empty())
            return CLR_INVALID;
        return pixels[static_cast<size_t>(y) * width + x];
    }
};

ScreenPixels readScreen() {
    ScreenPixels p;
    p.width = GetSystemMetrics(SM_CXSCREEN);
    p.height = GetSystemMetrics(SM_CYSCREEN);
    if (!captureScreen({0, 0, p.width, p.height}, &p.pixels))
        p.pixels.clear();
    return p;
}

// How many of the samples along the segment show that colour (in a small cross around each point:
// the stroke may land a pixel off the straight line).
int colourAlong(POINT a, POINT b, COLORREF colour) {
    const ScreenPixels px = readScreen();
    int hits = 0;
    for (int i = 1; i < SAMPLES; ++i) {
        const int x = a.x + (b.x - a.x) * i / SAMPLES, y = a.y + (b.y - a.y) * i / SAMPLES;
        bool seen = false;
        for (int d = -2; d <= 2 && !seen; ++d)
            seen = px.at(x, y + d) == colour || px.at(x + d, y) == colour;
        hits += seen;
    }
    return hits;
}

// The samples in that colour once the screen has settled: polls up to timeoutMs until at least
// `wanted` samples (or, with wanted 0, none) show it, so a loaded machine gets time to paint.
int settledColourAlong(POINT a, POINT b, COLORREF colour, int wanted, DWORD timeoutMs = 4000) {
    const DWORD start = GetTickCount();
    int hits = colourAlong(a, b, colour);
    while ((wanted ? hits < wanted : hits > 0) && GetTickCount() - start < timeoutMs) {
        Sleep(100);
        hits = colourAlong(a, b, colour);
    }
    return hits;
}

// Returns once the program's GUI thread has handled everything before: a WM_NULL sent to its main
// window returns only then (hiding or raising a full-screen window under Wine without a window
// manager can hold that thread for seconds).
void waitProgramIdle(const DemoSession& s) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(s.mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result);
    Sleep(150);
}

HWND paletteWindow(const DemoSession& s) {
    const std::vector<HWND> found = programWindows(s, "qv_tool");
    return found.empty() ? nullptr : found.back();
}

const char* buttonName(int n) {
    switch (n) {
    case BUTTON_N_BLACK + 1:
        return "red";
    case BUTTON_N_PEN:
        return "pen";
    case BUTTON_N_BOARD:
        return "board";
    case BUTTON_N_CLEAR:
        return "clear";
    case BUTTON_N_RIGHT_EYE:
        return "right eye";
    default:
        return "?";
    }
}

// A touch on palette button n through the board.
bool touchButton(DemoSession& s, int n) {
    HWND palette = paletteWindow(s);
    RECT r{};
    const POINT p = paletteButtonPoint(n);
    if (!palette || !GetWindowRect(palette, &r) || p.x < 0) {
        demoNote(s, "no palette or no point on button %d (%s)", n, buttonName(n));
        return false;
    }
    demoNote(s, "touch on the %s button (n = %d) at (%ld, %ld)", buttonName(n), n, r.left + p.x, r.top + p.y);
    simboardTap(s.board, 0, r.left + p.x, r.top + p.y, 120, SIM_SCREEN, false, 150);
    waitProgramIdle(s);
    return true;
}

// The stroke's ends: away from the palette.
void strokeEnds(POINT* a, POINT* b) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    *a = {w / 5, h / 3};
    *b = {w / 2, h / 2};
}

bool drawStroke(DemoSession& s, const char* where, const char* shot) {
    POINT a, b;
    strokeEnds(&a, &b);
    simboardDrag(s.board, 0, a.x, a.y, b.x, b.y, 700, SIM_SCREEN, false, 200);
    waitProgramIdle(s);
    const int red = settledColourAlong(a, b, RED, SAMPLES - 4);
    demoNote(s, "drag from (%ld, %ld) to (%ld, %ld) %s: red at %d of %d points along it", a.x, a.y, b.x, b.y,
             where, red, SAMPLES - 1);
    demoScreenshot(s, shot);
    return red >= SAMPLES - 4;
}

} // namespace

bool demoOpenPalette(DemoSession& s) {
    if (anyVisible(s, "qv_tool")) {
        demoNote(s, "the palette is already shown");
    } else {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(s.mainWindow, WM_COMMAND, IDM_PALETTE, 0, SMTO_NORMAL, 10000, &result);
        demoNote(s, "\"Zarpelo\" chosen from the tray menu");
    }
    const bool shown = waitVisible(s, "qv_tool", true, 3000);
    Sleep(200);
    HWND palette = paletteWindow(s);
    RECT r{};
    if (palette)
        GetWindowRect(palette, &r);
    demoNote(s, "palette window \"qv_tool\" %s at (%ld, %ld), %ld x %ld", shown ? "shown" : "NOT shown",
             r.left, r.top, r.right - r.left, r.bottom - r.top);
    demoScreenshot(s, "05-palette");
    if (shown && palette)
        demoScreenshotArea(s, "05-palette-enlarged", r, 2);
    return shown;
}

bool demoPickRedAndPen(DemoSession& s) {
    if (!touchButton(s, BUTTON_N_BLACK + 1) || !touchButton(s, BUTTON_N_PEN))
        return false;
    const bool page = waitVisible(s, "qv_page", true, 3000);
    demoNote(s, "the page over the desktop is %s", page ? "shown" : "NOT shown");
    HWND palette = paletteWindow(s);
    RECT r{};
    if (palette && GetWindowRect(palette, &r))
        demoScreenshotArea(s, "06-red-and-pen-picked", r, 2);
    return page;
}

bool demoDrawOverDesktop(DemoSession& s) {
    return drawStroke(s, "over the desktop", "07-desktop-stroke");
}

bool demoBoardMode(DemoSession& s) {
    if (!touchButton(s, BUTTON_N_BOARD))
        return false;
    // Under Wine without a window manager each hidden full-screen window can take two seconds.
    const DWORD start = GetTickCount();
    bool shown = boardShown(s);
    while (!shown && GetTickCount() - start < 12000) {
        Sleep(50);
        shown = boardShown(s);
    }
    Sleep(300);
    demoNote(s, "board mode: %s", shown ? "one opaque container shown" : "NOT on");
    POINT a, b;
    strokeEnds(&a, &b);
    const int red = settledColourAlong(a, b, RED, 0);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const ScreenPixels px = readScreen();
    const bool grey = px.at(w / 2, 20) == KEY_COLOUR && px.at(20, h / 2) == KEY_COLOUR;
    demoNote(s, "the desktop stroke %s; the screen is %s at (%d, 20) and (20, %d)",
             red == 0 ? "is hidden by the board" : "STILL SHOWS", grey ? "grey" : "NOT grey", w / 2, h / 2);
    demoScreenshot(s, "08-board");
    return shown && red == 0 && grey;
}

bool demoDrawOnBoard(DemoSession& s) {
    return drawStroke(s, "on the board", "09-board-stroke");
}

bool demoClearBoard(DemoSession& s) {
    if (!touchButton(s, BUTTON_N_CLEAR))
        return false;
    Sleep(300);
    POINT a, b;
    strokeEnds(&a, &b);
    const int red = settledColourAlong(a, b, RED, 0);
    demoNote(s, "red left along the stroke: %d of %d points", red, SAMPLES - 1);
    demoScreenshot(s, "10-board-cleared");
    return red == 0;
}

bool demoHidePalette(DemoSession& s) {
    if (!touchButton(s, BUTTON_N_RIGHT_EYE))
        return false;
    const bool tool = waitVisible(s, "qv_tool", false, 12000);
    const bool page = waitVisible(s, "qv_page", false, 12000);
    const bool board = waitVisible(s, "qv_pageparent", false, 12000);
    demoNote(s, "palette %s, pages %s, containers %s", tool ? "hidden" : "STILL SHOWN",
             page ? "hidden" : "STILL SHOWN", board ? "hidden" : "STILL SHOWN");
    // Under Wine without a window manager a hidden full-screen container can stay mapped on the X
    // display with its last pixels: the windows' state is what is checked, the screenshot shows it.
    Sleep(300);
    demoScreenshot(s, "11-palette-hidden");
    return tool && page && board;
}
