#pragma once
// The tray icon: every Shell_NotifyIcon call of the program, one function each. The icon is added
// with the record's first form; the record that carries balloons is larger, so a balloon modifies
// the icon with a copy of its record of that size.
#include <windows.h>

#include <shellapi.h>

extern NOTIFYICONDATAA trayIcon; // first form (NOTIFYICONDATAA_V1_SIZE); the tip stays empty

// Adds the icon of `owner` (trayIcon is filled afresh): its clicks come to `owner` as UM_TRAY_NOTIFY.
// Also after the shell restarted, which forgets every icon. False when the shell refused it: at
// log-on the program may start before Explorer's tray is ready, and no "TaskbarCreated" need
// follow; the caller tries again later. An icon the shell already shows counts as added.
bool addTrayIcon(HWND owner, HINSTANCE instance);
// A refused icon is tried again by the owner's timer of this id, this often.
constexpr UINT_PTR TRAY_RETRY_TIMER = 0x7A1;
constexpr UINT TRAY_RETRY_MS = 2000;

// Removes the icon at shut-down.
void deleteTrayIcon();

// The primary monitor's scale changed to `dpi`: the tray shows its icons at that scale's size now,
// so the icon is loaded again at it and handed to the shell (the one it replaces is destroyed).
// False when the shell refused it or there is no icon.
bool reloadTrayIcon(HINSTANCE instance, int dpi);

// Lets the shell's messages through to `owner` from a lower integrity level: "TaskbarCreated"
// (registered as `taskbarCreated`) and the icon's own UM_TRAY_NOTIFY.
void allowTrayMessages(HWND owner, UINT taskbarCreated);

// The NIM_MODIFY record of a balloon over that icon: the same window and id, the size that carries
// balloons, and only the balloon's fields, so that the icon itself stays as it is.
NOTIFYICONDATAA trayBalloonRecord(const NOTIFYICONDATAA& icon, const char* title, const char* text);

// True when the shell took the balloon; false with no tray icon.
bool showTrayBalloon(const char* title, const char* text);

// The small-icon size, in pixels, at the DPI of `window` (the system's metric where the system
// cannot say it per DPI): the size the tray shows its icons at.
int smallIconSize(HWND window);

// The shell call the icon and the balloons go through: Shell_NotifyIconA, or a test's recorder
// (what the shell shows cannot be read back from it; a recorder can also refuse, as a shell that
// is not ready does).
using TrayNotify = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA record);
extern TrayNotify trayNotify;

// ChangeWindowMessageFilterEx (Windows 7 on; null where the system lacks it), or a test's recorder.
using MessageFilter = BOOL(WINAPI*)(HWND window, UINT message, DWORD action, void* result);
extern MessageFilter trayMessageFilter;
