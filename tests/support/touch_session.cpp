// The touch and calibration session helpers (see touch_session.h).
#include "tests/support/touch_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "win32/ids.h"
#include "tests/support/crosses.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/registry.h"

#include <shellapi.h>

SimGeometry keystonedBoard() {
    SimGeometry g;
    g.offsetX = 12;
    g.offsetY = -9;
    g.scaleX = 0.88;
    g.scaleY = 0.86;
    g.rotationDeg = 2.5;
    g.keystoneX = 0.07;
    g.keystoneY = -0.04;
    return g;
}

TouchSession::~TouchSession() {
    if (program.process && programRunning(&program) && mainWindow) {
        PostMessageA(mainWindow, WM_CLOSE, 0, 0);
        waitProgramExit(&program, 3000, nullptr, true);
    }
    if (board)
        simboardStop(board);
}

void storeBoardCalibration(const SimBoard* board, const CrossScreen* madeOn) {
    POINT targets[4];
    crossTargets(targets);
    const double w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const char* names[4][2] = {{"P1X", "P1Y"}, {"P2X", "P2Y"}, {"P3X", "P3Y"}, {"P4X", "P4Y"}};
    for (int i = 0; i < 4; ++i) {
        double x = targets[i].x, y = targets[i].y;
        if (madeOn) {
            const ScreenPoint c = calibrationCross(i, madeOn->width, madeOn->height, madeOn->dpi);
            x = c.x * w / madeOn->width;
            y = c.y * h / madeOn->height;
        }
        double sx = 0, sy = 0;
        simScreenToSensor(simboardMapping(board), x, y, &sx, &sy);
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, names[i][0], std::to_string(std::lround(sx)));
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, names[i][1], std::to_string(std::lround(sy)));
    }
    if (madeOn) {
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "CalibWidth", std::to_string(madeOn->width));
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "CalibHeight", std::to_string(madeOn->height));
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "CalibDpi", std::to_string(madeOn->dpi));
    }
}

bool startTouchSession(TouchSession* session, StoredCalibration stored, const SimGeometry& geometry,
                       bool paletteShown) {
    if (!deleteTolvexKey())
        return false;
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", paletteShown ? "1" : "0");
    // Touches as touch, as a teacher who kept the choice has it: without the system's touch
    // injection (Wine) every touch must still be the mouse.
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Touch", "1");
    SimBoardConfig config;
    config.geometry = geometry;
    session->board = simboardStart(config);
    if (!session->board)
        return false;
    static const CrossScreen otherScreen = {1280, 720, 120};
    if (stored != NO_CALIBRATION)
        storeBoardCalibration(session->board,
                              stored == BOARD_CALIBRATION_OTHER_SCREEN ? &otherScreen : nullptr);
    if (!startProgram("VelmoraSim.exe", &session->program))
        return false;
    session->mainWindow = waitTopLevelWindow("Velmora", session->program.processId, 10000, true);
    // The reader thread starts at the end of the main window's creation, which is over once the
    // window's thread answers.
    if (session->mainWindow)
        waitProgramIdle(*session);
    // With a calibration stored the reader maps at once: its first Get says it is polling (the
    // window is found while its creation is still under way, and a tap before that is missed).
    if (session->mainWindow && stored != NO_CALIBRATION)
        return waitMapping(session->board, 0);
    return session->mainWindow != nullptr;
}

bool waitMapping(SimBoard* board, size_t from) {
    return simboardWaitCommand(board, 0, SIM_CMD_GET, 5000, from, true) >= 0;
}

void sendTrayCommand(const TouchSession& session, unsigned id) {
    PostMessageA(session.mainWindow, WM_COMMAND, id, 0);
}

