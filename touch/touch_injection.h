#pragma once
// The system's touch injection behind the contact of touch/core/touch_contact.h:
// InitializeTouchInjection and InjectTouchInput of user32, which Windows has from Windows 8 on.
// They are looked up at run time, so the program still starts where they are missing (Windows 7,
// Wine); there, and wherever the system refuses a frame, touches go to the mouse as before.
#include <windows.h>

#include "touch/core/touch_contact.h"

// POINTER_INFO and POINTER_TOUCH_INFO as user32 takes them, under names of our own: the headers
// give the system's only to programs built for Windows 8 and later, and this one starts on 7.
struct InjectedPointerInfo {
    DWORD pointerType; // PT_TOUCH
    UINT32 pointerId;
    UINT32 frameId;
    UINT32 pointerFlags;
    HANDLE sourceDevice;
    HWND hwndTarget;
    POINT ptPixelLocation;
    POINT ptHimetricLocation;
    POINT ptPixelLocationRaw;
    POINT ptHimetricLocationRaw;
    DWORD dwTime;
    UINT32 historyCount;
    INT32 inputData;
    DWORD dwKeyStates;
    UINT64 performanceCount;
    INT32 buttonChangeType;
};
struct InjectedTouchInfo {
    InjectedPointerInfo pointerInfo;
    UINT32 touchFlags;
    UINT32 touchMask;
    RECT rcContact;
    RECT rcContactRaw;
    UINT32 orientation;
    UINT32 pressure;
};
static_assert(sizeof(InjectedTouchInfo) == (sizeof(void*) == 8 ? 144 : 136),
              "the layout user32 reads for POINTER_TOUCH_INFO");

constexpr DWORD INJECTED_PT_TOUCH = 2;                // PT_TOUCH
constexpr UINT32 INJECTED_TOUCH_MASK_CONTACTAREA = 1; // TOUCH_MASK_CONTACTAREA: no pressure, no orientation
constexpr DWORD INJECTED_TOUCH_FEEDBACK_DEFAULT = 1;  // TOUCH_FEEDBACK_DEFAULT

using InitializeTouchInjectionFn = BOOL(WINAPI*)(UINT32 maxCount, DWORD mode);
using InjectTouchInputFn = BOOL(WINAPI*)(UINT32 count, const InjectedTouchInfo* contacts);

// The two functions of the system's touch injection.
struct TouchInjectionFunctions {
    InitializeTouchInjectionFn initialize;
    InjectTouchInputFn inject;
};

// Both from user32 in System32; a member is null where the system lacks it.
TouchInjectionFunctions systemTouchInjectionFunctions();

// Chooses the path for the run, at start before the reader thread begins: true when both functions
// are there and initialize(1, TOUCH_FEEDBACK_DEFAULT) succeeded (one contact, the touch feedback
// as the user set it); touches then go to inject. false: the mouse.
bool startTouchInjection(const TouchInjectionFunctions& functions);

// Touch injection was started and has refused no frame: touches may go as touch.
bool touchInjectionAvailable();

// The system refused a frame: the mouse for the rest of the run.
void touchInjectionRefused();

// The contact's platform over the started functions: each frame as one InjectedTouchInfo, the
// tick count, Sleep. With nothing started, every frame is refused.
extern const TouchOutput systemTouch;

// The frame as user32 takes it: PT_TOUCH, its id, flags, position and time stamp, its contact area
// (TOUCH_MASK_CONTACTAREA); every other field zero.
InjectedTouchInfo injectedTouchInfo(const TouchFrame& frame);

// The window at (x, y) on the virtual screen belongs to this process (the palette, a page, the
// settings...): a touch that comes down there stays the mouse.
bool ownWindowAt(int32_t x, int32_t y);
