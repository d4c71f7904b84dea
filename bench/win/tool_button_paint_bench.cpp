// Paints of the palette buttons under Wine: each paint loads its 220 x 220 picture from the
// resources, copies it and releases it; a swatch paint fills a solid colour. Prints paints per
// second for a picture button, a swatch, and a hover sweep over the whole palette (every button
// repainted once per round).
#include <cstdio>

#include "tests/support/flush_events.h"
#include "tests/support/palette_fixture.h"

namespace {

double paintsPerSecond(HWND button, int count) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    for (int i = 0; i < count; ++i) {
        InvalidateRect(button, nullptr, TRUE);
        UpdateWindow(button);
    }
    QueryPerformanceCounter(&b);
    return count / (double(b.QuadPart - a.QuadPart) / double(f.QuadPart));
}

} // namespace

int main() {
    TestPalette palette(60, 60);
    flushEvents(300);
    const int count = 2000;
    double picture = paintsPerSecond(palette.buttons[BUTTON_N_LINE], count);
    double swatch = paintsPerSecond(palette.buttons[BUTTON_N_BLACK + 2], count);
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    const int rounds = 100;
    for (int r = 0; r < rounds; ++r) {
        for (HWND button : palette.buttons)
            InvalidateRect(button, nullptr, TRUE);
        palette.paintNow();
    }
    QueryPerformanceCounter(&b);
    double seconds = double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
    std::printf("picture button: %.0f paints/s (%.3f ms per paint, %d paints)\n", picture, 1000 / picture,
                count);
    std::printf("swatch button:  %.0f paints/s (%.3f ms per paint, %d paints)\n", swatch, 1000 / swatch,
                count);
    std::printf("whole palette:  %.1f full repaints/s (%d buttons, %.2f ms each, %d rounds)\n",
                rounds / seconds, PALETTE_BUTTON_COUNT, 1000 * seconds / rounds, rounds);
    return 0;
}
