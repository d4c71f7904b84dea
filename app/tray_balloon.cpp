#include "app/tray_balloon.h"

#include <cstring>

#include "app/app_state.h"

TrayNotify trayNotify = Shell_NotifyIconA;

NOTIFYICONDATAA trayBalloonRecord(const NOTIFYICONDATAA& icon, const char* title, const char* text) {
    NOTIFYICONDATAA balloon = {};
    balloon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    balloon.hWnd = icon.hWnd;
    balloon.uID = icon.uID;
    balloon.uFlags = NIF_INFO;
    std::strncpy(balloon.szInfoTitle, title, sizeof balloon.szInfoTitle - 1);
    std::strncpy(balloon.szInfo, text, sizeof balloon.szInfo - 1);
    balloon.uTimeout = 10000;
    balloon.dwInfoFlags = NIIF_INFO;
    return balloon;
}

bool showTrayBalloon(const char* title, const char* text) {
    if (!trayIcon.hWnd)
        return false;
    NOTIFYICONDATAA balloon = trayBalloonRecord(trayIcon, title, text);
    return trayNotify(NIM_MODIFY, &balloon) != FALSE;
}
