// The text tool's box: a colour-keyed popup owned by its page, holding a multi-line edit control
// that covers it from the tap to the page's right and bottom edges (the text wraps at the page's
// edge, and no line can be typed past its bottom). The frame around the text is drawn by the edit
// after its own painting.
#include "pages/text_box.h"

#include <commctrl.h>

#include <vector>

#include "win32/class_names.h"
#include "win32/core/dpi_scale.h"
#include "win32/gdi_scope.h"
#include "win32/key_colour.h"
#include "win32/layered.h"
#include "win32/program.h"
#include "win32/touch_keyboard.h"
#include "pages/core/text_rules.h"
#include "pages/page_state.h"

namespace {

constexpr int32_t PAD_96 = 6;      // between the text and the box's edge, where the frame runs
constexpr int32_t MIN_LETTERS = 3; // the empty box is this many letter heights wide
constexpr UINT_PTR EDIT_SUBCLASS = 1;
// Drawn as the edit control shows its text, so that the page gets the same letters at the same
// places: its wrapping, its tab stops, no prefix characters.
constexpr UINT TEXT_FORMAT = DT_LEFT | DT_TOP | DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS;

struct TextBox {
    HWND window = nullptr; // the popup
    HWND edit = nullptr;
    HWND page = nullptr;
    HWND before = nullptr; // the window that had the keyboard before the box took it
    HFONT font = nullptr;
    HBRUSH keyBrush = nullptr;
    IntPoint origin = {0, 0}; // the popup's top-left corner, in page coordinates
    int32_t lineHeight = 0;
    int32_t pad = 0;
    RECT frame = {0, 0, 0, 0}; // around the text, in the edit's coordinates
    bool closing = false;
};
TextBox box;

const DrawState* settings() {
    const PageRecord* record = box.page ? pageRecordOf(box.page) : nullptr;
    return record ? record->settings : nullptr;
}

HFONT textFont(int32_t lineHeight) {
    // The cell height is the line's; no smoothing, as the pages' strokes: a smoothed edge would
    // blend with the key colour and leave a coloured fringe over the slide.
    return CreateFontW(lineHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
}

std::vector<wchar_t> boxText() {
    const int length = GetWindowTextLengthW(box.edit);
    std::vector<wchar_t> text(size_t(length > 0 ? length : 0) + 1, L'\0');
    GetWindowTextW(box.edit, text.data(), int(text.size()));
    return text;
}

RECT formatRect() {
    RECT r = {0, 0, 0, 0};
    SendMessageW(box.edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    return r;
}

// The text's extent as it will be drawn, in the edit's coordinates: at least one line, and wide
// enough for a few letters so the empty box is seen.
RECT textExtent(HDC dc, const std::vector<wchar_t>& text) {
    const RECT format = formatRect();
    RECT r = format;
    if (text[0])
        DrawTextW(dc, text.data(), -1, &r, TEXT_FORMAT | DT_CALCRECT);
    const LRESULT lines = SendMessageW(box.edit, EM_GETLINECOUNT, 0, 0);
    const LONG height = LONG(lines > 0 ? lines : 1) * box.lineHeight;
    const LONG width = r.right - r.left + box.lineHeight / 2; // room for the caret
    return {format.left, format.top,
            format.left + (width > MIN_LETTERS * box.lineHeight ? width : MIN_LETTERS * box.lineHeight),
            format.top + (r.bottom - r.top > height ? r.bottom - r.top : height)};
}

// The frame follows the text; the edit repaints whole when it moved, so no old frame is left.
void fitFrame() {
    WindowDC dc(box.edit);
    SelectedObject font(dc.get(), box.font, false);
    RECT text = textExtent(dc.get(), boxText());
    const int32_t inset = box.pad / 2;
    const RECT frame = {text.left - inset, text.top - inset, text.right + inset, text.bottom + inset};
    if (!EqualRect(&frame, &box.frame)) {
        box.frame = frame;
        InvalidateRect(box.edit, nullptr, TRUE);
    }
}

// A white line and a dark one inside it: seen over a light slide and a dark one alike.
void drawFrame(HDC dc) {
    const int32_t t = scaledForDpi(1, settings() ? settings()->dpi : BASE_DPI);
    RECT r = box.frame;
    const COLORREF tones[2] = {RGB(255, 255, 254), RGB(64, 64, 64)};
    for (COLORREF tone : tones) {
        HBRUSH brush = CreateSolidBrush(tone);
        for (int32_t i = 0; i < t; ++i) {
            FrameRect(dc, &r, brush);
            InflateRect(&r, -1, -1);
        }
        DeleteObject(brush);
    }
}

void applyStyle() {
    const DrawState* ds = settings();
    if (!ds)
        return;
    box.lineHeight = textHeightForPen(ds->penWidth, ds->dpi);
    box.pad = scaledForDpi(PAD_96, ds->dpi);
    HFONT font = textFont(box.lineHeight);
    if (!font)
        return;
    SendMessageW(box.edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (box.font)
        DeleteObject(box.font);
    box.font = font;
    RECT client = {0, 0, 0, 0};
    GetClientRect(box.edit, &client);
    RECT format = {box.pad, box.pad, client.right - box.pad, client.bottom - box.pad};
    SendMessageW(box.edit, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&format));
    box.frame = {0, 0, 0, 0};
    fitFrame();
    InvalidateRect(box.edit, nullptr, TRUE);
}

// The text onto the page, as one step: drawn where the edit shows it, in the box's colour and font.
void putTextOnPage(const std::vector<wchar_t>& text) {
    PageRecord* record = pageRecordOf(box.page);
    if (!record || !record->memDC || !record->settings)
        return;
    RECT r = formatRect();
    OffsetRect(&r, box.origin.x, box.origin.y);
    HDC dc = record->memDC;
    RECT extent = r;
    {
        SavedDC saved(dc);
        SelectObject(dc, box.font);
        SetTextColor(dc, record->settings->colour);
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.data(), -1, &r, TEXT_FORMAT);
        DrawTextW(dc, text.data(), -1, &extent, TEXT_FORMAT | DT_CALCRECT);
    }
    // Letters may reach a little past their cells (an italic's overhang, an accent above a capital).
    const int32_t more = box.lineHeight / 4 + 1;
    const IntRect changed = {extent.left - more, extent.top - more, extent.right + more,
                             extent.bottom + more};
    markChanged(record, changed);
    commitStep(record);
    showCanvasRect(box.page, record, changed);
}

LRESULT CALLBACK editSubclass(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            closeTextBox(false);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == 0x1B) // Esc's character: the box is already closed
            return 0;
        break;
    case WM_PAINT: {
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        WindowDC dc(edit);
        drawFrame(dc.get());
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, editSubclass, EDIT_SUBCLASS);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

void openTextBox(HWND page, PageRecord* record, IntPoint tap) {
    closeTextBox(true);
    if (!record || !record->settings)
        return;
    const DrawState* ds = record->settings;
    const int32_t lineHeight = textHeightForPen(ds->penWidth, ds->dpi);
    const int32_t pad = scaledForDpi(PAD_96, ds->dpi);
    RECT client = {0, 0, 0, 0};
    GetClientRect(page, &client);
    const IntPoint origin = textBoxOrigin(tap, lineHeight, pad, MIN_LETTERS * lineHeight + 2 * pad,
                                          lineHeight + 2 * pad, client.right, client.bottom);
    POINT onScreen = {origin.x, origin.y};
    ClientToScreen(page, &onScreen);
    const int32_t width = client.right - origin.x, height = client.bottom - origin.y;
    HINSTANCE instance = hInstance ? hInstance : GetModuleHandleA(nullptr);
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED, TEXT_BOX_CLASS, "",
                                  WS_POPUP | WS_CLIPCHILDREN, onScreen.x, onScreen.y, width, height, page,
                                  nullptr, instance, nullptr);
    if (!window)
        return;
    setLayered(window, KEY_COLOUR, 255, LWA_COLORKEY);
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0, 0,
                                width, height, window, nullptr, instance, nullptr);
    if (!edit) {
        DestroyWindow(window);
        return;
    }
    box.window = window;
    box.edit = edit;
    box.page = page;
    box.origin = origin;
    box.keyBrush = CreateSolidBrush(KEY_COLOUR);
    SetWindowSubclass(edit, editSubclass, EDIT_SUBCLASS, 0);
    SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    applyStyle();
    box.before = GetForegroundWindow();
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(edit);
    showTouchKeyboard(window);
}

