#pragma once
// Layered-window attributes through the pointer that start-up looked up in User32.DLL. Where the
// lookup failed the pointer is null, and every layering call must be skipped: use this helper
// instead of calling setLayeredWindowAttributes directly.
#include <windows.h>

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
extern HMODULE user32Module;                                    // LoadLibraryA("User32.DLL") before WinMain
extern SetLayeredWindowAttributesFn setLayeredWindowAttributes; // looked up at start-up; may be null

// Calls setLayeredWindowAttributes(hwnd, key, alpha, flags) when it was found; FALSE when it was
// not (nothing is called then).
BOOL setLayered(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
