#pragma once
// The program's instance and the two windows the other windows talk to, written once by the main
// window as it is created (app/main_window.cpp) and read by any room: the main window hears the
// reader thread's and the calibration's news (win32/ids.h), the palette is kept above the windows
// that come up over the board.
#include <windows.h>

#include <atomic>

extern HINSTANCE hInstance;        // from the main window's creation data
extern std::atomic<HWND> hwndMain; // the reader thread sends here
extern HWND hwndPalette;           // "qv_tool"
