#pragma once
// What a palette button does with the pointer: the rules of its seven kinds as plain functions
// over its record. Each returns the platform steps the window procedure then takes, in the order
// the flags are listed.
#include <cstdint>

// One per button, owned by the palette; its address is the button's window word 0.
struct ButtonRecord {
    int32_t kind;         // ButtonKind
    int32_t state;        // BUTTON_NORMAL, BUTTON_HOVER or BUTTON_DOWN
    int32_t savedState;   // toggle: state before the current press
    int32_t command;      // wParam of the WM_COMMAND sent to the parent
    int32_t picture;      // bitmap resource painted (100 .. 103, 113 .. 120); swatches ignore it
    int32_t savedPicture; // toggle: picture before the current press
    int32_t colour;       // swatch: fill colour, COLORREF 0x00BBGGRR
    int32_t pressed;      // 1 from a press on this button until its release or the pointer leaving
    int32_t tracking;     // 1 while a leave notification is requested
};

enum ButtonKind : int32_t {
    BUTTON_PLAIN = 0,     // eyes, widths: no look of its own, a click sends the command
    BUTTON_TOOL = 1,      // drawing tools: hover look, stays down once clicked
    BUTTON_ACTION = 2,    // clear: hover look, pops up after the click
    BUTTON_SWATCH = 3,    // colours: painted in a solid colour
    BUTTON_GRIP = 4,      // face: a press drags the palette
    BUTTON_TOGGLE = 5,    // desktop and board modes: flips at each press
    BUTTON_INDICATOR = 6, // rims: only the palette changes them
};

enum ButtonState : int32_t { BUTTON_NORMAL = 0, BUTTON_HOVER = 1, BUTTON_DOWN = 2 };

enum ButtonAction : unsigned {
    BUTTON_DO_NOTHING = 0,
    BUTTON_DO_TRACK = 1,   // ask the platform for leave and hover notifications
    BUTTON_DO_GRIP = 2,    // send the parent WM_NCLBUTTONDOWN with HTCAPTION (starts the move loop)
    BUTTON_DO_COMMAND = 4, // send the parent WM_COMMAND with the record's command
    BUTTON_DO_REPAINT = 8, // invalidate the button with erase
};

unsigned buttonHover(ButtonRecord* record);   // WM_MOUSEMOVE
unsigned buttonPress(ButtonRecord* record);   // WM_LBUTTONDOWN
unsigned buttonRelease(ButtonRecord* record); // WM_LBUTTONUP
unsigned buttonLeave(ButtonRecord* record);   // WM_MOUSELEAVE
