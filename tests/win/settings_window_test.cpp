// The settings window, class "qv_sysset", under Wine: what it draws (from the screen and from its
// paint routine into a memory DC), what presses and its buttons do to the pending copy, the
// settings in effect and the registry.
#include "win32/settings_record.h"
#include "app/core/settings_layout.h"
#include "win32/ids.h"
#include "app/settings_window.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/program_classes.h"
#include "tests/support/registry.h"
#include "tests/support/screen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF BLACK = RGB(0, 0, 0);
constexpr COLORREF GREY = RGB(200, 200, 200);
constexpr COLORREF BACKGROUND = RGB(205, 205, 205);
constexpr COLORREF RED = RGB(255, 0, 0);

std::string colourText(COLORREF c) {
    char s[32];
    std::snprintf(s, sizeof s, "RGB(%d, %d, %d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return s;
}

void setSettings(int32_t showPaletteAtStart, int32_t smoothingPeriod, int32_t lagTime) {
    settings.showPaletteAtStart = showPaletteAtStart;
    settings.smoothingPeriod = smoothingPeriod;
    settings.lagTime = lagTime;
}

// The window as the main window creates it: hidden, centred, 380 x 440.
struct SettingsWindow {
    HWND hwnd = nullptr;
    SettingsWindow() {
        registerProgramClassesOnce();
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        hwnd = CreateWindowExA(0, "qv_sysset", "Configuraci\xF3n del sistema",
                               WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, (w - 380) / 2, (h - 440) / 2, 380,
                               440, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~SettingsWindow() {
        DestroyWindow(hwnd);
        flushEvents(50);
    }
    void toggle() {
        SendMessageA(hwnd, UM_TOGGLE_SHOW, 0, 0);
        flushEvents();
    }
    void press(int x, int y) { SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void click(unsigned id) {
        SendMessageA(GetDlgItem(hwnd, static_cast<int>(id)), BM_CLICK, 0, 0);
        flushEvents();
    }
    bool visible() const { return IsWindowVisible(hwnd) != FALSE; }
    // The client area as it is on the screen.
    std::vector<COLORREF> screen(int* width) const {
        UpdateWindow(hwnd);
        flushEvents(100);
        RECT client;
        GetClientRect(hwnd, &client);
        POINT origin = {0, 0};
        ClientToScreen(hwnd, &origin);
        RECT area = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
        std::vector<COLORREF> pixels;
        captureScreen(area, &pixels);
        *width = client.right;
        return pixels;
    }
    int clientWidth() const {
        RECT client;
        GetClientRect(hwnd, &client);
        return client.right;
    }
};

struct Pixels {
    std::vector<COLORREF> p;
    int width = 0;
    COLORREF at(int x, int y) const {
        const size_t i = static_cast<size_t>(y) * width + x;
        return x >= 0 && x < width && i < p.size() ? p[i] : CLR_INVALID;
    }
};

Pixels screenOf(const SettingsWindow& w) {
    Pixels px;
    px.p = w.screen(&px.width);
    return px;
}

Pixels paintedOf(const SettingsWindow& w) {
    RECT client;
    GetClientRect(w.hwnd, &client);
    DibCanvas canvas(client.right, client.bottom);
    paintSettingsContent(canvas.dc);
    Pixels px;
    px.width = client.right;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            px.p.push_back(canvas.pixel(x, y));
    return px;
}

// The pixels of the three states that follow the pending settings.

// Which box of the Yes/No pair carries the cross: 1 Yes, 0 No, -1 neither or both.
int32_t markedBox(const Pixels& px) {
    // The diagonals cross the box's middle; a quarter of the way down they are off the outline.
    const bool yes = px.at(105, 105) == BLACK && px.at(114, 105) == BLACK && px.at(110, 103) == WHITE;
    const bool no = px.at(225, 105) == BLACK && px.at(234, 105) == BLACK && px.at(230, 103) == WHITE;
    if (yes && !no)
        return 1;
    if (no && !yes)
        return 0;
    return -1;
}

// The box marked is `expected` (1 Yes, 0 No); otherwise says which is and the pixels it read.
::testing::AssertionResult markedBoxIs(const Pixels& px, int32_t expected) {
    const int32_t marked = markedBox(px);
    const char* const names[] = {"neither box or both", "No", "Yes"};
    ::testing::AssertionResult result =
        marked == expected ? ::testing::AssertionSuccess() : ::testing::AssertionFailure();
    result << "marked: " << names[marked + 1] << "; Yes (105, 105) " << colourText(px.at(105, 105))
           << ", (114, 105) " << colourText(px.at(114, 105)) << ", (110, 103) " << colourText(px.at(110, 103))
           << "; No (225, 105) " << colourText(px.at(225, 105)) << ", (234, 105) "
           << colourText(px.at(234, 105)) << ", (230, 103) " << colourText(px.at(230, 103));
    return result;
}

COLORREF cellMiddle(const Pixels& px, int n) {
    const LayoutRect c = settingsCellRect(n);
    return px.at((c.left + c.right) / 2, (c.top + c.bottom) / 2);
}

// How many of the twenty cells are grey, counted from cell 1: -1 when the grey cells are not
// 1..k, -2 when a cell is neither grey nor white.
int32_t greyCells(const Pixels& px) {
    int32_t count = 0;
    for (int n = 1; n <= 20; ++n) {
        const COLORREF inside = cellMiddle(px, n);
        if (inside == GREY) {
            if (count != n - 1)
                return -1; // the grey cells are not 1..k
            ++count;
        } else if (inside != WHITE) {
            return -2;
        }
    }
    return count;
}

// Cells 1 to `expected` are grey and the rest white; otherwise says what each cell's middle is.
::testing::AssertionResult greyCellsAre(const Pixels& px, int32_t expected) {
    const int32_t count = greyCells(px);
    if (count == expected)
        return ::testing::AssertionSuccess() << "cells 1 to " << count << " grey";
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    result << "the cells' middles:";
    for (int n = 1; n <= 20; ++n) {
        const COLORREF inside = cellMiddle(px, n);
        result << " " << n << " "
               << (inside == GREY    ? std::string("grey")
                   : inside == WHITE ? std::string("white")
                                     : colourText(inside))
               << (n < 20 ? "," : "");
    }
    return result;
}

// The number's pixels, drawn the way the window is meant to draw it, onto the value box's white.
std::vector<COLORREF> expectedNumber(const char* digits) {
    const LayoutRect box = SETTINGS_VALUE_BOX;
    DibCanvas canvas(box.right, box.bottom);
    canvas.fill(WHITE);
    LOGFONTA lf = {};
    lf.lfHeight = SETTINGS_NUMBER_HEIGHT;
    lstrcpyA(lf.lfFaceName, "Times New Roman");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(canvas.dc, font);
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextColor(canvas.dc, RED);
    RECT r = {box.left, box.top, box.right, box.bottom};
    DrawTextA(canvas.dc, digits, -1, &r, DT_CENTER | DT_TOP | DT_SINGLELINE);
    SelectObject(canvas.dc, old);
    DeleteObject(font);
    std::vector<COLORREF> inside;
    for (int y = box.top + 1; y < box.bottom - 1; ++y)
        for (int x = box.left + 1; x < box.right - 1; ++x)
            inside.push_back(canvas.pixel(x, y));
    return inside;
}

std::vector<COLORREF> shownNumber(const Pixels& px) {
    const LayoutRect box = SETTINGS_VALUE_BOX;
    std::vector<COLORREF> inside;
    for (int y = box.top + 1; y < box.bottom - 1; ++y)
        for (int x = box.left + 1; x < box.right - 1; ++x)
            inside.push_back(px.at(x, y));
    return inside;
}

int redPixels(const std::vector<COLORREF>& v) {
    int n = 0;
    for (COLORREF c : v)
        n += GetRValue(c) > 200 && GetGValue(c) < 120 && GetBValue(c) < 120;
    return n;
}

// Reads "LagTime", "Save" and "Ouhe" under the (scratch) HKCU.
std::string stored(const char* name) {
    std::string text;
    return readRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, name, &text) ? text : "<missing>";
}

// The registry as WinMain leaves it: the key exists.
void createTolvexKey() {
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, TOLVEX_KEY, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

// Wine has no "Times New Roman", the face the settings window draws its number in;
// scripts/wine-env.sh maps it to the metric-compatible Liberation Serif when it prepares a prefix.
// Without the mapping GDI names its fallback face instead, and every text of the window is drawn
// in that.
TEST(SettingsWindowFont, TimesNewRomanIsMappedToLiberationSerif) {
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTA lf = {};
    lf.lfHeight = 22;
    lstrcpyA(lf.lfFaceName, "Times New Roman");
    HFONT font = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, LF_FACESIZE, face);
    std::string family = "(no outline metrics)";
    std::vector<char> metrics(GetOutlineTextMetricsA(dc, 0, nullptr));
    if (!metrics.empty() && GetOutlineTextMetricsA(dc, UINT(metrics.size()),
                                                   reinterpret_cast<OUTLINETEXTMETRICA*>(metrics.data())))
        family =
            metrics.data() + size_t(reinterpret_cast<OUTLINETEXTMETRICA*>(metrics.data())->otmpFamilyName);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    EXPECT_EQ(std::string(face), "Times New Roman") << "the font file's family: " << family;
}

// Shown with showPaletteAtStart 0 and smoothingPeriod 6: the X in the no box, cells 1 to 6 grey, "06" in red.
TEST(SettingsWindowPaint, ShownStateFollowsTheSettings) {
    ScratchCurrentUser scratch;
    setSettings(0, 6, 10);
    SettingsWindow w;
    ASSERT_NE(w.hwnd, nullptr);
    EXPECT_FALSE(w.visible());
    w.toggle();
    ASSERT_TRUE(w.visible());
    const Pixels px = screenOf(w);
    ASSERT_FALSE(px.p.empty());
    saveWindowPicture(w.hwnd, "settings_window");
    EXPECT_TRUE(markedBoxIs(px, 0));
    EXPECT_TRUE(greyCellsAre(px, 6));
    const std::vector<COLORREF> number = shownNumber(px);
    EXPECT_GT(redPixels(number), 30);
    EXPECT_TRUE(number == expectedNumber("06")) << "the value box does not show \"06\"";
    EXPECT_FALSE(number == expectedNumber("60"));

    // The mark: both diagonals and the bottom edge, pixel for pixel inside the no box.
    for (int i = 1; i < 19; ++i) {
        EXPECT_EQ(px.at(220 + i, 100 + i), BLACK) << "falling diagonal at " << i;
        EXPECT_EQ(px.at(220 + i, 119 - i), BLACK) << "rising diagonal at " << i;
    }
    for (int x = 221; x < 239; ++x)
        EXPECT_EQ(px.at(x, 119), BLACK) << "bottom edge at x " << x;
    EXPECT_EQ(px.at(230, 105), WHITE);
    for (int i = 1; i < 19; ++i)
        EXPECT_EQ(px.at(100 + i, 100 + i), WHITE) << "yes box stays empty at " << i;
}

// The prepared picture: fills and outlines of the layout table.
TEST(SettingsWindowPaint, PictureHasTheFillsAndOutlinesOfTheLayout) {
    setSettings(1, 1, 10);
    SettingsWindow w;
    const int wc = w.clientWidth();
    const Pixels px = paintedOf(w);
    struct Probe {
        int x, y;
        COLORREF colour;
        const char* what;
    } probes[] = {
        {5, 30, BACKGROUND, "background"},
        {0, 30, BLACK, "background's left outline"},
        {30, 0, BLACK, "background's top outline"},
        {5, 150, BACKGROUND, "left of frame 1"},
        {10, 150, BLACK, "frame 1 left outline"},
        {wc - 11, 150, BLACK, "frame 1 right outline"},
        {wc - 10, 150, BACKGROUND, "right of frame 1"},
        {200, 74, BLACK, "frame 1 top outline"},
        {200, 187, BLACK, "frame 1 bottom outline"},
        {200, 150, WHITE, "frame 1 inside"},
        {200, 192, BACKGROUND, "between the frames"},
        {200, 222, BLACK, "frame 2 top outline"},
        {200, 356, BLACK, "frame 2 bottom outline"},
        {200, 330, WHITE, "frame 2 inside"},
        {100, 110, BLACK, "yes box left outline"},
        {105, 110, WHITE, "yes box off the diagonals"},
        {240, 110, WHITE, "right of the no box"},
        {35, 245, BLACK, "line between cells 1 and 2"},
        {27, 247, GREY, "cell 1 filled"},
        {42, 247, WHITE, "cell 2 empty"},
        {319, 247, BLACK, "cell 20 right outline"},
        {320, 247, WHITE, "right of the bar"},
        {328, 240, BLACK, "value box left outline"},
        {357, 240, BLACK, "value box right outline"},
        {340, 260, BLACK, "value box bottom outline"},
        {200, 380, BACKGROUND, "below frame 2"},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(px.at(p.x, p.y), p.colour)
            << p.what << " at (" << p.x << ", " << p.y << ") is " << colourText(px.at(p.x, p.y));
    EXPECT_TRUE(markedBoxIs(px, 1));
    EXPECT_TRUE(greyCellsAre(px, 1));
}

// Every text of the table is drawn, with its face, height and placement, inside its rectangle: the
// window's pixels there equal the text drawn on its own onto the same ground.
TEST(SettingsWindowPaint, EveryTextOfTheTableIsDrawnInItsRectangle) {
    setSettings(1, 1, 10);
    SettingsWindow w;
    const int wc = w.clientWidth();
    const Pixels px = paintedOf(w);
    const SettingsLayout layout = makeSettingsLayout(wc);
    for (const LayoutText& t : layout.texts) {
        // The headings lie on the grey background, everything else inside a white frame.
        bool inFrame = false;
        for (int i = 0; i < 2; ++i) {
            const LayoutRect f = layout.boxes[i].rect;
            inFrame |= t.rect.left > f.left && t.rect.top > f.top && t.rect.bottom < f.bottom;
        }
        DibCanvas canvas(px.width, 440);
        canvas.fill(inFrame ? WHITE : BACKGROUND);
        LOGFONTA lf = {};
        lf.lfHeight = t.height;
        lstrcpyA(lf.lfFaceName, "Times New Roman");
        HFONT font = CreateFontIndirectA(&lf);
        HGDIOBJ old = SelectObject(canvas.dc, font);
        SetBkMode(canvas.dc, TRANSPARENT);
        SetTextColor(canvas.dc, BLACK);
        RECT r = {t.rect.left, t.rect.top, t.rect.right, t.rect.bottom};
        const UINT format = t.placement == TextPlacement::WrapLeft     ? DT_WORDBREAK
                            : t.placement == TextPlacement::TopCentred ? DT_CENTER | DT_SINGLELINE | DT_NOCLIP
                                                                       : DT_SINGLELINE;
        DrawTextA(canvas.dc, t.text, -1, &r, format);
        SelectObject(canvas.dc, old);
        DeleteObject(font);
        int ink = 0, differing = 0;
        // Compare inside the rectangle, leaving out the outlines a scale label's cell touches.
        for (int y = t.rect.top; y < t.rect.bottom; ++y)
            for (int x = t.rect.left; x < t.rect.right; ++x) {
                const COLORREF want = canvas.pixel(x, y);
                if (want == BLACK)
                    ++ink;
                differing += px.at(x, y) != want;
            }
        EXPECT_GT(ink, 5) << "\"" << t.text << "\" left no ink";
        EXPECT_EQ(differing, 0) << "\"" << t.text << "\": " << differing << " pixels differ";
    }
}

TEST(SettingsWindowControls, ThreeButtonsWithTheirCaptionsIdsAndPlaces) {
    setSettings(1, 1, 10);
    SettingsWindow w;
    int count = 0;
    for (HWND child = GetWindow(w.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    EXPECT_EQ(count, 3) << "the window has no child controls but the three buttons";
    for (const LayoutButton& b : SETTINGS_BUTTONS) {
        HWND button = GetDlgItem(w.hwnd, static_cast<int>(b.id));
        ASSERT_NE(button, nullptr) << b.caption;
        EXPECT_EQ(windowText(button), b.caption);
        EXPECT_EQ(windowClassName(button), "Button");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
                  static_cast<DWORD>(WS_CHILD | WS_VISIBLE))
            << b.caption;
        RECT r;
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, w.hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, b.x) << b.caption;
        EXPECT_EQ(r.top, b.y) << b.caption;
        EXPECT_EQ(r.right - r.left, 60) << b.caption;
        EXPECT_EQ(r.bottom - r.top, 26) << b.caption;
    }
}

// The primary monitor goes to 150 % (WM_DPICHANGED with the suggested rectangle): the window takes
// that rectangle, the buttons, the presses and the painting their places half again as large, the
// picture the whole new client; a message without a scale changes nothing; back at 100 % the
// buttons are where they were.
TEST(SettingsWindowScale, ThePrimarysNewScaleResizesButtonsPressesAndPicture) {
    ScratchCurrentUser scratch;
    setSettings(0, 6, 10);
    SettingsWindow w;
    w.toggle();
    RECT before = {};
    GetWindowRect(w.hwnd, &before);
    // The buttons write in the message font, not the log-on's system font, at the window's scale.
    const HWND apply = GetDlgItem(w.hwnd, IDC_APPLY);
    const int at96 = messageFontHeight();
    ASSERT_NE(at96, 0);
    EXPECT_EQ(controlFontHeight(apply), at96);
    const HFONT font96 = reinterpret_cast<HFONT>(SendMessageA(apply, WM_GETFONT, 0, 0));
    SendMessageA(w.hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), 0); // no rectangle: ignored
    RECT suggested = {100, 50, 670, 710};                         // on the screen, where it is read
    SendMessageA(w.hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    flushEvents(100);
    for (const LayoutButton& b : SETTINGS_BUTTONS)
        EXPECT_NEAR(controlFontHeight(GetDlgItem(w.hwnd, static_cast<int>(b.id))), at96 * 1.5, 1.0)
            << b.caption;
    LOGFONTA gone = {};
    EXPECT_EQ(GetObjectA(font96, sizeof gone, &gone), 0) << "the font at 100 % was not deleted when replaced";
    RECT now = {};
    GetWindowRect(w.hwnd, &now);
    EXPECT_EQ(now.right - now.left, 570);
    EXPECT_EQ(now.bottom - now.top, 660);
    for (const LayoutButton& b : SETTINGS_BUTTONS) {
        RECT r;
        GetWindowRect(GetDlgItem(w.hwnd, static_cast<int>(b.id)), &r);
        MapWindowPoints(nullptr, w.hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, (b.x * 3 + 1) / 2) << b.caption;
        EXPECT_EQ(r.top, (b.y * 3 + 1) / 2) << b.caption;
        EXPECT_EQ(r.right - r.left, 90) << b.caption;
        EXPECT_EQ(r.bottom - r.top, 39) << b.caption;
    }
    w.press(165, 165); // the yes box's (110, 110)
    EXPECT_EQ(settingsWindowPending().showPaletteAtStart.load(), 1) << "a press inside the yes box at 150 %";
    const Pixels px = screenOf(w);
    RECT client;
    GetClientRect(w.hwnd, &client);
    EXPECT_EQ(px.at(client.right - 8, client.bottom / 2), RGB(205, 205, 205))
        << "the picture does not reach the right of the client at 150 %";
    EXPECT_EQ(px.at(165, 165), BLACK) << "no mark in the yes box at 150 %"; // where its diagonals cross

    SendMessageA(w.hwnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&before));
    flushEvents(100);
    for (const LayoutButton& b : SETTINGS_BUTTONS) {
        RECT r;
        GetWindowRect(GetDlgItem(w.hwnd, static_cast<int>(b.id)), &r);
        MapWindowPoints(nullptr, w.hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, b.x) << b.caption;
        EXPECT_EQ(r.right - r.left, 60) << b.caption;
    }
    EXPECT_TRUE(markedBoxIs(screenOf(w), 1));

    // To 150 % and back five times, then five times back from a monitor at 150 % whose scale it
    // never took (the box suggested is two thirds of its size): the same size every time.
    EXPECT_EQ(dpiRoundTrips(w.hwnd, 96, 144), steadyRoundTrips("570x660", "380x440"));
}

// Presses edit the pending copy only; first match wins, box tests strict, the band at any x.
TEST(SettingsWindowPresses, CellsBandAndBoxes) {
    ScratchCurrentUser scratch;
    setSettings(0, 6, 10);
    SettingsWindow w;
    w.toggle();
    const SettingsRecord& pending = settingsWindowPending();
    struct Case {
        int x, y;
        int32_t smoothingPeriod;
        const char* what;
    } cases[] = {
        {20 + 15 * 6 + 7, 247, 7, "cell 7"},   {8, 247, 1, "left of cell 1"},
        {330, 247, 20, "right of cell 20"},    {12 + 15 * 6, 247, 6, "cell 6"},
        {340, 238, 20, "value box at y 238"},  {100, 247, 6, "cell 6"},
        {340, 256, 20, "value box at y 256"},  {100, 247, 6, "cell 6"},
        {200, 237, 6, "bar's top outline"},    {200, 257, 6, "just below the band"},
        {340, 234, 6, "value box above band"}, {340, 260, 6, "value box below band"},
    };
    for (const Case& c : cases) {
        w.press(c.x, c.y);
        EXPECT_EQ(pending.smoothingPeriod.load(), c.smoothingPeriod)
            << c.what << " at (" << c.x << ", " << c.y << ")";
    }
    w.press(110, 110);
    EXPECT_EQ(pending.showPaletteAtStart.load(), 1) << "inside the yes box";
    w.press(220, 110);
    EXPECT_EQ(pending.showPaletteAtStart.load(), 1) << "on the no box's outline";
    w.press(239, 119);
    EXPECT_EQ(pending.showPaletteAtStart.load(), 0) << "last pixel inside the no box";
    w.press(120, 110);
    EXPECT_EQ(pending.showPaletteAtStart.load(), 0) << "just right of the yes box";
    w.press(110, 100);
    EXPECT_EQ(pending.showPaletteAtStart.load(), 0) << "on the yes box's top outline";
    // Nothing of this is in effect.
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 6);
    // The window shows the pending copy.
    w.press(110, 110);
    w.press(20 + 15 * 11 + 3, 250);
    const Pixels px = screenOf(w);
    EXPECT_TRUE(markedBoxIs(px, 1));
    EXPECT_TRUE(greyCellsAre(px, 12));
    EXPECT_TRUE(shownNumber(px) == expectedNumber("12"));
}

// A real click with the mouse goes through the window's own input path and repaints.
TEST(SettingsWindowPresses, MouseClickInTheBarRepaintsTheNumber) {
    setSettings(1, 3, 10);
    SettingsWindow w;
    w.toggle();
    SetForegroundWindow(w.hwnd);
    POINT p = {20 + 15 * 14 + 7, 247}; // cell 15
    ClientToScreen(w.hwnd, &p);
    SetCursorPos(p.x, p.y);
    flushEvents(50);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    flushEvents(200);
    EXPECT_EQ(settingsWindowPending().smoothingPeriod.load(), 15);
    const Pixels px = screenOf(w);
    EXPECT_TRUE(greyCellsAre(px, 15));
    EXPECT_TRUE(shownNumber(px) == expectedNumber("15"));
}

// "Defecto" resets the pending copy only; "Cancelar" after it keeps the settings in effect.
TEST(SettingsWindowButtons, DefectoThenCancelarKeepsTheOldSettings) {
    ScratchCurrentUser scratch;
    createTolvexKey();
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "LagTime", "10");
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "0");
    writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Ouhe", "06");
    setSettings(0, 6, 10);
    SettingsWindow w;
    w.toggle();
    w.click(IDC_DEFAULT);
    EXPECT_TRUE(w.visible()) << "Defecto keeps the window open";
    EXPECT_EQ(settingsWindowPending().showPaletteAtStart.load(), 1);
    EXPECT_EQ(settingsWindowPending().smoothingPeriod.load(), 1);
    const Pixels px = screenOf(w);
    EXPECT_TRUE(markedBoxIs(px, 1));
    EXPECT_TRUE(greyCellsAre(px, 1));
    EXPECT_TRUE(shownNumber(px) == expectedNumber("01"));
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 6);
    EXPECT_EQ(stored("Save"), "0");
    EXPECT_EQ(stored("Ouhe"), "06");

    w.click(IDC_CANCEL);
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 6);
    EXPECT_EQ(stored("Save"), "0");
    EXPECT_EQ(stored("Ouhe"), "06");
    w.toggle();
    EXPECT_TRUE(markedBoxIs(screenOf(w), 0)) << "shown again: the settings in effect";
    EXPECT_TRUE(greyCellsAre(screenOf(w), 6));
}