bool tapCrosses(TouchSession* session, int count, POINT* last, std::string* failure, POINT offLast) {
    for (int i = 0; i < count; ++i) {
        if (!waitCrossMoved(*last, 3000, last)) {
            *failure = "cross " + std::to_string(i) + " did not appear";
            return false;
        }
        const bool off = i == count - 1;
        simboardTap(session->board, 0, last->x + (off ? offLast.x : 0), last->y + (off ? offLast.y : 0), 150,
                    SIM_SCREEN, true, 60);
        flushEvents(650); // the next point is taken only 700 ms after this one
    }
    return true;
}

bool waitProgramIdle(const TouchSession& session, DWORD timeoutMs) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(session.mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer) != 0;
}

bool waitCalibrationHidden(const TouchSession& session, DWORD timeoutMs) {
    const HWND window = findTopLevelWindow("qv_dingwei", session.program.processId);
    const DWORD start = GetTickCount();
    while (window && IsWindowVisible(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        flushEvents(30);
    }
    // Under Wine without a window manager the hide holds the program's GUI thread for 2 s: wait
    // until it answers again, so what follows meets the program as after a hide on Windows.
    return waitProgramIdle(session, timeoutMs);
}

bool calibrateByTapping(TouchSession* session, std::string* failure) {
    const size_t logStart = simboardLogSize(session->board);
    sendTrayCommand(*session, IDM_CALIBRATE);
    POINT cross = {-1000, -1000};
    if (!tapCrosses(session, 5, &cross, failure)) // the four corners, then the check at the centre
        return false;
    if (!waitNoCross(5000)) {
        *failure = "a cross stayed after the check cross";
        return false;
    }
    // Mapping has begun once a Get follows the Stop (hiding the full-screen window holds the main
    // window, and the reader thread waiting on it, for 2 s under Wine without a window manager).
    const int stop = simboardWaitCommand(session->board, 0, SIM_CMD_STOP, 3000, logStart, true);
    if (stop < 0 || simboardWaitCommand(session->board, 0, SIM_CMD_GET, 5000, stop + 1, true) < 0) {
        *failure = "no Stop and then mapping after the check cross";
        return false;
    }
    // "Calibraci\xF3n correcta" stays up for a second over the screen.
    if (!waitCalibrationHidden(*session, 5000)) {
        *failure = "the calibration window stayed after the check";
        return false;
    }
    return true;
}

bool waitButtons(size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    std::vector<MouseRecord> buttons;
    while ((buttons = mouseRecorderButtons()).size() < count) {
        if (GetTickCount() - start >= timeoutMs) {
            std::printf("waitButtons: %zu of %zu button events within %lu ms:", buttons.size(), count,
                        timeoutMs);
            for (const MouseRecord& b : buttons)
                std::printf(" 0x%X at (%ld, %ld)", b.message, b.point.x, b.point.y);
            std::printf("\n");
            return false;
        }
        flushEvents(10);
    }
    return true;
}

std::string buttonTrace() {
    std::string trace;
    for (const MouseRecord& r : mouseRecorderButtons()) {
        const char* name = r.message == WM_LBUTTONDOWN   ? "ldown"
                           : r.message == WM_LBUTTONUP   ? "lup"
                           : r.message == WM_RBUTTONDOWN ? "rdown"
                           : r.message == WM_RBUTTONUP   ? "rup"
                                                         : "other";
        trace += trace.empty() ? name : std::string(" ") + name;
    }
    return trace;
}

double pixelDistance(POINT a, double x, double y) {
    return std::hypot(a.x - x, a.y - y);
}

std::string tolvexValue(const char* name) {
    std::string text;
    if (!readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, name, &text))
        return "(missing)";
    return text;
}

bool trayIconPresent(HWND owner) {
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = owner;
    icon.uID = 103;
    if (!Shell_NotifyIconA(NIM_DELETE, &icon))
        return false;
    icon.uFlags = NIF_MESSAGE | NIF_ICON;
    icon.uCallbackMessage = UM_TRAY_NOTIFY;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    Shell_NotifyIconA(NIM_ADD, &icon);
    return true;
}
