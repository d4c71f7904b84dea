#pragma once
// The simulated board: a stand-in for the USB touch sensor that runs under Wine or on Windows.
//
// Each simulated sensor is a named pipe "\\.\pipe\VelmoraSimBoard-<pid>-<board>-<n>#VID_xxxx&PID_xxxx"
// (its identifiers in its name, as a HID interface path carries them) in message mode with
// unlimited instances: every CreateFileA by the program is its own connection, served on its own
// thread. A connection reads one command message of the sensor's output report length (9 bytes by
// default) and answers with one reply message of its input report length (10 by default); the
// program's side of that protocol is fixed, see docs/simulated-board.md. The sensors the
// board serves are listed under HKCU\Software\VelmoraSimBoard\Devices, where the simulated-board
// build's device seam (sensor/device_seam_sim.cpp) finds them, in this process or in another one.
//
// The board models a physical board (screen pixels to sensor units through a projective mapping),
// a finger per sensor (down, move, lift, along a timed path), faults (unplug and replug with a
// WM_DEVICECHANGE broadcast, silence, late, slow and malformed replies, a sensor that refuses the
// read/write open) and keeps a log of everything it received, with times, for tests.
//
// All functions may be called from any thread. One board per process (and per Wine prefix or
// Windows session at a time: a second board rewrites the device list).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Where the device list lives (under HKEY_CURRENT_USER), and its value format: values "0", "1", ...
// in enumeration order, each REG_SZ "<vid hex4> <pid hex4> <open|refuse|nocancel>
// [reports:<in>:<out>] <pipe path>" (the reports word only for lengths other than 10 and 9).
constexpr const char* SIMBOARD_DEVICES_KEY = "Software\\VelmoraSimBoard\\Devices";
// The interface arrivals and removals the board announces: values "<board pid>-<number>", REG_SZ
// "arrival <pipe path>" or "removal <pipe path>"; the last few are kept.
constexpr const char* SIMBOARD_NOTICES_KEY = "Software\\VelmoraSimBoard\\Notices";

constexpr uint16_t SIMBOARD_SENSOR_VID = 0x0925; // the identifiers the program looks for
constexpr uint16_t SIMBOARD_SENSOR_PID = 0x0300;

// ---------------------------------------------------------------------------------------------
// The physical board: where the projected screen lies on the sensor.

// Screen pixels map to sensor units (a 1024 x 768 space) like this: the pixel is taken relative to
// the screen centre as a fraction of the screen size (u, v in -0.5 .. 0.5), bent by the keystone
// (u, v divided by 1 + keystoneX * u + keystoneY * v), turned by rotationDeg (clockwise on the
// screen, y pointing down), scaled to sensor units (scaleX * 1024, scaleY * 768) and moved to the
// sensor centre plus the offset (a positive keystoneY widens the top edge on the sensor, a positive
// keystoneX the left one). The default puts the whole screen inside the sensor units 1 to 1023 and
// 1 to 767 (0 on either axis means no touch to the program).
struct SimGeometry {
    int screenWidth = 0; // 0: the primary screen's size at board start
    int screenHeight = 0;
    double offsetX = 0; // sensor units, added after scaling
    double offsetY = 0;
    double scaleX = 1022.0 / 1024; // 1: the screen's width spans the sensor's 1024 units
    double scaleY = 766.0 / 768;   // 1: the screen's height spans the sensor's 768 units
    double rotationDeg = 0;
    double keystoneX = 0; // perspective terms; 0: a plain affine board
    double keystoneY = 0;
    int jitter = 0; // each reported touch moves by up to +/- jitter sensor units
};

// The mapping as a 3 x 3 homography (row-major), sensor = H * (x, y, 1), and its inverse.
struct SimMapping {
    double h[9];
    double inverse[9];
};
SimMapping simMappingFrom(const SimGeometry& geometry); // screen size must be set (non-zero)
// Screen pixels -> sensor units, not rounded.
void simScreenToSensor(const SimMapping& mapping, double x, double y, double* sensorX, double* sensorY);
// Sensor units -> screen pixels, not rounded.
void simSensorToScreen(const SimMapping& mapping, double sensorX, double sensorY, double* x, double* y);

