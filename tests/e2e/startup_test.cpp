// Start-up seen from outside: the program as a child process, the simulated board in this one.
// Also the start at log-on ("/inicio"): a quiet wait for the board, then the normal start-up.
#include <gtest/gtest.h>

#include "app/startup_wait.h"
#include "win32/class_names.h"
#include "tests/support/child_process.h"
#include "tests/support/crosses.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/mouse_recorder.h"
#include "tests/support/registry.h"
#include "tests/support/screen.h"
#include "tests/support/touch_session.h"

#include <dbt.h>

namespace {

constexpr DWORD START_TIMEOUT_MS = 15000;
constexpr DWORD EXIT_TIMEOUT_MS = 10000;

const char STOP_BYTES[] = "00 A0 03 00 00 00 00 00 60";

std::string hex(const std::vector<uint8_t>& bytes) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

std::vector<SimEvent> eventsOf(const std::vector<SimEvent>& log, SimEventKind kind, size_t from = 0) {
    std::vector<SimEvent> out;
    for (size_t i = from; i < log.size(); ++i)
        if (log[i].kind == kind)
            out.push_back(log[i]);
    return out;
}

struct Startup : ::testing::Test {
    SimBoard* board = nullptr;

    void SetUp() override { ASSERT_TRUE(deleteTolvexKey()); }
    void TearDown() override {
        if (board)
            simboardStop(board);
        deleteTolvexKey();
    }
    void startBoard(std::vector<SimSensorConfig> sensors = {SimSensorConfig{}}) {
        SimBoardConfig config;
        config.sensors = sensors;
        config.broadcastDeviceChange = false;
        board = simboardStart(config);
        ASSERT_NE(nullptr, board) << "error " << GetLastError();
    }
    // Starts the program and waits for its main window.
    HWND startRunning(ChildProgram* child) {
        EXPECT_TRUE(startProgram("VelmoraSim.exe", child)) << GetLastError();
        HWND main = waitTopLevelWindow("Velmora", child->processId, START_TIMEOUT_MS, true);
        EXPECT_NE(nullptr, main) << "no \"Velmora\" window";
        // The window exists from inside its creation on; start-up is over once the message loop
        // waits for input.
        EXPECT_TRUE(waitProgramIdle(child, START_TIMEOUT_MS));
        return main;
    }
};

// What the user sees when there is no sensor: the one message box, and nothing after it.
void expectNoSensorBox(ChildProgram* child, const WindowCreationWatch& watch) {
    HWND box = waitMessageBox(child->processId, START_TIMEOUT_MS, true);
    ASSERT_NE(nullptr, box) << "no message box";
    EXPECT_EQ("No se ha encontrado sensor", messageBoxText(box));
    EXPECT_EQ("Error", messageBoxCaption(box));
    EXPECT_EQ(nullptr, GetWindow(box, GW_OWNER)) << "the box has no owner window";
    EXPECT_EQ(nullptr, findTopLevelWindow("Velmora", child->processId));
    pressMessageBoxOk(box);
    DWORD code = 1234;
    ASSERT_TRUE(waitProgramExit(child, EXIT_TIMEOUT_MS, &code, true)) << "still running after OK";
    EXPECT_EQ(0u, code);
    flushEvents(100);
    EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, TOLVEX_KEY)) << "no key without a sensor";
    if (watch.hook && watch.sawClass("#32770", child->processId)) {
        // Wine makes windows of its own (input method, COM); none of the program's may appear.
        for (const char* name : WINDOW_CLASS_NAMES)
            EXPECT_FALSE(watch.sawClass(name, child->processId)) << "a \"" << name << "\" window was created";
    } else {
        ADD_FAILURE() << "the window-creation watch saw nothing here; only the end state was checked";
    }
}

// The message-only windows of a copy waiting at log-on.
std::vector<HWND> waitingWindows(DWORD processId) {
    std::vector<HWND> out;
    HWND w = nullptr;
    while ((w = FindWindowExA(HWND_MESSAGE, w, STARTUP_WAIT_CLASS, nullptr)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == processId)
            out.push_back(w);
    }
    return out;
}

HWND waitWaitingWindow(DWORD processId, DWORD timeoutMs) {
    std::vector<HWND> found;
    return waitFor([&] { return !(found = waitingWindows(processId)).empty(); }, timeoutMs, 20) ? found[0]
                                                                                                : nullptr;
}

} // namespace

TEST_F(Startup, ProductWithoutASensorSaysSoAndLeavesNothing) {
    WindowCreationWatch watch;
    ChildProgram child;
    ASSERT_TRUE(startProgram("Velmora.exe", &child)) << GetLastError();
    expectNoSensorBox(&child, watch);
}

