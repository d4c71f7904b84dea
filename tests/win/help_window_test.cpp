// The help window, class "qv_help", under Wine: its buttons, the page navigation and the buttons'
// enabled state, the page picture on the screen, closing and the toggle.
#include "app/core/settings_layout.h"
#include "app/help_window.h"
#include "win32/ids.h"
#include "app/window_classes.h"
#include "resources/resource_ids.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/find_windows.h"
#include "tests/support/flush_events.h"
#include "tests/support/program_classes.h"
#include "tests/support/screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HWND createHelp(const char* className, HINSTANCE instance) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    return CreateWindowExA(0, className, "Help", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, (w - 220) / 2,
                           (h - 220) / 2, 220, 220, nullptr, nullptr, instance, nullptr);
}

// The window as the main window creates it: hidden, centred, 220 x 220.
struct HelpWindow {
    HWND hwnd = nullptr;
    HelpWindow() {
        registerProgramClassesOnce();
        hwnd = createHelp("qv_help", GetModuleHandleA(nullptr));
    }
    explicit HelpWindow(HWND h) : hwnd(h) {}
    ~HelpWindow() {
        DestroyWindow(hwnd);
        flushEvents(50);
    }
    void toggle() {
        SendMessageA(hwnd, UM_TOGGLE_SHOW, 0, 0);
        flushEvents();
    }
    void click(unsigned id) {
        SendMessageA(GetDlgItem(hwnd, static_cast<int>(id)), BM_CLICK, 0, 0);
        flushEvents(50);
    }
    void command(WPARAM wParam) { SendMessageA(hwnd, WM_COMMAND, wParam, 0); }
    bool visible() const { return IsWindowVisible(hwnd) != FALSE; }
    bool enabled(unsigned id) const {
        return IsWindowEnabled(GetDlgItem(hwnd, static_cast<int>(id))) != FALSE;
    }
    // "first", "last", "next", "end" as 0/1, for messages.
    std::string states() const {
        std::string s;
        for (unsigned id : {IDC_HELP_FIRST, IDC_HELP_LAST, IDC_HELP_NEXT, IDC_HELP_END})
            s += enabled(id) ? '1' : '0';
        return s;
    }
};

// The expected enabled state on a page, "first last next end".
std::string expectedStates(int page) {
    return page == 0 ? "0011" : page == 3 ? "1100" : "1111";
}

// The client area as the screen shows it.
std::vector<COLORREF> clientOnScreen(HWND hwnd, RECT* client) {
    UpdateWindow(hwnd);
    flushEvents(100);
    GetClientRect(hwnd, client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    RECT area = {origin.x, origin.y, origin.x + client->right, origin.y + client->bottom};
    std::vector<COLORREF> pixels;
    captureScreen(area, &pixels);
    return pixels;
}

// Page picture IDB_HELP_PAGE_1 + page as the resources hold it, cut to the client's size from (0, 0).
std::vector<COLORREF> pagePicture(int page, const RECT& client) {
    std::vector<COLORREF> pixels;
    HANDLE picture = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_HELP_PAGE_1 + page),
                                IMAGE_BITMAP, 220, 220, LR_DEFAULTCOLOR);
    if (!picture)
        return pixels;
    DibCanvas canvas(client.right, client.bottom);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, picture);
    BitBlt(canvas.dc, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(picture);
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            pixels.push_back(canvas.pixel(x, y));
    return pixels;
}

// The part of the client area above the button row, where only the picture is.
bool sameAboveButtons(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b, const RECT& client) {
    const int rows = client.bottom - HELP_BUTTON_RAISE - 1;
    if (a.size() != b.size() || rows <= 0)
        return false;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < client.right; ++x)
            if (a[y * client.right + x] != b[y * client.right + x])
                return false;
    return true;
}

// Which of the page pictures the client area shows above the buttons, -1 for none of them.
int pageIn(const std::vector<COLORREF>& shown, const RECT& client) {
    for (int page = 0; page < 4; ++page)
        if (sameAboveButtons(shown, pagePicture(page, client), client))
            return page;
    return -1;
}

