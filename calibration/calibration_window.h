#pragma once
// The calibration window's painting, reachable on its own so that a test can paint into a memory DC.
#include <windows.h>

// Draws the cross of the current calibration point (none while calibPointIndex is 4) and the logo
// centred in the client rectangle.
void paintCalibrationContent(HDC dc, const RECT& client);

// Where cross 0..3 is drawn (top left, top right, bottom left, bottom right), as at the last reset.
POINT calibrationCrossPosition(int index);

// A completed calibration: hides the window and shows again the annotation windows that the
// calibration put aside (the palette and a shown page), as they were.
void endCalibrationWindow(HWND hwnd);
