// Chunk pool and grid: lookups across borders, the world's wrap, missing chunks and clamps.
#include "engine/physics.h"
#include "world/chunks.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <string>

// A grid too large to allocate must come back as a failure, not an abort of the test.
extern "C" const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

typedef int (*Lookup)(int, int, int, int, int, int);

class ChunkStore : public ::testing::Test {
  protected:
    void SetUp() override { reset(10); }
    void TearDown() override { reset(10); }
    static void reset(int size) {
        world_size = size;
        ASSERT_EQ(initialize_world(), 1);
    }
    static BlockId *bind(int slot, int cx, int cy, int level) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        cubes[slot].used = 1;
        std::fill(cubes[slot].blocks, cubes[slot].blocks + CHUNK_BLOCKS, BlockId(0));
        return cubes[slot].blocks;
    }
};

TEST_F(ChunkStore, LookupsAcrossEveryBorderAndTheWrap) {
    // Block indices run against the world axes: beyond x = 0 lies chunk cx + 1 at x = 63.
    const struct {
        Lookup get;
        int cx, cy, level, x, y, z;
    } cases[] = {{g_xy, 4, 4, 4, -1, 7, 9},  {g_x, 4, 4, 4, -1, 7, 9},   {g_xy, 4, 4, 4, 64, 7, 9},
                 {g_x, 4, 4, 4, 64, 7, 9},   {g_xy, 4, 4, 4, 7, -1, 9},  {g_y, 4, 4, 4, 7, -1, 9},
                 {g_xy, 4, 4, 4, 7, 64, 9},  {g_y, 4, 4, 4, 7, 64, 9},   {g_z, 4, 4, 4, 7, 7, 64},
                 {g_z, 4, 4, 4, 7, 7, -1},   {g_xy, 4, 4, 4, -1, -1, 9}, {g_xy, 9, 0, 4, -1, 12, 3},
                 {g_xy, 0, 9, 4, 12, -1, 3}, {g_xy, 0, 0, 4, 64, 12, 3}, {g_xy, 0, 0, 4, 12, 64, 3},
                 {g_x, 9, 9, 4, -1, 12, 3},  {g_y, 9, 9, 4, 12, -1, 3}};
    auto step = [](int p) { return p < 0 ? 1 : p > 63 ? -1 : 0; };
    for (const auto &k : cases) {
        SCOPED_TRACE(testing::Message() << "chunk " << k.cx << "," << k.cy << "," << k.level
                                        << " block " << k.x << "," << k.y << "," << k.z);
        reset(10);
        bind(0, k.cx, k.cy, k.level);
        int ncx = (k.cx + step(k.x) + 10) % 10, ncy = (k.cy + step(k.y) + 10) % 10;
        bind(1, ncx, ncy, k.level - step(k.z))[block_index(k.x & 63, k.y & 63, k.z & 63)] = 4;
        EXPECT_EQ(k.get(k.cx, k.cy, k.level, k.x, k.y, k.z), 4);
    }
    bind(2, 0, 9, 4);
    EXPECT_EQ(chunk_slot(10, -1, 4), 2);
}