TEST_F(Startup, SimulatedBuildWithoutAMatchingSensorSaysSo) {
    SimSensorConfig other;
    other.productId = 0x0301;
    SimSensorConfig refusing;
    refusing.refuseOpen = true;
    startBoard({other, refusing});
    WindowCreationWatch watch;
    ChildProgram child;
    ASSERT_TRUE(startProgram("VelmoraSim.exe", &child)) << GetLastError();
    expectNoSensorBox(&child, watch);
    EXPECT_EQ(0, simboardCountCommands(board, -1, SIM_CMD_OTHER)) << "nothing is written to any sensor";
}

TEST_F(Startup, FirstRunWithASensorStopComesFirstTheKeyIsMadeAndTheMainWindowIsHidden) {
    startBoard();
    ChildProgram child;
    HWND main = startRunning(&child);
    ASSERT_NE(nullptr, main);

    ASSERT_GE(simboardWaitCommand(board, 0, SIM_CMD_STOP, 2000), 0);
    const std::vector<SimEvent> commands = simboardCommands(board);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(STOP_BYTES, hex(commands[0].bytes)) << "the first command the board receives";
    const int commandConnection = commands[0].connection;

    EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, TOLVEX_KEY));
    EXPECT_EQ("Velmora", windowText(main));
    EXPECT_FALSE(IsWindowVisible(main));
    RECT r;
    ASSERT_TRUE(GetWindowRect(main, &r));
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(0, r.right - r.left);
    EXPECT_EQ(0, r.bottom - r.top);
    EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_LAYERED);
    const LONG style = GetWindowLongA(main, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU),
              style & (WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_CAPTION | WS_VISIBLE));
    const size_t before = simboardLogSize(board);
    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    ASSERT_TRUE(waitProgramExit(&child, EXIT_TIMEOUT_MS, &code, true));
    EXPECT_EQ(0u, code);
    // The board's threads log what the program wrote a moment after it was written.
    const bool stopAgain = waitFor(
        [&] {
            for (const SimEvent& e : eventsOf(simboardLog(board), SIM_COMMAND, before))
                if (e.command == SIM_CMD_STOP && e.connection == commandConnection &&
                    hex(e.bytes) == STOP_BYTES)
                    return true;
            return false;
        },
        100);
    EXPECT_TRUE(stopAgain) << "Stop over the first handle at shut-down";
    EXPECT_TRUE(registryKeyExists(HKEY_CURRENT_USER, TOLVEX_KEY));
}

TEST_F(Startup, NothingButTheTrayIconIsVisibleAtStart) {
    // "Save" 0: the palette is not shown at start either; with a calibration stored, no crosses.
    ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "0"));
    startBoard();
    storeBoardCalibration(board);
    ChildProgram child;
    HWND main = startRunning(&child);
    ASSERT_NE(nullptr, main);
    flushEvents(300);
    flushEvents(300);
    for (HWND w : topLevelWindows(nullptr, child.processId))
        if (IsWindowVisible(w)) {
            RECT wr;
            GetWindowRect(w, &wr);
            ADD_FAILURE() << "a visible \"" << windowClassName(w) << "\" window at start, at (" << wr.left
                          << ", " << wr.top << ") to (" << wr.right << ", " << wr.bottom << "); screenshot "
                          << (saveScreenshot("startup_visible.bmp") ? "startup_visible.bmp" : "failed");
        }

    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    ASSERT_TRUE(waitProgramExit(&child, EXIT_TIMEOUT_MS, &code, true));
    EXPECT_EQ(0u, code);
}

TEST_F(Startup, ASecondInstanceEndsAtOnceAndTouchesNothing) {
    ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "0"));
    startBoard();
    ChildProgram first;
    HWND main = startRunning(&first);
    ASSERT_NE(nullptr, main);
    ASSERT_GE(simboardWaitCommand(board, 0, SIM_CMD_STOP, 2000), 0);
    flushEvents(300);

    const size_t before = simboardLogSize(board);
    WindowCreationWatch watch;
    ChildProgram second;
    ASSERT_TRUE(startProgram("VelmoraSim.exe", &second));
    DWORD code = 1234;
    ASSERT_TRUE(waitProgramExit(&second, EXIT_TIMEOUT_MS, &code, true));
    EXPECT_EQ(0u, code);
    flushEvents(200);
    EXPECT_TRUE(eventsOf(simboardLog(board), SIM_CONNECT, before).empty())
        << "the second instance opened a sensor";
    for (const char* name : WINDOW_CLASS_NAMES)
        EXPECT_FALSE(watch.sawClass(name, second.processId))
            << "the second instance created a \"" << name << "\"";
    EXPECT_EQ(nullptr, findTopLevelWindow("#32770", second.processId)) << "the second instance showed a box";
    EXPECT_TRUE(programRunning(&first));
    EXPECT_EQ(1u, topLevelWindows("Velmora").size());

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitProgramExit(&first, EXIT_TIMEOUT_MS, &code, true));
    EXPECT_EQ(0u, code);
}

