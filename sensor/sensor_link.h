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

// Writes the 9 command bytes and reads one 10-byte reply, 100 ms per transfer. Exchanges on one
// handle are serialised, so a reply always reaches the exchange that asked for it.
int exchangeReport(HANDLE handle, const SensorReport& command, SensorReport& reply);

// 1 when the sensor answers the probe with 0x0A in byte 1, else 0.
int probeSensor(HANDLE handle);
