#include "win32/tray_icon.h"

#include <cstring>

#include "win32/ids.h"
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

// The icon at `size`, the tray's (LoadIconA would give the large one, for the shell to shrink);
// null when it cannot be loaded.
HICON loadTrayIcon(int size, HINSTANCE instance) {
    return static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_VELMORA), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// The small-icon size at `dpi`; the system's metric where the system cannot say it per DPI.
int smallIconSizeForDpi(UINT dpi) {
    static const auto metricsForDpi = user32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    const int size = dpi && metricsForDpi ? metricsForDpi(SM_CXSMICON, dpi) : 0;
    return size > 0 ? size : GetSystemMetrics(SM_CXSMICON);
}

// The icon trayIcon holds becomes `icon`, ours from now on; the one before is destroyed (the shell
// keeps its own copy of the icon it shows).
void holdTrayIcon(HICON icon) {
    if (loadedIcon && loadedIcon != icon)
        DestroyIcon(loadedIcon);
    loadedIcon = icon;
}

} // namespace

NOTIFYICONDATAA trayIcon = {};

TrayNotify trayNotify = Shell_NotifyIconA;
MessageFilter trayMessageFilter = user32Function<MessageFilter>("ChangeWindowMessageFilterEx");

int smallIconSize(HWND window) {
    static const auto dpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    return smallIconSizeForDpi(dpiForWindow && window ? dpiForWindow(window) : 0);
}

bool addTrayIcon(HWND owner, HINSTANCE instance) {
    trayIcon = {};
    trayIcon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    trayIcon.hWnd = owner;
    trayIcon.uID = TRAY_ICON_ID;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = UM_TRAY_NOTIFY;
    HICON sized = loadTrayIcon(smallIconSize(owner), instance);
    // Should the sized load fail, the shared plain icon still gives the tray one.
    trayIcon.hIcon = sized ? sized : LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELMORA));
    // A shell that timed out may still have taken the icon: then it can be modified.
    const bool shown = trayNotify(NIM_ADD, &trayIcon) || trayNotify(NIM_MODIFY, &trayIcon);
    holdTrayIcon(sized);
    return shown;
}

bool reloadTrayIcon(HINSTANCE instance, int dpi) {
    HICON sized = trayIcon.hWnd && dpi > 0 ? loadTrayIcon(smallIconSizeForDpi(UINT(dpi)), instance) : nullptr;
    if (!sized)
        return false; // the icon the tray has stays
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = trayIcon.hWnd;
    record.uID = trayIcon.uID;
    record.uFlags = NIF_ICON;
    record.hIcon = sized;
    const bool taken = trayNotify(NIM_MODIFY, &record) != FALSE;
    trayIcon.hIcon = sized; // also what a later NIM_ADD (the shell restarted) shows until it reloads
    holdTrayIcon(sized);
    return taken;
}

// A program with uiAccess (the signed build's manifest) runs at a raised integrity level, and
// Windows' User Interface Privilege Isolation blocks by default every message above WM_USER that
// comes from a lower level: "All such messages with a value above WM_USER are blocked by default"
// (ChangeWindowMessageFilter). Explorer runs at medium: without this its "TaskbarCreated" after a
// restart and the icon's clicks would never arrive. ChangeWindowMessageFilterEx with MSGFLT_ALLOW
// "enables the message to be received by hWnd, regardless of the source of the message". Wine has
// no integrity levels to show it.
void allowTrayMessages(HWND owner, UINT taskbarCreated) {
    constexpr DWORD ALLOW = 1; // MSGFLT_ALLOW
    if (!trayMessageFilter || !owner)
        return;
    if (taskbarCreated)
        trayMessageFilter(owner, taskbarCreated, ALLOW, nullptr);
    trayMessageFilter(owner, UM_TRAY_NOTIFY, ALLOW, nullptr);
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
