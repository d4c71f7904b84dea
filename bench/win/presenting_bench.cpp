// The presenting tools' own work on the board's monitor, over the desktop page as the palette makes
// it. Median and 99th percentile of:
//
// The spotlight's move: one step of a drag inside its circle (spotlightDrag a few pixels on), the
// circle going across the monitor and back.
//   the call:  the program's own work: the circle's square painted again and updated
//              (UpdateLayeredWindow), and the hole of the dimmed pane around it moved (its region);
//   shown:     from the call until the screen (GetDC(NULL) + BitBlt: what the X server shows) has
//              the circle's white rim at its new place. The rim's pixel is opaque white, so it shows
//              as it is whether or not anything composites the window; the pixel watched is on the
//              rim's leading edge, level with the centre, where the step turns the dimming white.
// and, for comparison with a spotlight made of one per-pixel-alpha window the size of the monitor
// (its first build), each on its own for the same steps:
//   the repaint: spotlightPixel over the old and the new circle's boxes into a monitor-sized array;
//   the update:  UpdateLayeredWindowIndirect of a full-monitor per-pixel-alpha window of this
//                program's own, with those dirty rectangles, and with none (the whole window).
// Between two steps the pending messages are handled (the page under the spotlight repaints what
// the moved circle uncovers, as the program's message loop would), outside the time taken.
//
// The pointer's touch: pointerTouch at points 2 pixels apart, one every 4.4 ms (the simulated
// board's pace, the finger at about 450 pixels a second), so the trail is as long as a finger's:
//   the call:  the dot's window moved (UpdateLayeredWindow with a position alone), and the calls
//              that drew the trail as well (once a tick, 30 ms: the trail drawn and its window
//              updated with UpdateLayeredWindow);
// and the trail drawn alone for the same points (trailTouch, trailBounds, renderTrail).
// Then what a move of a small per-pixel-alpha window costs under Wine at the least, on a window of
// this program as large as the dot, its pixels set once, moved 3 dots' widths at a time across the
// monitor and back five times: SetWindowPos with SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
// UpdateLayeredWindow with a position alone, and UpdateLayeredWindow with the pixels as well (the way every
// touch updated the pointer's one window, here on a window of the dot's size only); each the call, and from
// the call until the screen shows the dot's red core at its new place. From the board to the screen:
// touch_ink_bench.
//
// Wine's X11 driver gives a per-pixel-alpha window a shape made from the whole surface's alpha at
// every flush (the spotlight's clear circle is a hole in it), which Windows' compositor does not
// do. So the figures come twice, each from a run of this program as a child: with the driver's
// option ShapeLayeredWindows = "N" (set for this program under AppDefaults, put back afterwards)
// and with Wine's default shaping.
//
// Run (1920 x 1080): VELMORA_SCREEN=hd scripts/wine-exec.sh build/windows/bin/presenting_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pages/page_state.h"
#include "presenting/presenting.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/wine_options.h"
#include "win32/monitors.h"

