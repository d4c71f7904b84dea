// The drawing page with real windows under Wine: canvas, pen, line, ellipse, eraser, clearing,
// cursors, the gesture rules, holding the mouse and pointers past the page's edges, strokes that
// end at the release, the changed-rectangle copy, undo and redo with their memory bound, a save
// that cannot write its file, the saved picture carried into a PDF, and a page without a record.
// screens: sd hd
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cmath>
#include <initializer_list>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

#include "win32/ids.h"
#include "board/core/pdf_document.h"
#include "pages/page_save.h"
#include "pages/png_encoder.h"
#include "pages/page_state.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/screen.h"

namespace {

constexpr COLORREF KEY = RGB(200, 200, 200);
constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLACK = RGB(0, 0, 0);

class PageCanvas : public ::testing::Test {
  protected:
    void SetUp() override {
        ds = freshDrawState();
        makeTestPage(&t, &ds);
    }
    void TearDown() override { destroyTestPage(&t); }
    void tool(int32_t id) {
        ds.tool = id;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    }
    int canvasInked() { return countInked(&t, {0, 0, canvasExtent.x, canvasExtent.y}); }
    DrawState ds;
    TestPage t;
};

TEST_F(PageCanvas, FreshPageIsKeyColourEverywhereAndCoversTheScreen) {
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(t.record.canvas, sizeof(bm), &bm), (int)sizeof(bm));
    EXPECT_GE(bm.bmWidth, 2000);
    EXPECT_GE(bm.bmHeight, 1500);
    EXPECT_GE(bm.bmWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(bm.bmHeight, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(canvasExtent.x, bm.bmWidth);
    EXPECT_EQ(canvasExtent.y, bm.bmHeight);
    EXPECT_EQ(canvasInked(), 0);
    for (POINT p : {POINT{0, 0}, POINT{bm.bmWidth - 1, 0}, POINT{0, bm.bmHeight - 1},
                    POINT{bm.bmWidth - 1, bm.bmHeight - 1}})
        EXPECT_EQ(canvasPixel(&t, p.x, p.y), KEY) << p.x << "," << p.y;
    RECT box = {};
    ASSERT_NE(GetRgnBox(canvasRegion, &box), ERROR);
    EXPECT_EQ(box.right, bm.bmWidth);
    EXPECT_EQ(box.bottom, bm.bmHeight);
}

TEST_F(PageCanvas, PenPressAndReleaseWithoutMoveDrawsNothing) {
    sendDown(t.page, 300, 300);
    EXPECT_EQ(t.record.dragState, 1);
    sendUp(t.page, 300, 300);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasInked(), 0);
}

TEST_F(PageCanvas, PenStrokeIsThePolylineOfThePositionsInColourAndWidth) {
    ds.colour = RED;
    ds.penWidth = 8;
    tool(TOOL_PEN);
    sendGesture(t.page, {{100, 100}, {300, 100}, {300, 250}});
    // Along both segments, in red and 8 wide; nothing on the chord between the ends.
    for (int x = 110; x <= 290; x += 20) {
        EXPECT_EQ(canvasPixel(&t, x, 100), RED) << x;
        EXPECT_EQ(canvasPixel(&t, x, 97), RED) << x;
        EXPECT_EQ(canvasPixel(&t, x, 102), RED) << x;
        EXPECT_EQ(canvasPixel(&t, x, 94), KEY) << x;
        EXPECT_EQ(canvasPixel(&t, x, 106), KEY) << x;
    }
    for (int y = 110; y <= 240; y += 20)
        EXPECT_EQ(canvasPixel(&t, 300, y), RED) << y;
    EXPECT_EQ(canvasPixel(&t, 200, 175), KEY);
    EXPECT_EQ(countInked(&t, {0, 0, 90, 1500}), 0);
}

TEST_F(PageCanvas, LinePreviewStaysOffTheCanvasAndReleaseCommitsIt) {
    ds.colour = RED;
    tool(TOOL_LINE);
    sendDown(t.page, 100, 400);
    sendMove(t.page, 200, 450);
    sendMove(t.page, 500, 400);
    EXPECT_EQ(canvasInked(), 0) << "the preview must stay on the window";
    sendUp(t.page, 500, 400);
    EXPECT_EQ(t.record.dragState, 0);
    for (int x = 110; x <= 490; x += 30)
        EXPECT_EQ(canvasPixel(&t, x, 400), RED) << x;
    EXPECT_EQ(canvasPixel(&t, 200, 450), KEY) << "an earlier preview reached the canvas";
}

TEST_F(PageCanvas, EllipseIsAnOutlineNeverFilled) {
    ds.colour = RED;
    ds.penWidth = 4;
    tool(TOOL_ELLIPSE);
    sendDown(t.page, 100, 100);
    sendMove(t.page, 200, 200);
    EXPECT_EQ(canvasInked(), 0);
    sendUp(t.page, 300, 200);
    // Inscribed in (100,100)-(300,200): leftmost and topmost points of the outline.
    EXPECT_EQ(canvasPixel(&t, 101, 150), RED);
    EXPECT_EQ(canvasPixel(&t, 200, 101), RED);
    EXPECT_EQ(canvasPixel(&t, 200, 198), RED);
    EXPECT_EQ(canvasPixel(&t, 200, 150), KEY) << "the ellipse was filled";
    EXPECT_EQ(canvasPixel(&t, 150, 150), KEY);
}

TEST_F(PageCanvas, EraserPressClearsASquareWhoseTopLeftIsXMinusH) {
    paintCanvas(&t, {0, 0, 1000, 700}, BLACK);
    ds.eraserSize = 16;
    tool(TOOL_ERASER);
    sendGesture(t.page, {{300, 300}});
    EXPECT_EQ(countInked(&t, {292, 292, 308, 308}), 0);
    EXPECT_EQ(canvasPixel(&t, 291, 300), BLACK);
    EXPECT_EQ(canvasPixel(&t, 308, 300), BLACK);
    EXPECT_EQ(canvasPixel(&t, 300, 291), BLACK);
    EXPECT_EQ(canvasPixel(&t, 300, 308), BLACK);
    EXPECT_EQ(countInked(&t, {290, 290, 310, 310}), 20 * 20 - 16 * 16);
}

TEST_F(PageCanvas, EraserMovesClearBandsAndDiagonalsLeaveNoGap) {
    paintCanvas(&t, {0, 0, 1000, 700}, BLACK);
    ds.eraserSize = 32;
    tool(TOOL_ERASER);
    // Horizontal: a band 32 high from x - 16 to x' + 16.
    sendGesture(t.page, {{100, 100}, {400, 100}});
    EXPECT_EQ(countInked(&t, {84, 84, 416, 116}), 0);
    EXPECT_EQ(countInked(&t, {84, 83, 416, 84}), 416 - 84);
    EXPECT_EQ(countInked(&t, {84, 116, 416, 117}), 416 - 84);
    // Vertical: a band 32 wide.
    sendGesture(t.page, {{600, 100}, {600, 500}});
    EXPECT_EQ(countInked(&t, {584, 84, 616, 516}), 0);
    EXPECT_EQ(countInked(&t, {583, 84, 584, 516}), 516 - 84);
    // Diagonal jumps in all four directions: every pixel near the path is cleared.
    const POINT path[] = {{150, 300}, {350, 550}, {450, 350}, {250, 200}, {100, 450}};
    sendGesture(t.page, std::vector<POINT>(std::begin(path), std::end(path)));
    for (size_t i = 1; i < 5; ++i)
        for (int s = 0; s <= 20; ++s) {
            const int x = path[i - 1].x + (path[i].x - path[i - 1].x) * s / 20;
            const int y = path[i - 1].y + (path[i].y - path[i - 1].y) * s / 20;
            EXPECT_EQ(countInked(&t, {x - 8, y - 8, x + 8, y + 8}), 0) << "gap near " << x << "," << y;
        }
}

TEST_F(PageCanvas, ClearFillsTheWholeCanvasAndEndsAGesture) {
    paintCanvas(&t, {0, 0, canvasExtent.x, canvasExtent.y}, BLACK);
    ds.colour = RED;
    sendDown(t.page, 10, 10);
    sendMove(t.page, 50, 50);
    SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasInked(), 0);
    sendMove(t.page, 200, 200); // ignored until the next press
    EXPECT_EQ(canvasInked(), 0);
}

