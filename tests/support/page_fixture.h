#pragma once
// Drawing pages for the Wine tests: the program's window classes, and a container-and-page pair
// made as the palette makes them, with their own DrawState and PageRecord.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pages/page_state.h"

// Registers the program's window classes once and looks up SetLayeredWindowAttributes as start-up
// does.
void ensureProgramClasses();

struct TestPage {
    HWND container;
    HWND page;
    PageRecord record;
};

// A container and its page over the whole screen (or `width` x `height` from (0, 0) when given),
// both hidden, layered as the palette layers page 1 and its container (`overDesktop`), or as the
// board (container opaque). The record points at `settings` and the page got UM_PAGE_INIT.
void makeTestPage(TestPage* t, DrawState* settings, bool overDesktop = true, int width = 0, int height = 0);
void destroyTestPage(TestPage* t);
void showTestPage(TestPage* t);

// Deletes every file of the board's folder in this prefix, so the next board starts fresh.
void removeBoardFiles();

// A DrawState as the palette starts it: pen, width 4, eraser 16, black.
DrawState freshDrawState();

// Mouse messages straight to a window, with MK_LBUTTON while the button is meant to be held.
void sendDown(HWND hwnd, int x, int y);
void sendMove(HWND hwnd, int x, int y, bool held = true);
void sendUp(HWND hwnd, int x, int y);
// A gesture with the button held: pressed at the first point, moved to each one after it in turn,
// released where the last move ended or, when given, at `release`. An empty list sends nothing.
void sendGesture(HWND hwnd, const std::vector<POINT>& points);
void sendGesture(HWND hwnd, const std::vector<POINT>& points, POINT release);

// The canvas pixel, or CLR_INVALID.
COLORREF canvasPixel(const TestPage* t, int x, int y);
// How many canvas pixels in [left, right) x [top, bottom) differ from the key colour.
int countInked(const TestPage* t, RECT area);
// Fills a canvas rectangle with a colour (to have something to erase or cut).
void paintCanvas(TestPage* t, RECT area, COLORREF colour);

// The clipboard's CF_DIB (24 bits, bottom-up) as 0x00RRGGBB pixels, top row first; false when it
// holds none. emptyClipboard leaves it holding nothing.
bool clipboardPicture(int* w, int* h, std::vector<uint32_t>* pixels);
void emptyClipboard();

// Where a test keeps a screenshot named `name`: in VELMORA_SHOTS (a Windows path) when set, else in
// the temporary folder. Screen pixels and screenshots themselves: tests/support/screen.h.
std::string shotPath(const char* name);
