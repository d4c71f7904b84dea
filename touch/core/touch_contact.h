#pragma once
// The board as a touch screen: one touch becomes the frames of one contact for the system's touch
// injection. Down where the finger came down, an update for every new point (smoothed as a drag of
// the mouse is), up where the last frame was when the finger lifts; a touch that ends any other way
// (the link lost, a calibration starting, the program stopping, the session locking) ends with a
// cancelled up. Tapping, dragging, press-and-hold and their thresholds are the system's business
// on this path: nothing here counts pixels or milliseconds of the gesture.
//
// The system's rules for an injected contact, which the frames keep:
// - the time stamps increase from frame to frame and are never ahead of the injecting thread's
//   tick count: an update whose tick equals the last frame's is left out (the next carries the
//   newer position), an up or a down waits for the next tick;
// - a frame comes at least every 100 ms, or the contact expires and the system refuses the next
//   one: a contact that went longer without a frame is ended as cancelled, not continued. That gap
//   is measured on a fine clock (the performance counter in the program): the tick count moves in
//   steps of about 15.6 ms, and a gap it calls 94 ms can be 110. A held contact is kept alive by
//   the clock, a frame at least every CONTACT_KEEPALIVE_MS, whatever the sensor does;
// - an up is at the position of the frame before it.
// The platform is reached only through a TouchOutput table: the program binds the system's touch
// injection, the tests a recorder with a made-up clock.

#include <cstdint>

// Pointer flags of a frame, as the system's touch injection takes them.
constexpr uint32_t FRAME_INRANGE = 0x2;
constexpr uint32_t FRAME_INCONTACT = 0x4;
constexpr uint32_t FRAME_CANCELED = 0x8000;
constexpr uint32_t FRAME_DOWN = 0x10000;
constexpr uint32_t FRAME_UPDATE = 0x20000;
constexpr uint32_t FRAME_UP = 0x40000;

constexpr uint32_t CONTACT_DOWN_FLAGS = FRAME_DOWN | FRAME_INRANGE | FRAME_INCONTACT;
constexpr uint32_t CONTACT_UPDATE_FLAGS = FRAME_UPDATE | FRAME_INRANGE | FRAME_INCONTACT;
constexpr uint32_t CONTACT_UP_FLAGS = FRAME_UP;
constexpr uint32_t CONTACT_CANCEL_FLAGS = FRAME_UP | FRAME_CANCELED;

constexpr uint32_t CONTACT_ID = 0;          // the sensor reports one finger
constexpr int32_t CONTACT_AREA_HALF = 2;    // the contact area: a square this far around the point
constexpr uint32_t CONTACT_EXPIRY_MS = 100; // the longest gap between frames the system accepts
// A held contact gets an update once this long went by without a frame. Whoever waits in between
// may overshoot by a step of the system timer (15.6 ms at Windows' default resolution): the gaps
// stay under 50 ms.
constexpr uint32_t CONTACT_KEEPALIVE_MS = 25;

// The screen area a contact stays in: the board's monitor on the virtual screen, right and bottom
// exclusive.
struct ContactBounds {
    int32_t left, top, right, bottom;
};

// One frame of the contact: its flags, where (virtual-screen pixels), its contact area inside the
// bounds, its time stamp (tick count, milliseconds).
struct TouchFrame {
    uint32_t flags;
    uint32_t id;
    int32_t x, y;
    ContactBounds area;
    uint32_t time;
};

// What the contact needs from the platform.
struct TouchOutput {
    bool (*inject)(const TouchFrame& frame); // false: the system refused the frame
    uint32_t (*tickCount)();                 // milliseconds, wraps at 2^32: the frames' time stamps
    void (*sleepMs)(uint32_t milliseconds);
    double (*clockMs)(); // milliseconds on a fine, steady clock: the gaps between frames
};

enum ContactState : int32_t {
    CONTACT_NONE = 0,     // no contact down
    CONTACT_TOUCHING = 1, // down, updated by each point
};

// The contact of the touch in progress, owned by the reader thread. lastTime outlives the touch:
// the next touch's frames come after it.
struct TouchContact {
    int32_t state = CONTACT_NONE;
    int32_t x = 0, y = 0;            // where the last frame was injected
    double smoothX = 0, smoothY = 0; // the smoothed position, unrounded
    ContactBounds bounds = {0, 0, 0, 0};
    uint32_t lastTime = 0; // the last frame's time stamp
    double lastClock = 0;  // clockMs when the last frame went out
    bool anyFrame = false; // lastTime and lastClock hold a frame's
};

enum ContactOutcome : int32_t {
    CONTACT_INJECTED = 0, // the frame went out
    CONTACT_SKIPPED = 1,  // nothing to send: no contact, or an update in the last frame's millisecond
    CONTACT_REFUSED = 2,  // the system refused the frame
    CONTACT_EXPIRED = 3,  // too long without a frame: the contact was ended as cancelled
};

// The touch came down at (x, y), inside bounds: a down frame. The contact is down only when the
// system took it.
ContactOutcome contactDown(TouchContact& contact, const TouchOutput& out, int32_t x, int32_t y,
                           const ContactBounds& bounds);

// A new point of the touch: an update at the smoothed position (smoothFactor of the way from the
// previous position to the point, as the mouse's drag).
ContactOutcome contactMove(TouchContact& contact, const TouchOutput& out, int32_t x, int32_t y,
                           float smoothFactor);

// A round without a new point while the finger may still be down: an update where the contact is,
// so that it does not expire.
ContactOutcome contactKeepAlive(TouchContact& contact, const TouchOutput& out);

// Milliseconds until the contact needs a keep-alive update (0: now); UINT32_MAX without a contact.
uint32_t contactMsUntilKeepAlive(const TouchContact& contact, const TouchOutput& out);

// The finger lifted: an up where the last frame was. A refused up is followed by a cancelled up
// (the contact may still be down in the system). After it no contact is down, whatever the
// outcome.
ContactOutcome contactLift(TouchContact& contact, const TouchOutput& out);

// The touch ended otherwise: a cancelled up where the last frame was, once. After it no contact is
// down, whatever the outcome.
ContactOutcome contactCancel(TouchContact& contact, const TouchOutput& out);
