// The program's start-up: from the process start to its main window (whose creation adds the tray
// icon) and to the palette on the screen, with the palette shown at start and a calibration
// stored, so the program reaches its steady state without a window in the way. Run on a display at
// 100 % and on one at 150 % (where the palette's pictures are drawn at start); the median and the
// maximum of 7 starts. The first argument names the program (VelmoraSim.exe unless told: another
// build of the simulated-board program copied beside this one, to compare two builds).
//
// Run: scripts/wine-exec.sh build/windows/bin/startup_bench.exe
//      VELMORA_SCREEN=hd144 scripts/wine-exec.sh build/windows/bin/startup_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/find_windows.h"
#include "tests/support/registry.h"
#include "tests/support/touch_session.h"
#include "tools/simboard/simboard.h"
#include "win32/class_names.h"
#include "win32/dpi.h"
#include "win32/precise_clock.h"

namespace {

// Waits (pumping messages) until the program's palette is visible; false after timeoutMs.
bool waitPaletteVisible(DWORD processId, DWORD timeoutMs) {
    const double end = preciseMs() + timeoutMs;
    while (preciseMs() < end) {
        HWND palette = findTopLevelWindow(PALETTE_CLASS, processId);
        if (palette && IsWindowVisible(palette))
            return true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(1);
    }
    return false;
}

void printFigures(const char* what, std::vector<double> ms) {
    if (ms.empty()) {
        std::printf("%-28s no start measured\n", what);
        return;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-28s median %6.0f ms, max %6.0f ms (%zu starts)\n", what, ms[ms.size() / 2], ms.back(),
                ms.size());
}

} // namespace

int main(int argc, char** argv) {
    const char* program = argc > 1 ? argv[1] : "VelmoraSim.exe";
    std::vector<double> toMain, toPalette;
    for (int run = 0; run < 7; ++run) {
        deleteTolvexKey();
        writeRegistryText(HKEY_CURRENT_USER, TOLVEX_KEY, "Save", "1");
        SimBoard* board = simboardStart(SimBoardConfig{});
        if (!board)
            break;
        storeBoardCalibration(board);
        ChildProgram child;
        const double start = preciseMs();
        if (startProgram(program, &child)) {
            if (waitTopLevelWindow(MAIN_WINDOW_CLASS, child.processId, 20000, true)) {
                toMain.push_back(preciseMs() - start);
                if (waitPaletteVisible(child.processId, 20000))
                    toPalette.push_back(preciseMs() - start);
            }
            killProgram(&child);
        }
        simboardStop(board);
    }
    deleteTolvexKey();
    std::printf("%s at %d DPI:\n", program, int(primaryDpi()));
    printFigures("process start to tray icon", toMain);
    printFigures("process start to palette", toPalette);
    return 0;
}
