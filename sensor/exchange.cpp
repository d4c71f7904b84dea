// exchangeReport and probeSensor: one command written, one reply read, 100 ms per transfer.
//
// The rules that keep every reply with the command it answers, and memory safe:
// - One exchange at a time with the sensor, whichever handle it goes through (one lock for all).
//   The program opens the sensor twice, and a HID class driver gives every open handle a copy of
//   every input report: a reply to a command on one handle also waits on the other. With
//   exchanges serialised per handle only, the reader's pending read on its handle took the reply
//   to a Stop written on the other one.
// - Every command gets exactly one reply, so each handle knows whether a reply is still owed (its
//   command timed out). An owed reply is dealt with before anything else is written to the
//   sensor: on its own handle it is read, and taken as the answer when the command to exchange is
//   the very one that is owed (a late sensor then still delivers every answer, late); otherwise,
//   and on every other handle, it is read and dropped. A reply still owed a second after its
//   command is given up: a sensor that dropped a command is not waited on for ever. (Emptying
//   the handle before each exchange is not enough on its own: a late reply that arrives while
//   the next read is pending would be taken as that command's answer.)
// - After the debts, an exchange discards whatever report is already waiting on its handle before
//   it writes, whenever something can be waiting there: the copies of replies to exchanges on the
//   other handle, the tail of an over-long reply, a reply given up. A handle whose last exchange
//   was the sensor's last one, and ended cleanly, has nothing waiting, and the flush's cost (a
//   round trip to the system) is saved on every round of an idle board.
// - A transfer still pending after 100 ms is cancelled and its completion awaited before its
//   OVERLAPPED record and buffer are released. Should the cancellation not land within a second,
//   the records (and the handle's events) are left allocated: a transfer that may still complete
//   never writes into freed memory. Data moves through buffers of the exchange's own, never the
//   caller's, so a late completion cannot reach the caller's memory either.
#include <atomic>
#include <cstring>
#include <new>

#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

