#pragma once
// The sensor through sleep, session changes and device interface notices: the main window's
// procedure hands these messages here. Everything runs on the GUI thread.
#include <windows.h>

#include <string>

// The main window's timers of this file: the registration for session notices tried again, and
// the end of a lost sensor's time to come back after a wake.
constexpr UINT_PTR SESSION_NOTICES_TIMER = 0x7A2;
constexpr UINT_PTR WAKE_RETURN_TIMER = 0x7A3;

// Registers the main window for session changes (this session only; tried again while the
// system's services are not up yet, at an early log-on) and for HID interface arrivals and
// removals; at creation, once the window exists.
void startSessionNotices(HWND hwnd);
// Undoes both, and stops this file's timers, at shut-down.
void endSessionNotices(HWND hwnd);

// The call that registers for session notices: WTSRegisterSessionNotification of wtsapi32 (looked
// up at run time) while null; a test's recorder otherwise (a system whose services are not up yet).
using SessionNoticeRegistration = BOOL(WINAPI*)(HWND, DWORD);
extern SessionNoticeRegistration sessionNoticeRegistration;

// WM_POWERBROADCAST: going to sleep pauses the polling (a held button is released first); waking
// up polls again after checking the sensor at once. Returns what the message returns.
LRESULT onPowerBroadcast(HWND hwnd, WPARAM event);
// The open sensor was found lost (sensorHandle already dropped). True when the loss is not to be
// told yet: it came within a few seconds of a wake, and the sensor is given time to come back
// (WAKE_RETURN_TIMER); device changes meanwhile open it again as after any loss.
bool lossWaitsForReturn(HWND hwnd);
// WM_TIMER of this file's timers (others are left alone). True when a loss that waited is to be
// told now: the sensor has not come back.
bool onSessionPowerTimer(HWND hwnd, WPARAM timer);

// WM_WTSSESSION_CHANGE: locked or away from the console, the sensor is released, not polled and
// its handles closed; back, they are opened again.
void onSessionChange(HWND hwnd, WPARAM event);

// The session is locked or not at the console: the sensor stays closed whatever device changes say.
bool sensorClosedForSession();

// sensorHandle = findSensor(), remembering the path of the interface opened.
void openReaderSensor();
// A removal notice for `path` is the loss of the open sensor: it is the interface the reader's handle
// was opened on, and that handle's device no longer answers the system.
bool openSensorRemoved(const std::string& path);