// Another account's first start: an empty key and a board. Without a calibration the board would
// ignore every touch, so the crosses come at once; Esc skips them, and the tray's balloon says
// where to find the calibration later.
TEST_F(Startup, WithoutACalibrationTheCrossesComeAtOnceAndEscSaysWhereToCalibrate) {
    startBoard();
    ChildProgram child;
    HWND main = startRunning(&child);
    ASSERT_NE(nullptr, main);
    POINT targets[4];
    crossTargets(targets);
    POINT cross = {-1000, -1000};
    ASSERT_TRUE(waitCrossMoved(cross, 5000, &cross))
        << "no cross at the start; screenshot "
        << (saveScreenshot("startup_no_cross.bmp") ? "saved" : "failed");
    EXPECT_LE(pixelDistance(cross, targets[0].x, targets[0].y), 1.0) << cross.x << "," << cross.y;
    EXPECT_GE(simboardWaitCommand(board, 0, SIM_CMD_RUN, 2000), 0) << "Run was not sent";

    PostMessageA(findTopLevelWindow("qv_dingwei", child.processId), WM_CHAR, 27, 0);
    EXPECT_TRUE(waitNoCross(5000)) << "Esc did not skip the calibration";
    EXPECT_EQ(shownTrayBalloon(child.processId, 8000), L"Calibre la pizarra desde el icono de Velmora");

    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 1234;
    ASSERT_TRUE(waitProgramExit(&child, EXIT_TIMEOUT_MS, &code, true));
    EXPECT_EQ(0u, code);
}

