#pragma once
// The start at log-on ("/inicio"): the board is often plugged in later than the user logs on, so
// the program waits for the sensor without a box and without a visible window.
#include <windows.h>

// The single-instance mutex: a copy holds it from the moment it carries on with its start-up.
constexpr const char SINGLE_INSTANCE_MUTEX[] = "QV_Only2";

// Takes the mutex for this process, which keeps it (owned, never released) until it ends. False
// when another copy already holds it.
bool takeSingleInstance();

// The class of the waiting window: a message-only window, so nothing shows, not even to
// EnumWindows; the installer finds it with FindWindowEx(HWND_MESSAGE, ...) to end a waiting copy.
constexpr const char STARTUP_WAIT_CLASS[] = "qv_inicio";

// How often the sensor is looked for again when no device change has come (ms).
constexpr UINT STARTUP_WAIT_RETRY_MS = 5000;

// Looks for the sensor now and then on every device change and every STARTUP_WAIT_RETRY_MS,
// pumping this thread's messages meanwhile. Returns the open sensor (as findSensor opens it) once
// it appears and this copy has taken the single-instance mutex, or 0 when the wait ended without
// one: a running program was found (its main window "Velmora": started by hand, or another log-on
// copy was faster), or the waiting window was sent WM_CLOSE (the installer or uninstaller).
// The mutex held by a copy without a main window does not end the wait: that copy was started by
// hand without the board and is about to end after its box, or it is in the middle of its start
// and shows its main window by the next look.
HANDLE waitForSensorAtLogon(HINSTANCE instance);

// The waiting window's procedure ("qv_inicio"), app/startup_wait.cpp.
LRESULT CALLBACK startupWaitProc(HWND, UINT, WPARAM, LPARAM);
