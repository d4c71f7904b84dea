// The simulated board: named-pipe sensors, their device list, the finger and the log.
#include "tools/simboard/simboard.h"

#include <dbt.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>

namespace {

constexpr int LISTEN_POOL = 4;      // idle instances kept waiting, so quick successive opens connect
constexpr DWORD MESSAGE_MAX = 64;   // longest command message the board keeps
constexpr DWORD PIPE_BUFFER = 4096; // room for many queued replies
constexpr UINT BROADCAST_TIMEOUT_MS = 300;
constexpr size_t FANOUT_PENDING_MAX = 32; // copies waiting for room in a pipe nobody reads

struct SimSegment {
    double t0, t1; // ms from the path's start
    bool down;
    double x0, y0, x1, y1;
};

struct SimFinger {
    SimUnits units = SIM_SCREEN;
    double start = 0; // board ms when the path began
    double end = 0;   // board ms when it is played out
    std::vector<SimSegment> segments;
    bool restDown = false; // where the finger is before the first segment
    double restX = 0, restY = 0;
};

// A reply copied into another connection's pipe (fan-out), with its own record: the write may stay
// pending until that connection's client reads.
struct FanoutCopy {
    OVERLAPPED ov{};
    uint8_t bytes[MESSAGE_MAX];
};

struct SimConnection {
    SimBoard* board;
    int sensor;
    int id;
    HANDLE pipe;
    HANDLE endEvent; // the plug period's event, owned by the sensor
    HANDLE thread;
    int commands = 0;     // received so far; numbers the tags (connection thread only)
    bool closing = false; // no more copies may be written (under the board's lock)
    std::vector<std::unique_ptr<FanoutCopy>> copies; // pending copies (under the board's lock)
};

struct SimSensor {
    SimSensorConfig config;
    std::string pipePath;
    SimReplyMode replies;
    bool plugged = false;
    HANDLE endEvent = nullptr; // manual reset: set to end this plug period
    HANDLE listener = nullptr;
    std::vector<std::unique_ptr<SimConnection>> connections;
    SimFinger finger;
};

struct ListenerStart {
    SimBoard* board;
    int sensor;
    HANDLE endEvent;
    HANDLE first[LISTEN_POOL];
};

} // namespace

struct SimBoard {
    SimBoardConfig config;
    SimGeometry geometry;
    SimMapping mapping;
    CRITICAL_SECTION lock;
    std::vector<SimSensor> sensors; // sized once at start
    std::vector<SimEvent> log;
    int nextConnection = 1;
    unsigned random = 1;
};

namespace {

struct Locked {
    CRITICAL_SECTION* section;
    explicit Locked(const SimBoard* board) : section(const_cast<CRITICAL_SECTION*>(&board->lock)) {
        EnterCriticalSection(section);
    }
    ~Locked() { LeaveCriticalSection(section); }
};

void addEvent(SimBoard* board, int sensor, int connection, SimEventKind kind, const uint8_t* bytes,
              size_t length) {
    SimEvent e;
    e.timeMs = simboardNowMs();
    e.sensor = sensor;
    e.connection = connection;
    e.kind = kind;
    e.command = kind == SIM_COMMAND ? simClassifyCommand(bytes, length) : SIM_CMD_OTHER;
    if (bytes)
        e.bytes.assign(bytes, bytes + length);
    Locked locked(board);
    board->log.push_back(std::move(e));
}

// ---- the device list -------------------------------------------------------------------------

// The list lives under the user's own hive, opened with RegOpenCurrentUser: a test that redirects
// HKEY_CURRENT_USER to a scratch key (RegOverridePredefKey) still shares the list with the program.
void writeDeviceList(const SimBoard* board) {
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &user) != ERROR_SUCCESS)
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(user, SIMBOARD_DEVICES_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        for (;;) { // drop the old list
            char name[64];
            DWORD length = sizeof name;
            if (RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (RegDeleteValueA(key, name) != ERROR_SUCCESS)
                break;
        }
        int index = 0;
        for (const SimSensor& s : board->sensors) {
            if (!s.plugged)
                continue;
            char name[16], data[400];
            snprintf(name, sizeof name, "%d", index++);
            snprintf(data, sizeof data, "%04x %04x %s %s", s.config.vendorId, s.config.productId,
                     s.config.refuseOpen      ? "refuse"
                     : s.config.cancelIgnored ? "nocancel"
                                              : "open",
                     s.pipePath.c_str());
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                           DWORD(strlen(data) + 1));
        }
        RegCloseKey(key);
    }
    RegCloseKey(user);
}

