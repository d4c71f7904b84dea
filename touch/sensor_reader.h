#pragma once
// The reader thread: polls the sensor, drives the pointer in mapping mode, collects the four points
// of a calibration.
#include <windows.h>

#include <cstdint>

// The thread's entry routine (CreateThread, no parameter). It runs until stopSensorReader asks it
// to end.
DWORD WINAPI sensorReaderProc(LPVOID);

// Asks the reader thread to end: it releases any touch in progress (so no button stays down) and
// then injects nothing more. Waits at most timeoutMs for the thread to finish, handling messages
// sent to this thread meanwhile (the reader may be waiting in SendMessageA for the main window);
// should it still be running then, its transfer on sensorHandle is cancelled and it is waited for
// once more, for as long again plus the exchange's grace for a cancelled transfer. true when the
// thread has ended.
bool stopSensorReader(HANDLE thread, DWORD timeoutMs);
constexpr DWORD READER_CANCEL_GRACE_MS = 1100;

// Pauses the polling (the machine goes to sleep, the session is locked): the reader ends a touch
// in progress through the same release as a lost link, then makes no exchange until
// resumeSensorReader; a handle the GUI thread has replaced meanwhile is closed by the reader as
// always. Waits at most timeoutMs for the reader to have done so, handling messages it sends this
// thread meanwhile; true when it has. GUI thread only.
bool pauseSensorReader(DWORD timeoutMs);
void resumeSensorReader();

// After stopSensorReader: a touch the reader left under way (it did not end in time) is released
// here exactly as at a lift, so the process never ends between a button's down and its up; a
// contact of the system's touch injection is cancelled.
void releaseAbandonedTouch();

// The touch in progress is lost (the session locks, the system suspends): the reader ends it at its
// next round as it ends a touch over a lost link (a contact cancelled, a button released) and maps
// nothing more of it until the finger lifts.
void cancelTouchInProgress();

// How long the board goes without a touch before the reader's idle rounds slow to the resting pace
// (touch/core/rest_pace.h): REST_AFTER_MS unless set here; REST_NEVER keeps it awake. For the
// benchmarks that time both paces in one run; the program never calls it. Any thread, read at the
// reader's next round.
void setSensorRestAfterMs(uint32_t ms);
