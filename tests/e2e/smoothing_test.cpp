// The smoothing chosen in the settings window, end to end: the simulated-board build on the
// simulated board, a drag on the board, the injected mouse input recorded with a low-level hook.
// "Aplicar" changes how the drag is smoothed from the next report on, and stores "Ouhe".
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/core/settings_layout.h"
#include "win32/ids.h"
#include "tests/support/child_process.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/registry.h"
#include "tools/simboard/simboard.h"

namespace {

constexpr DWORD REPLY_DELAY_MS = 40; // a slow sensor (well inside the 100 ms limit): ~25 reports/s

struct Session {
    SimBoard* board = nullptr;
    ChildProgram program;
    HWND mainWindow = nullptr;
    ~Session() {
        if (program.process && programRunning(&program) && mainWindow) {
            PostMessageA(mainWindow, WM_CLOSE, 0, 0);
            waitProgramExit(&program, 5000, nullptr, true);
        }
        if (board)
            simboardStop(board);
        mouseRecorderStop();
        deleteTolvexKey();
    }
};

// A stored calibration that matches the board, "Save" 0 (no palette) and the given smoothing.
bool startSession(Session* s, const char* smoothingPeriod) {
    if (!deleteTolvexKey())
        return false;
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "0");
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "LagTime", "10");
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Ouhe", smoothingPeriod);
    s->board = simboardStart();
    if (!s->board)
        return false;
    SimReplyMode slow;
    slow.delayMs = REPLY_DELAY_MS;
    simboardSetReplies(s->board, 0, slow);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const POINT targets[4] = {{100, 50}, {w - 100, 50}, {100, h - 50}, {w - 100, h - 50}};
    const char* names[4][2] = {{"P1X", "P1Y"}, {"P2X", "P2Y"}, {"P3X", "P3Y"}, {"P4X", "P4Y"}};
    for (int i = 0; i < 4; ++i) {
        double sx = 0, sy = 0;
        simScreenToSensor(simboardMapping(s->board), targets[i].x, targets[i].y, &sx, &sy);
        char text[8];
        std::snprintf(text, sizeof text, "%04ld", std::lround(sx));
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, names[i][0], text);
        std::snprintf(text, sizeof text, "%04ld", std::lround(sy));
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, names[i][1], text);
    }
    if (!mouseRecorderStart())
        return false;
    if (!startProgram("VelmoraSim.exe", &s->program))
        return false;
    s->mainWindow = waitTopLevelWindow("Velmora", s->program.processId, 10000, true);
    flushEvents(300);
    return s->mainWindow != nullptr;
}

std::string stored(const char* name) {
    std::string text;
    return readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, name, &text) ? text : "(missing)";
}

// Opens the settings window from the tray command and waits until it is shown.
HWND openSettings(const Session& s) {
    PostMessageA(s.mainWindow, WM_COMMAND, IDM_SETTINGS, 0);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        HWND w = findTopLevelWindow("qv_sysset", s.program.processId);
        if (w && IsWindowVisible(w))
            return w;
        flushEvents(20);
    }
    return nullptr;
}

// A press in cell n of the bar (client coordinates), as the mouse would deliver it.
void pressCell(HWND settingsWindow, int n) {
    const LayoutRect c = settingsCellRect(n);
    PostMessageA(settingsWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM((c.left + c.right) / 2, 247));
    PostMessageA(settingsWindow, WM_LBUTTONUP, 0, MAKELPARAM((c.left + c.right) / 2, 247));
    flushEvents(100);
}

// Clicks "Aplicar"; returns when the window has handled it.
void apply(HWND settingsWindow) {
    SendMessageA(GetDlgItem(settingsWindow, static_cast<int>(IDC_APPLY)), BM_CLICK, 0, 0);
}

std::vector<MouseRecord> movesAfterLeftDown() {
    std::vector<MouseRecord> moves;
    bool down = false;
    for (const MouseRecord& r : mouseRecorderEvents()) {
        if (r.message == WM_LBUTTONDOWN && r.injected)
            down = true;
        else if (down && r.message == WM_MOUSEMOVE && r.injected)
            moves.push_back(r);
    }
    return moves;
}

bool waitMoves(size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (movesAfterLeftDown().size() < count) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        flushEvents(10);
    }
    return true;
}