void removeDeviceList() {
    HKEY user = nullptr;
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &user) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(user, SIMBOARD_DEVICES_KEY);
    RegDeleteKeyA(user, "Software\\VelmoraSimBoard"); // only when nothing else is left in it
    RegCloseKey(user);
}

// ---- the finger ------------------------------------------------------------------------------

// Where the finger is at board time now, in the path's units.
bool fingerAt(const SimFinger& f, double now, double* x, double* y) {
    double t = now - f.start;
    const SimSegment* current = nullptr;
    for (const SimSegment& s : f.segments)
        if (s.t0 <= t)
            current = &s;
    if (!current) {
        *x = f.restX;
        *y = f.restY;
        return f.restDown;
    }
    if (t < current->t1 && current->t1 > current->t0) {
        double a = (t - current->t0) / (current->t1 - current->t0);
        *x = current->x0 + (current->x1 - current->x0) * a;
        *y = current->y0 + (current->y1 - current->y0) * a;
    } else {
        *x = current->x1;
        *y = current->y1;
    }
    return current->down;
}

// The finger's point in sensor units (not rounded); false while lifted.
bool fingerSensorPoint(const SimBoard* board, const SimFinger& f, double now, double* sx, double* sy) {
    double x, y;
    if (!fingerAt(f, now, &x, &y))
        return false;
    if (f.units == SIM_SCREEN) {
        simScreenToSensor(board->mapping, x, y, sx, sy);
    } else {
        *sx = x;
        *sy = y;
    }
    return true;
}

// Rounds to whole sensor units; a point off the sensor's 1024 x 768 space is not seen.
bool roundToSensor(double sx, double sy, int* x, int* y) {
    if (!std::isfinite(sx) || !std::isfinite(sy))
        return false;
    long rx = std::lround(sx), ry = std::lround(sy);
    if (rx < 0 || rx > 1023 || ry < 0 || ry > 767)
        return false;
    *x = int(rx);
    *y = int(ry);
    return true;
}

int jitterOffset(SimBoard* board) {
    int j = board->geometry.jitter;
    if (j <= 0)
        return 0;
    board->random = board->random * 1103515245u + 12345u;
    return int((board->random >> 16) % unsigned(2 * j + 1)) - j;
}

// Puts a path on the finger, starting from wherever the finger is now.
void playPath(SimBoard* board, int sensor, const SimPath& path) {
    Locked locked(board);
    SimFinger& f = board->sensors[size_t(sensor)].finger;
    double now = simboardNowMs();
    double sx = 0, sy = 0, x = 0, y = 0;
    bool down = fingerSensorPoint(board, f, now, &sx, &sy);
    if (down) {
        if (path.units == SIM_SCREEN) {
            simSensorToScreen(board->mapping, sx, sy, &x, &y);
        } else {
            x = sx;
            y = sy;
        }
    }
    SimFinger next;
    next.units = path.units;
    next.start = now;
    next.restDown = down;
    next.restX = x;
    next.restY = y;
    double t = 0;
    for (const SimStep& step : path.steps) {
        SimSegment s{t, t, down, x, y, x, y};
        switch (step.kind) {
        case SIM_DOWN:
            down = true;
            x = step.x;
            y = step.y;
            s = SimSegment{t, t, true, x, y, x, y};
            break;
        case SIM_MOVE:
            s = SimSegment{t, t + step.ms, true, x, y, step.x, step.y};
            down = true;
            x = step.x;
            y = step.y;
            t += step.ms;
            break;
        case SIM_HOLD:
            s = SimSegment{t, t + step.ms, down, x, y, x, y};
            t += step.ms;
            break;
        case SIM_LIFT:
            down = false;
            s = SimSegment{t, t, false, x, y, x, y};
            break;
        }
        next.segments.push_back(s);
    }
    next.end = now + t;
    f = std::move(next);
}

// ---- serving one connection ------------------------------------------------------------------

