#pragma once
// The calibration crosses of the program, as it places them and as the screen shows them.
#include <windows.h>

// The monitor the crosses are placed for and looked for on; the primary screen until set (an
// empty rectangle sets it back). Cross positions are in that monitor's own coordinates, as the
// simulated board's screen has them.
void setCrossMonitor(const RECT& area);
// The DPI the prefix gives the screen (LOGPIXELSX): 144 on the hd144 bench, else 96.
int screenDpi();
// The four cross positions of the program's calibration window for the cross monitor's size and
// the screen's DPI.
void crossTargets(POINT targets[4]);
// Looks for the calibration cross (two black diagonals, 3 pixels wide, grey all round) on the
// cross monitor; true with its centre when exactly one is visible.
bool findCrossOnScreen(POINT* centre);
// Waits until a cross is visible somewhere other than `notAt` (pass {-1000, -1000} for any),
// at most timeoutMs, pumping this thread's messages.
bool waitCrossMoved(POINT notAt, DWORD timeoutMs, POINT* centre);
// Waits until no cross is visible.
bool waitNoCross(DWORD timeoutMs);