// Each smoothed move covers 2 / (N + 1) of the way still left to the finger: about 9.5 % for 20.
void expectSmoothedApproach(const std::vector<MouseRecord>& moves, double fromX, double toX,
                            const char* label) {
    ASSERT_GE(moves.size(), 4u) << label;
    double previous = fromX;
    for (size_t i = 0; i < 4; ++i) {
        const double left = toX - previous;
        const double fraction = (moves[i].point.x - previous) / left;
        EXPECT_NEAR(fraction, 2.0 / 21.0, 0.02) << label << ": move " << i << " at x " << moves[i].point.x;
        previous = moves[i].point.x;
    }
}

// Ouhe 20 at start: a drag on the board creeps toward the finger. "Aplicar" of 1 in the settings
// window, in the middle of that drag, makes the very next report land on the finger; "Ouhe" is
// stored as "01". Then "Aplicar" of 20 smooths the next drag again from its first move.
TEST(Smoothing, AppliedInTheSettingsWindowChangesTheDragFromTheNextReport) {
    Session s;
    ASSERT_TRUE(startSession(&s, "20"));
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const double ax = 100, bx = w - 100, y = h - 60; // below the settings window
    const double tolerance = 2.5;

    // Prepare the change: the window open with cell 1 pressed (pending only, nothing in effect).
    HWND settingsWindow = openSettings(s);
    ASSERT_NE(settingsWindow, nullptr) << "the settings window did not appear";
    EXPECT_EQ(windowText(settingsWindow), "Configuraci\xF3n del sistema");
    pressCell(settingsWindow, 1);
    EXPECT_EQ(stored("Ouhe"), "20");

    mouseRecorderClear();
    SimPath path;
    simDown(path, ax, y);
    simHold(path, 200);
    simMove(path, bx, y, 0); // a jump: every report after it has the finger at B
    simHold(path, 6000);
    simLift(path);
    simboardPlay(s.board, 0, path);
    ASSERT_TRUE(waitMoves(4, 3000)) << "the drag did not start";
    std::vector<MouseRecord> moves = movesAfterLeftDown();
    expectSmoothedApproach(moves, ax, bx, "Ouhe 20");
    // Still far from the finger when the change is applied.
    ASSERT_LT(moves.back().point.x, bx - 100) << "the smoothed drag already reached the finger";

    const DWORD applied = GetTickCount();
    apply(settingsWindow);
    EXPECT_EQ(stored("Ouhe"), "01");
    EXPECT_EQ(stored("LagTime"), "10");
    EXPECT_EQ(stored("Save"), "0");
    EXPECT_FALSE(IsWindowVisible(settingsWindow));
    flushEvents(4 * REPLY_DELAY_MS + 100);

    // The moves after the apply: at most one report already on its way is still smoothed, then
    // every move is on the finger. (Wine may repeat the last move when a window hides: a move to
    // the same place is not a new report.)
    moves = movesAfterLeftDown();
    size_t beforeApply = 0, smoothedAfterApply = 0, onFinger = 0;
    POINT last = {-1, -1};
    for (const MouseRecord& m : moves) {
        const bool repeated = m.point.x == last.x && m.point.y == last.y;
        last = m.point;
        if (static_cast<LONG>(m.time - applied) < 0) {
            ++beforeApply;
            continue;
        }
        if (std::fabs(m.point.x - bx) <= tolerance && std::fabs(m.point.y - y) <= tolerance)
            ++onFinger;
        else if (onFinger > 0)
            ADD_FAILURE() << "a move left the finger after the new smoothing took effect: x " << m.point.x;
        else if (!repeated)
            ++smoothedAfterApply;
    }
    EXPECT_GE(onFinger, 2u) << "moves on the finger after the apply";
    EXPECT_LE(smoothedAfterApply, 1u) << "smoothed moves after the apply";
    std::printf("[ figures  ] %zu smoothed moves before the apply, %zu after it, then %zu on the finger\n",
                beforeApply, smoothedAfterApply, onFinger);

    simboardFingerLift(s.board, 0);
    flushEvents(4 * REPLY_DELAY_MS + 100);

    // Back to 20 through the window: the next drag is smoothed from its first move.
    settingsWindow = openSettings(s);
    ASSERT_NE(settingsWindow, nullptr);
    pressCell(settingsWindow, 20);
    apply(settingsWindow);
    EXPECT_EQ(stored("Ouhe"), "20");
    mouseRecorderClear();
    SimPath again;
    simDown(again, ax, y);
    simHold(again, 200);
    simMove(again, bx, y, 0);
    simHold(again, 600);
    simLift(again);
    simboardPlay(s.board, 0, again);
    ASSERT_TRUE(waitMoves(4, 3000));
    expectSmoothedApproach(movesAfterLeftDown(), ax, bx, "Ouhe 20 again");
    simboardWaitFinger(s.board, 0, 5000, true);
}

} // namespace