// ---------------------------------------------------------------------------------------------
// Sensors and their faults.

struct SimSensorConfig {
    uint16_t vendorId = SIMBOARD_SENSOR_VID;
    uint16_t productId = SIMBOARD_SENSOR_PID;
    bool refuseOpen = false; // a GENERIC_READ | GENERIC_WRITE open fails (access denied); an
                             // attribute query open (access 0) still succeeds
    // Its driver takes a cancellation and never completes it: a transfer the program gives up on
    // stays pending until it completes by itself or the handle is closed (listed "nocancel").
    bool cancelIgnored = false;
    // The collection's report sizes, as its capabilities give them (up to 1024). A message of any
    // other length than the output report is not a report the driver would take: it is logged and
    // never answered. Replies are input reports: the reply bytes, then zeros.
    uint16_t inputReportLength = 10;
    uint16_t outputReportLength = 9;
};

struct SimBoardConfig {
    std::vector<SimSensorConfig> sensors{SimSensorConfig{}}; // in enumeration order; default: one
    SimGeometry geometry;
    unsigned jitterSeed = 1;           // the jitter's random sequence is repeatable
    bool broadcastDeviceChange = true; // WM_DEVICECHANGE after unplug and replug
};

// How a sensor answers. Changed at any time with simboardSetReplies; applies to the next reply.
struct SimReplyMode {
    bool silent = false;   // commands are read and logged, never answered
    DWORD delayMs = 0;     // each reply is written this long after its command arrived (slow
                           // replies below the program's 100 ms, late replies above it)
    int statusByte = 0x0A; // byte 1 of every reply (0x0A: an answer)
    DWORD replyLength = 0; // bytes in each reply message; 0: the input report length (short
                           // replies below 10)
    // A HID class driver's fan-out: every reply of the sensor is also delivered to every other
    // open connection of that sensor, put in their pipes before the asker's own reply goes out.
    // A connection that is never read keeps what its pipe holds (about 400 replies) and 32 more;
    // later copies to it are lost, as a full HID input buffer drops reports.
    bool fanOut = false;
    // Bytes 6 to 9 of every reply name the command it answers: byte 6 the command (SimCommand + 1:
    // 1 probe, 2 Get, 3 Run, 4 Stop; 0 another), bytes 7 and 8 its number among the commands of
    // its connection (1, 2, ...; low byte first), byte 9 the connection's number (low byte). The
    // program ignores these bytes.
    bool tagReplies = false;
};

// The parts of a tagged reply (see SimReplyMode::tagReplies); false when the reply is too short.
struct SimReplyTag {
    int command;    // a SimCommand
    int serial;     // 1, 2, ... among the commands of its connection, modulo 65536
    int connection; // low byte of the connection's number
};
bool simReadReplyTag(const uint8_t* reply, size_t length, SimReplyTag* tag);

struct SimBoard; // opaque

// Starts the board: creates the pipes, serves them and writes the device list. Returns null when a
// pipe cannot be created (the reason is in GetLastError()).
SimBoard* simboardStart(const SimBoardConfig& config = SimBoardConfig{});
// Ends every connection, removes the device list and frees the board.
void simboardStop(SimBoard* board);

int simboardSensorCount(const SimBoard* board);
std::string simboardPipePath(const SimBoard* board, int sensor); // "\\.\pipe\VelmoraSimBoard-..."
const SimMapping& simboardMapping(const SimBoard* board);
const SimGeometry& simboardGeometry(const SimBoard* board); // with the screen size filled in

void simboardSetReplies(SimBoard* board, int sensor, const SimReplyMode& mode);
SimReplyMode simboardReplies(const SimBoard* board, int sensor);

