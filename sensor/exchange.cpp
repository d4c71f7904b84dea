// exchangeReport and probeSensor: one command written, one reply read, 100 ms per transfer.
//
// Report sizes: a HID collection takes writes of exactly its output report length and reads of its
// input report length (a read buffer shorter than that fails at once). Boards differ: some have 9
// and 10 bytes, others a report ID and 64 bytes. Each handle's sizes are read from the
// collection's capabilities when the exchange first meets it; a command goes out zero-padded to
// the output length, and the first 10 bytes of what is read are the reply. A handle without
// capabilities (not a HID collection) is taken to have the protocol's own 9 and 10.
//
// The rules that keep every reply with the command it answers, and memory safe (the story behind
// each: docs/design-notes.md, "The exchange with the sensor"):
// - One exchange at a time with the sensor, whichever handle (one lock for all): every open handle
//   gets a copy of every report, so a reply to a command on one handle also waits on the other.
// - Each handle counts the replies it still owes (commands that timed out) and reads them before
//   anything else is written: the owed reply is the answer when the same command is exchanged
//   again (a late sensor still delivers every answer), otherwise it is dropped; a reply still owed
//   a second after its command is given up.
// - Then every exchange, always, discards the reports already waiting on its handle: a report the
//   count cannot know of (another program's reply, one the sensor sends by itself) would otherwise
//   leave the handle a reply behind for good.
// - A transfer pending after 100 ms is cancelled and its completion awaited before its records are
//   freed; one whose cancellation does not land within a second leaves them allocated and retires
//   its handle. Data moves through the exchange's own buffers, never the caller's.
// - The probe writes nothing to a handle whose sensor answered within the link's grace and is still
//   there (its replies would hold up a late sensor's answers); otherwise it writes the probe and
//   waits for the reply up to that grace.
#include <atomic>
#include <cstring>
#include <new>

#include "win32/precise_clock.h"
#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

namespace {

constexpr DWORD TRANSFER_TIMEOUT_MS = 100; // per pending write or read
constexpr DWORD CANCEL_GRACE_MS = 1000;    // for a cancelled transfer to complete
constexpr DWORD OWED_LIMIT_MS = 1000;      // an owed reply is waited for until this long after its command

// ---- The sensor's lock and what each handle still owes ------------------------------------------

SRWLOCK sensorLock = SRWLOCK_INIT; // held for a whole exchange (or a whole probe), whichever handle

// Per handle, under sensorLock. A slot is taken over by another handle when the table is full (the
// least recently used one); with two or three sensor handles alive at a time that never happens.
struct HandleSlot {
    HANDLE handle; // null: unused slot
    // Reused by every exchange on the handle (auto-reset, unnamed); null until first needed, and
    // again after a transfer that could not be cancelled (it may still signal its event).
    HANDLE writeEvent;
    HANDLE readEvent;
    int owedReplies; // commands whose replies have not been read yet (the probe writes two)
    DWORD owedTick;  // when the last of them was written
    uint8_t owedCommand[SENSOR_COMMAND_BYTES]; // the last of them
    bool answered;           // a reply carrying an answer was read, and no transfer failed since
    DWORD answerTick;        // when that reply was read
    bool stuck;              // a transfer's cancellation did not land: the handle is not used again
    unsigned long long used; // when last taken, for picking a slot to reuse
    DWORD inputBytes;        // every read asks for this many (the collection's input report)
    DWORD outputBytes;       // every command is written as this many, zero-padded
};

constexpr int HANDLE_SLOTS = 8;
HandleSlot slots[HANDLE_SLOTS];
unsigned long long slotClock = 0;

void closeEvents(HandleSlot& slot) {
    if (slot.writeEvent)
        CloseHandle(slot.writeEvent);
    if (slot.readEvent)
        CloseHandle(slot.readEvent);
    slot.writeEvent = slot.readEvent = nullptr;
}

HandleSlot& slotFor(HANDLE handle) {
    HandleSlot* oldest = &slots[0];
    for (HandleSlot& slot : slots) {
        if (slot.handle == handle) {
            slot.used = ++slotClock;
            return slot;
        }
        if (!slot.handle || (oldest->handle && slot.used < oldest->used))
            oldest = &slot;
    }
    closeEvents(*oldest);
    *oldest = HandleSlot{};
    oldest->handle = handle;
    oldest->used = ++slotClock;
    SensorReportLengths lengths = {SENSOR_REPLY_BYTES, SENSOR_COMMAND_BYTES};
    if (!readSensorReportLengths(handle, &lengths) || !reportLengthsFitSensor(lengths.input, lengths.output))
        lengths = {SENSOR_REPLY_BYTES, SENSOR_COMMAND_BYTES};
    oldest->inputBytes = DWORD(lengths.input);
    oldest->outputBytes = DWORD(lengths.output);
    return *oldest;
}

// Auto-reset, not signalled, unnamed. WriteFile and ReadFile reset the event as a transfer begins.
bool haveEvents(HandleSlot& slot) {
    if (!slot.writeEvent)
        slot.writeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!slot.readEvent)
        slot.readEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return slot.writeEvent && slot.readEvent;
}

