#pragma once
// The sensor through sleep, session changes and device interface notices: the main window's
// procedure hands these messages here. Everything runs on the GUI thread.
#include <windows.h>

#include <string>

// Registers the main window for session changes (this session only) and for HID interface
// arrivals and removals; at creation, once the window exists.
void startSessionNotices(HWND hwnd);
// Undoes both, at shut-down.
void endSessionNotices(HWND hwnd);

// WM_POWERBROADCAST: going to sleep pauses the polling (a held button is released first); waking
// up polls again after checking the sensor at once. Returns what the message returns.
LRESULT onPowerBroadcast(HWND hwnd, WPARAM event);
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
