// The main window, class "Velmora": 0 x 0 and never shown; the program's hub. Its creation makes
// every other window, the tray icon and menu, opens the sensor for the reader thread and starts
// that thread; afterwards it turns tray commands into actions, watches the sensor on device changes,
// follows display changes and carries out the shut-down.
#include "app/app_state.h"
#include "app/ids.h"
#include "app/settings_store.h"
#include "app/window_procs.h"
#include "calibration/calibration_window.h"
#include "calibration/core/screen_mapping.h"
#include "resources/resource_ids.h"
#include "sensor/sensor_link.h"
#include "touch/hold_ring_window.h"
#include "touch/sensor_reader.h"

namespace {

constexpr UINT TRAY_ICON_ID = IDI_VELMORA;
constexpr DWORD READER_STOP_WAIT_MS = 500; // the reader's last exchange and a click's 100 ms pause

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the tray record's first form is 88 bytes on 32-bit Windows");
#endif

struct MenuItem {
    UINT id; // 0: a separator
    const char* text;
};

// The tray menu, top to bottom.
constexpr MenuItem TRAY_MENU[] = {
    {IDM_CALIBRATE, "Calibrar espacio de trabajo"},
    {IDM_SETTINGS, "Configuraci\xF3n del sistema"},
    {IDM_PALETTE, "Zarpelo"},
    {IDM_HELP, "Ayuda"},
    {0, nullptr},
    {IDM_EXIT, "Salir"},
};

UINT taskbarCreatedMessage = 0; // registered "TaskbarCreated": the shell has restarted
bool shutDownDone = false;

void takeScreenSize() {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    ScreenTargets screen = {w, h, {}};
    for (int i = 0; i < 4; ++i) {
        const ScreenPoint cross = calibrationCross(i, w, h);
        screen.targets[i][0] = cross.x;
        screen.targets[i][1] = cross.y;
    }
    publishScreenTargets(screen);
}

HWND createOwned(HWND owner, const char* className, const char* title, DWORD style, int x, int y, int width,
                 int height) {
    return CreateWindowExA(0, className, title, style, x, y, width, height, owner, nullptr, hInstance,
                           nullptr);
}

HWND createCalibrationWindow(HWND owner, int width, int height) {
    return createOwned(owner, "qv_dingwei", "", WS_POPUP, 0, 0, width, height);
}

void makePaletteLayeredAndTopmost() {
    if (!hwndPalette)
        return;
    SetWindowLongA(hwndPalette, GWL_EXSTYLE, GetWindowLongA(hwndPalette, GWL_EXSTYLE) | WS_EX_LAYERED);
    if (setLayeredWindowAttributes)
        setLayeredWindowAttributes(hwndPalette, RGB(KEY_COLOUR_LEVEL, KEY_COLOUR_LEVEL, KEY_COLOUR_LEVEL),
                                   255, LWA_COLORKEY);
    SetWindowPos(hwndPalette, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void addTrayIcon(HWND hwnd) {
    trayIcon = {};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIcon.hWnd = hwnd;
    trayIcon.uID = TRAY_ICON_ID;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = UM_TRAY_NOTIFY;
    trayIcon.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_VELMORA));
    Shell_NotifyIconA(NIM_ADD, &trayIcon);
}

HMENU createTrayMenu() {
    HMENU menu = CreatePopupMenu();
    for (const MenuItem& item : TRAY_MENU) {
        if (item.id == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, item.id, item.text);
    }
    return menu;
}

LRESULT onCreate(HWND hwnd, const CREATESTRUCTA* cs) {
    hInstance = cs->hInstance;
    takeScreenSize();
    initialScreenWidth = screenWidth;
    initialScreenHeight = screenHeight;
    const int w = initialScreenWidth, h = initialScreenHeight;
    const DWORD framed = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    hwndSettings = createOwned(hwnd, "qv_sysset", "Configuraci\xF3n del sistema", framed, (w - 380) / 2,
                               (h - 440) / 2, 380, 440);
    hwndHelp = createOwned(hwnd, "qv_help", "Help", framed, (w - 220) / 2, (h - 220) / 2, 220, 220);
    hwndPalette = createOwned(hwnd, "qv_tool", "", WS_POPUP | WS_CLIPCHILDREN, w - 255, h - 255, 220, 220);
    makePaletteLayeredAndTopmost();
    hwndCalibration = createCalibrationWindow(hwnd, w, h);
    addTrayIcon(hwnd);
    // Under Wine, adding the tray icon takes the topmost place from the palette that was made
    // topmost just before; giving it back is harmless where that does not happen.
    if (hwndPalette)
        SetWindowPos(hwndPalette, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    trayMenu = createTrayMenu();
    sensorHandle = findSensor();
    hwndMain = hwnd;
    hwndHoldRing = createHoldRingWindow(hInstance, hwnd);
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    readerThread = CreateThread(nullptr, 0, sensorReaderProc, nullptr, 0, &readerThreadId);
    return 0;
}

void openTrayMenu() {
    // The menu's owner must be the foreground window, or the menu does not go away when the user
    // clicks outside it.
    SetForegroundWindow(hwndMain);
    GetCursorPos(&trayClickPoint);
    TrackPopupMenu(trayMenu, TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, trayClickPoint.x,
                   trayClickPoint.y, 0, hwndMain, nullptr);
}

void startCalibration(HWND hwnd) {
    if (!sensorHandle.load()) {
        MessageBoxA(nullptr, "No se ha encontrado sensor", "Error", MB_OK);
        return;
    }
    if (!hwndCalibration)
        hwndCalibration = createCalibrationWindow(hwnd, initialScreenWidth, initialScreenHeight);
    SendMessageA(hwndCalibration, UM_CALIB_BEGIN, 0, 0);
    calibState = CALIB_CAPTURING;
    ShowWindow(hwndCalibration, SW_SHOWNORMAL);
}

void onCommand(HWND hwnd, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDM_CALIBRATE:
        startCalibration(hwnd);
        break;
    case IDM_PALETTE:
        SendMessageA(hwndPalette, UM_TOGGLE_SHOW, 0, 0);
        break;
    case IDM_SETTINGS:
        SendMessageA(hwndSettings, UM_TOGGLE_SHOW, 0, 0);
        break;
    case IDM_HELP:
        SendMessageA(hwndHelp, UM_TOGGLE_SHOW, 0, 0);
        break;
    case IDM_EXIT:
        PostMessageA(hwndMain, WM_DESTROY, 0, 0);
        break;
    default:
        break;
    }
}

LRESULT onDeviceChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const HANDLE handle = sensorHandle;
    if (!handle) {
        // The reader thread picks a new handle up by itself in its next round.
        sensorHandle = findSensor();
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (probeSensor(handle) != 1) {
        // The old handle is not closed: the reader thread may be in an exchange on it right now.
        sensorHandle = nullptr;
        MessageBoxA(hwndMain, "Sensor desconectado", "", MB_OK);
    }
    return 0;
}

void onDisplayChange() {
    calibPointIndex = 0;
    takeScreenSize();
    if (hwndCalibration) {
        MoveWindow(hwndCalibration, 0, 0, screenWidth, screenHeight, TRUE);
        SendMessageA(hwndCalibration, UM_CALIB_RESET, 0, 0);
    }
}

// Only the reader thread injects input and writes the calibration: once it has ended no button
// can be left down, and the calibration about to be saved is the one in force. Should it not end
// even after its transfer was cancelled, the touch it left is released here.
void stopReaderCleanly() {
    stopSensorReader(readerThread, READER_STOP_WAIT_MS);
    releaseAbandonedTouch();
}

// Shut-down steps 1 and 2: the Stop command once more, then either the points of a complete
// calibration or the settings.
void stopSensorAndSave() {
    exchangeReport(sensorCommandHandle, sensorCommand, sensorReply);
    if (calibValid.load(std::memory_order_acquire) == CALIB_MAPPING)
        saveCalibrationPoints(calibRaw);
    else
        saveSettings(&settings);
}

void onShutdown() {
    if (!shutDownDone) {
        shutDownDone = true;
        stopReaderCleanly();
        stopSensorAndSave();
        CloseHandle(readerThread);
        Shell_NotifyIconA(NIM_DELETE, &trayIcon);
        DestroyMenu(trayMenu);
    }
    PostQuitMessage(0);
}

// Log-off or system shut-down: the process is ended after this message without WM_DESTROY, so the
// day's calibration is stored now.
void onEndSession(WPARAM ending) {
    if (!ending || shutDownDone)
        return;
    stopReaderCleanly();
    stopSensorAndSave();
}

} // namespace

LRESULT CALLBACK mainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_DESTROY:
    case WM_CLOSE:
        onShutdown();
        return 0;
    case WM_COMMAND:
        onCommand(hwnd, wParam);
        return 0;
    case WM_DEVICECHANGE:
        return onDeviceChange(hwnd, message, wParam, lParam);
    case WM_DISPLAYCHANGE:
        onDisplayChange();
        return 0;
    case WM_ENDSESSION:
        onEndSession(wParam);
        return 0;
    case UM_TRAY_NOTIFY:
        if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP)
            openTrayMenu();
        return 0;
    case UM_CALIB_POINT:
        InvalidateRect(hwndCalibration, nullptr, TRUE);
        return 0;
    case UM_CALIB_DONE:
        endCalibrationWindow(hwndCalibration);
        return 0;
    case UM_CALIB_RETRY:
        calibrationCheckMissed(hwndCalibration);
        return 0;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            addTrayIcon(hwnd); // the shell restarted and forgot the icon
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
