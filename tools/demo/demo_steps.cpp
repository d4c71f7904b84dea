// The session's steps, in order. Each checks what a person would look for and notes what it saw.
#include "tools/demo/demo.h"
#include "tools/demo/demo_drawing_steps.h"
#include "tools/demo/demo_touch_steps.h"

#include <cstring>

#include "tests/support/child_process.h"
#include "tests/support/find_windows.h"

namespace {

const uint8_t STOP_BYTES[9] = {0x00, 0xA0, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x60};

// The program's top-level windows that are shown.
std::vector<HWND> visibleWindows(DWORD processId) {
    std::vector<HWND> shown;
    for (HWND hwnd : topLevelWindows(nullptr, processId))
        if (IsWindowVisible(hwnd))
            shown.push_back(hwnd);
    return shown;
}

bool isStop(const SimEvent& e) {
    return e.bytes.size() == 9 && memcmp(e.bytes.data(), STOP_BYTES, 9) == 0;
}

bool startBoard(DemoSession& s) {
    s.boardStartMs = simboardNowMs();
    s.board = simboardStart();
    if (!s.board) {
        demoNote(s, "the board's pipe could not be created (error %lu)", GetLastError());
        return false;
    }
    const SimGeometry& g = simboardGeometry(s.board);
    demoNote(s, "one sensor 0925:0300 at `%s`, screen %d x %d", simboardPipePath(s.board, 0).c_str(),
             g.screenWidth, g.screenHeight);
    return true;
}

bool startProgram(DemoSession& s) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + s.programPath + "\"";
    if (!CreateProcessA(s.programPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &s.program)) {
        demoNote(s, "CreateProcess failed (error %lu)", GetLastError());
        s.program = PROCESS_INFORMATION{};
        return false;
    }
    demoNote(s, "started `%s`, process %lu", s.programPath.c_str(), s.program.dwProcessId);
    return true;
}

bool sensorFound(DemoSession& s) {
    int at = simboardWaitCommand(s.board, -1, SIM_CMD_OTHER, 15000);
    if (at < 0) {
        demoNote(s, "the board received no command within 15 s");
        return false;
    }
    std::vector<SimEvent> log = simboardLog(s.board);
    const SimEvent& first = log[size_t(at)];
    demoNote(s, "first command received: %s `%s` on connection %d", simCommandName(first.command),
             demoHex(first.bytes).c_str(), first.connection);
    int connections = 0;
    for (const SimEvent& e : log)
        connections += e.kind == SIM_CONNECT;
    demoNote(s, "connections opened so far: %d (the attribute query, then the read/write handle)",
             connections);
    s.logMark = size_t(at) + 1;
    return isStop(first);
}

bool sitsInTray(DemoSession& s) {
    s.mainWindow = waitTopLevelWindow("Velmora", s.program.dwProcessId, 10000);
    if (!s.mainWindow) {
        demoNote(s, "no window of class \"Velmora\" appeared within 10 s");
        return false;
    }
    // The window exists from its WM_CREATE on; its start-up ends when the message loop first
    // waits, and the layered style is added after creation: look once the program is idle.
    WaitForInputIdle(s.program.hProcess, 5000);
    bool layered = false;
    for (int i = 0; i < 100 && !layered; ++i, Sleep(20))
        layered = (GetWindowLongA(s.mainWindow, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
    RECT r{};
    GetWindowRect(s.mainWindow, &r);
    bool hidden = !IsWindowVisible(s.mainWindow);
    demoNote(s, "main window \"Velmora\" found: %s, %ld x %ld, %s", hidden ? "hidden" : "VISIBLE",
             r.right - r.left, r.bottom - r.top, layered ? "layered" : "NOT layered");
    std::vector<HWND> shown = visibleWindows(s.program.dwProcessId);
    std::string names;
    for (HWND hwnd : shown) {
        char name[64] = "";
        GetClassNameA(hwnd, name, sizeof name);
        names += names.empty() ? "" : ", ";
        names += name;
    }
    demoNote(s, "visible top-level windows of the program: %s", names.empty() ? "none" : names.c_str());
    Sleep(700); // let the tray icon be drawn
    demoScreenshot(s, "01-tray");
    // Without a desktop window, Wine's X11 driver shows the notification area as a small window of
    // its own; enlarge it so the icon can be seen in the report.
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    RECT trayRect{};
    if (tray && IsWindowVisible(tray) && GetWindowRect(tray, &trayRect)) {
        demoNote(s, "Wine's notification area is shown at (%ld, %ld), %ld x %ld", trayRect.left, trayRect.top,
                 trayRect.right - trayRect.left, trayRect.bottom - trayRect.top);
        demoScreenshotArea(s, "01-tray-enlarged", trayRect, 4);
    }
    DWORD code;
    if (demoProgramEnded(s, &code)) {
        demoNote(s, "the program has ended (code %lu)", code);
        return false;
    }
    return hidden && layered && r.right == r.left && r.bottom == r.top;
}

bool closeCleanly(DemoSession& s) {
    size_t mark = simboardLogSize(s.board);
    PostMessageA(s.mainWindow, WM_CLOSE, 0, 0);
    demoNote(s, "WM_CLOSE posted to the main window");
    int at = simboardWaitCommand(s.board, -1, SIM_CMD_STOP, 5000, mark);
    bool stopped = at >= 0;
    if (stopped) {
        SimEvent e = simboardLog(s.board)[size_t(at)];
        demoNote(s, "Stop received again: `%s` on connection %d", demoHex(e.bytes).c_str(), e.connection);
    } else {
        demoNote(s, "no Stop received within 5 s of WM_CLOSE");
    }
    DWORD code = 0;
    if (WaitForSingleObject(s.program.hProcess, 10000) != WAIT_OBJECT_0) {
        demoNote(s, "the program still runs 10 s after WM_CLOSE");
        return false;
    }
    GetExitCodeProcess(s.program.hProcess, &code);
    demoNote(s, "the program exited with code %lu", code);
    Sleep(300);
    demoScreenshot(s, "02-after-exit");
    return stopped && code == 0;
}

} // namespace

const DemoStep demoSteps[] = {
    {"Start the simulated board", startBoard},
    {"Start the simulated-board build", startProgram},
    {"The program finds the sensor and sends Stop", sensorFound},
    {"The program sits in the tray with its hidden window", sitsInTray},
    {"Calibrate by tapping the four crosses and the check cross found on the screen", demoCalibrateByTapping},
    {"A tap is a click where the finger is", demoTapClicks},
    {"A moving touch is a drag", demoDragDrags},
    {"A touch held still is a right click", demoHoldRightClicks},
    {"\"Zarpelo\" from the tray shows the palette", demoOpenPalette},
    {"Red and the pen picked by touches on the palette", demoPickRedAndPen},
    {"A drag over the desktop draws a red stroke", demoDrawOverDesktop},
    {"The board button shows the grey board", demoBoardMode},
    {"A drag on the board draws a red stroke", demoDrawOnBoard},
    {"The clear button clears the board", demoClearBoard},
    {"The right eye hides the palette and the pages", demoHidePalette},
    {"WM_CLOSE ends it: Stop again, exit code 0", closeCleanly},
};
const int demoStepCount = int(sizeof demoSteps / sizeof demoSteps[0]);