// ---- Waiting with the thread's hook -------------------------------------------------------------

thread_local ExchangeWaitHook waitHook = {nullptr, nullptr}; // set and used by its own thread only

// WaitForSingleObject on `event`, in slices that let the thread's hook run as often as it asks.
DWORD waitEvent(HANDLE event, DWORD waitMs) {
    if (!waitHook.run)
        return WaitForSingleObject(event, waitMs);
    const double deadline = preciseMs() + waitMs;
    for (;;) {
        const DWORD hookMs = waitHook.run(waitHook.context);
        const double left = deadline - preciseMs();
        if (left <= 0)
            return WaitForSingleObject(event, 0);
        const DWORD slice = left < hookMs ? DWORD(left) + 1 : hookMs;
        const DWORD woken = WaitForSingleObject(event, slice);
        if (woken != WAIT_TIMEOUT)
            return woken;
    }
}

// The sensor's lock, which another thread's exchange or probe may hold for a while (a probe of a
// sensor that does not answer: up to a second); the thread's hook runs meanwhile.
void lockSensor() {
    if (!waitHook.run || waitHook.run(waitHook.context) == INFINITE) {
        AcquireSRWLockExclusive(&sensorLock); // nothing to keep up meanwhile
        return;
    }
    while (!TryAcquireSRWLockExclusive(&sensorLock)) {
        waitHook.run(waitHook.context);
        Sleep(1);
    }
}

// ---- Transfers ---------------------------------------------------------------------------------

// The records of one transfer. Heap-allocated so that they can be left alive after a cancellation
// that did not land.
struct TransferRecords {
    OVERLAPPED ov;
    uint8_t data[SENSOR_REPORT_BYTES_LIMIT]; // the report as written (the command, then zeros), or
                                             // as read (zero where nothing was read)
};

std::atomic<long> leakedRecords{0}; // records left allocated after a cancellation that did not land

enum TransferOutcome {
    TRANSFER_DONE,      // completed
    TRANSFER_MORE_DATA, // a read completed, but the reply was longer than the buffer
    TRANSFER_FAILED,    // failed at once, or completed with an error
    TRANSFER_TIMEOUT,   // still pending after the wait; cancelled, and the cancellation landed
    TRANSFER_STUCK,     // still pending, and the cancellation did not land in time
};

TransferOutcome completedOutcome(HANDLE handle, OVERLAPPED* ov) {
    DWORD bytes = 0;
    if (GetOverlappedResult(handle, ov, &bytes, FALSE))
        return TRANSFER_DONE;
    return GetLastError() == ERROR_MORE_DATA ? TRANSFER_MORE_DATA : TRANSFER_FAILED;
}

