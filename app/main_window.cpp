// The main window, class "Velmora": 0 x 0 and never shown; the program's hub.
#include "app/app_state.h"
#include "app/ids.h"
#include "app/window_procs.h"
#include "sensor/sensor_link.h"

namespace {

void takeScreenSize() {
    screenWidth = GetSystemMetrics(SM_CXSCREEN);
    screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int w = screenWidth, h = screenHeight;
    const int targets[4][2] = {{100, 50}, {w - 100, 50}, {100, h - 50}, {w - 100, h - 50}};
    for (int i = 0; i < 4; ++i) {
        calibTargets[i].x = targets[i][0];
        calibTargets[i].y = targets[i][1];
    }
}

LRESULT onCreate(HWND hwnd, const CREATESTRUCTA* cs) {
    hInstance = cs->hInstance;
    takeScreenSize();
    initialScreenWidth = screenWidth;
    initialScreenHeight = screenHeight;
    sensorHandle = findSensor();
    hwndMain = hwnd;
    return 0;
}

void onShutdown() {
    exchangeReport(sensorCommandHandle, sensorCommand, sensorReply);
    PostQuitMessage(0);
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
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
