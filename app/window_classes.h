#pragma once
// The program's eight window classes.
#include <windows.h>

// Registers the eight classes in their fixed order. Only the first registration ("Velmora") is
// tested: returns false when it failed. The other results are not examined.
bool registerWindowClasses(HINSTANCE instance);

// The class names, in registration order.
constexpr const char* WINDOW_CLASS_NAMES[8] = {
    "Velmora", "qv_sysset", "qv_help", "qv_tool", "qv_tool_button", "qv_page", "qv_pageparent", "qv_dingwei",
};
