// The main window created in this process: the windows it makes and their placement, the layered
// topmost palette, the tray record and the six-item menu, and the calibration command without a
// sensor. (The end-to-end tests drive the same window in the real program.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/program.h"
#include "win32/layered.h"
#include "win32/settings_record.h"
#include "sensor/sensor_link.h"
#include "calibration/calibration_state.h"
#include "app/main_window.h"
#include "win32/ids.h"
#include "win32/monitors.h"
#include "app/session_power.h"
#include "app/settings_store.h"
#include "win32/tray_icon.h"
#include "app/window_classes.h"
#include "calibration/calibration_window.h"
#include "board/core/board_bar_layout.h"
#include "palette/palette_state.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/registry.h"
#include "tests/support/screen.h"
#include "touch/touch_injection.h"

namespace {

std::string titleOf(HWND hwnd) {
    char text[128] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

// What the main window let through the message filter: "window:message:action" each.
std::vector<std::string> filtered;
BOOL WINAPI recordFilter(HWND window, UINT message, DWORD action, void*) {
    filtered.push_back(std::to_string(reinterpret_cast<UINT_PTR>(window)) + ":" + std::to_string(message) +
                       ":" + std::to_string(action));
    return TRUE;
}

class MainWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Wine has no integrity levels (its filter does nothing): what is allowed is recorded.
        trayMessageFilter = recordFilter;
        registerWindowClasses(GetModuleHandleA(nullptr));
        setLayeredWindowAttributes = SetLayeredWindowAttributes; // as WinMain looks it up
        // No simulated board runs: the main window finds no sensor and the reader thread idles.
        main = CreateWindowExA(0, "Velmora", "Velmora", WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0, 0, 0, 0,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static HWND main;

  public:
    static HWND mainWindow() { return main; }
};
HWND MainWindow::main = nullptr;

TEST_F(MainWindow, CreatesItsFourWindowsHiddenAndPlacedForTheScreen) {
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(hwndMain.load(), main);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(screenWidth.load(), w);
    EXPECT_EQ(mainWindowParts().initialScreenHeight, h);
    const int targets[4][2] = {{100, 50}, {w - 100, 50}, {100, h - 50}, {w - 100, h - 50}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calibTargets[i].x.load(), targets[i][0]) << i;
        EXPECT_EQ(calibTargets[i].y.load(), targets[i][1]) << i;
    }
    struct Expected {
        HWND hwnd;
        const char* title;
        RECT rect;
    };
    const RECT work = primaryWorkArea(); // the palette's first place is 35 px in from its corner
    const Expected windows[] = {
        {mainWindowParts().settings,
         "Configuraci\xF3n del sistema",
         {(w - 380) / 2, (h - 440) / 2, (w - 380) / 2 + 380, (h - 440) / 2 + 440}},
        {mainWindowParts().help,
         "Help",
         {(w - 220) / 2, (h - 220) / 2, (w - 220) / 2 + 220, (h - 220) / 2 + 220}},
        {hwndPalette, "", {work.right - 255, work.bottom - 255, work.right - 35, work.bottom - 35}},
        {mainWindowParts().calibration, "", {0, 0, w, h}},
    };
    for (const Expected& e : windows) {
        ASSERT_NE(e.hwnd, nullptr) << e.title;
        EXPECT_EQ(titleOf(e.hwnd), e.title);
        EXPECT_FALSE(IsWindowVisible(e.hwnd)) << e.title;
        EXPECT_EQ(GetWindow(e.hwnd, GW_OWNER), main) << e.title;
        RECT r;
        GetWindowRect(e.hwnd, &r);
        EXPECT_EQ(r.left, e.rect.left) << e.title;
        EXPECT_EQ(r.top, e.rect.top) << e.title;
        EXPECT_EQ(r.right, e.rect.right) << e.title;
        EXPECT_EQ(r.bottom, e.rect.bottom) << e.title;
    }
    const LONG paletteEx = GetWindowLongA(hwndPalette, GWL_EXSTYLE);
    EXPECT_EQ(paletteEx & WS_EX_LAYERED, WS_EX_LAYERED) << std::hex << paletteEx;
    EXPECT_EQ(paletteEx & WS_EX_TOPMOST, WS_EX_TOPMOST) << std::hex << paletteEx;
    EXPECT_EQ(paletteEx & WS_EX_NOACTIVATE, WS_EX_NOACTIVATE) << std::hex << paletteEx;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (GetLayeredWindowAttributes(hwndPalette, &key, &alpha, &flags)) {
        EXPECT_EQ(key, RGB(200, 200, 200));
        EXPECT_EQ(flags & LWA_COLORKEY, DWORD(LWA_COLORKEY)) << std::hex << flags;
    }
    EXPECT_NE(mainWindowParts().readerThread, nullptr);
}

TEST_F(MainWindow, TrayRecordAndTheSixItemMenu) {
    EXPECT_EQ(trayIcon.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(trayIcon.hWnd, main);
    EXPECT_EQ(trayIcon.uID, 103u);
    EXPECT_EQ(trayIcon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(trayIcon.uCallbackMessage, UM_TRAY_NOTIFY);
    EXPECT_NE(trayIcon.hIcon, nullptr);
    // Drawn at the tray's size, the small icon of the DPI, not shrunk by the shell from the large one.
    ICONINFO icon = {};
    ASSERT_TRUE(GetIconInfo(trayIcon.hIcon, &icon));
    BITMAP mask = {};
    GetObjectA(icon.hbmMask, sizeof mask, &mask);
    for (HBITMAP b : {icon.hbmMask, icon.hbmColor})
        if (b)
            DeleteObject(b);
    EXPECT_EQ(mask.bmWidth, smallIconSize(main));
    EXPECT_EQ(smallIconSize(main), GetSystemMetrics(SM_CXSMICON)) << "Wine has one DPI for all";
    EXPECT_STREQ(trayIcon.szTip, "");
    // The shell's messages reach the window from a lower integrity level (the signed build runs
    // raised): the restarted shell's "TaskbarCreated" and the icon's own message.
    const std::string window = std::to_string(reinterpret_cast<UINT_PTR>(main)) + ":";
    EXPECT_EQ(filtered, (std::vector<std::string>{
                            window + std::to_string(RegisterWindowMessageA("TaskbarCreated")) + ":1",
                            window + std::to_string(UM_TRAY_NOTIFY) + ":1"}));
    // A save's balloon: the icon's window and id, the size that carries balloons, only the balloon's
    // fields (no icon, tip or message: the icon stays as it is), the texts as given; the shell takes it.
    const NOTIFYICONDATAA balloon =
        trayBalloonRecord(trayIcon, "Imagen guardada", "Velmora 2026-01-01 00-00-00.png");
    EXPECT_EQ(balloon.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(balloon.hWnd, main);
    EXPECT_EQ(balloon.uID, 103u);
    EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(balloon.hIcon, nullptr);
    EXPECT_STREQ(balloon.szInfoTitle, "Imagen guardada");
    EXPECT_STREQ(balloon.szInfo, "Velmora 2026-01-01 00-00-00.png");
    EXPECT_TRUE(showTrayBalloon("Imagen guardada", "Velmora 2026-01-01 00-00-00.png"));

    ASSERT_NE(mainWindowParts().trayMenu, nullptr);
    EXPECT_FALSE(touchInjectionAvailable()) << "Wine has no touch injection: the start chose the mouse";
    struct Item {
        UINT id;
        const char* text;
    };
    const Item items[] = {{IDM_CALIBRATE, "Calibrar espacio de trabajo"},
                          {IDM_SETTINGS, "Configuraci\xF3n del sistema"},
                          {IDM_PALETTE, "Zarpelo"},
                          {IDM_HELP, "Ayuda"},
                          {0, ""},
                          {IDM_EXIT, "Salir"}};
    ASSERT_EQ(GetMenuItemCount(mainWindowParts().trayMenu), 6);
    for (int i = 0; i < 6; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID;
        ASSERT_TRUE(GetMenuItemInfoA(mainWindowParts().trayMenu, i, TRUE, &info));
        if (items[i].id == 0) {
            EXPECT_EQ(info.fType & MFT_SEPARATOR, UINT(MFT_SEPARATOR))
                << "position " << i << std::hex << ", type " << info.fType;
            continue;
        }
        EXPECT_EQ(info.wID, items[i].id) << "position " << i;
        char text[64] = {};
        GetMenuStringA(mainWindowParts().trayMenu, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text) << "position " << i;
    }
}

// The tray's icons change size with the primary monitor's scale: at each change (the main window
// sits on the primary) the icon is loaded again at the new size and only the icon is modified; the
// icon it replaces is destroyed.
std::vector<NOTIFYICONDATAA> iconChanges;
BOOL WINAPI recordIconChange(DWORD message, PNOTIFYICONDATAA record) {
    if (message == NIM_MODIFY)
        iconChanges.push_back(*record);
    return TRUE;
}

int iconWidth(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    for (HBITMAP b : {info.hbmMask, info.hbmColor})
        if (b)
            DeleteObject(b);
    return mask.bmWidth;
}

TEST_F(MainWindow, TheTrayIconIsLoadedAgainAtANewScaleOfThePrimary) {
    using MetricsForDpi = int(WINAPI*)(int, UINT);
    const auto metrics = reinterpret_cast<MetricsForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi")));
    ASSERT_NE(metrics, nullptr);
    const HICON first = trayIcon.hIcon;
    trayNotify = recordIconChange;
    RECT suggested = {0, 0, 0, 0};
    SendMessageA(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    SendMessageA(main, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    trayNotify = Shell_NotifyIconA;
    ASSERT_EQ(iconChanges.size(), 2u);
    for (const NOTIFYICONDATAA& change : iconChanges) {
        EXPECT_EQ(change.hWnd, main);
        EXPECT_EQ(change.uID, 103u);
        EXPECT_EQ(change.uFlags, static_cast<UINT>(NIF_ICON));
    }
    EXPECT_EQ(iconWidth(iconChanges[1].hIcon), metrics(SM_CXSMICON, 96));
    EXPECT_EQ(iconWidth(iconChanges[0].hIcon), 0) << "the icon at 150 % was not destroyed when replaced";
    EXPECT_EQ(iconWidth(first), 0) << "the first icon was not destroyed when replaced";
    EXPECT_EQ(trayIcon.hIcon, iconChanges[1].hIcon);
    RECT unmoved = {};
    GetWindowRect(main, &unmoved);
    EXPECT_EQ(unmoved.right - unmoved.left, 0) << "the hidden window took a size";
}

// The message box is modal on this thread: another thread reads it and presses OK.
struct BoxSeen {
    std::string text, caption;
};
DWORD WINAPI answerBox(LPVOID parameter) {
    auto* seen = static_cast<BoxSeen*>(parameter);
    const HWND box = waitMessageBox(GetCurrentProcessId(), 3000);
    if (box) {
        seen->text = messageBoxText(box);
        seen->caption = messageBoxCaption(box);
        pressMessageBoxOk(box);
    }
    return 0;
}

TEST_F(MainWindow, CalibrationWithoutASensorIsRefusedAndChangesNothing) {
    ASSERT_EQ(sensorHandle.load(), nullptr);
    calibState = CALIB_MAPPING;
    BoxSeen seen;
    HANDLE answerer = CreateThread(nullptr, 0, answerBox, &seen, 0, nullptr);
    SendMessageA(main, WM_COMMAND, IDM_CALIBRATE, 0); // returns once the box is closed
    WaitForSingleObject(answerer, 5000);
    CloseHandle(answerer);
    EXPECT_EQ(seen.text, "No se ha encontrado sensor");
    EXPECT_EQ(seen.caption, "Error");
    EXPECT_EQ(calibState.load(), CALIB_MAPPING);
    EXPECT_FALSE(IsWindowVisible(mainWindowParts().calibration));
}

// A shell that is not ready yet (Explorer at log-on) refuses the first NIM_ADDs; it holds the icon
// once it took it.
int refusals = 0;
bool iconShown = false;
std::vector<DWORD> addTimes;
BOOL WINAPI lateShell(DWORD message, PNOTIFYICONDATAA) {
    switch (message) {
    case NIM_ADD:
        addTimes.push_back(GetTickCount());
        if (refusals > 0) {
            --refusals;
            return FALSE;
        }
        iconShown = true;
        return TRUE;
    case NIM_MODIFY:
        return iconShown;
    case NIM_DELETE:
        iconShown = false;
        return TRUE;
    default:
        return FALSE;
    }
}

TEST_F(MainWindow, ARefusedTrayIconIsTriedAgainUntilTheShellTakesIt) {
    trayNotify = lateShell;
    refusals = 2;
    SendMessageA(main, RegisterWindowMessageA("TaskbarCreated"), 0, 0); // refused
    for (const DWORD start = GetTickCount(); !iconShown && GetTickCount() - start < 8000;)
        flushEvents(100);
    trayNotify = Shell_NotifyIconA;
    ASSERT_TRUE(iconShown) << addTimes.size() << " tries";
    ASSERT_EQ(addTimes.size(), 3u) << "tried again until it was taken, and then no more";
    for (size_t i = 1; i < addTimes.size(); ++i)
        EXPECT_GE(addTimes[i] - addTimes[i - 1], 1500u) << "try " << i << " came early";
    EXPECT_FALSE(KillTimer(main, TRAY_RETRY_TIMER)) << "still trying after the icon is there";
}

// The services behind session notices are not up yet at an early log-on: the registration fails
// with RPC_S_INVALID_BINDING until they are, and is tried again until it is taken, about every two
// seconds; a registration refused for another reason is not tried again.
DWORD sessionError = 0; // what the refusals say
std::vector<DWORD> registrationTimes;
BOOL WINAPI earlyLogon(HWND window, DWORD flags) {
    registrationTimes.push_back(GetTickCount());
    if (window != MainWindow::mainWindow() || flags != 0 || refusals <= 0)
        return window == MainWindow::mainWindow() && flags == 0;
    --refusals;
    SetLastError(sessionError);
    return FALSE;
}

TEST_F(MainWindow, SessionNoticesAreRegisteredOnceTheSystemsServicesAreUp) {
    sessionNoticeRegistration = earlyLogon;
    endSessionNotices(main);
    refusals = 2;
    sessionError = RPC_S_INVALID_BINDING;
    startSessionNotices(main);
    for (const DWORD start = GetTickCount(); registrationTimes.size() < 3 && GetTickCount() - start < 8000;)
        flushEvents(100);
    ASSERT_EQ(registrationTimes.size(), 3u) << "tried again until it was taken";
    for (size_t i = 1; i < registrationTimes.size(); ++i)
        EXPECT_GE(registrationTimes[i] - registrationTimes[i - 1], 1500u) << "try " << i << " came early";
    EXPECT_FALSE(KillTimer(main, SESSION_NOTICES_TIMER)) << "still trying after the registration";

    endSessionNotices(main);
    registrationTimes.clear();
    refusals = 1;
    sessionError = ERROR_ACCESS_DENIED;
    startSessionNotices(main);
    EXPECT_EQ(registrationTimes.size(), 1u);
    EXPECT_FALSE(KillTimer(main, SESSION_NOTICES_TIMER))
        << "a refusal that is not the services' is tried again";

    endSessionNotices(main);
    sessionNoticeRegistration = nullptr;
    startSessionNotices(main);
}

// The tray menu, opened and closed five times in a row: each time it closes, a message is left for
// its owner (without one, Windows may not open the next menu, or close it at once).
DWORD WINAPI escapeMenu(LPVOID) {
    if (!waitTopLevelWindow("#32768", GetCurrentProcessId(), 3000))
        return 1;
    Sleep(100);
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
    return 0;
}

TEST_F(MainWindow, TheTrayMenuOpensAndClosesFiveTimesEachLeavingAMessageForItsOwner) {
    for (int round = 0; round < 5; ++round) {
        HANDLE escaper = CreateThread(nullptr, 0, escapeMenu, nullptr, 0, nullptr);
        SendMessageA(main, UM_TRAY_NOTIFY, 0, WM_RBUTTONUP); // returns once the menu has closed
        DWORD opened = 1;
        WaitForSingleObject(escaper, 5000);
        GetExitCodeThread(escaper, &opened);
        CloseHandle(escaper);
        EXPECT_EQ(opened, 0u) << "round " << round << ": no menu";
        bool nudged = false;
        MSG msg;
        while (PeekMessageA(&msg, main, 0, 0, PM_REMOVE)) {
            nudged = nudged || msg.message == WM_NULL;
            DispatchMessageA(&msg);
        }
        EXPECT_TRUE(nudged) << "round " << round << ": no message for the owner after the menu";
        for (HWND w : topLevelWindows("#32768", GetCurrentProcessId()))
            EXPECT_FALSE(IsWindowVisible(w)) << "round " << round << ": the menu stayed open";
    }
}

TEST_F(MainWindow, CommandsAreTheLowWordAndUnknownOnesDoNothing) {
    const int32_t state = calibState;
    SendMessageA(main, WM_COMMAND, 0x447, 0);
    EXPECT_EQ(calibState.load(), state);
    EXPECT_FALSE(IsWindowVisible(mainWindowParts().help));
    SendMessageA(main, WM_COMMAND, 0x10000 | IDM_HELP, 0); // a high word (a notification code) is ignored
    EXPECT_TRUE(IsWindowVisible(mainWindowParts().help));
    SendMessageA(main, WM_COMMAND, IDM_HELP, 0);
    EXPECT_FALSE(IsWindowVisible(mainWindowParts().help));
}

// The monitors as a table of the test's own: a second monitor to the right that can go away and
// come back, larger than any canvas so far.
std::vector<MonitorEntry> testMonitors;
std::vector<MonitorEntry> fromTable() {
    return testMonitors;
}

RECT rectOf(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
}

std::string menuText(HMENU menu, int position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

void expectRect(HWND hwnd, const RECT& want, const char* what) {
    const RECT r = rectOf(hwnd);
    EXPECT_TRUE(EqualRect(&r, &want))
        << what << " at (" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

// The balloons the main window asked the shell for, by their text.
std::vector<std::string> balloonsShown;
BOOL WINAPI recordBalloon(DWORD message, PNOTIFYICONDATAA record) {
    if (message == NIM_MODIFY && (record->uFlags & NIF_INFO))
        balloonsShown.push_back(record->szInfo);
    return TRUE;
}
// Where the system injects touch (a pair of functions that accept everything stands in for it), the
// menu offers the board as a touch screen after the settings, checked while chosen; the item turns
// the choice over and stores it at once. Touch given up by the reader (the system refused three
// downs in a row) keeps the item, unticked, says so once, and ticking it takes touch up again.
BOOL WINAPI acceptInitialize(UINT32, DWORD) {
    return TRUE;
}
BOOL WINAPI acceptInject(UINT32, const InjectedTouchInfo*) {
    return TRUE;
}

TEST_F(MainWindow, TheTouchItemTurnsTheChoiceOverAndStoresIt) {
    ScratchCurrentUser user;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, TOLVEX_KEY, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(startTouchInjection({acceptInitialize, acceptInject}));
    touchChoice = 1;
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h)); // the menu is made afresh
    ASSERT_EQ(GetMenuItemCount(mainWindowParts().trayMenu), 7);
    EXPECT_EQ(menuText(mainWindowParts().trayMenu, 1), "Configuraci\xF3n del sistema");
    EXPECT_EQ(menuText(mainWindowParts().trayMenu, 2), "Usar la pizarra como pantalla t\xE1"
                                                       "ctil");
    EXPECT_EQ(GetMenuItemID(mainWindowParts().trayMenu, 2), IDM_TOUCH);
    EXPECT_EQ(menuText(mainWindowParts().trayMenu, 3), "Zarpelo");
    EXPECT_EQ(GetMenuState(mainWindowParts().trayMenu, 2, MF_BYPOSITION) & MF_CHECKED, UINT(MF_CHECKED));
    std::string stored;
    for (const char* want : {"0", "1"}) {
        SendMessageA(main, WM_COMMAND, IDM_TOUCH, 0);
        const bool on = want[0] == '1';
        EXPECT_EQ(touchChoice.load(), on ? 1 : 0);
        EXPECT_TRUE(readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Touch", &stored));
        EXPECT_EQ(stored, want);
        EXPECT_EQ(GetMenuState(mainWindowParts().trayMenu, 2, MF_BYPOSITION) & MF_CHECKED,
                  UINT(on ? MF_CHECKED : 0));
    }
    const TrayNotify notifyBefore = trayNotify;
    trayNotify = recordBalloon;
    balloonsShown.clear();
    giveUpTouchInjection();
    SendMessageA(main, UM_TOUCH_GIVEN_UP, 0, 0);
    ASSERT_EQ(GetMenuItemCount(mainWindowParts().trayMenu), 7) << "the item went with touch";
    EXPECT_EQ(GetMenuItemID(mainWindowParts().trayMenu, 2), IDM_TOUCH);
    EXPECT_EQ(GetMenuState(mainWindowParts().trayMenu, 2, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(balloonsShown, std::vector<std::string>{"Windows no acepta los toques de la pizarra: "
                                                      "funciona como rat\xF3n"});
    SendMessageA(main, WM_COMMAND, IDM_TOUCH, 0);
    EXPECT_TRUE(touchInjectionAvailable());
    EXPECT_EQ(touchChoice.load(), 1);
    EXPECT_EQ(GetMenuState(mainWindowParts().trayMenu, 2, MF_BYPOSITION) & MF_CHECKED, UINT(MF_CHECKED));
    trayNotify = notifyBefore;
    balloonsShown.clear();
    startTouchInjection({nullptr, nullptr});
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    EXPECT_EQ(GetMenuItemCount(mainWindowParts().trayMenu), 6) << "no touch injection: no item";
}

const char kBoardMonitorGone[] = "La pantalla de la pizarra no est\xE1 conectada: se usa la principal";

// Last: it leaves the board on the primary again, but the choice and the grown canvas stay.
// The monitors carry interface names as Windows gives them for monitors with EDID.
TEST_F(MainWindow, TheBoardFollowsItsMonitorAndAMonitorThatIsGoneKeepsTheChoice) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const char guid[] = "#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}";
    const MonitorEntry primary = {"\\\\.\\DISPLAY1",
                                  {0, 0, w, h},
                                  {0, 0, w, h},
                                  true,
                                  std::string("\\\\?\\DISPLAY#LEN40A0#4&1b2c3d4e&0&UID265988") + guid};
    const MonitorEntry second = {"\\\\.\\DISPLAY2",
                                 {w, 0, w + 2400, 1600},
                                 {w, 0, w + 2400, 1560},
                                 false,
                                 std::string("\\\\?\\DISPLAY#EPS0A1B#5&2d0b7a5a&0&UID4353") + guid};
    const RECT secondRect = {w, 0, w + 2400, 1600}, primaryRect = {0, 0, w, h};
    monitorSource = fromTable;
    trayNotify = recordBalloon;
    testMonitors = {primary, second};
    // A drawing near the canvas's far corner, and the canvas's size before.
    const POINT before = canvasExtent;
    SetPixel(pageRecords[1].memDC, before.x - 5, before.y - 5, RGB(255, 0, 0));
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));

    // Two monitors: the choice follows the first item, the board's monitor checked.
    ASSERT_EQ(GetMenuItemCount(mainWindowParts().trayMenu), 7);
    EXPECT_EQ(menuText(mainWindowParts().trayMenu, 1), "Pantalla de la pizarra");
    HMENU screens = GetSubMenu(mainWindowParts().trayMenu, 1);
    ASSERT_NE(screens, nullptr);
    ASSERT_EQ(GetMenuItemCount(screens), 2);
    EXPECT_EQ(menuText(screens, 0),
              "Pantalla 1: " + std::to_string(w) + " x " + std::to_string(h) + " (principal)");
    EXPECT_EQ(menuText(screens, 1), "Pantalla 2: 2400 x 1600");
    EXPECT_EQ(GetMenuState(screens, 0, MF_BYPOSITION) & MF_CHECKED, UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuState(screens, 1, MF_BYPOSITION) & MF_CHECKED, 0u);
    EXPECT_EQ(menuText(mainWindowParts().trayMenu, 2), "Configuraci\xF3n del sistema");

    // Choosing the second: without a sensor the calibration is refused, the choice stands.
    BoxSeen seen;
    HANDLE answerer = CreateThread(nullptr, 0, answerBox, &seen, 0, nullptr);
    SendMessageA(main, WM_COMMAND, IDM_SCREEN_FIRST + 1, 0);
    WaitForSingleObject(answerer, 5000);
    CloseHandle(answerer);
    EXPECT_EQ(seen.text, "No se ha encontrado sensor");
    EXPECT_EQ(boardScreenChoice.device, second.device);
    EXPECT_EQ(boardScreenChoice.id, second.id);
    expectRect(mainWindowParts().calibration, secondRect, "calibration window");
    for (int i = 0; i < 2; ++i) {
        expectRect(containerWindows[i], secondRect, "container");
        expectRect(pageWindows[i], secondRect, "page");
    }
    const RECT home = {w + 2400 - 255, 1560 - 255, w + 2400 - 35, 1560 - 35};
    expectRect(hwndPalette, home, "palette, at its place in the work area");
    const ScreenTargets screen = readScreenTargets();
    EXPECT_EQ(screen.width, 2400);
    EXPECT_EQ(screen.targets[3][0], 2300) << "the crosses are the monitor's";
    EXPECT_TRUE(screen.placement.virtualDesk);
    EXPECT_EQ(screen.placement.left, w);
    EXPECT_EQ(screen.placement.deskWidth, w + 2400);
    EXPECT_EQ(GetMenuState(GetSubMenu(mainWindowParts().trayMenu, 1), 1, MF_BYPOSITION) & MF_CHECKED,
              UINT(MF_CHECKED));

    // The canvas grew to the monitor, keeping what was drawn where it was.
    EXPECT_EQ(canvasExtent.x, 2400);
    EXPECT_EQ(canvasExtent.y, 1600);
    EXPECT_EQ(GetPixel(pageRecords[1].memDC, before.x - 5, before.y - 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(pageRecords[1].memDC, 2390, 1590), RGB(200, 200, 200)) << "the new part is blank";
    EXPECT_EQ(GetPixel(pageRecords[0].memDC, 2390, 1590), RGB(200, 200, 200));

    // The projector's scale goes to 150 % and the calibration window hears of it: the monitors are
    // looked up again, the crosses stand 150, 75 in for the reader as for the window, and the bar
    // takes its 144-DPI size. The taskbar moving later finds the projector back at 100 %.
    MonitorEntry scaled = second;
    scaled.dpi = 144;
    testMonitors = {primary, scaled};
    RECT suggested = secondRect;
    SendMessageA(mainWindowParts().calibration, WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT bar = {};
    GetWindowRect(boardBarWindow, &bar);
    EXPECT_EQ(bar.right - bar.left, barSize(144).right);
    EXPECT_EQ(readScreenTargets().targets[0][0], 150);
    EXPECT_EQ(readScreenTargets().targets[0][1], 75);
    EXPECT_EQ(calibrationCrossPosition(3).x, 2400 - 150);
    testMonitors = {primary, second};
    SendMessageA(main, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    GetWindowRect(boardBarWindow, &bar);
    EXPECT_EQ(bar.right - bar.left, barSize(96).right);
    EXPECT_EQ(calibrationCrossPosition(3).x, 2400 - 100);
    expectRect(mainWindowParts().calibration, secondRect,
               "calibration window, after the scale went and came back");

    // A dock renumbers the monitors: a television takes the projector's name, the projector is
    // "\\.\DISPLAY3" now. The board follows the projector, not the name.
    MonitorEntry television = {second.device,
                               {w, 0, w + 1920, 1080},
                               {w, 0, w + 1920, 1080},
                               false,
                               std::string("\\\\?\\DISPLAY#SAM0F99#5&2d0b7a5a&0&UID4354") + guid};
    MonitorEntry projector = second;
    projector.device = "\\\\.\\DISPLAY3";
    projector.area = {w + 1920, 0, w + 1920 + 2400, 1600};
    projector.work = projector.area;
    const RECT projectorRect = {w + 1920, 0, w + 1920 + 2400, 1600};
    testMonitors = {primary, television, projector};
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    expectRect(mainWindowParts().calibration, projectorRect, "calibration window, monitors renumbered");
    expectRect(pageWindows[1], projectorRect, "page, monitors renumbered");
    EXPECT_EQ(GetMenuState(GetSubMenu(mainWindowParts().trayMenu, 1), 2, MF_BYPOSITION) & MF_CHECKED,
              UINT(MF_CHECKED));
    EXPECT_EQ(boardScreenChoice.device, projector.device) << "the choice follows its monitor's name";
    EXPECT_TRUE(balloonsShown.empty()) << balloonsShown.front();

    // The projector goes away and the television is renumbered under its name: the board is on
    // the primary, not on the television, and the tray says so once.
    television.device = projector.device;
    testMonitors = {primary, television};
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    expectRect(pageWindows[1], primaryRect, "page, monitor gone, its name another's");
    ASSERT_EQ(balloonsShown.size(), 1u);
    EXPECT_EQ(balloonsShown[0], kBoardMonitorGone);

    // The second monitor goes away: the board is on the primary for now, the choice is kept and
    // stored as it was; it comes back on the second when that returns.
    testMonitors = {primary};
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    EXPECT_EQ(balloonsShown.size(), 1u) << "told once while it stays away";
    EXPECT_EQ(boardScreenChoice.device, projector.device);
    expectRect(mainWindowParts().calibration, primaryRect, "calibration window, monitor gone");
    expectRect(pageWindows[1], primaryRect, "page, monitor gone");
    const RECT primaryHome = {w - 255, h - 255, w - 35, h - 35};
    expectRect(hwndPalette, primaryHome, "palette, monitor gone");
    EXPECT_FALSE(readScreenTargets().placement.virtualDesk);
    EXPECT_EQ(GetMenuItemCount(mainWindowParts().trayMenu), 6) << "one monitor: the six items";
    EXPECT_EQ(canvasExtent.x, 2400) << "a canvas never shrinks";
    ASSERT_TRUE(writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Ouhe", "01"));
    saveSettings(&settings);
    std::string stored;
    EXPECT_TRUE(readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Screen", &stored));
    EXPECT_EQ(stored, projector.device);
    EXPECT_TRUE(readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "MonitorId", &stored));
    EXPECT_EQ(stored, second.id);
    EXPECT_TRUE(readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "MonitorSize", &stored));
    EXPECT_EQ(stored, "2400x1600");
    testMonitors = {primary, second};
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    expectRect(pageWindows[0], secondRect, "page, monitor back");
    EXPECT_EQ(balloonsShown.size(), 1u);
    testMonitors = {primary};
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    EXPECT_EQ(balloonsShown.size(), 2u) << "told again when it goes away again";
    trayNotify = Shell_NotifyIconA;

    boardScreenChoice = {};
    monitorSource = systemMonitors;
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(w, h));
    expectRect(pageWindows[0], primaryRect, "page, back on the system's monitors");
    deleteTolvexKey();
}

} // namespace
