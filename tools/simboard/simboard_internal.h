#pragma once
// The simulated board's records and the helpers its files share: the board, its sensors, their
// connections and fingers, the lock, and the steps of serving, listening and keeping the device
// list. Only the simulated board's own files include this.
#include "tools/simboard/simboard.h"

#include <memory>
#include <string>
#include <vector>

namespace simboard_internal {

constexpr DWORD MESSAGE_MAX = 1024; // longest message the board keeps or writes

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

} // namespace simboard_internal

struct SimBoard {
    SimBoardConfig config;
    SimGeometry geometry;
    SimMapping mapping;
    CRITICAL_SECTION lock;
    std::vector<simboard_internal::SimSensor> sensors; // sized once at start
    std::vector<SimEvent> log;
    int nextConnection = 1;
    unsigned random = 1;
};

namespace simboard_internal {

struct Locked {
    CRITICAL_SECTION* section;
    explicit Locked(const SimBoard* board) : section(const_cast<CRITICAL_SECTION*>(&board->lock)) {
        EnterCriticalSection(section);
    }
    ~Locked() { LeaveCriticalSection(section); }
};

bool validSensor(const SimBoard* board, int sensor);
// Waits ms, pumping this thread's messages meanwhile when asked.
bool waitPumping(DWORD ms, bool pump);

// The log (simboard_log.cpp).
void addEvent(SimBoard* board, int sensor, int connection, SimEventKind kind, const uint8_t* bytes,
              size_t length);

// The device list (simboard_device_list.cpp).
void writeDeviceList(const SimBoard* board);
void removeDeviceList();
// An interface arrival or removal of the sensor, for the windows registered for HID interfaces.
void announceInterface(const SimBoard* board, int sensor, bool arrival);

// The finger (simboard_finger.cpp); the caller holds the board's lock.
bool fingerSensorPoint(const SimBoard* board, const SimFinger& f, double now, double* sx, double* sy);
bool roundToSensor(double sx, double sy, int* x, int* y);
int jitterOffset(SimBoard* board);

// Serving one connection (simboard_connection.cpp).
DWORD WINAPI connectionThread(void* parameter);
// Fan-out: the reply goes into the pipe of every other open connection of the sensor (every one
// when `from` is null), before the asker's own reply is written, as a HID class driver fills every
// handle's buffer at once.
void deliverCopies(SimBoard* board, int sensor, const SimConnection* from, const uint8_t* reply,
                   DWORD length);

// Listening (simboard_listen.cpp).
bool plugIn(SimBoard* board, int sensor);
void pullOut(SimBoard* board, int sensor);
void reapConnections(SimBoard* board, int sensor);

} // namespace simboard_internal
