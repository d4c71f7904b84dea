// The tool palette under Wine with its real buttons, pages and containers: start state, tooltips,
// every command, the modes, hiding, toggling and the trip home. One palette per process (its
// state is process-wide), so the cases run in order on the same palette.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "win32/layered.h"
#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "win32/monitors.h"
#include "win32/ids.h"
#include "board/board.h"
#include "board/board_storage.h"
#include "pages/picture_file.h"
#include "board/core/board_bar_layout.h"
#include "palette/palette_state.h"
#include "palette/tool_button.h"
#include "pages/core/highlight.h"
#include "palette/core/tool_strip_layout.h"
#include "palette/tool_strip.h"
#include "presenting/core/presenting_rules.h"
#include "win32/key_colour.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/palette_point.h"
#include "tests/support/screen.h"

namespace {

HWND owner = nullptr;
HWND palette = nullptr;

// As the main window makes it: owned, hidden, then layered with the key colour and topmost.
HWND createPalette() {
    HWND p = CreateWindowExA(0, "qv_tool", "", WS_POPUP | WS_CLIPCHILDREN,
                             GetSystemMetrics(SM_CXSCREEN) - 255, GetSystemMetrics(SM_CYSCREEN) - 255, 220,
                             220, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(p, GWL_EXSTYLE, GetWindowLongPtrA(p, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
    setLayeredWindowAttributes(p, 0xC8C8C8, 255, LWA_COLORKEY);
    SetWindowPos(p, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return p;
}

// A click as the pointer gives it: press and release on the button.
void click(int n) {
    SendMessageA(buttonWindows[n], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(110, 110));
    SendMessageA(buttonWindows[n], WM_LBUTTONUP, 0, MAKELPARAM(110, 110));
}

bool visible(HWND h) {
    return IsWindowVisible(h) != FALSE;
}

// A touch on the window leaves the active window as it is: the window carries WS_EX_NOACTIVATE and
// answers WM_MOUSEACTIVATE with MA_NOACTIVATE (a child answers for itself, or its parent's answer
// would activate the palette).
::testing::AssertionResult neverActivated(HWND w, bool child = false) {
    const LONG_PTR ex = GetWindowLongPtrA(w, GWL_EXSTYLE);
    const LRESULT answer = SendMessageA(w, WM_MOUSEACTIVATE, WPARAM(child ? GetParent(w) : w),
                                        MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    if ((ex & WS_EX_NOACTIVATE) && answer == MA_NOACTIVATE)
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "ex-style 0x%lX, WM_MOUSEACTIVATE answered %ld",
                  static_cast<unsigned long>(ex), static_cast<long>(answer));
    return ::testing::AssertionFailure() << text;
}

// Shown, the page and its container are topmost, and the palette is above the page.
::testing::AssertionResult topmostUnderThePalette(int i) {
    for (HWND w : {pageWindows[i], containerWindows[i]})
        if (!(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOPMOST))
            return ::testing::AssertionFailure()
                   << (w == pageWindows[i] ? "page " : "container ") << i << " is not topmost";
    for (HWND w = GetWindow(pageWindows[i], GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        if (w == palette)
            return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the palette is below page " << i;
}

// A press and release on a field of the board bar, laid out at the screen's DPI or at `dpi`.
void tapBar(int field, int dpi = 0) {
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
    }
    const BarRect r = barFieldRect(field, dpi);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(boardBarWindow, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(boardBarWindow, WM_LBUTTONUP, 0, at);
}

void stroke(HWND page, int x0, int x1, int y) {
    SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x0, y));
    SendMessageA(page, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x1, y));
    SendMessageA(page, WM_LBUTTONUP, 0, MAKELPARAM(x1, y));
}

constexpr COLORREF GRID_LINE = RGB(0xA8, 0xD0, 0xF0);

// What the board's container paints at (x, y) as its background.
COLORREF containerBackground(int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap =
        CreateCompatibleBitmap(screen, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageA(containerWindows[1], WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return c;
}

class Palette : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ensureProgramClasses();
        removeBoardFiles();
        settings.showPaletteAtStart = 0;
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        palette = createPalette();
        flushEvents(100);
    }
};

TEST_F(Palette, StartsHiddenWithThePenSelectedAndNoPageCurrent) {
    ASSERT_TRUE(palette);
    EXPECT_FALSE(visible(palette)) << "\"Save\" 0: no palette at start";
    EXPECT_EQ(drawState.currentPage, nullptr);
    EXPECT_EQ(drawState.tool, 100308);
    EXPECT_EQ(drawState.penWidth, 4);
    EXPECT_EQ(drawState.eraserSize, 16);
    EXPECT_EQ(drawState.colour, 0u);
    EXPECT_EQ(penWidthIndex, 1);
    EXPECT_EQ(eraserSizeIndex, 1);
    EXPECT_EQ(buttonRecords[BUTTON_N_PEN].state, 2);
    EXPECT_EQ(buttonRecords[BUTTON_N_PEN].picture, 102);
    EXPECT_EQ(buttonRecords[BUTTON_N_COLOUR_RIM].picture, 113);
    EXPECT_EQ(buttonRecords[BUTTON_N_WIDTH_RIM].picture, 118);
    EXPECT_EQ(buttonRecords[BUTTON_N_CLEAR].kind, BUTTON_ACTION);
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].kind, BUTTON_TOGGLE);
    EXPECT_EQ(buttonRecords[BUTTON_N_BOARD].kind, BUTTON_TOGGLE);
    EXPECT_EQ(buttonRecords[BUTTON_N_FACE].picture, 100);
    for (int n : {4, 5, 6, 7, 8, 9, 10}) {
        EXPECT_EQ(buttonRecords[n].state, 0) << n;
        EXPECT_EQ(buttonRecords[n].picture, 101) << n;
    }
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        ASSERT_TRUE(IsWindow(buttonWindows[n])) << n;
        EXPECT_EQ(GetParent(buttonWindows[n]), palette) << n;
        EXPECT_EQ(buttonRecordOf(buttonWindows[n]), &buttonRecords[n]) << n;
        EXPECT_TRUE(GetWindowLongPtrA(buttonWindows[n], GWL_STYLE) & WS_VISIBLE) << n;
        RECT box;
        EXPECT_NE(GetWindowRgnBox(buttonWindows[n], &box), ERROR) << "button " << n << " has no region";
    }
}

TEST_F(Palette, MakesBothPagesWithTheirContainersLayeredAsTheBoardNeeds) {
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(IsWindow(pageWindows[i])) << i;
        ASSERT_TRUE(IsWindow(containerWindows[i])) << i;
        EXPECT_FALSE(visible(pageWindows[i])) << i;
        EXPECT_EQ(GetWindow(pageWindows[i], GW_OWNER), containerWindows[i]) << i;
        EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrA(containerWindows[i], 0)), pageWindows[i]) << i;
        EXPECT_EQ(pageRecordOf(pageWindows[i]), &pageRecords[i]) << i;
        EXPECT_EQ(pageRecords[i].settings, &drawState) << i;
        EXPECT_NE(pageRecords[i].memDC, nullptr) << "page " << i << " got no UM_PAGE_INIT";
        const LONG_PTR pageEx = GetWindowLongPtrA(pageWindows[i], GWL_EXSTYLE);
        EXPECT_TRUE(pageEx & WS_EX_LAYERED) << i;
        EXPECT_TRUE(pageEx & WS_EX_TOOLWINDOW) << i;
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        ASSERT_TRUE(GetLayeredWindowAttributes(pageWindows[i], &key, &alpha, &flags)) << i;
        EXPECT_EQ(key, 0xC8C8C8u);
        EXPECT_EQ(flags, (DWORD)LWA_COLORKEY);
    }
    const LONG_PTR c1 = GetWindowLongPtrA(containerWindows[0], GWL_EXSTYLE);
    const LONG_PTR c2 = GetWindowLongPtrA(containerWindows[1], GWL_EXSTYLE);
    EXPECT_TRUE((c1 & WS_EX_LAYERED) && (c1 & WS_EX_TOOLWINDOW));
    EXPECT_TRUE(!(c2 & WS_EX_LAYERED) && (c2 & WS_EX_TOOLWINDOW)) << "the board is opaque";
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(neverActivated(pageWindows[i])) << "page " << i;
        EXPECT_TRUE(neverActivated(containerWindows[i])) << "container " << i;
    }
    EXPECT_TRUE(neverActivated(palette)) << "palette";
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        EXPECT_TRUE(neverActivated(buttonWindows[n], true)) << "button " << n;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(containerWindows[0], nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 1);
    EXPECT_EQ(flags, (DWORD)LWA_ALPHA);
}