// The screen shows page picture `expected` (0 to 3) above the buttons; otherwise says which one it
// shows and the first pixel where it differs from the expected picture.
::testing::AssertionResult pageShown(HWND hwnd, int expected) {
    RECT client;
    const std::vector<COLORREF> shown = clientOnScreen(hwnd, &client);
    const int page = pageIn(shown, client);
    if (page == expected)
        return ::testing::AssertionSuccess() << "page picture " << page;
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    if (page < 0)
        result << "none of the page pictures is shown";
    else
        result << "page picture " << page << " is shown";
    const std::vector<COLORREF> wanted = pagePicture(expected, client);
    const int rows = client.bottom - HELP_BUTTON_RAISE - 1;
    for (int y = 0; y < rows && shown.size() == wanted.size(); ++y)
        for (int x = 0; x < client.right; ++x)
            if (shown[y * client.right + x] != wanted[y * client.right + x])
                return result << "; first difference from picture " << expected << " at (" << x << ", " << y
                              << "): 0x" << std::hex << shown[y * client.right + x] << " for 0x"
                              << wanted[y * client.right + x];
    return result << "; the screen read " << shown.size() << " pixels, the picture has " << wanted.size();
}

enum class Picture { NotChecked, Checked };

// The window is at `page` (0 to 3) with the buttons' enabled states `states` ("first last next
// end"); with Picture::Checked the screen also shows that page's picture.
void expectAtPage(const HelpWindow& w, int page, const std::string& states,
                  Picture picture = Picture::NotChecked) {
    SCOPED_TRACE(::testing::Message() << "page " << page + 1);
    EXPECT_EQ(helpWindowPage(), page);
    EXPECT_EQ(w.states(), states);
    if (picture == Picture::Checked) {
        EXPECT_TRUE(pageShown(w.hwnd, page));
    }
}

// The window is shown (`shown`) or hidden, and at `page` (0 to 3), as a toggle leaves it.
void expectShownAtPage(const HelpWindow& w, bool shown, int page) {
    SCOPED_TRACE(::testing::Message() << (shown ? "shown" : "hidden") << " at page " << page + 1);
    EXPECT_EQ(w.visible(), shown);
    EXPECT_EQ(helpWindowPage(), page);
}

TEST(HelpWindowButtons, FourButtonsInCreationOrderFromTheRightEdge) {
    HelpWindow w;
    ASSERT_NE(w.hwnd, nullptr);
    EXPECT_FALSE(w.visible());
    RECT client;
    GetClientRect(w.hwnd, &client);
    EXPECT_LT(client.right, 220);
    EXPECT_LT(client.bottom, 220);
    // Siblings are listed in creation order.
    std::vector<HWND> children;
    for (HWND child = GetWindow(w.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    ASSERT_EQ(children.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        const HelpButton& b = HELP_BUTTONS[i];
        HWND button = children[i];
        EXPECT_EQ(windowText(button), b.caption) << "child " << i;
        EXPECT_EQ(static_cast<unsigned>(GetDlgCtrlID(button)), b.id) << b.caption;
        EXPECT_EQ(windowClassName(button), "Button");
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(button, GWL_STYLE)) & ~(WS_CLIPSIBLINGS | WS_DISABLED),
                  static_cast<DWORD>(WS_CHILD | WS_VISIBLE))
            << b.caption;
        RECT r;
        GetWindowRect(button, &r);
        MapWindowPoints(nullptr, w.hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, client.right - b.offsetFromRight) << b.caption;
        EXPECT_EQ(r.top, client.bottom - 20) << b.caption;
        EXPECT_EQ(r.right - r.left, b.width) << b.caption;
        EXPECT_EQ(r.bottom - r.top, 18) << b.caption;
    }
    // Left to right the row reads "first", "last", "next", "end".
    int previousLeft = -1000;
    for (const char* caption : {"first", "last", "next", "end"}) {
        for (const HelpButton& b : HELP_BUTTONS)
            if (std::string(b.caption) == caption) {
                EXPECT_GT(client.right - b.offsetFromRight, previousLeft) << caption;
                previousLeft = client.right - b.offsetFromRight;
            }
    }
    // Created at the first page.
    expectAtPage(w, 0, "0011");
}

