#include "app/window_procs.h"

// Placeholder until this window is built: default handling only.
LRESULT CALLBACK settingsWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
