#pragma once
// The program's window classes: the eight of the main window and its windows, and the hold ring.
#include <windows.h>

// Registers the classes in their fixed order. Only the first registration ("Velmora") is
// tested: returns false when it failed. The other results are not examined.
bool registerWindowClasses(HINSTANCE instance);

// The class names, in registration order.
constexpr int WINDOW_CLASS_COUNT = 9;
constexpr const char* WINDOW_CLASS_NAMES[WINDOW_CLASS_COUNT] = {
    "Velmora", "qv_sysset",     "qv_help",    "qv_tool",      "qv_tool_button",
    "qv_page", "qv_pageparent", "qv_dingwei", "qv_hold_ring",
};
