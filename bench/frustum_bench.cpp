// Cost of the per-face cube test the chunk pass runs for every face of every visible chunk.
#include <benchmark/benchmark.h>

#include "draw/frustum_calc.h"

#include <cmath>

namespace {

// The game's perspective looking along -z, built without a GL context.
void game_planes(float planes[6][4]) {
    const float f = 1.0f / std::tan(22.5f * 3.14159265f / 180.0f), n = 0.01f, fa = 1000.0f;
    const float proj[16] = {
        f / 1.3333334f,        0, 0, 0, 0, f, 0, 0, 0, 0, (fa + n) / (n - fa), -1, 0, 0,
        2 * fa * n / (n - fa), 0};
    const float modl[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    frustum_from_matrices(proj, modl, planes);
}

// A chunk's worth of face cubes spread over a 64-block box straddling the view's edge.
void BM_CubeInFrustumFaces(benchmark::State &state) {
    float planes[6][4];
    game_planes(planes);
    int visible = 0;
    for (auto _ : state) {
        for (int i = 0; i < 4096; i++) {
            float x = float(i % 16) * 4 - 10, y = float((i / 16) % 16) * 4 - 32,
                  z = -float(i / 256) * 4 - 2;
            visible += frustum_cube_in(planes, x, y, z, 1.0f);
        }
    }
    benchmark::DoNotOptimize(visible);
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_CubeInFrustumFaces);

void BM_PlanesFromMatrices(benchmark::State &state) {
    float planes[6][4];
    for (auto _ : state) {
        game_planes(planes);
        benchmark::DoNotOptimize(planes);
    }
}
BENCHMARK(BM_PlanesFromMatrices);

} // namespace

BENCHMARK_MAIN();
