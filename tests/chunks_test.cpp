// Chunk pool and grid: lookups across borders, the world's wrap, missing chunks and clamps.
// Terrain: every level's content, and the surface column by column from scripted draws.
#include "base/common.h"
#include "world/terrain.h"
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

static std::vector<int> script;
static size_t drawn = 0;
struct Terrain : ::testing::Test {
    void SetUp() override {
        script.clear();
        drawn = 0;
        base_set_rand_source([] { return drawn++ < script.size() ? script[drawn - 1] : 0; });
    }
    BlockId *b = cubes[17].blocks;
    BlockId &at(int x, int y, int z) { return b[block_index(x, y, z)]; }
    // A surface over blocks of 7, every scripted number drawn.
    void generate_surface() {
        std::fill(b, b + CHUNK_BLOCKS, BlockId(7));
        generateCube(17, 0, 0, SURFACE_LEVEL);
        EXPECT_EQ(drawn, script.size());
    }
    // Column (x, y): empty below lo, earth from lo, turf at top, empty above.
    void expect_column(int x, int y, int lo, int top) {
        for (int z = 0; z < CHUNK_EDGE; z++)
            ASSERT_EQ(at(x, y, z), z < lo     ? 0
                                   : z < top  ? 3
                                   : z == top ? 1
                                              : 0)
                << x << "," << y << "," << z;
    }
};
TEST_F(Terrain, LevelsOtherThanTheSurfaceAreUniformAndDrawNothing) {
    const int cases[][2] = {{0, 2}, {1, 3}, {2, 3}, {3, 3}, {5, 0}, {9, 0}, {-1, 0}, {12, 0}};
    for (const auto &k : cases) {
        std::fill(b, b + CHUNK_BLOCKS, BlockId(7));
        cubes[17].used = 0;
        EXPECT_TRUE(generateCube(17, 3, 8, k[0]) == 17 && cubes[17].used) << k[0];
        EXPECT_EQ(std::count(b, b + CHUNK_BLOCKS, k[1]), CHUNK_BLOCKS) << k[0];
    }
    EXPECT_TRUE(generateCube(-1, 0, 0, 4) == -1 && generateCube(POOL_SIZE, 0, 0, 4) == POOL_SIZE);
    EXPECT_EQ(drawn, 0u);                       // slots outside the pool are refused
    std::fill(b, b + CHUNK_BLOCKS, BlockId(3)); // the turf step alone: the highest earth turns,
    at(5, 6, 63) = 2, at(5, 6, 62) = 0;         // past other types; a column of none keeps none
    std::fill(&at(9, 9, 0), &at(9, 9, 0) + 64, BlockId(0));
    makegrass(17), makegrass(-1), makegrass(POOL_SIZE);
    EXPECT_EQ(std::count(b, b + CHUNK_BLOCKS, 1), 4095);
    EXPECT_TRUE(at(63, 63, 63) == 1 && at(63, 63, 62) == 3 && at(5, 6, 61) == 1 &&
                at(5, 6, 63) == 2);
}
TEST_F(Terrain, FlatSurfaceWithBumpsAndPits) {
    // Draw 0 % 7 != 6: flat. A column drawing r1 & 7 == 0 is a bump, else r2 % 120 == 2 a pit.
    script.push_back(0);
    for (int i = 0; i < 64 * 64; i++) {
        script.push_back(i == 5 * 64 + 7 ? 16 : 1 + 8 * i); // a bump at (5, 7) draws once
        if (i != 5 * 64 + 7) script.push_back(i == 10 * 64 + 3 ? 122 : 120 * i); // a pit at (10, 3)
    }
    generate_surface();
    for (int x = 0; x < CHUNK_EDGE; x++)
        for (int y = 0; y < CHUNK_EDGE; y++)
            expect_column(x, y, 0, x == 5 && y == 7 ? 20 : x == 10 && y == 3 ? 18 : 19);
}
TEST_F(Terrain, BasinSurfaceColumnByColumn) {
    // Draw 13 % 7 == 6: basin. Row x draws ra, rb, then each column y r1, r2; all 0 but these:
    // row 32 lifted (ra odd), row 0 not (ra odd, but rb % 4 == 1); column (32, 32) jittered (r1
    // odd), (0, 0) not (r1 odd, but r2 % 4 == 2). Height h = |x - 32| / 5 + |y - 32| / 5 - 10 -
    // lift - jitter: earth from max(h, 0), turf at min(h + 19, 19).
    script.assign(1 + 64 * 130, 0);
    script[0] = 13;
    const int row = 1 + 130 * 32, row0 = 1, col = row + 2 + 2 * 32, col0 = row0 + 2;
    script[row] = script[row0] = script[row0 + 1] = script[col] = script[col0] = 1;
    script[col0 + 1] = 2;
    generate_surface();
    // x, y, earth from, turf at
    const int columns[][4] = {{32, 32, 0, 7},  {0, 0, 2, 19},   {32, 0, 0, 14},
                              {63, 40, 0, 16}, {10, 63, 0, 19}, {2, 5, 1, 19}};
    for (const auto &c : columns) expect_column(c[0], c[1], c[2], c[3]);
}