// Unplug: existing connections of that sensor fail, new opens are refused, the sensor leaves the
// device list. Replug puts it back (same pipe name, same place in the list). Each is announced as
// the system does: an interface removal or arrival notice per sensor (SIMBOARD_NOTICES_KEY; the
// simulated device seam turns it into WM_DEVICECHANGE for the windows registered for HID
// interfaces), then a WM_DEVICECHANGE (DBT_DEVNODES_CHANGED) to every top-level window: sent with
// SendMessageTimeoutA (abort if hung, 300 ms) to windows of other threads, posted to windows of
// the calling thread (sending would run their handler inline, and a modal box there would hold
// the board). sensor -1: every sensor at once, with one broadcast.
// announce false: neither, as a device that stops working without the system noticing.
enum SimAnnounce {
    SIM_ANNOUNCE_ALL = 0,        // the interface notices and the broadcast
    SIM_ANNOUNCE_INTERFACES = 1, // the interface notices only, no DBT_DEVNODES_CHANGED
};
void simboardUnplug(SimBoard* board, int sensor = -1, bool announce = true);
void simboardReplug(SimBoard* board, int sensor = -1, SimAnnounce announce = SIM_ANNOUNCE_ALL);
bool simboardPlugged(const SimBoard* board, int sensor);
// The broadcast on its own (as when some other device comes or goes).
void simboardBroadcastDeviceChange();

// A report the sensor sends by itself (bytes 0 to 9; zeros past `length`): it lands in every open
// connection of the sensor at once, as the HID class driver puts an input report in every open
// handle's buffer, whatever the reply mode. Not logged as a reply.
void simboardSendReport(SimBoard* board, int sensor, const uint8_t* bytes, size_t length);

// ---------------------------------------------------------------------------------------------
// The finger. Each sensor has one. Its path is a timeline of steps played from the moment it is
// given; a Get is answered with the finger's point at the moment the reply is written, mapped
// through the geometry and rounded (with jitter), or (0, 0) while lifted. Points outside the
// sensor's 1024 x 768 space are not seen (reported as lifted).

enum SimUnits { SIM_SCREEN = 0, SIM_SENSOR = 1 };

enum SimStepKind {
    SIM_DOWN, // put the finger down at (x, y)
    SIM_MOVE, // move in a straight line to (x, y) over ms (the finger stays down)
    SIM_HOLD, // stay where it is (down or lifted) for ms
    SIM_LIFT, // lift the finger
};

struct SimStep {
    SimStepKind kind;
    double x = 0;
    double y = 0;
    DWORD ms = 0;
};

struct SimPath {
    SimUnits units = SIM_SCREEN;
    std::vector<SimStep> steps;
};

// Path builders (append to the path and return it, so calls chain).
SimPath& simDown(SimPath& path, double x, double y);
SimPath& simMove(SimPath& path, double x, double y, DWORD ms);
SimPath& simHold(SimPath& path, DWORD ms);
SimPath& simLift(SimPath& path);

// Plays the path from now on (replacing whatever the finger was doing) and returns at once.
void simboardPlay(SimBoard* board, int sensor, const SimPath& path);
// True once the finger's path has been played to its end.
bool simboardFingerIdle(const SimBoard* board, int sensor);
// Waits until the path has been played, at most timeoutMs; pumps this thread's messages while it
// waits when pumpMessages is set (for tests whose windows live on the calling thread). Returns
// false on time-out.
bool simboardWaitFinger(SimBoard* board, int sensor, DWORD timeoutMs = 30000, bool pumpMessages = false);

// Immediate finger control (screen pixels, or sensor units with SIM_SENSOR).
void simboardFingerDown(SimBoard* board, int sensor, double x, double y, SimUnits units = SIM_SCREEN);
void simboardFingerLift(SimBoard* board, int sensor);

// Gestures that play and wait (pumping messages when asked): a tap is down, hold ms, lift; a drag
// goes down at the first point, moves to the second over ms, then lifts; a hold is a tap of ms.
// Each waits until the finger is lifted again, plus settleMs with the finger up, so that the
// program's poll sees the lift.
void simboardTap(SimBoard* board, int sensor, double x, double y, DWORD ms, SimUnits units = SIM_SCREEN,
                 bool pumpMessages = false, DWORD settleMs = 60);
void simboardDrag(SimBoard* board, int sensor, double x1, double y1, double x2, double y2, DWORD ms,
                  SimUnits units = SIM_SCREEN, bool pumpMessages = false, DWORD settleMs = 60);

