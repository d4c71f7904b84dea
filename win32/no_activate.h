#pragma once
// The windows a teacher touches during a lesson: the palette and its buttons, the drawing pages
// and their containers (and any bar of the board's own). A touch on them must not take the
// activation from the program the lesson runs in: the presentation keeps the keyboard, so the
// clicker's "next slide" still reaches it, and no window of ours becomes the one the shell brings
// the taskbar up for. Such a window carries NO_ACTIVATE_EX_STYLE, answers WM_MOUSEACTIVATE with
// NO_ACTIVATE_ON_CLICK, and is shown and stacked only by the calls below, none of which activates.
// The settings, help and calibration windows activate as usual: they need the keyboard.
#include <windows.h>

constexpr DWORD NO_ACTIVATE_EX_STYLE = WS_EX_NOACTIVATE;

// WM_MOUSEACTIVATE: the click goes to the window, which is not activated. A child window answers
// it itself: left to the default handling, the question goes up to its parent, and a parent that
// lets it through is activated by the click on its child.
constexpr LRESULT NO_ACTIVATE_ON_CLICK = MA_NOACTIVATE;

// Adds the style to a window made without it.
void addNoActivateStyle(HWND hwnd);

// Shows a hidden window where it was, without activating it (ShowWindow's SW_SHOWNORMAL would).
// True when it was visible before, as ShowWindow says.
bool showWithoutActivating(HWND hwnd);

// Puts the window at the top of the topmost windows without activating it (BringWindowToTop and
// a plain SetWindowPos activate the window they raise).
void raiseTopmost(HWND hwnd);

// Puts the window at the top of its band (topmost or not) without activating it.
void raiseWithoutActivating(HWND hwnd);