namespace {

constexpr int STEP = 4;               // pixels per move of the spotlight, as a finger's points come
constexpr double SHOWN_WAIT_MS = 500; // a step not shown by then counts as missed
constexpr int POINTER_STEP = 2;       // pixels between two of the pointer's points
constexpr double POINTER_PACE_MS = 4.4;

double nowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(freq.QuadPart);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

void print(const char* what, const std::vector<double>& ms, const char* note = "") {
    std::printf("  %-52s median %7.3f ms  p99 %7.3f ms  max %7.3f ms  (%zu%s)\n", what, percentile(ms, 0.5),
                percentile(ms, 0.99), percentile(ms, 1.0), ms.size(), note);
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// One pixel of the screen, 0x00RRGGBB.
struct ScreenPixel {
    HDC screen = GetDC(nullptr);
    DibCanvas pixel{1, 1};
    ~ScreenPixel() { ReleaseDC(nullptr, screen); }
    uint32_t at(int x, int y) {
        BitBlt(pixel.dc, 0, 0, 1, 1, screen, x, y, SRCCOPY);
        GdiFlush();
        return pixel.bits[0] & 0xFFFFFF;
    }
};

// --- the spotlight -------------------------------------------------------------------------------

// The circle's centres, along row y from `fromX` to `toX` and back, STEP pixels apart.
std::vector<int> centresAcrossAndBack(int fromX, int toX) {
    std::vector<int> xs;
    for (int x = fromX; x <= toX; x += STEP)
        xs.push_back(x);
    for (int x = toX - STEP; x >= fromX; x -= STEP)
        xs.push_back(x);
    return xs;
}

struct MoveFigures {
    std::vector<double> call, shown;
    size_t steps = 0, whiteBefore = 0;
};

// Drags the spotlight's circle through the centres `xs` on row y, the finger pressed at the first.
void dragSpotlight(const std::vector<int>& xs, int y, int radius, MoveFigures* f) {
    ScreenPixel screen;
    const POINT press = {xs.front(), y};
    spotlightPress(press);
    for (size_t i = 1; i < xs.size(); ++i) {
        pumpMessages();
        const int x = xs[i], direction = xs[i] > xs[i - 1] ? 1 : -1;
        // The rim's middle pixel on the leading edge, level with the new centre: the rim is the
        // pixels from r to r + its line (2 pixels at least) away from the centre.
        const int probeX = direction > 0 ? x + radius + 1 : x - radius - 2;
        if (screen.at(probeX, y) == 0xFFFFFF)
            ++f->whiteBefore;
        const double start = nowMs();
        spotlightDrag({x, y});
        const double called = nowMs();
        ++f->steps;
        f->call.push_back(called - start);
        for (double t = called; t - start < SHOWN_WAIT_MS; t = nowMs())
            if (screen.at(probeX, y) == 0xFFFFFF) {
                f->shown.push_back(nowMs() - start);
                break;
            }
    }
    spotlightRelease();
}

// The box a step repaints: the old and the new circle's bounds together, on the monitor.
RECT stepBox(const Circle& before, const Circle& after, const RECT& monitor, int32_t dpi) {
    const PxRect a = spotlightBounds(before, dpi), b = spotlightBounds(after, dpi);
    return {std::max<LONG>(monitor.left, std::min(a.left, b.left)),
            std::max<LONG>(monitor.top, std::min(a.top, b.top)),
            std::min<LONG>(monitor.right, std::max(a.right, b.right)),
            std::min<LONG>(monitor.bottom, std::max(a.bottom, b.bottom))};
}

// The repaint of each step alone: spotlightPixel over the step's box into a monitor-sized array.
std::vector<double> repaintAlone(const std::vector<int>& xs, int y, const RECT& monitor, int32_t dpi) {
    const int w = monitor.right - monitor.left, h = monitor.bottom - monitor.top;
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    Circle circle =
        spotlightStart({monitor.left, monitor.top, monitor.right, monitor.bottom}, {xs.front(), y});
    std::vector<double> ms;
    for (size_t i = 1; i < xs.size(); ++i) {
        const double start = nowMs();
        const Circle next = {xs[i], circle.cy, circle.r};
        const RECT box = stepBox(circle, next, monitor, dpi);
        for (LONG py = box.top; py < box.bottom; ++py) {
            uint32_t* row = pixels.data() + size_t(py - monitor.top) * size_t(w);
            for (LONG px = box.left; px < box.right; ++px)
                row[px - monitor.left] = spotlightPixel(next, px, py, dpi);
        }
        circle = next;
        ms.push_back(nowMs() - start);
    }
    volatile uint32_t keep = pixels[size_t(y - monitor.top) * size_t(w)]; // the work is not dropped
    (void)keep;
    return ms;
}

LRESULT CALLBACK plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_MOUSEACTIVATE ? MA_NOACTIVATE : DefWindowProcA(hwnd, message, wParam, lParam);
}

// UpdateLayeredWindowIndirect alone, for each step, on a full-monitor per-pixel-alpha window made
// here and filled as the spotlight is (75 % black, the circle clear): with the step's box as the
// dirty rectangle, or with none.
std::vector<double> updateAlone(const std::vector<int>& xs, int y, const RECT& monitor, int32_t dpi,
                                bool dirtyBox) {
    const int w = monitor.right - monitor.left, h = monitor.bottom - monitor.top;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "presenting_bench_layered";
    RegisterClassA(&wc); // fails harmlessly the second time
    HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                  wc.lpszClassName, "", WS_POPUP, monitor.left, monitor.top, w, h, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    const Circle circle =
        spotlightStart({monitor.left, monitor.top, monitor.right, monitor.bottom}, {xs.front(), y});
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px)
            static_cast<uint32_t*>(bits)[size_t(py) * size_t(w) + size_t(px)] =
                spotlightPixel(circle, px + monitor.left, py + monitor.top, dpi);
    GdiFlush();
    POINT at = {monitor.left, monitor.top}, from = {0, 0};
    SIZE size = {w, h};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UPDATELAYEREDWINDOWINFO update = {sizeof update, nullptr, &at,    &size,     dc,
                                      &from,         0,       &blend, ULW_ALPHA, nullptr};
    UpdateLayeredWindowIndirect(window, &update);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    flushEvents(300);
    std::vector<double> ms;
    Circle before = circle;
    for (size_t i = 1; i < xs.size(); ++i) {
        pumpMessages();
        const Circle next = {xs[i], circle.cy, circle.r};
        RECT box = stepBox(before, next, monitor, dpi);
        OffsetRect(&box, -monitor.left, -monitor.top);
        before = next;
        update.prcDirty = dirtyBox ? &box : nullptr;
        const double start = nowMs();
        UpdateLayeredWindowIndirect(window, &update);
        ms.push_back(nowMs() - start);
    }
    DestroyWindow(window);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(section);
    flushEvents(300);
    return ms;
}

