// Turning a page of the board: from the tap on the bar's "◀" or "▶" (its button released) to the
// new page on the screen, read back from the screen itself (a spot that is red on one page and blue
// on the other). Two pages of different backgrounds, each holding 300 strokes, are turned back and
// forth; the figures are the median, the 99th
// percentile and the mean. Run at 1920 x 1080 (VELMORA_SCREEN=hd); the board's files of the
// prefix are removed first and the pages are never saved (the message loop does not run the save
// timer while the turns are measured).
// Wine's X11 driver recomputes a colour-keyed layered window's shape over its whole surface at every
// flush, a cost that grows with the ink on the page and that Windows' compositor does not have; so
// the figures come twice, each from a run of this program as a child: with the driver's option
// ShapeLayeredWindows = "N" (set for this program under AppDefaults, put back afterwards) and with
// Wine's default shaping.
//
//
// Then a board of 99 pages, each with strokes of its own, is written to the board's folder and a
// fresh copy of this program brings it back as the program does at start: the figures are how long
// that took and the process's peak working set before and after, how long the first turn to a page
// not shown yet takes, and after "PDF" writes all 99 pages, how long the tap on "PDF" held the thread
// the windows live on (the board answers nothing while it is held), how long the file took to
// appear, and the peak working set then. "board_bench.exe memory" runs
// that part alone.
//
// Last, material brought onto the board, in a fresh copy of this program ("board_bench.exe material"
// runs it alone): the screen frozen into a new page, from the tap on the bar's snowflake to the page
// on the screen (the median of a few, and what the screen read and the new page each took); a PDF of
// 20 picture pages as Velmora writes it opened, from the call to the first page shown; and the
// working set of a board of 99 picture pages once they are on disk.
//
// Run: VELMORA_SCREEN=hd scripts/wine-exec.sh build/windows/bin/board_bench.exe
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/board_pictures.h"
#include "board/board_storage.h"
#include "board/core/pdf_document.h"
#include "pages/page_save.h"
#include "pages/page_state.h"
#include "pages/picture_file.h"
#include "pages/png_encoder.h"
#include "board/board_bar.h"
#include "board/core/board_bar_layout.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/screen.h"
#include "tests/support/wine_options.h"

namespace {

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

// A thick stroke of that colour over the spot the screen is read at: each page shows its own there,
// whether Wine shows the key colour transparent (shaped) or not.
void mark(HWND page, DrawState* ds, POINT spot, COLORREF colour) {
    ds->colour = colour;
    ds->penWidth = 16;
    sendDown(page, spot.x - 60, spot.y);
    sendMove(page, spot.x + 60, spot.y);
    sendUp(page, spot.x + 60, spot.y);
    ds->penWidth = 4;
}

// Milliseconds from the tap until the screen shows `colour` at the spot (-1 on time-out).
double turnAndWait(HWND bar, int field, POINT spot, COLORREF colour) {
    LARGE_INTEGER freq, a, b;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&a);
    tap(bar, field);
    for (;;) {
        // The program's message loop would run now: under Wine a peek is what hands the window's
        // fresh pixels to the X server.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (screenPixel(spot.x, spot.y) == colour)
            break;
        QueryPerformanceCounter(&b);
        if (b.QuadPart - a.QuadPart > freq.QuadPart * 2)
            return -1;
    }
    QueryPerformanceCounter(&b);
    return 1000.0 * double(b.QuadPart - a.QuadPart) / double(freq.QuadPart);
}

