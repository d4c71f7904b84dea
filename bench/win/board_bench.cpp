// Turning a page of the board: from the tap on the bar's "◀" or "▶" (its button released) to the
// new page on the screen, read back from the screen itself. Two pages of different backgrounds,
// each holding 300 strokes, are turned back and forth; the figures are the median, the 99th
// percentile and the mean. Run at 1920 x 1080 (VELMORA_SCREEN=hd); the board's files of the
// prefix are removed first and the pages are never saved (the message loop does not run the save
// timer while the turns are measured).
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "pages/board.h"
#include "pages/board_storage.h"
#include "pages/page_state.h"
#include "palette/board_bar.h"
#include "palette/core/board_bar_layout.h"
#include "tests/support/page_fixture.h"
#include "tests/support/wintest.h"

namespace {

void removeBoardFiles() {
    std::wstring folder;
    if (!boardFolder(&folder))
        return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    while (FindNextFileW(search, &found));
    FindClose(search);
}

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

// Milliseconds from the tap until the screen shows `colour` at the spot (-1 on time-out).
double turnAndWait(HWND bar, int field, POINT spot, COLORREF colour) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    tap(bar, field);
    for (;;) {
        if (screenPixel(spot.x, spot.y) == colour)
            break;
        QueryPerformanceCounter(&b);
        if (b.QuadPart - a.QuadPart > freq.QuadPart * 2)
            return -1;
    }
    QueryPerformanceCounter(&b);
    return 1000.0 * double(b.QuadPart - a.QuadPart) / double(freq.QuadPart);
}

} // namespace

int main() {
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
    tap(bar, BAR_ADD);
    tap(bar, BAR_BACKGROUND);
    tap(bar, BAR_BACKGROUND);
    scribble(t.page, 300, 2);
    flushEvents(300);
    const int turns = 60;
    std::vector<double> ms;
    int missed = 0;
    for (int i = 0; i < turns; ++i) {
        const bool back = i % 2 == 0;
        const double took =
            turnAndWait(bar, back ? BAR_PREVIOUS : BAR_NEXT, spot, back ? RGB(255, 255, 255) : RGB(0, 0, 0));
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
    std::printf("page turn benchmark at %d x %d: %d turns between two pages of 300 strokes each\n", w, h,
                turns);
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
