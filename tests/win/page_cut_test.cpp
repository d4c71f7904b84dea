// The cut tool on a real page under Wine: cut, drag, paste, put back, empty selections, a palette
// action while a cut-out is held, a failed snapshot, and a drag that loses its button.
#include <gtest/gtest.h>

#include "win32/ids.h"
#include "pages/page_state.h"
#include "tests/support/page_fixture.h"

namespace {

constexpr COLORREF KEY = RGB(200, 200, 200);
constexpr COLORREF BLUE = RGB(0, 0, 255);

class PageCut : public ::testing::Test {
  protected:
    void SetUp() override {
        ds = freshDrawState();
        makeTestPage(&t, &ds);
        showTestPage(&t);
        paintCanvas(&t, {100, 100, 150, 150}, BLUE); // the picture to cut: a 50 x 50 blue square
        ds.tool = TOOL_CUT;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    }
    void TearDown() override { destroyTestPage(&t); }
    // Draws the selection (90, 90)-(160, 160) and releases: the square is cut out.
    void cutSquare() {
        sendDown(t.page, 90, 90);
        sendMove(t.page, 130, 130);
        sendMove(t.page, 160, 160);
        sendUp(t.page, 160, 160);
    }
    int inked(RECT r) { return countInked(&t, r); }
    DrawState ds;
    TestPage t;
};

TEST_F(PageCut, SelectionCutsTheRectangleOutOfTheCanvas) {
    sendDown(t.page, 90, 90);
    EXPECT_EQ(t.record.dragState, 1);
    sendMove(t.page, 160, 160);
    EXPECT_EQ(inked({100, 100, 150, 150}), 2500) << "the rubber band must not touch the canvas";
    sendUp(t.page, 160, 160);
    EXPECT_EQ(t.record.dragState, 2);
    EXPECT_EQ(inked({0, 0, 400, 400}), 0);
    EXPECT_EQ(ds.selection.x1, 90);
    EXPECT_EQ(ds.selection.y2, 160);
}

TEST_F(PageCut, DraggedCutOutLeavesAHoleAndPastesWhereDropped) {
    cutSquare();
    sendDown(t.page, 120, 120); // inside: the drag begins
    EXPECT_EQ(t.record.dragState, 3);
    sendMove(t.page, 220, 170);
    sendMove(t.page, 420, 220);
    sendUp(t.page, 420, 220);
    EXPECT_EQ(t.record.dragState, 2);
    EXPECT_EQ(moveOffset.x, 300);
    EXPECT_EQ(moveOffset.y, 100);
    sendDown(t.page, 800, 600); // outside: paste
    EXPECT_EQ(t.record.dragState, 0) << "the press that pastes starts nothing";
    sendUp(t.page, 800, 600);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(inked({100, 100, 150, 150}), 0) << "the hole must stay transparent";
    EXPECT_EQ(inked({400, 200, 450, 250}), 2500);
    EXPECT_EQ(canvasPixel(&t, 400, 200), BLUE);
    EXPECT_EQ(canvasPixel(&t, 449, 249), BLUE);
    EXPECT_EQ(inked({0, 0, canvasExtent.x, canvasExtent.y}), 2500) << "only the cut-out moved";
    EXPECT_EQ(moveOffset.x, 0);
}

TEST_F(PageCut, PressOutsideWithoutDraggingPutsItBack) {
    cutSquare();
    sendDown(t.page, 500, 500);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(inked({100, 100, 150, 150}), 2500);
    EXPECT_EQ(inked({0, 0, canvasExtent.x, canvasExtent.y}), 2500);
}

TEST_F(PageCut, EmptySelectionCutsNothingAndTheNextPressOnlyEndsIt) {
    sendDown(t.page, 120, 120);
    sendUp(t.page, 120, 120);
    EXPECT_EQ(t.record.dragState, 2);
    EXPECT_EQ(inked({100, 100, 150, 150}), 2500);
    sendDown(t.page, 120, 120); // nothing is inside an empty selection
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(inked({0, 0, canvasExtent.x, canvasExtent.y}), 2500);
}

TEST_F(PageCut, PaletteActionWhileHeldPutsTheCutOutDownWhereItIs) {
    // A tool change (any palette action) while dragged, and a plain put-down while held: each puts
    // the cut-out down at its place, no key-colour hole is left, and the pen draws normally after.
    for (unsigned message : {unsigned(UM_PAGE_TOOL_CHANGED), UM_PAGE_PUT_DOWN}) {
        cutSquare();
        sendDown(t.page, 120, 120);
        sendMove(t.page, 320, 120);
        if (message == UM_PAGE_PUT_DOWN)
            sendUp(t.page, 320, 120);
        ds.tool = message == UM_PAGE_PUT_DOWN ? TOOL_CUT : TOOL_PEN;
        SendMessageA(t.page, message, 0, 0);
        EXPECT_EQ(t.record.dragState, 0) << std::hex << message;
        EXPECT_EQ(GetCapture(), nullptr) << std::hex << message;
        EXPECT_EQ(inked({300, 100, 350, 150}), 2500) << "the cut-out is at its new place";
        EXPECT_EQ(inked({0, 0, canvasExtent.x, canvasExtent.y}), 2500) << "and nowhere else";
        paintCanvas(&t, {0, 0, canvasExtent.x, canvasExtent.y}, KEY);
        paintCanvas(&t, {100, 100, 150, 150}, BLUE);
        ds.tool = TOOL_CUT;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    }
    ds.tool = TOOL_PEN;
    SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    sendDown(t.page, 500, 500);
    sendMove(t.page, 600, 500);
    sendUp(t.page, 600, 500);
    EXPECT_GT(inked({500, 490, 600, 510}), 0);
}

TEST_F(PageCut, FailedSnapshotStartsNoSelectionAndChangesNothing) {
    // No bitmap of this size can be made, so the snapshot fails.
    const POINT extent = canvasExtent;
    canvasExtent = {200000, 200000};
    sendDown(t.page, 90, 90);
    canvasExtent = extent;
    EXPECT_EQ(t.record.dragState, 0);
    sendMove(t.page, 160, 160);
    sendUp(t.page, 160, 160);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(inked({100, 100, 150, 150}), 2500) << "nothing was cut out";
}

TEST_F(PageCut, DragThatLosesItsButtonKeepsTheCutOutHeld) {
    cutSquare();
    sendDown(t.page, 120, 120);
    sendMove(t.page, 170, 120);
    sendMove(t.page, 700, 700, false); // released over another window: end at (170, 120)
    EXPECT_EQ(t.record.dragState, 2);
    EXPECT_EQ(moveOffset.x, 50);
    EXPECT_EQ(moveOffset.y, 0);
    sendDown(t.page, 900, 700);
    EXPECT_EQ(inked({150, 100, 200, 150}), 2500);
}

TEST_F(PageCut, SelectionThatLosesItsButtonIsCutWhereItWasLastDrawn) {
    sendDown(t.page, 90, 90);
    sendMove(t.page, 125, 160);
    sendMove(t.page, 600, 600, false);
    EXPECT_EQ(t.record.dragState, 2);
    EXPECT_EQ(ds.selection.x2, 125);
    EXPECT_EQ(inked({100, 100, 125, 150}), 0);
    EXPECT_EQ(inked({125, 100, 150, 150}), 25 * 50);
}

TEST_F(PageCut, CutOutDraggedPartlyOffTheCanvasKeepsWhatFits) {
    cutSquare();
    sendDown(t.page, 120, 120);
    sendMove(t.page, 0, 0); // the square now spans (-20, -20)-(30, 30)
    sendUp(t.page, 1, 1);
    EXPECT_EQ(t.record.dragState, 2);
    sendDown(t.page, 800, 600);
    EXPECT_EQ(inked({0, 0, 30, 30}), 900);
    EXPECT_EQ(inked({0, 0, canvasExtent.x, canvasExtent.y}), 900);
}

} // namespace
