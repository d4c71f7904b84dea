#pragma once
// The help window's painting and state, reachable by tests.
#include <windows.h>

#include <cstdint>

LRESULT CALLBACK helpWindowProc(HWND, UINT, WPARAM, LPARAM);

constexpr int HELP_WINDOW_SIZE = 220; // the help window is square, its frame included

// Loads the current page's picture and copies it onto hdc from (0, 0), unscaled.
void paintHelpContent(HDC hdc);

int32_t helpWindowPage(); // 0 to 3
