// Terrain: every level's content, and the surface column by column from scripted draws.
#include "base/common.h"
#include "world/chunks.h"
#include "world/terrain.h"
#include <gtest/gtest.h>
#include <algorithm>
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
