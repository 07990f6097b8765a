// Chunk pool and grid: lookups across borders, the world's wrap, missing chunks and clamps.
#include "engine/physics.h"
#include "world/chunks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

// A grid too large to allocate must come back as a failure, not an abort of the test.
extern "C" const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

class ChunkStore : public ::testing::Test {
  protected:
    void SetUp() override {
        world_size = 10;
        ASSERT_EQ(initialize_world(), 1);
    }
    void TearDown() override {
        world_size = 10;
        initialize_world();
    }
    // Binds `slot` to chunk (cx, cy, level) with every block set to `fill`.
    static void bind(int slot, int cx, int cy, int level, BlockId fill) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        cubes[slot].used = 1;
        std::fill(cubes[slot].blocks, cubes[slot].blocks + CHUNK_BLOCKS, fill);
    }
    static void put(int slot, int x, int y, int z, BlockId v) {
        cubes[slot].blocks[block_index(x, y, z)] = v;
    }
};

TEST_F(ChunkStore, FreshWorldIsEmptyAndEveryLookupIsSolid) {
    bind(0, 2, 2, 4, 0);
    bind(1, 3, 2, 4, 0);
    world_clock = 42;
    ASSERT_EQ(initialize_world(), 1);
    EXPECT_EQ(world_clock, 0);
    EXPECT_EQ(find_free_cube(), 0);
    EXPECT_EQ(chunk_slot(2, 2, 4), -1);
    for (int level = 0; level < CHUNK_LEVELS; level++) {
        EXPECT_EQ(g_xy(2, 2, level, 5, 5, 5), 1);
        EXPECT_EQ(g_z(9, 0, level, 0, 63, 0), 1);
    }
}

TEST_F(ChunkStore, NeighbourBlocksAcrossEachBorder) {
    bind(0, 4, 4, 4, 0);
    bind(1, 5, 4, 4, 0); // cx + 1
    bind(2, 3, 4, 4, 0); // cx - 1
    bind(3, 4, 5, 4, 0); // cy + 1
    bind(4, 4, 3, 4, 0); // cy - 1
    bind(5, 4, 4, 5, 0); // level + 1
    bind(6, 4, 4, 3, 0); // level - 1
    put(1, 63, 7, 9, 5);
    put(2, 0, 7, 9, 6);
    put(3, 7, 63, 9, 7);
    put(4, 7, 0, 9, 8);
    put(5, 7, 7, 0, 4);
    put(6, 7, 7, 63, 3);
    // Block indices run against the world axes: beyond x = 0 lies chunk cx + 1 at x = 63.
    EXPECT_EQ(g_xy(4, 4, 4, -1, 7, 9), 5);
    EXPECT_EQ(g_x(4, 4, 4, -1, 7, 9), 5);
    EXPECT_EQ(g_xy(4, 4, 4, 64, 7, 9), 6);
    EXPECT_EQ(g_x(4, 4, 4, 64, 7, 9), 6);
    EXPECT_EQ(g_xy(4, 4, 4, 7, -1, 9), 7);
    EXPECT_EQ(g_y(4, 4, 4, 7, -1, 9), 7);
    EXPECT_EQ(g_xy(4, 4, 4, 7, 64, 9), 8);
    EXPECT_EQ(g_y(4, 4, 4, 7, 64, 9), 8);
    EXPECT_EQ(g_z(4, 4, 4, 7, 7, 64), 4);
    EXPECT_EQ(g_z(4, 4, 4, 7, 7, -1), 3);
    // Diagonal step in both x and y.
    bind(7, 5, 5, 4, 0);
    put(7, 63, 63, 9, 9);
    EXPECT_EQ(g_xy(4, 4, 4, -1, -1, 9), 9);
}

TEST_F(ChunkStore, LookupsWrapAroundTheWorld) {
    bind(0, 0, 0, 4, 0);
    bind(1, 9, 9, 4, 0);
    put(0, 63, 12, 3, 2);
    put(0, 12, 63, 3, 3);
    put(1, 0, 12, 3, 4);
    put(1, 12, 0, 3, 5);
    bind(2, 9, 0, 4, 0);
    bind(3, 0, 9, 4, 0);
    put(2, 0, 12, 3, 6);
    put(3, 12, 0, 3, 7);
    put(3, 63, 12, 3, 8);
    put(2, 12, 63, 3, 9);
    // x = -1 in chunk 9 reads chunk 0; x = 64 in chunk 0 reads chunk 9.
    EXPECT_EQ(g_xy(9, 0, 4, -1, 12, 3), 2);
    EXPECT_EQ(g_xy(0, 9, 4, 12, -1, 3), 3);
    EXPECT_EQ(g_xy(0, 0, 4, 64, 12, 3), 6);
    EXPECT_EQ(g_xy(0, 0, 4, 12, 64, 3), 7);
    EXPECT_EQ(g_x(9, 9, 4, -1, 12, 3), 8); // chunk (0, 9)
    EXPECT_EQ(g_y(9, 9, 4, 12, -1, 3), 9); // chunk (9, 0)
    EXPECT_EQ(chunk_slot(10, -1, 4), 3);
    EXPECT_EQ(chunk_slot(-1, 10, 4), 2);
}

