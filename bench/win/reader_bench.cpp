// The reader thread against a simulated board that answers at once: its polling rate in mapping mode
// beside the bare exchange rate on the same sensor, the time from the board's reply carrying a
// moved point to the injected move seen by a low-level mouse hook, during a drag, and the time from
// a finger coming down on a board left to rest to the first thing the reader injects (the cursor
// put under the finger), against the same touches on a board kept awake.
//
// The rested touches rest only 300 ms: setSensorRestAfterMs shortens the 5 s without a touch after
// which the reader slows down to 300 ms here, so that 50 touches take a minute and not five; a
// shorter series with the real 5 s shows the same. The awake series switches the rest off
// (REST_NEVER): the reader as it was before it rested.
//
// Run: scripts/wine-exec.sh build/<tree>/bin/reader_bench.exe
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "calibration/core/transform.h"
#include "sensor/sensor_link.h"
#include "tests/support/reader_board.h"
#include "tools/simboard/simboard.h"
#include "touch/core/rest_pace.h"
#include "touch/sensor_reader.h"

namespace {

std::mutex movesLock;
std::vector<double> moveTimes; // board clock (ms) at which the hook saw each injected move
std::atomic<bool> recording{false};

LRESULT CALLBACK onMouse(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == WM_MOUSEMOVE && recording) {
        const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        if (info->flags & LLMHF_INJECTED) {
            std::lock_guard<std::mutex> hold(movesLock);
            moveTimes.push_back(simboardNowMs());
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HANDLE hookReady = nullptr;
DWORD WINAPI hookThread(LPVOID) {
    HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, onMouse, GetModuleHandleA(nullptr), 0);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(hookReady);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5));
    return v[i];
}

int countKind(const std::vector<SimEvent>& log, SimEventKind kind, int command, double from, double to) {
    int n = 0;
    for (const SimEvent& e : log)
        if (e.kind == kind && (command < 0 || e.command == command) && e.timeMs >= from && e.timeMs < to)
            ++n;
    return n;
}

// The first touch after a rest, as often as asked.
struct RestedTouches {
    std::vector<double> toCursor; // finger down -> the cursor under the finger (board clock, ms)
    std::vector<double> toGet;    // finger down -> the first Get the board answered with the point
    int missed = 0;               // touches whose cursor never moved within a second
};

// Each touch comes down after restMs without a touch (plus up to 25 ms more, so that the downs
// fall on every phase of the reader's round), stays 50 ms and lifts. The cursor is put out of the
// way before each, and its arrival under the finger is the reader's SetCursorPos, polled every
// millisecond.
RestedTouches touchesAfterRest(SimBoard* board, int count, DWORD restMs) {
    RestedTouches out;
    for (int i = 0; i < count; ++i) {
        const int x = screenWidth / 2 - 100 + (i % 10) * 20, y = screenHeight / 2;
        SetCursorPos(5, 5);
        Sleep(restMs + DWORD(std::rand() % 25));
        const size_t mark = simboardLogSize(board);
        const double down = simboardNowMs();
        simboardFingerDown(board, 0, x, y);
        POINT at = {5, 5};
        double arrived = 0;
        while (simboardNowMs() - down < 1000) {
            if (GetCursorPos(&at) && std::abs(at.x - x) <= 3 && std::abs(at.y - y) <= 3) {
                arrived = simboardNowMs();
                break;
            }
            Sleep(1);
        }
        if (arrived > 0)
            out.toCursor.push_back(arrived - down);
        else
            ++out.missed;
        const std::vector<SimEvent> log = simboardLog(board);
        for (size_t e = mark; e < log.size(); ++e)
            if (log[e].kind == SIM_COMMAND && log[e].command == SIM_CMD_GET && log[e].timeMs >= down) {
                out.toGet.push_back(log[e].timeMs - down);
                break;
            }
        Sleep(50);
        simboardFingerLift(board, 0);
        Sleep(250); // the lift is seen and the click released: the rest begins
    }
    return out;
}

void printRestedTouches(const char* name, const RestedTouches& t) {
    std::printf("    %-34s %2zu touches: to the cursor median %5.1f ms, max %5.1f ms; "
                "to the first Get median %5.1f ms, max %5.1f ms%s\n",
                name, t.toCursor.size(), percentile(t.toCursor, 0.5), percentile(t.toCursor, 1.0),
                percentile(t.toGet, 0.5), percentile(t.toGet, 1.0), t.missed ? " (some never arrived)" : "");
}

} // namespace

