#pragma once
// Finding and opening the sensor, and the one routine that talks to it.
#include <windows.h>

#include <atomic>
#include <string>

#include "sensor/core/sensor_report.h"

constexpr uint16_t SENSOR_VENDOR_ID = 0x0925;
constexpr uint16_t SENSOR_PRODUCT_ID = 0x0300;

// The program's two handles on the sensor. WinMain opens the command handle, builds the Stop
// command once and sends it at the end; the main window opens the reader thread's handle, replaces
// it when the sensor comes back, and the reader closes a replaced one.
extern HANDLE sensorCommandHandle;       // opened by WinMain; carries Stop only; never re-opened
extern std::atomic<HANDLE> sensorHandle; // the reader thread's handle; 0 means no sensor
extern SensorReport sensorCommand;       // the Stop command, built once by WinMain
extern SensorReport sensorReply;         // receives the reply to sensorCommand; unread

// Opens the first HID interface with VendorID 0x0925 / ProductID 0x0300 whose reports hold the
// protocol (reportLengthsFitSensor) and that can be opened for overlapped reading and writing;
// returns the handle, or 0 when there is none. A matching interface that refuses the open (the
// system holds mouse and touch collections exclusively) is passed over and the search goes on.
// The path of the interface opened goes to `devicePath` when one is given.
HANDLE findSensor(std::string* devicePath = nullptr);

// The report sizes of the HID collection behind the handle (any access), from its capabilities.
// false when the handle gives none (not a HID collection); then `lengths` is left as it was.
struct SensorReportLengths {
    size_t input;  // InputReportByteLength: every read asks for this many bytes
    size_t output; // OutputReportByteLength: every command is written as this many bytes
};
bool readSensorReportLengths(HANDLE handle, SensorReportLengths* lengths);

// The device behind the handle no longer answers the system (it was unplugged): its attributes
// cannot be read.
bool sensorDeviceGone(HANDLE handle);

// ---- Device interface notifications -----------------------------------------------------------

// Asks for WM_DEVICECHANGE DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE to `window` for every HID
// interface that comes or goes. Null when the system gives no such notifications.
HDEVNOTIFY registerSensorNotifications(HWND window);
void unregisterSensorNotifications(HDEVNOTIFY notifications);

enum InterfaceNotice {
    NOTICE_NONE,           // not an interface arrival or removal (DBT_DEVNODES_CHANGED and the like)
    NOTICE_OTHER_DEVICE,   // an interface of some other device came or went
    NOTICE_SENSOR_ARRIVED, // an interface whose path carries the sensor's identifiers arrived
    NOTICE_SENSOR_REMOVED, // ... was removed; its path is in `path`
};
// What a WM_DEVICECHANGE says about device interfaces.
InterfaceNotice interfaceNotice(WPARAM wParam, LPARAM lParam, std::string* path);

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

// Something the calling thread must keep doing while its exchanges wait (the reader keeps a held
// touch contact alive): while an exchange of this thread waits for a transfer or for the sensor's
// lock, `run(context)` is called, and again no later than the milliseconds it returned (INFINITE:
// not until the wait ends). It may not make an exchange. Per thread; null `run`: plain waits.
struct ExchangeWaitHook {
    DWORD (*run)(void* context);
    void* context;
};
void setExchangeWaitHook(const ExchangeWaitHook& hook);

// Drops what the exchange keeps about a handle (what it owes, its events); called before the
// handle is closed, since a new handle may get the same value.
void forgetSensorHandle(HANDLE handle);

// 1 when the sensor is there and answers: it answered (0x0A in byte 1) on this handle within the
// link's grace and the device is still present, or else it answers the probe, written now, with
// 0x0A within that grace. Else 0. Blocks for at most about the grace (beside waiting for an exchange
// under way on another thread).
int probeSensor(HANDLE handle);
