// What a new display scale costs the program: the time to draw the pictures of one scale the
// first time they are shown at it (the palette's eleven pictures and its logo, the board bar's two
// strips, the calibration logo and the help pages, the page cursors), at 125, 175, 250 and 300 %,
// and the time to load an already drawn one again (a paint at the same scale).
//
// Run: scripts/wine-exec.sh build/windows/bin/picture_scale_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>

#include "app/program_pictures.h"
#include "board/core/board_bar_layout.h"
#include "board/core/board_bar_pictures.h"
#include "pages/core/cursor_pictures.h"
#include "pages/page_state.h"
#include "palette/core/palette_pictures.h"
#include "resources/resource_ids.h"
#include "win32/core/dpi_scale.h"
#include "win32/dpi.h"
#include "win32/drawn_pictures.h"
#include "win32/precise_clock.h"

namespace {

// Loads each id at dpi as a window does (drawn the first time), deleting the bitmaps.
void loadAll(const int* ids, int count, int32_t dpi, int w96, int h96) {
    for (int i = 0; i < count; ++i) {
        HBITMAP b = loadPictureForDpi(GetModuleHandleA(nullptr), ids[i], scaledForDpi(w96, dpi),
                                      scaledForDpi(h96, dpi), dpi);
        if (b)
            DeleteObject(b);
    }
}

} // namespace

int main() {
    registerProgramPictures();
    const int palette[] = {101, 102, 103, 113, 114, 115, 116, 117, 118, 119, 120};
    const int paletteLogo[] = {IDB_PALETTE_LOGO};
    const int calibrationLogo[] = {IDB_CALIBRATION_LOGO};
    const int help[] = {301, 302, 303, 304};
    std::printf("%-6s %10s %8s %9s %9s %9s %8s %9s %10s\n", "scale", "palette", "logo", "bar", "calib.",
                "help", "cursors", "total", "repaint");
    for (int32_t dpi : {120, 168, 240, 288}) {
        double t0 = preciseMs();
        loadAll(palette, 11, dpi, 220, 220);
        double t1 = preciseMs();
        loadAll(paletteLogo, 1, dpi, 430, 250);
        double t2 = preciseMs();
        for (int pressed = 0; pressed < 2; ++pressed) {
            HBITMAP b = bitmapOfPicture(boardBarStrip(pressed == 1, scaledForDpi(BAR_BUTTON_96, dpi)));
            if (b)
                DeleteObject(b);
        }
        double t3 = preciseMs();
        loadAll(calibrationLogo, 1, dpi, 512, 296);
        double t4 = preciseMs();
        loadAll(help, 4, dpi, 220, 220);
        double t5 = preciseMs();
        setPageCursorDpi(dpi);
        for (int32_t id : PAGE_CURSOR_IDS)
            loadPageCursor(id, false);
        double t6 = preciseMs();
        loadAll(palette, 11, dpi, 220, 220);
        double t7 = preciseMs();
        std::printf("%3d %%  %8.0f ms %5.0f ms %6.0f ms %6.0f ms %6.0f ms %5.0f ms %6.0f ms %7.2f ms\n",
                    dpi * 100 / 96, t1 - t0, t2 - t1, t3 - t2, t4 - t3, t5 - t4, t6 - t5, t6 - t0,
                    (t7 - t6) / 11);
    }
    std::printf(
        "(palette: its 11 pictures; logo: the palette's face; bar: the board bar's 2 strips; calib.: the\n"
        " calibration logo; help: 4 pages; cursors: the 8 page cursors; repaint: one palette picture\n"
        " loaded again at the same scale)\n");
    return 0;
}
