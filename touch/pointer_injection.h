#pragma once
// The real mouse behind the pointer emulation of touch/core/gesture.h.
#include "touch/core/gesture.h"

// SetCursorPos, mouse_event (absolute), GetTickCount, Sleep, and the button swap read with
// GetSystemMetrics(SM_SWAPBUTTON): reading it changes nothing, unlike SwapMouseButton(FALSE), which
// swaps the buttons back for an instant and leaves them unswapped if the process dies in between.
extern const PointerOutput systemPointer;

// The same, for a board on another monitor than the primary: every mouse_event also carries
// MOUSEEVENTF_VIRTUALDESK, its absolute units spanning the whole virtual screen.
extern const PointerOutput virtualDeskPointer;
