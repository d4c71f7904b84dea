#pragma once
// Per-program Wine options a test program sets for itself before its first window.

// Wine's X11 driver treats captioned top-level windows as managed by a window manager and, on
// hiding one, waits up to two seconds for the window manager to withdraw it; the test displays have
// none. The driver's per-program option "Managed" = "N" skips that wait (Wine then draws the
// caption itself). Wine 8 loads the driver, and reads the option, while the process starts: where
// the option is not set yet (the first run in a fresh prefix), it is written and the program
// starts itself again, ending with the copy's exit code. Call it before the first window, from a
// static initialiser. Does nothing outside Wine.
void skipWindowManagerWait();
// The same for another program of the prefix, by its file name ("VelmoraSim.exe"), from its next
// start; restoreWindowManagerWait puts that program's option back.
void skipWindowManagerWaitFor(const char* exeName);
void restoreWindowManagerWait(const char* exeName);

// For a benchmark of layered windows: runs this program again twice, as children that share its
// output, with the argument "unshaped" and then "shaped". The first copy has Wine's X11 driver
// option ShapeLayeredWindows = "N" set for this program (the driver reads it while a process
// starts); the second has Wine's default shaping, which is what the prefix is left with. False when
// a copy could not be started.
bool runUnshapedThenShaped();
// What a copy started by runUnshapedThenShaped runs with, from its argument, for its figures'
// heading: "Wine's default shaping of layered windows" for "shaped", else "ShapeLayeredWindows = "N"".
const char* shapingOfThisRun(const char* argument);
// The main of such a benchmark: with an argument, a copy that runs `measure` with the heading of its
// shaping; without, the program that starts both copies. Its exit code.
int measureUnshapedThenShaped(int argc, char** argv, int (*measure)(const char* shaping));
// Runs this program again as a child that shares its output, with that argument, and waits for it
// (ten minutes at most); false when it could not be started.
bool runThisProgramWith(const char* argument);
