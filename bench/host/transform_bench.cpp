// Per-touch cost of the calibration transform and the mapping to pixels and mouse units.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "calibration/core/screen_mapping.h"
#include "calibration/core/transform.h"

namespace {

struct Board {
    Vec3 points[4];
    Vec3 weights;
    Board() {
        const int32_t raw[8] = {150, 100, 880, 60, 120, 700, 940, 720}; // a keystoned board
        setUpTransform(raw, points, weights);
    }
};
const Board board;
const int kTargets[3][2] = {{100, 50}, {924, 50}, {100, 718}};

// Touches spread over the sensor, so no branch or value is the same every time.
int touchX(int n) {
    return 1 + (n * 37) % 1023;
}
int touchY(int n) {
    return 1 + (n * 53) % 767;
}

void BM_Centre(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        Vec3 q{double(touchX(n)), double(touchY(n)), 0.0};
        centreSensorPoint(q);
        benchmark::DoNotOptimize(q);
        ++n;
    }
}
BENCHMARK(BM_Centre);

void BM_Project(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        Vec3 q{double(touchX(n)) - 512, double(touchY(n)) - 384, 0.0};
        benchmark::DoNotOptimize(projectOntoPlane(board.weights, q));
        benchmark::DoNotOptimize(q);
        ++n;
    }
}
BENCHMARK(BM_Project);

void BM_UnitSquare(benchmark::State& state) {
    int n = 0;
    double uv[2];
    for (auto _ : state) {
        Vec3 q{double(touchX(n)) - 512, double(touchY(n)) - 384, 0.0};
        projectOntoPlane(board.weights, q);
        benchmark::DoNotOptimize(planeToUnitSquare(board.points, q, uv));
        benchmark::DoNotOptimize(uv);
        ++n;
    }
}
BENCHMARK(BM_UnitSquare);

void BM_PixelAndMouse(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        double u = (n % 1000) * 0.001, v = (n % 777) * 0.0013;
        ScreenPoint p{0, 0};
        unitSquareToPixel(u, v, kTargets, 1024, 768, p);
        int mx = pixelToMouseX(p.x, 1024), my = pixelToMouseY(p.y, 768);
        benchmark::DoNotOptimize(mx);
        benchmark::DoNotOptimize(my);
        ++n;
    }
}
BENCHMARK(BM_PixelAndMouse);

// The whole road of one touch: sensor point to absolute mouse units.
void BM_WholeTouch(benchmark::State& state) {
    int n = 0;
    double uv[2] = {0, 0};
    for (auto _ : state) {
        sensorToUnitSquare(board.points, board.weights, touchX(n), touchY(n), uv);
        ScreenPoint p{0, 0};
        unitSquareToPixel(uv[0], uv[1], kTargets, 1024, 768, p);
        int mx = pixelToMouseX(p.x, 1024), my = pixelToMouseY(p.y, 768);
        benchmark::DoNotOptimize(mx);
        benchmark::DoNotOptimize(my);
        ++n;
    }
}
BENCHMARK(BM_WholeTouch);

// The set-up, run once per calibration.
void BM_SetUp(benchmark::State& state) {
    const int32_t raw[8] = {150, 100, 880, 60, 120, 700, 940, 720};
    for (auto _ : state) {
        Vec3 points[4], weights;
        benchmark::DoNotOptimize(setUpTransform(raw, points, weights));
        benchmark::DoNotOptimize(weights);
    }
}
BENCHMARK(BM_SetUp);

} // namespace

BENCHMARK_MAIN();