TEST_F(PageCanvas, HiddenPageKeepsItsDrawingAndEachPageHasItsOwnCanvas) {
    TestPage other;
    makeTestPage(&other, &ds, false);
    ds.colour = RED;
    showTestPage(&t);
    sendGesture(t.page, {{100, 100}, {200, 100}});
    ShowWindow(t.page, SW_HIDE);
    ShowWindow(t.container, SW_HIDE);
    flushEvents(100);
    showTestPage(&t);
    EXPECT_EQ(canvasPixel(&t, 150, 100), RED);
    EXPECT_EQ(countInked(&other, {0, 0, canvasExtent.x, canvasExtent.y}), 0);
    destroyTestPage(&other);
}

// A move without the button held while a gesture is under way ends it as a release at the
// previous position would, then counts as an idle move.
TEST_F(PageCanvas, MoveWithoutButtonEndsTheGestureWhereThePointerLastWas) {
    ds.colour = RED;
    tool(TOOL_PEN);
    sendDown(t.page, 100, 100);
    sendMove(t.page, 200, 100);
    sendMove(t.page, 600, 500, false);
    EXPECT_EQ(t.record.dragState, 0);
    sendMove(t.page, 700, 500, true); // a held move with no press before draws nothing
    EXPECT_EQ(countInked(&t, {210, 0, 1000, 700}), 0) << "a stray stroke ran to the new position";
    EXPECT_EQ(canvasPixel(&t, 150, 100), RED);

    tool(TOOL_LINE);
    sendDown(t.page, 100, 300);
    sendMove(t.page, 400, 300);
    sendMove(t.page, 800, 600, false);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasPixel(&t, 300, 300), RED) << "the line as last previewed is committed";
    EXPECT_EQ(countInked(&t, {410, 310, 1000, 700}), 0);
}

