#pragma once
// Window messages and command ids the program's windows exchange. The custom messages are sent
// with SendMessageA, wParam 0 and lParam 0, but for UM_HOLD_RING.

constexpr unsigned UM_TRAY_NOTIFY = 0x410; // tray icon -> main window
constexpr unsigned UM_TOGGLE_SHOW = 0x411; // main window -> settings, help, palette
constexpr unsigned UM_CALIB_POINT = 0x510; // reader thread -> main window
constexpr unsigned UM_CALIB_DONE = 0x511;  // reader thread -> main window
constexpr unsigned UM_CALIB_RETRY = 0x512; // reader thread -> main window: the check missed
// Reader thread -> hold ring, posted (the reader never waits for it): wParam the ring's step
// (0 hides it), lParam the touch point, x in the low and y in the high word.
constexpr unsigned UM_HOLD_RING = 0x513;
constexpr unsigned UM_CALIB_RESET = 0x5001;       // -> calibration window
constexpr unsigned UM_CALIB_BEGIN = 0x5002;       // main window -> calibration window
constexpr unsigned UM_PAGE_TOOL_CHANGED = 0x5001; // palette -> current page (same value, other window)
constexpr unsigned UM_PAGE_INIT = 0x5010;         // palette -> each page
constexpr unsigned UM_PAGE_CLEAR = 0x5020;        // palette -> current page
constexpr unsigned UM_PAGE_UNDO = 0x5021;         // palette -> current page: undo its last step
constexpr unsigned UM_PAGE_REDO = 0x5022;         // palette -> current page: redo the step undone last
constexpr unsigned UM_PAGE_PUT_DOWN = 0x5023;     // palette -> current page: finish any gesture, put a
                                                  // held cut-out down, before a palette action; an open
                                                  // text box is put onto the page, but with wParam
constexpr unsigned PUT_DOWN_KEEP_TEXT = 1;        // (a colour or a width, which restyle the box)
// Main window -> palette: the board's monitor moved or changed size (boardMonitor): the pages and
// their containers follow it, the canvas grows to it, the palette stays inside its work area.
constexpr unsigned UM_BOARD_MOVED = 0x5024;
// Palette -> each page, its gestures put down first: grow the canvas and its history to wParam x
// lParam, keeping every pixel where it is; returns 1 when grown (or nothing to grow), 0 when not.
constexpr unsigned UM_PAGE_GROW = 0x5025;
// Calibration window -> main window: the user cancelled the calibration (Esc or close).
constexpr unsigned UM_CALIB_CANCELLED = 0x5026;
// A board window (the calibration window, the board bar) -> main window: it heard WM_DPICHANGED
// with a scale the board's monitor was not known to have; the monitors are looked up again.
constexpr unsigned UM_BOARD_RESCALED = 0x5027;
// Main window -> calibration window: the board's monitor was looked up again (its place, size or
// scale may differ): the window follows it.
constexpr unsigned UM_CALIB_FOLLOW = 0x5028;
// A page to itself, posted while a highlighter stroke is under way: read what the screen shows
// beneath the tiles around the finger before the stroke reaches them, if no input is waiting.
constexpr unsigned UM_PAGE_READ_AHEAD = 0x5029;
// Reader thread -> main window, posted: the system refused the down of three touches in a row, and
// the board is a mouse until the user ticks touch again.
constexpr unsigned UM_TOUCH_GIVEN_UP = 0x514;
// Main window -> itself, posted at the end of its creation: start the calibration of a start
// without one.
constexpr unsigned UM_CALIB_FIRST_START = 0x5030;

// Main window commands (low word of wParam).
constexpr unsigned IDM_CALIBRATE = 0x444;
constexpr unsigned IDM_PALETTE = 0x445;
constexpr unsigned IDM_SETTINGS = 0x446;
constexpr unsigned IDM_HELP = 0x448;
constexpr unsigned IDM_EXIT = 0x449;
// "Usar la pizarra como pantalla t\xE1ctil": the board as a touch screen or as a mouse.
constexpr unsigned IDM_TOUCH = 0x450;
// "Pantalla de la pizarra": monitor k (0-based, in the system's order) is IDM_SCREEN_FIRST + k.
constexpr unsigned IDM_SCREEN_FIRST = 0x460;
constexpr unsigned IDM_SCREEN_COUNT = 16; // monitors beyond these are not offered