TEST_F(ChunkStore, ClampsAndMissingChunks) {
    BlockId *b = bind(0, 6, 6, 6);
    b[block_index(1, 1, 1)] = 10, b[block_index(1, 1, 2)] = 11;
    b[block_index(1, 1, 3)] = 9, b[block_index(1, 1, 4)] = 300;
    bind(1, 1, 1, 1), bind(2, 1, 1, 9), bind(3, 1, 1, 0);
    world[chunk_cell(2, 2, 2)] = POOL_SIZE; // a damaged cell naming no slot
    world[chunk_cell(3, 3, 3)] = 4;         // a free slot
    const struct {
        Lookup get;
        int cx, cy, level, x, y, z, want;
    } cases[] = {
        {g_xy, 6, 6, 6, 1, 1, 1, 10}, {g_xy, 6, 6, 6, 1, 1, 2, 0},  {g_x, 6, 6, 6, 1, 1, 2, 0},
        {g_y, 6, 6, 6, 1, 1, 4, 0},   {g_z, 6, 6, 6, 1, 1, 1, 1},   {g_z, 6, 6, 6, 1, 1, 2, 1},
        {g_z, 6, 6, 6, 1, 1, 3, 9},   {g_xy, 1, 1, 1, 3, 3, 3, 0},  {g_xy, 1, 1, 1, -1, 3, 3, 1},
        {g_z, 1, 1, 0, 3, 3, -1, 1},  {g_z, 1, 1, 9, 3, 3, 64, 1},  {g_xy, 1, 1, 10, 3, 3, 3, 1},
        {g_xy, 1, 1, -1, 3, 3, 3, 1}, {g_xy, 25, 1, 1, 3, 3, 3, 1}, {g_xy, 1, 1, 1, 3, 3, 64, 1},
        {g_x, 1, 1, 1, 3, -1, 3, 1},  {g_z, 1, 1, 1, 64, 3, 3, 1},  {g_xy, 2, 2, 2, 0, 0, 0, 1},
        {g_xy, 3, 3, 3, 0, 0, 0, 1}};
    for (const auto &k : cases)
        EXPECT_EQ(k.get(k.cx, k.cy, k.level, k.x, k.y, k.z), k.want)
            << k.cx << "," << k.cy << "," << k.level << " block " << k.x << "," << k.y << ","
            << k.z;
    EXPECT_EQ(chunk_slot(3, 3, 3), -1);
}

TEST_F(ChunkStore, WrapHelpers) {
    const int zn[][2] = {{-1, 9}, {10, 0}, {-10, 0}, {19, 9}, {5, 5}};
    for (const auto &k : zn) EXPECT_EQ(t_zn(k[0]), k[1]) << k[0];
    EXPECT_TRUE(t_un(-0.5f) == 639.5f && t_un(640.0f) == 0.0f && t_un(639.75f) == 639.75f);
    world_size = 30;
    EXPECT_TRUE(t_zn(-1) == 29 && t_un(-1.0f) == 1919.0f);
}

TEST_F(ChunkStore, PoolGivesTheLowestFreeSlot) {
    for (Chunk &c : cubes) c.used = 1;
    EXPECT_EQ(find_free_cube(), -1);
    cubes[499].used = 0;
    EXPECT_EQ(find_free_cube(), 499);
    cubes[123].used = 0;
    EXPECT_EQ(find_free_cube(), 123);
}

TEST_F(ChunkStore, RestartFreesTheOldGameWithoutLeaks) {
    bind(0, 0, 0, 0);
    for (float **a : {&cubes[0].verts, &cubes[0].texs, &cubes[0].norms})
        *a = static_cast<float *>(std::malloc(64));
    world_clock = 42;
    reset(20);
    EXPECT_TRUE(world_clock == 0 && cubes[0].used == 0 && cubes[0].verts == nullptr);
    EXPECT_EQ(find_free_cube(), 0);
    for (int level = 0; level < CHUNK_LEVELS; level++) EXPECT_EQ(g_xy(0, 0, level, 5, 5, 5), 1);
    world[chunk_cell(19, 19, 9)] = 0; // the whole larger grid is there
    EXPECT_EQ(g_xy(19, 19, 9, 0, 0, 0), 1);
    world_size = 1 << 24; // a grid that cannot be allocated: a failure and its reason
    testing::internal::CaptureStdout();
    EXPECT_EQ(initialize_world(), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("world size 16777216 \n"), 0u);
    EXPECT_GT(out.size(), std::string("world size 16777216 \n").size());
    EXPECT_TRUE(world == nullptr && g_xy(0, 0, 0, 0, 0, 0) == 1 && chunk_slot(0, 0, 0) == -1);
    world_size = 0;
    EXPECT_EQ(initialize_world(), 0);
}

} // namespace
