#pragma once
// Layered-window attributes through the pointer that start-up looked up in User32.DLL. Where the
// lookup failed the pointer is null, and every layering call must be skipped: use this helper
// instead of calling setLayeredWindowAttributes directly.
#include <windows.h>

// Calls setLayeredWindowAttributes(hwnd, key, alpha, flags) when it was found; FALSE when it was
// not (nothing is called then).
BOOL setLayered(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