// The page holds the mouse from the press to the release; losing it ends the gesture where the
// pointer last was, as a release there would.
TEST_F(PageCanvas, PageHoldsTheMouseDuringAGestureAndLosingItEndsTheGesture) {
    ds.colour = RED;
    tool(TOOL_LINE);
    sendDown(t.page, 100, 300);
    EXPECT_EQ(GetCapture(), t.page) << "no capture after the press";
    sendMove(t.page, 400, 300);
    SetCapture(t.container); // another window takes the mouse
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasPixel(&t, 300, 300), RED) << "the line as last previewed is committed";
    ReleaseCapture();
    tool(TOOL_PEN);
    sendDown(t.page, 100, 500);
    sendMove(t.page, 300, 500);
    sendUp(t.page, 900, 700); // released anywhere: the release ends the stroke
    EXPECT_EQ(GetCapture(), nullptr) << "the release must give the mouse back";
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasPixel(&t, 200, 500), RED);
}

// Pixels of the canvas that differ from the key colour outside the given (disjoint) boxes.
int inkedOutside(const TestPage* t, std::initializer_list<RECT> boxes) {
    int outside = countInked(t, {0, 0, canvasExtent.x, canvasExtent.y});
    for (const RECT& b : boxes)
        outside -= countInked(t, b);
    return outside;
}

// Key-colour pixels (erased or cut) in a canvas area.
int keyPixels(const TestPage* t, RECT area) {
    return (area.right - area.left) * (area.bottom - area.top) - countInked(t, area);
}