// The point a Get would report now, before jitter: true with (x, y) in sensor units when down and
// on the sensor, else false.
bool simboardFingerPoint(SimBoard* board, int sensor, int* x, int* y);

// ---------------------------------------------------------------------------------------------
// The log.

enum SimEventKind {
    SIM_CONNECT,    // a client opened the pipe (any access)
    SIM_COMMAND,    // a message arrived (bytes as received, any length up to 1024)
    SIM_REPLY,      // a reply was written (bytes as sent)
    SIM_DISCONNECT, // the client closed its handle, or the board ended the connection
};

enum SimCommand {
    SIM_CMD_PROBE = 0,
    SIM_CMD_GET = 1,
    SIM_CMD_RUN = 2,
    SIM_CMD_STOP = 3,
    SIM_CMD_OTHER = -1, // not one of the four exact 9-byte commands
};

struct SimEvent {
    double timeMs;  // simboardNowMs() when it happened
    int sensor;     // index in the configuration
    int connection; // 1, 2, ... in the order the board accepted connections (all sensors)
    SimEventKind kind;
    int command; // SIM_COMMAND: a SimCommand; else SIM_CMD_OTHER
    std::vector<uint8_t> bytes;
};

// Milliseconds on the board's clock (QueryPerformanceCounter), the clock of the log's times.
double simboardNowMs();

std::vector<SimEvent> simboardLog(const SimBoard* board);      // everything, in order
std::vector<SimEvent> simboardCommands(const SimBoard* board); // only SIM_COMMAND events
size_t simboardLogSize(const SimBoard* board);
void simboardClearLog(SimBoard* board);
// Waits until the log holds a command of that kind for that sensor (-1: any sensor) at position
// from or later in simboardLog, at most timeoutMs; pumps messages when asked. Returns its index in
// the log, or -1 on time-out.
int simboardWaitCommand(SimBoard* board, int sensor, int command, DWORD timeoutMs, size_t from = 0,
                        bool pumpMessages = false);
// Counts the commands of that kind (SIM_CMD_OTHER counts every command) for that sensor (-1: any).
int simboardCountCommands(const SimBoard* board, int sensor, int command);

// The command a message of reportLength bytes is (a command's 9 bytes, then zeros), or SIM_CMD_OTHER.
int simClassifyCommand(const uint8_t* bytes, size_t length, size_t reportLength = 9);
// "Stop", "Get", "Run", "probe" or "other".
const char* simCommandName(int command);
// One line per event: "  123.4 ms  sensor 0  conn 2  command Stop  00 A0 03 00 00 00 00 00 60".
std::string simFormatEvent(const SimEvent& event);

// ---------------------------------------------------------------------------------------------
// Scripts: one step a line, run in order by simboardRunScript (simboard.exe runs them too).
//   tap X Y MS | hold X Y MS | drag X1 Y1 X2 Y2 MS   gestures of the selected finger (they wait)
//   down X Y | move X Y MS | lift                     single finger steps (move waits)
//   units screen|sensor                               units of the points that follow (screen)
//   sensor N                                          the sensor whose finger and faults follow (0)
//   sleep MS
//   unplug [N] [quiet] | replug [N]                   N omitted: every sensor; quiet: no broadcast
//   silent on|off | delay MS | status BYTE | length N the reply mode of the selected sensor
//   fanout on|off | tag on|off                        (see SimReplyMode)
//   report BYTE...                                    a report the sensor sends by itself (hex)
//   wait-window CLASS [MS]                            until a top-level window of the class exists
//   close-window CLASS                                posts WM_CLOSE to it
//   wait-command Stop|Get|Run|probe [MS]              until such a command arrives after the
//                                                     previous wait-command (or the log's start)
//   log                                               prints the log so far
//   echo TEXT                                         prints TEXT
// Blank lines and lines starting with '#' are skipped. Returns 0 when every step ran, else the
// number of the first line that failed (unknown step, bad number, a wait that timed out), after
// printing why to out.
int simboardRunScript(SimBoard* board, const std::string& script, FILE* out);
