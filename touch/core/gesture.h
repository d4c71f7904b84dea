#pragma once
// The pointer emulation: turns the mapped points of one touch into mouse input. A tap is a click of
// the primary button, a touch that moves more than 4 pixels from where it came down is a drag with
// the primary button held, a touch held still for more than 1000 ms is a click of the secondary
// button. The platform is reached only through a PointerOutput table, so that the same rules run
// against the real mouse in the program and against a recorder with a made-up clock in the tests.

#include <cstdint>

enum TouchState : int32_t {
    TOUCH_NONE = 0,
    TOUCH_DOWN = 1,
    TOUCH_DRAG = 2,
    TOUCH_HOLD = 3,
};

// mouse_event flags, always absolute. Every button event is sent with MOUSE_MOVE as well, to the
// point it belongs to: a press made only "where the cursor is" lands wherever something else put
// the cursor after the touch came down (a mouse moved meanwhile, or Wine, which moves it back to
// the X pointer when a window it maps comes up under that pointer), and a stroke or a click would
// go to another window.
constexpr uint32_t MOUSE_ABSOLUTE = 0x8000;
constexpr uint32_t MOUSE_MOVE = 0x8001;
constexpr uint32_t MOUSE_LEFT_DOWN = 0x8002;
constexpr uint32_t MOUSE_LEFT_UP = 0x8004;
constexpr uint32_t MOUSE_RIGHT_DOWN = 0x8008;
constexpr uint32_t MOUSE_RIGHT_UP = 0x8010;

constexpr int TOUCH_MOVE_THRESHOLD = 4;        // pixels on either axis that still count as still
constexpr uint32_t TOUCH_HOLD_MS = 1000;       // a still touch older than this is a hold
constexpr uint32_t TOUCH_CLICK_PAUSE_MS = 100; // between the down and the up of a click

struct MousePoint {
    int32_t x, y;
};

// What the emulation needs from the platform.
struct PointerOutput {
    void (*setCursorPos)(int32_t x, int32_t y);               // pixels
    void (*mouseEvent)(uint32_t flags, int32_t x, int32_t y); // absolute units 0..65535
    uint32_t (*tickCount)();                                  // milliseconds, wraps at 2^32
    void (*sleepMs)(uint32_t milliseconds);
    bool (*buttonsSwapped)(); // read afresh for every button event
};

// The emulation's state for one touch, owned by the reader thread.
struct TouchTrack {
    int32_t touchState = TOUCH_NONE;
    MousePoint downPoint = {0, 0}; // pixel where the touch came down
    uint32_t downTick = 0;         // tick count at touch-down
    float lastX = 0, lastY = 0;    // last absolute position: touch-down, then each smoothed move
};

// One valid mapped point: (x, y) in pixels, pMouse the same point in absolute units. In a drag the
// smoothed position is written back into pMouse.
void trackTouch(TouchTrack& track, const PointerOutput& out, int32_t x, int32_t y, MousePoint& pMouse,
                float smoothFactor);

// Where the emulation has put the pointer, in absolute units: the touch-down point until a drag
// begins, then the last smoothed move. A touch ends there.
MousePoint pointerPlace(const TouchTrack& track);

// Ends a touch in the given state at (x, y), the pointer's place (pointerPlace). The caller then
// sets the state to TOUCH_NONE.
void releaseTouch(const PointerOutput& out, int32_t state, int32_t x, int32_t y);

// 2 / (smoothingPeriod + 1) for the smoothing period 1..20 (1: no smoothing); a period outside the
// range is held to it, so a corrupt setting can neither stop the pointer nor make it overshoot.
float smoothFactorFor(int32_t smoothingPeriod);
