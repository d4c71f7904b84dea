#pragma once
// The system's touch injection behind the contact of touch/core/touch_contact.h:
// InitializeTouchInjection and InjectTouchInput of user32, which Windows has from Windows 8 on.
// They are looked up at run time, so the program still starts where they are missing (Windows 7,
// Wine); there touches go to the mouse as before.
//
// The system refuses frames now and then and takes the next ones: "the system is not ready to
// receive another touch injection" (ERROR_NOT_READY), "more than 100ms has passed since previous
// input frame" (ERROR_TIMEOUT), ERROR_INVALID_PARAMETER for a frame of a contact it has cancelled
// (it cancels every contact at a display change), input while another desktop is shown (a UAC
// prompt, the lock screen). A refusal ends that contact, not touch: only the down of three touches
// in a row refused gives touch up, until the user ticks it again.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "touch/core/touch_contact.h"

// "Touch": 1 (the default) the board's touches go to the system's touch injection where it works,
// 0 always the mouse. The settings load and the tray item write it; the reader reads it at each
// touch-down.
extern std::atomic<int32_t> touchChoice;

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

// The functions the reader thread starts touch injection with: given by the GUI thread before the
// reader thread begins (the system's in the program, a recorder in the tests).
void bindTouchInjection(const TouchInjectionFunctions& functions);
TouchInjectionFunctions boundTouchInjection();

// Chooses the path for the run, on the thread that then injects every frame (the reader thread):
// true when both functions are there and initialize(1, TOUCH_FEEDBACK_DEFAULT) succeeded (one
// contact, the touch feedback as the user set it); touches then go to inject. false: the mouse.
bool startTouchInjection(const TouchInjectionFunctions& functions);

// Touch injection was started: the user may choose between touch and the mouse.
bool touchInjectionStarted();

// Touch injection was started and has not been given up: touches may go as touch.
bool touchInjectionAvailable();

// The system refused the down of touch after touch: the mouse until resumeTouchInjection (reader).
void giveUpTouchInjection();

// The user ticked touch again after it was given up (GUI thread); false when it was not given up.
bool resumeTouchInjection();

// The error the system gave for the last frame it refused (GetLastError), 0 before any.
DWORD lastTouchRefusal();

// The contact's platform over the started functions: each frame as one InjectedTouchInfo, the
// tick count, Sleep, the performance counter. With nothing started, every frame is refused.
extern const TouchOutput systemTouch;

// The frame as user32 takes it: PT_TOUCH, its id, flags, position and time stamp, its contact area
// (TOUCH_MASK_CONTACTAREA); every other field zero.
InjectedTouchInfo injectedTouchInfo(const TouchFrame& frame);

// The window at (x, y) on the virtual screen belongs to this process (the palette, a page, the
// settings...): a touch that comes down there stays the mouse.
bool ownWindowAt(int32_t x, int32_t y);
