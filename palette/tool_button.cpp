// The palette's buttons, class "qv_tool_button". Each paints the whole palette picture its record
// names (or a solid colour for a swatch) and its window region shows only its own part of it.
#include "palette/tool_button.h"

#include "win32/dpi.h"
#include "win32/gdi_scope.h"
#include "win32/no_activate.h"
#include "palette/palette_state.h"

void attachButtonRecord(HWND button, ButtonRecord* record) {
    SetWindowLongPtrA(button, 0, reinterpret_cast<LONG_PTR>(record));
}

ButtonRecord* buttonRecordOf(HWND button) {
    return reinterpret_cast<ButtonRecord*>(GetWindowLongPtrA(button, 0));
}

void repaintButton(HWND button) {
    InvalidateRect(button, nullptr, TRUE);
}

void initButtonRecord(ButtonRecord* record, int n) {
    *record = ButtonRecord{};
    if (n < 0 || n >= PALETTE_BUTTON_COUNT)
        return;
    const PaletteButtonEntry& entry = paletteButtons[n];
    record->kind = entry.kind;
    record->state = entry.state;
    record->command = entry.command;
    record->picture = entry.picture;
    record->colour = entry.colour;
}

namespace {

void requestLeaveNotice(HWND hwnd) {
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof track;
    track.dwFlags = TME_HOVER | TME_LEAVE;
    track.hwndTrack = hwnd;
    track.dwHoverTime = 500;
    TrackMouseEvent(&track);
}

// Carries out what a pointer rule asked for, in the rule's order: track, grip, command, repaint.
void perform(HWND hwnd, const ButtonRecord* record, unsigned actions) {
    if (actions & BUTTON_DO_TRACK)
        requestLeaveNotice(hwnd);
    if (actions & BUTTON_DO_GRIP) // the parent's default handling runs the move loop until release
        SendMessageA(GetParent(hwnd), WM_NCLBUTTONDOWN, HTCAPTION, 0);
    if (actions & BUTTON_DO_COMMAND) // the whole 32-bit id: the palette's ids exceed 65535
        SendMessageA(GetParent(hwnd), WM_COMMAND, WPARAM(uint32_t(record->command)), 0);
    if (actions & BUTTON_DO_REPAINT)
        repaintButton(hwnd);
}

void paintSwatch(HDC dc, const RECT& client, COLORREF colour) {
    SelectedObject brush(dc, CreateSolidBrush(colour));
    Rectangle(dc, 0, 0, client.right, client.bottom); // default pen; the region hides the frame
}

// The picture is loaded on every paint, from the set drawn for the palette's scale, sized to the
// client, and released afterwards.
void paintPicture(HDC dc, const RECT& client, int32_t picture) {
    HBITMAP bitmap =
        loadPictureForDpi(GetModuleHandleA(nullptr), picture, client.right, client.bottom, paletteDpi);
    if (!bitmap)
        return;
    HDC memory = CreateCompatibleDC(dc);
    if (memory) {
        {
            SelectedObject shown(memory, bitmap, false);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        }
        DeleteDC(memory);
    }
    DeleteObject(bitmap);
}

void onPaint(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const ButtonRecord* record = buttonRecordOf(hwnd);
    if (dc && record) {
        if (record->kind == BUTTON_SWATCH)
            paintSwatch(dc, client, COLORREF(uint32_t(record->colour)));
        else
            paintPicture(dc, client, record->picture);
    }
    EndPaint(hwnd, &ps);
}

using PointerRule = unsigned (*)(ButtonRecord*);

LRESULT onPointer(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, PointerRule rule) {
    ButtonRecord* record = buttonRecordOf(hwnd);
    if (!record)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    perform(hwnd, record, rule(record));
    return 0;
}

} // namespace

LRESULT CALLBACK toolButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEMOVE:
        return onPointer(hwnd, message, wParam, lParam, buttonHover);
    case WM_LBUTTONDOWN:
        return onPointer(hwnd, message, wParam, lParam, buttonPress);
    case WM_LBUTTONUP:
        return onPointer(hwnd, message, wParam, lParam, buttonRelease);
    case WM_MOUSELEAVE:
        return onPointer(hwnd, message, wParam, lParam, buttonLeave);
    case WM_MOUSEHOVER:
        return 0;
    case WM_MOUSEACTIVATE: // asked first, before the palette: the palette is not activated either
        return NO_ACTIVATE_ON_CLICK;
    case WM_PAINT:
        onPaint(hwnd);
        return 0;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUIT: // a button cannot be closed
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
