// The calibration window, class "qv_dingwei": the grey surface over the board's whole monitor that
// shows one cross at a time near a corner of it and the logo in the middle, then the check cross at the
// centre with its request, then the check's outcome. The reader thread does the measuring and advances
// calibPointIndex; this window only draws the cross whose index that is, and the outcome it is told.
#include "win32/program.h"
#include "calibration/calibration_state.h"
#include "win32/core/dpi_scale.h"
#include "win32/monitors.h"
#include "win32/class_names.h"
#include "win32/dpi.h"
#include "win32/gdi_scope.h"
#include "win32/ids.h"
#include "win32/no_activate.h"
#include "win32/show_hide.h"
#include "calibration/calibration_window.h"
#include "calibration/core/screen_mapping.h"
#include "resources/resource_ids.h"
#include "sensor/sensor_link.h"
#include "calibration/core/cross_touches.h"

namespace {

// Sizes in pixels at 96 DPI; the window scales them by its monitor's DPI (ownDpi).
constexpr int LOGO_WIDTH = 512; // IDB_CALIBRATION_LOGO, stretched to this size when loaded
constexpr int LOGO_HEIGHT = 296;
constexpr int CROSS_HALF = 5;          // the cross spans 10 pixels on each diagonal
constexpr int CROSS_PEN = 3;           // pixels
constexpr int NOTE_GAP = 24;           // pixels from the centre (or the logo) down to a text
constexpr int NOTE_HEIGHT = 30;        // of the texts' font, in pixels
constexpr UINT_PTR PASSED_TIMER = 1;   // hides the window after the check passed
constexpr UINT PASSED_SHOWN_MS = 1000; // how long "Calibración correcta" stays up

// calibPointIndex past the check cross (CAPTURE_CHECK_INDEX): the check touch was taken.
constexpr int CHECKED_INDEX = CAPTURE_CHECK_INDEX + 1;

const char* const CHECK_REQUEST = "Toque el centro para comprobar";
const char* const CHECK_PASSED = "Calibraci\xF3n correcta";
const char* const CHECK_MISSED = "Calibraci\xF3n imprecisa: repita";

enum CheckNote {
    NOTE_NONE,   // no check yet in this calibration
    NOTE_MISSED, // the check missed: shown with the first cross until it is taken
    NOTE_PASSED, // the check passed: shown until the window hides
};

int ownWidth = 0, ownHeight = 0; // the board monitor's size as last taken (takeBoardGeometry)
int32_t ownDpi = BASE_DPI;       // and its DPI
POINT crossPositions[4] = {};    // top left, top right, bottom left, bottom right
HBITMAP logoBitmap = nullptr;    // bitmap 200; null if it could not be loaded: paint leaves it out
HDC logoDC = nullptr;            // holds logoBitmap for the window's life
HGDIOBJ logoDCOldBitmap = nullptr;
SensorReport calibCommand = {}; // Run, rebuilt at every reset
SensorReport calibReply = {};
int32_t stateBeforeCapture = CALIB_NONE; // calibState when the calibration began: restored on cancel
CheckNote checkNote = NOTE_NONE;         // set by the main window on the reader's outcome

int scaled(int px96) {
    return scaledForDpi(px96, ownDpi);
}

void releaseLogo() {
    if (logoDC && logoDCOldBitmap)
        SelectObject(logoDC, logoDCOldBitmap);
    logoDCOldBitmap = nullptr;
    if (logoBitmap)
        DeleteObject(logoBitmap);
    logoBitmap = nullptr;
}

// The logo at the window's scale (drawn at that scale when it is not 100 %), held in logoDC.
void loadLogo(HWND hwnd) {
    releaseLogo();
    logoBitmap = loadPictureForDpi(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE)),
                                   IDB_CALIBRATION_LOGO, scaled(LOGO_WIDTH), scaled(LOGO_HEIGHT), ownDpi);
    if (logoDC && logoBitmap)
        logoDCOldBitmap = SelectObject(logoDC, logoBitmap);
}

// The board's monitor as last published (the primary screen before any): its size and DPI, the
// crosses laid out on it, the logo at its scale.
void takeBoardGeometry(HWND hwnd) {
    const ScreenTargets board = readScreenTargets(); // the board's monitor, where this window lies
    ownWidth = board.width > 0 ? board.width : GetSystemMetrics(SM_CXSCREEN);
    ownHeight = board.height > 0 ? board.height : GetSystemMetrics(SM_CYSCREEN);
    const int32_t dpi = board.width > 0 ? board.dpi : dpiOfWindow(hwnd);
    if (knownDpi(dpi) != ownDpi) {
        ownDpi = knownDpi(dpi);
        loadLogo(hwnd);
    }
    for (int i = 0; i < 4; ++i) {
        const ScreenPoint cross = calibrationCross(i, ownWidth, ownHeight, ownDpi);
        crossPositions[i] = {cross.x, cross.y};
    }
}

