#pragma once
// The touch keyboard for a window of ours that has just taken the keyboard (the text tool's box).
// A touch on the board reaches the program as the mouse (or as touch it injects itself), so
// Windows' own rule, the keyboard comes up when a text field gets the focus from a finger, does not
// fire for it. The box asks for it instead through the input pane (Windows 10, version 1607 and
// later): a best-effort request that Windows grants only where no hardware keyboard is attached
// and only to the window in the foreground, which the box is. Elsewhere (Windows 7 and 8, Wine)
// nothing is shown and nothing fails: the teacher opens the keyboard from the taskbar.
#include <windows.h>

// Asks for the touch keyboard for `window`; true when Windows accepted the request. The window is
// remembered so that hideTouchKeyboard can take the keyboard away again.
bool showTouchKeyboard(HWND window);
// Hides the keyboard a showTouchKeyboard brought up; nothing when none did. Called while the window
// still has the keyboard: Windows takes the request only from the foreground.
void hideTouchKeyboard();
