#pragma once
// The DPI of a window or a monitor, for scaledForDpi (win32/core/dpi_scale.h). The program declares
// itself per-monitor aware in its manifest, so every coordinate it handles is a physical pixel and
// each window scales its own sizes by the DPI of the monitor it is on.
#include <windows.h>

#include <cstdint>

// The system DPI (GetDeviceCaps LOGPIXELSX of the screen): what every monitor reports where the
// per-monitor functions are missing (before Windows 8.1 / 10 1607).
int32_t systemDpi();

// The DPI of a monitor (GetDpiForMonitor, MDT_EFFECTIVE_DPI, of shcore.dll), else the system DPI.
int32_t dpiOfMonitor(HMONITOR monitor);

// The DPI of the monitor a window is on (GetDpiForWindow of user32), else of the monitor nearest
// it, else the system DPI. A null window gives the primary monitor's.
int32_t dpiOfWindow(HWND hwnd);

// The DPI of the primary monitor: the settings and help windows are sized by it.
int32_t primaryDpi();

// px96 scaled by the DPI of the window's monitor.
int32_t scaledForWindow(HWND hwnd, int32_t px96);

// The rectangle WM_DPICHANGED suggests (its lParam): the window takes it as it is.
void takeSuggestedRect(HWND hwnd, LPARAM suggested);

// The same for a window of a fixed size, width96 x height96 at 96 DPI, drawn at `own` when the
// message announces `announced`: at the scale it has, its own size at the suggested place
// (windowBoxForScale).
void takeSuggestedRectForScale(HWND hwnd, LPARAM suggested, int32_t announced, int32_t own, int32_t width96,
                               int32_t height96);

// The DPI a WM_DPICHANGED announces (its wParam's low word); 0 for one without a scale or without
// a suggested rectangle, which the windows ignore.
int32_t announcedDpi(WPARAM wParam, LPARAM lParam);

// The scale a window sized by the primary monitor takes from a WM_DPICHANGED: the announced one
// while the window is on the primary monitor (the primary's scale changed), else 0 (it was dragged
// onto another monitor, and keeps the primary's scale).
int32_t primaryScaleAnnounced(HWND hwnd, WPARAM wParam, LPARAM lParam);

// WM_DPICHANGED of a window of a fixed size, width96 x height96 at 96 DPI, sized by the primary
// monitor and drawn at *dpi: when the message brings it a new scale (primaryScaleAnnounced), the
// window takes its size for that scale at the suggested place (takeSuggestedRectForScale), *dpi
// becomes the new scale and the answer is true; the caller then lays the window out again and
// repaints it. False, nothing changed, for a message the window ignores.
bool followPrimaryScale(HWND hwnd, WPARAM wParam, LPARAM lParam, int32_t* dpi, int32_t width96,
                        int32_t height96);

// Bitmap resource id at width x height for a window of the given DPI. At 96 DPI the resource
// (the 100 % picture) as LoadImageA stretches it; at any other scale the picture drawn for that
// scale (drawnPicture), shrunk smoothly (HALFTONE) where its size is not the one asked for (the
// palette's logo, drawn 430 x 250 at its scale, shown on the face). A picture that no drawer draws
// is the resource stretched. Null when it cannot be loaded; the caller deletes it.
HBITMAP loadPictureForDpi(HINSTANCE instance, int id, int width, int height, int32_t dpi);
