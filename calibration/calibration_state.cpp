#include "calibration/calibration_state.h"

#include "win32/monitors.h"

std::atomic<int32_t> screenWidth{0}, screenHeight{0};
SharedPoint calibTargets[4];
std::atomic<uint32_t> calibTargetsSeq{0};
int32_t calibRaw[8] = {};
Vec3 calibSensorPoints[4] = {};
Vec3 calibWeights = {};
std::atomic<int32_t> calibState{CALIB_NONE};
std::atomic<int32_t> calibValid{CALIB_NONE};
std::atomic<int32_t> calibPointIndex{0};

namespace {

// The placement's fields, written and read under calibTargetsSeq like the crosses.
std::atomic<int32_t> placementWords[7];
std::atomic<int32_t> screenDpi{96};       // the board monitor's DPI, published with the targets
std::atomic<int32_t> calibScreenWords[3]; // storeCalibScreen / readCalibScreen: width, height, dpi

} // namespace

void storeCalibScreen(const CrossScreen& screen) {
    calibScreenWords[0].store(screen.width);
    calibScreenWords[1].store(screen.height);
    calibScreenWords[2].store(screen.dpi);
}

CrossScreen readCalibScreen() {
    return {calibScreenWords[0].load(), calibScreenWords[1].load(), calibScreenWords[2].load()};
}

// A sequence counter around the write (a seqlock): the reader takes a copy and keeps it only when
// the counter was even and unchanged across the copy.
void publishScreenTargets(const ScreenTargets& screen) {
    const uint32_t seq = calibTargetsSeq.load(std::memory_order_relaxed);
    calibTargetsSeq.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    screenWidth.store(screen.width, std::memory_order_relaxed);
    screenHeight.store(screen.height, std::memory_order_relaxed);
    for (int i = 0; i < 4; ++i) {
        calibTargets[i].x.store(screen.targets[i][0], std::memory_order_relaxed);
        calibTargets[i].y.store(screen.targets[i][1], std::memory_order_relaxed);
    }
    const BoardPlacement& b = screen.placement;
    const int32_t words[7] = {b.left,    b.top,       b.virtualDesk ? 1 : 0, b.deskLeft,
                              b.deskTop, b.deskWidth, b.deskHeight};
    for (int i = 0; i < 7; ++i)
        placementWords[i].store(words[i], std::memory_order_relaxed);
    screenDpi.store(screen.dpi, std::memory_order_relaxed);
    calibTargetsSeq.store(seq + 2, std::memory_order_release);
}

ScreenTargets readScreenTargets() {
    ScreenTargets screen;
    for (;;) {
        const uint32_t before = calibTargetsSeq.load(std::memory_order_acquire);
        if (before & 1) {
            YieldProcessor();
            continue;
        }
        screen.width = screenWidth.load(std::memory_order_relaxed);
        screen.height = screenHeight.load(std::memory_order_relaxed);
        for (int i = 0; i < 4; ++i) {
            screen.targets[i][0] = calibTargets[i].x.load(std::memory_order_relaxed);
            screen.targets[i][1] = calibTargets[i].y.load(std::memory_order_relaxed);
        }
        int32_t words[7];
        for (int i = 0; i < 7; ++i)
            words[i] = placementWords[i].load(std::memory_order_relaxed);
        screen.placement = {words[0], words[1], words[2] != 0, words[3], words[4], words[5], words[6]};
        screen.dpi = screenDpi.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (calibTargetsSeq.load(std::memory_order_relaxed) == before)
            return screen;
    }
}

bool takeBoardMonitor() {
    MonitorBox desk = {};
    const bool missing = lookUpBoardMonitor(&desk);
    const MonitorBox& a = boardMonitor.area;
    ScreenTargets screen = {a.right - a.left, a.bottom - a.top, {}, {}, boardMonitor.dpi};
    for (int i = 0; i < 4; ++i) {
        const ScreenPoint cross = calibrationCross(i, screen.width, screen.height, screen.dpi);
        screen.targets[i][0] = cross.x;
        screen.targets[i][1] = cross.y;
    }
    // On the primary the units are the primary's, exactly as without a choice of monitor.
    if (!boardMonitor.primary)
        screen.placement = {
            a.left, a.top, true, desk.left, desk.top, desk.right - desk.left, desk.bottom - desk.top};
    publishScreenTargets(screen);
    return missing;
}
