// Start-up: single instance, the sensor, the Stop command, the registry key, the settings, the
// layered-window entry point, the picture drawers, the window classes, the hidden main window and the message
// loop. Every early exit returns 0. Started with "/inicio" (the Run value at log-on), it first waits quietly
// for the sensor and takes the single-instance mutex only when the sensor is there; a copy started by hand
// without the board (its box, then its end) does not end that wait.
#include "win32/settings_record.h"
#include "app/core/command_line.h"
#include "app/program_pictures.h"
#include "win32/layered.h"
#include "win32/system_library.h"
#include "app/settings_store.h"
#include "app/startup_wait.h"
#include "app/window_classes.h"
#include "sensor/sensor_link.h"

namespace {

// Opens or creates the settings key; the settings store opens it again itself.
bool createRegistryKey() {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, SETTINGS_KEY_PATH, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void lookUpLayeredWindows() {
    if (user32Module)
        setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFn>(
            reinterpret_cast<void*>(GetProcAddress(user32Module, "SetLayeredWindowAttributes")));
}

HWND createMainWindow(HINSTANCE instance) {
    // WM_CREATE runs inside this call: the other windows, the tray, the second sensor handle and
    // the reader thread all come from there.
    HWND hwnd =
        CreateWindowExA(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_CLASS, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0,
                        0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return nullptr;
    SetWindowLongA(hwnd, GWL_EXSTYLE, GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    setLayered(hwnd, 0, 255, LWA_ALPHA);
    UpdateWindow(hwnd);
    return hwnd;
}

// The loop reads and dispatches Unicode: a character typed into the text tool's box (a Unicode
// edit control) reaches it whole, whatever the system's ANSI code page; the program's ANSI windows
// get their messages converted as before.
int runMessageLoop() {
    MSG msg = {};
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return 0;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The start by hand: the mutex, then the sensor or the box that says it is missing.
HANDLE openSensorByHand() {
    if (!takeSingleInstance())
        return nullptr;
    HANDLE sensor = findSensor();
    if (!sensor)
        MessageBoxA(nullptr, "No se ha encontrado sensor", "Error", MB_OK);
    return sensor;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    restrictDllSearchToSystem32();
    // At log-on: no box, no window until the sensor is there (and the mutex is this copy's).
    sensorCommandHandle = hasLogonOption(commandLine) ? waitForSensorAtLogon(instance) : openSensorByHand();
    if (!sensorCommandHandle)
        return 0;

    buildSensorCommand(sensorCommand, SENSOR_STOP);
    exchangeReport(sensorCommandHandle, sensorCommand, sensorReply);

    if (!createRegistryKey()) {
        MessageBoxA(nullptr, "No se puede tener acceso al registro.", "Error", MB_OK);
        return 0;
    }

    loadSettings(&settings);
    lookUpLayeredWindows(); // before the main window: its creation makes the palette layered
    registerProgramPictures();

    if (!registerWindowClasses(instance)) {
        MessageBoxA(nullptr, "El programa necesita de sistema de Windows NT", MAIN_WINDOW_CLASS,
                    MB_ICONERROR);
        return 0;
    }

    // Without its main window the program could never be reached or ended, and it would hold the
    // single-instance mutex against every later start: it ends instead.
    if (!createMainWindow(instance))
        return 0;
    return runMessageLoop();
}
