// The settings window, class "qv_sysset": the start-up answer and the smoothing bar. Apart from the
// three push buttons everything is drawn: the parts that never change once, into a prepared
// picture at creation; the mark, the filled cells and the number at each paint.
#include "app/settings_window.h"

#include "win32/settings_record.h"
#include "win32/core/dpi_scale.h"
#include "app/core/settings_layout.h"
#include "win32/button_font.h"
#include "win32/dpi.h"
#include "win32/gdi_scope.h"
#include "win32/ids.h"
#include "app/settings_store.h"
#include "win32/show_hide.h"

namespace {

SettingsRecord pendingSettings;   // the values shown and edited; reloaded each time the window is shown
HDC panelDC = nullptr;            // the prepared picture
HBITMAP panelBitmap = nullptr;    // of the client size, selected into panelDC
HGDIOBJ panelOldBitmap = nullptr; // what panelDC held at creation
HWND buttons[3] = {};             // "Aplicar", "Cancelar", "Defecto"
ButtonFont buttonFont;            // theirs, at settingsDpi: remade by layOut
SettingsLayout layout = {};       // computed at creation and at a change of scale
RECT clientRect = {};             // as measured then
POINT lastClick = {0, 0};         // last left-button press, client coordinates at 96 DPI
int32_t settingsDpi = BASE_DPI;   // the primary monitor's: the layout is drawn that much larger

RECT toRect(const LayoutRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

int scaled(int px96) {
    return scaledForDpi(px96, settingsDpi);
}

// The layout is in pixels at 96 DPI; at another scale GDI maps it onto the DC that much larger,
// lines, boxes and fonts alike, so every text keeps its place in its box.
class LayoutScale {
  public:
    explicit LayoutScale(HDC dc) : saved_(dc) {
        if (settingsDpi == BASE_DPI)
            return;
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, BASE_DPI, BASE_DPI, nullptr);
        SetViewportExtEx(dc, settingsDpi, settingsDpi, nullptr);
    }

  private:
    SavedDC saved_;
};

HFONT createLayoutFont(int32_t height) {
    LOGFONTA font = {}; // zero but for the height and the face
    font.lfHeight = height;
    lstrcpynA(font.lfFaceName, SETTINGS_FONT_FACE, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

// A filled rectangle with a 1-pixel black outline.
void drawBox(HDC dc, const LayoutRect& r, COLORREF fill) {
    SelectedObject pen(dc, CreatePen(PS_SOLID, 1, SETTINGS_INK));
    SelectedObject brush(dc, CreateSolidBrush(fill));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

void drawLayoutText(HDC dc, const LayoutText& t) {
    SelectedObject font(dc, createLayoutFont(t.height));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SETTINGS_INK);
    RECT r = toRect(t.rect);
    UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE;
    if (t.placement == TextPlacement::WrapLeft)
        format = DT_LEFT | DT_TOP | DT_WORDBREAK;
    else if (t.placement == TextPlacement::TopCentred)
        // The scale labels' cells are 10 wide, narrower than "10" at this height: centre the
        // label on its tick without cutting it.
        format = DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOCLIP;
    DrawTextA(dc, t.text, -1, &r, format);
}

void releasePicture() {
    if (!panelDC)
        return;
    SelectObject(panelDC, panelOldBitmap);
    DeleteObject(panelBitmap);
    DeleteDC(panelDC);
    panelDC = nullptr;
    panelBitmap = nullptr;
}

void preparePicture(HWND hwnd) {
    releasePicture(); // one window per process; a second creation replaces the first's picture
    {
        WindowDC windowDC(hwnd);
        panelDC = CreateCompatibleDC(windowDC.get());
        panelBitmap = CreateCompatibleBitmap(windowDC.get(), clientRect.right, clientRect.bottom);
    }
    panelOldBitmap = SelectObject(panelDC, panelBitmap);
    LayoutScale scale(panelDC);
    drawBox(panelDC, layout.background, SETTINGS_BACKGROUND);
    for (const LayoutBox& box : layout.boxes)
        drawBox(panelDC, box.rect, SETTINGS_WHITE);
    for (int n = 1; n <= SETTINGS_CELL_COUNT; ++n)
        drawBox(panelDC, settingsCellRect(n), SETTINGS_WHITE);
    for (const LayoutText& text : layout.texts)
        drawLayoutText(panelDC, text);
}

void drawMark(HDC dc, const LayoutRect& box) {
    LayoutPoint path[4];
    settingsMarkPath(box, path);
    SelectedObject pen(dc, CreatePen(PS_SOLID, 1, SETTINGS_INK));
    MoveToEx(dc, path[0].x, path[0].y, nullptr);
    for (int i = 1; i < 4; ++i)
        LineTo(dc, path[i].x, path[i].y);
}

void drawNumber(HDC dc, int32_t smoothingPeriod) {
    char digits[3];
    formatSmoothing(smoothingPeriod, digits);
    SelectedObject font(dc, createLayoutFont(SETTINGS_NUMBER_HEIGHT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SETTINGS_NUMBER_COLOUR);
    RECT r = toRect(SETTINGS_VALUE_BOX);
    // Two digits at this height are about as wide as the box: clip them to its inside, so the
    // outline stays whole and nothing is drawn where a repaint of the box would not reach.
    SavedDC clip(dc);
    IntersectClipRect(dc, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    DrawTextA(dc, digits, -1, &r, DT_CENTER | DT_TOP | DT_SINGLELINE);
}

void invalidate(HWND hwnd, const LayoutRect& r) {
    const int m = settingsDpi == BASE_DPI ? 0 : 1; // a scaled edge may round a pixel outward
    RECT rect = {scaled(r.left) - m, scaled(r.top) - m, scaled(r.right) + m, scaled(r.bottom) + m};
    InvalidateRect(hwnd, &rect, TRUE);
}

// The pending copy is the settings in effect, held to the ranges the window can show.
void reloadPending() {
    copySettings(&pendingSettings, &settings);
    pendingSettings.showPaletteAtStart = settingsShownPaletteAtStart(pendingSettings.showPaletteAtStart);
    pendingSettings.smoothingPeriod = settingsShownSmoothingPeriod(pendingSettings.smoothingPeriod);
}

// The layout, the buttons and their font, and the prepared picture at settingsDpi, for the client
// as it is now.
void layOut(HWND hwnd) {
    buttonFont.apply(settingsDpi, buttons, 3);
    for (int i = 0; i < 3; ++i) {
        const LayoutButton& b = SETTINGS_BUTTONS[i];
        MoveWindow(buttons[i], scaled(b.x), scaled(b.y), scaled(b.width), scaled(b.height), TRUE);
    }
    GetClientRect(hwnd, &clientRect);
    layout = makeSettingsLayout(unscaledForDpi(clientRect.right, settingsDpi));
    preparePicture(hwnd);
}

void onCreate(HWND hwnd, const CREATESTRUCTA* cs) {
    settingsDpi = knownDpi(primaryDpi());
    for (int i = 0; i < 3; ++i)
        buttons[i] = CreateWindowExA(
            0, "button", SETTINGS_BUTTONS[i].caption, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(SETTINGS_BUTTONS[i].id)), cs->hInstance, nullptr);
    layOut(hwnd);
    reloadPending();
}

// The primary monitor's scale changed under the window: the suggested size, and everything in it
// drawn at the new scale. The scale it has already (back from a monitor of another scale): its
// own size.
void onDpiChanged(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (!followPrimaryScale(hwnd, wParam, lParam, &settingsDpi, SETTINGS_WINDOW_WIDTH,
                            SETTINGS_WINDOW_HEIGHT))
        return;
    layOut(hwnd);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void onLeftButtonDown(HWND hwnd, LPARAM lParam) {
    // Client coordinates as signed words, so a press captured left of the window stays negative.
    lastClick.x = unscaledForDpi(static_cast<short>(LOWORD(lParam)), settingsDpi);
    lastClick.y = unscaledForDpi(static_cast<short>(HIWORD(lParam)), settingsDpi);
    const SettingsHit hit = settingsHitTest(lastClick.x, lastClick.y);
    switch (hit.kind) {
    case SettingsHitKind::YesBox:
    case SettingsHitKind::NoBox:
        pendingSettings.showPaletteAtStart = hit.kind == SettingsHitKind::YesBox ? 1 : 0;
        invalidate(hwnd, SETTINGS_YES_BOX);
        invalidate(hwnd, SETTINGS_NO_BOX);
        break;
    case SettingsHitKind::Cell:
        pendingSettings.smoothingPeriod = hit.cell;
        invalidate(hwnd, SETTINGS_CELL_BAR);
        invalidate(hwnd, SETTINGS_VALUE_BOX);
        break;
    case SettingsHitKind::None:
        break;
    }
}

void onCommand(HWND hwnd, WPARAM wParam) {
    // Matched on the whole wParam: only a button's click notification (code 0) counts.
    if (wParam == IDC_APPLY) {
        settings.showPaletteAtStart = pendingSettings.showPaletteAtStart.load();
        // The reader thread uses the smoothing period from its next report.
        settings.smoothingPeriod = pendingSettings.smoothingPeriod.load();
        saveSettings(&settings);
        ShowWindow(hwnd, SW_HIDE);
    } else if (wParam == IDC_CANCEL) {
        ShowWindow(hwnd, SW_HIDE);
    } else if (wParam == IDC_DEFAULT) {
        pendingSettings.showPaletteAtStart = 1;
        pendingSettings.smoothingPeriod = 1;
        invalidate(hwnd, SETTINGS_YES_BOX);
        invalidate(hwnd, SETTINGS_NO_BOX);
        invalidate(hwnd, SETTINGS_CELL_BAR);
        invalidate(hwnd, SETTINGS_VALUE_BOX);
    }
}

void onToggleShow(HWND hwnd) {
    if (!toggleShown(hwnd))
        return;
    reloadPending();
    InvalidateRect(hwnd, nullptr, FALSE); // paint the reloaded values, whatever was queued before
}

} // namespace

void paintSettingsContent(HDC dc) {
    if (panelDC)
        BitBlt(dc, 0, 0, clientRect.right, clientRect.bottom, panelDC, 0, 0, SRCCOPY);
    LayoutScale scale(dc);
    drawMark(dc, pendingSettings.showPaletteAtStart == 1 ? SETTINGS_YES_BOX : SETTINGS_NO_BOX);
    const int32_t filled = settingsShownSmoothingPeriod(pendingSettings.smoothingPeriod);
    for (int n = 1; n <= filled; ++n)
        drawBox(dc, settingsCellRect(n), SETTINGS_CELL_FILLED);
    drawNumber(dc, pendingSettings.smoothingPeriod);
}

const SettingsRecord& settingsWindowPending() {
    return pendingSettings;
}

LRESULT CALLBACK settingsWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return 0;
    case WM_PAINT:
        paintWindow(hwnd, paintSettingsContent);
        return 0;
    case WM_LBUTTONDOWN:
        onLeftButtonDown(hwnd, lParam);
        return 0;
    case WM_COMMAND:
        onCommand(hwnd, wParam);
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
