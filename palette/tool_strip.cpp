// The tool strip: its buttons' pictures come from bitmaps 132 (normal) and 133 (pressed), one cell
// per tool; at 100 % the resources, at any other scale the pictures drawn for it (drawn_pictures),
// with cells of the buttons' size. The gaps between the buttons are the key colour, through which
// the slide or the board shows.
#include "palette/tool_strip.h"

#include <commctrl.h>

#include "palette/core/tool_strip_layout.h"
#include "palette/palette_state.h"
#include "resources/resource_ids.h"
#include "win32/class_names.h"
#include "win32/core/dpi_scale.h"
#include "win32/dpi.h"
#include "win32/gdi_scope.h"
#include "win32/key_colour.h"
#include "win32/layered.h"
#include "win32/no_activate.h"
#include "win32/show_hide.h"

namespace {

int32_t stripDpi = BASE_DPI;                   // the palette's, as the strip was last placed; GUI thread
int32_t pressedButton = -1;                    // the button held down, shown pressed; GUI thread
HBITMAP stripPictures[2] = {nullptr, nullptr}; // normal, pressed, of stripPicturesDpi; GUI thread
int32_t stripPicturesDpi = 0;                  // the scale stripPictures were made for (0: none yet)

HINSTANCE instanceOf(HWND strip) {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(strip, GWLP_HINSTANCE));
}

// The pictures for dpi, made once per scale, with cells of the buttons' size. A picture that cannot
// be made leaves the ones held before.
void makeStripPictures(HINSTANCE instance, int32_t dpi) {
    if (stripPicturesDpi == knownDpi(dpi) && stripPictures[0] && stripPictures[1])
        return;
    const int32_t cell = scaledForDpi(STRIP_BUTTON_96, dpi);
    HBITMAP made[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i)
        made[i] = loadPictureForDpi(instance, i ? IDB_TOOL_STRIP_PRESSED : IDB_TOOL_STRIP_NORMAL,
                                    cell * STRIP_ICON_COUNT, cell, dpi);
    if (!made[0] || !made[1]) {
        for (HBITMAP b : made)
            if (b)
                DeleteObject(b);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (stripPictures[i])
            DeleteObject(stripPictures[i]);
        stripPictures[i] = made[i];
    }
    stripPicturesDpi = knownDpi(dpi);
}

bool shownPressed(int32_t i) {
    return i == pressedButton || stripTools[i].command == drawState.tool;
}

void drawButton(HDC dc, int32_t i) {
    const StripRect r = stripButtonRect(i, stripDpi);
    HBITMAP picture = stripPictures[shownPressed(i) ? 1 : 0];
    HDC source = CreateCompatibleDC(dc);
    if (!source || !picture) {
        if (source)
            DeleteDC(source);
        return;
    }
    {
        SelectedObject selected(source, picture, false);
        const int32_t cell = r.right - r.left;
        BitBlt(dc, r.left, r.top, cell, r.bottom - r.top, source, stripTools[i].icon * cell, 0, SRCCOPY);
    }
    DeleteDC(source);
}

// A button's tip covers the button at the strip's scale.
TOOLINFOA toolOf(HWND strip, int32_t i) {
    const StripRect r = stripButtonRect(i, stripDpi);
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = strip;
    info.uId = UINT_PTR(i);
    info.rect = {r.left, r.top, r.right, r.bottom};
    return info;
}

// The strip's tooltip control is kept in its GWLP_USERDATA, for moving the tips' rectangles when
// the strip changes scale.
void addTooltips(HWND strip, HINSTANCE instance) {
    HWND tips =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, strip, nullptr, instance, nullptr);
    if (!tips)
        return; // the strip works without tips
    SetWindowLongPtrA(strip, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tips));
    for (int32_t i = 0; i < STRIP_TOOL_COUNT; ++i) {
        TOOLINFOA info = toolOf(strip, i);
        info.uFlags = TTF_SUBCLASS;
        info.hinst = instance;
        info.lpszText = const_cast<char*>(stripTools[i].tooltip);
        SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void moveTooltips(HWND strip) {
    HWND tips = reinterpret_cast<HWND>(GetWindowLongPtrA(strip, GWLP_USERDATA));
    if (!tips)
        return;
    for (int32_t i = 0; i < STRIP_TOOL_COUNT; ++i) {
        TOOLINFOA info = toolOf(strip, i);
        SendMessageA(tips, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

MonitorBox workAreaOf(HWND palette) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(palette, MONITOR_DEFAULTTONEAREST), &info))
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

int32_t buttonAt(LPARAM lParam) {
    return stripButtonAt(int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam)), stripDpi);
}