void buildReply(SimBoard* board, int sensor, int command, const SimReplyMode& mode, uint8_t* reply) {
    for (DWORD i = 0; i < MESSAGE_MAX; ++i)
        reply[i] = 0;
    reply[1] = uint8_t(mode.statusByte);
    if (command != SIM_CMD_GET)
        return;
    Locked locked(board);
    double sx, sy;
    int x = 0, y = 0;
    if (fingerSensorPoint(board, board->sensors[size_t(sensor)].finger, simboardNowMs(), &sx, &sy)) {
        sx += jitterOffset(board);
        sy += jitterOffset(board);
        if (!roundToSensor(sx, sy, &x, &y))
            x = y = 0;
    }
    reply[3] = uint8_t(x & 0xFF);
    reply[4] = uint8_t(y & 0xFF);
    reply[5] = uint8_t((((x >> 8) & 3) << 4) | (((y >> 8) & 3) << 6));
}

struct DueReply {
    double due;
    int command;
    int serial; // the command's number on its connection
};

void tagReply(uint8_t* reply, int command, int serial, int connection) {
    reply[6] = uint8_t(command == SIM_CMD_OTHER ? 0 : command + 1);
    reply[7] = uint8_t(serial & 0xFF);
    reply[8] = uint8_t((serial >> 8) & 0xFF);
    reply[9] = uint8_t(connection & 0xFF);
}

// Frees the copies whose writes have completed; the caller holds the board's lock.
void reapCopies(SimConnection* c) {
    auto& copies = c->copies;
    for (size_t i = 0; i < copies.size();) {
        if (HasOverlappedIoCompleted(&copies[i]->ov)) {
            CloseHandle(copies[i]->ov.hEvent);
            copies.erase(copies.begin() + long(i));
        } else {
            ++i;
        }
    }
}

// Fan-out: the reply goes into the pipe of every other open connection of the sensor (every one
// when `from` is null), before the asker's own reply is written, as a HID class driver fills every
// handle's buffer at once.
void deliverCopies(SimBoard* board, int sensor, const SimConnection* from, const uint8_t* reply,
                   DWORD length);

// Waits for an overlapped transfer, or for the end of the plug period; on the end the transfer is
// cancelled and awaited, so it never completes into this thread's records later.
bool awaitTransfer(HANDLE pipe, OVERLAPPED* ov, HANDLE endEvent, DWORD* transferred, DWORD* error) {
    HANDLE handles[2] = {endEvent, ov->hEvent};
    DWORD w = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (w != WAIT_OBJECT_0 + 1) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, ov, transferred, TRUE);
        *error = ERROR_OPERATION_ABORTED;
        return false;
    }
    if (GetOverlappedResult(pipe, ov, transferred, FALSE)) {
        *error = 0;
        return true;
    }
    *error = GetLastError();
    return *error == ERROR_MORE_DATA;
}

