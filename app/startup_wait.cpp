// The single-instance mutex and the wait for the sensor at log-on (see startup_wait.h): a
// message-only window that looks for the sensor at every WM_DEVICECHANGE and on a 5 s timer, and
// ends the wait when it is found and the mutex is taken, or when a running copy is found.
#include "app/startup_wait.h"

#include <dbt.h>

#include "win32/class_names.h"
#include "sensor/device_seam.h"
#include "sensor/sensor_link.h"

namespace {

constexpr UINT_PTR RETRY_TIMER = 1;

enum WaitState { WAITING, FOUND, GIVEN_UP };

WaitState waitState = WAITING; // set by the window procedure, read by the loop below
HANDLE foundSensor = nullptr;  // the sensor once FOUND

// Another copy holds the mutex: opening it succeeds only while one does.
bool mutexHeld() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, SINGLE_INSTANCE_MUTEX);
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}

// A copy runs once it has its main window. (The mutex alone says less: a copy started by hand
// without the board holds it while its "No se ha encontrado sensor" is shown, then ends.)
bool programRuns() {
    return FindWindowA(MAIN_WINDOW_CLASS, nullptr) != nullptr;
}

void lookAgain() {
    if (waitState != WAITING)
        return;
    // A copy that already runs has the sensor: this one has nothing left to wait for, and ends
    // without touching it.
    if (programRuns()) {
        waitState = GIVEN_UP;
        return;
    }
    // A copy without a main window holds the mutex: the sensor is left to it until the next look.
    if (mutexHeld())
        return;
    HANDLE sensor = findSensor();
    if (!sensor)
        return;
    // Of two copies that find the sensor at once, the one that takes the mutex carries on; the
    // other lets its handle go and looks again later (it then finds the first one running).
    if (!takeSingleInstance()) {
        CloseHandle(sensor);
        return;
    }
    foundSensor = sensor;
    waitState = FOUND;
}

// Device changes reach a message-only window only when it asks for them: the HID interface
// class's arrivals and removals. (The broadcast DBT_DEVNODES_CHANGED goes to top-level windows
// only.) A failure leaves the timer to do the work.
HDEVNOTIFY askForDeviceChanges(HWND hwnd) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    deviceSeam.getHidGuid(&filter.dbcc_classguid);
    return RegisterDeviceNotificationA(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

HWND createWaitWindow(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = startupWaitProc;
    wc.hInstance = instance;
    wc.lpszClassName = STARTUP_WAIT_CLASS;
    RegisterClassA(&wc); // a failure shows in the creation below
    return CreateWindowExA(0, STARTUP_WAIT_CLASS, "Velmora", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

// A message sent from another thread (the system's device change, the installer's WM_CLOSE) is
// handled inside GetMessageA, which then goes on waiting for a posted one: the wait's end is
// posted, so the loop sees it at once rather than at the next timer tick.
void endWait(HWND hwnd, WaitState state) {
    waitState = state;
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

} // namespace

bool takeSingleInstance() {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, SINGLE_INSTANCE_MUTEX);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex)
            CloseHandle(mutex);
        return false;
    }
    return true;
}

LRESULT CALLBACK startupWaitProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DEVICECHANGE:
    case WM_TIMER:
        lookAgain();
        if (waitState != WAITING)
            endWait(hwnd, waitState);
        return message == WM_DEVICECHANGE ? TRUE : 0;
    case WM_CLOSE: // the installer ends a waiting copy like a running one
        endWait(hwnd, GIVEN_UP);
        return 0;
    // No WM_ENDSESSION: the system sends it to top-level windows only. At log-off it ends this
    // process, which holds nothing to store (no settings are loaded before the sensor is found).
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

HANDLE waitForSensorAtLogon(HINSTANCE instance) {
    waitState = WAITING;
    foundSensor = nullptr;
    lookAgain();
    if (waitState != WAITING)
        return foundSensor;

    HWND hwnd = createWaitWindow(instance);
    if (!hwnd) {
        // No window, so no messages: the timer's part alone, with plain sleeps.
        while (waitState == WAITING) {
            Sleep(STARTUP_WAIT_RETRY_MS);
            lookAgain();
        }
        return foundSensor;
    }
    HDEVNOTIFY notify = askForDeviceChanges(hwnd);
    SetTimer(hwnd, RETRY_TIMER, STARTUP_WAIT_RETRY_MS, nullptr);

    MSG msg;
    while (waitState == WAITING) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) { // nothing here posts WM_QUIT; should anything do so, stop
            waitState = GIVEN_UP;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    KillTimer(hwnd, RETRY_TIMER);
    if (notify)
        UnregisterDeviceNotification(notify);
    DestroyWindow(hwnd);
    UnregisterClassA(STARTUP_WAIT_CLASS, instance);
    return waitState == FOUND ? foundSensor : nullptr;
}
