// Turning a page of the board: from the tap on the bar's "◀" or "▶" (its button released) to the
// new page on the screen, read back from the screen itself (a spot that is red on one page and blue
// on the other). Two pages of different backgrounds, each holding 300 strokes, are turned back and
// forth; the figures are the median, the 99th
// percentile and the mean. Run at 1920 x 1080 (VELMORA_SCREEN=hd); the board's files of the
// prefix are removed first and the pages are never saved (the message loop does not run the save
// timer while the turns are measured).
// Wine's X11 driver recomputes a colour-keyed layered window's shape over its whole surface at every
// flush, a cost that grows with the ink on the page and that Windows' compositor does not have; so
// the figures come twice, each from a run of this program as a child: with the driver's option
// ShapeLayeredWindows = "N" (set for this program under AppDefaults, put back afterwards) and with
// Wine's default shaping.
//
// Run: VELMORA_SCREEN=hd scripts/wine-exec.sh build/windows/bin/board_bench.exe
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "pages/board.h"
#include "pages/board_storage.h"
#include "pages/page_state.h"
#include "palette/board_bar.h"
#include "palette/core/board_bar_layout.h"
#include "tests/support/page_fixture.h"
#include "tests/support/wine_options.h"
#include "tests/support/wintest.h"

namespace {

void tap(HWND bar, int field) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const BarRect r = barFieldRect(field, dpi);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(bar, WM_LBUTTONUP, 0, at);
}

// Strokes over the page, away from the spot the screen is read at.
void scribble(HWND page, int strokes, int seed) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    for (int i = 0; i < strokes; ++i) {
        const int y = 40 + (i * 37 + seed * 11) % (h / 3);
        sendDown(page, 40 + (i * 53) % (w / 3), y);
        for (int k = 1; k <= 8; ++k)
            sendMove(page, 40 + (i * 53) % (w / 3) + k * 30, y + (k % 2) * 20);
        sendUp(page, 40 + (i * 53) % (w / 3) + 240, y);
    }
}

// A thick stroke of that colour over the spot the screen is read at: each page shows its own there,
// whether Wine shows the key colour transparent (shaped) or not.
void mark(HWND page, DrawState* ds, POINT spot, COLORREF colour) {
    ds->colour = colour;
    ds->penWidth = 16;
    sendDown(page, spot.x - 60, spot.y);
    sendMove(page, spot.x + 60, spot.y);
    sendUp(page, spot.x + 60, spot.y);
    ds->penWidth = 4;
}

// Milliseconds from the tap until the screen shows `colour` at the spot (-1 on time-out).
double turnAndWait(HWND bar, int field, POINT spot, COLORREF colour) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    tap(bar, field);
    for (;;) {
        // The program's message loop would run now: under Wine a peek is what hands the window's
        // fresh pixels to the X server.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (screenPixel(spot.x, spot.y) == colour)
            break;
        QueryPerformanceCounter(&b);
        if (b.QuadPart - a.QuadPart > freq.QuadPart * 2)
            return -1;
    }
    QueryPerformanceCounter(&b);
    return 1000.0 * double(b.QuadPart - a.QuadPart) / double(freq.QuadPart);
}

int measure(const char* how) {
    removeBoardFiles();
    DrawState ds = freshDrawState();
    ds.colour = RGB(255, 0, 0);
    TestPage t;
    makeTestPage(&t, &ds, false);
    openBoard(t.page, t.container);
    HWND bar = createBoardBar(t.page, GetModuleHandleA(nullptr));
    setBoardBar(bar);
    showTestPage(&t);
    showBoardBar(bar, true);
    flushEvents(500);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const POINT spot = {w * 3 / 4, h / 2};
    // Page 1 white, page 2 black, 300 strokes each.
    tap(bar, BAR_BACKGROUND);
    scribble(t.page, 300, 1);
    mark(t.page, &ds, spot, RGB(255, 0, 0));
    tap(bar, BAR_ADD);
    tap(bar, BAR_BACKGROUND);
    tap(bar, BAR_BACKGROUND);
    scribble(t.page, 300, 2);
    mark(t.page, &ds, spot, RGB(0, 0, 255));
    flushEvents(300);
    const int turns = 60;
    std::vector<double> ms;
    int missed = 0;
    for (int i = 0; i < turns; ++i) {
        const bool back = i % 2 == 0;
        const double took =
            turnAndWait(bar, back ? BAR_PREVIOUS : BAR_NEXT, spot, back ? RGB(255, 0, 0) : RGB(0, 0, 255));
        if (took < 0)
            ++missed;
        else
            ms.push_back(took);
        flushEvents(30);
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::printf("page turn benchmark at %d x %d, %s: %d turns between two pages of 300 strokes each\n", w, h,
                how, turns);
    if (!ms.empty())
        std::printf(
            "tap to the new page on the screen: median %.1f ms  p99 %.1f ms  mean %.1f ms  (%d not seen "
            "within 2 s)\n",
            ms[ms.size() / 2], ms[(ms.size() * 99) / 100], sum / double(ms.size()), missed);
    else
        std::printf("no turn was seen on the screen within 2 s\n");
    DestroyWindow(bar);
    destroyTestPage(&t);
    removeBoardFiles();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 1)
        return measure(std::strcmp(argv[1], "shaped") == 0 ? "Wine's default shaping of layered windows"
                                                           : "ShapeLayeredWindows = \"N\"");
    if (!runUnshapedThenShaped()) {
        std::printf("board_bench could not start itself as a child\n");
        return 1;
    }
    return 0;
}
