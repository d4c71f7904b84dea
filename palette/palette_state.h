#pragma once
// The tool palette's process-wide state: its buttons and their records, the selected widths, the
// tooltip control, the two pages with their containers and records, and the shared DrawState.
// The palette procedure is the only writer.
#include <windows.h>

#include <cstdint>

#include "pages/page_state.h"
#include "palette/core/palette_layout.h"

// Posted by the palette to itself at the end of its creation when "Save" is 1: shows it once its
// creator has made it layered and topmost.
constexpr unsigned UM_PALETTE_START_SHOW = WM_APP + 0x52;

extern HWND buttonWindows[PALETTE_BUTTON_COUNT];         // indexed by n (palette_layout.h)
extern ButtonRecord buttonRecords[PALETTE_BUTTON_COUNT]; // window word 0 of each button
extern int32_t penWidthIndex;                            // 0..3 into penWidths; 1 at start
extern int32_t eraserSizeIndex;                          // 0..3 into eraserSizes; 1 at start
extern char tooltipTexts[PALETTE_BUTTON_COUNT][32];      // NUL-padded, Windows-1252
extern HWND tooltipWindow;
extern HWND pageWindows[2];      // page 1 over the desktop, page 2 over the board
extern HWND containerWindows[2]; // their containers
extern PageRecord pageRecords[2];
extern DrawState drawState;
extern HWND boardBarWindow;  // the board bar, shown with the board
extern HWND toolStripWindow; // the tool strip beside the palette, opened by "more tools"
extern int32_t paletteDpi;   // the DPI of the palette's monitor: its size, regions and pictures; 96 at first
