#pragma once
// Finding and opening the sensor, and the one routine that talks to it.
#include <windows.h>

#include "sensor/core/sensor_report.h"

// Opens the first HID interface with VendorID 0x0925 / ProductID 0x0300 for overlapped reading and
// writing; returns the handle, or 0 when there is none (or when its read/write open fails).
HANDLE findSensor();

enum ExchangeResult {
    EXCHANGE_OK = 0,           // command written and a reply read
    EXCHANGE_WRITE_FAILED = 1, // the write failed at once
    EXCHANGE_READ_FAILED = 2,  // the read failed at once
    EXCHANGE_TIMEOUT = 3,      // the write or the read was still pending after 100 ms
};

// How long a link may go without an answer and still count as working: a touch outlives a silence
// this long, and a sensor that answered within it is present.
constexpr DWORD SENSOR_LINK_GRACE_MS = 1000;

// Writes the 9 command bytes and reads one 10-byte reply, 100 ms per transfer. Exchanges with the
// sensor are serialised, whichever handle they use, so a reply always reaches the exchange that
// asked for it. After a time-out the reply is owed: the next exchange of the same command on that
// handle waits for it (100 ms) instead of writing again, and takes it as its answer; any other
// exchange first reads and drops it. A reply owed for more than a second is given up. Whatever
// report is waiting on the handle when a command is about to be written is discarded. A handle
// on which a cancelled transfer never completed is not used again: EXCHANGE_WRITE_FAILED at once.
int exchangeReport(HANDLE handle, const SensorReport& command, SensorReport& reply);

// Drops what the exchange keeps about a handle (what it owes, its events); called before the
// handle is closed, since a new handle may get the same value.
void forgetSensorHandle(HANDLE handle);

// 1 when the sensor is there and answers: it answered (0x0A in byte 1) on this handle within the
// link's grace and the device is still present, or else it answers the probe, written now, with
// 0x0A within that grace. Else 0. Blocks for at most about the grace (beside waiting for an exchange
// under way on another thread).
int probeSensor(HANDLE handle);
