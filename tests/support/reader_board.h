#pragma once
// The reader thread of this process against the simulated board: the board's monitor as the GUI
// thread would publish it, and the calibration a good capture of the board would leave.
#include "calibration/calibration_state.h"
#include "tools/simboard/simboard.h"

// The board's monitor: w x h, its crosses, at (origin, 0); on another monitor than the primary its
// units span a virtual screen of deskWidth x h, from deskLeft.
ScreenTargets boardScreen(int w, int h, int origin = 0, int deskWidth = 0, int deskLeft = 0);

// Installs that calibration for the board's crosses on screen, in force for the reader.
bool installBoardCalibration(const SimBoard* board, const ScreenTargets& screen);
