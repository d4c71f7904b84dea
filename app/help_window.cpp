// The help window, class "qv_help": four picture pages and the buttons "first", "last", "next"
// and "end" to move between them. Closing it only hides it.
#include "app/help_window.h"

#include "win32/core/dpi_scale.h"
#include "app/core/settings_layout.h"
#include "win32/button_font.h"
#include "win32/dpi.h"
#include "win32/gdi_scope.h"
#include "win32/ids.h"
#include "win32/show_hide.h"
#include "resources/resource_ids.h"

namespace {

constexpr int HELP_PAGE_SIZE = 220; // a help page's picture, at 96 DPI

int32_t helpPage = 0;               // page shown, 0 to 3 (bitmap IDB_HELP_PAGE_1 + helpPage)
RECT clientRect = {};               // measured at creation and at a change of scale
int32_t helpDpi = BASE_DPI;         // the primary monitor's: pages and buttons are that much larger
HINSTANCE instance = nullptr;       // from the creation parameters; holds the pictures
HWND buttons[HELP_PAGE_COUNT] = {}; // in HELP_BUTTONS order: "end", "next", "last", "first"
ButtonFont buttonFont;              // theirs, at helpDpi: remade by layOut
HDC memoryDC = nullptr;             // holds the current page's picture
HBITMAP pageBitmap = nullptr;       // the picture loaded for the last paint; null until one loads
HGDIOBJ memoryOldBitmap = nullptr;  // what memoryDC held when it was made

void updateButtons() {
    for (int i = 0; i < HELP_PAGE_COUNT; ++i)
        if (buttons[i])
            EnableWindow(buttons[i], helpButtonEnabled(HELP_BUTTONS[i].id, helpPage) ? TRUE : FALSE);
}

void releaseMemoryDC() {
    if (!memoryDC)
        return;
    SelectObject(memoryDC, memoryOldBitmap);
    if (pageBitmap)
        DeleteObject(pageBitmap);
    DeleteDC(memoryDC);
    memoryDC = nullptr;
    pageBitmap = nullptr;
}

// The buttons and their font at helpDpi, along the bottom of the client as it is now.
void layOut(HWND hwnd) {
    buttonFont.apply(helpDpi, buttons, HELP_PAGE_COUNT);
    GetClientRect(hwnd, &clientRect);
    auto scaled = [](int px96) { return scaledForDpi(px96, helpDpi); };
    for (int i = 0; i < HELP_PAGE_COUNT; ++i) {
        const HelpButton& b = HELP_BUTTONS[i];
        MoveWindow(buttons[i], clientRect.right - scaled(b.offsetFromRight),
                   clientRect.bottom - scaled(HELP_BUTTON_RAISE), scaled(b.width), scaled(HELP_BUTTON_HEIGHT),
                   TRUE);
    }
}

void onCreate(HWND hwnd, const CREATESTRUCTA* cs) {
    instance = cs->hInstance;
    helpDpi = knownDpi(primaryDpi());
    for (int i = 0; i < HELP_PAGE_COUNT; ++i)
        buttons[i] = CreateWindowExA(0, "button", HELP_BUTTONS[i].caption, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                     hwnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(HELP_BUTTONS[i].id)),
                                     instance, nullptr);
    layOut(hwnd);
    SendMessageA(hwnd, WM_COMMAND, IDC_HELP_FIRST, 0);
    helpPage = 0;
    releaseMemoryDC(); // one window per process; a second creation starts afresh
    WindowDC windowDC(hwnd);
    memoryDC = CreateCompatibleDC(windowDC.get());
}

void onCommand(HWND hwnd, WPARAM wParam) {
    // The whole wParam is the id: a click carries notification code 0. Any command repaints.
    helpPage = helpPageAfter(helpPage, wParam);
    updateButtons();
    InvalidateRect(hwnd, nullptr, TRUE);
}

void onToggleShow(HWND hwnd) {
    if (toggleShown(hwnd))
        SendMessageA(hwnd, WM_COMMAND, IDC_HELP_FIRST, 0);
}

// The primary monitor's scale changed under the window: the suggested size, the buttons and the
// page at the new scale (the page is loaded at each paint). The scale it has already (back from a
// monitor of another scale): its own size.
void onDpiChanged(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (!followPrimaryScale(hwnd, wParam, lParam, &helpDpi, HELP_WINDOW_SIZE, HELP_WINDOW_SIZE))
        return;
    layOut(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

} // namespace

void paintHelpContent(HDC dc) {
    if (!memoryDC)
        return;
    const int side = scaledForDpi(HELP_PAGE_SIZE, helpDpi);
    HANDLE loaded = loadPictureForDpi(instance, IDB_HELP_PAGE_1 + helpPage, side, side, helpDpi);
    // A picture that fails to load leaves the one held before in place.
    if (loaded) {
        HGDIOBJ previous = SelectObject(memoryDC, loaded);
        if (pageBitmap)
            DeleteObject(previous);
        else
            memoryOldBitmap = previous;
        pageBitmap = static_cast<HBITMAP>(loaded);
    }
    // Before any picture has loaded the memory DC holds only its 1 x 1 default bitmap: keep the
    // erased background rather than copying that.
    if (pageBitmap)
        BitBlt(dc, 0, 0, clientRect.right, clientRect.bottom, memoryDC, 0, 0, SRCCOPY);
}

int32_t helpWindowPage() {
    return helpPage;
}

LRESULT CALLBACK helpWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return 0;
    case WM_COMMAND:
        onCommand(hwnd, wParam);
        return 0;
    case WM_PAINT:
        paintWindow(hwnd, paintHelpContent);
        return 0;
    case WM_SYSCOMMAND:
        if (hideOnClose(hwnd, wParam))
            return 0;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case UM_TOGGLE_SHOW:
        onToggleShow(hwnd);
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(hwnd, wParam, lParam);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
