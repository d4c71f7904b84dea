// The touch and calibration session helpers (see touch_session.h).
#include "tests/support/touch_session.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/ids.h"

#include <shellapi.h>

namespace {

constexpr COLORREF GREY = RGB(200, 200, 200);
constexpr COLORREF BLACK = RGB(0, 0, 0);

// Screen pixels that look like the cross centre: black there and on both diagonals 4 pixels out,
// grey 5 to 7 pixels straight up, down, left and right.
bool crossCentreAt(const std::vector<COLORREF>& px, int width, int height, int x, int y) {
    if (x < 8 || y < 8 || x >= width - 8 || y >= height - 8)
        return false;
    auto at = [&](int dx, int dy) { return px[static_cast<size_t>(y + dy) * width + (x + dx)]; };
    if (at(0, 0) != BLACK)
        return false;
    for (int d : {-4, 4})
        if (at(d, d) != BLACK || at(d, -d) != BLACK)
            return false;
    for (int d : {-7, 7})
        if (at(d, 0) != GREY || at(0, d) != GREY)
            return false;
    return true;
}

} // namespace

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

void crossTargets(POINT targets[4]) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    targets[0] = {100, 50};
    targets[1] = {w - 100, 50};
    targets[2] = {100, h - 50};
    targets[3] = {w - 100, h - 50};
}

bool startTouchSession(TouchSession* session, StoredCalibration stored, const SimGeometry& geometry,
                       bool paletteShown) {
    if (!deleteTolvexKey())
        return false;
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", paletteShown ? "1" : "0");
    SimBoardConfig config;
    config.geometry = geometry;
    session->board = simboardStart(config);
    if (!session->board)
        return false;
    if (stored == BOARD_CALIBRATION) {
        POINT targets[4];
        crossTargets(targets);
        const char* names[4][2] = {{"P1X", "P1Y"}, {"P2X", "P2Y"}, {"P3X", "P3Y"}, {"P4X", "P4Y"}};
        for (int i = 0; i < 4; ++i) {
            double sx = 0, sy = 0;
            simScreenToSensor(simboardMapping(session->board), targets[i].x, targets[i].y, &sx, &sy);
            writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, names[i][0], std::to_string(std::lround(sx)));
            writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, names[i][1], std::to_string(std::lround(sy)));
        }
    }
    if (!startProgram("VelmoraSim.exe", &session->program))
        return false;
    session->mainWindow = waitTopLevelWindow("Velmora", session->program.processId, 10000, true);
    flushEvents(200); // the reader thread starts at the end of the main window's creation
    return session->mainWindow != nullptr;
}

bool findCrossOnScreen(POINT* centre) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    std::vector<COLORREF> px;
    RECT all = {0, 0, w, h};
    if (!captureScreen(all, &px))
        return false;
    long sumX = 0, sumY = 0, count = 0;
    int minX = w, maxX = -1, minY = h, maxY = -1;
    for (int y = 8; y < h - 8; ++y)
        for (int x = 8; x < w - 8; ++x)
            if (crossCentreAt(px, w, h, x, y)) {
                sumX += x;
                sumY += y;
                ++count;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    // One cross gives a few neighbouring centre pixels (the lines are 3 wide); two crosses would be
    // far apart.
    if (count == 0 || maxX - minX > 4 || maxY - minY > 4)
        return false;
    centre->x = static_cast<LONG>(std::lround(static_cast<double>(sumX) / count));
    centre->y = static_cast<LONG>(std::lround(static_cast<double>(sumY) / count));
    return true;
}

bool waitCrossMoved(POINT notAt, DWORD timeoutMs, POINT* centre) {
    const DWORD start = GetTickCount();
    do {
        POINT c;
        if (findCrossOnScreen(&c) && (std::abs(c.x - notAt.x) > 3 || std::abs(c.y - notAt.y) > 3)) {
            *centre = c;
            return true;
        }
        flushEvents(30);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

bool waitNoCross(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        POINT c;
        if (!findCrossOnScreen(&c))
            return true;
        flushEvents(30);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

void sendTrayCommand(const TouchSession& session, unsigned id) {
    PostMessageA(session.mainWindow, WM_COMMAND, id, 0);
}

bool calibrateByTapping(TouchSession* session, std::string* failure) {
    const size_t logStart = simboardLogSize(session->board);
    sendTrayCommand(*session, IDM_CALIBRATE);
    POINT cross = {-1000, -1000};
    for (int i = 0; i < 4; ++i) {
        if (!waitCrossMoved(cross, 3000, &cross)) {
            *failure = "cross " + std::to_string(i) + " did not appear";
            return false;
        }
        simboardTap(session->board, 0, cross.x, cross.y, 150, SIM_SCREEN, true, 60);
        flushEvents(650); // the next point is taken only 700 ms after this one
    }
    if (!waitNoCross(5000)) {
        *failure = "the calibration window stayed after the fourth cross";
        return false;
    }
    // Mapping has begun once a Get follows the Stop (hiding the full-screen window holds the main
    // window, and the reader thread waiting on it, for 2 s under Wine without a window manager).
    const int stop = simboardWaitCommand(session->board, 0, SIM_CMD_STOP, 3000, logStart, true);
    if (stop < 0 || simboardWaitCommand(session->board, 0, SIM_CMD_GET, 5000, stop + 1, true) < 0) {
        *failure = "no Stop and then mapping after the fourth cross";
        return false;
    }
    return true;
}

bool waitButtons(size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (mouseRecorderButtons().size() < count) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        flushEvents(10);
    }
    return true;
}

std::string buttonTrace() {
    std::string trace;
    for (const MouseRecord& r : mouseRecorderButtons()) {
        const char* name = r.message == WM_LBUTTONDOWN ? "ldown"
                           : r.message == WM_LBUTTONUP ? "lup"
                           : r.message == WM_RBUTTONDOWN ? "rdown"
                           : r.message == WM_RBUTTONUP ? "rup"
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
