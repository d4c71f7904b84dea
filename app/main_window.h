#pragma once
// The main window, class "Velmora": 0 x 0 and never shown; the program's hub.
#include <windows.h>

#include <cstdint>

LRESULT CALLBACK mainWindowProc(HWND, UINT, WPARAM, LPARAM);

// What the main window made at its creation and uses alone, for its tests to look at.
struct MainWindowParts {
    HWND settings;    // "qv_sysset"
    HWND help;        // "qv_help"
    HWND calibration; // "qv_dingwei"
    HMENU trayMenu;
    HANDLE readerThread;
    int32_t initialScreenWidth, initialScreenHeight; // the board monitor's, as at the creation
};
MainWindowParts mainWindowParts();