// Finishes a transfer that WriteFile or ReadFile has just started; `started` is what it returned.
TransferOutcome finishTransfer(HANDLE handle, OVERLAPPED* ov, BOOL started, DWORD waitMs) {
    if (started)
        return completedOutcome(handle, ov);
    const DWORD error = GetLastError();
    if (error == ERROR_MORE_DATA)
        return TRANSFER_MORE_DATA;
    if (error != ERROR_IO_PENDING)
        return TRANSFER_FAILED;
    if (waitEvent(ov->hEvent, waitMs) == WAIT_OBJECT_0)
        return completedOutcome(handle, ov);
    // Give up on it. Whether the cancellation or a last-moment completion wins, the transfer is
    // over once its event is signalled; only then may its records go. A completion that won is a
    // transfer done: a late reply that came just as its wait ran out is this read's reply, and
    // would be lost for good if it were taken for a timeout.
    deviceSeam.cancelTransfer(handle, ov);
    if (waitEvent(ov->hEvent, CANCEL_GRACE_MS) != WAIT_OBJECT_0 && !HasOverlappedIoCompleted(ov))
        return TRANSFER_STUCK;
    const TransferOutcome outcome = completedOutcome(handle, ov);
    return outcome == TRANSFER_FAILED ? TRANSFER_TIMEOUT : outcome;
}

bool readCompleted(TransferOutcome outcome) {
    // A reply longer than the read: its first 10 bytes are the reply; the next flush drops the rest.
    return outcome == TRANSFER_DONE || outcome == TRANSFER_MORE_DATA;
}

// What a finished transfer says about the link: a reply with an answer keeps it alive, a failure
// ends that, and a transfer that may still complete retires the handle.
void noteLink(HandleSlot& slot, TransferOutcome outcome, bool write, const uint8_t* in) {
    if (outcome == TRANSFER_STUCK) {
        slot.stuck = true;
        slot.answered = false;
    } else if (outcome == TRANSFER_FAILED) {
        slot.answered = false;
    } else if (!write && readCompleted(outcome) && in[1] == REPORT_DATA) {
        slot.answered = true;
        slot.answerTick = GetTickCount();
    }
}

// A read got the head of a message longer than the input report (a pipe reads in messages; a HID
// collection never sends more than its report): the rest is read and dropped at once, so that it
// cannot pass for the next reply. The rest is already there, so each read completes at once.
TransferOutcome dropRestOfMessage(HandleSlot& slot, TransferRecords* records) {
    constexpr int TAIL_READS_LIMIT = 64;
    TransferOutcome outcome = TRANSFER_MORE_DATA;
    for (int i = 0; outcome == TRANSFER_MORE_DATA && i < TAIL_READS_LIMIT; ++i) {
        const BOOL started = ReadFile(slot.handle, records->data, slot.inputBytes, nullptr, &records->ov);
        outcome = finishTransfer(slot.handle, &records->ov, started, TRANSFER_TIMEOUT_MS);
    }
    return outcome;
}

// One write or read of the handle in `slot`, waiting at most waitMs for a pending one. A read
// copies what it got into `in` (10 bytes) when it completed.
TransferOutcome transfer(HandleSlot& slot, bool write, const uint8_t* out, uint8_t* in, DWORD waitMs) {
    if (slot.stuck || !haveEvents(slot))
        return TRANSFER_FAILED;
    auto* records = new (std::nothrow) TransferRecords();
    if (!records)
        return TRANSFER_FAILED;
    records->ov.hEvent = write ? slot.writeEvent : slot.readEvent;
    BOOL started;
    if (write) {
        std::memcpy(records->data, out, SENSOR_COMMAND_BYTES); // the rest of the report stays zero
        started = WriteFile(slot.handle, records->data, slot.outputBytes, nullptr, &records->ov);
    } else {
        started = ReadFile(slot.handle, records->data, slot.inputBytes, nullptr, &records->ov);
    }
    TransferOutcome outcome = finishTransfer(slot.handle, &records->ov, started, waitMs);
    if (!write && readCompleted(outcome)) {
        std::memcpy(in, records->data, SENSOR_REPLY_BYTES);
        if (outcome == TRANSFER_MORE_DATA && dropRestOfMessage(slot, records) == TRANSFER_STUCK)
            outcome = TRANSFER_STUCK;
    }
    if (outcome == TRANSFER_STUCK) {
        // The transfer may still complete into these records and signal this event. That happens
        // once per handle: noteLink retires it.
        leakedRecords++;
        if (write)
            slot.writeEvent = nullptr;
        else
            slot.readEvent = nullptr;
    } else {
        delete records;
    }
    noteLink(slot, outcome, write, in);
    return outcome;
}