void reset(HWND hwnd) {
    takeBoardGeometry(hwnd);
    calibPointIndex = 0;
    checkNote = NOTE_NONE;
    KillTimer(hwnd, PASSED_TIMER);
    InvalidateRect(hwnd, nullptr, TRUE);
    buildSensorCommand(calibCommand, SENSOR_RUN);
    exchangeReport(sensorHandle, calibCommand, calibReply);
}

void onCreate(HWND hwnd) {
    {
        WindowDC windowDC(hwnd);
        logoDC = CreateCompatibleDC(windowDC.get());
    }
    ownDpi = 0; // the reset loads the logo at the monitor's scale
    SendMessageA(hwnd, UM_CALIB_RESET, 0, 0);
}

// The annotation tool's windows (the palette, the page containers and the pages, all topmost while
// shown) are put aside while a calibration runs: the palette sits in the bottom-right corner, over
// the fourth cross, and a page would cover the crosses. They come back as they were when the
// calibration ends.
constexpr int ASIDE_MAX = 8;
HWND asideWindows[ASIDE_MAX] = {}; // hidden by the calibration, top of the stack first
int asideCount = 0;
bool setAside = false;

BOOL CALLBACK collectBoardWindow(HWND hwnd, LPARAM) {
    char className[32] = "";
    GetClassNameA(hwnd, className, sizeof className);
    const bool board = lstrcmpiA(className, PALETTE_CLASS) == 0 ||
                       lstrcmpiA(className, PAGE_CONTAINER_CLASS) == 0 ||
                       lstrcmpiA(className, PAGE_CLASS) == 0;
    if (board && IsWindowVisible(hwnd) && asideCount < ASIDE_MAX)
        asideWindows[asideCount++] = hwnd;
    return TRUE;
}

void putBoardWindowsAside() {
    if (setAside)
        return; // a restart during a calibration: they are aside already
    setAside = true;
    asideCount = 0;
    EnumThreadWindows(GetCurrentThreadId(), collectBoardWindow, 0);
    for (int i = 0; i < asideCount; ++i)
        ShowWindow(asideWindows[i], SW_HIDE);
}

