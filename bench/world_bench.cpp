// World core timings: terrain generation, mesh building (row masks against the block-by-block
// reference), and writing and reading one chunk file.
#include "mesher_reference.h"
#include "scratch.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/saver.h"
#include "world/terrain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The game's diagnostic lines ("stoped building" on every worst-case build) would drown the
// report: send standard output to /dev/null while timing, as a game without a console would.
struct QuietStdout {
    int saved;
    QuietStdout() {
        fflush(stdout);
        saved = dup(1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~QuietStdout() {
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
    }
};

// A 3 x 3 patch of surface chunks at level 4 over earth, with air above, around (4, 4).
void build_world() {
    static bool done = false;
    if (done) return;
    done = true;
    QuietStdout quiet;
    std::srand(12345);
    world_state.world_size = 10;
    initialize_world();
    fill_block_tables();
    int slot = 0;
    auto add = [&](int cx, int cy, int level) {
        generateCube(slot, cx, cy, level);
        world_state.world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        Chunk &c = cubes[slot++];
        c.verts = static_cast<float *>(std::malloc(MESH_FACES * 12 * sizeof(float)));
        c.texs = static_cast<float *>(std::malloc(MESH_FACES * 8 * sizeof(float)));
        c.norms = static_cast<float *>(std::malloc(MESH_FACES * 12 * sizeof(float)));
    };
    for (int cx = 3; cx <= 5; cx++)
        for (int cy = 3; cy <= 5; cy++)
            for (int level = 2; level <= 5; level++) add(cx, cy, level);
    // The worst case: a checkerboard, every block exposed, alone in its column.
    add(8, 8, 7);
    Chunk &w = cubes[chunk_slot(8, 8, 7)];
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            for (int z = 0; z < 64; z++) w.blocks[block_index(x, y, z)] = (x + y + z) % 2 ? 0 : 3;
}

void BM_GenerateCube(benchmark::State &state) {
    build_world();
    QuietStdout quiet;
    int level = int(state.range(0));
    for (auto _ : state) {
        generateCube(400, 0, 0, level);
        benchmark::DoNotOptimize(cubes[400].blocks[100]);
    }
    cubes[400].used = 0;
}
BENCHMARK(BM_GenerateCube)->Arg(4)->Arg(2)->Unit(benchmark::kMicrosecond);

struct Target {
    int cx, cy, level;
};
const Target targets[] = {{4, 4, 4}, {4, 4, 3}, {8, 8, 7}}; // surface, earth, worst case

// Second argument 1: with the merged drawing mesh (the game's build), 0: mesh arrays alone.
void BM_CreatePolygons(benchmark::State &state) {
    build_world();
    QuietStdout quiet;
    const Target t = targets[state.range(0)];
    const MergeOptions merge{int(state.range(1)), 64};
    for (auto _ : state) create_polygons(t.cx, t.cy, t.level, merge);
    const int slot = chunk_slot(t.cx, t.cy, t.level);
    state.counters["faces"] = cubes[slot].polygons;
    state.counters["quads"] = state.range(1) ? cubes[slot].merged.quads : 0;
}
// The silhouette of a built chunk, made afresh each time.
void BM_Silhouette(benchmark::State &state) {
    build_world();
    QuietStdout quiet;
    const Target t = targets[state.range(0)];
    create_polygons(t.cx, t.cy, t.level);
    const int slot = chunk_slot(t.cx, t.cy, t.level);
    for (auto _ : state) {
        cubes[slot].merged.version++; // stale: the next call rebuilds
        benchmark::DoNotOptimize(silhouette_mesh(slot));
    }
    state.counters["quads"] = silhouette_mesh(slot)->quads;
}
BENCHMARK(BM_Silhouette)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
void BM_CreatePolygonsReference(benchmark::State &state) {
    build_world();
    QuietStdout quiet;
    const Target t = targets[state.range(0)];
    for (auto _ : state) reference::create_polygons(t.cx, t.cy, t.level);
    state.counters["faces"] = cubes[chunk_slot(t.cx, t.cy, t.level)].polygons;
}
// 0: surface chunk with six neighbours, 1: earth chunk under it, 2: stops at the face limit.
BENCHMARK(BM_CreatePolygons)->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CreatePolygonsReference)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_SaveW(benchmark::State &state) {
    build_world();
    QuietStdout quiet;
    ScratchDir dir;
    init_save_load(cubes, "bench");
    for (auto _ : state) save_w(4, 4, 4);
}
BENCHMARK(BM_SaveW)->Unit(benchmark::kMicrosecond);

void BM_LoadW(benchmark::State &state) {
    build_world();
    QuietStdout quiet;
    ScratchDir dir;
    init_save_load(cubes, "bench");
    save_w(4, 4, 4);
    // Read into a spare slot bound to the same chunk, as streaming does.
    const uint16_t keep = world_state.world[chunk_cell(4, 4, 4)];
    world_state.world[chunk_cell(4, 4, 4)] = 450;
    for (auto _ : state) load_w(4, 4, 4);
    world_state.world[chunk_cell(4, 4, 4)] = keep;
}
BENCHMARK(BM_LoadW)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