// --- the pointer ---------------------------------------------------------------------------------

// The pointer's touches, each timed: those that only moved the dot's window, and those that drew
// the trail as well (a tick had passed since its last draw: its window's rectangle changed).
struct PointerCalls {
    std::vector<double> dotOnly, withTrail;
};

std::string windowBox(HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    char text[64];
    std::snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", long(r.left), long(r.top), long(r.right),
                  long(r.bottom));
    return text;
}

// pointerTouch along row y from `fromX` to `toX`, at the board's pace; then the lift. `trail`: the
// trail's window (null: any call counts as the dot's alone).
PointerCalls pointerStroke(int fromX, int toX, int y, HWND trail) {
    PointerCalls calls;
    double last = nowMs();
    for (int x = fromX; x <= toX; x += POINTER_STEP) {
        while (nowMs() - last < POINTER_PACE_MS) {
            pumpMessages();
            Sleep(0);
        }
        const std::string before = trail ? windowBox(trail) : "";
        last = nowMs();
        pointerTouch({x, y});
        const double ms = nowMs() - last;
        (trail && windowBox(trail) != before ? calls.withTrail : calls.dotOnly).push_back(ms);
    }
    pointerLift();
    flushEvents(700); // the dot fades and its window hides
    return calls;
}

// The same touches' trail drawn alone (presenting_rules.h, as a tick draws it), the clock going on
// by the board's pace.
std::vector<double> trailAlone(int fromX, int toX, int y, int32_t dpi) {
    PointerTrail trail;
    std::vector<uint32_t> pixels;
    std::vector<double> ms;
    double clock = 0;
    for (int x = fromX; x <= toX; x += POINTER_STEP, clock += POINTER_PACE_MS) {
        const double start = nowMs();
        const uint32_t now = uint32_t(clock);
        trailTouch(&trail, {x, y}, now, dpi);
        trailAlive(&trail, now);
        const PxRect box = trailBounds(trail, dpi);
        pixels.resize(size_t(box.right - box.left) * size_t(box.bottom - box.top));
        renderTrail(trail, now, dpi, box, pixels.data(), false);
        ms.push_back(nowMs() - start);
    }
    return ms;
}

enum DotMove { BY_SET_WINDOW_POS, BY_POSITION_ALONE, WITH_PIXELS };

// A dot-sized per-pixel-alpha window of this program, its pixels set once, moved along row y from
// `fromX` to `toX` and back `passes` times, three dots' widths at a time, by `how`.
MoveFigures moveDotWindow(DotMove how, int fromX, int toX, int y, int32_t dpi, int passes) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "presenting_bench_dot";
    RegisterClassA(&wc); // fails harmlessly the second time
    HWND window = CreateWindowExA(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
        wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    const PxRect box = dotBounds({0, 0}, dpi);
    const int side = box.right - box.left, step = 3 * side;
    DibCanvas pixels(side, side);
    renderDot(dpi, pixels.bits);
    GdiFlush();
    POINT at = {fromX + box.left, y + box.top}, from = {0, 0};
    SIZE size = {side, side};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, &at, &size, pixels.dc, &from, 0, &blend, ULW_ALPHA);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    flushEvents(300);
    ScreenPixel screen;
    MoveFigures f;
    std::vector<int> xs;
    for (int pass = 0; pass < passes; ++pass) {
        for (int x = fromX + step; x <= toX; x += step)
            xs.push_back(x);
        for (int x = xs.back() - step; x >= fromX; x -= step)
            xs.push_back(x);
    }
    for (int x : xs) {
        pumpMessages();
        at = {x + box.left, y + box.top};
        const double start = nowMs();
        if (how == BY_SET_WINDOW_POS)
            SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else if (how == BY_POSITION_ALONE)
            UpdateLayeredWindow(window, nullptr, &at, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
        else
            UpdateLayeredWindow(window, nullptr, &at, &size, pixels.dc, &from, 0, &blend, ULW_ALPHA);
        const double called = nowMs();
        ++f.steps;
        f.call.push_back(called - start);
        for (double t = called; t - start < SHOWN_WAIT_MS; t = nowMs())
            if (screen.at(x, y) == POINTER_RED) {
                f.shown.push_back(nowMs() - start);
                break;
            }
    }
    DestroyWindow(window);
    flushEvents(300);
    return f;
}

