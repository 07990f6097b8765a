// Cost of the per-step and per-frame item work: the pick ray, a full particle frame, bursts
// and the pick-up scan.
#include <benchmark/benchmark.h>

#include <cstring>

#include "engine/interact.h"
#include "engine/physics.h"
#include "items/particles.h"
#include "world/chunks.h"
#include "world/mesher.h"

namespace {

// One empty chunk around the body, so the ray runs all 32 samples.
void empty_world() {
    world_state.world_size = 10;
    initialize_world();
    fill_block_tables();
    std::memset(cubes[0].blocks, 0, sizeof cubes[0].blocks);
    cubes[0].used = 1;
    world_state.world[chunk_cell(1, 1, 1)] = 0;
}

void BM_PickRayMiss(benchmark::State &state) {
    empty_world();
    PlayerState body = {};
    body.x = 30;
    body.y = 30;
    body.z = 90;
    body.yaw = 37;
    body.pitch = 20;
    for (auto _ : state) {
        pick_ray(&body);
        benchmark::DoNotOptimize(body.has_target);
    }
}
BENCHMARK(BM_PickRayMiss);

void BM_FullFrameAdvance(benchmark::State &state) {
    fill_block_tables();
    for (auto _ : state) {
        state.PauseTiming();
        init_particles();
        for (Particle &p : prs) p = Particle{0, 0, 0, 0.01f, 0.01f, 0.02f, 1, 0, 0, 40, 1};
        for (int k = 0; k < BOX_LIVE; k++) add_box(float(k), 0, 0, 3);
        state.ResumeTiming();
        advance_particles(nullptr, nullptr);
    }
}
BENCHMARK(BM_FullFrameAdvance);

void BM_BreakBurst(benchmark::State &state) {
    fill_block_tables();
    for (auto _ : state) {
        state.PauseTiming();
        init_particles();
        state.ResumeTiming();
        add_particle_from_cube(1, 2, 3, 3, 60);
    }
}
BENCHMARK(BM_BreakBurst);

void BM_PickBoxFullMiss(benchmark::State &state) {
    init_particles();
    for (int k = 0; k < BOX_LIVE; k++) add_box(float(k), 0, 0, 3);
    for (auto _ : state) benchmark::DoNotOptimize(pick_box(5000, 5000, 5000));
}
BENCHMARK(BM_PickBoxFullMiss);

} // namespace

BENCHMARK_MAIN();