DWORD msUntilOwedLimit(const HandleSlot& slot) {
    const DWORD age = GetTickCount() - slot.owedTick;
    return age >= OWED_LIMIT_MS ? 0 : OWED_LIMIT_MS - age;
}

// Milliseconds left until `deadline` (a tick count), 0 once it has passed.
DWORD msUntil(DWORD deadline) {
    const DWORD left = deadline - GetTickCount();
    return left > 0x7FFFFFFF ? 0 : left;
}

// Reads and drops the replies `slot` still owes, each waited for until its time is up or until
// `deadline`, whichever comes first. What is not read by then is given up.
void settleDebt(HandleSlot& slot, DWORD deadline) {
    while (slot.owedReplies > 0) {
        const DWORD limit = msUntilOwedLimit(slot);
        const DWORD waitMs = limit < msUntil(deadline) ? limit : msUntil(deadline);
        uint8_t dropped[SENSOR_REPLY_BYTES];
        if (waitMs == 0 || !readCompleted(transfer(slot, false, nullptr, dropped, waitMs)))
            break;
        slot.owedReplies--;
    }
    // Read, failed or given up: nothing more is waited for on its account. A given-up reply that
    // still comes is dropped by the flush before the next write, or costs the one exchange whose
    // read it lands in.
    slot.owedReplies = 0;
}

void settleAllDebts(DWORD deadline) {
    for (HandleSlot& slot : slots)
        if (slot.handle)
            settleDebt(slot, deadline);
}

// Writes the command on `slot`'s handle; a command written is a reply owed until it is read.
TransferOutcome writeCommand(HandleSlot& slot, const uint8_t* command) {
    const TransferOutcome outcome = transfer(slot, true, command, nullptr, TRANSFER_TIMEOUT_MS);
    if (outcome == TRANSFER_DONE) {
        slot.owedReplies++;
        slot.owedTick = GetTickCount();
        std::memcpy(slot.owedCommand, command, SENSOR_COMMAND_BYTES);
    }
    return outcome;
}

// Reads the next owed reply into `reply`, waiting at most waitMs. On a time-out the reply stays owed.
int readOwedReply(HandleSlot& slot, SensorReport& reply, DWORD waitMs) {
    uint8_t in[SENSOR_REPLY_BYTES] = {};
    const TransferOutcome outcome = transfer(slot, false, nullptr, in, waitMs);
    if (outcome == TRANSFER_TIMEOUT || outcome == TRANSFER_STUCK)
        return EXCHANGE_TIMEOUT;
    if (!readCompleted(outcome)) {
        slot.owedReplies = 0; // the handle failed: no reply is coming through it
        return EXCHANGE_READ_FAILED;
    }
    slot.owedReplies--;
    std::memcpy(reply.data(), in, SENSOR_REPLY_BYTES);
    return EXCHANGE_OK;
}

