#pragma once
// Letting this thread's windows catch up before a test looks at them.
#include <windows.h>

#include <functional>

// Pumps this thread's messages for the given time, so windows have handled what was sent or
// posted before a test looks at them.
void flushEvents(DWORD milliseconds = 150);

// Pumps this thread's messages until `done` returns true, looking every `everyMs` milliseconds,
// for at most `limitMs`. True as soon as it is done; false when the limit passed with it still not
// done (`done` is asked once more at the limit, so a slow machine never fails a wait it just made).
// A look that reads the screen asks the X server for its pixels: such waits look less often, so
// the program under test keeps the server for its painting.
// A wait for something that must NOT happen stays a flushEvents of the whole time.
bool waitFor(const std::function<bool()>& done, DWORD limitMs, DWORD everyMs = 5);