// Two copies started with "/inicio" before the board is plugged in: neither shows anything nor
// takes the mutex, and a start by hand in between (its box, then its end) ends neither; the board
// comes, the first copy hears of it by a device change and carries on (Stop first, the tray icon,
// a calibration, touches); the second, at its next timed look, finds the first running and ends
// with 0.
TEST_F(Startup, AtLogonWithoutABoardTwoCopiesWaitUnseenAndOneCarriesOnWhenTheBoardComes) {
    WindowCreationWatch watch;
    TouchSession first;
    ChildProgram second;
    auto expectUnseen = [&](const ChildProgram& copy, const char* which) {
        EXPECT_TRUE(programRunning(&copy)) << which;
        for (HWND w : topLevelWindows(nullptr, copy.processId))
            EXPECT_FALSE(IsWindowVisible(w)) << which << ": a visible \"" << windowClassName(w) << "\"";
        for (const char* name : WINDOW_CLASS_NAMES)
            EXPECT_FALSE(watch.sawClass(name, copy.processId)) << which << ": a \"" << name << "\"";
    };

    ASSERT_TRUE(startProgram("VelmoraSim.exe", &first.program, "/inicio")) << GetLastError();
    const HWND waiting = waitWaitingWindow(first.program.processId, START_TIMEOUT_MS);
    ASSERT_NE(nullptr, waiting) << "no waiting window; the copy "
                                << (programRunning(&first.program) ? "runs" : "ended")
                                << ", \"Velmora\" windows: " << topLevelWindows("Velmora").size();
    const DWORD firstWaits = GetTickCount(); // its timed looks come STARTUP_WAIT_RETRY_MS apart from here
    EXPECT_EQ(nullptr, waitMessageBox(first.program.processId, 1500, true)) << "a box at log-on";
    expectUnseen(first.program, "first copy");
    EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, TOLVEX_KEY));

    // A teacher starts Velmora by hand meanwhile: without the board it says so and ends. While
    // its box is up it holds the mutex, and the waiting copy hears of a device change: it waits on.
    ChildProgram byHand;
    ASSERT_TRUE(startProgram("VelmoraSim.exe", &byHand)) << GetLastError();
    ASSERT_NE(nullptr, waitMessageBox(byHand.processId, START_TIMEOUT_MS, true))
        << "no box for the hand start";
    DWORD_PTR handled = 0;
    SendMessageTimeoutA(waiting, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG, 2000, &handled);
    expectNoSensorBox(&byHand, watch);
    flushEvents(300);
    ASSERT_TRUE(programRunning(&first.program)) << "the start by hand ended the wait";
    EXPECT_EQ(std::vector<HWND>{waiting}, waitingWindows(first.program.processId));

    // The board is to come early in one of the first copy's timed-look periods, so that its device
    // change can be told apart from a timed look below: past the middle of one, the next look goes
    // by first.
    const DWORD intoPeriod = (GetTickCount() - firstWaits) % STARTUP_WAIT_RETRY_MS;
    if (intoPeriod > 1500)
        flushEvents(STARTUP_WAIT_RETRY_MS - intoPeriod + 300);

    // The second copy's first look is at its start, the next one STARTUP_WAIT_RETRY_MS after its
    // window appears: the board comes well inside that gap.
    ASSERT_TRUE(startProgram("VelmoraSim.exe", &second, "/inicio")) << GetLastError();
    ASSERT_NE(nullptr, waitWaitingWindow(second.processId, START_TIMEOUT_MS));
    const DWORD secondWaits = GetTickCount();
    expectUnseen(second, "second copy");
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, SINGLE_INSTANCE_MUTEX);
    EXPECT_EQ(nullptr, mutex) << "a waiting copy holds the mutex";
    if (mutex)
        CloseHandle(mutex);

    // The board comes. The first copy is told as the system tells a window that asked for device
    // interface arrivals.
    ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "0")); // no palette at start
    ASSERT_TRUE(mouseRecorderStart());
    startBoard();
    const DWORD plugged = GetTickCount();
    handled = 0;
    SendMessageTimeoutA(waiting, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, SMTO_ABORTIFHUNG, 2000, &handled);
    EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), handled);

    HWND main = waitTopLevelWindow("Velmora", 0, START_TIMEOUT_MS, true);
    ASSERT_NE(nullptr, main) << "no copy carried on";
    const DWORD carriedOn = GetTickCount();
    std::printf("[ figures  ] a copy carried on %lu ms after the device change\n",
                static_cast<unsigned long>(carriedOn - plugged));
    // Whether the device change itself ended the wait (not the first copy's next timed look) is
    // told apart only when the change came well before that look.
    const DWORD toNextLook = STARTUP_WAIT_RETRY_MS - (plugged - firstWaits) % STARTUP_WAIT_RETRY_MS;
    if (toNextLook > 1500)
        EXPECT_LT(carriedOn - plugged, toNextLook - 500)
            << "the first copy carried on only at its timed look";
    else
        std::printf("[ note     ] the board came %lu ms before a timed look: too close to tell the device "
                    "change apart\n",
                    static_cast<unsigned long>(toNextLook));
    DWORD owner = 0;
    GetWindowThreadProcessId(main, &owner);
    ASSERT_EQ(first.program.processId, owner)
        << "the second copy carried on (" << (plugged - secondWaits) << " ms after it began to wait)";
    DWORD code = 1234;
    EXPECT_TRUE(waitProgramExit(&second, STARTUP_WAIT_RETRY_MS + EXIT_TIMEOUT_MS, &code, true))
        << "the second copy still waits";
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(watch.sawClass("#32770", second.processId)) << "the second copy showed a box";
    EXPECT_EQ(1u, topLevelWindows("Velmora").size());

    first.mainWindow = main;
    first.board = board;
    board = nullptr; // the session stops it
    ASSERT_TRUE(waitProgramIdle(&first.program, START_TIMEOUT_MS));
    ASSERT_GE(simboardWaitCommand(first.board, 0, SIM_CMD_STOP, 2000), 0);
    const std::vector<SimEvent> commands = simboardCommands(first.board);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(STOP_BYTES, hex(commands[0].bytes)) << "the first command the board receives";
    flushEvents(300);
    EXPECT_TRUE(trayIconPresent(main)) << "no tray icon";

    std::string failure;
    ASSERT_TRUE(calibrateByTapping(&first, &failure)) << failure;
    mouseRecorderClear();
    const double x = GetSystemMetrics(SM_CXSCREEN) / 2.0, y = GetSystemMetrics(SM_CYSCREEN) / 2.0;
    simboardTap(first.board, 0, x, y, 120, SIM_SCREEN, true, 60);
    ASSERT_TRUE(waitButtons(2, 2000)) << "no click after the calibration";
    const std::vector<MouseRecord> b = mouseRecorderButtons();
    EXPECT_EQ(static_cast<UINT>(WM_LBUTTONDOWN), b[0].message);
    EXPECT_LE(pixelDistance(b[0].point, x, y), 2.0) << b[0].point.x << "," << b[0].point.y;
    mouseRecorderStop();

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitProgramExit(&first.program, EXIT_TIMEOUT_MS, &code, true));
    EXPECT_EQ(0u, code);
}