// The page holds the mouse during a gesture, so a drag onto a monitor left of or above it arrives
// with negative client coordinates, and one past its right edge beyond the window. Every tool keeps
// to the page: the gesture follows the edge and comes back, and nothing is drawn, erased or cut
// outside the path.
TEST_F(PageCanvas, DragsPastThePageEdgesStayOnThePage) {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    ds.colour = RED;
    tool(TOOL_PEN);
    const POINT left[] = {{120, 100}, {60, 110}, {-40, 130}, {-80, 170}, {60, 190}, {120, 200}};
    const POINT top[] = {{300, 120}, {320, 40}, {340, -60}, {380, -30}, {400, 120}};
    const POINT right[] = {{w - 100, 500}, {w + 60, 520}, {w + 200, 540}, {w - 100, 560}};
    for (const auto& path : {std::vector<POINT>(std::begin(left), std::end(left)),
                             std::vector<POINT>(std::begin(top), std::end(top)),
                             std::vector<POINT>(std::begin(right), std::end(right))}) {
        sendGesture(t.page, path);
    }
    tool(TOOL_LINE);
    sendGesture(t.page, {{200, 300}, {-50, 340}}, {-50, 360});
    tool(TOOL_ELLIPSE);
    sendGesture(t.page, {{700, 200}, {600, -30}}, {550, -80});
    const RECT leftBox = {0, 90, 130, 210}, topBox = {290, 0, 410, 130},
               rightBox = {w - 110, 490, w + 3, 570};
    const RECT lineBox = {0, 290, 210, 370}, ellipseBox = {540, 0, 710, 210};
    EXPECT_EQ(inkedOutside(&t, {leftBox, topBox, rightBox, lineBox, ellipseBox}), 0)
        << "a gesture past an edge drew across the page";
    EXPECT_GT(countInked(&t, {0, 135, 3, 165}), 0) << "the stroke did not follow the left edge";
    EXPECT_EQ(canvasPixel(&t, 90, 195), RED) << "the stroke did not come back from the left edge";
    EXPECT_GT(countInked(&t, {335, 0, 385, 3}), 0) << "the stroke did not follow the top edge";
    EXPECT_EQ(canvasPixel(&t, 390, 60), RED) << "the stroke did not come back from the top edge";
    EXPECT_GT(countInked(&t, {w - 3, 520, w, 550}), 0) << "the stroke did not follow the right edge";
    EXPECT_GT(countInked(&t, {0, 352, 8, 370}), 0) << "the line does not end at the left edge";
    EXPECT_GT(countInked(&t, {600, 0, 650, 4}), 0) << "the ellipse does not touch the top edge";

    // The eraser and the cut on a drawn canvas: nothing erased or cut outside the path.
    SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    paintCanvas(&t, {0, 0, canvasExtent.x, canvasExtent.y}, BLACK);
    ds.eraserSize = 16;
    tool(TOOL_ERASER);
    sendGesture(t.page, {{100, 500}, {-60, 520}, {100, 560}});
    tool(TOOL_CUT);
    sendGesture(t.page, {{400, 450}, {300, -50}});
    const RECT eraserBox = {0, 490, 110, 570}, cutBox = {300, 0, 400, 450};
    const int all = keyPixels(&t, {0, 0, canvasExtent.x, canvasExtent.y});
    EXPECT_EQ(all - keyPixels(&t, eraserBox) - keyPixels(&t, cutBox), 0)
        << "a gesture past an edge erased or cut across the page";
    EXPECT_EQ(keyPixels(&t, cutBox), 100 * 450) << "the cut is not the rectangle up to the top edge";
    EXPECT_EQ(keyPixels(&t, {0, 512, 8, 528}), 8 * 16) << "the eraser did not stop at the left edge";
}

// The release ends a pen or eraser stroke at its own point, even when no move brought the pointer
// there first (input that lags folds the last move into the button message); that last piece
// belongs to the stroke's one undo step.
TEST_F(PageCanvas, AStrokeEndsWhereTheButtonCameUp) {
    ds.colour = RED;
    tool(TOOL_PEN);
    sendGesture(t.page, {{100, 100}, {200, 100}}, {300, 100});
    EXPECT_EQ(canvasPixel(&t, 290, 100), RED) << "the stroke's last piece is missing";
    EXPECT_EQ(canvasPixel(&t, 306, 100), KEY);
    SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(canvasInked(), 0) << "one undo did not take the whole stroke";
    SendMessageA(t.page, UM_PAGE_REDO, 0, 0);
    EXPECT_EQ(canvasPixel(&t, 290, 100), RED) << "redo did not bring the last piece back";

    ds.penWidth = 16;
    sendGesture(t.page, {{50, 300}, {600, 300}});
    const RECT erased = {92, 292, 308, 308};
    const int drawn = countInked(&t, erased);
    ASSERT_GT(drawn, 0);
    ds.eraserSize = 16;
    tool(TOOL_ERASER);
    sendGesture(t.page, {{100, 300}, {200, 300}}, {300, 300});
    EXPECT_EQ(countInked(&t, erased), 0) << "the eraser's last piece is missing";
    EXPECT_EQ(canvasPixel(&t, 309, 300), RED);
    SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(countInked(&t, erased), drawn) << "one undo did not take the whole erasing";
}

