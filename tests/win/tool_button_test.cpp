// The tool button, class "qv_tool_button", driven by messages on a real palette with all its buttons:
// its record, its repaint requests, its leave-notice requests and what the recording parent receives.
// The grip is driven by real injected input only: a caption press without a held button would
// enter the platform's move loop and not come back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/flush_events.h"
#include "tests/support/palette_fixture.h"
#include "tests/support/screen.h"

namespace {

constexpr int LEFT = 300, TOP = 200;

// A point of button n deep inside its own field, in palette (client) coordinates.
POINT fieldPoint(const TestPalette& p, int n) {
    static POINT cache[PALETTE_BUTTON_COUNT] = {};
    if (cache[n].x > 0)
        return cache[n];
    for (int y = 3; y < PALETTE_SIZE - 3; ++y)
        for (int x = 3; x < PALETTE_SIZE - 3; ++x) {
            bool ok = true;
            for (int d = -2; d <= 2 && ok; d += 2)
                ok = paletteButtonAt(p.shapes, x + d + 0.5, y + 0.5) == n &&
                     paletteButtonAt(p.shapes, x + 0.5, y + d + 0.5) == n;
            if (ok)
                return cache[n] = {x, y};
        }
    return {-1, -1};
}

struct ButtonTest : ::testing::Test {
    TestPalette palette{LEFT, TOP};
    void SetUp() override {
        SetCursorPos(5, 5); // away from the palette: every leave request is answered at once
        flushEvents(150);
        for (HWND b : palette.buttons)
            ValidateRect(b, nullptr);
        palette.commands.clear();
    }
    LRESULT send(int n, UINT message) {
        POINT p = fieldPoint(palette, n);
        return SendMessageA(palette.buttons[n], message, message == WM_MOUSELEAVE ? 0 : MK_LBUTTON * 0,
                            MAKELPARAM(p.x, p.y));
    }
    // Whether the button asked to be repainted since the last look; the request is then cleared.
    bool repaintRequested(int n) {
        bool requested = GetUpdateRect(palette.buttons[n], nullptr, FALSE) != 0;
        ValidateRect(palette.buttons[n], nullptr);
        return requested;
    }
    ButtonRecord& record(int n) { return palette.records[n]; }
};

// Leave tracking as the platform holds it for this thread: the window and flags, or null.
HWND trackedWindow(DWORD* flags) {
    TRACKMOUSEEVENT query = {};
    query.cbSize = sizeof query;
    query.dwFlags = TME_QUERY;
    TrackMouseEvent(&query);
    *flags = query.dwFlags;
    return query.hwndTrack;
}

// Real pointer moves: entering shows the hover look and requests a leave notice, leaving restores
// the normal look. Within one entry the request is made once only.
TEST_F(ButtonTest, HoverLookAndOneLeaveRequestPerEntry) {
    const int n = BUTTON_N_ERASER;
    POINT p = fieldPoint(palette, n);
    SetCursorPos(LEFT + p.x, TOP + p.y);
    waitFor([&] { return record(n).tracking == 1; }, 300);
    EXPECT_EQ(record(n).state, BUTTON_HOVER);
    EXPECT_EQ(record(n).picture, 103);
    EXPECT_EQ(record(n).tracking, 1);
    DWORD flags = 0;
    EXPECT_EQ(trackedWindow(&flags), palette.buttons[n]);
    EXPECT_EQ(flags & (TME_LEAVE | TME_HOVER), DWORD(TME_LEAVE | TME_HOVER)) << std::hex << flags;
    SetCursorPos(5, 5);
    waitFor([&] { return !record(n).tracking; }, 2000);
    EXPECT_EQ(record(n).state, BUTTON_NORMAL);
    EXPECT_EQ(record(n).picture, 101);
    EXPECT_EQ(record(n).tracking, 0);
    // Enter again, then drop the platform's tracking: a further move inside makes no new request.
    SetCursorPos(LEFT + p.x, TOP + p.y);
    waitFor([&] { return record(n).tracking == 1; }, 300);
    ASSERT_EQ(record(n).tracking, 1);
    TRACKMOUSEEVENT cancel = {};
    cancel.cbSize = sizeof cancel;
    cancel.dwFlags = TME_CANCEL | TME_LEAVE | TME_HOVER;
    cancel.hwndTrack = palette.buttons[n];
    TrackMouseEvent(&cancel);
    ValidateRect(palette.buttons[n], nullptr);
    send(n, WM_MOUSEMOVE);
    EXPECT_NE(trackedWindow(&flags), palette.buttons[n]);
    EXPECT_TRUE(repaintRequested(n)); // but it repaints on every move
    EXPECT_EQ(send(n, WM_MOUSEHOVER), 0);
    send(n, WM_MOUSELEAVE);
    EXPECT_EQ(record(n).tracking, 0);
    EXPECT_EQ(palette.commands, std::vector<WPARAM>{});
    SetCursorPos(5, 5);
    flushEvents(100);
}

TEST_F(ButtonTest, DoubleClickCountsAsOneClick) {
    const int n = BUTTON_N_CLEAR;
    send(n, WM_MOUSEMOVE);
    send(n, WM_LBUTTONDOWN);
    EXPECT_EQ(record(n).picture, 102);
    send(n, WM_LBUTTONUP);
    send(n, WM_LBUTTONDBLCLK); // default processing: no press
    send(n, WM_LBUTTONUP);     // finds no press: repaint only
    ASSERT_EQ(palette.commands.size(), 1u);
    EXPECT_EQ(palette.commands[0], WPARAM(100302)); // the whole 32-bit id, above 65535
    EXPECT_EQ(record(n).state, BUTTON_NORMAL);
    EXPECT_EQ(record(n).picture, 103); // the action pops up in the hover picture
    EXPECT_TRUE(repaintRequested(n));
}

TEST_F(ButtonTest, PressMoveOffReleaseSendsNothingAndResetsTheTool) {
    const int n = BUTTON_N_PEN; // the selected tool
    ASSERT_EQ(record(n).state, BUTTON_DOWN);
    send(n, WM_MOUSEMOVE);
    send(n, WM_LBUTTONDOWN);
    send(n, WM_MOUSELEAVE);
    send(n, WM_LBUTTONUP);
    EXPECT_EQ(palette.commands, std::vector<WPARAM>{});
    EXPECT_EQ(record(n).state, BUTTON_NORMAL);
    EXPECT_EQ(record(n).picture, 101);
    EXPECT_EQ(record(n).pressed, 0);
    // A completed click on a tool leaves it down and reports it.
    send(n, WM_MOUSEMOVE);
    send(n, WM_LBUTTONDOWN);
    send(n, WM_LBUTTONUP);
    ASSERT_EQ(palette.commands.size(), 1u);
    EXPECT_EQ(palette.commands[0], WPARAM(100308));
    EXPECT_EQ(record(n).state, BUTTON_DOWN);
    EXPECT_EQ(record(n).picture, 102);
}

TEST_F(ButtonTest, ToggleLeftWhilePressedGetsItsOldLookBack) {
    const int n = BUTTON_N_DESKTOP;
    record(n).state = BUTTON_DOWN;
    record(n).picture = 103; // on, as the palette shows desktop mode
    send(n, WM_LBUTTONDOWN);
    EXPECT_EQ(record(n).state, BUTTON_NORMAL);
    EXPECT_EQ(record(n).picture, 101);
    send(n, WM_MOUSELEAVE);
    EXPECT_EQ(record(n).state, BUTTON_DOWN);
    EXPECT_EQ(record(n).picture, 103);
    send(n, WM_LBUTTONUP);
    EXPECT_EQ(palette.commands, std::vector<WPARAM>{});
    // A completed click flips it and reports it; the next one flips it back.
    send(n, WM_LBUTTONDOWN);
    send(n, WM_LBUTTONUP);
    EXPECT_EQ(record(n).state, BUTTON_NORMAL);
    send(n, WM_LBUTTONDOWN);
    send(n, WM_LBUTTONUP);
    EXPECT_EQ(record(n).state, BUTTON_DOWN);
    EXPECT_EQ(record(n).picture, 102);
    ASSERT_EQ(palette.commands.size(), 2u);
    EXPECT_EQ(palette.commands[1], WPARAM(100304));
}

TEST_F(ButtonTest, SwatchesEyesAndWidthsNeverChangeLook) {
    const struct {
        int n;
        WPARAM command;
    } cases[] = {{BUTTON_N_BLACK + 3, 100104},
                 {BUTTON_N_RIGHT_EYE, 100401},
                 {BUTTON_N_LEFT_EYE, 100402},
                 {BUTTON_N_WIDTH_0 + 2, 100203}};
    for (const auto& c : cases) {
        palette.commands.clear();
        ButtonRecord before = record(c.n);
        send(c.n, WM_MOUSEMOVE);
        EXPECT_FALSE(repaintRequested(c.n)) << c.n;
        send(c.n, WM_LBUTTONDOWN);
        EXPECT_EQ(record(c.n).picture, before.picture) << c.n;
        EXPECT_EQ(record(c.n).state, before.state) << c.n;
        send(c.n, WM_LBUTTONUP);
        EXPECT_EQ(record(c.n).picture, before.picture) << c.n;
        EXPECT_EQ(record(c.n).state, before.state) << c.n;
        ASSERT_EQ(palette.commands.size(), 1u) << c.n;
        EXPECT_EQ(palette.commands[0], c.command) << c.n;
        send(c.n, WM_MOUSELEAVE);
    }
}

TEST_F(ButtonTest, RimsNeverReactToThePointer) {
    for (int n : {BUTTON_N_COLOUR_RIM, BUTTON_N_WIDTH_RIM}) {
        ButtonRecord before = record(n);
        for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSELEAVE})
            EXPECT_EQ(send(n, m), 0);
        EXPECT_EQ(std::memcmp(&before, &record(n), sizeof before), 0) << n;
        EXPECT_FALSE(repaintRequested(n)) << n;
    }
    EXPECT_EQ(palette.commands, std::vector<WPARAM>{});
}