namespace {

constexpr DWORD TRANSFER_TIMEOUT_MS = 100; // per pending write or read
constexpr DWORD CANCEL_GRACE_MS = 1000;    // for a cancelled transfer to complete
constexpr DWORD OWED_LIMIT_MS = 1000;      // an owed reply is waited for until this long after its command
// A read asks for more than a reply: the sensor's handle may read in bytes (a pipe does), and the
// tail of an over-long reply is then taken with it instead of waiting to pass for the next reply.
// The first 10 bytes are the reply. Only a read that fills the buffer may have left bytes behind.
constexpr DWORD READ_BYTES = 64;

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
    bool owing;          // a command's reply has not been read yet
    bool mayHoldReports; // something may be waiting: flush before the next write
    DWORD owedTick;      // when that command was written
    uint8_t owedCommand[SENSOR_COMMAND_BYTES];
    unsigned long long used; // when last taken, for picking a slot to reuse
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
    oldest->mayHoldReports = true;
    oldest->used = ++slotClock;
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

// ---- Transfers ---------------------------------------------------------------------------------

// The records of one transfer. Heap-allocated so that they can be left alive after a cancellation
// that did not land.
struct TransferRecords {
    OVERLAPPED ov;
    uint8_t data[READ_BYTES]; // the command as written, or the reply as read (zero where
                              // nothing was read)
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
    if (WaitForSingleObject(ov->hEvent, waitMs) == WAIT_OBJECT_0)
        return completedOutcome(handle, ov);
    // Give up on it. Whether the cancellation or a last-moment completion wins, the transfer is
    // over once its event is signalled; only then may its records go. A completion that won is a
    // transfer done: a late reply that came just as its wait ran out is this read's reply, and
    // would be lost for good if it were taken for a timeout.
    CancelIoEx(handle, ov);
    if (WaitForSingleObject(ov->hEvent, CANCEL_GRACE_MS) != WAIT_OBJECT_0 && !HasOverlappedIoCompleted(ov))
        return TRANSFER_STUCK;
    const TransferOutcome outcome = completedOutcome(handle, ov);
    return outcome == TRANSFER_FAILED ? TRANSFER_TIMEOUT : outcome;
}

// One write or read of the handle in `slot`, waiting at most waitMs for a pending one. A read
// copies what it got into `in` (10 bytes) when it completed.
TransferOutcome transfer(HandleSlot& slot, bool write, const uint8_t* out, uint8_t* in, DWORD waitMs) {
    if (!haveEvents(slot))
        return TRANSFER_FAILED;
    auto* records = new (std::nothrow) TransferRecords();
    if (!records)
        return TRANSFER_FAILED;
    records->ov.hEvent = write ? slot.writeEvent : slot.readEvent;
    BOOL started;
    if (write) {
        std::memcpy(records->data, out, SENSOR_COMMAND_BYTES);
        started = WriteFile(slot.handle, records->data, SENSOR_COMMAND_BYTES, nullptr, &records->ov);
    } else {
        started = ReadFile(slot.handle, records->data, READ_BYTES, nullptr, &records->ov);
    }
    const TransferOutcome outcome = finishTransfer(slot.handle, &records->ov, started, waitMs);
    if (outcome == TRANSFER_STUCK) {
        // The transfer may still complete into these records and signal this event.
        leakedRecords++;
        if (write)
            slot.writeEvent = nullptr;
        else
            slot.readEvent = nullptr;
        return outcome;
    }
    if (!write && (outcome == TRANSFER_DONE || outcome == TRANSFER_MORE_DATA)) {
        std::memcpy(in, records->data, SENSOR_REPLY_BYTES);
        DWORD got = 0;
        GetOverlappedResult(slot.handle, &records->ov, &got, FALSE);
        if (outcome == TRANSFER_MORE_DATA || got >= READ_BYTES)
            slot.mayHoldReports = true;
    }
    delete records;
    return outcome;
}

bool readCompleted(TransferOutcome outcome) {
    // A reply longer than the read: its first 10 bytes are the reply; the next flush drops the rest.
    return outcome == TRANSFER_DONE || outcome == TRANSFER_MORE_DATA;
}

DWORD msUntilOwedLimit(const HandleSlot& slot) {
    const DWORD age = GetTickCount() - slot.owedTick;
    return age >= OWED_LIMIT_MS ? 0 : OWED_LIMIT_MS - age;
}

// Reads and drops the reply `slot` still owes, waiting until its time is up.
void settleDebt(HandleSlot& slot) {
    if (!slot.owing)
        return;
    uint8_t dropped[SENSOR_REPLY_BYTES];
    const DWORD waitMs = msUntilOwedLimit(slot);
    if (waitMs == 0 || transfer(slot, false, nullptr, dropped, waitMs) != TRANSFER_DONE)
        slot.mayHoldReports = true; // given up: it may still come
    // Read, failed or given up: nothing more is waited for on its account.
    slot.owing = false;
}

// One exchange on `slot`'s handle; the caller holds the sensor's lock.
int exchangeLocked(HandleSlot& slot, const SensorReport& command, SensorReport& reply) {
    uint8_t in[SENSOR_REPLY_BYTES] = {};
    if (slot.owing && msUntilOwedLimit(slot) > 0 &&
        std::memcmp(slot.owedCommand, command.data(), SENSOR_COMMAND_BYTES) == 0) {
        // The same command is still unanswered: its reply, when it comes, is this exchange's.
        const DWORD waitMs =
            msUntilOwedLimit(slot) < TRANSFER_TIMEOUT_MS ? msUntilOwedLimit(slot) : TRANSFER_TIMEOUT_MS;
        const TransferOutcome outcome = transfer(slot, false, nullptr, in, waitMs);
        if (outcome == TRANSFER_TIMEOUT || outcome == TRANSFER_STUCK)
            return EXCHANGE_TIMEOUT; // still owed
        slot.owing = false;
        if (!readCompleted(outcome)) {
            slot.mayHoldReports = true;
            return EXCHANGE_READ_FAILED;
        }
        std::memcpy(reply.data(), in, SENSOR_REPLY_BYTES);
        return EXCHANGE_OK;
    }
    for (HandleSlot& other : slots) {
        if (!other.handle)
            continue;
        settleDebt(other);
        if (&other != &slot)
            other.mayHoldReports = true; // this exchange's reply may be copied to it
    }
    if (slot.mayHoldReports) {
        deviceSeam.flushQueue(slot.handle);
        slot.mayHoldReports = false;
    }

    TransferOutcome outcome = transfer(slot, true, command.data(), nullptr, TRANSFER_TIMEOUT_MS);
    if (outcome != TRANSFER_DONE) {
        slot.mayHoldReports = true;
        return outcome == TRANSFER_TIMEOUT || outcome == TRANSFER_STUCK ? EXCHANGE_TIMEOUT
                                                                        : EXCHANGE_WRITE_FAILED;
    }
    const DWORD written = GetTickCount();
    outcome = transfer(slot, false, nullptr, in, TRANSFER_TIMEOUT_MS);
    if (outcome == TRANSFER_TIMEOUT || outcome == TRANSFER_STUCK) {
        slot.owing = true;
        slot.owedTick = written;
        std::memcpy(slot.owedCommand, command.data(), SENSOR_COMMAND_BYTES);
        return EXCHANGE_TIMEOUT;
    }
    if (!readCompleted(outcome)) {
        slot.mayHoldReports = true;
        return EXCHANGE_READ_FAILED;
    }
    std::memcpy(reply.data(), in, SENSOR_REPLY_BYTES);
    return EXCHANGE_OK;
}

bool noHandle(HANDLE handle) {
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

} // namespace

int exchangeReport(HANDLE handle, const SensorReport& command, SensorReport& reply) {
    if (noHandle(handle))
        return EXCHANGE_WRITE_FAILED;
    AcquireSRWLockExclusive(&sensorLock);
    const int result = exchangeLocked(slotFor(handle), command, reply);
    ReleaseSRWLockExclusive(&sensorLock);
    return result;
}

int probeSensor(HANDLE handle) {
    if (noHandle(handle))
        return 0;
    SensorReport sWriteBuf;
    buildProbeCommand(sWriteBuf);
    SensorReport sRead = {};
    AcquireSRWLockExclusive(&sensorLock);
    HandleSlot& slot = slotFor(handle);
    // The probe is written twice. The reply to the first writing is read and thrown away, so that
    // it cannot pass for the answer to the second; the lock is held throughout, so no other
    // exchange's reply comes in between.
    SensorReport discarded = {};
    exchangeLocked(slot, sWriteBuf, discarded);
    const int result = exchangeLocked(slot, sWriteBuf, sRead);
    ReleaseSRWLockExclusive(&sensorLock);
    return result == EXCHANGE_OK && replyCarriesAnswer(sRead) ? 1 : 0;
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