// Pen and eraser moves copy only the rectangle they changed: the screen after every move equals
// the screen of the whole-page copy. Read before each release, whose repaint would hide a fault.
TEST_F(PageCanvas, ChangedRectangleCopiesGiveTheSameScreenAsWholePageCopies) {
    showTestPage(&t);
    const RECT area = {0, 0, 640, 480};
    std::vector<COLORREF> screens[2][2];
    for (int way = 0; way < 2; ++way) {
        wholeCanvasPerMove = way == 1;
        SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
        flushEvents(150);
        ds.colour = RED;
        ds.penWidth = 16;
        tool(TOOL_PEN);
        sendDown(t.page, 40, 40);
        for (int i = 1; i <= 40; ++i)
            sendMove(t.page, 40 + i * 13, 40 + (i * i * 7) % 400);
        flushEvents(100);
        ASSERT_TRUE(captureScreen(area, &screens[way][0]));
        sendUp(t.page, 560, 300);
        flushEvents(150);
        ds.eraserSize = 32;
        tool(TOOL_ERASER);
        sendDown(t.page, 600, 20);
        flushEvents(150); // the press repaints the whole page
        for (int i = 1; i <= 30; ++i)
            sendMove(t.page, 600 - i * 19, 20 + (i * 37) % 440);
        flushEvents(100);
        ASSERT_TRUE(captureScreen(area, &screens[way][1]));
        sendUp(t.page, 30, 300);
    }
    wholeCanvasPerMove = false;
    for (int k = 0; k < 2; ++k) {
        int differ = 0;
        for (size_t i = 0; i < screens[0][k].size(); ++i)
            differ += screens[0][k][i] != screens[1][k][i];
        EXPECT_EQ(differ, 0) << (k ? "eraser" : "pen") << ": pixels differ from the whole-page copy";
    }
    int red = 0;
    for (COLORREF c : screens[0][0])
        red += c == RED;
    EXPECT_GT(red, 5000) << "the pen stroke is not on the screen at all";
}

// Every finished step can be undone and redone, at least 50 deep; a new step drops the redo; a
// clear and a cut are steps like the strokes.
TEST_F(PageCanvas, UndoAndRedoStepByStep) {
    ds.colour = RED;
    tool(TOOL_PEN);
    const int strokes = 60;
    for (int i = 0; i < strokes; ++i) {
        sendDown(t.page, 20, 10 + i * 10);
        sendMove(t.page, 300, 10 + i * 10);
        sendUp(t.page, 300, 10 + i * 10);
    }
    auto strokeShown = [&](int i) { return canvasPixel(&t, 150, 10 + i * 10) == RED; };
    for (int i = strokes - 1; i >= 5; --i) {
        ASSERT_TRUE(strokeShown(i)) << i;
        SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
        ASSERT_FALSE(strokeShown(i)) << "undo " << strokes - i << " did not take stroke " << i;
        ASSERT_TRUE(strokeShown(i - 1)) << "undo " << strokes - i << " took more than one stroke";
    }
    SendMessageA(t.page, UM_PAGE_REDO, 0, 0);
    SendMessageA(t.page, UM_PAGE_REDO, 0, 0);
    EXPECT_TRUE(strokeShown(6));
    EXPECT_FALSE(strokeShown(7));
    SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    EXPECT_EQ(canvasInked(), 0);
    SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
    EXPECT_TRUE(strokeShown(0) && strokeShown(6)) << "undoing the clear did not bring the strokes back";
    // A cut moved and put down is one step.
    tool(TOOL_CUT);
    sendDown(t.page, 10, 5);
    sendUp(t.page, 310, 25); // strokes 0 and 1
    sendGesture(t.page, {{150, 15}, {650, 15}});
    SendMessageA(t.page, UM_PAGE_PUT_DOWN, 0, 0);
    EXPECT_EQ(canvasPixel(&t, 650, 10), RED);
    EXPECT_NE(canvasPixel(&t, 150, 10), RED);
    SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(canvasPixel(&t, 150, 10), RED) << "the cut is not undone";
    EXPECT_NE(canvasPixel(&t, 650, 10), RED);
    // A new step drops what could be redone; with nothing to redo, redo does nothing.
    tool(TOOL_PEN);
    sendGesture(t.page, {{400, 700}, {500, 700}});
    const int inked = canvasInked();
    SendMessageA(t.page, UM_PAGE_REDO, 0, 0);
    EXPECT_EQ(canvasInked(), inked);
    EXPECT_EQ(canvasPixel(&t, 650, 10), KEY) << "the undone cut came back after a new step";
}