// "Aplicar" puts showPaletteAtStart and smoothingPeriod into effect, writes the three values at once
// (LagTime unchanged) and hides the window.
TEST(SettingsWindowButtons, AplicarAppliesStoresAndHides) {
    ScratchCurrentUser scratch;
    createTolvexKey();
    setSettings(1, 3, 37);
    SettingsWindow w;
    w.toggle();
    w.press(230, 110);              // no
    w.press(20 + 15 * 11 + 1, 240); // cell 12
    // Only a click notification counts: the same id with another code does nothing.
    SendMessageA(w.hwnd, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_SETFOCUS), 0);
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(settings.smoothingPeriod.load(), 3);
    EXPECT_EQ(stored("Ouhe"), "<missing>");

    w.click(IDC_APPLY);
    EXPECT_FALSE(w.visible());
    EXPECT_NE(IsWindow(w.hwnd), FALSE);
    EXPECT_EQ(settings.showPaletteAtStart.load(), 0);
    EXPECT_EQ(settings.smoothingPeriod.load(), 12);
    EXPECT_EQ(settings.lagTime.load(), 37);
    EXPECT_EQ(stored("LagTime"), "37");
    EXPECT_EQ(stored("Save"), "0");
    EXPECT_EQ(stored("Ouhe"), "12");
}

