#include "app/tray_balloon.h"

#include <shellapi.h>

#include <cstring>

#include "app/app_state.h"

bool showTrayBalloon(const char* title, const char* text) {
    if (!trayIcon.hWnd)
        return false;
    // Same window and id as the icon; only the balloon fields are new, so the icon stays as it is.
    NOTIFYICONDATAA balloon = {};
    balloon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    balloon.hWnd = trayIcon.hWnd;
    balloon.uID = trayIcon.uID;
    balloon.uFlags = NIF_INFO;
    std::strncpy(balloon.szInfoTitle, title, sizeof balloon.szInfoTitle - 1);
    std::strncpy(balloon.szInfo, text, sizeof balloon.szInfo - 1);
    balloon.uTimeout = 10000;
    balloon.dwInfoFlags = NIIF_INFO;
    return Shell_NotifyIconA(NIM_MODIFY, &balloon) != FALSE;
}
