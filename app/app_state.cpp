#include "app/app_state.h"

HMODULE user32Module = LoadLibraryA("User32.DLL");
SetLayeredWindowAttributesFn setLayeredWindowAttributes = nullptr;
HINSTANCE hInstance = nullptr;
std::atomic<HWND> hwndMain{nullptr};
HWND hwndSettings = nullptr;
HWND hwndHelp = nullptr;
HWND hwndPalette = nullptr;
HWND hwndCalibration = nullptr;

NOTIFYICONDATAA trayIcon = {};
HMENU trayMenu = nullptr;
POINT trayClickPoint = {0, 0};

HANDLE sensorCommandHandle = nullptr;
std::atomic<HANDLE> sensorHandle{nullptr};
SensorReport sensorCommand = {};
SensorReport sensorReply = {};
HANDLE readerThread = nullptr;
DWORD readerThreadId = 0;

SettingsRecord settings;

std::atomic<int32_t> screenWidth{0}, screenHeight{0};
int32_t initialScreenWidth = 0, initialScreenHeight = 0;
SharedPoint calibTargets[4];
int32_t calibRaw[8] = {};
Vec3 calibSensorPoints[4] = {};
Vec3 calibWeights = {};
std::atomic<int32_t> calibState{CALIB_NONE};
std::atomic<int32_t> calibValid{CALIB_NONE};
std::atomic<int32_t> calibPointIndex{0};

void copySettings(SettingsRecord* to, const SettingsRecord* from) {
    to->save = from->save.load();
    to->ouhe = from->ouhe.load();
    to->lagTime = from->lagTime.load();
}