// 200 clears of a drawn canvas, each undone, stay within the memory bound of the steps, read as the
// process's private bytes.
TEST_F(PageCanvas, ClearsAndUndosStayWithinTheMemoryBound) {
    auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters);
        // Wine leaves PrivateUsage 0; its PagefileUsage follows the private commit.
        return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    };
    const SIZE_T start = privateBytes();
    ds.penWidth = 16;
    tool(TOOL_PEN);
    const int h = GetSystemMetrics(SM_CYSCREEN), w = GetSystemMetrics(SM_CXSCREEN);
    for (int i = 0; i < 200; ++i) {
        ds.colour = RGB(i, 255 - i, (i * 37) & 0xFF);
        sendDown(t.page, 0, (i * 23) % h);
        sendMove(t.page, w - 1, (i * 41) % h);
        sendUp(t.page, w - 1, (i * 41) % h);
        SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
        SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
    }
    const SIZE_T end = privateBytes(), grown = end > start ? end - start : 0;
    std::printf(
        "[ figures  ] 200 strokes, clears and undos at %d x %d: history %zu bytes in %zu steps, private "
        "bytes %zu before, %zu after\n",
        w, h, undoBudget.used, t.record.history->lane.done.size(), start, end);
    EXPECT_LE(undoBudget.used, UNDO_MEMORY_BOUND);
    EXPECT_LT(grown, UNDO_MEMORY_BOUND) << "private bytes grew past the bound";
    EXPECT_GE(t.record.history->lane.done.size(), 50u);
    EXPECT_GT(canvasInked(), 0) << "the last undo did not bring the drawing back";
}

// The palette's save on a thread of its own, with a window of that thread as the owner of the
// clipboard and the box, as the palette is; the test's thread waits for the box.
DWORD WINAPI saveOnThread(void* page) {
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    savePagePicture(owner, static_cast<HWND>(page));
    if (owner)
        DestroyWindow(owner);
    return 0;
}

