// The simulated board's clock and log, and the protocol's words: commands by name, reply tags.
#include "tools/simboard/simboard_internal.h"

#include <cstdio>

namespace simboard_internal {

void addEvent(SimBoard* board, int sensor, int connection, SimEventKind kind, const uint8_t* bytes,
              size_t length) {
    SimEvent e;
    e.timeMs = simboardNowMs();
    e.sensor = sensor;
    e.connection = connection;
    e.kind = kind;
    e.command =
        kind == SIM_COMMAND
            ? simClassifyCommand(bytes, length, board->sensors[size_t(sensor)].config.outputReportLength)
            : SIM_CMD_OTHER;
    if (bytes)
        e.bytes.assign(bytes, bytes + length);
    Locked locked(board);
    board->log.push_back(std::move(e));
}

} // namespace simboard_internal

using namespace simboard_internal;

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

int simClassifyCommand(const uint8_t* bytes, size_t length, size_t reportLength) {
    if (!bytes || length != reportLength || length < 9 || bytes[0] != 0x00 || bytes[1] != 0xA0)
        return SIM_CMD_OTHER;
    for (size_t i = 9; i < length; ++i)
        if (bytes[i] != 0)
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