// A failed load leaves 0 in the settings: the window shows and applies the nearest value it can
// show ("01"), never "00".
TEST(SettingsWindowButtons, OutOfRangeSettingsAreShownAndAppliedInRange) {
    ScratchCurrentUser scratch;
    createTolvexKey();
    setSettings(0, 0, 0);
    SettingsWindow w;
    w.toggle();
    const Pixels px = screenOf(w);
    EXPECT_TRUE(greyCellsAre(px, 1));
    EXPECT_TRUE(shownNumber(px) == expectedNumber("01"));
    w.click(IDC_APPLY);
    EXPECT_EQ(settings.smoothingPeriod.load(), 1);
    EXPECT_EQ(stored("Ouhe"), "01");
    setSettings(5, 99, 10);
    w.toggle();
    EXPECT_EQ(settingsWindowPending().showPaletteAtStart.load(), 1);
    EXPECT_EQ(settingsWindowPending().smoothingPeriod.load(), 20);
    EXPECT_TRUE(greyCellsAre(screenOf(w), 20));
}

// The close box hides without destroying; the next show has the settings in effect, not the
// discarded edits.
TEST(SettingsWindowVisibility, CloseHidesAndDiscardsEdits) {
    ScratchCurrentUser scratch;
    setSettings(0, 6, 10);
    SettingsWindow w;
    w.toggle();
    w.press(110, 110);
    w.press(20 + 15 * 14 + 1, 245);
    EXPECT_EQ(SendMessageA(w.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    flushEvents();
    EXPECT_FALSE(w.visible());
    EXPECT_NE(IsWindow(w.hwnd), FALSE);
    settings.smoothingPeriod = 9; // what is in effect when it is shown again
    w.toggle();
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(settingsWindowPending().showPaletteAtStart.load(), 0);
    EXPECT_EQ(settingsWindowPending().smoothingPeriod.load(), 9);
    const Pixels px = screenOf(w);
    EXPECT_TRUE(markedBoxIs(px, 0));
    EXPECT_TRUE(greyCellsAre(px, 9));
    // Toggling a shown window hides it.
    w.toggle();
    EXPECT_FALSE(w.visible());
}

// A minimised window counts as visible: the toggle hides it, the next one shows it restored.
TEST(SettingsWindowVisibility, MinimisedCountsAsVisible) {
    setSettings(1, 4, 10);
    SettingsWindow w;
    w.toggle();
    ShowWindow(w.hwnd, SW_MINIMIZE);
    flushEvents();
    ASSERT_NE(IsIconic(w.hwnd), FALSE);
    w.toggle();
    EXPECT_FALSE(w.visible());
    w.toggle();
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(IsIconic(w.hwnd), FALSE);
}

// Painting releases what it makes: thousands of repaints later the window still draws right.
TEST(SettingsWindowPaint, ThousandsOfRepaintsLeakNothing) {
    setSettings(1, 1, 10);
    SettingsWindow w;
    w.toggle();
    // A leak shows as the slot of a new GDI object climbing.
    UpdateWindow(w.hwnd);
    const long before = freshGdiSlot();
    for (int i = 0; i < 4000; ++i) {
        w.press(20 + 15 * (i % 20) + 5, 247);
        w.press(i % 2 ? 110 : 230, 110);
        UpdateWindow(w.hwnd);
    }
    const long after = freshGdiSlot();
    EXPECT_LT(after - before, 100) << "a new object's handle slot went from " << before << " to " << after;
    // The last presses: cell 20, then the yes box.
    const Pixels px = screenOf(w);
    EXPECT_TRUE(greyCellsAre(px, 20));
    EXPECT_TRUE(markedBoxIs(px, 1));
    EXPECT_TRUE(shownNumber(px) == expectedNumber("20"));
    // The number stays inside the value box: its outline is whole.
    const LayoutRect box = SETTINGS_VALUE_BOX;
    for (int x = box.left; x < box.right; ++x) {
        EXPECT_EQ(px.at(x, box.top), BLACK) << "top outline at x " << x;
        EXPECT_EQ(px.at(x, box.bottom - 1), BLACK) << "bottom outline at x " << x;
    }
    for (int y = box.top; y < box.bottom; ++y) {
        EXPECT_EQ(px.at(box.left, y), BLACK) << "left outline at y " << y;
        EXPECT_EQ(px.at(box.right - 1, y), BLACK) << "right outline at y " << y;
    }
}

} // namespace