// One client's handle: reads each command as it arrives (a read is always pending, so arrival
// times are true), and writes each reply when it falls due.
DWORD WINAPI connectionThread(void* parameter) {
    SimConnection* c = static_cast<SimConnection*>(parameter);
    SimBoard* board = c->board;
    OVERLAPPED readOv{};
    readOv.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED writeOv{};
    writeOv.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    uint8_t message[MESSAGE_MAX];
    std::deque<DueReply> due;
    bool reading = false;
    bool open = true;
    while (open) {
        if (!reading) {
            ResetEvent(readOv.hEvent);
            if (!ReadFile(c->pipe, message, MESSAGE_MAX, nullptr, &readOv)) {
                DWORD e = GetLastError();
                if (e != ERROR_IO_PENDING && e != ERROR_MORE_DATA)
                    break; // the client has gone
            }
            reading = true;
        }
        DWORD timeout = INFINITE;
        if (!due.empty()) {
            double wait = due.front().due - simboardNowMs();
            timeout = wait <= 0 ? 0 : DWORD(std::ceil(wait));
        }
        HANDLE handles[2] = {c->endEvent, readOv.hEvent};
        DWORD w = WaitForMultipleObjects(2, handles, FALSE, timeout);
        if (w == WAIT_OBJECT_0 || w == WAIT_FAILED)
            break;
        if (w == WAIT_OBJECT_0 + 1) {
            DWORD length = 0;
            reading = false;
            if (!GetOverlappedResult(c->pipe, &readOv, &length, FALSE)) {
                if (GetLastError() != ERROR_MORE_DATA)
                    break;
                // A message longer than any command: keep its head, drop the rest.
                uint8_t rest[MESSAGE_MAX];
                DWORD restLength, error = ERROR_MORE_DATA;
                while (error == ERROR_MORE_DATA) {
                    ResetEvent(readOv.hEvent);
                    ReadFile(c->pipe, rest, MESSAGE_MAX, nullptr, &readOv);
                    if (!awaitTransfer(c->pipe, &readOv, c->endEvent, &restLength, &error)) {
                        open = false;
                        break;
                    }
                }
                length = MESSAGE_MAX;
            }
            addEvent(board, c->sensor, c->id, SIM_COMMAND, message, length);
            SimReplyMode mode = simboardReplies(board, c->sensor);
            c->commands++;
            if (!mode.silent)
                due.push_back(DueReply{simboardNowMs() + mode.delayMs, simClassifyCommand(message, length),
                                       c->commands});
        }
        while (open && !due.empty() && due.front().due <= simboardNowMs()) {
            SimReplyMode mode = simboardReplies(board, c->sensor);
            uint8_t reply[MESSAGE_MAX];
            buildReply(board, c->sensor, due.front().command, mode, reply);
            if (mode.tagReplies)
                tagReply(reply, due.front().command, due.front().serial, c->id);
            due.pop_front();
            DWORD length = mode.replyLength < 1             ? 1
                           : mode.replyLength > MESSAGE_MAX ? MESSAGE_MAX
                                                            : mode.replyLength;
            if (mode.fanOut)
                deliverCopies(board, c->sensor, c, reply, length);
            ResetEvent(writeOv.hEvent);
            if (!WriteFile(c->pipe, reply, length, nullptr, &writeOv) && GetLastError() != ERROR_IO_PENDING) {
                open = false;
                break;
            }
            DWORD written = 0, error = 0;
            if (!awaitTransfer(c->pipe, &writeOv, c->endEvent, &written, &error)) {
                open = false;
                break;
            }
            addEvent(board, c->sensor, c->id, SIM_REPLY, reply, length);
        }
    }
    if (reading) {
        CancelIo(c->pipe);
        DWORD ignored;
        GetOverlappedResult(c->pipe, &readOv, &ignored, TRUE);
    }
    std::vector<std::unique_ptr<FanoutCopy>> copies;
    {
        Locked locked(board);
        c->closing = true;
        copies.swap(c->copies);
    }
    for (auto& copy : copies) {
        CancelIoEx(c->pipe, &copy->ov);
        DWORD ignored;
        GetOverlappedResult(c->pipe, &copy->ov, &ignored, TRUE);
        CloseHandle(copy->ov.hEvent);
    }
    DisconnectNamedPipe(c->pipe);
    CloseHandle(c->pipe);
    c->pipe = nullptr;
    CloseHandle(readOv.hEvent);
    CloseHandle(writeOv.hEvent);
    addEvent(board, c->sensor, c->id, SIM_DISCONNECT, nullptr, 0);
    return 0;
}

void deliverCopies(SimBoard* board, int sensor, const SimConnection* from, const uint8_t* reply,
                   DWORD length) {
    Locked locked(board);
    for (auto& target : board->sensors[size_t(sensor)].connections) {
        SimConnection* c = target.get();
        if (c == from || c->closing || !c->pipe)
            continue;
        reapCopies(c);
        if (c->copies.size() >= FANOUT_PENDING_MAX)
            continue; // its buffer is full: the report is lost for that handle
        auto copy = std::make_unique<FanoutCopy>();
        copy->ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::memcpy(copy->bytes, reply, length);
        if (WriteFile(c->pipe, copy->bytes, length, nullptr, &copy->ov)) {
            CloseHandle(copy->ov.hEvent);
        } else if (GetLastError() == ERROR_IO_PENDING) {
            c->copies.push_back(std::move(copy));
        } else {
            CloseHandle(copy->ov.hEvent);
        }
    }
}

// ---- listening -------------------------------------------------------------------------------

// A sensor that refuses the read/write open is served outbound only: an open that asks for
// GENERIC_WRITE is denied (ERROR_ACCESS_DENIED), an attribute query open with access 0 succeeds.
HANDLE createInstance(const SimSensor& s) {
    DWORD openMode = (s.config.refuseOpen ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_DUPLEX) | FILE_FLAG_OVERLAPPED;
    return CreateNamedPipeA(s.pipePath.c_str(), openMode,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                            PIPE_BUFFER, PIPE_BUFFER, 0, nullptr);
}

