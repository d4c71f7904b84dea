#pragma once
// The reader thread: polls the sensor, drives the pointer in mapping mode, collects the four points
// of a calibration.
#include <windows.h>

// The thread's entry routine (CreateThread, no parameter). It runs until stopSensorReader asks it
// to end.
DWORD WINAPI sensorReaderProc(LPVOID);

// Asks the reader thread to end: it releases any touch in progress (so no button stays down) and
// then injects nothing more. Waits at most timeoutMs for the thread to finish, handling messages
// sent to this thread meanwhile (the reader may be waiting in SendMessageA for the main window).
// true when the thread has ended.
bool stopSensorReader(HANDLE thread, DWORD timeoutMs);