int measure(const char* shaping) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    MonitorBox desk = {};
    lookUpBoardMonitor(&desk); // the board's monitor and its scale, as the program takes them at its start
    DrawState ds = freshDrawState();
    TestPage t;
    makeTestPage(&t, &ds, true); // the desktop page, which comes on with the spotlight
    ds.currentPage = t.page;
    showTestPage(&t);
    createPresentingWindows(GetModuleHandleA(nullptr));
    const RECT monitor = boardArea();
    const int32_t dpi = boardDpi();
    const int y = h / 2, left = w / 8, right = w - w / 8;
    noteBoardTouch({left, y}); // the spotlight opens where the finger last touched
    startPresenting(TOOL_SPOTLIGHT);
    flushEvents(500);
    const int radius =
        spotlightStart({monitor.left, monitor.top, monitor.right, monitor.bottom}, {left, y}).r;
    std::printf("presenting_bench at %d x %d, %s:\n", w, h, shaping);
    if (presentingTool() != TOOL_SPOTLIGHT || !presentingCover() || !IsWindowVisible(presentingCover())) {
        std::printf("  the spotlight did not come on\n");
        return 1;
    }
    std::printf(" the spotlight (radius %d px), one step of a move, %d px, across the monitor and back:\n",
                radius, STEP);
    const std::vector<int> warmUp = {
        left, left + STEP, left + 2 * STEP, left + 3 * STEP, left + 2 * STEP, left + STEP, left};
    MoveFigures warm, f;
    dragSpotlight(warmUp, y, radius, &warm); // the first steps pay for first uses
    const std::vector<int> xs = centresAcrossAndBack(left, right);
    dragSpotlight(xs, y, radius, &f);
    char note[96];
    print("the call (square drawn and updated, the hole moved)", f.call, " steps");
    std::snprintf(note, sizeof note, " of %zu steps shown within %.0f ms", f.steps, SHOWN_WAIT_MS);
    print("until the screen shows the rim moved", f.shown, note);
    if (f.whiteBefore)
        std::printf("  (the watched pixel was white before %zu of the steps)\n", f.whiteBefore);
    endPresenting();
    flushEvents(300);
    print("one monitor-sized window: its repaint alone", repaintAlone(xs, y, monitor, dpi), " steps");
    const std::vector<int> across = centresAcrossAndBack(left, (left + right) / 2);
    print("one monitor-sized window: its update, dirty box", updateAlone(across, y, monitor, dpi, true),
          " steps, a window of this program");
    print("one monitor-sized window: its update, whole", updateAlone(across, y, monitor, dpi, false),
          " steps, a window of this program");

    std::printf(" the pointer, one touch, %d px from the last, one every %.1f ms:\n", POINTER_STEP,
                POINTER_PACE_MS);
    startPresenting(TOOL_POINTER);
    pointerStroke(left, left + 200, y - 100, nullptr); // the first touches pay for first uses
    // The trail's window: of the pointer's two, the one not at the dot's box of the last touch.
    HWND trail = nullptr;
    const PxRect lastDot = dotBounds({left + 200, y - 100}, dpi);
    char lastDotBox[64];
    std::snprintf(lastDotBox, sizeof lastDotBox, "%ld,%ld,%ld,%ld", long(lastDot.left), long(lastDot.top),
                  long(lastDot.right), long(lastDot.bottom));
    for (HWND w : topLevelWindows("qv_pointer", GetCurrentProcessId()))
        if (windowBox(w) != lastDotBox)
            trail = w;
    const PointerCalls calls = pointerStroke(left, right, y, trail);
    print("the call, the dot's window moved alone", calls.dotOnly, " touches");
    print("the call that drew the trail as well", calls.withTrail, " touches");
    print("of such a call, the trail drawn alone", trailAlone(left, right, y, dpi), " touches");
    endPresenting();
    std::printf(" a dot-sized per-pixel-alpha window of this program, moved %d px at a time:\n",
                3 * (dotBounds({0, 0}, dpi).right - dotBounds({0, 0}, dpi).left));
    const struct {
        DotMove how;
        const char* call;
        const char* shown;
    } moves[] = {
        {BY_SET_WINDOW_POS, "SetWindowPos: the call", "SetWindowPos: until the screen shows it"},
        {BY_POSITION_ALONE, "UpdateLayeredWindow, a position alone: the call",
         "UpdateLayeredWindow, a position alone: until shown"},
        {WITH_PIXELS, "UpdateLayeredWindow with its pixels: the call",
         "UpdateLayeredWindow with its pixels: until shown"},
    };
    for (const auto& move : moves) {
        moveDotWindow(move.how, left, left + 400, y + 100, dpi, 1); // first uses
        const MoveFigures m = moveDotWindow(move.how, left, right, y + 100, dpi, 5);
        std::snprintf(note, sizeof note, " of %zu moves shown within %.0f ms", m.steps, SHOWN_WAIT_MS);
        print(move.call, m.call, " moves");
        print(move.shown, m.shown, note);
    }
    destroyTestPage(&t);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return measureUnshapedThenShaped(argc, argv, measure);
}
