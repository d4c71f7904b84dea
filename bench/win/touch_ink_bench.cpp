// Touch to ink: from the simulated board's reply that carries a new point of a stroke to the
// stroke's pixel there on the screen, for the pen and for the yellow highlighter side by side, each
// stroke the same line; and the same for the pointer, whose red dot follows the finger in a small
// per-pixel-alpha window of its own above the page (presenting/pointer_window.cpp). The whole road
// runs for real in this process: the reader thread polls the board and injects the mouse, Wine
// delivers the moves to a full-screen board page (the board's opaque container under a colour-keyed
// page, as the palette makes them), the page draws (or hands the point to the pointer), and a
// watcher thread reads the screen (GetDC(NULL) + BitBlt: what the X server shows) along the
// stroke's line. Median and 99th percentile on an empty page and on pages that already hold 250
// and 1,000 strokes.
//
// The pen's pixel is its blue; the highlighter's is the marker blended over what the screen showed
// there before the stroke (pages/core/highlight.h). A point counts as shown once the stroke on the
// screen reaches the point the page drew to, less how far the stroke shows beyond that point (the
// pen's round end, half the highlighter's band, taken from where the stroke ends): the board's
// points are under two pixels apart, so "ink near the point" would be met by the point before.
// The page's points are logged as they arrive (its window procedure is wrapped), so the match is to
// the pixel the page drew to, whatever the rounding on the way from the board's coordinates.
//
// Beside them, on the empty page, the least a dot in a window of its own can cost ("bare move"):
// the same stroke drawn with the pen, each of the page's points first moving a dot-sized
// per-pixel-alpha window of the bench's own (its pixels the pointer's dot, set once;
// UpdateLayeredWindow with a position alone, as the pointer moves its dot), watched as the pointer.
// And on every page the other way a dot could be shown ("page's dot"): the same pen stroke, each of
// the page's points then drawing the dot's core in its red straight onto the page's window, the
// page's pixels put back from the canvas where it was before, as the pen shows its pieces.
//
// The pointer's pixel is the dot's own red (255, 32, 32) at full strength: only the dot's core at
// the newest point has it (its edge is soft, and the trail, in a window of its own under the dot's,
// is at most 80 % strong), and a fully opaque pixel of a per-pixel-alpha window shows as it is
// whether or not anything composites it. A point counts as
// shown once the dot's core reaches the point the page handed to the pointer, less the core's
// radius. The pointer leaves nothing on the page, so its stroke is not undone afterwards.
//
// Wine's X11 driver gives a colour-keyed layered window a shape recomputed over its whole surface at
// every flush, a cost that grows with what the page holds and that Windows' compositor does not
// have. So the figures come twice, each from a run of this program as a child: with the driver's
// option ShapeLayeredWindows = "N" (set for this program under AppDefaults, put back afterwards:
// the figures of the page's own work) and with Wine's default shaping. With the default, a page of
// 1,000 scattered strokes makes a shape too large for one X request: the X11 driver ends the run
// with an X error ("BadLength", at times "BadRequest") before the figures of that page, which this
// output then lacks.
//
// Run (1920 x 1080): VELMORA_SCREEN=hd scripts/wine-exec.sh build/windows/bin/touch_ink_bench.exe
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "win32/monitors.h"
#include "win32/settings_record.h"
#include "calibration/calibration_state.h"
#include "win32/ids.h"
#include "win32/key_colour.h"
#include "pages/core/highlight.h"
#include "calibration/core/screen_mapping.h"
#include "pages/page_state.h"
#include "presenting/presenting.h"
#include "sensor/sensor_link.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/flush_events.h"
#include "tests/support/page_fixture.h"
#include "tests/support/reader_board.h"
#include "tests/support/wine_options.h"
#include "tools/simboard/simboard.h"
#include "touch/sensor_reader.h"