TEST_F(Palette, TooltipsCarryTheButtonsTexts) {
    ASSERT_TRUE(IsWindow(tooltipWindow)) << "tooltips_class32 was not registered";
    EXPECT_EQ(SendMessageA(tooltipWindow, TTM_GETTOOLCOUNT, 0, 0), PALETTE_BUTTON_COUNT);
    const char* expected[PALETTE_BUTTON_COUNT] = {"",
                                                  "",
                                                  "Minimizar",
                                                  "Restaurar",
                                                  "Borrar",
                                                  "Limpiar",
                                                  "Cortar",
                                                  "Windows / Nota",
                                                  "Windows / Velmora",
                                                  "Elipse",
                                                  "L\xEDnea",
                                                  "Pluma",
                                                  "Color",
                                                  "Color",
                                                  "Color",
                                                  "Color",
                                                  "Espesor ",
                                                  "Espesor ",
                                                  "Espesor ",
                                                  "Espesor ",
                                                  "",
                                                  "Deshacer",
                                                  "Rehacer",
                                                  "Guardar",
                                                  "M\xE1s herramientas"};
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        char text[80] = "?";
        TOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = palette;
        info.uId = reinterpret_cast<UINT_PTR>(buttonWindows[n]);
        info.lpszText = text;
        SendMessageA(tooltipWindow, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(std::string(text), expected[n]) << "button " << n;
        EXPECT_EQ(std::string(tooltipTexts[n]), expected[n]) << "button " << n;
    }
}

TEST_F(Palette, ColourAndWidthBeforeAnyModeChangeOnlyTheSettingsAndRims) {
    ShowWindow(palette, SW_SHOWNORMAL);
    click(BUTTON_N_BLACK + 1); // red
    EXPECT_EQ(drawState.colour, 0x0000FFu);
    EXPECT_EQ(buttonRecords[BUTTON_N_COLOUR_RIM].picture, 114);
    click(BUTTON_N_WIDTH_0 + 2);
    EXPECT_EQ(drawState.penWidth, 8);
    EXPECT_EQ(penWidthIndex, 2);
    EXPECT_EQ(drawState.eraserSize, 16);
    EXPECT_EQ(buttonRecords[BUTTON_N_WIDTH_RIM].picture, 119);
    EXPECT_EQ(drawState.currentPage, nullptr);
    EXPECT_FALSE(visible(pageWindows[0]) || visible(pageWindows[1]));
}

TEST_F(Palette, FirstToolClickSwitchesDesktopModeOn) {
    click(BUTTON_N_LINE);
    EXPECT_EQ(drawState.tool, 100307);
    EXPECT_EQ(buttonRecords[BUTTON_N_LINE].state, 2);
    EXPECT_EQ(buttonRecords[BUTTON_N_LINE].picture, 102);
    EXPECT_EQ(buttonRecords[BUTTON_N_PEN].state, 0);
    EXPECT_EQ(buttonRecords[BUTTON_N_PEN].picture, 101);
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].state, 2);
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].picture, 103);
    EXPECT_EQ(drawState.currentPage, pageWindows[0]);
    EXPECT_TRUE(visible(pageWindows[0]));
    EXPECT_TRUE(visible(containerWindows[0]));
    EXPECT_FALSE(visible(pageWindows[1]));
    flushEvents(100);
    saveScreenshot(shotPath("palette_desktop_mode.bmp").c_str());
}

TEST_F(Palette, ClickingTheCurrentToolAgainOnlyTellsThePage) {
    pageRecords[0].dragState = DRAG_HELD; // as if a stroke were under way
    click(BUTTON_N_LINE);
    EXPECT_EQ(pageRecords[0].dragState, 0) << "UM_PAGE_TOOL_CHANGED was not sent";
    EXPECT_EQ(buttonRecords[BUTTON_N_LINE].state, 2);
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].state, 2);
    EXPECT_EQ(drawState.tool, 100307);
}

TEST_F(Palette, EraserHasItsOwnWidthAndTheRimFollowsTheToolInUse) {
    click(BUTTON_N_ERASER);
    EXPECT_EQ(buttonRecords[BUTTON_N_WIDTH_RIM].picture, 118) << "the rim shows the eraser's size";
    EXPECT_EQ(buttonRecords[BUTTON_N_LINE].state, 0);
    click(BUTTON_N_WIDTH_0 + 3);
    EXPECT_EQ(drawState.eraserSize, 64);
    EXPECT_EQ(eraserSizeIndex, 3);
    EXPECT_EQ(drawState.penWidth, 8) << "the pen's width must stay";
    EXPECT_EQ(buttonRecords[BUTTON_N_WIDTH_RIM].picture, 120);
    click(BUTTON_N_PEN);
    EXPECT_EQ(buttonRecords[BUTTON_N_WIDTH_RIM].picture, 117 + penWidthIndex);
    EXPECT_EQ(drawState.tool, 100308);
}

TEST_F(Palette, PenDrawsOnTheCurrentPageAndClearEmptiesIt) {
    TestPage view = {containerWindows[0], pageWindows[0], pageRecords[0]};
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 100));
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(300, 100));
    view.record = pageRecords[0];
    EXPECT_EQ(canvasPixel(&view, 200, 100), RGB(255, 0, 0));
    click(BUTTON_N_CLEAR);
    EXPECT_EQ(countInked(&view, {0, 0, canvasExtent.x, canvasExtent.y}), 0);
    EXPECT_EQ(drawState.tool, 100308) << "clear changes nothing else";
    EXPECT_EQ(buttonRecords[BUTTON_N_CLEAR].state, 0);
}

TEST_F(Palette, BoardModeReplacesDesktopMode) {
    click(BUTTON_N_BOARD);
    EXPECT_FALSE(visible(pageWindows[0]));
    EXPECT_FALSE(visible(containerWindows[0]));
    EXPECT_TRUE(visible(pageWindows[1]));
    EXPECT_TRUE(visible(containerWindows[1]));
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].state, 0);
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].picture, 101);
    EXPECT_EQ(buttonRecords[BUTTON_N_BOARD].state, 2);
    EXPECT_EQ(drawState.currentPage, pageWindows[1]);
    EXPECT_TRUE(topmostUnderThePalette(1));
    waitFor([] { return screenPixel(20, 20) == RGB(200, 200, 200); }, 2000, 20);
    EXPECT_EQ(screenPixel(20, 20), RGB(200, 200, 200)) << "the grey board";
    saveScreenshot(shotPath("palette_board_mode.bmp").c_str());
    // Switched off again: no page is visible, the board page stays current.
    click(BUTTON_N_BOARD);
    EXPECT_FALSE(visible(pageWindows[1]) || visible(containerWindows[1]));
    EXPECT_EQ(drawState.currentPage, pageWindows[1]);
    click(BUTTON_N_BOARD);
    EXPECT_TRUE(visible(pageWindows[1]));
}

