#pragma once
// The tool palette, class "qv_tool": a round window of buttons, topmost, never activated, on the
// board's monitor. Its state is in palette_state.h.
#include <windows.h>

LRESULT CALLBACK paletteWindowProc(HWND, UINT, WPARAM, LPARAM);
