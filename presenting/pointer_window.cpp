// The pointer, class "qv_pointer": two per-pixel-alpha windows over the board, both letting every
// touch through (the page under them takes the touches and hands them here).
//
// The dot's window is as small as the dot with its soft edge. Its pixels are set once for the
// board's scale, and a touch only moves it (UpdateLayeredWindow with a position and nothing else):
// what the finger waits for is a small window's move, whatever the trail behind it holds.
//
// The trail's window lies under the dot's, as large as the trail (it only grows while the trail
// shows, the rest of it clear), and is drawn again once a tick, not on each touch: the trail follows
// the dot a tick behind. At the lift it takes the dot too, fading where the finger left, and the
// dot's window hides; the timer fades both and hides the trail's window when nothing is left.
#include <windows.h>

#include <vector>

#include "win32/class_names.h"
#include "win32/monitors.h"
#include "win32/no_activate.h"
#include "win32/top_down_section.h"
#include "presenting/presenting.h"

namespace {

constexpr UINT_PTR TRAIL_TIMER = 1;
// The trail is drawn again this often while anything of it shows: its head a few pixels behind a
// finger at a usual pace, its fade smooth. A touch that comes in during a draw waits for it: under
// Wine a draw costs 1 to 3 ms, and drawing every 15 ms made the finger's touches wait measurably
// (touch_ink_bench), every 30 ms not.
constexpr UINT TRAIL_TICK_MS = 30;
// A draw is due when most of a tick has passed since the last one (neither the timer nor
// GetTickCount is exact: a tick that comes a little early still draws). While the finger moves, a
// touch draws the trail when a draw is due, as well as the timer: WM_TIMER comes only when the
// queue holds nothing else, and touches that come faster than they are handled (a busy machine)
// held it off for whole strokes under Wine, the trail standing still far behind the dot.
constexpr uint32_t TRAIL_DUE_MS = TRAIL_TICK_MS - 5;

HWND dotWindow = nullptr, trailWindow = nullptr;
PointerTrail trail;
GrowingSection dotPixels; // the dot's window's pixels, for the scale dotDpi (0: none set yet)
int32_t dotDpi = 0;
GrowingSection trailRows;    // the trail's window's pixels
std::vector<uint32_t> drawn; // the trail's box, before it goes into those rows
SIZE trailSize = {0, 0};     // the trail window's size: it only grows while the trail shows (Wine makes
                             // a window's surface again at each new size, which costs more than a draw)
bool ticking = false;        // the trail's timer runs
uint32_t trailDrawnMs = 0;   // when the trail's window was last drawn (or hidden)

BLENDFUNCTION perPixelAlpha = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}; // UpdateLayeredWindow takes it non-const

bool startTicking() {
    if (!ticking)
        ticking = SetTimer(trailWindow, TRAIL_TIMER, TRAIL_TICK_MS, nullptr) != 0;
    return ticking;
}

void hideTrail() {
    if (IsWindowVisible(trailWindow))
        ShowWindow(trailWindow, SW_HIDE);
    trailSize = {0, 0};
}

void hideAll() {
    KillTimer(trailWindow, TRAIL_TIMER);
    ticking = false;
    if (IsWindowVisible(dotWindow))
        ShowWindow(dotWindow, SW_HIDE);
    hideTrail();
}

// The dot's window to the finger at p: its pixels drawn and set when they are not those of this
// scale yet, otherwise the window is only moved.
void showDot(POINT p, int32_t dpi) {
    const PxRect box = dotBounds({p.x, p.y}, dpi);
    POINT at = {box.left, box.top};
    if (dpi != dotDpi) {
        const int32_t side = box.right - box.left;
        dotPixels.release(); // exactly the dot's size: a row of the section is a row of the dot
        if (!dotPixels.fit(side, side))
            return;
        renderDot(dpi, dotPixels.bits);
        GdiFlush();
        POINT from = {0, 0};
        SIZE size = {side, side};
        if (!UpdateLayeredWindow(dotWindow, nullptr, &at, &size, dotPixels.dc, &from, 0, &perPixelAlpha,
                                 ULW_ALPHA))
            return;
        dotDpi = dpi;
    } else {
        UpdateLayeredWindow(dotWindow, nullptr, &at, nullptr, nullptr, nullptr, 0, &perPixelAlpha, ULW_ALPHA);
    }
    if (!IsWindowVisible(dotWindow)) {
        raiseTopmost(dotWindow);
        showWithoutActivating(dotWindow);
    }
}

