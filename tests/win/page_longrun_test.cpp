// A long run on one page: a hundred thousand pen moves, thousands of tool changes, hundreds of
// cuts, pastes and clears. Every step makes and releases its own pens, brushes, regions and window
// DCs; a single object leaked per step would exhaust the process's GDI handles long before the
// end, and drawing would then silently stop, which the pixel checks see. The page is small so
// that showing the canvas after each move is cheap and the run takes seconds.
#include <gtest/gtest.h>

#include <cstdio>

#include "win32/ids.h"
#include "pages/page_state.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"

namespace {

constexpr COLORREF KEY = RGB(200, 200, 200);
constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLUE = RGB(0, 0, 255);

void setTool(TestPage* t, DrawState* ds, int32_t tool) {
    ds->tool = tool;
    SendMessageA(t->page, UM_PAGE_TOOL_CHANGED, 0, 0);
}

// Draws a fresh red stroke and checks it reached the canvas.
void expectPenStillDraws(TestPage* t, DrawState* ds, int round) {
    SendMessageA(t->page, UM_PAGE_CLEAR, 0, 0);
    setTool(t, ds, TOOL_PEN);
    ds->colour = RED;
    sendDown(t->page, 10, 60);
    sendMove(t->page, 110, 60);
    sendUp(t->page, 110, 60);
    ASSERT_EQ(canvasPixel(t, 60, 60), RED) << "drawing stopped after round " << round;
    ASSERT_EQ(canvasPixel(t, 60, 90), KEY) << "round " << round;
}

TEST(PageLongRun, DrawingKeepsWorkingWithoutLeaks) {
    DrawState ds = freshDrawState();
    TestPage t;
    makeTestPage(&t, &ds, true, 128, 128);
    ShowWindow(t.container, SW_SHOWNOACTIVATE);
    ShowWindow(t.page, SW_SHOWNOACTIVATE);
    flushEvents(100);
    const DWORD start = GetTickCount();

    // 100000 pen moves in 100 strokes, all colours and widths.
    const COLORREF colours[] = {RGB(0, 0, 0), RED, RGB(0, 255, 0), BLUE};
    for (int stroke = 0; stroke < 100; ++stroke) {
        ds.colour = colours[stroke % 4];
        ds.penWidth = 2 << (stroke % 4);
        setTool(&t, &ds, TOOL_PEN);
        sendDown(t.page, 5, 5);
        for (int i = 0; i < 1000; ++i)
            sendMove(t.page, 5 + (i * 7) % 118, 5 + (i * 13) % 118);
        sendUp(t.page, 60, 60);
    }
    expectPenStillDraws(&t, &ds, 1);

    // Thousands of tool changes, each with a short gesture of that tool.
    const int32_t tools[] = {TOOL_PEN, TOOL_LINE, TOOL_ELLIPSE, TOOL_ERASER, TOOL_CUT};
    for (int i = 0; i < 4000; ++i) {
        ds.eraserSize = 8 << (i % 4);
        setTool(&t, &ds, tools[i % 5]);
        sendDown(t.page, 20, 20);
        sendMove(t.page, 40 + i % 50, 30);
        sendMove(t.page, 60, 40 + i % 50);
        sendUp(t.page, 60, 40 + i % 50);
    }
    expectPenStillDraws(&t, &ds, 2);

    // Hundreds of cuts: select, drag, paste; and clears.
    for (int i = 0; i < 300; ++i) {
        paintCanvas(&t, {20, 20, 40, 40}, BLUE);
        setTool(&t, &ds, TOOL_CUT);
        sendDown(t.page, 10, 10);
        sendMove(t.page, 50, 50);
        sendUp(t.page, 50, 50);
        sendDown(t.page, 30, 30);
        sendMove(t.page, 60, 70);
        sendUp(t.page, 60, 70);
        sendDown(t.page, 120, 5);
        ASSERT_EQ(canvasPixel(&t, 55, 65), BLUE) << "paste failed in cut " << i;
        ASSERT_EQ(canvasPixel(&t, 25, 25), KEY) << "hole not transparent in cut " << i;
        SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    }
    expectPenStillDraws(&t, &ds, 3);
    std::printf("long run: %lu ms\n", GetTickCount() - start);
    destroyTestPage(&t);
}

} // namespace
