// The spotlight's move: one step of a drag inside its circle (spotlightDrag a few pixels on), on a
// monitor the spotlight covers whole, over the desktop page as the palette makes it. Two figures per
// step, median and 99th percentile:
//   the call: the program's own work, the old and the new circle's box painted again and handed to
//             UpdateLayeredWindowIndirect as its dirty rectangle;
//   shown:    from the call until the screen (GetDC(NULL) + BitBlt: what the X server shows) has
//             the circle's white rim at its new place.
// The rim's pixel is opaque white, so it shows as it is whether or not anything composites the
// window; the pixel watched is on the rim's leading edge, level with the centre, where the step
// turns the dimming white. Between two steps the pending messages are handled (the page under
// the spotlight repaints what the moved circle uncovers, as the program's message loop would),
// outside the time taken.
//
// Wine's X11 driver gives a per-pixel-alpha window a shape made from the whole surface's alpha at
// every flush (the clear circle is a hole in it), which Windows' compositor does not do. So the
// figures come twice, each from a run of this program as a child: with the driver's option
// ShapeLayeredWindows = "N" (set for this program under AppDefaults, put back afterwards) and
// with Wine's default shaping.
//
// Run (1920 x 1080): VELMORA_SCREEN=hd scripts/wine-exec.sh build/windows/bin/presenting_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "pages/page_state.h"
#include "presenting/presenting.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/wine_options.h"

namespace {

constexpr int STEP = 4;               // pixels per move, as a finger's points come
constexpr double SHOWN_WAIT_MS = 500; // a step not shown by then counts as missed

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

struct Figures {
    size_t steps = 0, shown = 0, whiteBefore = 0;
    std::vector<double> call, toScreen;
};

// The circle's centre goes from `fromX` to `toX` along row `y` in steps of STEP pixels, the finger
// pressed at its centre at the start.
void drag(int fromX, int toX, int y, int radius, Figures* f) {
    ScreenPixel screen;
    const int direction = toX > fromX ? 1 : -1;
    const POINT press = {fromX, y};
    spotlightPress(press);
    for (int x = fromX + direction * STEP; direction * (toX - x) >= 0; x += direction * STEP) {
        pumpMessages();
        // The rim's middle pixel on the leading edge, level with the new centre: white once the
        // step shows (the rim is the pixels from r to r + its line from the centre, its line at
        // least 2 pixels).
        const int probeX = direction > 0 ? x + radius + 1 : x - radius - 2;
        if (screen.at(probeX, y) == 0xFFFFFF)
            ++f->whiteBefore; // should not happen: the watched pixel was white before the step
        const double start = nowMs();
        spotlightDrag({press.x + (x - fromX), y});
        const double called = nowMs();
        ++f->steps;
        f->call.push_back(called - start);
        for (double t = called; t - start < SHOWN_WAIT_MS; t = nowMs())
            if (screen.at(probeX, y) == 0xFFFFFF) {
                f->toScreen.push_back(nowMs() - start);
                ++f->shown;
                break;
            }
    }
    spotlightRelease();
}

int measure(const char* shaping) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    DrawState ds = freshDrawState();
    TestPage t;
    makeTestPage(&t, &ds, true); // the desktop page, which comes on with the spotlight
    ds.currentPage = t.page;
    showTestPage(&t);
    createPresentingWindows(GetModuleHandleA(nullptr));
    const int y = h / 2, left = w / 8, right = w - w / 8;
    noteBoardTouch({left, y}); // the spotlight opens where the finger last touched
    startPresenting(TOOL_SPOTLIGHT);
    flushEvents(500);
    const int radius = h / 12; // the circle's radius as it opens (spotlightStart)
    std::printf("presenting_bench at %d x %d, %s, spotlight radius %d px, moved %d px a step "
                "across the monitor and back:\n",
                w, h, shaping, radius, STEP);
    if (presentingTool() != TOOL_SPOTLIGHT || !presentingCover() || !IsWindowVisible(presentingCover())) {
        std::printf("  the spotlight did not come on\n");
        return 1;
    }
    Figures warm;
    drag(left, left + 40 * STEP, y, radius, &warm); // warm-up: first uses
    drag(left + 40 * STEP, left, y, radius, &warm);
    Figures f;
    for (int pass = 0; pass < 2; ++pass) {
        drag(left, right, y, radius, &f);
        drag(right, left, y, radius, &f);
    }
    std::printf(
        "  one step, the call (repaint + UpdateLayeredWindowIndirect): median %7.3f ms  p99 %7.3f ms  "
        "max %7.3f ms  (%zu steps)\n",
        percentile(f.call, 0.5), percentile(f.call, 0.99), percentile(f.call, 1.0), f.steps);
    std::printf(
        "  one step, until the screen shows the rim moved:             median %7.3f ms  p99 %7.3f ms  "
        "max %7.3f ms  (%zu of %zu shown within %.0f ms)\n",
        percentile(f.toScreen, 0.5), percentile(f.toScreen, 0.99), percentile(f.toScreen, 1.0), f.shown,
        f.steps, SHOWN_WAIT_MS);
    if (f.whiteBefore)
        std::printf("  (the watched pixel was white before %zu of the steps)\n", f.whiteBefore);
    endPresenting();
    destroyTestPage(&t);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 1)
        return measure(shapingOfThisRun(argv[1]));
    if (!runUnshapedThenShaped()) {
        std::printf("presenting_bench could not start itself as a child\n");
        return 1;
    }
    return 0;
}
