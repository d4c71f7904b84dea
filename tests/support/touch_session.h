#pragma once
// A session of the simulated-board build against the simulated board, for the end-to-end tests of
// touch input and calibration: a board with a keystoned, slightly rotated screen on it and the
// program as a child process. The crosses on the screen: tests/support/crosses.h.
#include <windows.h>

#include <string>
#include <vector>

#include "calibration/core/screen_mapping.h"
#include "tests/support/child_process.h"
#include "tools/simboard/simboard.h"

// Keystoned and turned a little, with the screen well inside the sensor's space.
SimGeometry keystonedBoard();

struct TouchSession {
    SimBoard* board = nullptr;
    ChildProgram program;
    HWND mainWindow = nullptr; // the program's hidden "Velmora" window
    ~TouchSession();
};

enum StoredCalibration {
    NO_CALIBRATION,    // only "Save" = "0": a first run otherwise, which shows the crosses at once
    BOARD_CALIBRATION, // the four crosses mapped through the board, as a good capture would store
    // The same glass calibrated while the screen was 1280 x 720 at 120 DPI, stored with that screen:
    // the board's sensor units where those crosses stood (the picture fills the glass at any size).
    BOARD_CALIBRATION_OTHER_SCREEN,
};

// Writes that calibration under HKCU\SOFTWARE\Tolvex: the board's sensor units at the four crosses
// of the screen now, or of `madeOn` (then stored with it, "CalibWidth", "CalibHeight", "CalibDpi").
void storeBoardCalibration(const SimBoard* board, const CrossScreen* madeOn = nullptr);

// Clears HKCU\SOFTWARE\Tolvex, writes "Save" = "0" (so the palette stays hidden), "Touch" = "1"
// and, when asked, a calibration matching the board; starts the board and the program and waits
// for its main window. paletteShown: "Save" = "1" instead, and the palette is shown at start.
bool startTouchSession(TouchSession* session, StoredCalibration stored,
                       const SimGeometry& geometry = keystonedBoard(), bool paletteShown = false);

// Waits until the program polls the board for touches (a Get at log position `from` or later),
// at most 5 s.
bool waitMapping(SimBoard* board, size_t from);
// Sends a tray command to the program's main window (WM_COMMAND posted, as the menu does).
void sendTrayCommand(const TouchSession& session, unsigned id);

// Calibrates by tapping each cross where the screen shows it, 150 ms per tap, more than 700 ms
// apart: the four corners and the check cross. True when the five crosses were found and tapped,
// mapping began and the window then went away.
bool calibrateByTapping(TouchSession* session, std::string* failure);

// Taps the next `count` crosses as they appear, each where the screen shows it (the last one
// offLast pixels beside it); *last is the cross before them ({-1000, -1000} for none) and ends as
// the last one tapped.
bool tapCrosses(TouchSession* session, int count, POINT* last, std::string* failure, POINT offLast = {0, 0});

// Waits until the program's GUI thread has handled everything sent or posted to it before (a
// WM_NULL sent to its main window is answered only then), at most timeoutMs.
bool waitProgramIdle(const TouchSession& session, DWORD timeoutMs = 5000);

// Waits until the program's calibration window is hidden and its GUI thread answers again.
bool waitCalibrationHidden(const TouchSession& session, DWORD timeoutMs);

// Waits until the mouse recorder holds at least `count` button events (at most timeoutMs).
bool waitButtons(size_t count, DWORD timeoutMs);

// The recorded button events as one line, "ldown lup rdown rdown rup", for comparing whole traces.
std::string buttonTrace();

// Distance between a recorded position and an intended one.
double pixelDistance(POINT a, double x, double y);

// The registry value as text, or "(missing)".
std::string tolvexValue(const char* name);

// The tray icon (owner window, id 103) is there: deleting it from here succeeds. Puts it back.
bool trayIconPresent(HWND owner);
