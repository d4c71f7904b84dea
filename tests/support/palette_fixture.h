#pragma once
// A palette of 24 real "qv_tool_button" windows over the program's pictures, on a recording parent
// popup, built as the palette window builds it: shapes, regions, buttons in creation order, each
// with its record and region. The parent records the WM_COMMAND and WM_NCLBUTTONDOWN messages it
// receives (the latter then get default processing, which runs the platform's move loop).
#include <windows.h>

#include <vector>

#include "palette/tool_button.h"

struct TestPalette {
    HWND parent = nullptr;
    HWND buttons[PALETTE_BUTTON_COUNT] = {};
    ButtonRecord records[PALETTE_BUTTON_COUNT] = {};
    PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    HRGN shapeRegions[PALETTE_SHAPE_COUNT] = {};
    HRGN rims[2] = {};
    std::vector<WPARAM> commands;       // wParam of every WM_COMMAND, in order
    std::vector<WPARAM> captionPresses; // wParam of every WM_NCLBUTTONDOWN
    // Places the palette's top-left corner on the screen at (x, y), shown and topmost.
    TestPalette(int x, int y);
    ~TestPalette();
    TestPalette(const TestPalette&) = delete;
    TestPalette& operator=(const TestPalette&) = delete;
    // A button's region as the window has it (a copy the caller deletes).
    HRGN buttonRegion(int n) const;
    // Paints every button now (UpdateWindow on each).
    void paintNow() const;
};

// Registers the program's window classes (once) and the recording parent's class.
void registerPaletteTestClasses();
