// Chunk pool and grid: lookups across borders, the world's wrap, missing chunks and clamps.
#include "world_fixture.h"

using ChunkStore = TinyWorld;
TEST_F(ChunkStore, LookupsAcrossBordersAndTheWrapWithTheirClamps) {
    // Lookup (g_xy, g_x, g_y, g_z), chunk, block, value stored where it lands (0: chunk missing),
    // value read; beyond x = 0 lies chunk cx + 1 at x = 63. Borders, wrap, clamps, no chunk.
    const int cases[][9] = {
        {0, 4, 4, 4, -1, 7, 9, 4, 4},  {1, 4, 4, 4, -1, 7, 9, 4, 4},  {0, 4, 4, 4, 64, 7, 9, 4, 4},
        {1, 4, 4, 4, 64, 7, 9, 4, 4},  {0, 4, 4, 4, 7, -1, 9, 4, 4},  {2, 4, 4, 4, 7, -1, 9, 4, 4},
        {0, 4, 4, 4, 7, 64, 9, 4, 4},  {2, 4, 4, 4, 7, 64, 9, 4, 4},  {3, 4, 4, 4, 7, 7, 64, 4, 4},
        {3, 4, 4, 4, 7, 7, -1, 4, 4},  {0, 4, 4, 4, -1, -1, 9, 4, 4}, {0, 9, 0, 4, -1, 12, 3, 4, 4},
        {0, 0, 9, 4, 12, -1, 3, 4, 4}, {0, 0, 0, 4, 64, 12, 3, 4, 4}, {0, 0, 0, 4, 12, 64, 3, 4, 4},
        {1, 9, 9, 4, -1, 12, 3, 4, 4}, {2, 9, 9, 4, 12, -1, 3, 4, 4}, {0, 6, 6, 6, 1, 1, 1, 10, 10},
        {0, 6, 6, 6, 1, 1, 2, 11, 0},  {1, 6, 6, 6, 1, 1, 2, 11, 0},  {2, 6, 6, 6, 1, 1, 4, 300, 0},
        {3, 6, 6, 6, 1, 1, 1, 10, 1},  {3, 6, 6, 6, 1, 1, 2, 11, 1},  {3, 6, 6, 6, 1, 1, 3, 9, 9},
        {0, 1, 1, 1, 3, 3, 3, 0, 0},   {0, 1, 1, 1, -1, 3, 3, 0, 1},  {3, 1, 1, 0, 3, 3, -1, 0, 1},
        {3, 1, 1, 9, 3, 3, 64, 0, 1},  {0, 1, 1, 10, 3, 3, 3, 0, 1},  {0, 1, 1, -1, 3, 3, 3, 0, 1},
        {0, 25, 1, 1, 3, 3, 3, 0, 1},  {0, 1, 1, 1, 3, 3, 64, 0, 1},  {1, 1, 1, 1, 3, -1, 3, 0, 1},
        {3, 1, 1, 1, 64, 3, 3, 0, 1}};
    int (*const lookup[])(int, int, int, int, int, int) = {g_xy, g_x, g_y, g_z};
    auto step = [](int p) { return p < 0 ? 1 : p > 63 ? -1 : 0; };
    for (const auto &k : cases) {
        ASSERT_TRUE(reset_world());
        int nx = (k[1] + step(k[4]) + 10) % 10, ny = (k[2] + step(k[5]) + 10) % 10;
        int nl = k[3] - step(k[6]); // the chunk where the lookup lands
        if (unsigned(k[1]) < 10 && unsigned(k[3]) < 10) bind_chunk(k[1], k[2], k[3]);
        if (k[7] && unsigned(nl) < 10)
            block_at(bind_chunk(nx, ny, nl), k[4] & 63, k[5] & 63, k[6] & 63) = BlockId(k[7]);
        EXPECT_EQ(lookup[k[0]](k[1], k[2], k[3], k[4], k[5], k[6]), k[8]) << "case " << &k - cases;
    }
    // Damaged cells (a slot just and far past the pool) and one naming a free slot are absent.
    world_state.world[chunk_cell(2, 2, 2)] = POOL_SIZE, world_state.world[chunk_cell(3, 3, 3)] = 4;
    world_state.world[chunk_cell(2, 2, 3)] = NO_CHUNK - 1;
    EXPECT_TRUE(g_xy(2, 2, 2, 0, 0, 0) == 1 && chunk_slot(3, 3, 3) < 0 && chunk_slot(2, 2, 3) < 0);
    EXPECT_TRUE(t_zn(-1) == 9 && t_zn(10) == 0 && t_zn(-10) == 0 && t_zn(19) == 9 && t_zn(5) == 5);
    EXPECT_TRUE(wrap_chunk(0) == 0 && wrap_chunk(-1) == 9 && wrap_chunk(-20) == 0 &&
                wrap_chunk(23) == 3);
    EXPECT_TRUE(t_un(-0.5f) == 639.5f && t_un(640.0f) == 0.0f && t_un(639.75f) == 639.75f);
}
TEST_F(ChunkStore, PoolAndGridOfEachGame) {
    bind_meshed(0, 0, 0); // the leak checker watches its arrays
    world_state.world_size = 20;
    ASSERT_EQ(initialize_world(), 1);
    EXPECT_TRUE(!cubes[0].used && g_xy(19, 19, 9, 5, 5, 5) == 1); // the whole new grid is there
    for (int k = 0; k < POOL_SIZE; k++) cubes[std::max(find_free_cube(), 0)].used = 1;
    EXPECT_EQ(find_free_cube(), -1);
    cubes[499].used = 0;
    EXPECT_EQ(find_free_cube(), 499);
    cubes[123].used = 0;
    EXPECT_EQ(find_free_cube(), 123);
}