// The primary monitor goes to 150 % (WM_DPICHANGED with the suggested rectangle): the window takes
// it and its buttons stand along the new client's bottom half again as large; a message without a
// scale changes nothing.
TEST(HelpWindowButtons, FollowThePrimarysNewScale) {
    HelpWindow w;
    RECT before = {};
    GetWindowRect(w.hwnd, &before);
    SendMessageA(w.hwnd, WM_DPICHANGED, 0, reinterpret_cast<LPARAM>(&before)); // no scale: ignored
    // The buttons write in the message font, not the log-on's system font, at the window's scale.
    const int at96 = messageFontHeight();
    ASSERT_NE(at96, 0);
    EXPECT_EQ(controlFontHeight(GetDlgItem(w.hwnd, IDC_HELP_NEXT)), at96);
    RECT suggested = {before.left, before.top, before.left + 330, before.top + 330};
    SendMessageA(w.hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    for (const HelpButton& b : HELP_BUTTONS)
        EXPECT_NEAR(controlFontHeight(GetDlgItem(w.hwnd, static_cast<int>(b.id))), at96 * 1.5, 1.0)
            << b.caption;
    RECT client;
    GetClientRect(w.hwnd, &client);
    for (const HelpButton& b : HELP_BUTTONS) {
        RECT r;
        GetWindowRect(GetDlgItem(w.hwnd, static_cast<int>(b.id)), &r);
        MapWindowPoints(nullptr, w.hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, client.right - (b.offsetFromRight * 3 + 1) / 2) << b.caption;
        EXPECT_EQ(r.top, client.bottom - 30) << b.caption;
        EXPECT_EQ(r.right - r.left, (b.width * 3 + 1) / 2) << b.caption;
        EXPECT_EQ(r.bottom - r.top, 27) << b.caption;
    }
    w.toggle();
    RECT shown;
    const std::vector<COLORREF> pixels = clientOnScreen(w.hwnd, &shown);
    ASSERT_EQ(pixels.size(), size_t(shown.right) * size_t(shown.bottom));
    EXPECT_EQ(pixels[size_t(shown.bottom - 40) * size_t(shown.right) + 10], RGB(0, 255, 0))
        << "the page does not reach the bottom of the larger window";

    // Back to 100 % and to 150 % five times, then five times back to 150 % from a monitor at
    // 100 % whose scale it never took (the box suggested is half again its size): the same size
    // every time.
    EXPECT_EQ(dpiRoundTrips(w.hwnd, 144, 96), steadyRoundTrips("220x220", "330x330"));
}

// Paging with the buttons: enabled states follow the page and the screen shows the page's picture.
TEST(HelpWindowNavigation, ButtonsMoveThroughThePagesAndThePictureFollows) {
    HelpWindow w;
    w.toggle();
    ASSERT_TRUE(w.visible());
    expectAtPage(w, 0, "0011", Picture::Checked);
    saveWindowPicture(w.hwnd, "help_window_page1");
    for (int page = 1; page < 4; ++page) {
        w.click(IDC_HELP_NEXT);
        expectAtPage(w, page, expectedStates(page), Picture::Checked);
    }
    saveWindowPicture(w.hwnd, "help_window_page4");
    w.click(IDC_HELP_LAST);
    expectAtPage(w, 2, "1111", Picture::Checked);
    w.click(IDC_HELP_FIRST);
    expectAtPage(w, 0, "0011", Picture::Checked);
    w.click(IDC_HELP_END);
    expectAtPage(w, 3, "1100", Picture::Checked);
}

// Commands sent by anyone, also to disabled buttons' ids: the page never leaves 1..4, and other
// ids or notification codes leave it alone.
TEST(HelpWindowNavigation, CommandsFromAnySenderStayInRange) {
    HelpWindow w;
    w.toggle();
    for (int i = 0; i < 6; ++i)
        w.command(IDC_HELP_LAST);
    expectAtPage(w, 0, "0011");
    for (int i = 0; i < 9; ++i)
        w.command(IDC_HELP_NEXT);
    expectAtPage(w, 3, "1100");
    w.command(MAKEWPARAM(IDC_HELP_FIRST, BN_SETFOCUS));
    w.command(0x12345);
    expectAtPage(w, 3, "1100");
    w.command(IDC_HELP_LAST);
    w.command(IDC_HELP_LAST);
    expectAtPage(w, 1, "1111", Picture::Checked);
}

// Closing hides the window; the next toggle shows it again at page 1.
TEST(HelpWindowVisibility, CloseHidesAndTheNextShowStartsAtPageOne) {
    HelpWindow w;
    w.toggle();
    w.click(IDC_HELP_END);
    EXPECT_EQ(SendMessageA(w.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
    flushEvents();
    EXPECT_FALSE(w.visible());
    EXPECT_NE(IsWindow(w.hwnd), FALSE);
    EXPECT_EQ(helpWindowPage(), 3) << "hiding keeps the page";
    w.toggle();
    EXPECT_TRUE(w.visible());
    expectAtPage(w, 0, "0011", Picture::Checked);
    // A shown window is hidden by the toggle, at whatever page.
    w.click(IDC_HELP_NEXT);
    w.toggle();
    expectShownAtPage(w, false, 1);
}

// A minimised help window counts as visible: the toggle restores and hides it.
TEST(HelpWindowVisibility, MinimisedCountsAsVisible) {
    HelpWindow w;
    w.toggle();
    w.click(IDC_HELP_NEXT);
    ShowWindow(w.hwnd, SW_MINIMIZE);
    flushEvents();
    ASSERT_NE(IsIconic(w.hwnd), FALSE);
    w.toggle();
    EXPECT_FALSE(w.visible());
    EXPECT_EQ(IsIconic(w.hwnd), FALSE);
    w.toggle();
    expectShownAtPage(w, true, 0);
}

// Each paint loads a picture and releases the one before. Wine hands out GDI handles from the
// lowest free slot, so a leak of one object per paint shows as a new object's slot climbing by
// hundreds (GetGuiResources returns 0 under Wine).
TEST(HelpWindowPaint, PageTurnsReleaseTheirPictures) {
    HelpWindow w;
    w.toggle();
    UpdateWindow(w.hwnd);
    const long before = freshGdiSlot();
    for (int i = 0; i < 400; ++i) {
        w.command(i % 2 ? IDC_HELP_NEXT : IDC_HELP_END);
        UpdateWindow(w.hwnd);
    }
    const long after = freshGdiSlot();
    EXPECT_LT(after - before, 100) << "a new object's handle slot went from " << before << " to " << after
                                   << " over 400 paints";
    EXPECT_EQ(helpWindowPage(), 3);
    w.command(IDC_HELP_LAST);
    EXPECT_TRUE(pageShown(w.hwnd, 2));
}

// A module without the pictures: painting keeps the white background and nothing breaks.
TEST(HelpWindowPaint, MissingPicturesLeaveTheBackground) {
    HINSTANCE noPictures = GetModuleHandleA("kernel32.dll");
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = helpWindowProc;
    wc.hInstance = noPictures;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "qv_help_without_pictures";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HelpWindow w(createHelp(wc.lpszClassName, noPictures));
    ASSERT_NE(w.hwnd, nullptr);
    w.toggle();
    w.click(IDC_HELP_NEXT);
    EXPECT_EQ(helpWindowPage(), 1);
    RECT client;
    const std::vector<COLORREF> shown = clientOnScreen(w.hwnd, &client);
    ASSERT_FALSE(shown.empty());
    int white = 0;
    for (int y = 0; y < client.bottom - HELP_BUTTON_RAISE - 1; ++y)
        for (int x = 0; x < client.right; ++x)
            white += shown[y * client.right + x] == RGB(255, 255, 255);
    EXPECT_EQ(white, client.right * (client.bottom - HELP_BUTTON_RAISE - 1));
    DestroyWindow(w.hwnd);
    w.hwnd = nullptr;
    UnregisterClassA(wc.lpszClassName, noPictures);
}

} // namespace