// The board bar comes with the board, above its page and never activated; its buttons add, turn
// and colour pages, and each page keeps its own drawing, background and undo.
TEST_F(Palette, TheBoardBarTurnsPagesEachWithItsOwnDrawingBackgroundAndUndo) {
    ASSERT_TRUE(IsWindow(boardBarWindow));
    EXPECT_TRUE(visible(boardBarWindow)) << "no bar with the board";
    EXPECT_EQ(GetWindow(boardBarWindow, GW_OWNER), pageWindows[1]) << "the bar is not above the board's page";
    const LONG_PTR ex = GetWindowLongPtrA(boardBarWindow, GWL_EXSTYLE);
    EXPECT_EQ(ex & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW), WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)
        << std::hex << ex;
    EXPECT_EQ(SendMessageA(boardBarWindow, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(pageWindows[1]),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
    // Alt+F4 (the close command, with the low bits the system may set) leaves the bar up.
    SendMessageA(boardBarWindow, WM_SYSCOMMAND, SC_CLOSE | 0x2, 0);
    flushEvents(50);
    ASSERT_TRUE(IsWindow(boardBarWindow)) << "the bar was closed from the keyboard";
    EXPECT_TRUE(visible(boardBarWindow));
    RECT bar;
    GetWindowRect(boardBarWindow, &bar);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs((bar.left + bar.right) - w), 1) << "not centred: " << bar.left << ".." << bar.right;
    EXPECT_GT(bar.bottom, h * 9 / 10) << "not at the bottom";
    EXPECT_LE(bar.bottom, h);

    TestPage view = {containerWindows[1], pageWindows[1], pageRecords[1]};
    const RECT all = {0, 0, canvasExtent.x, canvasExtent.y};
    stroke(pageWindows[1], 100, 300, 150); // page 1
    tapBar(BAR_ADD);
    ASSERT_EQ(boardIndex().pages.size(), 2u);
    EXPECT_EQ(boardIndex().shown, 1);
    view.record = pageRecords[1];
    EXPECT_EQ(countInked(&view, all), 0) << "a new page is blank";
    stroke(pageWindows[1], 100, 300, 250); // page 2, on white
    tapBar(BAR_BACKGROUND);
    EXPECT_EQ(shownBackground(), BACKGROUND_WHITE);
    EXPECT_EQ(containerBackground(5, 5), RGB(255, 255, 255));

    tapBar(BAR_PREVIOUS);
    view.record = pageRecords[1];
    EXPECT_EQ(canvasPixel(&view, 200, 150), RGB(255, 0, 0)) << "page 1 lost its stroke";
    EXPECT_EQ(canvasPixel(&view, 200, 250), RGB(200, 200, 200)) << "page 2's stroke is on page 1";
    EXPECT_EQ(containerBackground(5, 5), RGB(200, 200, 200)) << "page 1 is on the grey board";
    SendMessageA(pageWindows[1], UM_PAGE_UNDO, 0, 0);
    view.record = pageRecords[1];
    EXPECT_EQ(canvasPixel(&view, 200, 150), RGB(200, 200, 200)) << "undo on page 1 left its stroke";

    tapBar(BAR_NEXT);
    view.record = pageRecords[1];
    EXPECT_EQ(canvasPixel(&view, 200, 250), RGB(255, 0, 0)) << "undo on page 1 reached page 2";
    EXPECT_EQ(containerBackground(5, 5), RGB(255, 255, 255));
    tapBar(BAR_NEXT); // nothing after the last page
    EXPECT_EQ(boardIndex().shown, 1);
    tapBar(BAR_BACKGROUND);
    EXPECT_EQ(containerBackground(0, 3), RGB(0xA8, 0xD0, 0xF0)) << "no grid line at the left edge";
    EXPECT_EQ(containerBackground(3, 3), RGB(255, 255, 255));
    tapBar(BAR_BACKGROUND);
    EXPECT_EQ(containerBackground(3, 3), RGB(0, 0, 0)) << "black after squared";

    // Page 1's undone stroke comes back by redo, on page 1 only.
    tapBar(BAR_PREVIOUS);
    SendMessageA(pageWindows[1], UM_PAGE_REDO, 0, 0);
    view.record = pageRecords[1];
    EXPECT_EQ(canvasPixel(&view, 200, 150), RGB(255, 0, 0)) << "redo on page 1";
    // Leaving the board hides the bar.
    click(BUTTON_N_DESKTOP);
    EXPECT_FALSE(visible(boardBarWindow)) << "the bar stays without the board";
    click(BUTTON_N_BOARD);
    EXPECT_TRUE(visible(boardBarWindow));
}

std::vector<MonitorEntry> testMonitors;
std::vector<MonitorEntry> fromTable() {
    return testMonitors;
}

std::string rectText(const RECT& r);

