#include "tests/support/page_fixture.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "win32/program.h"
#include "win32/layered.h"
#include "win32/settings_record.h"
#include "win32/ids.h"
#include "app/window_classes.h"
#include "board/board_storage.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/flush_events.h"
#include "tests/support/wine_options.h"

// Runs before main, so before any window of the test program exists.
// Full-screen popups count as managed windows too, so hiding a page would wait as well.
static const bool windowManagerWaitSkipped = (skipWindowManagerWait(), true);

void ensureProgramClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    (void)windowManagerWaitSkipped;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!hInstance)
        hInstance = instance;
    if (!setLayeredWindowAttributes)
        setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes")));
    WNDCLASSA probe;
    if (!GetClassInfoA(instance, "qv_page", &probe))
        registerWindowClasses(instance);
}

DrawState freshDrawState() {
    DrawState ds = {};
    ds.tool = TOOL_PEN;
    ds.penWidth = 4;
    ds.eraserSize = 16;
    ds.colour = RGB(0, 0, 0);
    return ds;
}

void makeTestPage(TestPage* t, DrawState* settings, bool overDesktop, int width, int height) {
    ensureProgramClasses();
    const int w = width ? width : GetSystemMetrics(SM_CXSCREEN);
    const int h = height ? height : GetSystemMetrics(SM_CYSCREEN);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    t->container =
        CreateWindowExA(0, "qv_pageparent", "", WS_POPUP, 0, 0, w, h, nullptr, nullptr, instance, nullptr);
    LONG_PTR ex = GetWindowLongPtrA(t->container, GWL_EXSTYLE);
    if (overDesktop) {
        SetWindowLongPtrA(t->container, GWL_EXSTYLE, ex | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
        setLayeredWindowAttributes(t->container, 0xFF, 1, LWA_ALPHA);
    } else {
        SetWindowLongPtrA(t->container, GWL_EXSTYLE, ex | WS_EX_TOOLWINDOW);
    }
    t->page =
        CreateWindowExA(0, "qv_page", "", WS_POPUP, 0, 0, w, h, t->container, nullptr, instance, nullptr);
    ex = GetWindowLongPtrA(t->page, GWL_EXSTYLE);
    SetWindowLongPtrA(t->page, GWL_EXSTYLE, ex | WS_EX_LAYERED | WS_EX_TOOLWINDOW);
    setLayeredWindowAttributes(t->page, KEY_COLOUR, 255, LWA_COLORKEY);
    SetWindowLongPtrA(t->container, 0, reinterpret_cast<LONG_PTR>(t->page));
    t->record = {};
    t->record.dragState = DRAG_IDLE;
    t->record.settings = settings;
    SetWindowLongPtrA(t->page, 0, reinterpret_cast<LONG_PTR>(&t->record));
    SendMessageA(t->page, UM_PAGE_INIT, 0, 0);
}

void destroyTestPage(TestPage* t) {
    // The page's canvas lives for the page's life in the program; a test releases it itself.
    if (t->page)
        DestroyWindow(t->page);
    if (t->container)
        DestroyWindow(t->container);
    closePageHistory(&t->record);
    if (t->record.memDC)
        DeleteDC(t->record.memDC);
    if (t->record.canvas)
        DeleteObject(t->record.canvas);
    *t = {};
}

void showTestPage(TestPage* t) {
    ShowWindow(t->container, SW_SHOWNORMAL);
    ShowWindow(t->page, SW_SHOWNORMAL);
    flushEvents(200);
}

static LPARAM at(int x, int y) {
    return MAKELPARAM(x, y);
}

void sendDown(HWND hwnd, int x, int y) {
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at(x, y));
}
void sendMove(HWND hwnd, int x, int y, bool held) {
    SendMessageA(hwnd, WM_MOUSEMOVE, held ? MK_LBUTTON : 0, at(x, y));
}
void sendUp(HWND hwnd, int x, int y) {
    SendMessageA(hwnd, WM_LBUTTONUP, 0, at(x, y));
}
void sendGesture(HWND hwnd, const std::vector<POINT>& points, POINT release) {
    if (points.empty())
        return;
    sendDown(hwnd, points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i)
        sendMove(hwnd, points[i].x, points[i].y);
    sendUp(hwnd, release.x, release.y);
}
void sendGesture(HWND hwnd, const std::vector<POINT>& points) {
    if (!points.empty())
        sendGesture(hwnd, points, points.back());
}

COLORREF canvasPixel(const TestPage* t, int x, int y) {
    return GetPixel(t->record.memDC, x, y);
}

int countInked(const TestPage* t, RECT area) {
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0)
        return 0;
    // Read the area through a 32-bit DIB section: far faster than GetPixel over large areas.
    DibCanvas copy(w, h);
    BitBlt(copy.dc, 0, 0, w, h, t->record.memDC, area.left, area.top, SRCCOPY);
    GdiFlush();
    int inked = 0;
    for (int i = 0; i < w * h; ++i)
        if ((copy.bits[i] & 0xFFFFFF) != 0xC8C8C8)
            ++inked;
    return inked;
}

void paintCanvas(TestPage* t, RECT area, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(t->record.memDC, &area, brush);
    DeleteObject(brush);
}

// The clipboard's CF_DIB (24 bits, bottom-up) as 0x00RRGGBB pixels, top row first.
bool clipboardPicture(int* w, int* h, std::vector<uint32_t>* pixels) {
    if (!OpenClipboard(nullptr))
        return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
        if (header && header->biBitCount == 24 && header->biHeight > 0) {
            *w = header->biWidth;
            *h = header->biHeight;
            const size_t stride = (size_t(*w) * 3 + 3) & ~size_t(3);
            const BYTE* rows = reinterpret_cast<const BYTE*>(header) + header->biSize;
            pixels->resize(size_t(*w) * size_t(*h));
            for (int y = 0; y < *h; ++y)
                for (int x = 0; x < *w; ++x) {
                    const BYTE* p = rows + stride * size_t(*h - 1 - y) + size_t(x) * 3;
                    (*pixels)[size_t(y) * size_t(*w) + size_t(x)] = uint32_t(p[0]) | p[1] << 8 | p[2] << 16;
                }
            ok = true;
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    return ok;
}

void emptyClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

std::string shotPath(const char* name) {
    // Into VELMORA_SHOTS when set, else the temporary folder: never into the working tree.
    char dir[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("VELMORA_SHOTS", dir, MAX_PATH))
        GetTempPathA(MAX_PATH, dir);
    std::string path = dir;
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path += '\\';
    return path + name;
}

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
