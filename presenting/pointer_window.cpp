// The pointer, class "qv_pointer": a per-pixel-alpha window as small as the dot and its trail
// (it only grows while they show, the rest of it clear), moved with the finger. It lets every touch through
// (the page under it takes them and hands them here) and is redrawn over its own box only: the cost of a move
// grows with the trail, which is kept short, never with the screen. A timer fades it after the lift and hides
// it when nothing is left.
#include <windows.h>

#include <vector>

#include "win32/class_names.h"
#include "win32/monitors.h"
#include "win32/no_activate.h"
#include "win32/top_down_section.h"
#include "presenting/presenting.h"

namespace {

constexpr UINT_PTR FADE_TIMER = 1;
constexpr UINT FADE_TICK_MS = 30;

HWND window = nullptr;
PointerTrail trail;
GrowingSection rows;         // the window's pixels
std::vector<uint32_t> drawn; // the box's pixels, before they go into the section's rows
SIZE shownSize = {0, 0};     // the window's size: it only grows while the dot is shown (Wine makes a
                             // window's surface again at each new size, which costs more than a move)

void hide() {
    KillTimer(window, FADE_TIMER);
    ShowWindow(window, SW_HIDE);
    shownSize = {0, 0};
}

// The trail as it shows now, in its box; hidden when nothing is left.
void show() {
    const uint32_t now = GetTickCount();
    if (!window || !trailAlive(&trail, now)) {
        if (window)
            hide();
        return;
    }
    const int32_t dpi = boardDpi();
    const PxRect box = trailBounds(trail, dpi);
    const int32_t w = box.right - box.left, h = box.bottom - box.top;
    const SIZE size = {w > shownSize.cx ? w : shownSize.cx, h > shownSize.cy ? h : shownSize.cy};
    if (!rows.fit(size.cx, size.cy))
        return;
    drawn.resize(size_t(w) * size_t(h));
    renderTrail(trail, now, dpi, box, drawn.data());
    for (int32_t y = 0; y < size.cy; ++y) {
        uint32_t* row = rows.bits + size_t(y) * size_t(rows.width);
        if (y < h)
            CopyMemory(row, drawn.data() + size_t(y) * size_t(w), size_t(w) * sizeof(uint32_t));
        ZeroMemory(row + (y < h ? w : 0), size_t(size.cx - (y < h ? w : 0)) * sizeof(uint32_t));
    }
    GdiFlush();
    shownSize = size;
    POINT at = {box.left, box.top}, from = {0, 0};
    SIZE sized = size;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, &at, &sized, rows.dc, &from, 0, &blend, ULW_ALPHA);
    if (!IsWindowVisible(window)) {
        raiseTopmost(window);
        showWithoutActivating(window);
    }
}

} // namespace

HWND createPointerWindow(HINSTANCE instance) {
    window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_TOOLWINDOW |
                                 NO_ACTIVATE_EX_STYLE,
                             POINTER_CLASS, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
    return window;
}

void pointerTouch(POINT p) {
    trailTouch(&trail, {p.x, p.y}, GetTickCount(), boardDpi());
    KillTimer(window, FADE_TIMER);
    show();
}

void pointerLift() {
    trailLift(&trail, GetTickCount());
    if (window && SetTimer(window, FADE_TIMER, FADE_TICK_MS, nullptr))
        return;
    pointerPutAway(); // no timer to fade it: gone at once rather than left on the slide
}

void pointerPutAway() {
    trail = PointerTrail{};
    if (window)
        hide();
}

LRESULT CALLBACK pointerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == FADE_TIMER)
            show();
        return 0;
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
