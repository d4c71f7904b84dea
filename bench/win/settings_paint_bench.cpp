// How long the settings and help windows take to paint under Wine: the settings window's whole
// paint (the prepared picture copied, then the mark, the cells and the number), a press in the bar
// through to the repainted window, and a help page turn (the page picture loaded from the
// resources and copied).
#include <windows.h>

#include <cstdio>

#include "win32/settings_record.h"
#include "app/core/settings_layout.h"
#include "app/help_window.h"
#include "win32/ids.h"
#include "app/settings_window.h"
#include "app/window_classes.h"
#include "tests/support/dib_canvas.h"
#include "tests/support/flush_events.h"
#include "tests/support/wine_options.h"

namespace {

double nowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

void report(const char* what, int count, double ms) {
    std::printf("%-52s %7d in %8.1f ms: %8.1f us each, %9.0f per second\n", what, count, ms,
                1000.0 * ms / count, count / (ms / 1000.0));
}

HWND create(const char* cls, const char* title, int w, int h) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    return CreateWindowExA(0, cls, title, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, (sw - w) / 2,
                           (sh - h) / 2, w, h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

} // namespace

int main() {
    skipWindowManagerWait();
    registerWindowClasses(GetModuleHandleA(nullptr));
    settings.showPaletteAtStart = 0;
    settings.smoothingPeriod = 6;
    settings.lagTime = 10;

    HWND settingsWindow = create(SETTINGS_CLASS, "Configuraci\xF3n del sistema", 380, 440);
    SendMessageA(settingsWindow, UM_TOGGLE_SHOW, 0, 0);
    flushEvents(200);
    RECT client;
    GetClientRect(settingsWindow, &client);
    {
        DibCanvas canvas(client.right, client.bottom);
        const int n = 2000;
        const double start = nowMs();
        for (int i = 0; i < n; ++i)
            paintSettingsContent(canvas.dc);
        GdiFlush();
        report("settings window: whole paint into a memory DC", n, nowMs() - start);
    }
    {
        const int n = 1000;
        const double start = nowMs();
        for (int i = 0; i < n; ++i) {
            const LayoutRect c = settingsCellRect(1 + i % 20);
            SendMessageA(settingsWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.left + 5, 247));
            UpdateWindow(settingsWindow);
        }
        GdiFlush();
        report("settings window: press in the bar, repainted", n, nowMs() - start);
    }

    HWND helpWindow = create(HELP_CLASS, "Help", 220, 220);
    SendMessageA(helpWindow, UM_TOGGLE_SHOW, 0, 0);
    flushEvents(200);
    {
        const int n = 1000;
        const double start = nowMs();
        for (int i = 0; i < n; ++i) {
            SendMessageA(helpWindow, WM_COMMAND, i % 2 ? IDC_HELP_FIRST : IDC_HELP_END, 0);
            UpdateWindow(helpWindow);
        }
        GdiFlush();
        report("help window: page turn, picture loaded and painted", n, nowMs() - start);
    }
    std::printf("screen %d x %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    DestroyWindow(helpWindow);
    DestroyWindow(settingsWindow);
    return 0;
}
