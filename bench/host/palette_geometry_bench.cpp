// How long the palette's geometry takes: all 25 shapes built and turned (done once at start), and
// the core's hit test the picture generator and the tests use.
#include <benchmark/benchmark.h>

#include "palette/core/palette_layout.h"

static void BM_PreparePaletteShapes(benchmark::State& state) {
    PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    for (auto _ : state) {
        preparePaletteShapes(shapes);
        benchmark::DoNotOptimize(shapes[0].points);
    }
    freePaletteShapes(shapes);
}
BENCHMARK(BM_PreparePaletteShapes);

static void BM_PaletteButtonAt(benchmark::State& state) {
    PaletteShape shapes[PALETTE_SHAPE_COUNT] = {};
    preparePaletteShapes(shapes);
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(paletteButtonAt(shapes, x + 0.5, y + 0.5));
        x = (x + 37) % PALETTE_SIZE;
        y = (y + 53) % PALETTE_SIZE;
    }
    freePaletteShapes(shapes);
}
BENCHMARK(BM_PaletteButtonAt);

BENCHMARK_MAIN();