// A save whose folder cannot be made (a file named Velmora stands in the Pictures folder, as
// Controlled Folder Access or a full disk would stop it) says which step failed and why, leaves no
// file and changes nothing on the page; the picture is on the clipboard all the same, and the box
// says so.
TEST_F(PageCanvas, SaveThatCannotMakeItsFolderSaysWhyKeepsTheCopyAndChangesNothing) {
    const char* folders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string pictures = std::string(temp) + "velmora_blocked_pictures";
    CreateDirectoryA(pictures.c_str(), nullptr);
    HANDLE blocker =
        CreateFileA((pictures + "\\Velmora").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, folders, &key), ERROR_SUCCESS);
    char old[MAX_PATH] = {};
    DWORD oldSize = sizeof old, oldType = 0;
    const bool hadOld = RegQueryValueExA(key, "My Pictures", nullptr, &oldType, reinterpret_cast<BYTE*>(old),
                                         &oldSize) == ERROR_SUCCESS;
    RegSetValueExA(key, "My Pictures", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(pictures.c_str()),
                   DWORD(pictures.size() + 1));

    ds.colour = RED;
    sendGesture(t.page, {{100, 100}, {200, 100}});
    const int inked = canvasInked();
    std::wstring path;
    std::string reason;
    ScreenPicture picture;
    ASSERT_TRUE(composePagePicture(t.page, &picture));
    EXPECT_FALSE(writePicturePng(picture, &path, &reason));
    EXPECT_NE(reason.find("Velmora"), std::string::npos) << reason;
    emptyClipboard();
    HANDLE thread = CreateThread(nullptr, 0, saveOnThread, t.page, 0, nullptr);
    HWND box = waitMessageBox(GetCurrentProcessId(), 5000, true);
    std::string text = "(no message box)";
    if (box) {
        for (int i = 0; i < 40 && messageBoxText(box).empty(); ++i)
            flushEvents(50);
        text = messageBoxText(box);
        pressMessageBoxOk(box);
    }
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);

    if (hadOld)
        RegSetValueExA(key, "My Pictures", 0, oldType, reinterpret_cast<const BYTE*>(old), oldSize);
    else
        RegDeleteValueA(key, "My Pictures");
    RegCloseKey(key);
    DeleteFileA((pictures + "\\Velmora").c_str());
    RemoveDirectoryA(pictures.c_str());
    std::printf("[ figures  ] the box reads: %s\n", text.c_str());
    EXPECT_EQ(text.rfind("No se pudo guardar la imagen\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("No se pudo crear la carpeta Velmora: "), std::string::npos)
        << "no step given: " << text;
    const std::string copied = "\r\nLa imagen est\xE1 en el portapapeles";
    EXPECT_EQ(text.size() >= copied.size() ? text.substr(text.size() - copied.size()) : text, copied) << text;
    EXPECT_EQ(canvasInked(), inked) << "the drawing changed";
    int cw = 0, ch = 0;
    std::vector<uint32_t> clip;
    ASSERT_TRUE(clipboardPicture(&cw, &ch, &clip)) << "no picture on the clipboard";
    EXPECT_EQ(cw, picture.width);
    EXPECT_EQ(ch, picture.height);
    EXPECT_EQ(clip.size() > 100 * size_t(cw) + 150 ? clip[100 * size_t(cw) + 150] : 0u, 0xFF0000u)
        << "the stroke is not in the copied picture";
    size_t differ = 0;
    for (size_t i = 0; i < clip.size() && i < picture.pixels.size(); ++i)
        differ += clip[i] != picture.pixels[i];
    EXPECT_EQ(differ, 0u) << "the clipboard holds another picture than the page's";
}

// A frozen screen: every window of the thread on the monitor (the page itself and one standing for the
// palette over it) is out of the read and shown again afterwards, and the desktop page's ink is laid
// over what lies beneath.
TEST_F(PageCanvas, TheFrozenScreenCarriesTheInkButNoneOfOurWindows) {
    showTestPage(&t);
    HWND stand = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, "STATIC", "", WS_POPUP,
                                 400, 300, 120, 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(stand, nullptr);
    ShowWindow(stand, SW_SHOWNOACTIVATE);
    flushEvents(300);
    const COLORREF standing = screenPixel(460, 340);
    ds.colour = RED;
    sendGesture(t.page, {{100, 100}, {300, 100}});
    ScreenPicture picture;
    ASSERT_TRUE(composeDesktopPicture(t.page, &picture));
    ASSERT_EQ(picture.width, GetSystemMetrics(SM_CXSCREEN));
    ASSERT_FALSE(picture.pixels.empty());
    EXPECT_EQ(picture.pixels[100 * size_t(picture.width) + 200], 0xFF0000u) << "the ink is not on it";
    const uint32_t under = picture.pixels[340 * size_t(picture.width) + 460];
    EXPECT_NE(RGB(under >> 16, under >> 8 & 0xFF, under & 0xFF), standing)
        << "the window over the page is in it";
    EXPECT_TRUE(IsWindowVisible(stand)) << "the window over the page stayed hidden";
    EXPECT_TRUE(IsWindowVisible(t.page)) << "the page stayed hidden";
    DestroyWindow(stand);
}

// The PNG that WIC writes of a page (the layout the board's files and the saved pictures have) is
// one the PDF document carries as it is: the whole page, at the monitor's aspect.
TEST_F(PageCanvas, TheSavedPictureIsOneAPdfPageCarries) {
    ds.colour = RED;
    sendGesture(t.page, {{100, 100}, {300, 140}});
    ScreenPicture picture;
    ASSERT_TRUE(composePagePicture(t.page, &picture));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"velmora_pdf_page.png";
    std::string step;
    const HRESULT hr = encodePng(picture, path, &step);
    ASSERT_TRUE(SUCCEEDED(hr)) << step << " 0x" << std::hex << hr;
    std::vector<uint8_t> png;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    png.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, png.data(), DWORD(png.size()), &read, nullptr);
    CloseHandle(file);
    DeleteFileW(path.c_str());
    ASSERT_EQ(read, png.size());

    std::vector<uint8_t> pdf;
    std::string reason;
    ASSERT_TRUE(pdfFromPngPages({{png, picture.width * 0.75, picture.height * 0.75}}, pdf, reason)) << reason;
    const std::string text(pdf.begin(), pdf.end());
    const std::string size =
        "/Width " + std::to_string(picture.width) + " /Height " + std::to_string(picture.height);
    EXPECT_NE(text.find(size), std::string::npos) << "no image of " << size;
    std::printf("[ figures  ] a %d x %d page: PNG %zu bytes, PDF %zu bytes\n", picture.width, picture.height,
                png.size(), pdf.size());
}

