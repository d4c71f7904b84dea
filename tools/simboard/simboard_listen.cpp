// The simulated board listening on a sensor's pipe: plugging in, pulling out, and a thread per client.
#include "tools/simboard/simboard_internal.h"

namespace simboard_internal {

constexpr int LISTEN_POOL = 4;      // idle instances kept waiting, so quick successive opens connect
constexpr DWORD PIPE_BUFFER = 4096; // room for many queued replies

struct ListenerStart {
    SimBoard* board;
    int sensor;
    HANDLE endEvent;
    HANDLE first[LISTEN_POOL];
};

// A sensor that refuses the read/write open is served outbound only: an open that asks for
// GENERIC_WRITE is denied (ERROR_ACCESS_DENIED), an attribute query open with access 0 succeeds.
HANDLE createInstance(const SimSensor& s) {
    DWORD openMode = (s.config.refuseOpen ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_DUPLEX) | FILE_FLAG_OVERLAPPED;
    return CreateNamedPipeA(s.pipePath.c_str(), openMode,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                            PIPE_BUFFER, PIPE_BUFFER, 0, nullptr);
}

void startConnection(SimBoard* board, int sensor, HANDLE endEvent, HANDLE pipe) {
    reapConnections(board, sensor);
    auto c = std::make_unique<SimConnection>();
    c->board = board;
    c->sensor = sensor;
    c->pipe = pipe;
    c->endEvent = endEvent;
    SimConnection* raw = c.get();
    {
        // The id and the connect event together, so the log lists connections in id order.
        Locked locked(board);
        raw->id = board->nextConnection++;
        board->sensors[size_t(sensor)].connections.push_back(std::move(c));
        addEvent(board, sensor, raw->id, SIM_CONNECT, nullptr, 0);
    }
    raw->thread = CreateThread(nullptr, 0, connectionThread, raw, 0, nullptr);
}

// Keeps LISTEN_POOL instances waiting for clients and hands each connected one to its own thread.
DWORD WINAPI listenerThread(void* parameter) {
    std::unique_ptr<ListenerStart> start(static_cast<ListenerStart*>(parameter));
    SimBoard* board = start->board;
    HANDLE pipes[LISTEN_POOL];
    OVERLAPPED ovs[LISTEN_POOL];
    HANDLE waits[LISTEN_POOL + 1];
    bool early[LISTEN_POOL] = {};
    waits[0] = start->endEvent;
    // Starts waiting on slot i; true when a client is already there.
    auto listen = [&](int i) {
        ovs[i] = OVERLAPPED{};
        ovs[i].hEvent = waits[i + 1];
        ResetEvent(ovs[i].hEvent);
        if (!pipes[i])
            return false;
        early[i] = false;
        if (ConnectNamedPipe(pipes[i], &ovs[i]))
            return true; // the event is set
        DWORD e = GetLastError();
        if (e == ERROR_PIPE_CONNECTED || e == ERROR_NO_DATA) {
            early[i] = true; // connected before the wait began: no transfer to ask about
            SetEvent(ovs[i].hEvent);
            return true;
        }
        return false;
    };
    for (int i = 0; i < LISTEN_POOL; ++i) {
        pipes[i] = start->first[i] != INVALID_HANDLE_VALUE ? start->first[i] : nullptr;
        waits[i + 1] = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        listen(i);
    }
    for (;;) {
        DWORD w = WaitForMultipleObjects(LISTEN_POOL + 1, waits, FALSE, INFINITE);
        if (w == WAIT_OBJECT_0 || w == WAIT_FAILED || w > WAIT_OBJECT_0 + LISTEN_POOL)
            break;
        int i = int(w - WAIT_OBJECT_0 - 1);
        DWORD ignored;
        bool connected = pipes[i] && (early[i] || GetOverlappedResult(pipes[i], &ovs[i], &ignored, FALSE) ||
                                      GetLastError() == ERROR_NO_DATA);
        if (connected) {
            startConnection(board, start->sensor, start->endEvent, pipes[i]);
        } else if (pipes[i]) {
            CloseHandle(pipes[i]);
        }
        pipes[i] = nullptr;
        {
            Locked locked(board);
            HANDLE h = createInstance(board->sensors[size_t(start->sensor)]);
            pipes[i] = h != INVALID_HANDLE_VALUE ? h : nullptr;
        }
        if (!pipes[i])
            Sleep(1); // out of instances for a moment: the slot stays idle until the next turn
        listen(i);
    }
    for (int i = 0; i < LISTEN_POOL; ++i) {
        if (pipes[i] && !early[i]) {
            CancelIo(pipes[i]);
            DWORD ignored;
            GetOverlappedResult(pipes[i], &ovs[i], &ignored, TRUE);
        }
        if (pipes[i])
            CloseHandle(pipes[i]);
        CloseHandle(waits[i + 1]);
    }
    return 0;
}

// Opens the sensor's pipe (its first instances exist when this returns, so the device can be
// opened at once) and starts listening.
bool plugIn(SimBoard* board, int sensor) {
    SimSensor& s = board->sensors[size_t(sensor)];
    auto start = std::make_unique<ListenerStart>();
    start->board = board;
    start->sensor = sensor;
    for (int i = 0; i < LISTEN_POOL; ++i) {
        start->first[i] = createInstance(s);
        if (start->first[i] == INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();
            for (int j = 0; j < i; ++j)
                CloseHandle(start->first[j]);
            SetLastError(error);
            return false;
        }
    }
    s.endEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    start->endEvent = s.endEvent;
    s.listener = CreateThread(nullptr, 0, listenerThread, start.release(), 0, nullptr);
    Locked locked(board);
    s.plugged = true;
    return true;
}

// Ends the listener and every connection of the sensor; afterwards the pipe name is gone.
void pullOut(SimBoard* board, int sensor) {
    SimSensor& s = board->sensors[size_t(sensor)];
    if (!s.plugged)
        return;
    {
        Locked locked(board);
        s.plugged = false;
    }
    SetEvent(s.endEvent);
    WaitForSingleObject(s.listener, INFINITE);
    CloseHandle(s.listener);
    s.listener = nullptr;
    std::vector<std::unique_ptr<SimConnection>> connections;
    {
        Locked locked(board);
        connections.swap(s.connections);
    }
    for (auto& c : connections) {
        if (c->thread) {
            WaitForSingleObject(c->thread, INFINITE);
            CloseHandle(c->thread);
        }
    }
    CloseHandle(s.endEvent);
    s.endEvent = nullptr;
}

// Connections whose client has gone: their threads have ended; free them so a long run does not
// gather thousands of finished records.
void reapConnections(SimBoard* board, int sensor) {
    std::vector<std::unique_ptr<SimConnection>> finished;
    {
        Locked locked(board);
        auto& list = board->sensors[size_t(sensor)].connections;
        for (size_t i = 0; i < list.size();) {
            if (list[i]->thread && WaitForSingleObject(list[i]->thread, 0) == WAIT_OBJECT_0) {
                finished.push_back(std::move(list[i]));
                list.erase(list.begin() + long(i));
            } else {
                ++i;
            }
        }
    }
    for (auto& c : finished)
        CloseHandle(c->thread);
}

} // namespace simboard_internal
