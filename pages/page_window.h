#pragma once
// A drawing page, class "qv_page": the canvas a finger or the mouse draws on, over the desktop
// (page 1) or on the board (page 2). Its state is in page_state.h.
#include <windows.h>

LRESULT CALLBACK pageWindowProc(HWND, UINT, WPARAM, LPARAM);
