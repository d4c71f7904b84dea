// exchangeReport and probeSensor: one command written, one reply read, 100 ms per transfer.
//
// Three rules keep replies where they belong and memory safe:
// - Exchanges on one handle run one at a time (a lock per handle), so a reply cannot be taken by
//   another thread's exchange that happens to have a read pending at the same moment.
// - A transfer still pending after 100 ms is cancelled and its completion awaited before its
//   OVERLAPPED record, event and buffer are released. Should the cancellation not land within a
//   second, the records are left allocated: a transfer that may still complete never writes into
//   freed memory. Data moves through buffers of the exchange's own, never the caller's, so a
//   late completion cannot reach the caller's memory either.
// - Every exchange first discards whatever report is already waiting on the handle. The sensor
//   only speaks when spoken to and exchanges on a handle do not overlap, so a waiting report can
//   only be a late answer to an exchange that timed out, or the tail of an over-long reply: it is
//   never the answer to the command about to be written. (Discarding only right after a time-out
//   is not enough: with replies late by more than 100 ms, an exchange can read the previous
//   command's answer and look in step while the next late answer is still on its way.)
#include <atomic>
#include <cstring>
#include <new>

#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

namespace {

constexpr DWORD TRANSFER_TIMEOUT_MS = 100; // per pending write or read
constexpr DWORD CANCEL_GRACE_MS = 1000;    // for a cancelled transfer to complete

// ---- One lock per handle -----------------------------------------------------------------------

// A small table keyed by handle value. A slot is taken over by another handle only when no
// exchange holds or waits for it; with two or three sensor handles alive at a time it never fills.
struct HandleLock {
    HANDLE handle;           // null: unused slot
    SRWLOCK lock;            // held for a whole exchange (or a whole probe)
    int users;               // exchanges holding or waiting for `lock` (under tableLock)
    unsigned long long used; // when last taken, for picking a slot to reuse (under tableLock)
};

constexpr int LOCK_SLOTS = 32;
SRWLOCK tableLock = SRWLOCK_INIT;
HandleLock handleLocks[LOCK_SLOTS];
unsigned long long lockClock = 0;

HandleLock* takeSlot(HANDLE handle) {
    HandleLock* same = nullptr;
    HandleLock* reusable = nullptr;
    for (HandleLock& slot : handleLocks) {
        if (slot.handle == handle) {
            same = &slot;
            break;
        }
        if (slot.users == 0 && (!reusable || slot.used < reusable->used))
            reusable = &slot;
    }
    HandleLock* slot = same ? same : reusable;
    if (!slot)
        return nullptr;
    if (!same)
        slot->handle = handle;
    slot->users++;
    slot->used = ++lockClock;
    return slot;
}

HandleLock* lockHandle(HANDLE handle) {
    for (;;) {
        AcquireSRWLockExclusive(&tableLock);
        HandleLock* slot = takeSlot(handle);
        ReleaseSRWLockExclusive(&tableLock);
        if (slot) {
            AcquireSRWLockExclusive(&slot->lock);
            return slot;
        }
        Sleep(1); // every slot busy at this instant: wait for one to come free
    }
}

void unlockHandle(HandleLock* slot) {
    ReleaseSRWLockExclusive(&slot->lock);
    AcquireSRWLockExclusive(&tableLock);
    slot->users--;
    ReleaseSRWLockExclusive(&tableLock);
}

// ---- Transfers ---------------------------------------------------------------------------------

// The records of one exchange. Heap-allocated so that they can be left alive after a cancellation
// that did not land.
struct ExchangeRecords {
    OVERLAPPED overWrite;             // the write, with its own event
    OVERLAPPED overlap;               // the read, with its own event
    uint8_t sOut[SENSOR_REPLY_BYTES]; // the command as written
    uint8_t sIn[SENSOR_REPLY_BYTES];  // the reply as read; zero where nothing was read
};

std::atomic<long> leakedRecords{0}; // records left allocated after a cancellation that did not land

ExchangeRecords* newRecords() {
    auto* records = new (std::nothrow) ExchangeRecords();
    if (!records)
        return nullptr;
    // Auto-reset, not signalled, unnamed.
    records->overWrite.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    records->overlap.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!records->overWrite.hEvent || !records->overlap.hEvent) {
        if (records->overWrite.hEvent)
            CloseHandle(records->overWrite.hEvent);
        if (records->overlap.hEvent)
            CloseHandle(records->overlap.hEvent);
        delete records;
        return nullptr;
    }
    return records;
}

void releaseRecords(ExchangeRecords* records, bool stuck) {
    if (stuck) {
        leakedRecords++;
        return;
    }
    CloseHandle(records->overWrite.hEvent);
    CloseHandle(records->overlap.hEvent);
    delete records;
}