int measure(const char* how) {
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
    mark(t.page, &ds, spot, RGB(255, 0, 0));
    tap(bar, BAR_ADD);
    tap(bar, BAR_BACKGROUND);
    tap(bar, BAR_BACKGROUND);
    scribble(t.page, 300, 2);
    mark(t.page, &ds, spot, RGB(0, 0, 255));
    flushEvents(300);
    const int turns = 60;
    std::vector<double> ms;
    int missed = 0;
    for (int i = 0; i < turns; ++i) {
        const bool back = i % 2 == 0;
        const double took =
            turnAndWait(bar, back ? BAR_PREVIOUS : BAR_NEXT, spot, back ? RGB(255, 0, 0) : RGB(0, 0, 255));
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
    std::printf("page turn benchmark at %d x %d, %s: %d turns between two pages of 300 strokes each\n", w, h,
                how, turns);
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

// --- a board of 99 pages -------------------------------------------------------------------------

constexpr int BIG_BOARD_PAGES = 99;

// Page n's drawing at the screen's size: a few thick bands and a diagonal of its own, on the key
// colour, as a teacher's page of writing packs.
void drawBigBoardPage(int n, int w, int h, std::vector<uint32_t>* pixels) {
    pixels->assign(size_t(w) * size_t(h), KEY_COLOUR_PIXEL);
    const uint32_t colour = 0xFF0000u >> (8 * (n % 3));
    for (int band = 0; band < 6; ++band) {
        const int y0 = 60 + band * (h / 7) + n % 17;
        for (int y = y0; y < y0 + 6 && y < h; ++y)
            for (int x = 40 + n; x < w - 40; x += (x / 97) % 3 == 0 ? 1 : 2)
                (*pixels)[size_t(y) * size_t(w) + size_t(x)] = colour;
    }
    for (int x = 0; x < w; ++x) {
        const int y = (x * h / w + n * 7) % h;
        for (int t = 0; t < 3 && y + t < h; ++t)
            (*pixels)[size_t(y + t) * size_t(w) + size_t(x)] = 0x0000FF;
    }
}

// The board's folder holds 99 pages (PNG files at the screen's size) and an index naming them.
bool writeBigBoard() {
    removeBoardFiles();
    std::wstring folder;
    if (!boardFolder(&folder))
        return false;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    BoardIndex index = freshBoard(BACKGROUND_WHITE);
    std::vector<uint32_t> pixels;
    for (int n = 0; n < BIG_BOARD_PAGES; ++n) {
        if (n > 0)
            addPageAfterShown(&index);
        index.pages[size_t(n)].background = BoardBackground(n % BACKGROUND_COUNT);
        drawBigBoardPage(n, w, h, &pixels);
        std::vector<uint8_t> png;
        const std::string name = pageFileName(index.pages[size_t(n)].fileId);
        if (!encodePngBytes(pixels.data(), w, h, &png) ||
            writeFileReplacing(folder + L"\\" + std::wstring(name.begin(), name.end()), png) != 0)
            return false;
    }
    index.shown = 0;
    const std::string text = formatBoardIndex(index);
    return writeFileReplacing(folder + L"\\indice.txt", std::vector<uint8_t>(text.begin(), text.end())) == 0;
}

// The process's working set, its peak (or as it is now), in megabytes.
double workingSetMegabytes(bool peak = true) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return double(peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize) / (1024.0 * 1024.0);
}

double msSince(const LARGE_INTEGER& from) {
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return 1000.0 * double(now.QuadPart - from.QuadPart) / double(freq.QuadPart);
}

int pdfCount(const std::wstring& folder) {
    int count = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.pdf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do
        count += found.nFileSizeLow > 0 || found.nFileSizeHigh > 0;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// In a fresh copy of this program: the page made as the palette makes it, then the board opened
// from the disk, then its PDF.
int measureRestore() {
    DrawState ds = freshDrawState();
    TestPage t;
    makeTestPage(&t, &ds, false);
    const double beforeOpen = workingSetMegabytes();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    openBoard(t.page, t.container);
    const double openMs = msSince(start);
    const double afterOpen = workingSetMegabytes();
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    std::printf("board of %d pages restored at %d x %d in %.0f ms (%d pages, shown %d)\n", BIG_BOARD_PAGES, w,
                h, openMs, int(boardIndex().pages.size()), boardIndex().shown + 1);
    std::printf(
        "peak working set: %.0f MB before the board is opened, %.0f MB after (%.0f MB for the board)\n",
        beforeOpen, afterOpen, afterOpen - beforeOpen);

    HWND bar = createBoardBar(t.page, GetModuleHandleA(nullptr));
    setBoardBar(bar);
    QueryPerformanceCounter(&start);
    tap(bar, BAR_NEXT);
    const double firstTurnMs = msSince(start);
    QueryPerformanceCounter(&start);
    tap(bar, BAR_PREVIOUS);
    const double backMs = msSince(start);
    std::printf("turn to page 2 (its file decoded on this first turn): %.0f ms; back to page 1: %.0f ms\n",
                firstTurnMs, backMs);
    std::wstring pictures;
    std::string reason;
    pictureFolder(&pictures, &reason);
    const int pdfsBefore = pdfCount(pictures);
    QueryPerformanceCounter(&start);
    tap(bar, BAR_PDF);
    const double heldMs = msSince(start);
    while (pdfCount(pictures) == pdfsBefore && msSince(start) < 120000) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(5);
    }
    const double writtenMs = msSince(start);
    flushEvents(300);
    std::printf(
        "PDF of %d pages: the tap held the window thread %.0f ms; the file was there after %.0f ms%s\n",
        BIG_BOARD_PAGES, heldMs, writtenMs, pdfCount(pictures) == pdfsBefore ? " (never written)" : "");
    std::printf("peak working set after the PDF: %.0f MB\n", workingSetMegabytes());
    DestroyWindow(bar);
    destroyTestPage(&t);
    return 0;
}

int measureBigBoard() {
    if (!writeBigBoard()) {
        std::printf("board_bench could not write the board of %d pages\n", BIG_BOARD_PAGES);
        return 1;
    }
    const bool ran = runThisProgramWith("restore");
    removeBoardFiles();
    if (!ran)
        std::printf("board_bench could not start itself as a child\n");
    return ran ? 0 : 1;
}

// --- material ------------------------------------------------------------------------------------

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// A picture of the screen's size, different for each n, as a frozen slide would be.
std::shared_ptr<const BoardPicture> slidePicture(int n, int w, int h) {
    auto picture = std::make_shared<BoardPicture>();
    picture->place = {0, 0, w, h};
    picture->pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture->pixels[size_t(y) * size_t(w) + size_t(x)] = uint32_t((x * 7 + n) & 0xFF) << 16 |
                                                                 uint32_t((y * 5) & 0xFF) << 8 |
                                                                 uint32_t(((x + y) / 64 % 2) * 200);
    return picture;
}

int measureMaterial() {
    removeBoardFiles();
    DrawState ds = freshDrawState();
    TestPage desktop, t;
    makeTestPage(&desktop, &ds, true);
    makeTestPage(&t, &ds, false);
    openBoard(t.page, t.container, desktop.page);
    HWND bar = createBoardBar(t.page, GetModuleHandleA(nullptr));
    setBoardBar(bar);
    showTestPage(&t);
    showBoardBar(bar, true);
    flushEvents(500);
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    std::printf("material on the board at %d x %d\n", w, h);

    // The freeze: the tap's handling, then until the screen shows the new page (its corner's pixel
    // is the slide's: the board's grey before).
    std::vector<double> taps, reads;
    for (int i = 0; i < 5; ++i) {
        // From the first page, the board's grey: a frozen page shown would be the desktop already,
        // and the read would wait its whole second for a change it cannot see.
        while (boardIndex().shown > 0)
            turnBoardPage(-1);
        flushEvents(100);
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        ScreenPicture screen;
        composeDesktopPicture(desktop.page, &screen);
        reads.push_back(msSince(start));
        // The windows the read hid settle before the tap: under Wine a full-screen window hidden
        // again while still being mapped waits for a window manager, which made the tap's read
        // four times as long (1.3 s, not 0.28).
        flushEvents(500);
        QueryPerformanceCounter(&start);
        tap(bar, BAR_FREEZE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        taps.push_back(msSince(start));
        flushEvents(100);
    }
    std::printf(
        "freeze, tap to the new page shown: median %.0f ms (the screen read alone, our windows hidden and "
        "shown again: median %.0f ms)\n",
        median(taps), median(reads));

    // A PDF of 20 pages as Velmora writes it, opened: read, checked and its first page shown.
    std::vector<PdfPage> pages;
    for (int n = 0; n < 20; ++n) {
        const auto picture = slidePicture(n, w, h);
        PdfPage page;
        page.widthPt = w * 0.75;
        page.heightPt = h * 0.75;
        encodePngBytes(picture->pixels.data(), w, h, &page.png);
        pages.push_back(std::move(page));
    }
    std::vector<uint8_t> pdf;
    std::string reason;
    std::wstring folder;
    pictureFolder(&folder, &reason);
    const std::wstring path = folder + L"\\board_bench 20 pages.pdf";
    if (!pdfFromPngPages(pages, pdf, reason) || writeFileReplacing(path, pdf) != 0) {
        std::printf("board_bench could not write the PDF of 20 pages\n");
        return 1;
    }
    pages.clear();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::vector<std::shared_ptr<const BoardPicture>> opened;
    const bool read = readBoardPdf(path, w, h, &opened, &reason);
    const double readMs = msSince(start);
    addPicturePages(opened);
    const double shownMs = msSince(start);
    std::printf(
        "PDF of 20 pages (%.1f MB) opened: read and checked in %.0f ms, first page shown after %.0f ms%s\n",
        double(pdf.size()) / (1024.0 * 1024.0), readMs, shownMs, read ? "" : " (not read)");
    opened.clear();
    DeleteFileW(path.c_str());

    // Up to 99 picture pages, each a picture of the screen's size; the working set once on disk.
    const double before = workingSetMegabytes(false);
    const int pagesBefore = int(boardIndex().pages.size());
    while (boardIndex().pages.size() < size_t(BOARD_MAX_PAGES))
        addPicturePages({slidePicture(int(boardIndex().pages.size()), w, h)});
    saveBoardNow();
    waitBoardSaves(120000);
    flushEvents(300);
    std::printf(
        "board of %d pages, all but the first with a picture of the screen's size, on disk: working set %.0f "
        "MB "
        "(%.0f MB at %d pages); peak %.0f MB (the pictures added at once, held until each is written)\n",
        int(boardIndex().pages.size()), workingSetMegabytes(false), before, pagesBefore,
        workingSetMegabytes());
    DestroyWindow(bar);
    destroyTestPage(&t);
    destroyTestPage(&desktop);
    removeBoardFiles();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 1 && std::strcmp(argv[1], "restore") == 0)
        return measureRestore();
    if (argc > 1 && std::strcmp(argv[1], "memory") == 0)
        return measureBigBoard();
    if (argc > 1 && std::strcmp(argv[1], "material") == 0)
        return measureMaterial();
    if (argc > 1)
        return measure(shapingOfThisRun(argv[1]));
    if (!runUnshapedThenShaped()) {
        std::printf("board_bench could not start itself as a child\n");
        return 1;
    }
    if (measureBigBoard() != 0)
        return 1;
    return runThisProgramWith("material") ? 0 : 1;
}
