#pragma once
// The start at log-on ("/inicio"): the board is often plugged in later than the user logs on, so
// the program waits for the sensor without a box and without a visible window.
#include <windows.h>

// The single-instance mutex: a copy holds it from the moment it carries on with its start-up.
constexpr const char SINGLE_INSTANCE_MUTEX[] = "QV_Only2";

// The class of the waiting window: a message-only window, so nothing shows, not even to
// EnumWindows; the installer finds it with FindWindowEx(HWND_MESSAGE, ...) to end a waiting copy.
constexpr const char STARTUP_WAIT_CLASS[] = "qv_inicio";

// How often the sensor is looked for again when no device change has come (ms).
constexpr UINT STARTUP_WAIT_RETRY_MS = 5000;

// Looks for the sensor now and then on every device change and every STARTUP_WAIT_RETRY_MS,
// pumping this thread's messages meanwhile. Returns the open sensor (as findSensor opens it) when
// it appears, or 0 when the wait ended without one: another instance took the single-instance
// mutex (it was started by hand, or another log-on copy was faster), the waiting window was sent
// WM_CLOSE (the installer or uninstaller), or the session ends. The mutex is left to the caller.
HANDLE waitForSensorAtLogon(HINSTANCE instance);

// The waiting window's procedure ("qv_inicio"), app/startup_wait.cpp.
LRESULT CALLBACK startupWaitProc(HWND, UINT, WPARAM, LPARAM);
