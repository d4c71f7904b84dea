#pragma once
// The screen's pixels, screenshots, and what a window's painting leaves behind (GDI slots, fonts,
// sizes across DPI changes).
#include <windows.h>

#include <string>
#include <vector>

// The screen's pixels in a rectangle (GetDC(NULL) + BitBlt into a 32-bit top-down DIB), as
// COLORREF values row by row; false when the copy failed.
bool captureScreen(const RECT& area, std::vector<COLORREF>* pixels);
COLORREF screenPixel(int x, int y); // CLR_INVALID when it cannot be read
// Saves the whole screen (or an area, each pixel enlarged to zoom x zoom, zoom 1 to 16) as a 24-bit
// .bmp file; false when the screen could not be read or the file not written whole.
bool saveScreenshot(const char* path);
bool saveScreenshotArea(const char* path, const RECT& area, int zoom = 1);
// With VELMORA_SCREENSHOTS set to a directory, the window as it is on the screen goes there as
// <name>_<width>x<height>.bmp, for a person to look at; without it, nothing is saved.
void saveWindowPicture(HWND hwnd, const char* name);
// The slot a new GDI object takes. Wine hands out GDI handles from the lowest free slot, so a leak
// of one object per paint shows as this climbing (GetGuiResources returns 0 under Wine).
long freshGdiSlot();
// The primary screen's work area, held inside the screen (a test that changed the display mode in
// a virtual desktop may have left the prefix's work area short of the screen).
RECT primaryWorkArea();

// A window drawn at the scale `from` taken to the scale `to` and back five times, as the system
// announces it (WM_DPICHANGED with the window's present box scaled by the ratio, at its place):
// first the way there and back (the primary's own scale changing under it), then five times only
// the way back (from a monitor whose scale it kept, the box still scaled by from / to). The
// window's size after each announcement, as "WxH WxH ... ".
std::string dpiRoundTrips(HWND hwnd, int from, int to);
// What dpiRoundTrips gives for a window that always takes the same size at a scale: its size at
// `to` ("WxH") and at `from` for each trip there and back, then its size at `from` five times.
std::string steadyRoundTrips(const char* sizeAtTo, const char* sizeAtFrom);

// The height (lfHeight) of the font a control was given with WM_SETFONT, and the message font's
// at 96 DPI (what the system's message boxes use): 0 when there is none, or it was deleted.
int controlFontHeight(HWND control);
int messageFontHeight();
