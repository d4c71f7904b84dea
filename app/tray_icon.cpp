#include "app/tray_icon.h"

#include <cstring>

#include "app/app_state.h"
#include "app/shared/ids.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT TRAY_ICON_ID = IDI_VELMORA;

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the tray record's first form is 88 bytes on 32-bit Windows");
#endif

} // namespace

TrayNotify trayNotify = Shell_NotifyIconA;

void addTrayIcon(HWND owner, HINSTANCE instance) {
    trayIcon = {};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIcon.hWnd = owner;
    trayIcon.uID = TRAY_ICON_ID;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = UM_TRAY_NOTIFY;
    trayIcon.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMORA));
    Shell_NotifyIconA(NIM_ADD, &trayIcon);
}

void deleteTrayIcon() {
    Shell_NotifyIconA(NIM_DELETE, &trayIcon);
}

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
