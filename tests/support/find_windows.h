#pragma once
// Windows of any process: finding them and their message boxes, and watching window creation.
#include <windows.h>

#include <string>
#include <vector>

// Top-level windows (visible or not) of that class, of that process (0: any process); null class:
// any class.
std::vector<HWND> topLevelWindows(const char* className, DWORD processId = 0);
HWND findTopLevelWindow(const char* className, DWORD processId = 0);
// Waits at most timeoutMs for such a window to exist (pumping messages when asked); null on time-out.
HWND waitTopLevelWindow(const char* className, DWORD processId, DWORD timeoutMs, bool pumpMessages = false);
std::string windowText(HWND hwnd);
std::string windowClassName(HWND hwnd);

// A message box is a top-level "#32770" dialog: its caption is the window text, its message the
// text of its static control that has one. waitMessageBox returns it once it is shown.
HWND waitMessageBox(DWORD processId, DWORD timeoutMs, bool pumpMessages = false);
std::string messageBoxText(HWND box);
std::string messageBoxCaption(HWND box);
// Presses its OK button (posts WM_COMMAND IDOK; works across processes).
void pressMessageBoxOk(HWND box);

// The text of the shell's balloon over a tray icon, once one is shown (at most timeoutMs): Wine's
// tray shows it as a balloon tooltip of its own process, not the program's (notOfProcess), about
// two seconds after the request; its title cannot be read (no TTM_GETTITLE). Empty if none.
std::wstring shownTrayBalloon(DWORD notOfProcess, DWORD timeoutMs);

// Watches for top-level windows being created by other processes (WinEvent EVENT_OBJECT_CREATE,
// out of context) while it lives. Create it before starting the program; the calling thread must
// pump messages (flushEvents, or waits with pumpMessages) for the events to arrive. One at a time.
struct WindowCreationWatch {
    WindowCreationWatch();
    ~WindowCreationWatch();
    WindowCreationWatch(const WindowCreationWatch&) = delete;
    WindowCreationWatch& operator=(const WindowCreationWatch&) = delete;
    // Classes of the windows seen created by that process (0: any), in order.
    std::vector<std::string> classes(DWORD processId = 0) const;
    bool sawClass(const char* className, DWORD processId = 0) const;
    void* hook = nullptr; // null when the hook could not be set
};