// User and kernel time of a thread so far, in milliseconds.
double threadCpuMs(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user))
        return 0;
    auto ms = [](const FILETIME& t) {
        return ((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

int main() {
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    settings.smoothingPeriod = 1;
    SimBoardConfig config;
    config.geometry.scaleX = 0.9;
    config.geometry.scaleY = 0.88;
    config.geometry.rotationDeg = 2;
    config.geometry.keystoneX = 0.05;
    SimBoard* board = simboardStart(config);
    if (!board) {
        std::printf("the simulated board did not start\n");
        return 1;
    }
    sensorHandle = findSensor();
    const ScreenTargets screen = boardScreen(screenWidth, screenHeight);
    publishScreenTargets(screen);
    if (!sensorHandle.load() || !installBoardCalibration(board, screen)) {
        std::printf("no sensor or no calibration\n");
        return 1;
    }

    // (1) The bare exchange rate on the reader's handle, no reader running. Polling back to back
    // is also what an idle reader did before its rounds were paced: its CPU is the figure to
    // compare the idle reader's with.
    SensorReport get = {}, reply = {};
    buildSensorCommand(get, SENSOR_GET);
    const double bareStart = simboardNowMs();
    const double bareCpuStart = threadCpuMs(GetCurrentThread());
    int bare = 0;
    while (simboardNowMs() - bareStart < 2000) {
        exchangeReport(sensorHandle, get, reply);
        ++bare;
    }
    const double bareElapsed = simboardNowMs() - bareStart;
    const double bareRate = bare * 1000.0 / bareElapsed;
    const double bareCpu = 100.0 * (threadCpuMs(GetCurrentThread()) - bareCpuStart) / bareElapsed;

    hookReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD hookId = 0;
    HANDLE hook = CreateThread(nullptr, 0, hookThread, nullptr, 0, &hookId);
    WaitForSingleObject(hookReady, 5000);

    simboardClearLog(board);
    HANDLE reader = CreateThread(nullptr, 0, sensorReaderProc, nullptr, 0, nullptr);
    Sleep(300);

    // (2) Polling rate in mapping mode, finger lifted and finger resting (a touch held still).
    double t0 = simboardNowMs();
    const double idleCpuStart = threadCpuMs(reader);
    Sleep(2000);
    double t1 = simboardNowMs();
    const double idleCpu = 100.0 * (threadCpuMs(reader) - idleCpuStart) / (t1 - t0);
    simboardFingerDown(board, 0, screenWidth / 2.0, screenHeight / 2.0);
    Sleep(300);
    double t2 = simboardNowMs();
    Sleep(2000);
    double t3 = simboardNowMs();
    std::vector<SimEvent> log = simboardLog(board);
    const double liftedRate = countKind(log, SIM_COMMAND, SIM_CMD_GET, t0, t1) * 1000.0 / (t1 - t0);
    const double touchedRate = countKind(log, SIM_COMMAND, SIM_CMD_GET, t2, t3) * 1000.0 / (t3 - t2);
    simboardFingerLift(board, 0);
    Sleep(300);

    // (3) Latency during a drag: each reply whose point differs from the reply before, to the first
    // injected move the hook sees after it.
    simboardClearLog(board);
    recording = true;
    SimPath drag;
    simDown(drag, 150, 150);
    simMove(drag, screenWidth - 150.0, screenHeight - 150.0, 4000);
    simLift(drag);
    simboardPlay(board, 0, drag);
    simboardWaitFinger(board, 0, 10000);
    Sleep(200);
    recording = false;
    log = simboardLog(board);
    std::vector<double> moves;
    {
        std::lock_guard<std::mutex> hold(movesLock);
        moves = moveTimes;
    }
    std::vector<double> latencies;
    // Only once the drag has begun (the first injected move) does every moved point give a move.
    const double dragBegan = moves.empty() ? 1e300 : moves[0];
    int lastX = -1, lastY = -1;
    size_t m = 0;
    for (const SimEvent& e : log) {
        if (e.kind != SIM_REPLY || e.bytes.size() < 6)
            continue;
        const int x = e.bytes[3] + 256 * ((e.bytes[5] >> 4) & 3);
        const int y = e.bytes[4] + 256 * ((e.bytes[5] >> 6) & 3);
        const bool moved = x != 0 && y != 0 && (x != lastX || y != lastY);
        lastX = x;
        lastY = y;
        if (!moved || e.timeMs <= dragBegan)
            continue;
        while (m < moves.size() && moves[m] < e.timeMs)
            ++m;
        if (m < moves.size())
            latencies.push_back(moves[m] - e.timeMs);
    }

    std::printf("reader_bench at %d x %d, simulated board answering at once\n", screenWidth.load(),
                screenHeight.load());
    std::printf("  bare exchangeReport rate            %8.0f exchanges/s\n", bareRate);
    std::printf("  reader polling, finger lifted       %8.0f reports/s (%.0f%% of bare)\n", liftedRate,
                100.0 * liftedRate / bareRate);
    std::printf(
        "  thread CPU: polling back to back %.1f %% of a core, reader with the finger lifted %.1f %%\n",
        bareCpu, idleCpu);
    std::printf("  reader polling, finger resting      %8.0f reports/s (%.0f%% of bare)\n", touchedRate,
                100.0 * touchedRate / bareRate);
    std::printf("  reply with a moved point -> injected move seen by the hook, during a drag:\n");
    std::printf("    samples %zu, median %.3f ms, p99 %.3f ms, max %.3f ms\n", latencies.size(),
                percentile(latencies, 0.5), percentile(latencies, 0.99), percentile(latencies, 1.0));

    // (4) The first touch after a rest: awake (the rest switched off), rested after 300 ms without a
    // touch, and rested after the real 5 s.
    simboardClearLog(board);
    setSensorRestAfterMs(REST_NEVER);
    const RestedTouches awake = touchesAfterRest(board, 50, 600);
    setSensorRestAfterMs(300);
    const RestedTouches rested = touchesAfterRest(board, 50, 600);
    setSensorRestAfterMs(REST_AFTER_MS);
    const RestedTouches restedLong = touchesAfterRest(board, 8, REST_AFTER_MS + 500);
    std::printf("  finger down -> the first injected event (the cursor put under the finger):\n");
    printRestedTouches("awake (rest switched off)", awake);
    printRestedTouches("rested (300 ms without a touch)", rested);
    printRestedTouches("rested (5.5 s without a touch)", restedLong);

    stopSensorReader(reader, 1000);
    PostThreadMessageA(hookId, WM_QUIT, 0, 0);
    WaitForSingleObject(hook, 1000);
    simboardStop(board);
    return 0;
}