// The bar's window and its tips' rectangles (from the tooltip control), and what they are at a DPI
// on the whole screen.
std::string barSeen() {
    RECT r = {};
    GetWindowRect(boardBarWindow, &r);
    std::string seen = rectText(r);
    for (HWND tips : topLevelWindows(TOOLTIPS_CLASSA, GetCurrentProcessId()))
        for (int f = 0; f < BOARD_BAR_FIELD_COUNT && GetWindow(tips, GW_OWNER) == boardBarWindow; ++f) {
            TOOLINFOA info = {};
            info.cbSize = sizeof info;
            info.hwnd = boardBarWindow;
            info.uId = UINT_PTR(f);
            if (SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)))
                seen += "; " + rectText(info.rect);
        }
    return seen;
}
std::string barAt(int dpi) {
    int32_t x = 0, y = 0;
    barPosition({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, dpi, &x, &y);
    const BarRect size = barSize(dpi);
    std::string at = rectText({x, y, x + size.right, y + size.bottom});
    for (int f = 0; f < BOARD_BAR_FIELD_COUNT; ++f) {
        const BarRect r = barFieldRect(f, dpi);
        at += f == BAR_LABEL ? "" : "; " + rectText({r.left, r.top, r.right, r.bottom});
    }
    return at;
}

// The board's monitor at 150 %: the bar takes that size at the bottom centre, its tips and buttons
// their 144-DPI rectangles, whether it learns of the scale by the board moving or by WM_DPICHANGED
// (not by one without a scale or a rectangle, nor from the rectangle suggested). Back at 100 % it
// is as it was.
TEST_F(Palette, TheBoardBarTakesTheScaleOfTheBoardsMonitor) {
    ASSERT_TRUE(visible(boardBarWindow)) << "the board is shown";
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(barSeen(), barAt(96));
    testMonitors = {{"\\\\.\\DISPLAY1", {0, 0, w, h}, {0, 0, w, h}, true, "", 144}};
    monitorSource = fromTable;
    takeBoardMonitor();
    SendMessageA(palette, UM_BOARD_MOVED, 0, 0);
    EXPECT_EQ(barSeen(), barAt(144));
    // The squares are the board monitor's too: 60 pixels on it at 150 %, on a system at 100 %.
    const BoardBackground background = shownBackground();
    for (int i = 0; i < BACKGROUND_COUNT && shownBackground() != BACKGROUND_SQUARED; ++i)
        tapBar(BAR_BACKGROUND, 144);
    ASSERT_EQ(shownBackground(), BACKGROUND_SQUARED);
    EXPECT_EQ(containerBackground(60, 3), GRID_LINE) << "no line of a 150 % square";
    EXPECT_EQ(containerBackground(40, 3), RGB(255, 255, 255)) << "a square of 100 % on the board at 150 %";
    const int shown = boardIndex().shown;
    tapBar(BAR_NEXT, 144);
    EXPECT_EQ(boardIndex().shown, shown + 1) << "the next page's button at its 144-DPI place";
    tapBar(BAR_PREVIOUS, 144);
    EXPECT_EQ(boardIndex().shown, shown);

    testMonitors[0].dpi = 96;
    takeBoardMonitor();
    SendMessageA(palette, UM_BOARD_MOVED, 0, 0);
    EXPECT_EQ(barSeen(), barAt(96));
    testMonitors[0].dpi = 144;
    takeBoardMonitor();
    RECT suggested = {0, 0, 10, 10};
    SendMessageA(boardBarWindow, WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&suggested));
    SendMessageA(boardBarWindow, WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    EXPECT_EQ(barSeen(), barAt(96));
    SendMessageA(boardBarWindow, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(barSeen(), barAt(144));

    monitorSource = systemMonitors;
    takeBoardMonitor();
    SendMessageA(palette, UM_BOARD_MOVED, 0, 0);
    EXPECT_EQ(barSeen(), barAt(96));
    EXPECT_EQ(containerBackground(40, 3), GRID_LINE) << "the squares did not follow the board back to 100 %";
    tapBar(BAR_NEXT);
    EXPECT_EQ(boardIndex().shown, shown + 1);
    tapBar(BAR_PREVIOUS);
    for (int i = 0; i < BACKGROUND_COUNT && shownBackground() != background; ++i)
        tapBar(BAR_BACKGROUND);
}

std::wstring widened(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

bool readText(const std::wstring& path, std::string* text) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    text->assign(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    const bool whole = text->empty() || (ReadFile(file, &(*text)[0], DWORD(text->size()), &got, nullptr) &&
                                         got == text->size());
    CloseHandle(file);
    return whole;
}

// The board's folder read as the program reads it at start: the index, and a file that decodes for
// every page it names.
::testing::AssertionResult boardOnDisk(size_t pages, BoardIndex* index) {
    std::wstring folder;
    std::string text;
    if (!boardFolder(&folder) || !readText(folder + L"\\indice.txt", &text) || !parseBoardIndex(text, index))
        return ::testing::AssertionFailure() << "no index that reads";
    const std::string seen = formatBoardIndex(*index);
    if (index->pages.size() != pages)
        return ::testing::AssertionFailure()
               << "the index names " << index->pages.size() << " pages, not " << pages << ":\n"
               << seen;
    for (size_t i = 0; i < pages; ++i) {
        BoardPageFile file;
        if (!decodePngFile(folder + L"\\" + widened(pageFileName(index->pages[i].fileId)), &file))
            return ::testing::AssertionFailure() << "page " << i + 1 << " has no file that reads:\n" << seen;
    }
    return ::testing::AssertionSuccess();
}

// A scanner holds the fresh file of a page just added (as an antivirus does), so its first write
// fails. The index on disk stays as it was, naming only pages with a file (a crash now brings the
// board back as it was before the page), the save is not counted done, and once the file is let
// go it is written with nothing more changed: the page, then the index naming it.
TEST_F(Palette, APageThatCannotBeWrittenIsTriedAgainAndTheIndexWaitsForItsFile) {
    saveBoardNow();
    BoardIndex before;
    ASSERT_TRUE(boardOnDisk(boardIndex().pages.size(), &before));
    std::wstring folder;
    ASSERT_TRUE(boardFolder(&folder));
    const uint32_t id = boardIndex().nextFileId;
    HANDLE held = CreateFileW((folder + L"\\" + widened(pageFileName(id)) + L".tmp").c_str(), GENERIC_WRITE,
                              0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    tapBar(BAR_ADD);
    stroke(pageWindows[1], 100, 300, 350);
    // The save is due a second after the change; then its writes are tried.
    waitFor([] { return !waitBoardSaves(0); }, 5000, 20);
    flushEvents(1500); // the writes tried and given up meanwhile: nothing must reach the index
    BoardIndex during;
    EXPECT_TRUE(boardOnDisk(before.pages.size(), &during))
        << "while the new page's file could not be written";
    EXPECT_EQ(formatBoardIndex(during), formatBoardIndex(before));
    EXPECT_FALSE(waitBoardSaves(0)) << "a save that could not be written counts as done";

    CloseHandle(held);
    EXPECT_TRUE(waitBoardSaves(6000)) << "not tried again once the file was let go";
    BoardIndex after;
    ASSERT_TRUE(boardOnDisk(before.pages.size() + 1, &after));
    EXPECT_EQ(after.pages[size_t(after.shown)].fileId, id);
    BoardPageFile page;
    ASSERT_TRUE(decodePngFile(folder + L"\\" + widened(pageFileName(id)), &page));
    EXPECT_EQ(page.pixels[size_t(350 * page.width + 200)], 0xFF0000u) << "the new page's stroke";
}

// The PDF files of a folder that hold something (a name only reserved is empty).
std::vector<std::wstring> writtenPdfs(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.pdf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        if (found.nFileSizeLow || found.nFileSizeHigh)
            names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

struct PaletteAsked {
    std::wstring folder;
    size_t pdfsBefore = 0;
    LRESULT answer = 0;
    bool answered = false;
    bool beforeThePdf = false; // the answer came while the PDF was not written yet
};

DWORD WINAPI askThePalette(void* context) {
    PaletteAsked* asked = static_cast<PaletteAsked*>(context);
    DWORD_PTR answer = 0;
    asked->answered =
        SendMessageTimeoutA(palette, WM_MOUSEACTIVATE, WPARAM(palette), MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN),
                            SMTO_NORMAL, 5000, &answer) != 0;
    asked->answer = LRESULT(answer);
    asked->beforeThePdf = writtenPdfs(asked->folder).size() == asked->pdfsBefore;
    return 0;
}

// Pumps the program's messages until the PDF under way is told; the PDFs written meanwhile go.
void finishPdf(const std::wstring& folder) {
    const std::vector<std::wstring> before = writtenPdfs(folder);
    waitFor([] { return !boardPdfWriting(); }, 60000, 20);
    for (const std::wstring& name : writtenPdfs(folder))
        if (std::find(before.begin(), before.end(), name) == before.end())
            DeleteFileW((folder + L"\\" + name).c_str());
}

// "Nueva pizarra" replaces the board only once its PDF is written, and only with the board as the
// PDF has it: a stroke drawn while the PDF is written keeps the old board, stroke and all.
TEST_F(Palette, ANewBoardComesOnlyOnceItsPdfIsWrittenAndNeverOverAChangeMadeMeanwhile) {
    std::wstring folder;
    std::string reason;
    ASSERT_TRUE(pictureFolder(&folder, &reason)) << reason;
    for (const std::wstring& name : writtenPdfs(folder))
        DeleteFileW((folder + L"\\" + name).c_str());
    const size_t pages = boardIndex().pages.size();
    ASSERT_GT(pages, 1u);
    tapBar(BAR_NEW_BOARD);
    EXPECT_TRUE(boardPdfWriting());
    stroke(pageWindows[1], 100, 300, 450);
    finishPdf(folder);
    EXPECT_EQ(boardIndex().pages.size(), pages) << "the board was replaced over a stroke made meanwhile";
    TestPage view = {containerWindows[1], pageWindows[1], pageRecords[1]};
    EXPECT_EQ(canvasPixel(&view, 200, 450), RGB(255, 0, 0)) << "the stroke made meanwhile";

    // "Salir" while a PDF is written waits for it.
    const size_t written = writtenPdfs(folder).size();
    tapBar(BAR_PDF);
    saveBoardNow();
    EXPECT_EQ(writtenPdfs(folder).size(), written + 1) << "\"Salir\" did not wait for the PDF";
    finishPdf(folder);

    tapBar(BAR_NEW_BOARD);
    finishPdf(folder);
    EXPECT_EQ(boardIndex().pages.size(), 1u) << "no new board once its PDF was written";
    view.record = pageRecords[1];
    EXPECT_EQ(countInked(&view, {0, 0, canvasExtent.x, canvasExtent.y}), 0)
        << "the new board's page is blank";
}

// "PDF" of a full board: the tap returns before the file is written, the palette answers another
// thread meanwhile, and the file, once written, holds all 99 pages.
TEST_F(Palette, APdfOf99PagesIsWrittenWhileThePaletteAnswers) {
    for (int i = 0; i < BOARD_MAX_PAGES && boardIndex().pages.size() < size_t(BOARD_MAX_PAGES); ++i)
        tapBar(BAR_ADD);
    ASSERT_EQ(boardIndex().pages.size(), size_t(BOARD_MAX_PAGES));
    PaletteAsked asked;
    std::string reason;
    ASSERT_TRUE(pictureFolder(&asked.folder, &reason)) << reason;
    const std::vector<std::wstring> before = writtenPdfs(asked.folder);
    asked.pdfsBefore = before.size();
    tapBar(BAR_PDF);
    EXPECT_EQ(writtenPdfs(asked.folder).size(), before.size()) << "the tap waited for the whole PDF";
    HANDLE asking = CreateThread(nullptr, 0, askThePalette, &asked, 0, nullptr);
    ASSERT_NE(asking, nullptr);
    // The program's message loop, which answers the palette's messages, runs meanwhile.
    waitFor([&] { return WaitForSingleObject(asking, 0) != WAIT_TIMEOUT; }, 10000);
    WaitForSingleObject(asking, 10000);
    CloseHandle(asking);
    EXPECT_TRUE(asked.answered && asked.answer == MA_NOACTIVATE)
        << "answered " << asked.answered << ": " << asked.answer;
    EXPECT_TRUE(asked.beforeThePdf) << "the palette answered only once the PDF was written";

    std::vector<std::wstring> now;
    waitFor([&] { return (now = writtenPdfs(asked.folder)).size() != before.size(); }, 120000, 20);
    flushEvents(300); // its balloon
    std::wstring pdf;
    for (const std::wstring& name : now)
        if (std::find(before.begin(), before.end(), name) == before.end())
            pdf = asked.folder + L"\\" + name;
    ASSERT_FALSE(pdf.empty()) << "no PDF written";
    std::string text;
    ASSERT_TRUE(readText(pdf, &text));
    EXPECT_NE(text.find("/Count 99 "), std::string::npos) << "not a PDF of 99 pages";
    DeleteFileW(pdf.c_str());
}

TEST_F(Palette, RightEyeHidesAllAndKeepsTheModesThenToggleShowsThePaletteOnly) {
    click(BUTTON_N_RIGHT_EYE);
    EXPECT_FALSE(visible(palette));
    EXPECT_FALSE(visible(boardBarWindow)) << "the right eye left the board bar";
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(visible(pageWindows[i]) || visible(containerWindows[i])) << i;
    EXPECT_EQ(buttonRecords[BUTTON_N_BOARD].state, 2);
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    EXPECT_TRUE(visible(palette));
    EXPECT_EQ(buttonRecords[BUTTON_N_BOARD].state, 2);
    EXPECT_FALSE(visible(pageWindows[1]));
}

TEST_F(Palette, ToggleWhileShownHidesAndSwitchesBothModesOff) {
    click(BUTTON_N_DESKTOP);
    EXPECT_TRUE(visible(pageWindows[0]));
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    EXPECT_FALSE(visible(palette));
    EXPECT_FALSE(visible(pageWindows[0]) || visible(containerWindows[0]));
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].state, 0);
    EXPECT_EQ(buttonRecords[BUTTON_N_DESKTOP].picture, 101);
    EXPECT_EQ(buttonRecords[BUTTON_N_BOARD].state, 0);
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    EXPECT_TRUE(visible(palette));
    EXPECT_FALSE(visible(pageWindows[0]));
}

TEST_F(Palette, LeftEyeBringsThePaletteHome) {
    MoveWindow(palette, 40, 60, 220, 220, TRUE);
    click(BUTTON_N_LEFT_EYE);
    RECT r;
    GetWindowRect(palette, &r);
    const RECT work = primaryWorkArea(); // the palette's home is 35 px in from its corner
    EXPECT_EQ(r.left, work.right - 255);
    EXPECT_EQ(r.top, work.bottom - 255);
    EXPECT_EQ(r.right - r.left, 220);
}

TEST_F(Palette, CommandIdsOutsideTheTableAndKeyboardCloseAreIgnored) {
    const DrawState before = drawState;
    ButtonRecord records[PALETTE_BUTTON_COUNT];
    std::memcpy(records, buttonRecords, sizeof records);
    const WPARAM ids[] = {0,
                          IDM_PALETTE,
                          100000,
                          100001,
                          100100,
                          100105,
                          100200,
                          100205,
                          100300,
                          100399,
                          100400,
                          100407,
                          0x186A4 /* 100004 */,
                          static_cast<WPARAM>(100308) & 0xFFFF};
    for (WPARAM id : ids)
        SendMessageA(palette, WM_COMMAND, id, 0);
    if (sizeof(WPARAM) > 4)
        SendMessageA(palette, WM_COMMAND, (static_cast<WPARAM>(1) << 32) | 100301, 0);
    EXPECT_EQ(std::memcmp(&before, &drawState, sizeof before), 0) << "DrawState changed";
    EXPECT_EQ(std::memcmp(records, buttonRecords, sizeof records), 0) << "a button changed";
    EXPECT_TRUE(visible(palette));
    SendMessageA(palette, WM_SYSCOMMAND, SC_CLOSE, 0);
    flushEvents(50);
    EXPECT_TRUE(IsWindow(palette));
    EXPECT_TRUE(visible(palette));
    saveScreenshot(shotPath("palette_shown.bmp").c_str());
}

// The bounding box of a button's window region, in its client coordinates.
RECT regionBox(HWND button) {
    RECT box = {};
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(button, region) != ERROR)
        GetRgnBox(region, &box);
    DeleteObject(region);
    return box;
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Dragged onto a monitor at 150 % (the system says so with WM_DPICHANGED and a suggested rectangle),
// the palette takes that rectangle, its buttons the new size and their regions 1.5 times their old
// ones; a button hit at its scaled inner point is still that button. Back at 100 % all is as before.
// A press and release on button i of the tool strip, laid out at dpi.
void tapStrip(int i, int dpi = 96) {
    const StripRect r = stripButtonRect(i, dpi);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(toolStripWindow, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(toolStripWindow, WM_LBUTTONUP, 0, at);
}

// The strip's own paint at (x, y) of its client area.
COLORREF stripPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 400, 200);
    HGDIOBJ old = SelectObject(dc, bitmap);
    paintToolStripContent(dc);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return c;
}

std::string tipText(HWND tips, HWND owner, UINT_PTR id) {
    char text[80] = "?";
    TOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = owner;
    info.uId = id;
    info.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

// "Más herramientas" opens the strip beside the palette: two buttons of 48 x 48 with their tips; it
// follows the palette, a tool picked in it is the tool (the desktop page comes on when no page is
// shown), shows as chosen and closes the strip; the right eye hides it; at 144 DPI its buttons are
// 72 x 72. The rectangle and the arrow then draw on the page, one undo step each.
TEST_F(Palette, MoreToolsOpensTheStripWhoseToolsArePickedAndDrawOneStepEach) {
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    if (!visible(palette))
        SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0); // shown, with both modes off
    ASSERT_TRUE(visible(palette));
    ASSERT_FALSE(visible(pageWindows[0]) || visible(pageWindows[1]));
    ASSERT_TRUE(IsWindow(toolStripWindow));
    EXPECT_FALSE(visible(toolStripWindow)) << "the strip is closed until asked for";
    EXPECT_EQ(GetWindow(toolStripWindow, GW_OWNER), palette);
    EXPECT_TRUE(GetWindowLongPtrA(toolStripWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(neverActivated(toolStripWindow));

    click(BUTTON_N_MORE_TOOLS);
    EXPECT_TRUE(visible(toolStripWindow));
    EXPECT_EQ(buttonRecords[BUTTON_N_MORE_TOOLS].state, 2);
    EXPECT_EQ(buttonRecords[BUTTON_N_MORE_TOOLS].picture, 102);
    RECT pal = {}, strip = {};
    GetWindowRect(palette, &pal);
    GetWindowRect(toolStripWindow, &strip);
    EXPECT_EQ(strip.right - strip.left, stripSize(96).right);
    EXPECT_EQ(strip.bottom - strip.top, stripSize(96).bottom);
    EXPECT_TRUE(strip.bottom <= pal.top || strip.top >= pal.bottom) << "the strip covers the palette";
    EXPECT_EQ(stripButtonRect(0, 96).right - stripButtonRect(0, 96).left, 48);
    HWND tips = reinterpret_cast<HWND>(GetWindowLongPtrA(toolStripWindow, GWLP_USERDATA));
    ASSERT_TRUE(IsWindow(tips));
    EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), STRIP_TOOL_COUNT);
    const int rectangleRow = stripToolOfCommand(TOOL_RECTANGLE), arrowRow = stripToolOfCommand(TOOL_ARROW);
    for (int k = 0; k < HIGHLIGHTER_COLOURS; ++k)
        EXPECT_EQ(tipText(tips, toolStripWindow, stripToolOfCommand(TOOL_HIGHLIGHTER_FIRST + k)),
                  "Resaltador");
    EXPECT_EQ(tipText(tips, toolStripWindow, rectangleRow), "Rect\xE1ngulo");
    EXPECT_EQ(tipText(tips, toolStripWindow, arrowRow), "Flecha");

    // It follows the palette.
    MoveWindow(palette, 300, 400, 220, 220, TRUE);
    GetWindowRect(toolStripWindow, &strip);
    EXPECT_EQ(strip.left, 300);
    EXPECT_EQ(strip.bottom, 400 - 6);
    // Pressed again, the button closes it.
    click(BUTTON_N_MORE_TOOLS);
    EXPECT_FALSE(visible(toolStripWindow));
    EXPECT_EQ(buttonRecords[BUTTON_N_MORE_TOOLS].state, 0);

    // The arrow: the tool, the desktop page on, the strip closed, the arrow shown chosen.
    click(BUTTON_N_MORE_TOOLS);
    tapStrip(arrowRow);
    EXPECT_EQ(drawState.tool, TOOL_ARROW);
    EXPECT_FALSE(visible(toolStripWindow)) << "picking a tool closes the strip";
    EXPECT_TRUE(visible(pageWindows[0])) << "no page after picking the arrow";
    EXPECT_EQ(drawState.currentPage, pageWindows[0]);
    EXPECT_EQ(buttonRecords[BUTTON_N_PEN].state, 0);
    EXPECT_EQ(buttonRecords[BUTTON_N_MORE_TOOLS].state, 2) << "the ring shows a strip tool in use";
    const StripRect r0 = stripButtonRect(rectangleRow, 96), r1 = stripButtonRect(arrowRow, 96);
    EXPECT_EQ(stripPixel(r1.left + 5, r1.top + 5), RGB(213, 151, 88)) << "the arrow is not shown chosen";
    EXPECT_EQ(stripPixel(r0.left + 5, r0.top + 5), RGB(178, 178, 178));

    // An arrow to the right: the shaft, the head's tip at the end point, one undo removes it.
    HDC canvas = pageRecords[0].memDC;
    drawState.colour = RGB(255, 0, 0);
    stroke(pageWindows[0], 100, 300, 600);
    EXPECT_EQ(GetPixel(canvas, 180, 600), RGB(255, 0, 0)) << "no shaft";
    EXPECT_EQ(GetPixel(canvas, 299, 600), RGB(255, 0, 0)) << "no head at the end point";
    EXPECT_EQ(GetPixel(canvas, 300 - 5 * drawState.penWidth + 2, 600 + 2 * drawState.penWidth),
              RGB(255, 0, 0))
        << "the head is not as wide as long";
    EXPECT_EQ(GetPixel(canvas, 310, 600), KEY_COLOUR) << "the arrow runs past the end point";
    SendMessageA(pageWindows[0], UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(GetPixel(canvas, 180, 600), KEY_COLOUR) << "one undo left the arrow";
    stroke(pageWindows[0], 100, 110, 650); // shorter than the head: nothing
    EXPECT_EQ(GetPixel(canvas, 105, 650), KEY_COLOUR);

    // The rectangle: its outline, nothing inside.
    click(BUTTON_N_MORE_TOOLS);
    tapStrip(rectangleRow);
    EXPECT_EQ(drawState.tool, TOOL_RECTANGLE);
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 500));
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(500, 560));
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(600, 620));
    for (POINT p : {POINT{400, 560}, POINT{600, 560}, POINT{500, 500}, POINT{500, 620}, POINT{400, 500},
                    POINT{600, 620}})
        EXPECT_EQ(GetPixel(canvas, p.x, p.y), RGB(255, 0, 0)) << p.x << "," << p.y;
    EXPECT_EQ(GetPixel(canvas, 500, 560), KEY_COLOUR) << "the rectangle is filled";
    EXPECT_EQ(GetPixel(canvas, 500, 530), KEY_COLOUR) << "the rubber band reached the canvas";
    SendMessageA(pageWindows[0], UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(GetPixel(canvas, 400, 560), KEY_COLOUR) << "one undo left the rectangle";

    // The green highlighter across a red pen line, out and back over itself: the line stays red,
    // the rest of the band is the page's pixels blended with green (whatever the screen shows under
    // the page here, the same grey all along), the part passed twice is the shade of the part
    // passed once, the band is four pens wide, and one undo takes it whole.
    click(BUTTON_N_PEN);
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(700, 300)); // a red line down
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(700, 500));
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(700, 500));
    click(BUTTON_N_MORE_TOOLS);
    tapStrip(stripToolOfCommand(TOOL_HIGHLIGHTER_FIRST + 1));
    EXPECT_EQ(drawState.tool, TOOL_HIGHLIGHTER_FIRST + 1);
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 400)); // out and back
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(800, 400));
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(640, 400));
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(640, 400));
    EXPECT_EQ(GetPixel(canvas, 700, 400), RGB(255, 0, 0)) << "the highlight covered the ink";
    EXPECT_EQ(GetPixel(canvas, 760, 400), GetPixel(canvas, 615, 400)) << "passed twice, the band is darker";
    const COLORREF band = GetPixel(canvas, 650, 400);
    EXPECT_NE(band, KEY_COLOUR) << "no highlight";
    EXPECT_GT(GetGValue(band), GetRValue(band)) << "the highlight is not green";
    const int half = highlighterWidth(drawState.penWidth, 96) / 2;
    EXPECT_NE(GetPixel(canvas, 650, 400 + half - 2), KEY_COLOUR) << "the band is narrower than four pens";
    EXPECT_EQ(GetPixel(canvas, 650, 400 + half + 3), KEY_COLOUR) << "the band is wider than four pens";
    // The same highlighter with the page's reads ahead of the finger handled between touches, as it
    // does while it waits for the next one (only those: a mouse move of Wine's own, without the
    // button, would end the stroke): each pixel of the band is what the screen showed there before
    // the stroke blended with the marker, the ink still red.
    flushEvents(200);
    const int samples[] = {610, 650, 690, 760, 795};
    std::vector<COLORREF> before;
    HDC screen = GetDC(nullptr);
    for (int x : samples)
        before.push_back(GetPixel(screen, x, 450));
    ReleaseDC(nullptr, screen);
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 450));
    int readsAhead = 0;
    for (int x = 604; x <= 800; x += 4) {
        MSG m;
        while (PeekMessageA(&m, pageWindows[0], UM_PAGE_READ_AHEAD, UM_PAGE_READ_AHEAD, PM_REMOVE)) {
            DispatchMessageA(&m);
            ++readsAhead;
        }
        SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 450));
    }
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(800, 450));
    EXPECT_GT(readsAhead, 0) << "the page asked for no read ahead";
    for (size_t i = 0; i < before.size(); ++i) {
        const COLORREF b = before[i];
        const uint32_t blended =
            blendHighlight((GetRValue(b) << 16) | (GetGValue(b) << 8) | GetBValue(b),
                           highlighterPixel(TOOL_HIGHLIGHTER_FIRST + 1), KEY_COLOUR_PIXEL);
        EXPECT_EQ(GetPixel(canvas, samples[i], 450),
                  RGB(blended >> 16, (blended >> 8) & 0xFF, blended & 0xFF))
            << "the band read ahead at x " << samples[i] << " over " << std::hex << b;
    }
    EXPECT_EQ(GetPixel(canvas, 700, 450), RGB(255, 0, 0)) << "the highlight read ahead covered the ink";
    SendMessageA(pageWindows[0], UM_PAGE_UNDO, 0, 0);
    SendMessageA(pageWindows[0], UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(GetPixel(canvas, 650, 400), KEY_COLOUR) << "one undo left the highlight";
    EXPECT_EQ(GetPixel(canvas, 700, 400), RGB(255, 0, 0)) << "the undo took the ink";

    // The text tool: a tap opens the box at the tap, holding the keyboard's text; blue and the third
    // width picked while it is open restyle it (48-pixel letters) and leave it open; the right eye
    // puts its text on the page as one step. Esc, and a box of blanks, put nothing.
    click(BUTTON_N_MORE_TOOLS);
    tapStrip(stripToolOfCommand(TOOL_TEXT));
    EXPECT_EQ(drawState.tool, TOOL_TEXT);
    auto tapText = [&](int x, int y) {
        SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        HWND box = FindWindowA("qv_text_box", nullptr);
        return box && visible(box) ? FindWindowExA(box, nullptr, "EDIT", nullptr) : nullptr;
    };
    auto type = [](HWND edit, const wchar_t* text) {
        for (const wchar_t* c = text; *c; ++c)
            SendMessageW(edit, WM_CHAR, *c, 1);
    };
    // The rows of the canvas with blue in them, between y0 and y1 right of x0.
    auto blueRows = [&](int x0, int y0, int y1) {
        int rows = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x0 + 200; ++x)
                if (GetPixel(canvas, x, y) == RGB(0, 0, 255)) {
                    ++rows;
                    break;
                }
        return rows;
    };
    HWND edit = tapText(200, 200);
    ASSERT_NE(edit, nullptr) << "a tap opened no text box";
    type(edit, L"Hola \u00e9");
    click(BUTTON_N_BLACK + 3);
    click(BUTTON_N_WIDTH_0 + 2);
    EXPECT_TRUE(visible(GetParent(edit))) << "a colour or a width closed the box";
    EXPECT_EQ(blueRows(190, 150, 260), 0) << "the text reached the page while the box is open";
    click(BUTTON_N_RIGHT_EYE);
    EXPECT_FALSE(IsWindow(edit)) << "the right eye left the box open";
    const int rows = blueRows(190, 150, 260);
    EXPECT_GT(rows, 30) << "the letters are not of the third width's size (48 pixels)";
    EXPECT_LT(rows, 56);
    SendMessageA(pageWindows[0], UM_PAGE_UNDO, 0, 0);
    EXPECT_EQ(blueRows(190, 150, 260), 0) << "one undo left the text";
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0); // the palette alone, its desktop mode kept on
    click(BUTTON_N_DESKTOP);
    if (!visible(pageWindows[0]))
        click(BUTTON_N_DESKTOP);
    ASSERT_TRUE(visible(pageWindows[0]));
    edit = tapText(200, 400);
    ASSERT_NE(edit, nullptr);
    type(edit, L"nada");
    SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_FALSE(IsWindow(edit)) << "Esc left the box open";
    edit = tapText(200, 400);
    ASSERT_NE(edit, nullptr);
    type(edit, L"  \r  ");
    tapText(600, 700); // outside it: the box closes, no other opens
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(FindWindowA("qv_text_box", nullptr), nullptr) << "a tap outside the box opened another";
    EXPECT_EQ(blueRows(190, 350, 460), 0) << "Esc or blanks put something on the page";
    click(BUTTON_N_WIDTH_0 + 1);
    drawState.colour = RGB(0, 0, 0);

    // The right eye hides the open strip with the palette; at 144 DPI the strip's buttons are 72.
    click(BUTTON_N_MORE_TOOLS);
    click(BUTTON_N_RIGHT_EYE);
    EXPECT_FALSE(visible(toolStripWindow));
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    click(BUTTON_N_MORE_TOOLS);
    GetWindowRect(palette, &pal);
    RECT suggested = {pal.left, pal.top, pal.left + 330, pal.top + 330};
    SendMessageA(palette, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(toolStripWindow, &strip);
    EXPECT_EQ(strip.right - strip.left, stripSize(144).right);
    EXPECT_EQ(strip.bottom - strip.top, stripSize(144).bottom);
    EXPECT_EQ(stripButtonRect(1, 144).right - stripButtonRect(1, 144).left, 72);
    RECT back = {pal.left, pal.top, pal.left + 220, pal.top + 220};
    SendMessageA(palette, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    GetWindowRect(toolStripWindow, &strip);
    EXPECT_EQ(strip.right - strip.left, stripSize(96).right);
    click(BUTTON_N_PEN);
    EXPECT_FALSE(visible(toolStripWindow));
    EXPECT_EQ(buttonRecords[BUTTON_N_MORE_TOOLS].state, 0);
    EXPECT_EQ(buttonRecords[BUTTON_N_PEN].state, 2);
    click(BUTTON_N_DESKTOP); // the desktop page off, as the cases after this one expect
}

// The presenting tools from the strip: the spotlight covers the board's monitor under the palette
// (the desktop page on under it), its button picked again ends it and brings the pen back; the
// shade follows the board's monitor when it changes and ends when the pen is picked on the ring;
// the pointer's touches on the page show its dot,
// change no pixel of the page, and a second after the lift the dot is gone; the right eye ends the
// spotlight with the palette and brings back the drawing tool in use before the pointer.
TEST_F(Palette, PresentingToolsCoverTheBoardUnderThePaletteAndEndByTheirButtonAnotherToolOrTheEye) {
    if (!visible(palette))
        SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    ASSERT_TRUE(visible(palette));
    auto pick = [](int32_t tool) {
        click(BUTTON_N_MORE_TOOLS);
        tapStrip(stripToolOfCommand(tool));
    };
    auto shown = [](const char* cls) {
        HWND w = FindWindowA(cls, nullptr);
        return w && visible(w) ? w : nullptr;
    };
    const RECT board = boardArea();
    pick(TOOL_SPOTLIGHT);
    EXPECT_EQ(drawState.tool, TOOL_SPOTLIGHT);
    HWND spotlight = shown("qv_spotlight");
    ASSERT_NE(spotlight, nullptr) << "no spotlight";
    // Its windows (the circle's square and the dimmed panes around it) cover the monitor together.
    RECT r = {}, covered = {0, 0, 0, 0};
    for (HWND w : topLevelWindows("qv_spotlight", GetCurrentProcessId()))
        if (visible(w)) {
            EXPECT_TRUE(neverActivated(w));
            GetWindowRect(w, &r);
            UnionRect(&covered, &covered, &r);
        }
    EXPECT_TRUE(EqualRect(&covered, &board)) << "the spotlight does not cover the board's monitor";
    EXPECT_TRUE(visible(pageWindows[0])) << "the desktop page takes the circle's touches";
    bool paletteAbove = false;
    for (HWND w = GetWindow(spotlight, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        paletteAbove = paletteAbove || w == palette;
    EXPECT_TRUE(paletteAbove) << "the palette is under the spotlight";
    pick(TOOL_SPOTLIGHT);
    EXPECT_EQ(shown("qv_spotlight"), nullptr) << "its button did not end it";
    EXPECT_EQ(drawState.tool, TOOL_PEN) << "the pen did not come back";

    pick(TOOL_SHADE);
    HWND shade = shown("qv_shade");
    ASSERT_NE(shade, nullptr) << "no shade";
    GetWindowRect(shade, &r);
    EXPECT_TRUE(EqualRect(&r, &board)) << "the shade does not cover the board's monitor";
    // The board's monitor changes (here: half the size at 150 %): the shade follows it, and back.
    testMonitors = {{"\\\\.\\DISPLAY1",
                     {0, 0, board.right / 2, board.bottom / 2},
                     {0, 0, board.right / 2, board.bottom / 2},
                     true,
                     "",
                     144}};
    monitorSource = fromTable;
    takeBoardMonitor();
    SendMessageA(palette, UM_BOARD_MOVED, 0, 0);
    GetWindowRect(shade, &r);
    EXPECT_EQ(r.right, board.right / 2) << "the shade did not follow the board's monitor";
    EXPECT_EQ(r.bottom, board.bottom / 2);
    monitorSource = systemMonitors;
    takeBoardMonitor();
    SendMessageA(palette, UM_BOARD_MOVED, 0, 0);
    GetWindowRect(shade, &r);
    EXPECT_TRUE(EqualRect(&r, &board)) << "the shade did not come back with the board's monitor";
    click(BUTTON_N_PEN);
    EXPECT_EQ(shown("qv_shade"), nullptr) << "a drawing tool did not end the shade";

    // The pointer: the dot in a window of its own, the dot's box at the finger at the board's scale,
    // which a touch moves; the trail in a second window under it, drawn once a tick (by a touch when a
    // tick has passed, so a timer held off by the touches never leaves it behind), not by each touch;
    // the trail of a resting finger fades on its timer, and the dot stays.
    pick(TOOL_POINTER);
    HDC canvas = pageRecords[0].memDC;
    const COLORREF before = GetPixel(canvas, 300, 300);
    const std::vector<HWND> pointer = topLevelWindows("qv_pointer", GetCurrentProcessId());
    ASSERT_EQ(pointer.size(), 2u) << "the dot's window and the trail's";
    constexpr LONG_PTR CLICK_THROUGH_ON_TOP = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST;
    for (HWND w : pointer) {
        EXPECT_TRUE(neverActivated(w));
        EXPECT_EQ(GetWindowLongPtrA(w, GWL_EXSTYLE) & CLICK_THROUGH_ON_TOP, CLICK_THROUGH_ON_TOP);
    }
    auto shownPointer = [&] {
        std::vector<HWND> now;
        for (HWND w : pointer)
            if (visible(w))
                now.push_back(w);
        return now;
    };
    auto onScreen = [](int x, int y) {
        POINT p = {x, y};
        ClientToScreen(pageWindows[0], &p);
        return PxPoint{p.x, p.y};
    };
    auto boxOf = [](HWND w) {
        RECT r = {};
        GetWindowRect(w, &r);
        return rectText(r);
    };
    auto dotBox = [](PxPoint p) {
        const PxRect d = dotBounds(p, boardDpi());
        return rectText({d.left, d.top, d.right, d.bottom});
    };
    // The messages handled, but for the mouse's: Wine tells the page of windows coming up under the
    // mouse with a move, which carries no button here and would end the touch. Until `done`, or for
    // `ms`; false when it was not done.
    auto pumpButMouse = [](DWORD ms, const std::function<bool()>& done) {
        const DWORD start = GetTickCount();
        MSG msg;
        for (;;) {
            while (PeekMessageA(&msg, nullptr, 0, WM_MOUSEFIRST - 1, PM_REMOVE) ||
                   PeekMessageA(&msg, nullptr, WM_MOUSELAST + 1, 0xFFFF, PM_REMOVE))
                DispatchMessageA(&msg);
            if (done && done())
                return true;
            if (GetTickCount() - start >= ms)
                return false;
            Sleep(1);
        }
    };
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(250, 300));
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(350, 300));
    std::vector<HWND> now = shownPointer();
    ASSERT_EQ(now.size(), 1u) << "no dot, or a trail drawn by a touch within a tick of the last draw";
    HWND dot = now[0], trail = dot == pointer[0] ? pointer[1] : pointer[0];
    EXPECT_EQ(boxOf(dot), dotBox(onScreen(350, 300)));
    Sleep(40); // more than a tick, no message handled
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(450, 300));
    EXPECT_EQ(boxOf(dot), dotBox(onScreen(450, 300))) << "the dot did not follow the finger";
    ASSERT_TRUE(visible(trail)) << "no trail behind the moving dot without its timer";
    RECT trailBox = {};
    GetWindowRect(trail, &trailBox);
    EXPECT_GE(trailBox.right, dotBounds(onScreen(450, 300), boardDpi()).right) << "the trail is behind";
    bool dotAbove = false;
    for (HWND w = GetWindow(trail, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV))
        dotAbove = dotAbove || w == dot;
    EXPECT_TRUE(dotAbove) << "the trail covers the dot";
    const PxPoint centre = onScreen(450, 300);
    EXPECT_TRUE(pumpButMouse(1000, [&] { return screenPixel(centre.x, centre.y) == RGB(0xFF, 0x20, 0x20); }))
        << "the trail covers the dot on the screen";
    // More than a tick with no message let through: the next touch draws the trail, and the touch
    // right after it, within the tick, must not.
    Sleep(40);
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(455, 300));
    const std::string trailBefore = boxOf(trail);
    SendMessageA(pageWindows[0], WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(460, 300));
    EXPECT_EQ(boxOf(dot), dotBox(onScreen(460, 300))) << "the dot did not follow the finger";
    EXPECT_EQ(boxOf(trail), trailBefore) << "a touch drew the trail within a tick of the last draw";
    pumpButMouse(700, nullptr); // the trail's timer ticks
    EXPECT_FALSE(visible(trail)) << "the trail of a resting finger did not fade on its timer";
    EXPECT_TRUE(visible(dot)) << "the dot of a resting finger faded";
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(460, 300));
    EXPECT_FALSE(visible(dot)) << "the dot's window is left after the lift";
    EXPECT_TRUE(visible(trail)) << "the dot does not fade where the finger lifted";
    EXPECT_EQ(GetPixel(canvas, 300, 300), before) << "the pointer drew on the page";
    flushEvents(1100);
    EXPECT_TRUE(shownPointer().empty()) << "the dot is left a second after the lift";
    // On a board's monitor of another scale the dot has that scale's size.
    const MonitorBox boardBox = {board.left, board.top, board.right, board.bottom};
    testMonitors = {{"\\\\.\\DISPLAY1", boardBox, boardBox, true, "", 144}};
    monitorSource = fromTable;
    takeBoardMonitor();
    EXPECT_EQ(boardDpi(), 144);
    SendMessageA(pageWindows[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(250, 300));
    EXPECT_EQ(boxOf(dot), dotBox(onScreen(250, 300))) << "the dot kept the size of another scale";
    SendMessageA(pageWindows[0], WM_LBUTTONUP, 0, MAKELPARAM(250, 300));
    monitorSource = systemMonitors;
    takeBoardMonitor();
    flushEvents(1100);
    EXPECT_TRUE(shownPointer().empty());

    pick(TOOL_SPOTLIGHT);
    ASSERT_NE(shown("qv_spotlight"), nullptr);
    click(BUTTON_N_RIGHT_EYE);
    EXPECT_EQ(shown("qv_spotlight"), nullptr) << "the right eye left the spotlight";
    EXPECT_EQ(drawState.tool, TOOL_PEN)
        << "the drawing tool in use before the presenting tools did not come back";
    SendMessageA(palette, UM_TOGGLE_SHOW, 0, 0);
    click(BUTTON_N_PEN);
    if (visible(pageWindows[0]))
        click(BUTTON_N_DESKTOP); // the desktop page off, as the cases after this one expect
}

