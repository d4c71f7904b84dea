#pragma once
// Helpers shared by the tests that run under Wine.
#include <windows.h>

// Pumps this thread's messages for the given time, so windows have handled what was sent or
// posted before a test looks at them.
void flushEvents(DWORD milliseconds = 150);
