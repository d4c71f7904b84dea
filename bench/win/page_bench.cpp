// Time to handle one pointer move on a full-screen page: the WM_MOUSEMOVE sent to the page until
// the canvas is drawn and copied onto the window, for the pen, the eraser and the highlighter, each
// with the changed rectangle copied and with the whole page copied (as every move did before), in
// the same run. Printed beside the 1 ms between events of a 1000 Hz mouse.
//
// The highlighter reads the screen beneath the tiles its stroke reaches, once per stroke. With the
// moves back to back the page is never idle, and the moves that read make its 99th percentile. At
// a finger's pace (a touch every 4 ms, the page's messages let through between them) the page
// reads the tiles ahead of the finger while it waits: the pen and the highlighter are measured that
// way side by side too.
//
// Run with Wine's X11 driver option ShapeLayeredWindows = "N" (the page's own work) and with Wine's
// default shaping, which recomputes a colour-keyed window's shape at each update (set for this
// program under AppDefaults, put back afterwards). Run at 1024 x 768 and at 1920 x 1080
// (VELMORA_SCREEN=hd).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "win32/ids.h"
#include "pages/core/highlight.h"
#include "pages/page_state.h"
#include "tests/support/page_fixture.h"
#include "tests/support/wine_options.h"

namespace {

struct Figures {
    double median, p99, mean;
};

// A finger on the board: a touch every 4 ms (250 a second).
constexpr int FINGER_PACE_MS = 4;

// Lets the thread's messages through for `ms`, as the page does between two touches.
void pumpFor(int ms) {
    const DWORD until = GetTickCount() + DWORD(ms);
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        const DWORD now = GetTickCount();
        if (int32_t(until - now) <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, until - now, QS_ALLINPUT);
    }
}

// The moves of one stroke, back to back or `pacedMs` apart.
Figures measure(TestPage* t, int moves, int pacedMs = 0) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    std::vector<double> ms;
    ms.reserve(moves);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    sendDown(t->page, w / 2, h / 2);
    for (int i = 0; i < moves; ++i) {
        // A wandering path over the whole screen, a few pixels per move as a finger gives them.
        const int x =
            w / 2 + static_cast<int>((w / 3) * ((i % 400) / 200.0 - 1.0) * ((i / 400) % 2 ? -1 : 1));
        const int y = h / 2 + ((i * 3) % (h / 2)) - h / 4;
        QueryPerformanceCounter(&a);
        sendMove(t->page, x, y);
        GdiFlush();
        QueryPerformanceCounter(&b);
        ms.push_back(1000.0 * (b.QuadPart - a.QuadPart) / freq.QuadPart);
        if (pacedMs)
            pumpFor(pacedMs);
    }
    sendUp(t->page, w / 2, h / 2);
    double sum = 0;
    for (double v : ms)
        sum += v;
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[(ms.size() * 99) / 100], sum / ms.size()};
}

int measureAll(const char* shaping) {
    DrawState ds = freshDrawState();
    TestPage t;
    makeTestPage(&t, &ds);
    showTestPage(&t);
    const int moves = 2000;
    std::printf("page move benchmark at %d x %d, %s, %d moves each, canvas %ld x %ld\n",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), shaping, moves, canvasExtent.x,
                canvasExtent.y);
    ds.colour = RGB(255, 0, 0);
    for (bool whole : {false, true}) {
        wholeCanvasPerMove = whole;
        const char* way = whole ? "whole page copied " : "changed rect copied";
        ds.tool = TOOL_PEN;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
        measure(&t, 200); // warm-up
        const Figures pen = measure(&t, moves);
        ds.tool = TOOL_ERASER;
        ds.eraserSize = 32;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
        const Figures eraser = measure(&t, moves);
        SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
        ds.tool = TOOL_HIGHLIGHTER_FIRST;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
        const Figures highlight = measure(&t, moves);
        std::printf("%s  pen move:    median %.3f ms  p99 %.3f ms  mean %.3f ms\n", way, pen.median, pen.p99,
                    pen.mean);
        std::printf("%s  eraser move: median %.3f ms  p99 %.3f ms  mean %.3f ms (eraser 32)\n", way,
                    eraser.median, eraser.p99, eraser.mean);
        std::printf(
            "%s  highlight:   median %.3f ms  p99 %.3f ms  mean %.3f ms (%.1f and %.1f times the pen)\n", way,
            highlight.median, highlight.p99, highlight.mean, highlight.median / pen.median,
            highlight.p99 / pen.p99);
        std::printf("%s  a 1000 Hz mouse gives one event per 1.000 ms: pen %s, eraser %s at the median\n",
                    way, pen.median <= 1.0 ? "keeps up" : "falls behind",
                    eraser.median <= 1.0 ? "keeps up" : "falls behind");
        SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    }
    wholeCanvasPerMove = false;
    // At a finger's pace the page waits between touches, and the highlighter reads the screen
    // beneath the tiles ahead of the finger then: its moves are the ones a teacher's stroke makes.
    ds.tool = TOOL_PEN;
    SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    const Figures pen = measure(&t, moves, FINGER_PACE_MS);
    SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    ds.tool = TOOL_HIGHLIGHTER_FIRST;
    SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    const Figures highlight = measure(&t, moves, FINGER_PACE_MS);
    SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    const char* way = "a touch every 4 ms ";
    std::printf("%s  pen move:    median %.3f ms  p99 %.3f ms  mean %.3f ms\n", way, pen.median, pen.p99,
                pen.mean);
    std::printf("%s  highlight:   median %.3f ms  p99 %.3f ms  mean %.3f ms (%.1f and %.1f times the pen)\n",
                way, highlight.median, highlight.p99, highlight.mean, highlight.median / pen.median,
                highlight.p99 / pen.p99);
    destroyTestPage(&t);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return measureUnshapedThenShaped(argc, argv, measureAll);
}
