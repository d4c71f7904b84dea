// The touch steps of the session (see demo_touch_steps.h). The mouse input is watched with a
// low-level mouse hook on a thread of its own; the crosses are found on the screen's pixels by the
// test support's cross finder.
#include "tools/demo/demo_touch_steps.h"

#include <cmath>
#include <mutex>
#include <vector>

#include "app/ids.h"
#include "tests/support/wintest.h"

namespace {

struct Button {
    UINT message;
    POINT point;
};

std::mutex recordLock;
std::vector<Button> buttons;
int moves = 0;
DWORD hookThreadId = 0;

LRESULT CALLBACK onMouse(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        std::lock_guard<std::mutex> hold(recordLock);
        if (wParam == WM_MOUSEMOVE)
            ++moves;
        else
            buttons.push_back({static_cast<UINT>(wParam), info->pt});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI hookMain(LPVOID ready) {
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, onMouse, GetModuleHandleA(nullptr), 0);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(static_cast<HANDLE>(ready));
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

void startHook() {
    if (hookThreadId)
        return;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, hookMain, ready, 0, &hookThreadId);
    WaitForSingleObject(ready, 3000);
    CloseHandle(ready);
    CloseHandle(thread);
}

void clearRecord() {
    std::lock_guard<std::mutex> hold(recordLock);
    buttons.clear();
    moves = 0;
}

std::vector<Button> recordedButtons(size_t atLeast, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> hold(recordLock);
            if (buttons.size() >= atLeast || GetTickCount() - start > timeoutMs)
                return buttons;
        }
        Sleep(10);
    }
}

const char* buttonName(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN:
        return "left down";
    case WM_LBUTTONUP:
        return "left up";
    case WM_RBUTTONDOWN:
        return "right down";
    case WM_RBUTTONUP:
        return "right up";
    default:
        return "other";
    }
}

void noteButtons(DemoSession& s, const std::vector<Button>& b) {
    for (const Button& e : b)
        demoNote(s, "  %s at (%ld, %ld)", buttonName(e.message), e.point.x, e.point.y);
}

HWND programWindow(const DemoSession& s, const char* className) {
    HWND found = nullptr;
    for (HWND w = FindWindowExA(nullptr, nullptr, className, nullptr); w;
         w = FindWindowExA(nullptr, w, className, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == s.program.dwProcessId)
            found = w;
    }
    return found;
}

} // namespace

bool demoCalibrateByTapping(DemoSession& s) {
    startHook();
    const HWND palette = programWindow(s, "qv_tool");
    if (palette && IsWindowVisible(palette)) {
        PostMessageA(s.mainWindow, WM_COMMAND, IDM_PALETTE, 0); // it would cover the last cross
        Sleep(300);
        demoNote(s, "the palette was shown; \"Zarpelo\" from the tray hid it");
    }
    const size_t mark = simboardLogSize(s.board);
    PostMessageA(s.mainWindow, WM_COMMAND, IDM_CALIBRATE, 0);
    demoNote(s, "\"Calibrar espacio de trabajo\" chosen from the tray menu");
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 4; ++i) {
        if (!waitCrossMoved(cross, 4000, &cross)) {
            demoNote(s, "cross %d did not appear on the screen", i + 1);
            demoScreenshot(s, "03-calibration-missing-cross");
            return false;
        }
        demoNote(s, "cross %d found on the screen at (%ld, %ld): tapped there", i + 1, cross.x, cross.y);
        if (i == 0)
            demoScreenshot(s, "03-calibration-first-cross");
        simboardTap(s.board, 0, cross.x, cross.y, 150, SIM_SCREEN, false, 60);
        Sleep(700);
    }
    const int stop = simboardWaitCommand(s.board, 0, SIM_CMD_STOP, 3000, mark);
    demoNote(s,
             stop >= 0 ? "the board received Stop after the fourth cross" : "no Stop after the fourth cross");
    // Mapping has begun when a Get follows that Stop.
    const bool mapping =
        stop >= 0 && simboardWaitCommand(s.board, 0, SIM_CMD_GET, 5000, size_t(stop) + 1) >= 0;
    POINT left;
    const bool gone = !findCrossOnScreen(&left);
    demoNote(s, "calibration window %s; mapping %s", gone ? "hidden" : "STILL SHOWN",
             mapping ? "on" : "NOT on");
    return stop >= 0 && mapping && gone;
}

bool demoTapClicks(DemoSession& s) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    clearRecord();
    simboardTap(s.board, 0, w / 2.0, h / 2.0, 150, SIM_SCREEN, false, 60);
    const std::vector<Button> b = recordedButtons(2, 2000);
    demoNote(s, "tap at (%d, %d), the system received:", w / 2, h / 2);
    noteButtons(s, b);
    return b.size() == 2 && b[0].message == WM_LBUTTONDOWN && b[1].message == WM_LBUTTONUP &&
           std::hypot(b[0].point.x - w / 2.0, b[0].point.y - h / 2.0) <= 2.0;
}

bool demoDragDrags(DemoSession& s) {
    clearRecord();
    SimPath drag;
    simDown(drag, 250, 250);
    simMove(drag, 650, 450, 600);
    simHold(drag, 100);
    simLift(drag);
    simHold(drag, 80);
    simboardPlay(s.board, 0, drag);
    simboardWaitFinger(s.board, 0, 5000);
    const std::vector<Button> b = recordedButtons(2, 2000);
    int movesSeen;
    {
        std::lock_guard<std::mutex> hold(recordLock);
        movesSeen = moves;
    }
    demoNote(s, "drag from (250, 250) to (650, 450), the system received %d moves and:", movesSeen);
    noteButtons(s, b);
    return b.size() == 2 && b[0].message == WM_LBUTTONDOWN && b[1].message == WM_LBUTTONUP && movesSeen > 5;
}

bool demoHoldRightClicks(DemoSession& s) {
    clearRecord();
    simboardTap(s.board, 0, 400, 300, 1300, SIM_SCREEN, false, 60);
    const std::vector<Button> b = recordedButtons(3, 2000);
    demoNote(s, "touch held 1.3 s at (400, 300), the system received:");
    noteButtons(s, b);
    demoScreenshot(s, "04-after-touches");
    return b.size() == 3 && b[0].message == WM_RBUTTONDOWN && b[2].message == WM_RBUTTONUP;
}