TEST_F(PageCanvas, DoubleClickStartsNothingAndToolsNotOfThePageDoNothing) {
    SendMessageA(t.page, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 100));
    sendMove(t.page, 300, 300);
    sendUp(t.page, 300, 300);
    EXPECT_EQ(canvasInked(), 0);
    tool(100302); // the clear button's id is no drawing tool
    sendGesture(t.page, {{100, 100}, {300, 300}});
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasInked(), 0);
}

TEST_F(PageCanvas, CursorFollowsToolAndEraserSize) {
    HMODULE self = GetModuleHandleA(nullptr);
    if (!LoadCursorA(self, MAKEINTRESOURCEA(IDCUR_ERASER_32)))
        GTEST_SKIP() << "the cursor resources are not in this build";
    ds.eraserSize = 32;
    tool(TOOL_ERASER);
    EXPECT_EQ(currentCursor, LoadCursorA(self, MAKEINTRESOURCEA(IDCUR_ERASER_32)));
    tool(TOOL_ELLIPSE);
    EXPECT_EQ(currentCursor, LoadCursorA(self, MAKEINTRESOURCEA(IDCUR_PEN_CROSS)));
    tool(TOOL_PEN);
    EXPECT_EQ(currentCursor, LoadCursorA(self, MAKEINTRESOURCEA(IDCUR_PEN)));
    tool(555); // unknown: the cursor stays
    EXPECT_EQ(currentCursor, LoadCursorA(self, MAKEINTRESOURCEA(IDCUR_PEN)));
}

TEST_F(PageCanvas, KeyboardCloseIsIgnoredByPageAndContainer) {
    SendMessageA(t.page, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageA(t.container, WM_SYSCOMMAND, SC_CLOSE, 0);
    flushEvents(50);
    EXPECT_TRUE(IsWindow(t.page));
    EXPECT_TRUE(IsWindow(t.container));
}

TEST(PageWithoutRecord, DoesNothingAndPaintsNoLoop) {
    ensureProgramClasses();
    HWND page = CreateWindowExA(0, "qv_page", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(page);
    SendMessageA(page, UM_PAGE_INIT, 0, 0);
    EXPECT_NE(scratchDC, nullptr);
    EXPECT_EQ(SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)), 0);
    EXPECT_EQ(SendMessageA(page, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 20)), 0);
    EXPECT_EQ(SendMessageA(page, UM_PAGE_CLEAR, 0, 0), 0);
    ShowWindow(page, SW_SHOWNORMAL);
    flushEvents(100);
    // The paint was validated: no WM_PAINT is left waiting.
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, page, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    DestroyWindow(page);
}

} // namespace