namespace {

constexpr COLORREF INK = RGB(0, 0, 255); // no cursor of the page holds pure blue
constexpr int STRIP = 3;                 // rows watched above and below the stroke's line
constexpr int MAPPING_PX = 1;            // the page's point and the board's differ by up to a pixel

// --- the screen watcher ------------------------------------------------------------------------

struct Sighting {
    double timeMs; // board clock
    int inkRight;  // the rightmost pixel of the stroke on the line, -1 for none
};

std::atomic<bool> watching{false};
std::atomic<int> watchedLine{0};
std::mutex sightingsLock;
std::vector<Sighting> sightings;
// The highlighter's pixel at each place of the strip, worked out from the strip as it stood before
// the stroke (pages/core/highlight.h); empty while the pen or the pointer is measured.
std::vector<uint32_t> highlightStrip, stripBefore;
bool pointerDot = false; // the pointer is measured: the stroke is its dot's red

bool isInk(uint32_t p) { // 0x00RRGGBB
    return (p & 0xFF) > 200 && ((p >> 16) & 0xFF) < 60 && ((p >> 8) & 0xFF) < 60;
}

// Whether pixel i of the strip shows the stroke: the pen's blue, the pointer's red at full strength,
// or the marker blended over what the strip showed there before the stroke.
bool isStroke(const uint32_t* strip, size_t i) {
    const uint32_t p = strip[i] & 0xFFFFFF;
    if (pointerDot)
        return p == POINTER_RED;
    if (highlightStrip.empty())
        return isInk(p);
    return p == highlightStrip[i] && p != stripBefore[i];
}

// Reads the strip along the stroke's line into one DIB kept for the whole stroke, so a read costs
// the copy from the X server and nothing more.
DWORD WINAPI watchScreen(LPVOID) {
    const int w = GetSystemMetrics(SM_CXSCREEN), rows = 2 * STRIP + 1;
    DibCanvas strip(w, rows);
    HDC screen = GetDC(nullptr);
    while (watching && strip.dc && strip.bits) {
        int right = -1;
        if (BitBlt(strip.dc, 0, 0, w, rows, screen, 0, watchedLine - STRIP, SRCCOPY)) {
            GdiFlush();
            for (int i = 0; i < w * rows; ++i)
                if (isStroke(strip.bits, size_t(i)))
                    right = std::max(right, i % w);
        }
        const double now = simboardNowMs();
        {
            std::lock_guard<std::mutex> hold(sightingsLock);
            sightings.push_back({now, right});
        }
        Sleep(1);
    }
    ReleaseDC(nullptr, screen);
    return 0;
}

// Sets the watcher up for the highlighter `tool` over the strip around `line` as the screen shows
// it now (TOOL_PEN: for the pen's ink, TOOL_POINTER: for the pointer's dot).
void watchFor(int32_t tool, int line) {
    highlightStrip.clear();
    stripBefore.clear();
    pointerDot = tool == TOOL_POINTER;
    if (!isHighlighter(tool))
        return;
    const int w = GetSystemMetrics(SM_CXSCREEN), rows = 2 * STRIP + 1;
    DibCanvas strip(w, rows);
    HDC screen = GetDC(nullptr);
    BitBlt(strip.dc, 0, 0, w, rows, screen, 0, line - STRIP, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    for (int i = 0; i < w * rows; ++i) {
        stripBefore.push_back(strip.bits[i] & 0xFFFFFF);
        highlightStrip.push_back(
            blendHighlight(stripBefore.back(), highlighterPixel(tool), KEY_COLOUR_PIXEL));
    }
}

// --- the page's own points -----------------------------------------------------------------------

// Each move of the held button the page receives, by the board clock: where the page drew to, to
// the pixel, whatever rounding the road from the board's coordinates took.
struct PageMove {
    double timeMs;
    int x;
};
WNDPROC pageProc = nullptr;
std::vector<PageMove> pageMoves;
// While the bare move is measured: a dot-sized per-pixel-alpha window of the bench's own, its
// pixels the pointer's dot set once, moved to each of the page's points before the page has it.
HWND bareDot = nullptr;

// While the dot drawn on the page is measured: the box it was last drawn in, on the page's window
// (empty when none).
bool dotOnPage = false;
RECT pageDotBox = {0, 0, 0, 0};

// The other way to show the dot: drawn straight onto the page's window (not its canvas), where the
// page's own pixels come back from the canvas when it moves on. Its core only, in the dot's red:
// what the finger would wait for if the dot were drawn into the page as the pen draws.
void drawDotOnPage(HWND page, POINT client) {
    const PageRecord* record = pageRecordOf(page);
    HDC dc = GetDC(page);
    if (!record || !dc)
        return;
    if (pageDotBox.right > pageDotBox.left)
        BitBlt(dc, pageDotBox.left, pageDotBox.top, pageDotBox.right - pageDotBox.left,
               pageDotBox.bottom - pageDotBox.top, record->memDC, pageDotBox.left, pageDotBox.top, SRCCOPY);
    const PxRect box = dotBounds({client.x, client.y}, boardDpi());
    const int side = box.right - box.left;
    pageDotBox = {client.x - side / 2, client.y - side / 2, client.x - side / 2 + side,
                  client.y - side / 2 + side};
    HBRUSH red =
        CreateSolidBrush(RGB((POINTER_RED >> 16) & 0xFF, (POINTER_RED >> 8) & 0xFF, POINTER_RED & 0xFF));
    HGDIOBJ oldBrush = SelectObject(dc, red), oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, client.x - side / 4, client.y - side / 4, client.x + side / 4 + 1, client.y + side / 4 + 1);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(red);
    ReleaseDC(page, dc);
}

LRESULT CALLBACK logPageMoves(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE && (wParam & MK_LBUTTON) && dotOnPage) {
        pageMoves.push_back({simboardNowMs(), int(short(LOWORD(lParam)))});
        const LRESULT handled = CallWindowProcA(pageProc, hwnd, message, wParam, lParam);
        drawDotOnPage(hwnd, {short(LOWORD(lParam)), short(HIWORD(lParam))});
        return handled;
    }
    if (message == WM_MOUSEMOVE && (wParam & MK_LBUTTON)) {
        pageMoves.push_back({simboardNowMs(), int(short(LOWORD(lParam)))});
        if (bareDot) {
            POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            const PxRect box = dotBounds({p.x, p.y}, boardDpi());
            POINT at = {box.left, box.top};
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            UpdateLayeredWindow(bareDot, nullptr, &at, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
        }
    }
    return CallWindowProcA(pageProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK bareDotProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    if (message == WM_NCHITTEST)
        return HTTRANSPARENT;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The bare move's window, shown at (x, y) with the dot's pixels; null when it could not be made.
HWND makeBareDot(int x, int y) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = bareDotProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "touch_ink_bench_dot";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
        wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
    const int32_t dpi = boardDpi();
    const PxRect box = dotBounds({x, y}, dpi);
    const int side = box.right - box.left;
    DibCanvas pixels(side, side);
    if (!window || !pixels.bits)
        return window;
    renderDot(dpi, pixels.bits);
    GdiFlush();
    POINT at = {box.left, box.top}, from = {0, 0};
    SIZE size = {side, side};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(window, nullptr, &at, &size, pixels.dc, &from, 0, &blend, ULW_ALPHA);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// --- one stroke, measured --------------------------------------------------------------------------

struct Figures {
    size_t fresh = 0;   // replies that carried a new point of the stroke
    size_t samples = 0; // of them, those whose stroke showed on the screen
    double median = 0, p99 = 0, max = 0;
    double watchPeriod = 0;  // median time between two reads of the screen
    int reach = 0;           // how far the stroke showed beyond the page's point
    double toPageMedian = 0; // of the median, the part until the page had the point
};

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// The finger draws a horizontal line at y across the screen in `ms` with the page's tool; each
// reply whose point is new is matched with the first screen read that shows the stroke reaching
// that point.
Figures strokeLatency(SimBoard* board, int y, DWORD ms) {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    {
        std::lock_guard<std::mutex> hold(sightingsLock);
        sightings.clear();
    }
    pageMoves.clear();
    watchedLine = y;
    watching = true;
    HANDLE watcher = CreateThread(nullptr, 0, watchScreen, nullptr, 0, nullptr);
    simboardClearLog(board);
    SimPath stroke;
    simDown(stroke, 100, y);
    simHold(stroke, 100);
    simMove(stroke, w - 100.0, y, ms);
    simHold(stroke, 300);
    simLift(stroke);
    simHold(stroke, 100);
    simboardPlay(board, 0, stroke);
    simboardWaitFinger(board, 0, ms + 60000, true);
    flushEvents(500);
    watching = false;
    WaitForSingleObject(watcher, 5000);
    CloseHandle(watcher);

    std::vector<Sighting> seen;
    {
        std::lock_guard<std::mutex> hold(sightingsLock);
        seen = sightings;
    }
    Figures f;
    std::vector<double> latencies;
    // How far the stroke shows beyond the point it was drawn to (the pen's round end, half the
    // highlighter's band, the radius of the dot's core): the rightmost pixel on the screen while the
    // finger rests at the line's end, less where the page drew last. The pen's and the highlighter's
    // stroke stays; the pointer's dot stays while the finger rests and fades after the lift, and a
    // read while its window moves can catch the dot's old pixels at the window's new place: so the
    // reads taken from 50 to 250 ms after the last move (the finger rests 300 ms), the most frequent
    // of them.
    int reach = 0;
    if (!pageMoves.empty()) {
        std::vector<int> atRest;
        for (const Sighting& sighting : seen)
            if (sighting.timeMs > pageMoves.back().timeMs + 50 &&
                sighting.timeMs < pageMoves.back().timeMs + 250 && sighting.inkRight >= 0)
                atRest.push_back(sighting.inkRight);
        std::sort(atRest.begin(), atRest.end());
        size_t best = 0, run = 0;
        for (size_t i = 0; i < atRest.size(); ++i) {
            run = i > 0 && atRest[i] == atRest[i - 1] ? run + 1 : 1;
            if (run > best) {
                best = run;
                reach = atRest[i] - pageMoves.back().x;
            }
        }
        if (atRest.empty()) { // no read in the rest showed the stroke (it came later): its rightmost pixel
            int rightmost = -1;
            for (const Sighting& sighting : seen)
                rightmost = std::max(rightmost, sighting.inkRight);
            reach = rightmost < 0 ? 0 : rightmost - pageMoves.back().x;
        }
    }
    f.reach = reach;
    std::vector<double> toPage; // from the reply to the page's move that carries its point
    int lastX = -1, lastY = -1;
    size_t s = 0, m = 0;
    for (const SimEvent& e : simboardLog(board)) {
        if (e.kind != SIM_REPLY || e.bytes.size() < 6)
            continue;
        const int sx = e.bytes[3] + 256 * ((e.bytes[5] >> 4) & 3);
        const int sy = e.bytes[4] + 256 * ((e.bytes[5] >> 6) & 3);
        const bool fresh = sx != 0 && sy != 0 && (sx != lastX || sy != lastY);
        const bool first = lastX <= 0;
        lastX = sx;
        lastY = sy;
        if (!fresh || first) // the touch's first point only puts the pen down
            continue;
        ++f.fresh;
        double px = 0, py = 0;
        simSensorToScreen(simboardMapping(board), sx, sy, &px, &py);
        while (s < seen.size() && seen[s].timeMs < e.timeMs)
            ++s;
        while (m < pageMoves.size() && pageMoves[m].timeMs < e.timeMs)
            ++m;
        // The page's point for this reply: its first move since the reply that reaches the board's
        // point (a move that lands later carries a later reply's point, the screen shows both at once).
        size_t k = m;
        while (k < pageMoves.size() && pageMoves[k].x < int(std::lround(px)) - MAPPING_PX)
            ++k;
        if (k == pageMoves.size())
            continue;
        for (size_t r = s; r < seen.size(); ++r)
            if (seen[r].inkRight - reach >= pageMoves[k].x) {
                latencies.push_back(seen[r].timeMs - e.timeMs);
                toPage.push_back(pageMoves[k].timeMs - e.timeMs);
                break;
            }
    }
    f.samples = latencies.size();
    f.toPageMedian = percentile(toPage, 0.5);
    f.median = percentile(latencies, 0.5);
    f.p99 = percentile(latencies, 0.99);
    f.max = percentile(latencies, 1.0);
    std::vector<double> gaps;
    for (size_t k = 1; k < seen.size(); ++k)
        gaps.push_back(seen[k].timeMs - seen[k - 1].timeMs);
    f.watchPeriod = percentile(gaps, 0.5);
    return f;
}

// `count` more strokes of a lesson, drawn through the page's own mouse handling (each one an undo
// step), scattered over the page but clear of the band where the measured stroke goes.
void addStrokes(HWND page, DrawState* ds, int count, int bandTop, int bandBottom) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    static std::mt19937 random(1000);
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(255, 0, 0), RGB(0, 255, 0)};
    for (int stroke = 0; stroke < count; ++stroke) {
        ds->colour = colours[stroke % 3];
        int x = int(random() % unsigned(w - 200)) + 100;
        int y = int(random() % unsigned(h - 200)) + 100;
        auto clear = [&](int yy) { return yy < bandTop - 20 || yy > bandBottom + 20; };
        if (!clear(y))
            y = bandTop - 60;
        sendDown(page, x, y);
        for (int k = 0; k < 12; ++k) {
            const int nx = std::clamp(x + int(random() % 81) - 40, 0, w - 1);
            const int ny = std::clamp(y + int(random() % 61) - 30, 0, h - 1);
            if (!clear(ny))
                continue;
            x = nx;
            y = ny;
            sendMove(page, x, y);
        }
        sendUp(page, x, y);
    }
    ds->colour = INK;
    flushEvents(1000);
}

void print(const char* page, const char* tool, const Figures& f) {
    std::printf(
        "  %-22s %-11s new points %4zu, inked %4zu: median %8.3f ms  p99 %8.3f ms  max %8.3f ms  "
        "(to the page's move: median %.3f ms; screen read every %.2f ms; stroke %d px beyond its point)\n",
        page, tool, f.fresh, f.samples, f.median, f.p99, f.max, f.toPageMedian, f.watchPeriod, f.reach);
}

int measure(const char* shaping) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    screenWidth = w;
    screenHeight = h;
    MonitorBox desk = {};
    lookUpBoardMonitor(&desk); // the board's monitor and its scale, as the program takes them at its start
    const ScreenTargets screen = boardScreen(w, h);
    publishScreenTargets(screen);
    settings.smoothingPeriod = 1; // no smoothing: every move is where the finger is
    SimBoard* board = simboardStart();
    if (!board || !installBoardCalibration(board, screen)) {
        std::printf("the simulated board did not start\n");
        return 1;
    }
    sensorHandle = findSensor();
    if (!sensorHandle.load()) {
        std::printf("no sensor\n");
        return 1;
    }
    DrawState ds = freshDrawState();
    ds.colour = INK;
    TestPage t;
    makeTestPage(&t, &ds, false);
    ds.currentPage = t.page;
    createPresentingWindows(GetModuleHandleA(nullptr)); // the pointer's window, as the palette makes it
    showTestPage(&t);
    flushEvents(500);
    HANDLE reader = CreateThread(nullptr, 0, sensorReaderProc, nullptr, 0, nullptr);
    simboardWaitCommand(board, 0, SIM_CMD_GET, 3000, 0, true);

