// The main window, class "Velmora": 0 x 0 and never shown; the program's hub. Its creation makes
// every other window, the tray icon and menu, opens the sensor for the reader thread and starts
// that thread; afterwards it turns tray commands into actions, watches the sensor on device changes,
// follows display changes and carries out the shut-down.
#include "win32/program.h"
#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "win32/core/dpi_scale.h"
#include "app/main_window.h"
#include "app/core/settings_layout.h"
#include "app/help_window.h"
#include "win32/class_names.h"
#include "win32/dpi.h"
#include "win32/ids.h"
#include "win32/key_colour.h"
#include "win32/layered.h"
#include "win32/no_activate.h"
#include "win32/monitors.h"
#include "app/session_power.h"
#include "app/settings_store.h"
#include "win32/tray_icon.h"
#include "calibration/calibration_window.h"
#include "calibration/core/screen_mapping.h"
#include "board/board.h"
#include "palette/core/palette_layout.h"
#include "sensor/sensor_link.h"
#include "touch/hold_ring_window.h"
#include "touch/sensor_reader.h"
#include "touch/touch_injection.h"

namespace {

constexpr DWORD READER_STOP_WAIT_MS = 500; // the reader's last exchange and a click's 100 ms pause

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

// The windows only the main window uses, its tray menu and its reader thread: made at its creation.
HWND hwndSettings = nullptr;    // "qv_sysset"
HWND hwndHelp = nullptr;        // "qv_help"
HWND hwndCalibration = nullptr; // "qv_dingwei"
HMENU trayMenu = nullptr;
POINT trayClickPoint = {0, 0}; // cursor position at which the tray menu was last opened
HANDLE readerThread = nullptr;
DWORD readerThreadId = 0;
int32_t initialScreenWidth = 0, initialScreenHeight = 0; // the board monitor's, as at the creation

UINT taskbarCreatedMessage = 0; // registered "TaskbarCreated": the shell has restarted
bool shutDownDone = false;

// A choice of monitor waits for its calibration: Esc puts back the monitor chosen before.
bool screenChoicePending = false;
ScreenChoice screenChoiceBefore;

// The balloon that says the board's monitor is missing was shown for this disappearance; cleared
// when the monitor is back, so the next disappearance is told again.
bool boardMonitorGoneTold = false;

// The calibration that a start without one began by itself is under way: Esc on it says where the
// calibration is to be found later.
bool firstCalibrationPending = false;
const char* const FIRST_CALIBRATION_SKIPPED = "Calibre la pizarra desde el icono de Velmora";

HWND createOwned(HWND owner, const char* className, const char* title, DWORD style, int x, int y, int width,
                 int height) {
    return CreateWindowExA(0, className, title, style, x, y, width, height, owner, nullptr, hInstance,
                           nullptr);
}

// A framed window centred on the primary screen: the settings and help windows are for the person
// at the computer.
HWND createCentred(HWND owner, const char* className, const char* title, int width, int height) {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
              y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return createOwned(owner, className, title, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, width,
                       height);
}

HWND createCalibrationWindow(HWND owner) {
    const RECT a = boardArea();
    return createOwned(owner, CALIBRATION_CLASS, "", WS_POPUP, a.left, a.top, a.right - a.left,
                       a.bottom - a.top);
}

// The palette floats over the lesson and is never activated by a touch.
void makePaletteLayeredAndTopmost() {
    if (!hwndPalette)
        return;
    SetWindowLongA(hwndPalette, GWL_EXSTYLE,
                   GetWindowLongA(hwndPalette, GWL_EXSTYLE) | WS_EX_LAYERED | NO_ACTIVATE_EX_STYLE);
    setLayered(hwndPalette, KEY_COLOUR, 255, LWA_COLORKEY);
    raiseTopmost(hwndPalette);
}

// The tray icon, until the shell takes it: at log-on the program can start before Explorer's tray
// is ready, and no "TaskbarCreated" need follow, so a refused icon is tried again every two seconds.
void showTrayIcon(HWND hwnd) {
    if (addTrayIcon(hwnd, hInstance))
        KillTimer(hwnd, TRAY_RETRY_TIMER);
    else
        SetTimer(hwnd, TRAY_RETRY_TIMER, TRAY_RETRY_MS, nullptr);
}

// The settings and help windows are opened over the board: while a page and its container are
// shown they are topmost, and a window shown below them could be neither seen nor reached.
void keepAboveTheBoard(HWND window) {
    if (window && IsWindowVisible(window))
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// "Pantalla de la pizarra": one item per monitor, the board's checked. Null with one monitor.
HMENU createScreenMenu(const std::vector<MonitorEntry>& monitors) {
    if (monitors.size() < 2)
        return nullptr;
    HMENU menu = CreatePopupMenu();
    const int board = resolveBoardMonitor(monitors, boardScreenChoice);
    for (size_t k = 0; k < monitors.size() && k < IDM_SCREEN_COUNT; ++k) {
        const UINT checked = int(k) == board ? MF_CHECKED : MF_UNCHECKED;
        AppendMenuA(menu, MF_STRING | checked, IDM_SCREEN_FIRST + k,
                    monitorMenuText(int(k) + 1, monitors[k]).c_str());
    }
    return menu;
}

// Split after the escape: "\xE1c" would read as one hex escape.
const char* const TOUCH_ITEM = "Usar la pizarra como pantalla t\xE1"
                               "ctil";

// Touch or mouse, checked while touches go as touch; only where the system injects touch. Touch
// given up after refusals shows unticked until the user ticks it again.
void appendTouchItem(HMENU menu) {
    if (touchInjectionStarted())
        AppendMenuA(menu,
                    MF_STRING | (touchChoice.load() && touchInjectionAvailable() ? MF_CHECKED : MF_UNCHECKED),
                    IDM_TOUCH, TOUCH_ITEM);
}

void rebuildTrayMenu();

// The tick of the touch item: touch given up is taken up again (the choice stays touch); else the
// choice turns over and is kept.
void toggleTouch() {
    if (!resumeTouchInjection() || !touchChoice.load()) {
        touchChoice = touchChoice.load() ? 0 : 1;
        saveTouchChoice(touchChoice.load() != 0);
    }
    rebuildTrayMenu();
}

// The reader gave touch up: the item shows unticked, and the user is told once.
void onTouchGivenUp() {
    rebuildTrayMenu();
    showTrayBalloon("Velmora", "Windows no acepta los toques de la pizarra: funciona como rat\xF3n");
}

// The menu as the monitors are now: with two or more, the monitor choice follows the first item.
HMENU createTrayMenu() {
    HMENU menu = CreatePopupMenu();
    HMENU screens = createScreenMenu(monitorSource());
    for (const MenuItem& item : TRAY_MENU) {
        if (item.id == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, item.id, item.text);
        if (item.id == IDM_CALIBRATE && screens)
            AppendMenuA(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(screens),
                        "Pantalla de la pizarra");
        if (item.id == IDM_SETTINGS)
            appendTouchItem(menu);
    }
    return menu;
}

// Made afresh when it opens and when the monitors change (not while it is open): monitors come
// and go, and the board's one is checked.
bool menuOpen = false;
void rebuildTrayMenu() {
    if (menuOpen)
        return;
    if (trayMenu)
        DestroyMenu(trayMenu);
    trayMenu = createTrayMenu();
}

// Once per disappearance of the chosen monitor: the board is on the primary meanwhile, and the
// projector's calibration no longer fits what it shows. Not told until the tray icon exists.
void tellWhenBoardMonitorGone(bool gone) {
    if (!gone)
        boardMonitorGoneTold = false;
    else if (!boardMonitorGoneTold)
        boardMonitorGoneTold = showTrayBalloon(
            "Pantalla de la pizarra", "La pantalla de la pizarra no est\xE1 conectada: se usa la principal");
}

LRESULT onCreate(HWND hwnd, const CREATESTRUCTA* cs) {
    hInstance = cs->hInstance;
    const bool boardMonitorGone = takeBoardMonitor();
    initialScreenWidth = screenWidth;
    initialScreenHeight = screenHeight;
    // Sized by the primary monitor, where they are centred.
    const int32_t dpi = primaryDpi();
    hwndSettings =
        createCentred(hwnd, SETTINGS_CLASS, "Configuraci\xF3n del sistema",
                      scaledForDpi(SETTINGS_WINDOW_WIDTH, dpi), scaledForDpi(SETTINGS_WINDOW_HEIGHT, dpi));
    hwndHelp = createCentred(hwnd, HELP_CLASS, "Help", scaledForDpi(HELP_WINDOW_SIZE, dpi),
                             scaledForDpi(HELP_WINDOW_SIZE, dpi));
    const BoxPoint home = paletteHome(boardMonitor.work, boardDpi());
    hwndPalette = createOwned(hwnd, PALETTE_CLASS, "", WS_POPUP | WS_CLIPCHILDREN, home.x, home.y,
                              paletteSizeForDpi(boardDpi()), paletteSizeForDpi(boardDpi()));
    makePaletteLayeredAndTopmost();
    hwndCalibration = createCalibrationWindow(hwnd);
    showTrayIcon(hwnd);
    tellWhenBoardMonitorGone(boardMonitorGone);
    tellUnrecoveredPages();
    // Under Wine, adding the tray icon takes the topmost place from the palette that was made
    // topmost just before; giving it back is harmless where that does not happen.
    raiseTopmost(hwndPalette);
    // Before the reader thread, which sets touch injection up with them (the menu offers the
    // choice once it has, and is made afresh whenever it opens).
    bindTouchInjection(systemTouchInjectionFunctions());
    trayMenu = createTrayMenu();
    openReaderSensor();
    hwndMain = hwnd;
    startSessionNotices(hwnd);
    hwndHoldRing = createHoldRingWindow(hInstance, hwnd);
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    allowTrayMessages(hwnd, taskbarCreatedMessage);
    readerThread = CreateThread(nullptr, 0, sensorReaderProc, nullptr, 0, &readerThreadId);
    // Without a complete calibration the board ignores every touch (another account's first start,
    // the calibration lives in each user's key): the crosses come at once. Posted, so that they
    // come once the creation is over and the message loop runs.
    if (sensorHandle.load() && calibValid.load() != CALIB_MAPPING)
        PostMessageA(hwnd, UM_CALIB_FIRST_START, 0, 0);
    return 0;
}

void openTrayMenu() {
    // The menu's owner must be the foreground window, or the menu does not go away when the user
    // clicks outside it.
    SetForegroundWindow(hwndMain);
    GetCursorPos(&trayClickPoint);
    rebuildTrayMenu();
    menuOpen = true;
    TrackPopupMenu(trayMenu, TPM_RIGHTBUTTON | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, trayClickPoint.x,
                   trayClickPoint.y, 0, hwndMain, nullptr);
    menuOpen = false;
    // Windows needs a message to reach the owner after the menu: without it the next menu may not
    // open, or close at once.
    PostMessageA(hwndMain, WM_NULL, 0, 0);
}

void startCalibration(HWND hwnd) {
    if (!sensorHandle.load()) {
        // Over the board too, which is topmost while shown.
        MessageBoxA(nullptr, "No se ha encontrado sensor", "Error", MB_OK | MB_TOPMOST);
        return;
    }
    if (!hwndCalibration)
        hwndCalibration = createCalibrationWindow(hwnd);
    const RECT a = boardArea();
    MoveWindow(hwndCalibration, a.left, a.top, a.right - a.left, a.bottom - a.top, FALSE);
    SendMessageA(hwndCalibration, UM_CALIB_BEGIN, 0, 0);
    calibState = CALIB_CAPTURING;
    ShowWindow(hwndCalibration, SW_SHOWNORMAL);
}

// The board's monitor is looked up again (the primary while the chosen one is missing, without
// forgetting the choice): the calibration window, the pages and the palette follow it.
void followBoardMonitor() {
    tellWhenBoardMonitorGone(takeBoardMonitor());
    const RECT a = boardArea();
    if (hwndCalibration)
        MoveWindow(hwndCalibration, a.left, a.top, a.right - a.left, a.bottom - a.top, TRUE);
    if (hwndPalette)
        SendMessageA(hwndPalette, UM_BOARD_MOVED, 0, 0);
    rebuildTrayMenu();
}

// The monitors were looked up again for a change that is not a display change (the taskbar moved,
// a board window heard of a new scale): the calibration window follows the board's monitor, and a
// calibration under way starts again only if its crosses moved.
void followBoardMonitorAndScale() {
    followBoardMonitor();
    if (hwndCalibration)
        SendMessageA(hwndCalibration, UM_CALIB_FOLLOW, 0, 0);
}

// Monitor k of the menu becomes the board's, and is calibrated at once: the calibration in force
// belongs to the projector of the other monitor. Esc during it puts the monitor before back.
void chooseScreen(HWND hwnd, unsigned k) {
    const std::vector<MonitorEntry> monitors = monitorSource();
    if (k >= monitors.size() || int(k) == resolveBoardMonitor(monitors, boardScreenChoice))
        return;
    if (!screenChoicePending)
        screenChoiceBefore = boardScreenChoice;
    boardScreenChoice = choiceOf(monitors[k]);
    followBoardMonitor();
    screenChoicePending = sensorHandle.load() != nullptr;
    startCalibration(hwnd);
}

void startFirstCalibration(HWND hwnd) {
    if (!sensorHandle.load() || calibValid.load() == CALIB_MAPPING || calibState.load() == CALIB_CAPTURING)
        return;
    startCalibration(hwnd);
    firstCalibrationPending = true;
}

// A calibration passed its check and is being installed: its points are stored at once (and again
// at shut-down), so that it outlives a process that ends any other way (the Task Manager, a crash,
// a power cut). The reader thread wrote calibRaw before it sent UM_CALIB_DONE.
void onCalibrationDone() {
    screenChoicePending = false; // the chosen monitor is calibrated: it stays
    firstCalibrationPending = false;
    saveCalibrationPoints(calibRaw);
    endCalibrationWindow(hwndCalibration);
}

void onCalibrationCancelled() {
    if (firstCalibrationPending) {
        firstCalibrationPending = false;
        showTrayBalloon("Velmora", FIRST_CALIBRATION_SKIPPED);
    }
    if (!screenChoicePending)
        return;
    screenChoicePending = false;
    boardScreenChoice = screenChoiceBefore;
    followBoardMonitor();
}

void onCommand(HWND hwnd, WPARAM wParam) {
    const unsigned id = LOWORD(wParam);
    if (id >= IDM_SCREEN_FIRST && id < IDM_SCREEN_FIRST + IDM_SCREEN_COUNT) {
        firstCalibrationPending = false;
        chooseScreen(hwnd, id - IDM_SCREEN_FIRST);
        return;
    }
    switch (id) {
    case IDM_CALIBRATE:
        firstCalibrationPending = false; // started from the tray: the user knows where it is
        startCalibration(hwnd);
        break;
    case IDM_PALETTE:
        SendMessageA(hwndPalette, UM_TOGGLE_SHOW, 0, 0);
        break;
    case IDM_SETTINGS:
        SendMessageA(hwndSettings, UM_TOGGLE_SHOW, 0, 0);
        keepAboveTheBoard(hwndSettings);
        break;
    case IDM_HELP:
        SendMessageA(hwndHelp, UM_TOGGLE_SHOW, 0, 0);
        keepAboveTheBoard(hwndHelp);
        break;
    case IDM_TOUCH: // the reader takes it at the next touch-down
        toggleTouch();
        break;
    case IDM_EXIT:
        PostMessageA(hwndMain, WM_DESTROY, 0, 0);
        break;
    default:
        break;
    }
}

// In front of everything, a full-screen presentation included: the board has stopped.
void tellSensorLost() {
    MessageBoxA(hwndMain, "Sensor desconectado", "", MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
}

// Any device change checks the sensor (DBT_DEVNODES_CHANGED is all some systems send); the notices
// for HID interfaces say more: an arrival of the sensor opens it at once, the removal of the open one
// is its loss, and other devices' interfaces are no concern of the board.
LRESULT onDeviceChange(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    std::string path;
    const InterfaceNotice notice = interfaceNotice(wParam, lParam, &path);
    if (sensorClosedForSession() || notice == NOTICE_OTHER_DEVICE)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    const HANDLE handle = sensorHandle;
    if (!handle) {
        // The reader thread picks a new handle up by itself in its next round.
        openReaderSensor();
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (notice == NOTICE_SENSOR_ARRIVED)
        return TRUE; // another interface with the sensor's identifiers; the open one stays
    if (notice == NOTICE_SENSOR_REMOVED ? openSensorRemoved(path) : probeSensor(handle) != 1) {
        // The old handle is not closed: the reader thread may be in an exchange on it right now.
        sensorHandle = nullptr;
        if (!lossWaitsForReturn(hwnd))
            tellSensorLost();
    }
    return 0;
}

// A resolution change, a monitor added or removed, the board's monitor moved: the board follows
// its monitor, and a calibration under way starts again at the first cross.
void onDisplayChange() {
    calibPointIndex = 0;
    followBoardMonitor();
    if (hwndCalibration)
        SendMessageA(hwndCalibration, UM_CALIB_RESET, 0, 0);
}

// Only the reader thread injects input and writes the calibration: once it has ended no button
// can be left down, and the calibration about to be saved is the one in force. Should it not end
// even after its transfer was cancelled, the touch it left is released here.
void stopReaderCleanly() {
    stopSensorReader(readerThread, READER_STOP_WAIT_MS);
    releaseAbandonedTouch();
}

// Once the reader has ended, at shut-down and at the end of the session: the Stop command once
// more, then either the points of a complete calibration or the settings.
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
        saveBoardNow();
        endSessionNotices(hwndMain);
        KillTimer(hwndMain, TRAY_RETRY_TIMER);
        deleteTrayIcon();
        DestroyMenu(trayMenu);
    }
    PostQuitMessage(0);
}

// Log-off or system shut-down: the process is ended after this message without WM_DESTROY, so the
// day's calibration is stored now.
void onEndSession(WPARAM ending) {
    if (!ending || shutDownDone)
        return;
    saveBoardNow();
    stopReaderCleanly();
    stopSensorAndSave();
}

} // namespace

MainWindowParts mainWindowParts() {
    return {hwndSettings, hwndHelp,           hwndCalibration,    trayMenu,
            readerThread, initialScreenWidth, initialScreenHeight};
}

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
    case WM_POWERBROADCAST:
        return onPowerBroadcast(hwnd, wParam);
    case WM_WTSSESSION_CHANGE:
        onSessionChange(hwnd, wParam);
        return 0;
    case WM_DISPLAYCHANGE:
        onDisplayChange();
        return 0;
    case WM_SETTINGCHANGE:
        // The taskbar took its new place: the palette stays inside the work area.
        if (wParam == SPI_SETWORKAREA)
            followBoardMonitorAndScale();
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_QUERYENDSESSION:
        // The session may end without another word: the board is on disk before it says yes.
        saveBoardNow();
        return TRUE;
    case WM_ENDSESSION:
        onEndSession(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == TRAY_RETRY_TIMER)
            showTrayIcon(hwnd);
        else if (onSessionPowerTimer(hwnd, wParam))
            tellSensorLost();
        return 0;
    case UM_TRAY_NOTIFY:
        if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP)
            openTrayMenu();
        return 0;
    case UM_BOARD_RESCALED:
        followBoardMonitorAndScale();
        return 0;
    case WM_DPICHANGED:
        // This hidden window stays at the primary monitor's origin: the primary's scale changed,
        // and the tray shows its icons at that scale's size. The window itself has no size to keep.
        reloadTrayIcon(hInstance, announcedDpi(wParam, lParam));
        return 0;
    case UM_CALIB_POINT:
        InvalidateRect(hwndCalibration, nullptr, TRUE);
        return 0;
    case UM_CALIB_DONE:
        onCalibrationDone();
        return 0;
    case UM_CALIB_FIRST_START:
        startFirstCalibration(hwnd);
        return 0;
    case UM_CALIB_CANCELLED:
        onCalibrationCancelled();
        return 0;
    case UM_CALIB_RETRY:
        calibrationCheckMissed(hwndCalibration);
        return 0;
    case UM_TOUCH_GIVEN_UP:
        onTouchGivenUp();
        return 0;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
            showTrayIcon(hwnd); // the shell restarted and forgot the icon
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
