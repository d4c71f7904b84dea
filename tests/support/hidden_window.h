#pragma once
// A hidden window of a class of its own, for a test that listens to what the system sends.
#include <windows.h>

// A hidden 0 x 0 top-level popup of the class `className` (registered when it is not yet) with that
// window procedure; null when it could not be made. Top-level and not message-only: a message-only
// window receives no broadcast messages, WM_DEVICECHANGE among them.
HWND createHiddenWindow(const char* className, WNDPROC procedure);
// Destroys such a window and unregisters its class.
void destroyHiddenWindow(HWND hwnd);