void reapConnections(SimBoard* board, int sensor);

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

struct BroadcastList {
    std::vector<HWND> windows;
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM parameter) {
    reinterpret_cast<BroadcastList*>(parameter)->windows.push_back(hwnd);
    return TRUE;
}

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

} // namespace

// ---- the interface ---------------------------------------------------------------------------

double simboardNowMs() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

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
        snprintf(path, sizeof path, "\\\\.\\pipe\\VelmoraSimBoard-%lu-%ld-%zu", GetCurrentProcessId(), serial,
                 i);
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
    for (size_t i = 0; i < board->sensors.size(); ++i)
        if (sensor < 0 || size_t(sensor) == i)
            pullOut(board, int(i));
    writeDeviceList(board);
    if (announce && board->config.broadcastDeviceChange)
        simboardBroadcastDeviceChange();
}

void simboardReplug(SimBoard* board, int sensor) {
    if (!board)
        return;
    for (size_t i = 0; i < board->sensors.size(); ++i) {
        if ((sensor < 0 || size_t(sensor) == i) && !board->sensors[i].plugged) {
            reapConnections(board, int(i));
            plugIn(board, int(i));
        }
    }
    writeDeviceList(board);
    if (board->config.broadcastDeviceChange)
        simboardBroadcastDeviceChange();
}