void bringBoardWindowsBack() {
    if (!setAside)
        return;
    setAside = false;
    // Bottom first, each raised as it is shown: Wine maps a newly shown window above all others,
    // the topmost palette included, until the stack is set again.
    for (int i = asideCount - 1; i >= 0; --i) {
        ShowWindow(asideWindows[i], SW_SHOWNA);
        raiseWithoutActivating(asideWindows[i]); // topmost ones stay so; none is activated
    }
    if (hwndPalette && IsWindowVisible(hwndPalette))
        SetWindowPos(hwndPalette, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    asideCount = 0;
}

void onBegin(HWND hwnd) {
    putBoardWindowsAside();
    // Choosing "Calibrar espacio de trabajo" again during a calibration restarts it but must keep
    // the state from before the first start, not record "capturing".
    const int32_t state = calibState;
    if (state != CALIB_CAPTURING)
        stateBeforeCapture = state;
    reset(hwnd);
}

// Esc or the close command: hide, and stop taking touches as calibration points. The reader thread
// may be finishing a capture at this moment; a completed capture (CALIB_MAPPING) is kept.
void cancel(HWND hwnd) {
    KillTimer(hwnd, PASSED_TIMER);
    ShowWindow(hwnd, SW_HIDE);
    int32_t capturing = CALIB_CAPTURING;
    calibState.compare_exchange_strong(capturing, stateBeforeCapture);
    bringBoardWindowsBack();
    const HWND main = hwndMain;
    if (main)
        SendMessageA(main, UM_CALIB_CANCELLED, 0, 0);
}

void drawCross(HDC dc, int x, int y) {
    const int half = scaled(CROSS_HALF);
    SelectedObject pen(dc, CreatePen(PS_SOLID, scaled(CROSS_PEN), RGB(0, 0, 0)));
    MoveToEx(dc, x - half, y - half, nullptr);
    LineTo(dc, x + half, y + half);
    MoveToEx(dc, x - half, y + half, nullptr);
    LineTo(dc, x + half, y - half);
}

// One line of text centred on x, its top at y.
void drawNote(HDC dc, const char* text, int x, int y) {
    SelectedObject font(dc, CreateFontA(-scaled(NOTE_HEIGHT), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                        ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial"));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    RECT line = {x - scaled(600), y, x + scaled(600), y + 2 * scaled(NOTE_HEIGHT)};
    DrawTextA(dc, text, -1, &line, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

void hideAfterCalibration(HWND hwnd) {
    KillTimer(hwnd, PASSED_TIMER);
    ShowWindow(hwnd, SW_HIDE);
    bringBoardWindowsBack();
}

// A display change: the window follows the board's monitor and a calibration under way starts
// again at the first cross. A calibration that has passed its check is over: while "Calibración
// correcta" is up, starting again would put the first cross over the desktop with no capture
// behind it (and kill the timer that hides the window), so the window hides now instead.
void onDisplayReset(HWND hwnd) {
    if (checkNote == NOTE_PASSED && IsWindowVisible(hwnd))
        hideAfterCalibration(hwnd);
    reset(hwnd);
}

// The board's monitor was looked up again, or its scale changed under the window: the window covers
// the monitor again and draws at its scale. Touches already taken were measured against crosses
// that may now stand elsewhere, and a calibration made of both would be wrong: when a cross moved, a
// calibration under way starts again at the first cross (one that had passed its check is over,
// as after a display change). Where no cross moved it goes on where it was.
void followBoard(HWND hwnd) {
    const RECT a = boardArea();
    SetWindowPos(hwnd, nullptr, a.left, a.top, a.right - a.left, a.bottom - a.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const CrossScreen before = {ownWidth, ownHeight, ownDpi};
    takeBoardGeometry(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
    if (IsWindowVisible(hwnd) && calibrationCrossesMoved(before, {ownWidth, ownHeight, ownDpi}))
        onDisplayReset(hwnd);
}

// The window's place is the board's monitor, never the rectangle the system suggests: the
// message only says that the monitor's scale changed.
LRESULT onDpiChanged(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (boardRescaleHeard(wParam, lParam))
        followBoard(hwnd);
    return 0;
}

} // namespace

void paintCalibrationContent(HDC dc, const RECT& client) {
    const int index = calibPointIndex;
    const int centreX = client.right / 2, centreY = client.bottom / 2;
    if (index == CAPTURE_CHECK_INDEX) {
        // The check cross stands where the logo would: the logo stays away until the next start.
        drawCross(dc, centreX, centreY);
        drawNote(dc, CHECK_REQUEST, centreX, centreY + scaled(NOTE_GAP));
        return;
    }
    if (index == CHECKED_INDEX) {
        if (checkNote == NOTE_PASSED)
            drawNote(dc, CHECK_PASSED, centreX, centreY + scaled(NOTE_GAP));
        return;
    }
    if (index >= 0 && index < 4)
        drawCross(dc, crossPositions[index].x, crossPositions[index].y);
    const int logoWidth = scaled(LOGO_WIDTH), logoHeight = scaled(LOGO_HEIGHT);
    if (logoDC && logoBitmap)
        BitBlt(dc, (client.right - logoWidth) / 2, (client.bottom - logoHeight) / 2, logoWidth, logoHeight,
               logoDC, 0, 0, SRCCOPY);
    if (index == 0 && checkNote == NOTE_MISSED)
        drawNote(dc, CHECK_MISSED, centreX, (client.bottom + logoHeight) / 2 + scaled(NOTE_GAP));
}

void endCalibrationWindow(HWND hwnd) {
    if (!IsWindowVisible(hwnd)) {
        hideAfterCalibration(hwnd); // cancelled just before: nothing to show
        return;
    }
    checkNote = NOTE_PASSED;
    InvalidateRect(hwnd, nullptr, TRUE);
    SetTimer(hwnd, PASSED_TIMER, PASSED_SHOWN_MS, nullptr);
}

void calibrationCheckMissed(HWND hwnd) {
    checkNote = NOTE_MISSED;
    InvalidateRect(hwnd, nullptr, TRUE);
}

POINT calibrationCrossPosition(int index) {
    if (index < 0 || index > 3)
        return POINT{0, 0};
    return crossPositions[index];
}

namespace {

LRESULT onPaint(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    paintCalibrationContent(dc, client);
    EndPaint(hwnd, &ps);
    return 0;
}

LRESULT onTimer(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (wParam != PASSED_TIMER)
        return DefWindowProcA(hwnd, WM_TIMER, wParam, lParam);
    hideAfterCalibration(hwnd);
    return 0;
}

// Esc cancels, and the Stop command goes to the sensor once more.
LRESULT onChar(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (wParam != VK_ESCAPE)
        return DefWindowProcA(hwnd, WM_CHAR, wParam, lParam);
    cancel(hwnd);
    exchangeReport(sensorCommandHandle, sensorCommand, calibReply);
    return 0;
}

LRESULT onSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (!isCloseCommand(wParam))
        return DefWindowProcA(hwnd, WM_SYSCOMMAND, wParam, lParam);
    cancel(hwnd);
    return 0;
}

} // namespace

LRESULT CALLBACK calibrationWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(hwnd);
        return 0;
    case UM_CALIB_BEGIN:
        onBegin(hwnd);
        return 0;
    case UM_CALIB_RESET:
        onDisplayReset(hwnd);
        return 0;
    case UM_CALIB_FOLLOW:
        followBoard(hwnd);
        return 0;
    case WM_DPICHANGED:
        return onDpiChanged(hwnd, wParam, lParam);
    case WM_PAINT:
        return onPaint(hwnd);
    case WM_TIMER:
        return onTimer(hwnd, wParam, lParam);
    case WM_CHAR:
        return onChar(hwnd, wParam, lParam);
    case WM_SYSCOMMAND:
        return onSysCommand(hwnd, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