// A button acts when it is released over itself, as the palette's buttons do; the strip holds the
// mouse meanwhile so that a release elsewhere only lifts the button. The palette picks the tool
// and closes the strip.
void onButtonDown(HWND strip, LPARAM lParam) {
    pressedButton = buttonAt(lParam);
    if (pressedButton < 0)
        return;
    SetCapture(strip);
    InvalidateRect(strip, nullptr, FALSE);
}

void onButtonUp(HWND strip, LPARAM lParam) {
    const int32_t i = pressedButton;
    pressedButton = -1;
    if (GetCapture() == strip)
        ReleaseCapture();
    InvalidateRect(strip, nullptr, FALSE);
    if (i >= 0 && i == buttonAt(lParam))
        SendMessageA(GetWindow(strip, GW_OWNER), WM_COMMAND, WPARAM(uint32_t(stripTools[i].command)), 0);
}

void fillStripBackground(HDC dc, const RECT& r) {
    HBRUSH brush = CreateSolidBrush(KEY_COLOUR);
    if (brush) {
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

} // namespace

HWND createToolStrip(HWND palette, HINSTANCE instance) {
    stripDpi = paletteDpi;
    makeStripPictures(instance, stripDpi);
    const StripRect size = stripSize(stripDpi);
    const bool layering = setLayeredWindowAttributes != nullptr;
    HWND strip = CreateWindowExA(
        WS_EX_TOOLWINDOW | WS_EX_TOPMOST | NO_ACTIVATE_EX_STYLE | (layering ? WS_EX_LAYERED : 0),
        TOOL_STRIP_CLASS, "", WS_POPUP, 0, 0, size.right, size.bottom, palette, nullptr, instance, nullptr);
    if (!strip)
        return nullptr;
    // The gaps are the key colour: what lies below shows between the buttons.
    setLayered(strip, KEY_COLOUR, 255, LWA_COLORKEY);
    addTooltips(strip, instance);
    return strip;
}

void placeToolStrip(HWND strip, HWND palette, int32_t dpi) {
    if (!strip)
        return;
    const bool rescaled = knownDpi(dpi) != stripDpi;
    stripDpi = knownDpi(dpi);
    const StripRect size = stripSize(stripDpi);
    RECT r = {0, 0, 0, 0};
    GetWindowRect(palette, &r);
    const BoxPoint at = stripPlace({r.left, r.top, r.right, r.bottom}, workAreaOf(palette), stripDpi);
    SetWindowPos(strip, nullptr, at.x, at.y, size.right, size.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | (rescaled ? 0 : SWP_NOSIZE));
    if (rescaled) {
        makeStripPictures(instanceOf(strip), stripDpi);
        moveTooltips(strip);
        InvalidateRect(strip, nullptr, FALSE);
    }
}

void showToolStrip(HWND strip, HWND palette, bool show) {
    if (!strip)
        return;
    if (!show) {
        ShowWindow(strip, SW_HIDE);
        return;
    }
    placeToolStrip(strip, palette, paletteDpi);
    InvalidateRect(strip, nullptr, FALSE);
    raiseTopmost(strip);
    showWithoutActivating(strip);
    raiseTopmost(strip);
}

void paintToolStripContent(HDC dc) {
    const StripRect size = stripSize(stripDpi);
    fillStripBackground(dc, {0, 0, size.right, size.bottom});
    for (int32_t i = 0; i < STRIP_TOOL_COUNT; ++i)
        drawButton(dc, i);
}

namespace {

// The strip's place and scale are the palette's: the palette places it when it moves or changes
// scale, never the rectangle the system suggests for the strip itself.
LRESULT onDpiChanged(HWND strip) {
    placeToolStrip(strip, GetWindow(strip, GW_OWNER), paletteDpi);
    return 0;
}

} // namespace

LRESULT CALLBACK toolStripProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK; // a touch on the strip leaves the activation where it was
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        onButtonDown(hwnd, lParam);
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(hwnd, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        if (pressedButton >= 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
            pressedButton = -1;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_DPICHANGED:
        return onDpiChanged(hwnd);
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT:
        paintWindow(hwnd, paintToolStripContent);
        return 0;
    case WM_SYSCOMMAND:
        return refuseCloseCommand(hwnd, wParam, lParam); // the strip cannot be closed from the keyboard
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
