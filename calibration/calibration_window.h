#pragma once
// The calibration window's painting, reachable on its own so that a test can paint into a memory DC.
#include <windows.h>

LRESULT CALLBACK calibrationWindowProc(HWND, UINT, WPARAM, LPARAM);

// Draws what the current calibPointIndex asks for: 0..3 the cross of that corner and the logo
// centred in the client rectangle (with "Calibración imprecisa: repita" under it at 0 after a
// missed check); 4 the check cross at the centre with "Toque el centro para comprobar" under it;
// 5 (the check was taken) "Calibración correcta" once the check passed, else nothing.
void paintCalibrationContent(HDC dc, const RECT& client);

// Where cross 0..3 is drawn (top left, top right, bottom left, bottom right), as laid out last (at a
// start, a display change, or when the board's monitor moved or changed scale).
POINT calibrationCrossPosition(int index);

// A completed calibration: shows "Calibración correcta" for a second, then hides the window and
// shows again the annotation windows that the calibration put aside (the palette and a shown page),
// as they were. A window already hidden (cancelled meanwhile) only brings them back.
void endCalibrationWindow(HWND hwnd);

// The check touch missed: the capture starts again at the first cross, and the window says so.
void calibrationCheckMissed(HWND hwnd);
