// The simulated board (skeleton: the serving comes next).
#include "tools/simboard/simboard.h"

SimMapping simMappingFrom(const SimGeometry&) {
    return SimMapping{};
}
void simScreenToSensor(const SimMapping&, double x, double y, double* sx, double* sy) {
    *sx = x;
    *sy = y;
}
void simSensorToScreen(const SimMapping&, double sx, double sy, double* x, double* y) {
    *x = sx;
    *y = sy;
}
SimBoard* simboardStart(const SimBoardConfig&) {
    return nullptr;
}
void simboardStop(SimBoard*) {}
int simboardSensorCount(const SimBoard*) {
    return 0;
}
std::string simboardPipePath(const SimBoard*, int) {
    return std::string();
}
static SimMapping emptyMapping;
static SimGeometry emptyGeometry;
const SimMapping& simboardMapping(const SimBoard*) {
    return emptyMapping;
}
const SimGeometry& simboardGeometry(const SimBoard*) {
    return emptyGeometry;
}
void simboardSetReplies(SimBoard*, int, const SimReplyMode&) {}
SimReplyMode simboardReplies(const SimBoard*, int) {
    return SimReplyMode{};
}
void simboardUnplug(SimBoard*, int) {}
void simboardReplug(SimBoard*, int) {}
bool simboardPlugged(const SimBoard*, int) {
    return false;
}
void simboardBroadcastDeviceChange() {}
SimPath& simDown(SimPath& p, double, double) {
    return p;
}
SimPath& simMove(SimPath& p, double, double, DWORD) {
    return p;
}
SimPath& simHold(SimPath& p, DWORD) {
    return p;
}
SimPath& simLift(SimPath& p) {
    return p;
}
void simboardPlay(SimBoard*, int, const SimPath&) {}
bool simboardFingerIdle(const SimBoard*, int) {
    return true;
}
bool simboardWaitFinger(SimBoard*, int, DWORD, bool) {
    return true;
}
void simboardFingerDown(SimBoard*, int, double, double, SimUnits) {}
void simboardFingerLift(SimBoard*, int) {}
void simboardTap(SimBoard*, int, double, double, DWORD, SimUnits, bool, DWORD) {}
void simboardDrag(SimBoard*, int, double, double, double, double, DWORD, SimUnits, bool, DWORD) {}
bool simboardFingerPoint(SimBoard*, int, int*, int*) {
    return false;
}
double simboardNowMs() {
    return 0;
}
std::vector<SimEvent> simboardLog(const SimBoard*) {
    return {};
}
std::vector<SimEvent> simboardCommands(const SimBoard*) {
    return {};
}
size_t simboardLogSize(const SimBoard*) {
    return 0;
}
void simboardClearLog(SimBoard*) {}
int simboardWaitCommand(SimBoard*, int, int, DWORD, size_t, bool) {
    return -1;
}
int simboardCountCommands(const SimBoard*, int, int) {
    return 0;
}
int simClassifyCommand(const uint8_t*, size_t) {
    return SIM_CMD_OTHER;
}
const char* simCommandName(int) {
    return "other";
}
std::string simFormatEvent(const SimEvent&) {
    return std::string();
}
