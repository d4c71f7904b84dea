#pragma once
// The palette's tool strip, class "qv_tool_strip" (toolStripProc): a row of square buttons, one per
// row of stripTools (palette/core/tool_strip_layout.h), that the palette's "more tools" button
// opens beside the palette. It is owned by the palette, topmost with it, never activated, and
// closed whenever it is not in use: a tool picked in it, the button pressed again, the palette
// hidden. The chosen tool's button shows the pressed look, as the pen's does on the palette.
#include <windows.h>

#include <cstdint>

LRESULT CALLBACK toolStripProc(HWND, UINT, WPARAM, LPARAM);

// Made hidden, owned by the palette.
HWND createToolStrip(HWND palette, HINSTANCE instance);
// Puts the strip beside the palette (stripPlace) at the palette's scale dpi: a new scale resizes it,
// moves its tips to the buttons' new places and repaints it.
void placeToolStrip(HWND strip, HWND palette, int32_t dpi);
// Shows it, placed beside the palette, above it and without activating it; or hides it.
void showToolStrip(HWND strip, HWND palette, bool show);
// Paints the whole strip into `dc` (the window's or a test's memory DC), at the strip's DPI, the
// button of the tool in use in the pressed look.
void paintToolStripContent(HDC dc);
