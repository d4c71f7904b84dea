// The simulated board: starting and stopping it, its sensors plugged in and out, their replies.
#include "tools/simboard/simboard_internal.h"

#include <dbt.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT BROADCAST_TIMEOUT_MS = 300;

struct BroadcastList {
    std::vector<HWND> windows;
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM parameter) {
    reinterpret_cast<BroadcastList*>(parameter)->windows.push_back(hwnd);
    return TRUE;
}

} // namespace

namespace simboard_internal {

bool waitPumping(DWORD ms, bool pump) {
    if (!pump) {
        Sleep(ms);
        return true;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

bool validSensor(const SimBoard* board, int sensor) {
    return board && sensor >= 0 && size_t(sensor) < board->sensors.size();
}

} // namespace simboard_internal

using namespace simboard_internal;

SimBoard* simboardStart(const SimBoardConfig& config) {
    auto board = std::make_unique<SimBoard>();
    board->config = config;
    board->geometry = config.geometry;
    if (board->geometry.screenWidth <= 0 || board->geometry.screenHeight <= 0) {
        board->geometry.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        board->geometry.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    }
    board->mapping = simMappingFrom(board->geometry);
    board->random = config.jitterSeed ? config.jitterSeed : 1;
    InitializeCriticalSection(&board->lock);
    board->sensors.resize(config.sensors.size());
    static LONG boards = 0; // a second board in one process gets its own names
    LONG serial = InterlockedIncrement(&boards);
    for (size_t i = 0; i < config.sensors.size(); ++i) {
        char path[128];
        snprintf(path, sizeof path, "\\\\.\\pipe\\VelmoraSimBoard-%lu-%ld-%zu#VID_%04X&PID_%04X",
                 GetCurrentProcessId(), serial, i, config.sensors[i].vendorId, config.sensors[i].productId);
        board->sensors[i].config = config.sensors[i];
        board->sensors[i].pipePath = path;
    }
    for (size_t i = 0; i < board->sensors.size(); ++i) {
        if (!plugIn(board.get(), int(i))) {
            DWORD error = GetLastError();
            for (size_t j = 0; j < i; ++j)
                pullOut(board.get(), int(j));
            DeleteCriticalSection(&board->lock);
            SetLastError(error);
            return nullptr;
        }
    }
    writeDeviceList(board.get());
    return board.release();
}

void simboardStop(SimBoard* board) {
    if (!board)
        return;
    removeDeviceList();
    for (size_t i = 0; i < board->sensors.size(); ++i)
        pullOut(board, int(i));
    DeleteCriticalSection(&board->lock);
    delete board;
}

int simboardSensorCount(const SimBoard* board) {
    return board ? int(board->sensors.size()) : 0;
}

std::string simboardPipePath(const SimBoard* board, int sensor) {
    return validSensor(board, sensor) ? board->sensors[size_t(sensor)].pipePath : std::string();
}

const SimMapping& simboardMapping(const SimBoard* board) {
    return board->mapping;
}
const SimGeometry& simboardGeometry(const SimBoard* board) {
    return board->geometry;
}

void simboardSetReplies(SimBoard* board, int sensor, const SimReplyMode& mode) {
    if (!validSensor(board, sensor))
        return;
    Locked locked(board);
    board->sensors[size_t(sensor)].replies = mode;
}

SimReplyMode simboardReplies(const SimBoard* board, int sensor) {
    if (!validSensor(board, sensor))
        return SimReplyMode{};
    Locked locked(board);
    return board->sensors[size_t(sensor)].replies;
}

void simboardUnplug(SimBoard* board, int sensor, bool announce) {
    if (!board)
        return;
    std::vector<int> pulled;
    for (size_t i = 0; i < board->sensors.size(); ++i) {
        if ((sensor < 0 || size_t(sensor) == i) && board->sensors[i].plugged)
            pulled.push_back(int(i));
        if (sensor < 0 || size_t(sensor) == i)
            pullOut(board, int(i));
    }
    writeDeviceList(board);
    if (!announce)
        return;
    for (int i : pulled)
        announceInterface(board, i, false);
    if (board->config.broadcastDeviceChange)
        simboardBroadcastDeviceChange();
}

void simboardReplug(SimBoard* board, int sensor, SimAnnounce announce) {
    if (!board)
        return;
    std::vector<int> plugged;
    for (size_t i = 0; i < board->sensors.size(); ++i) {
        if ((sensor < 0 || size_t(sensor) == i) && !board->sensors[i].plugged) {
            reapConnections(board, int(i));
            if (plugIn(board, int(i)))
                plugged.push_back(int(i));
        }
    }
    writeDeviceList(board);
    for (int i : plugged)
        announceInterface(board, i, true);
    if (announce == SIM_ANNOUNCE_ALL && board->config.broadcastDeviceChange)
        simboardBroadcastDeviceChange();
}

void simboardSendReport(SimBoard* board, int sensor, const uint8_t* bytes, size_t length) {
    if (!validSensor(board, sensor) || !bytes)
        return;
    // An input report: the bytes given (at most ten), then zeros to the report's length.
    uint8_t report[MESSAGE_MAX] = {};
    std::memcpy(report, bytes, length < 10 ? length : 10);
    const DWORD reportLength = board->sensors[size_t(sensor)].config.inputReportLength;
    deliverCopies(board, sensor, nullptr, report, reportLength < MESSAGE_MAX ? reportLength : MESSAGE_MAX);
}

bool simboardPlugged(const SimBoard* board, int sensor) {
    if (!validSensor(board, sensor))
        return false;
    Locked locked(board);
    return board->sensors[size_t(sensor)].plugged;
}

void simboardBroadcastDeviceChange() {
    BroadcastList list;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&list));
    DWORD self = GetCurrentThreadId();
    for (HWND hwnd : list.windows) {
        if (GetWindowThreadProcessId(hwnd, nullptr) == self) {
            PostMessageA(hwnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        } else {
            DWORD_PTR result = 0;
            SendMessageTimeoutA(hwnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0,
                                SMTO_ABORTIFHUNG | SMTO_NORMAL, BROADCAST_TIMEOUT_MS, &result);
        }
    }
}
