#pragma once
// How the program's windows show and hide themselves: the show/hide toggle of the tray commands
// and the close command that only hides. Every window that does either uses these.
#include <windows.h>

// UM_TOGGLE_SHOW: shows a hidden window and returns true (the caller then does what showing
// needs); hides a shown one and returns false. ShowWindow returns whether the window was visible
// before the call, so the one call that shows a hidden window also tells a shown one apart; a
// minimised window counts as visible, so the toggle restores it and then hides it. A window that
// must not be activated is shown with SW_SHOWNOACTIVATE.
bool toggleShown(HWND hwnd, int showCommand = SW_SHOWNORMAL);

// The low four bits of a WM_SYSCOMMAND's wParam are the system's own: compare the rest.
inline bool isCloseCommand(WPARAM wParam) {
    return (wParam & 0xFFF0) == SC_CLOSE;
}

// WM_SYSCOMMAND of a window that closing only hides (the close box, Alt+F4): true when wParam was
// the close command and the window has been hidden; the procedure then returns 0 without default
// processing, which would destroy the window.
bool hideOnClose(HWND hwnd, WPARAM wParam);

// WM_SYSCOMMAND of a window that cannot be closed from the keyboard or its system menu: the close
// command is dropped (0, without the default processing that would destroy the window), any other
// command gets the default processing.
LRESULT refuseCloseCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);
