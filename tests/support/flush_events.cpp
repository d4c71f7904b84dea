#include "tests/support/flush_events.h"

void flushEvents(DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

bool waitFor(const std::function<bool()>& done, DWORD limitMs, DWORD everyMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs)
            return done();
        flushEvents(elapsed + everyMs < limitMs ? everyMs : limitMs - elapsed);
    }
}
