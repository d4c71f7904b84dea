// The board bar: its buttons' pictures come from bitmaps 130 (normal) and 131 (pressed), one cell
// per button; at 100 % the resources' cells shrunk to the buttons' size, at any other scale strips
// drawn with cells of the buttons' size at that scale. The label is drawn as text.
// The gaps between the fields are the key colour, through which the page shows.
#include "board/board_bar.h"

#include <commctrl.h>

#include <string>

#include "win32/program.h"
#include "win32/monitors.h"
#include "win32/class_names.h"
#include "win32/dpi.h"
#include "win32/gdi_scope.h"
#include "win32/key_colour.h"
#include "win32/layered.h"
#include "win32/no_activate.h"
#include "win32/show_hide.h"
#include "board/board.h"
#include "board/board_pictures.h"
#include "board/core/board_bar_layout.h"
#include "board/core/board_bar_pictures.h"
#include "win32/core/dpi_scale.h"
#include "win32/drawn_pictures.h"
#include "resources/resource_ids.h"

namespace {

constexpr COLORREF LABEL_FACE = RGB(178, 178, 178); // the palette's ring grey
constexpr COLORREF LABEL_EDGE = RGB(90, 90, 90);

int32_t barDpi = 96;                             // the board monitor's, as the bar was last placed
int32_t pressedField = -1;                       // the button held down, shown in the pressed look
HBITMAP barPictures[2] = {nullptr, nullptr};     // normal, pressed, of barPicturesDpi; GUI thread
int32_t barPicturesDpi = 0;                      // the scale barPictures were made for (0: none yet)
int32_t barPictureCell = BOARD_BAR_PICTURE_CELL; // the side of their cells

// The strips for dpi, made once per scale: the resources at 96, else drawn with cells of the
// buttons' size (a button of 56 at 96 is 70 at 120 DPI, 98 at 168). A strip that cannot be made
// leaves the ones held before.
void makeBarPictures(HINSTANCE instance, int32_t dpi) {
    if (barPicturesDpi == knownDpi(dpi) && barPictures[0] && barPictures[1])
        return;
    const bool base = knownDpi(dpi) == BASE_DPI;
    const int32_t cell = base ? BOARD_BAR_PICTURE_CELL : scaledForDpi(BAR_BUTTON_96, dpi);
    HBITMAP made[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i)
        made[i] = base ? static_cast<HBITMAP>(LoadImageA(
                             instance, MAKEINTRESOURCEA(i ? IDB_BOARD_BAR_PRESSED : IDB_BOARD_BAR_NORMAL),
                             IMAGE_BITMAP, 0, 0, 0))
                       : bitmapOfPicture(boardBarStrip(i == 1, cell));
    if (!made[0] || !made[1]) {
        for (HBITMAP b : made)
            if (b)
                DeleteObject(b);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (barPictures[i])
            DeleteObject(barPictures[i]);
        barPictures[i] = made[i];
    }
    barPicturesDpi = knownDpi(dpi);
    barPictureCell = cell;
}

void fillKeyColourRect(HDC dc, const RECT& r) {
    HBRUSH brush = CreateSolidBrush(KEY_COLOUR);
    if (brush) {
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

BarRect toBarRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

void drawButton(HDC dc, int32_t field) {
    const BarRect r = barFieldRect(field, barDpi);
    HBITMAP picture = barPictures[field == pressedField ? 1 : 0];
    HDC source = CreateCompatibleDC(dc);
    if (!source || !picture) {
        if (source)
            DeleteDC(source);
        return;
    }
    {
        SelectedObject selected(source, picture, false);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        const int32_t cell = barPictureCell;
        StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, barIconOf(field) * cell, 0,
                   cell, cell, SRCCOPY);
    }
    DeleteDC(source);
}

void drawLabel(HDC dc) {
    const BarRect b = barFieldRect(BAR_LABEL, barDpi);
    RECT r = {b.left, b.top, b.right, b.bottom};
    {
        SelectedObject brush(dc, CreateSolidBrush(LABEL_FACE));
        SelectedObject pen(dc, CreatePen(PS_SOLID, 2, LABEL_EDGE));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    const int height = (r.bottom - r.top) * 2 / 5;
    SelectedObject font(dc, CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                        DEFAULT_PITCH, "Arial"));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const std::string label = pageLabel(boardIndex());
    DrawTextA(dc, label.c_str(), int(label.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// A button's tip covers the button at the bar's scale.
TOOLINFOA toolOf(HWND bar, int32_t field) {
    const BarRect r = barFieldRect(field, barDpi);
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = bar;
    info.uId = UINT_PTR(field);
    info.rect = {r.left, r.top, r.right, r.bottom};
    return info;
}

// The bar's tooltip control is kept in its GWLP_USERDATA, for moving the tips' rectangles when the
// bar changes scale.
void addTooltips(HWND bar, HINSTANCE instance) {
    HWND tips =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, bar, nullptr, instance, nullptr);
    if (!tips)
        return; // the bar works without tips
    SetWindowLongPtrA(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tips));
    for (int32_t f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
        if (f == BAR_LABEL)
            continue;
        TOOLINFOA info = toolOf(bar, f);
        info.uFlags = TTF_SUBCLASS;
        info.hinst = instance;
        info.lpszText = const_cast<char*>(barTooltip(f));
        SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void moveTooltips(HWND bar) {
    HWND tips = reinterpret_cast<HWND>(GetWindowLongPtrA(bar, GWLP_USERDATA));
    if (!tips)
        return;
    for (int32_t f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
        if (f == BAR_LABEL)
            continue;
        TOOLINFOA info = toolOf(bar, f);
        SendMessageA(tips, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void runCommand(int32_t field) {
    switch (field) {
    case BAR_PREVIOUS:
        turnBoardPage(-1);
        break;
    case BAR_NEXT:
        turnBoardPage(+1);
        break;
    case BAR_ADD:
        addBoardPage();
        break;
    case BAR_FREEZE:
        freezeScreenToBoard(boardDesktopPage());
        break;
    case BAR_OPEN:
        openPicturesOnBoard(hwndPalette);
        break;
    case BAR_BACKGROUND:
        cycleBoardBackground();
        break;
    case BAR_PDF:
        saveBoardPdf(hwndPalette);
        break;
    case BAR_NEW_BOARD:
        startNewBoard(hwndPalette);
        break;
    default:
        break;
    }
}

int32_t buttonAt(LPARAM lParam) {
    return barButtonAt(int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam)), barDpi);
}

// A button acts when it is released over itself, as the palette's buttons do; the bar holds the
// mouse meanwhile so that a release elsewhere only lifts the button.
void onButtonDown(HWND bar, LPARAM lParam) {
    pressedField = buttonAt(lParam);
    if (pressedField < 0)
        return;
    SetCapture(bar);
    InvalidateRect(bar, nullptr, FALSE);
}

void onButtonUp(HWND bar, LPARAM lParam) {
    const int32_t field = pressedField;
    pressedField = -1;
    if (GetCapture() == bar)
        ReleaseCapture();
    InvalidateRect(bar, nullptr, FALSE);
    if (field >= 0 && field == buttonAt(lParam))
        runCommand(field);
}

} // namespace

HWND createBoardBar(HWND page, HINSTANCE instance) {
    barDpi = boardDpi();
    makeBarPictures(instance, barDpi);
    const BarRect size = barSize(barDpi);
    const bool layering = setLayeredWindowAttributes != nullptr;
    HWND bar =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | (layering ? WS_EX_LAYERED : 0), BOARD_BAR_CLASS,
                        "", WS_POPUP, 0, 0, size.right, size.bottom, page, nullptr, instance, nullptr);
    if (!bar)
        return nullptr;
    // The gaps are the key colour: the page shows between the buttons.
    setLayered(bar, KEY_COLOUR, 255, LWA_COLORKEY);
    addTooltips(bar, instance);
    placeBoardBar(bar);
    return bar;
}

void placeBoardBar(HWND bar) {
    if (!bar)
        return;
    const int32_t dpi = boardDpi();
    const bool rescaled = dpi != barDpi;
    barDpi = dpi;
    const BarRect size = barSize(barDpi);
    int32_t x = 0, y = 0;
    barPosition(toBarRect(boardArea()), barDpi, &x, &y);
    SetWindowPos(bar, nullptr, x, y, size.right, size.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | (rescaled ? 0 : SWP_NOSIZE));
    if (rescaled) {
        makeBarPictures(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(bar, GWLP_HINSTANCE)), barDpi);
        moveTooltips(bar);
        InvalidateRect(bar, nullptr, FALSE);
    }
}

void showBoardBar(HWND bar, bool show) {
    if (!bar)
        return;
    if (!show) {
        ShowWindow(bar, SW_HIDE);
        return;
    }
    // Topmost like the board's page under it; the palette is raised over it afterwards.
    raiseTopmost(bar);
    showWithoutActivating(bar);
    raiseTopmost(bar);
}

void paintBoardBarContent(HDC dc) {
    const BarRect size = barSize(barDpi);
    fillKeyColourRect(dc, {0, 0, size.right, size.bottom});
    for (int32_t f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
        if (f == BAR_LABEL)
            drawLabel(dc);
        else
            drawButton(dc, f);
    }
}

namespace {

// The bar's place and scale are the board monitor's, never the rectangle the system suggests: the
// message only says that the monitor's scale changed.
LRESULT onDpiChanged(HWND bar, WPARAM wParam, LPARAM lParam) {
    if (boardRescaleHeard(wParam, lParam))
        placeBoardBar(bar);
    return 0;
}

} // namespace

LRESULT CALLBACK boardBarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE; // a touch on the bar leaves the activation where it was
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        onButtonDown(hwnd, lParam);
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(hwnd, lParam);
        return 0;
    case WM_CAPTURECHANGED:
        if (pressedField >= 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
            pressedField = -1;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_DPICHANGED:
        return onDpiChanged(hwnd, wParam, lParam);
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT:
        paintWindow(hwnd, paintBoardBarContent);
        return 0;
    case WM_SYSCOMMAND:
        return refuseCloseCommand(hwnd, wParam, lParam); // the bar cannot be closed from the keyboard
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