bool textBoxOpenOn(HWND page) {
    return box.window && box.page == page && !box.closing;
}

bool textBoxHit(IntPoint p) {
    if (!box.window)
        return false;
    const POINT inEdit = {p.x - box.origin.x, p.y - box.origin.y};
    return PtInRect(&box.frame, inEdit) != FALSE;
}

void placeTextCaret(IntPoint p) {
    if (!box.edit)
        return;
    const LRESULT at =
        SendMessageW(box.edit, EM_CHARFROMPOS, 0, MAKELPARAM(p.x - box.origin.x, p.y - box.origin.y));
    const WPARAM letter = LOWORD(at);
    SendMessageW(box.edit, EM_SETSEL, letter, LPARAM(letter));
    SetFocus(box.edit);
}

void closeTextBox(bool keep, bool giveKeyboardBack) {
    if (!box.window || box.closing)
        return;
    box.closing = true;
    const std::vector<wchar_t> text = boxText();
    if (keep && textPutsInk(text.data(), text.size()))
        putTextOnPage(text);
    hideTouchKeyboard();
    ShowWindow(box.window, SW_HIDE);
    if (giveKeyboardBack && box.before && IsWindow(box.before))
        SetForegroundWindow(box.before);
    DestroyWindow(box.window);
    if (box.font)
        DeleteObject(box.font);
    if (box.keyBrush)
        DeleteObject(box.keyBrush);
    box = TextBox{};
}

void restyleTextBox() {
    if (box.window && !box.closing)
        applyStyle();
}

LRESULT CALLBACK textBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CTLCOLOREDIT: {
        const DrawState* ds = settings();
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ds ? ds->colour : RGB(0, 0, 0));
        SetBkColor(dc, KEY_COLOUR);
        return reinterpret_cast<LRESULT>(box.keyBrush ? box.keyBrush : GetStockObject(WHITE_BRUSH));
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_CHANGE && reinterpret_cast<HWND>(lParam) == box.edit)
            fitFrame();
        return 0;
    case WM_ACTIVATE:
        // Another window took the keyboard (a click on the taskbar, Alt+Tab): the text is kept, and
        // the keyboard stays where the user put it. Closed after this message, not inside it.
        if (LOWORD(wParam) == WA_INACTIVE && hwnd == box.window && !box.closing)
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CLOSE:
        if (hwnd == box.window)
            closeTextBox(true, false);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
