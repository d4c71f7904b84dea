#pragma once
// The tray icon: every Shell_NotifyIcon call of the program, one function each. The icon is added
// with the record's first form; the record that carries balloons is larger, so a balloon modifies
// the icon with a copy of its record of that size.
#include <windows.h>

#include <shellapi.h>

// Adds the icon of `owner` (trayIcon is filled afresh): its clicks come to `owner` as UM_TRAY_NOTIFY.
// Also after the shell restarted, which forgets every icon.
void addTrayIcon(HWND owner, HINSTANCE instance);
// Removes the icon at shut-down.
void deleteTrayIcon();

// The NIM_MODIFY record of a balloon over that icon: the same window and id, the size that carries
// balloons, and only the balloon's fields, so that the icon itself stays as it is.
NOTIFYICONDATAA trayBalloonRecord(const NOTIFYICONDATAA& icon, const char* title, const char* text);

// True when the shell took the balloon; false with no tray icon.
bool showTrayBalloon(const char* title, const char* text);

// The shell call the balloons go through: Shell_NotifyIconA, or a test's recorder (what the shell
// shows cannot be read back from it).
using TrayNotify = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA record);
extern TrayNotify trayNotify;
