#pragma once
// Helpers shared by the tests that run under Wine.
#include <windows.h>

// Pumps this thread's messages for the given time, so windows have handled what was sent or
// posted before a test looks at them.
void flushEvents(DWORD milliseconds = 150);

#include <string>
#include <vector>

// ---- The program as a child process (tests/support/child_process.cpp) -------------------------

// The directory of the running test executable, with a trailing backslash.
std::string testExeDirectory();

// A program started by a test. If the test ends (passes, fails or throws) while it still runs, the
// destructor kills it and waits for it, so no stray instance holds the single-instance mutex.
struct ChildProgram {
    HANDLE process = nullptr;
    DWORD processId = 0;
    ChildProgram() = default;
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;
    ~ChildProgram();
};

// Starts "Velmora.exe", "VelmoraSim.exe" or any program found next to the test executable, with
// the arguments given (none when null).
bool startProgram(const char* exeName, ChildProgram* child, const char* arguments = nullptr);
// Starts the program at that full path (its working directory is the test's).
bool startProgramAt(const std::string& path, const char* arguments, ChildProgram* child);
// Waits at most timeoutMs for the child to end (pumping this thread's messages when asked); true
// with its exit code when it ended.
bool waitProgramExit(ChildProgram* child, DWORD timeoutMs, DWORD* exitCode, bool pumpMessages = false);
// True while the child runs.
bool programRunning(const ChildProgram* child);
// Ends the child at once (exit code 999) and waits for it.
void killProgram(ChildProgram* child);
// Waits until the child's GUI thread waits for input (start-up done, message loop or a modal box
// running): WaitForInputIdle. False on time-out.
bool waitProgramIdle(ChildProgram* child, DWORD timeoutMs);

// ---- Windows of any process (tests/support/find_windows.cpp) -----------------------------------

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

// ---- Low-level mouse recorder (tests/support/mouse_recorder.cpp) -------------------------------

struct MouseRecord {
    UINT message;  // WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, ...
    POINT point;   // screen position as the hook saw it
    bool injected; // LLMHF_INJECTED
    DWORD time;    // the event's time stamp (GetTickCount clock)
};

// A WH_MOUSE_LL hook on its own thread, which pumps its messages; start before the input happens.
bool mouseRecorderStart();
void mouseRecorderStop();
std::vector<MouseRecord> mouseRecorderEvents(); // in order of arrival
void mouseRecorderClear();
// The button events only (everything but WM_MOUSEMOVE and the wheel).
std::vector<MouseRecord> mouseRecorderButtons();

// ---- Registry (tests/support/registry.cpp) ------------------------------------------------------

constexpr const char* TOLVEX_KEY = "SOFTWARE\\Tolvex";

// Removes HKCU\SOFTWARE\Tolvex with everything in it; true when it is gone (or was never there).
bool deleteTolvexKey();
bool registryKeyExists(HKEY root, const char* path);
// A value as text: REG_SZ with or without a terminating zero byte, REG_DWORD in decimal; false
// when it is missing.
bool readRegistryText(HKEY root, const char* path, const char* value, std::string* text);
// Writes a REG_SZ of exactly these bytes (no terminating zero, as the program writes them).
bool writeRegistryText(HKEY root, const char* path, const char* value, const std::string& text);
// The names of the values under a key, in enumeration order.
std::vector<std::string> registryValueNames(HKEY root, const char* path);

// Points HKEY_CURRENT_USER of this process at a fresh scratch key for the duration of one test
// (RegOverridePredefKey), and removes it afterwards. Create one at the start of a test that
// writes the registry; the program's code then sees an empty HKCU of its own.
struct ScratchCurrentUser {
    ScratchCurrentUser();
    ~ScratchCurrentUser();
    ScratchCurrentUser(const ScratchCurrentUser&) = delete;
    ScratchCurrentUser& operator=(const ScratchCurrentUser&) = delete;
    HKEY key = nullptr;
    std::string path; // under the real HKCU
};

// ---- Screen pixels (tests/support/screen.cpp) ---------------------------------------------------

// The screen's pixels in a rectangle (GetDC(NULL) + BitBlt into a 32-bit top-down DIB), as
// COLORREF values row by row; false when the copy failed.
bool captureScreen(const RECT& area, std::vector<COLORREF>* pixels);
COLORREF screenPixel(int x, int y); // CLR_INVALID when it cannot be read
// Saves the whole screen (or an area, each pixel enlarged to zoom x zoom, zoom 1 to 16) as a 24-bit
// .bmp file; false when the screen could not be read or the file not written whole.
bool saveScreenshot(const char* path);
bool saveScreenshotArea(const char* path, const RECT& area, int zoom = 1);
// With VELMORA_SCREENSHOTS set to a directory, the window as it is on the screen goes there as
// <name>_<width>x<height>.bmp, for a person to look at; without it, nothing is saved.
void saveWindowPicture(HWND hwnd, const char* name);
// The slot a new GDI object takes. Wine hands out GDI handles from the lowest free slot, so a leak
// of one object per paint shows as this climbing (GetGuiResources returns 0 under Wine).
long freshGdiSlot();
// The primary screen's work area, held inside the screen (a test that changed the display mode in
// a virtual desktop may have left the prefix's work area short of the screen).
RECT primaryWorkArea();

// A window drawn at the scale `from` taken to the scale `to` and back five times, as the system
// announces it (WM_DPICHANGED with the window's present box scaled by the ratio, at its place):
// first the way there and back (the primary's own scale changing under it), then five times only
// the way back (from a monitor whose scale it kept, the box still scaled by from / to). The
// window's size after each announcement, as "WxH WxH ... ".
std::string dpiRoundTrips(HWND hwnd, int from, int to);

// The height (lfHeight) of the font a control was given with WM_SETFONT, and the message font's
// at 96 DPI (what the system's message boxes use): 0 when there is none, or it was deleted.
int controlFontHeight(HWND control);
int messageFontHeight();

// ---- The calibration crosses (tests/support/crosses.cpp) ---------------------------------------

// The monitor the crosses are placed for and looked for on; the primary screen until set (an
// empty rectangle sets it back). Cross positions are in that monitor's own coordinates, as the
// simulated board's screen has them.
void setCrossMonitor(const RECT& area);
// The DPI the prefix gives the screen (LOGPIXELSX): 144 on the hd144 bench, else 96.
int screenDpi();
// The four cross positions of the program's calibration window for the cross monitor's size and
// the screen's DPI.
void crossTargets(POINT targets[4]);
// Looks for the calibration cross (two black diagonals, 3 pixels wide, grey all round) on the
// cross monitor; true with its centre when exactly one is visible.
bool findCrossOnScreen(POINT* centre);
// Waits until a cross is visible somewhere other than `notAt` (pass {-1000, -1000} for any),
// at most timeoutMs, pumping this thread's messages.
bool waitCrossMoved(POINT notAt, DWORD timeoutMs, POINT* centre);
// Waits until no cross is visible.
bool waitNoCross(DWORD timeoutMs);

// ---- Touching the palette (tests/support/palette_point.cpp) ------------------------------------

// A point well inside palette button n (paletteButtonInnerPoint), in palette client coordinates,
// for a palette at that DPI; (-1, -1) when the button has no pixel.
POINT paletteButtonPoint(int n, int dpi = 96);