    const int line = h / 2;
    const DWORD strokeMs = 4000;
    pageProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(t.page, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(logPageMoves)));
    std::printf("touch_ink_bench at %d x %d, %s, a %lu ms stroke across the board page, pen %d px, "
                "highlighter %d px:\n",
                w, h, shaping, static_cast<unsigned long>(strokeMs), ds.penWidth,
                highlighterWidth(ds.penWidth, ds.dpi));
    strokeLatency(board, line - 100, 1000); // warm-up: the first stroke pays for first uses
    SendMessageA(t.page, UM_PAGE_CLEAR, 0, 0);
    flushEvents(300);
    ds.tool = TOOL_POINTER; // the pointer's first touch shows its window and sizes its pixels
    SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    strokeLatency(board, line - 100, 1000);
    ds.tool = TOOL_PEN;
    SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    // Each measured stroke is cleared away (undone) before the next strokes are added, so the page
    // holds exactly the strokes named.
    int held = 0;
    for (int strokes : {0, 250, 1000}) {
        addStrokes(t.page, &ds, strokes - held, line - STRIP, line + STRIP);
        held = strokes;
        const std::string name = strokes ? "page with " + std::to_string(strokes) + " strokes" : "empty page";
        for (int32_t tool : {TOOL_PEN, TOOL_HIGHLIGHTER_FIRST, TOOL_POINTER}) {
            ds.tool = tool;
            SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
            watchFor(tool, line);
            print(name.c_str(), tool == TOOL_PEN ? "pen" : (tool == TOOL_POINTER ? "pointer" : "highlighter"),
                  strokeLatency(board, line, strokeMs));
            if (tool != TOOL_POINTER) // the pointer's stroke left no step to undo
                SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
            flushEvents(300);
        }
        if (strokes == 0) {
            // The least a dot in a window of its own can cost: the same stroke, the pen's, each of
            // the page's points moving the bench's own dot-sized window first; watched for the
            // dot's red, as the pointer.
            ds.tool = TOOL_PEN;
            SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
            bareDot = makeBareDot(100, line);
            flushEvents(300);
            watchFor(TOOL_POINTER, line);
            print(name.c_str(), "bare move", strokeLatency(board, line, strokeMs));
            DestroyWindow(bareDot);
            bareDot = nullptr;
            SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
            flushEvents(300);
        }
        // The dot drawn on the page instead, after the pen's piece, watched as the pointer.
        ds.tool = TOOL_PEN;
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
        dotOnPage = true;
        pageDotBox = {0, 0, 0, 0};
        watchFor(TOOL_POINTER, line);
        print(name.c_str(), "page's dot", strokeLatency(board, line, strokeMs));
        dotOnPage = false;
        SendMessageA(t.page, UM_PAGE_UNDO, 0, 0);
        InvalidateRect(t.page, nullptr, FALSE);
        flushEvents(300);
        ds.tool = TOOL_PEN; // the lesson's strokes
        SendMessageA(t.page, UM_PAGE_TOOL_CHANGED, 0, 0);
    }

    stopSensorReader(reader, 1000);
    CloseHandle(reader);
    destroyTestPage(&t);
    simboardStop(board);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    return measureUnshapedThenShaped(argc, argv, measure);
}
