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

HICON loadedIcon = nullptr; // the icon of trayIcon, loaded at its size: ours to destroy

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// Both exist from Windows 10 (1607) on: looked up, so that older systems start as before.
template <typename Fn> Fn user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// The icon at the tray's size (LoadIconA would give the large one, for the shell to shrink); null
// when it cannot be loaded.
HICON loadTrayIcon(HWND owner, HINSTANCE instance) {
    const int size = smallIconSize(owner);
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_VELMORA), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

} // namespace

TrayNotify trayNotify = Shell_NotifyIconA;

int smallIconSize(HWND window) {
    static const auto dpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    static const auto metricsForDpi = user32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    const UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    const int size = dpi && metricsForDpi ? metricsForDpi(SM_CXSMICON, dpi) : 0;
    return size > 0 ? size : GetSystemMetrics(SM_CXSMICON);
}

bool addTrayIcon(HWND owner, HINSTANCE instance) {
    HICON previous = loadedIcon;
    trayIcon = {};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIcon.hWnd = owner;
    trayIcon.uID = TRAY_ICON_ID;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = UM_TRAY_NOTIFY;
    loadedIcon = loadTrayIcon(owner, instance);
    // Should the sized load fail, the shared plain icon still gives the tray one.
    trayIcon.hIcon = loadedIcon ? loadedIcon : LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMORA));
    // A shell that timed out may still have taken the icon: then it can be modified.
    const bool shown = trayNotify(NIM_ADD, &trayIcon) || trayNotify(NIM_MODIFY, &trayIcon);
    if (previous && previous != loadedIcon)
        DestroyIcon(previous); // the shell keeps its own copy of the icon it shows
    return shown;
}

void deleteTrayIcon() {
    trayNotify(NIM_DELETE, &trayIcon);
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