void simboardSendReport(SimBoard* board, int sensor, const uint8_t* bytes, size_t length) {
    if (!validSensor(board, sensor) || !bytes)
        return;
    uint8_t report[10] = {};
    std::memcpy(report, bytes, length < sizeof report ? length : sizeof report);
    deliverCopies(board, sensor, nullptr, report, sizeof report);
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

SimPath& simDown(SimPath& path, double x, double y) {
    path.steps.push_back(SimStep{SIM_DOWN, x, y, 0});
    return path;
}

SimPath& simMove(SimPath& path, double x, double y, DWORD ms) {
    path.steps.push_back(SimStep{SIM_MOVE, x, y, ms});
    return path;
}

SimPath& simHold(SimPath& path, DWORD ms) {
    path.steps.push_back(SimStep{SIM_HOLD, 0, 0, ms});
    return path;
}

SimPath& simLift(SimPath& path) {
    path.steps.push_back(SimStep{SIM_LIFT, 0, 0, 0});
    return path;
}

void simboardPlay(SimBoard* board, int sensor, const SimPath& path) {
    if (validSensor(board, sensor))
        playPath(board, sensor, path);
}

bool simboardFingerIdle(const SimBoard* board, int sensor) {
    if (!validSensor(board, sensor))
        return true;
    Locked locked(board);
    return simboardNowMs() >= board->sensors[size_t(sensor)].finger.end;
}

bool simboardWaitFinger(SimBoard* board, int sensor, DWORD timeoutMs, bool pumpMessages) {
    double deadline = simboardNowMs() + timeoutMs;
    while (!simboardFingerIdle(board, sensor)) {
        if (simboardNowMs() >= deadline)
            return false;
        waitPumping(2, pumpMessages);
    }
    return true;
}

void simboardFingerDown(SimBoard* board, int sensor, double x, double y, SimUnits units) {
    SimPath path;
    path.units = units;
    simboardPlay(board, sensor, simDown(path, x, y));
}

void simboardFingerLift(SimBoard* board, int sensor) {
    SimPath path;
    simboardPlay(board, sensor, simLift(path));
}

void simboardTap(SimBoard* board, int sensor, double x, double y, DWORD ms, SimUnits units, bool pumpMessages,
                 DWORD settleMs) {
    SimPath path;
    path.units = units;
    simLift(simHold(simDown(path, x, y), ms));
    simboardPlay(board, sensor, path);
    simboardWaitFinger(board, sensor, ms + 30000, pumpMessages);
    double until = simboardNowMs() + settleMs;
    while (simboardNowMs() < until)
        waitPumping(2, pumpMessages);
}

void simboardDrag(SimBoard* board, int sensor, double x1, double y1, double x2, double y2, DWORD ms,
                  SimUnits units, bool pumpMessages, DWORD settleMs) {
    SimPath path;
    path.units = units;
    simLift(simMove(simDown(path, x1, y1), x2, y2, ms));
    simboardPlay(board, sensor, path);
    simboardWaitFinger(board, sensor, ms + 30000, pumpMessages);
    double until = simboardNowMs() + settleMs;
    while (simboardNowMs() < until)
        waitPumping(2, pumpMessages);
}

bool simboardFingerPoint(SimBoard* board, int sensor, int* x, int* y) {
    if (!validSensor(board, sensor))
        return false;
    Locked locked(board);
    double sx, sy;
    if (!fingerSensorPoint(board, board->sensors[size_t(sensor)].finger, simboardNowMs(), &sx, &sy))
        return false;
    return roundToSensor(sx, sy, x, y);
}

std::vector<SimEvent> simboardLog(const SimBoard* board) {
    if (!board)
        return {};
    Locked locked(board);
    return board->log;
}

std::vector<SimEvent> simboardCommands(const SimBoard* board) {
    std::vector<SimEvent> commands;
    if (!board)
        return commands;
    Locked locked(board);
    for (const SimEvent& e : board->log)
        if (e.kind == SIM_COMMAND)
            commands.push_back(e);
    return commands;
}

size_t simboardLogSize(const SimBoard* board) {
    if (!board)
        return 0;
    Locked locked(board);
    return board->log.size();
}

void simboardClearLog(SimBoard* board) {
    if (!board)
        return;
    Locked locked(board);
    board->log.clear();
}

int simboardWaitCommand(SimBoard* board, int sensor, int command, DWORD timeoutMs, size_t from,
                        bool pumpMessages) {
    if (!board)
        return -1;
    double deadline = simboardNowMs() + timeoutMs;
    for (;;) {
        {
            Locked locked(board);
            for (size_t i = from; i < board->log.size(); ++i) {
                const SimEvent& e = board->log[i];
                if (e.kind == SIM_COMMAND && (sensor < 0 || e.sensor == sensor) &&
                    (command == SIM_CMD_OTHER || e.command == command))
                    return int(i);
            }
        }
        if (simboardNowMs() >= deadline)
            return -1;
        waitPumping(2, pumpMessages);
    }
}

int simboardCountCommands(const SimBoard* board, int sensor, int command) {
    if (!board)
        return 0;
    Locked locked(board);
    int n = 0;
    for (const SimEvent& e : board->log)
        if (e.kind == SIM_COMMAND && (sensor < 0 || e.sensor == sensor) &&
            (command == SIM_CMD_OTHER || e.command == command))
            ++n;
    return n;
}

bool simReadReplyTag(const uint8_t* reply, size_t length, SimReplyTag* tag) {
    if (!reply || length < 10)
        return false;
    tag->command = reply[6] == 0 ? SIM_CMD_OTHER : reply[6] - 1;
    tag->serial = reply[7] | (reply[8] << 8);
    tag->connection = reply[9];
    return true;
}

int simClassifyCommand(const uint8_t* bytes, size_t length) {
    if (!bytes || length != 9 || bytes[0] != 0x00 || bytes[1] != 0xA0)
        return SIM_CMD_OTHER;
    for (int i = 3; i < 8; ++i)
        if (bytes[i] != 0)
            return SIM_CMD_OTHER;
    int sub = bytes[2];
    if (sub == 0)
        return bytes[8] == 0x00 ? SIM_CMD_PROBE : SIM_CMD_OTHER;
    if (sub <= 3 && bytes[8] == 0x60)
        return sub;
    return SIM_CMD_OTHER;
}

const char* simCommandName(int command) {
    switch (command) {
    case SIM_CMD_PROBE:
        return "probe";
    case SIM_CMD_GET:
        return "Get";
    case SIM_CMD_RUN:
        return "Run";
    case SIM_CMD_STOP:
        return "Stop";
    default:
        return "other";
    }
}

std::string simFormatEvent(const SimEvent& e) {
    static const char* const kinds[] = {"connect", "command", "reply", "disconnect"};
    char head[128];
    snprintf(head, sizeof head, "%10.1f ms  sensor %d  conn %d  %s", e.timeMs, e.sensor, e.connection,
             kinds[e.kind]);
    std::string line = head;
    if (e.kind == SIM_COMMAND) {
        line += " ";
        line += simCommandName(e.command);
    }
    if (!e.bytes.empty()) {
        line += " ";
        for (uint8_t b : e.bytes) {
            char hex[4];
            snprintf(hex, sizeof hex, " %02X", b);
            line += hex;
        }
    }
    return line;
}