TEST_F(ChunkStore, MissingChunksReadSolid) {
    bind(0, 1, 1, 1, 0);
    EXPECT_EQ(g_xy(1, 1, 1, 3, 3, 3), 0);
    EXPECT_EQ(g_xy(1, 1, 1, -1, 3, 3), 1); // cell 0xFFFF
    cubes[0].used = 0;                     // cell still names the slot, but it is free
    EXPECT_EQ(g_xy(1, 1, 1, 3, 3, 3), 1);
    EXPECT_EQ(chunk_slot(1, 1, 1), -1);
    cubes[0].used = 1;
    // Levels outside the grid do not exist.
    EXPECT_EQ(g_z(1, 1, 0, 3, 3, -1), 1);
    bind(1, 1, 1, 9, 0);
    EXPECT_EQ(g_z(1, 1, 9, 3, 3, 64), 1);
    EXPECT_EQ(g_xy(1, 1, 10, 3, 3, 3), 1);
    EXPECT_EQ(g_xy(1, 1, -1, 3, 3, 3), 1);
    // Positions no single step reaches stay inside the grid and the chunk.
    EXPECT_EQ(g_xy(25, 1, 1, 3, 3, 3), 1);
    EXPECT_EQ(g_xy(1, 1, 1, 3, 3, 64), 1);
    EXPECT_EQ(g_x(1, 1, 1, 3, -1, 3), 1);
    EXPECT_EQ(g_z(1, 1, 1, 64, 3, 3), 1);
    // A damaged cell naming no pool slot is absent, not an index past the pool.
    world[chunk_cell(2, 2, 2)] = POOL_SIZE;
    EXPECT_EQ(g_xy(2, 2, 2, 0, 0, 0), 1);
}

TEST_F(ChunkStore, StoredValuesAreClamped) {
    bind(0, 6, 6, 6, 0);
    put(0, 1, 1, 1, 10);
    put(0, 1, 1, 2, 11);
    put(0, 1, 1, 3, 9);
    put(0, 1, 1, 4, 300);
    EXPECT_EQ(g_xy(6, 6, 6, 1, 1, 1), 10);
    EXPECT_EQ(g_xy(6, 6, 6, 1, 1, 2), 0);
    EXPECT_EQ(g_x(6, 6, 6, 1, 1, 2), 0);
    EXPECT_EQ(g_y(6, 6, 6, 1, 1, 4), 0);
    EXPECT_EQ(g_z(6, 6, 6, 1, 1, 1), 1);
    EXPECT_EQ(g_z(6, 6, 6, 1, 1, 2), 1);
    EXPECT_EQ(g_z(6, 6, 6, 1, 1, 3), 9);
}

TEST_F(ChunkStore, WrapHelpers) {
    EXPECT_EQ(t_zn(-1), 9);
    EXPECT_EQ(t_zn(10), 0);
    EXPECT_EQ(t_zn(-10), 0);
    EXPECT_EQ(t_zn(19), 9);
    EXPECT_EQ(t_zn(5), 5);
    EXPECT_FLOAT_EQ(t_un(-0.5f), 639.5f);
    EXPECT_FLOAT_EQ(t_un(640.0f), 0.0f);
    EXPECT_FLOAT_EQ(t_un(639.75f), 639.75f);
    world_size = 30;
    EXPECT_EQ(t_zn(-1), 29);
    EXPECT_FLOAT_EQ(t_un(-1.0f), 1919.0f);
}

TEST_F(ChunkStore, PoolFillsUpInOrder) {
    for (int k = 0; k < POOL_SIZE; k++) {
        ASSERT_EQ(find_free_cube(), k);
        cubes[k].used = 1;
    }
    EXPECT_EQ(find_free_cube(), -1);
    cubes[321].used = 0;
    EXPECT_EQ(find_free_cube(), 321);
}

TEST_F(ChunkStore, RestartReleasesTheOldGridAndMeshes) {
    // Run under the leak checker: a second game must not leak the first one's grid or the
    // mesh arrays of chunks still bound.
    bind(0, 0, 0, 0, 0);
    cubes[0].verts = static_cast<float *>(std::malloc(64));
    cubes[0].texs = static_cast<float *>(std::malloc(64));
    cubes[0].norms = static_cast<float *>(std::malloc(64));
    world_size = 20;
    ASSERT_EQ(initialize_world(), 1);
    EXPECT_EQ(cubes[0].used, 0);
    EXPECT_EQ(cubes[0].verts, nullptr);
    world[chunk_cell(19, 19, 9)] = 0; // the whole larger grid is there
    EXPECT_EQ(g_xy(19, 19, 9, 0, 0, 0), 1);
}

TEST_F(ChunkStore, GridThatCannotBeAllocated) {
    world_size = 1 << 24;
    testing::internal::CaptureStdout();
    EXPECT_EQ(initialize_world(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("world size 16777216 \n"), std::string::npos);
    EXPECT_GT(out.size(), std::string("world size 16777216 \n").size());
    EXPECT_EQ(world, nullptr);
    EXPECT_EQ(g_xy(0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(chunk_slot(0, 0, 0), -1);
    world_size = 0;
    EXPECT_EQ(initialize_world(), 0);
}

} // namespace
