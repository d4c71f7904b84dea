// The sensor through sleep, session changes and device interface notices. What each event means
// for the sensor is decided by applyLinkEvent (app/core/sensor_presence.h); this file carries it
// out. A held button is always released by the reader itself (pauseSensorReader), through the same
// release a lost link uses, so a touch ends one way whatever ended it.
#include "app/session_power.h"

#include <dbt.h>

#include "app/core/sensor_presence.h"
#include "win32/system_library.h"
#include "sensor/core/device_path.h"
#include "sensor/sensor_link.h"
#include "touch/sensor_reader.h"

namespace {

// How long the GUI thread waits for the reader to stop: its exchange under way (up to 200 ms), the
// 100 ms of a click's release, and the grace of a transfer that is being cancelled.
constexpr DWORD READER_PAUSE_WAIT_MS = 1500;

// An early log-on's registration for session notices is tried again this often, this many times
// (ten minutes).
constexpr UINT SESSION_NOTICES_RETRY_MS = 2000;
constexpr int SESSION_NOTICES_TRIES = 300;

LinkConditions conditions;             // what the system has said so far (GUI thread)
WakeRecord wake;                       // the last wake (GUI thread)
std::string readerSensorPath;          // the interface sensorHandle was opened on (GUI thread)
HDEVNOTIFY interfaceNotices = nullptr; // the registration for HID interface notices
bool sessionNoticesOn = false;         // WTSRegisterSessionNotification succeeded
int sessionNoticeTriesLeft = 0;        // registrations still to try after RPC_S_INVALID_BINDING

// wtsapi32 is loaded at run time: a system without it still runs, without session notices.
constexpr DWORD NOTIFY_FOR_THIS_SESSION_ONLY = 0; // NOTIFY_FOR_THIS_SESSION of <wtsapi32.h>
using SessionUnregister = BOOL(WINAPI*)(HWND);

FARPROC sessionProc(const char* name) {
    static HMODULE library = loadSystemLibrary("wtsapi32.dll");
    return library ? GetProcAddress(library, name) : nullptr;
}

SessionNoticeRegistration sessionRegistration() {
    if (sessionNoticeRegistration)
        return sessionNoticeRegistration;
    return reinterpret_cast<SessionNoticeRegistration>(
        reinterpret_cast<void*>(sessionProc("WTSRegisterSessionNotification")));
}

// At a log-on the program can start before the services behind session notices. Windows documents
// it: "If this function is called before the dependent services of Remote Desktop Services have
// started, an RPC_S_INVALID_BINDING error code may be returned. When the Global\TermSrvReadyEvent
// global event is set, all dependent services have started and this function can be successfully
// called." That failure is tried again on a timer, every two seconds for ten minutes at most; any
// other is final, and the program runs without session notices (a lock then leaves the sensor open).
void registerSessionNotices(HWND hwnd) {
    const SessionNoticeRegistration registration = sessionRegistration();
    sessionNoticesOn = registration && registration(hwnd, NOTIFY_FOR_THIS_SESSION_ONLY);
    const bool servicesNotReady =
        !sessionNoticesOn && registration && GetLastError() == RPC_S_INVALID_BINDING;
    if (servicesNotReady && sessionNoticeTriesLeft-- > 0)
        SetTimer(hwnd, SESSION_NOTICES_TIMER, SESSION_NOTICES_RETRY_MS, nullptr);
    else
        KillTimer(hwnd, SESSION_NOTICES_TIMER);
}

void closeCommandHandle() {
    if (!sensorCommandHandle)
        return;
    forgetSensorHandle(sensorCommandHandle);
    CloseHandle(sensorCommandHandle);
    sensorCommandHandle = nullptr;
}

// Locked or away: no button stays down, nothing is polled, and no handle of this session holds the
// sensor. The reader closes its own handle once it sees it replaced (it may be in an exchange on
// it right now).
void closeSensor() {
    sensorHandle = nullptr;
    pauseSensorReader(READER_PAUSE_WAIT_MS);
    closeCommandHandle();
}

void reopenSensor() {
    if (!sensorCommandHandle)
        sensorCommandHandle = findSensor();
    openReaderSensor();
    if (pollingWanted(conditions))
        resumeSensorReader();
}

// After sleep the device may have been reset or replaced, and the system may send no device change
// at all for it: the handle is checked now. A handle that still answers is kept; otherwise the
// sensor is opened afresh at once; and when it is not there, the loss is told exactly as at any
// device change, by the device-change handling itself.
void checkSensorAfterWake(HWND hwnd) {
    const HANDLE handle = sensorHandle;
    if (handle && probeSensor(handle) == 1)
        return;
    std::string path;
    const HANDLE fresh = findSensor(&path);
    if (fresh) {
        readerSensorPath = path;
        sensorHandle = fresh; // the reader closes the old one
        return;
    }
    if (handle)
        PostMessageA(hwnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
}

void apply(HWND hwnd, LinkEvent event) {
    switch (applyLinkEvent(conditions, event)) {
    case LINK_PAUSE:
        pauseSensorReader(READER_PAUSE_WAIT_MS);
        break;
    case LINK_RESUME_CHECK:
        resumeSensorReader();
        checkSensorAfterWake(hwnd);
        break;
    case LINK_CLOSE:
        closeSensor();
        break;
    case LINK_REOPEN:
        reopenSensor();
        break;
    case LINK_KEEP:
        break;
    }
}

} // namespace

SessionNoticeRegistration sessionNoticeRegistration = nullptr;

void startSessionNotices(HWND hwnd) {
    sessionNoticeTriesLeft = SESSION_NOTICES_TRIES;
    registerSessionNotices(hwnd);
    interfaceNotices = registerSensorNotifications(hwnd);
}

void endSessionNotices(HWND hwnd) {
    KillTimer(hwnd, SESSION_NOTICES_TIMER);
    KillTimer(hwnd, WAKE_RETURN_TIMER);
    const auto unregisterSession = reinterpret_cast<SessionUnregister>(
        reinterpret_cast<void*>(sessionProc("WTSUnRegisterSessionNotification")));
    if (sessionNoticesOn && unregisterSession)
        unregisterSession(hwnd);
    sessionNoticesOn = false;
    unregisterSensorNotifications(interfaceNotices);
    interfaceNotices = nullptr;
}

LRESULT onPowerBroadcast(HWND hwnd, WPARAM event) {
    if (event == PBT_APMSUSPEND) {
        apply(hwnd, LINK_SUSPEND);
    } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND ||
               event == PBT_APMRESUMECRITICAL) {
        wake = {true, GetTickCount()}; // before the check: a sensor missing at once may be the wake's
        apply(hwnd, LINK_RESUME);      // the later ones of a wake find it awake already: nothing more
    }
    return TRUE;
}