// The trail's window as the trail shows at `now`: the trail alone while the finger is down (the
// dot's window shows the dot), with the fading dot after the lift. Hidden while there is no trail
// behind a finger that is down.
void drawTrail(uint32_t now) {
    trailDrawnMs = now;
    if (trail.down && trail.points.size() < 2) {
        hideTrail();
        return;
    }
    const int32_t dpi = boardDpi();
    const PxRect box = trailBounds(trail, dpi);
    const int32_t w = box.right - box.left, h = box.bottom - box.top;
    const SIZE size = {w > trailSize.cx ? w : trailSize.cx, h > trailSize.cy ? h : trailSize.cy};
    if (!trailRows.fit(size.cx, size.cy))
        return;
    drawn.resize(size_t(w) * size_t(h));
    renderTrail(trail, now, dpi, box, drawn.data(), !trail.down);
    for (int32_t y = 0; y < size.cy; ++y) {
        uint32_t* row = trailRows.bits + size_t(y) * size_t(trailRows.width);
        if (y < h)
            CopyMemory(row, drawn.data() + size_t(y) * size_t(w), size_t(w) * sizeof(uint32_t));
        ZeroMemory(row + (y < h ? w : 0), size_t(size.cx - (y < h ? w : 0)) * sizeof(uint32_t));
    }
    GdiFlush();
    trailSize = size;
    POINT at = {box.left, box.top}, from = {0, 0};
    SIZE sized = size;
    UpdateLayeredWindow(trailWindow, nullptr, &at, &sized, trailRows.dc, &from, 0, &perPixelAlpha, ULW_ALPHA);
    if (!IsWindowVisible(trailWindow)) {
        // Under the dot's window: both raised, the dot's last. Put after the dot in the order
        // instead, the trail stayed above it on the screen under Wine, which restacks a window on
        // the X server only when it goes to the top.
        showWithoutActivating(trailWindow);
        raisePointer();
    }
}

bool trailDue(uint32_t now) {
    return now - trailDrawnMs >= TRAIL_DUE_MS;
}

// A tick of the trail's timer, and the lift: the trail (and after the lift the dot) as it shows
// now; the windows hidden when nothing is left.
void tick() {
    const uint32_t now = GetTickCount();
    if (!trailAlive(&trail, now)) {
        hideAll();
        return;
    }
    drawTrail(now);
    if (!trail.down && IsWindowVisible(dotWindow))
        ShowWindow(dotWindow, SW_HIDE);          // the trail's window has the fading dot now
    if (trail.down && trail.points.size() < 2) { // a finger at rest: nothing to draw until it moves
        KillTimer(trailWindow, TRAIL_TIMER);
        ticking = false;
    }
}

} // namespace

void createPointerWindows(HINSTANCE instance) {
    for (HWND* window : {&trailWindow, &dotWindow})
        *window = CreateWindowExA(
            WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | NO_ACTIVATE_EX_STYLE,
            POINTER_CLASS, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
}

void raisePointer() {
    for (HWND window : {trailWindow, dotWindow}) // the dot above its trail
        if (window && IsWindowVisible(window))
            raiseTopmost(window);
}

void pointerTouch(POINT p) {
    if (!dotWindow || !trailWindow)
        return;
    const uint32_t now = GetTickCount();
    const int32_t dpi = boardDpi();
    const bool newTouch = !trail.down;
    trailTouch(&trail, {p.x, p.y}, now, dpi);
    showDot(p, dpi);
    if (newTouch || trailDue(now)) // a new touch: a trail still fading from the touch before goes
        drawTrail(now);
    startTicking();
}

void pointerLift() {
    trailLift(&trail, GetTickCount());
    if (!dotWindow || !trailWindow)
        return;
    tick();
    if (!trail.points.empty() && !startTicking())
        pointerPutAway(); // no timer to fade it: gone at once rather than left on the slide
}

void pointerPutAway() {
    trail = PointerTrail{};
    if (dotWindow && trailWindow)
        hideAll();
}

LRESULT CALLBACK pointerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        // While the finger is down a touch may have drawn the trail since the last tick.
        if (wParam == TRAIL_TIMER && (!trail.down || trailDue(GetTickCount())))
            tick();
        return 0;
    case WM_MOUSEACTIVATE:
        return NO_ACTIVATE_ON_CLICK;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}