TEST_F(ButtonTest, ButtonWithoutRecordDoesNothing) {
    HWND bare = CreateWindowExA(0, TOOL_BUTTON_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 220, 220,
                                palette.parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(buttonRecordOf(bare), nullptr);
    for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSELEAVE})
        SendMessageA(bare, m, 0, MAKELPARAM(10, 10));
    InvalidateRect(bare, nullptr, TRUE);
    UpdateWindow(bare); // paints nothing, but the paint is done
    EXPECT_EQ(GetUpdateRect(bare, nullptr, FALSE), FALSE);
    EXPECT_EQ(palette.commands, std::vector<WPARAM>{});
    // It cannot be closed.
    SendMessageA(bare, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(bare));
    DestroyWindow(bare);
}

// Real input: a press on the face drags the palette with the pointer until the release; no command.
struct Drag {
    POINT from;
    int dx, dy;
};
DWORD WINAPI dragOnThread(void* p) {
    const Drag* d = static_cast<const Drag*>(p);
    SetCursorPos(d->from.x, d->from.y);
    Sleep(150);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    Sleep(150);
    for (int i = 1; i <= 10; ++i) {
        SetCursorPos(d->from.x + d->dx * i / 10, d->from.y + d->dy * i / 10);
        mouse_event(MOUSEEVENTF_MOVE, 0, 0, 0, 0);
        Sleep(30);
    }
    Sleep(150);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    return 0;
}