// One exchange on `slot`'s handle; the caller holds the sensor's lock.
int exchangeLocked(HandleSlot& slot, const SensorReport& command, SensorReport& reply) {
    if (slot.stuck)
        return EXCHANGE_WRITE_FAILED; // nothing more is written to a handle that may still complete
    if (slot.owedReplies == 1 && msUntilOwedLimit(slot) > 0 &&
        std::memcmp(slot.owedCommand, command.data(), SENSOR_COMMAND_BYTES) == 0) {
        // The same command is still unanswered: its reply, when it comes, is this exchange's.
        const DWORD limit = msUntilOwedLimit(slot);
        return readOwedReply(slot, reply, limit < TRANSFER_TIMEOUT_MS ? limit : TRANSFER_TIMEOUT_MS);
    }
    settleAllDebts(GetTickCount() + OWED_LIMIT_MS);
    deviceSeam.flushQueue(slot.handle);

    const TransferOutcome written = writeCommand(slot, command.data());
    if (written != TRANSFER_DONE)
        return written == TRANSFER_TIMEOUT || written == TRANSFER_STUCK ? EXCHANGE_TIMEOUT
                                                                        : EXCHANGE_WRITE_FAILED;
    return readOwedReply(slot, reply, TRANSFER_TIMEOUT_MS);
}

bool noHandle(HANDLE handle) {
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

// The device behind the handle still answers the system (not unplugged): its attributes can be read.
bool deviceStillThere(HANDLE handle) {
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    return deviceSeam.getAttributes(handle, &attributes) != FALSE;
}

bool answeredWithinGrace(const HandleSlot& slot) {
    return slot.answered && GetTickCount() - slot.answerTick < SENSOR_LINK_GRACE_MS;
}

// The probe's own exchange: written twice (the first writing's reply is read and dropped, so that
// it cannot pass for the answer to the second), both before any reply is awaited, so that a late
// sensor answers both within one delay. Everything, the debts of earlier commands included, is over
// within the link's grace; the last reply read by then decides.
int probeExchange(HandleSlot& slot) {
    const DWORD deadline = GetTickCount() + SENSOR_LINK_GRACE_MS;
    settleAllDebts(deadline - TRANSFER_TIMEOUT_MS); // the probe's own reply gets at least a transfer's wait
    deviceSeam.flushQueue(slot.handle);
    SensorReport probe;
    buildProbeCommand(probe);
    writeCommand(slot, probe.data());
    if (writeCommand(slot, probe.data()) != TRANSFER_DONE)
        return 0;
    SensorReport reply = {};
    bool replied = false;
    while (slot.owedReplies > 0) {
        const DWORD left = msUntil(deadline);
        if (left == 0)
            break;
        const int result = readOwedReply(slot, reply, left);
        if (result == EXCHANGE_READ_FAILED)
            return 0;
        if (result == EXCHANGE_TIMEOUT)
            break; // still owed: the next exchange settles it
        replied = true;
    }
    return replied && replyCarriesAnswer(reply) ? 1 : 0;
}

} // namespace

int exchangeReport(HANDLE handle, const SensorReport& command, SensorReport& reply) {
    if (noHandle(handle))
        return EXCHANGE_WRITE_FAILED;
    lockSensor();
    const int result = exchangeLocked(slotFor(handle), command, reply);
    ReleaseSRWLockExclusive(&sensorLock);
    return result;
}

int probeSensor(HANDLE handle) {
    if (noHandle(handle))
        return 0;
    lockSensor();
    HandleSlot& slot = slotFor(handle);
    int present = 0;
    if (!slot.stuck)
        present = answeredWithinGrace(slot) && deviceStillThere(handle) ? 1 : probeExchange(slot);
    ReleaseSRWLockExclusive(&sensorLock);
    return present;
}

void setExchangeWaitHook(const ExchangeWaitHook& hook) {
    waitHook = hook;
}

void forgetSensorHandle(HANDLE handle) {
    if (noHandle(handle))
        return;
    AcquireSRWLockExclusive(&sensorLock);
    for (HandleSlot& slot : slots) {
        if (slot.handle == handle) {
            closeEvents(slot);
            slot = HandleSlot{};
        }
    }
    ReleaseSRWLockExclusive(&sensorLock);
}
