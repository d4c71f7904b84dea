#pragma once
// A balloon over the tray icon: the record that carries balloons is larger than the icon's own
// first form, so the icon is modified with a copy of its record of that size.
#include <windows.h>

#include <shellapi.h>

// The NIM_MODIFY record of a balloon over that icon: the same window and id, the size that carries
// balloons, and only the balloon's fields, so that the icon itself stays as it is.
NOTIFYICONDATAA trayBalloonRecord(const NOTIFYICONDATAA& icon, const char* title, const char* text);

// True when the shell took the balloon; false with no tray icon.
bool showTrayBalloon(const char* title, const char* text);

// The shell call the balloons go through: Shell_NotifyIconA, or a test's recorder (what the shell
// shows cannot be read back from it).
using TrayNotify = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA record);
extern TrayNotify trayNotify;