bool lossWaitsForReturn(HWND hwnd) {
    if (!lossAwaitsReturn(wake, GetTickCount()))
        return false;
    SetTimer(hwnd, WAKE_RETURN_TIMER, WAKE_RETURN_MS, nullptr);
    return true;
}

bool onSessionPowerTimer(HWND hwnd, WPARAM timer) {
    if (timer == SESSION_NOTICES_TIMER) {
        if (!sessionNoticesOn)
            registerSessionNotices(hwnd);
        return false;
    }
    if (timer != WAKE_RETURN_TIMER)
        return false;
    KillTimer(hwnd, WAKE_RETURN_TIMER);
    // Locked or asleep again meanwhile: the unlock or the next wake looks at the sensor afresh.
    if (!pollingWanted(conditions) || sensorHandle.load())
        return false;
    openReaderSensor(); // back without a word from the system
    return !sensorHandle.load();
}

void onSessionChange(HWND hwnd, WPARAM event) {
    switch (event) {
    case WTS_SESSION_LOCK:
        apply(hwnd, LINK_LOCK);
        break;
    case WTS_SESSION_UNLOCK:
        apply(hwnd, LINK_UNLOCK);
        break;
    case WTS_CONSOLE_DISCONNECT:
        apply(hwnd, LINK_CONSOLE_DISCONNECT);
        break;
    case WTS_CONSOLE_CONNECT:
        apply(hwnd, LINK_CONSOLE_CONNECT);
        break;
    default:
        break; // log-on, log-off, remote connections: nothing for the board
    }
}

bool sensorClosedForSession() {
    return !sensorWanted(conditions);
}

void openReaderSensor() {
    std::string path;
    sensorHandle = findSensor(&path);
    readerSensorPath = sensorHandle.load() ? path : std::string();
}

bool openSensorRemoved(const std::string& path) {
    const HANDLE handle = sensorHandle;
    return handle && sameDevicePath(path, readerSensorPath) && sensorDeviceGone(handle);
}