enum TransferOutcome {
    TRANSFER_DONE,      // completed
    TRANSFER_MORE_DATA, // a read completed, but the reply was longer than the buffer
    TRANSFER_FAILED,    // failed at once, or completed with an error
    TRANSFER_TIMEOUT,   // still pending after 100 ms; cancelled, and the cancellation landed
    TRANSFER_STUCK,     // still pending after 100 ms, and the cancellation did not land in time
};

TransferOutcome completedOutcome(HANDLE handle, OVERLAPPED* ov) {
    DWORD bytes = 0;
    if (GetOverlappedResult(handle, ov, &bytes, FALSE))
        return TRANSFER_DONE;
    return GetLastError() == ERROR_MORE_DATA ? TRANSFER_MORE_DATA : TRANSFER_FAILED;
}

// Finishes a transfer that WriteFile or ReadFile has just started; `started` is what it returned.
TransferOutcome finishTransfer(HANDLE handle, OVERLAPPED* ov, BOOL started) {
    if (started)
        return completedOutcome(handle, ov);
    const DWORD error = GetLastError();
    if (error == ERROR_MORE_DATA)
        return TRANSFER_MORE_DATA;
    if (error != ERROR_IO_PENDING)
        return TRANSFER_FAILED;
    if (WaitForSingleObject(ov->hEvent, TRANSFER_TIMEOUT_MS) == WAIT_OBJECT_0)
        return completedOutcome(handle, ov);
    // Give up on it. Whether the cancellation or a last-moment completion wins, the transfer is
    // over once its event is signalled; only then may its records go.
    CancelIoEx(handle, ov);
    if (WaitForSingleObject(ov->hEvent, CANCEL_GRACE_MS) != WAIT_OBJECT_0 && !HasOverlappedIoCompleted(ov))
        return TRANSFER_STUCK;
    return TRANSFER_TIMEOUT;
}

// One exchange on a handle whose lock the caller holds.
int exchangeLocked(HANDLE handle, const SensorReport& command, SensorReport& reply) {
    deviceSeam.flushQueue(handle);
    ExchangeRecords* records = newRecords();
    if (!records)
        return EXCHANGE_WRITE_FAILED; // nothing could be written

    std::memcpy(records->sOut, command.data(), SENSOR_REPLY_BYTES);
    BOOL started = WriteFile(handle, records->sOut, SENSOR_COMMAND_BYTES, nullptr, &records->overWrite);
    TransferOutcome outcome = finishTransfer(handle, &records->overWrite, started);
    if (outcome != TRANSFER_DONE) {
        const bool late = outcome == TRANSFER_TIMEOUT || outcome == TRANSFER_STUCK;
        releaseRecords(records, outcome == TRANSFER_STUCK);
        return late ? EXCHANGE_TIMEOUT : EXCHANGE_WRITE_FAILED;
    }

    started = ReadFile(handle, records->sIn, SENSOR_REPLY_BYTES, nullptr, &records->overlap);
    outcome = finishTransfer(handle, &records->overlap, started);
    int result = EXCHANGE_OK;
    switch (outcome) {
    case TRANSFER_DONE:
    case TRANSFER_MORE_DATA: // the first 10 bytes are the reply; the next exchange drops the rest
        break;
    case TRANSFER_FAILED:
        result = EXCHANGE_READ_FAILED;
        break;
    case TRANSFER_TIMEOUT:
    case TRANSFER_STUCK:
        result = EXCHANGE_TIMEOUT;
        break;
    }
    if (result == EXCHANGE_OK)
        std::memcpy(reply.data(), records->sIn, SENSOR_REPLY_BYTES);
    releaseRecords(records, outcome == TRANSFER_STUCK);
    return result;
}

bool noHandle(HANDLE handle) {
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

} // namespace

int exchangeReport(HANDLE handle, const SensorReport& command, SensorReport& reply) {
    if (noHandle(handle))
        return EXCHANGE_WRITE_FAILED;
    HandleLock* slot = lockHandle(handle);
    const int result = exchangeLocked(handle, command, reply);
    unlockHandle(slot);
    return result;
}

int probeSensor(HANDLE handle) {
    if (noHandle(handle))
        return 0;
    SensorReport sWriteBuf;
    buildProbeCommand(sWriteBuf);
    SensorReport sRead = {};
    HandleLock* slot = lockHandle(handle);
    // The probe is written twice. The reply to the first writing is read and thrown away, so that
    // it cannot pass for the answer to the second; the lock is held throughout, so no other
    // exchange's reply comes in between.
    SensorReport discarded = {};
    exchangeLocked(handle, sWriteBuf, discarded);
    const int result = exchangeLocked(handle, sWriteBuf, sRead);
    unlockHandle(slot);
    return result == EXCHANGE_OK && replyCarriesAnswer(sRead) ? 1 : 0;
}
