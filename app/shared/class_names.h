#pragma once
// The names of the program's window classes, in the order app/window_classes.cpp registers them:
// the eight of the main window and its windows, and the hold ring.

constexpr int WINDOW_CLASS_COUNT = 9;
constexpr const char* WINDOW_CLASS_NAMES[WINDOW_CLASS_COUNT] = {
    "Velmora", "qv_sysset",     "qv_help",    "qv_tool",      "qv_tool_button",
    "qv_page", "qv_pageparent", "qv_dingwei", "qv_hold_ring",
};
