#pragma once
// The ring around a touch held still (class "qv_hold_ring"), drawn on the GUI thread on what the
// reader thread posts.
#include <windows.h>

#include <atomic>

extern std::atomic<HWND> hwndHoldRing; // "qv_hold_ring": the main window makes it, the reader posts here
LRESULT CALLBACK holdRingProc(HWND, UINT, WPARAM, LPARAM);

// Creates the ring's window, hidden, owned by `owner`; null when it could not be made (the program
// then runs without the ring).
HWND createHoldRingWindow(HINSTANCE instance, HWND owner);

// The ring's message as the reader thread posts it: step 0 hides the ring.
inline LPARAM holdRingPoint(int x, int y) {
    return static_cast<LPARAM>((static_cast<DWORD>(y) << 16) | (static_cast<DWORD>(x) & 0xFFFF));
}
