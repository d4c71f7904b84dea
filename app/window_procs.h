#pragma once
// The window procedures of the program's window classes, one per source file.
#include <windows.h>

LRESULT CALLBACK mainWindowProc(HWND, UINT, WPARAM, LPARAM);        // "Velmora", app/main_window.cpp
LRESULT CALLBACK settingsWindowProc(HWND, UINT, WPARAM, LPARAM);    // "qv_sysset", app/settings_window.cpp
LRESULT CALLBACK helpWindowProc(HWND, UINT, WPARAM, LPARAM);        // "qv_help", app/help_window.cpp
LRESULT CALLBACK paletteWindowProc(HWND, UINT, WPARAM, LPARAM);     // "qv_tool", palette/palette_window.cpp
LRESULT CALLBACK toolButtonProc(HWND, UINT, WPARAM, LPARAM);        // "qv_tool_button", palette/tool_button.cpp
LRESULT CALLBACK pageWindowProc(HWND, UINT, WPARAM, LPARAM);        // "qv_page", pages/page_window.cpp
LRESULT CALLBACK pageContainerProc(HWND, UINT, WPARAM, LPARAM);     // "qv_pageparent", pages/page_container.cpp
LRESULT CALLBACK calibrationWindowProc(HWND, UINT, WPARAM, LPARAM); // "qv_dingwei", calibration/calibration_window.cpp
LRESULT CALLBACK holdRingProc(HWND, UINT, WPARAM, LPARAM);          // "qv_hold_ring", touch/hold_ring_window.cpp
LRESULT CALLBACK boardBarProc(HWND, UINT, WPARAM, LPARAM);          // "qv_board_bar", palette/board_bar.cpp