TEST_F(Palette, MovedToAMonitorOfAnotherScaleTakesItsSize) {
    RECT before = {};
    GetWindowRect(palette, &before);
    RECT boxes96[PALETTE_BUTTON_COUNT];
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        boxes96[n] = regionBox(buttonWindows[n]);
    RECT suggested = {100, 50, 430, 380};
    SendMessageA(palette, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    flushEvents(50);
    RECT now = {};
    GetWindowRect(palette, &now);
    EXPECT_EQ(rectText(now), "100,50 430,380");
    EXPECT_EQ(paletteDpi, 144);
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n) {
        RECT client = {};
        GetClientRect(buttonWindows[n], &client);
        EXPECT_EQ(client.right, 330) << "button " << n;
        EXPECT_EQ(client.bottom, 330) << "button " << n;
        const RECT box = regionBox(buttonWindows[n]), old = boxes96[n];
        EXPECT_NEAR(box.left, old.left * 1.5, 2)
            << "button " << n << ": " << rectText(box) << " was " << rectText(old);
        EXPECT_NEAR(box.bottom, old.bottom * 1.5, 2) << "button " << n << ": " << rectText(box);
        const POINT p = paletteButtonPoint(n, 144);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        GetWindowRgn(buttonWindows[n], region);
        EXPECT_TRUE(PtInRegion(region, p.x, p.y)) << "button " << n << " at " << p.x << "," << p.y;
        DeleteObject(region);
    }
    RECT back = {before.left, before.top, before.left + 220, before.top + 220};
    SendMessageA(palette, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    flushEvents(50);
    GetWindowRect(palette, &now);
    EXPECT_EQ(rectText(now), rectText(before));
    for (int n = 0; n < PALETTE_BUTTON_COUNT; ++n)
        EXPECT_EQ(rectText(regionBox(buttonWindows[n])), rectText(boxes96[n])) << "button " << n;
    SendMessageA(palette, WM_DPICHANGED, 0, 0); // no scale: ignored
    EXPECT_EQ(paletteDpi, 96);
}

// "Si ejecutar Zarpelo al inicio?" answered yes: a palette made with "Save" 1 shows itself once its
// creator has layered it. (Made last: it takes over the process-wide palette state.)
TEST_F(Palette, SaveOneShowsThePaletteAtStart) {
    settings.showPaletteAtStart = 1;
    HWND second = createPalette();
    EXPECT_FALSE(visible(second)) << "shown before its creator made it layered";
    waitFor([&] { return visible(second); }, 2000);
    EXPECT_TRUE(visible(second));
    settings.showPaletteAtStart = 0;
}

} // namespace