TEST_F(ButtonTest, PressingTheFaceMovesThePaletteAndSendsNoCommand) {
    POINT face = fieldPoint(palette, BUTTON_N_FACE);
    RECT before;
    GetWindowRect(palette.parent, &before);
    Drag drag = {{before.left + face.x, before.top + face.y}, 60, 40};
    HANDLE thread = CreateThread(nullptr, 0, dragOnThread, &drag, 0, nullptr);
    waitFor([&] { return WaitForSingleObject(thread, 0) != WAIT_TIMEOUT; }, 2000);
    flushEvents(300); // the release, the last input of the drag, handled: nothing tells when
    EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
    CloseHandle(thread);
    RECT after;
    GetWindowRect(palette.parent, &after);
    EXPECT_NEAR(after.left - before.left, 60, 3);
    EXPECT_NEAR(after.top - before.top, 40, 3);
    ASSERT_EQ(palette.captionPresses.size(), 1u);
    EXPECT_EQ(palette.captionPresses[0], WPARAM(HTCAPTION));
    EXPECT_EQ(palette.commands, std::vector<WPARAM>{});
    EXPECT_EQ(record(BUTTON_N_FACE).picture, 100);
    SetCursorPos(5, 5);
}

// Live GDI objects of this process. Windows counts them (GetGuiResources); Wine returns 0 there,
// but its handles are slot numbers in the low word and a handle with a zero high word names
// whatever lives in that slot, so asking every slot for its object type counts them.
int liveGdiObjects() {
    int count = int(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    if (count > 0)
        return count;
    for (uintptr_t slot = 1; slot < 0x10000; ++slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0)
            ++count;
    return count;
}

TEST_F(ButtonTest, LongRunOfHoverAndPressCyclesKeepsPainting) {
    const int tool = BUTTON_N_LINE, swatch = BUTTON_N_BLACK + 1;
    int objectsBefore = liveGdiObjects();
    const DWORD start = GetTickCount();
    int paints = 0;
    for (int i = 0; i < 1000; ++i) {
        for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSELEAVE}) {
            send(tool, m);
            UpdateWindow(palette.buttons[tool]);
            ++paints;
        }
        if (i % 5 == 0) {
            InvalidateRect(palette.buttons[swatch], nullptr, TRUE);
            UpdateWindow(palette.buttons[swatch]);
            ++paints;
        }
    }
    const DWORD elapsed = GetTickCount() - start;
    std::printf("%d paints in %lu ms\n", paints, static_cast<unsigned long>(elapsed));
    int objectsAfter = liveGdiObjects();
    EXPECT_LT(objectsAfter - objectsBefore, 20)
        << objectsBefore << " GDI objects before, " << objectsAfter << " after";
    palette.commands.clear();
    // Painting still works: the tool shows the picture its record names, the swatch its colour.
    record(tool).picture = PICTURE_PRESSED;
    InvalidateRect(palette.buttons[tool], nullptr, TRUE);
    UpdateWindow(palette.buttons[tool]);
    flushEvents(100);
    POINT t = fieldPoint(palette, tool), s = fieldPoint(palette, swatch);
    HBITMAP pressed =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(PICTURE_PRESSED),
                                        IMAGE_BITMAP, 220, 220, LR_DEFAULTCOLOR));
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, pressed);
    COLORREF expected = GetPixel(memory, t.x, t.y);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(pressed);
    EXPECT_EQ(screenPixel(LEFT + t.x, TOP + t.y), expected);
    EXPECT_EQ(screenPixel(LEFT + s.x, TOP + s.y), RGB(255, 0, 0));
}

} // namespace
