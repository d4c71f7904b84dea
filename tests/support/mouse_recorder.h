#pragma once
// A low-level mouse recorder: every mouse event of the desktop, injected or not, in order.
#include <windows.h>

#include <vector>

struct MouseRecord {
    UINT message;  // WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, ...
    POINT point;   // screen position as the hook saw it
    bool injected; // LLMHF_INJECTED
    DWORD time;    // the event's time stamp (GetTickCount clock)
};

// A WH_MOUSE_LL hook on its own thread, which pumps its messages; start before the input happens.
bool mouseRecorderStart();
void mouseRecorderStop();
std::vector<MouseRecord> mouseRecorderEvents(); // in order of arrival
void mouseRecorderClear();
// The button events only (everything but WM_MOUSEMOVE and the wheel).
std::vector<MouseRecord> mouseRecorderButtons();
