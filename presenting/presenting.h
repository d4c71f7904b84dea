#pragma once
// The presenting tools over the board's monitor, picked in the palette's strip: the pointer (a red
// dot with a fading trail that follows the finger and leaves nothing), the spotlight (the monitor
// dimmed but for a circle the finger moves and sizes) and the shade (an opaque cover pulled away
// from the top). Each is a window of its own, above the pages and below the palette, never
// activated: the presentation keeps the keyboard. None of them draws on a page or adds an undo
// step. One window procedure per file: pointer_window.cpp, spotlight_window.cpp, shade_window.cpp.
#include <windows.h>

#include <cstdint>

#include "presenting/core/presenting_rules.h"

LRESULT CALLBACK pointerWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK spotlightWindowProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK shadeWindowProc(HWND, UINT, WPARAM, LPARAM);

// Makes the three windows, hidden (the palette's creation).
void createPresentingWindows(HINSTANCE instance);
// Turns a presenting tool on over the board's monitor, the one on before it off.
void startPresenting(int32_t tool);
// Turns whichever is on off; nothing when none is.
void endPresenting();
// The tool on, or 0.
int32_t presentingTool();
// The window of the tool on that lies over the pages (the spotlight's, the shade's), or null.
HWND presentingCover();
// Puts the windows of the tool on at the top of the topmost windows (the palette then goes above).
void raisePresenting();
// The board's monitor moved or took another scale: the tool on follows it.
void followBoardMonitor();
// Called when a tool ends by itself (Esc ends the spotlight): the palette picks the tool before it
// again. Null: nobody listens.
extern void (*presentingEndedHook)();

// Where a finger last came down on a page (screen coordinates): the spotlight opens there.
void noteBoardTouch(POINT p);

// The pointer's touches, from the page that takes them while the pointer is the tool (screen
// coordinates): the dot goes there, the trail follows; at the lift both fade within half a second.
void pointerTouch(POINT p);
void pointerLift();
// Takes the dot and its trail away at once (a palette action, a save: nothing of it is kept).
void pointerPutAway();

// The windows' own parts, for presenting.cpp.
void createPointerWindows(HINSTANCE instance);
// The pointer's windows, when shown, to the top of the topmost windows: the trail, the dot above.
void raisePointer();
HWND createSpotlightWindow(HINSTANCE instance);
HWND createShadeWindow(HINSTANCE instance);
void showSpotlight(bool show, POINT at);
void raiseSpotlight();

// A touch on the spotlight (screen coordinates), from its own window outside the circle or from
// the page under the circle: inside the circle a drag moves it, on its rim or grip it sizes it,
// anywhere else nothing happens.
void spotlightPress(POINT p);
void spotlightDrag(POINT p);
void spotlightRelease();
// A touch on the shade (screen coordinates), from its own window or from a page: on the cover a
// drag moves its edge (shadePress is true), on the uncovered slide nothing happens.
bool shadePress(POINT p);
void shadeDrag(POINT p);
void shadeRelease();
void showShade(bool show);
