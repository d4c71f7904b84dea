#pragma once
// AppState: the process-wide state that the GUI thread and the reader thread share, as static
// variables zeroed at load. The fields both threads touch are atomics (plain loads and stores);
// the reader thread publishes a finished calibration by writing the transform first and storing
// calibState = CALIB_MAPPING with release order last.

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "app/core/board_monitor.h"
#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"
#include "sensor/core/sensor_report.h"

// The three settings, loaded, saved and copied as one record (copySettings).
struct SettingsRecord {
    // Stored as registry value "Save": 0 or 1, the answer to "Si ejecutar Zarpelo al inicio?".
    std::atomic<int32_t> showPaletteAtStart{0};
    // Stored as registry value "Ouhe": the pointer filter's period 1..20; the reader reads it per point.
    std::atomic<int32_t> smoothingPeriod{0};
    std::atomic<int32_t> lagTime{0}; // stored as registry value "LagTime": 5..60, kept and saved only
};
void copySettings(SettingsRecord* to, const SettingsRecord* from);

struct SharedPoint {
    std::atomic<int32_t> x{0};
    std::atomic<int32_t> y{0};
};

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

// Module and windows.
extern HMODULE user32Module;                                    // LoadLibraryA("User32.DLL") before WinMain
extern SetLayeredWindowAttributesFn setLayeredWindowAttributes; // looked up at start-up; may be null
extern HINSTANCE hInstance;                                     // from the main window's creation data
extern std::atomic<HWND> hwndMain;                              // the reader thread sends here
extern HWND hwndSettings;                                       // "qv_sysset"
extern HWND hwndHelp;                                           // "qv_help"
extern HWND hwndPalette;                                        // "qv_tool"
extern HWND hwndCalibration;                                    // "qv_dingwei"
extern std::atomic<HWND> hwndHoldRing;                          // "qv_hold_ring": the reader posts here

// Tray.
extern NOTIFYICONDATAA trayIcon; // first form (NOTIFYICONDATAA_V1_SIZE); the tip stays empty
extern HMENU trayMenu;
extern POINT trayClickPoint; // cursor position at which the tray menu was last opened

// Sensor link.
extern HANDLE sensorCommandHandle;       // opened by WinMain; carries Stop only; never re-opened
extern std::atomic<HANDLE> sensorHandle; // the reader thread's handle; 0 means no sensor
extern SensorReport sensorCommand;       // the Stop command, built once by WinMain
extern SensorReport sensorReply;         // receives the reply to sensorCommand; unread
extern HANDLE readerThread;
extern DWORD readerThreadId;

// Settings.
extern SettingsRecord settings;
// "Touch": 1 (the default) the board's touches go to the system's touch injection where it works,
// 0 always the mouse. The settings load and the tray item write it; the reader reads it at each
// touch-down.
extern std::atomic<int32_t> touchChoice;

// Screen and calibration.
extern std::atomic<int32_t> screenWidth, screenHeight;  // follow WM_DISPLAYCHANGE
extern int32_t initialScreenWidth, initialScreenHeight; // as at the main window's creation
extern SharedPoint calibTargets[4];           // crosses: top-left, top-right, bottom-left, bottom-right
extern std::atomic<uint32_t> calibTargetsSeq; // odd while the GUI thread rewrites size and crosses
extern int32_t calibRaw[8];                   // P1X, P1Y, P2X, P2Y, P3X, P3Y, P4X, P4Y, or CALIB_NOT_MEASURED
extern Vec3 calibSensorPoints[4];             // calibRaw prepared for the transform
extern Vec3 calibWeights;                     // the plane vector
extern std::atomic<int32_t> calibState;       // CalibState: mapping, no calibration or capturing
extern std::atomic<int32_t> calibValid;       // CALIB_MAPPING when calibRaw holds a complete calibration
extern std::atomic<int32_t> calibPointIndex;  // next cross during a calibration, 0..4
// The screen calibRaw was made on: its size and DPI, all 0 when not known (a calibration stored
// without them). Written with calibRaw (the settings load before the reader starts, the reader as
// it installs a capture, before UM_CALIB_DONE) and read with it: by the reader for every touch it
// maps, by the settings store when it saves calibRaw.
void storeCalibScreen(const CrossScreen& screen);
CrossScreen readCalibScreen();

// The board's monitor (GUI thread). boardScreenChoice is the user's choice as stored under
// "Screen", "MonitorId" and "MonitorSize" (no device name: none made, the primary); boardMonitor is
// the monitor it resolved to at the last start, display change or choice: the primary while the
// chosen one is missing.
extern ScreenChoice boardScreenChoice;
extern MonitorEntry boardMonitor;

// The board monitor's size, the crosses on it and where it lies, as one consistent snapshot: the
// GUI thread rewrites them at a display change while the reader thread maps touches with them.
// width and height are those of screenWidth and screenHeight.
struct ScreenTargets {
    int32_t width, height;
    int32_t targets[4][2]; // as calibTargets, in the monitor's own coordinates
    BoardPlacement placement;
    int32_t dpi; // the monitor's: the crosses' offsets and sizes, the ring and the pens are scaled by it
};
void publishScreenTargets(const ScreenTargets& screen); // GUI thread only
ScreenTargets readScreenTargets();                      // any thread; never a mix of two writes
