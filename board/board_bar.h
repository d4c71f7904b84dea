#pragma once
// The board bar, class "qv_board_bar" (boardBarProc): a row of large buttons
// at the bottom centre of the board's monitor while the board is shown: the page before, "n / N",
// the page after, a new page, the background, "PDF" and "Nueva pizarra". It sits above the board's
// page (the page owns it) and below the topmost palette, and never takes the activation: the
// page's pen stays where it was. A stroke dragged under it goes on on the page, which holds the
// mouse for the whole stroke.
#include <windows.h>

LRESULT CALLBACK boardBarProc(HWND, UINT, WPARAM, LPARAM);

// Made hidden, owned by the board's page; its position and scale follow the board's monitor.
HWND createBoardBar(HWND page, HINSTANCE instance);
// Puts the bar at the bottom centre of the board's monitor, at that monitor's scale: a new scale
// resizes it, moves its tips to the buttons' new places and repaints it.
void placeBoardBar(HWND bar);
// Shows it above its page without activating it, or hides it.
void showBoardBar(HWND bar, bool show);
// Paints the whole bar into `dc` (the window's or a test's memory DC), at the bar's DPI.
void paintBoardBarContent(HDC dc);
