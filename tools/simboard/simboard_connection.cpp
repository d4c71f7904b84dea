// The simulated board serving one connection: each command read as it arrives, each reply written
// when it falls due, and the copies a fanned-out reply puts into the other connections' pipes.
#include "tools/simboard/simboard_internal.h"

#include <cmath>
#include <cstring>
#include <deque>

namespace simboard_internal {

constexpr size_t FANOUT_PENDING_MAX = 32; // copies waiting for room in a pipe nobody reads

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

// A sensor that refuses the read/write open is served outbound only, and that end of the pipe
// cannot read: its read fails at once, and no command ever comes. Its client, an attribute query
// opened with access 0, keeps the connection for as long as it holds the handle, as a device's
// collection does (a query handle the board broke at once would fail its next query, under load,
// in the middle of a search). Whether the client is still there is asked of the pipe itself:
// connecting it again fails with ERROR_PIPE_CONNECTED while the client holds its end, and with
// ERROR_NO_DATA once it has closed it.
constexpr DWORD CLIENT_POLL_MS = 5;

void waitForClientToGo(SimConnection* c, HANDLE event) {
    while (WaitForSingleObject(c->endEvent, CLIENT_POLL_MS) == WAIT_TIMEOUT) {
        OVERLAPPED ov{};
        ov.hEvent = event;
        ResetEvent(event);
        if (ConnectNamedPipe(c->pipe, &ov))
            return;
        const DWORD e = GetLastError();
        if (e == ERROR_PIPE_CONNECTED)
            continue;
        if (e == ERROR_IO_PENDING) { // listening again: the client has gone
            CancelIo(c->pipe);
            DWORD ignored;
            GetOverlappedResult(c->pipe, &ov, &ignored, TRUE);
        }
        return;
    }
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
    if (board->sensors[size_t(c->sensor)].config.refuseOpen) {
        waitForClientToGo(c, readOv.hEvent);
        open = false;
    }
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
            // A write that is not one output report never reaches a HID device.
            const DWORD reportLength = board->sensors[size_t(c->sensor)].config.outputReportLength;
            if (!mode.silent && length == reportLength)
                due.push_back(DueReply{simboardNowMs() + mode.delayMs,
                                       simClassifyCommand(message, length, reportLength), c->commands});
        }
        while (open && !due.empty() && due.front().due <= simboardNowMs()) {
            SimReplyMode mode = simboardReplies(board, c->sensor);
            uint8_t reply[MESSAGE_MAX];
            buildReply(board, c->sensor, due.front().command, mode, reply);
            if (mode.tagReplies)
                tagReply(reply, due.front().command, due.front().serial, c->id);
            due.pop_front();
            const DWORD wanted = mode.replyLength
                                     ? mode.replyLength
                                     : board->sensors[size_t(c->sensor)].config.inputReportLength;
            DWORD length = wanted < 1 ? 1 : wanted > MESSAGE_MAX ? MESSAGE_MAX : wanted;
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

} // namespace simboard_internal
