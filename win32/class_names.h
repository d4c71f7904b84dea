#pragma once
// The names of the program's window classes: the eight of the main window and its windows, the
// hold ring, the board bar, the palette's tool strip, the text tool's box and the presenting tools'
// windows.
// app/window_classes.cpp registers them in the order of WINDOW_CLASS_NAMES.
// Other programs see these names (the installer finds a running copy by "Velmora", the scripted
// session and the tests find each window by its class), so they stay as they are even where they
// say little ("qv_dingwei": the calibration).

constexpr char MAIN_WINDOW_CLASS[] = "Velmora"; // also the main window's title
constexpr char SETTINGS_CLASS[] = "qv_sysset";
constexpr char HELP_CLASS[] = "qv_help";
constexpr char PALETTE_CLASS[] = "qv_tool";
constexpr char TOOL_BUTTON_CLASS[] = "qv_tool_button";
constexpr char PAGE_CLASS[] = "qv_page";
constexpr char PAGE_CONTAINER_CLASS[] = "qv_pageparent";
constexpr char CALIBRATION_CLASS[] = "qv_dingwei";
constexpr char HOLD_RING_CLASS[] = "qv_hold_ring";
constexpr char BOARD_BAR_CLASS[] = "qv_board_bar";
constexpr char TOOL_STRIP_CLASS[] = "qv_tool_strip";
constexpr char TEXT_BOX_CLASS[] = "qv_text_box";
constexpr char POINTER_CLASS[] = "qv_pointer";
constexpr char SPOTLIGHT_CLASS[] = "qv_spotlight";
constexpr char SHADE_CLASS[] = "qv_shade";

// The class names in registration order.
constexpr int WINDOW_CLASS_COUNT = 15;
constexpr const char* WINDOW_CLASS_NAMES[WINDOW_CLASS_COUNT] = {
    MAIN_WINDOW_CLASS, SETTINGS_CLASS,       HELP_CLASS,        PALETTE_CLASS,   TOOL_BUTTON_CLASS,
    PAGE_CLASS,        PAGE_CONTAINER_CLASS, CALIBRATION_CLASS, HOLD_RING_CLASS, BOARD_BAR_CLASS,
    TOOL_STRIP_CLASS,  TEXT_BOX_CLASS,       POINTER_CLASS,     SPOTLIGHT_CLASS, SHADE_CLASS,
};
