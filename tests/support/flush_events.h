#pragma once
// Letting this thread's windows catch up before a test looks at them.
#include <windows.h>

// Pumps this thread's messages for the given time, so windows have handled what was sent or
// posted before a test looks at them.
void flushEvents(DWORD milliseconds = 150);
