// The page container and captureWindowRect under Wine: forwarding, double clicks, real pointer
// input on a transparent pixel, what the screen shows, and the capture's clamping.
#include <gtest/gtest.h>

#include <cstdio>

#include "win32/ids.h"
#include "pages/page_state.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/screen.h"

namespace {

constexpr COLORREF KEY = RGB(200, 200, 200);
constexpr COLORREF RED = RGB(255, 0, 0);

bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

class PageContainer : public ::testing::Test {
  protected:
    void SetUp() override {
        ds = freshDrawState();
        ds.colour = RED;
        makeTestPage(&t, &ds);
    }
    void TearDown() override { destroyTestPage(&t); }
    DrawState ds;
    TestPage t;
};

TEST_F(PageContainer, ForwardsTheFiveMouseMessagesUnchanged) {
    EXPECT_EQ(SendMessageA(t.container, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 200)), 0);
    EXPECT_EQ(t.record.dragState, 1);
    EXPECT_EQ(ds.lastPoint.x, 100);
    EXPECT_EQ(ds.lastPoint.y, 200);
    SendMessageA(t.container, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 200));
    SendMessageA(t.container, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(300, 200));
    SendMessageA(t.container, WM_RBUTTONUP, MK_LBUTTON, MAKELPARAM(300, 200));
    EXPECT_EQ(t.record.dragState, 1) << "right button messages must not end the stroke";
    SendMessageA(t.container, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_EQ(canvasPixel(&t, 200, 200), RED);
}

TEST_F(PageContainer, DoubleClicksAreNotForwarded) {
    SendMessageA(t.container, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_EQ(t.record.dragState, 0);
    SendMessageA(t.container, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 300));
    EXPECT_EQ(countInked(&t, {0, 0, 400, 400}), 0);
}

TEST_F(PageContainer, ContainerWithoutPageDropsTheMessage) {
    SetWindowLongPtrA(t.container, 0, 0);
    EXPECT_EQ(SendMessageA(t.container, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10)), 0);
    EXPECT_EQ(t.record.dragState, 0);
}

// Real pointer input: a press on a transparent pixel of page 1 starts a stroke as a press on a
// drawn pixel does (through the container on Windows, on the page itself under Wine), and the
// stroke shows on the screen.
TEST_F(PageContainer, RealDragOnTransparentPixelsDrawsOnTheScreen) {
    showTestPage(&t);
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    auto toAbs = [](int v, int size) { return static_cast<DWORD>((v * 65535 + size / 2) / (size - 1)); };
    const int h = GetSystemMetrics(SM_CYSCREEN);
    SetCursorPos(w / 4, y);
    flushEvents(50);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    flushEvents(50);
    for (int x = w / 4; x <= w / 2; x += 20) {
        mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, toAbs(x, w), toAbs(y, h), 0, 0);
        flushEvents(10);
    }
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    flushEvents(200);
    EXPECT_EQ(t.record.dragState, 0);
    EXPECT_GT(countInked(&t, {w / 4, y - 5, w / 2, y + 5}), (w / 4) * 3) << "no stroke on the canvas";
    int redOnScreen = 0;
    for (int x = w / 4 + 10; x < w / 2 - 10; x += 10)
        redOnScreen += screenPixel(x, y) == RED;
    EXPECT_GE(redOnScreen, (w / 4 - 20) / 10 - 1) << "the stroke does not show on the screen";
    saveScreenshot(shotPath("page_container_stroke.bmp").c_str());
}

TEST_F(PageContainer, DesktopShowsThroughContainerOne) {
    showTestPage(&t);
    const COLORREF seen = screenPixel(50, 50);
    if (underWine() && seen == KEY) {
        std::printf(
            "skipped: without a compositing window manager Wine draws the alpha-1 container opaque\n");
        GTEST_SKIP() << "Wine draws the layered container opaque without a compositing window manager";
    }
    EXPECT_NE(seen, KEY) << "the container hides the desktop";
}

TEST_F(PageContainer, CaptureClampsToTheScreenAndRefusesEmptyRectangles) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HBITMAP b = captureWindowRect({-40, -30, w + 500, h + 400}, t.page);
    ASSERT_NE(b, nullptr);
    BITMAP bm = {};
    GetObjectA(b, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, w);
    EXPECT_EQ(bm.bmHeight, h);
    DeleteObject(b);
    b = captureWindowRect({10, 20, 110, 70}, t.page);
    ASSERT_NE(b, nullptr);
    GetObjectA(b, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 100);
    EXPECT_EQ(bm.bmHeight, 50);
    DeleteObject(b);
    EXPECT_EQ(captureWindowRect({50, 50, 50, 100}, t.page), nullptr);
    EXPECT_EQ(captureWindowRect({w + 10, 0, w + 100, 100}, t.page), nullptr) << "wholly off the screen";
    EXPECT_EQ(captureWindowRect({-100, 0, -10, 100}, t.page), nullptr);
}

// Whether the platform gives a layered page's pixels back through its window DC decides nothing
// in the program (the cut tool composes from the canvas); this records which holds here.
TEST_F(PageContainer, CaptureOfAShownPageReadsItsOwnPixels) {
    showTestPage(&t);
    sendDown(t.page, 100, 100);
    sendMove(t.page, 300, 100);
    sendUp(t.page, 300, 100);
    flushEvents(100);
    HBITMAP b = captureWindowRect({0, 0, 400, 200}, t.page);
    ASSERT_NE(b, nullptr);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, b);
    const COLORREF stroke = GetPixel(mem, 200, 100), empty = GetPixel(mem, 200, 150);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(b);
    const bool readBack = stroke == RED && empty == KEY;
    std::printf("layered page read back through its DC: %s (stroke %06lx, empty %06lx)\n",
                readBack ? "yes" : "no", stroke, empty);
    if (!readBack)
        GTEST_SKIP()
            << "this platform does not read a layered window's pixels back; the cut tool uses the canvas";
    EXPECT_EQ(stroke, RED);
    EXPECT_EQ(empty, KEY) << "a capture must show the key colour, never the desktop below";
}

} // namespace
