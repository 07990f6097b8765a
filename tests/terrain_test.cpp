// Terrain: every level's content, and the surface column by column from scripted draws.
#include "base/common.h"
#include "world/chunks.h"
#include "world/terrain.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <functional>
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
    // Column (x, y): empty below lo, earth from lo, turf at top; every scripted number drawn.
    void expect_surface(std::function<int(int, int)> lo, std::function<int(int, int)> top) {
        std::fill(b, b + CHUNK_BLOCKS, BlockId(7));
        generateCube(17, 0, 0, SURFACE_LEVEL);
        EXPECT_EQ(drawn, script.size());
        for (int i = 0; i < CHUNK_BLOCKS; i++) {
            int x = i / 4096, y = i / 64 % 64, z = i % 64, t = top(x, y);
            int want = z < lo(x, y) ? 0 : z < t ? 3 : z == t ? 1 : 0;
            ASSERT_EQ(b[i], want) << x << "," << y << "," << z;
        }
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
    auto top = [](int x, int y) { return 19 + (x == 5 && y == 7) - (x == 10 && y == 3); };
    expect_surface([](int, int) { return 0; }, top);
}
TEST_F(Terrain, BasinSurfaceColumnByColumn) {
    // Draw 13 % 7 == 6: basin. Row x draws ra, rb at n(x, -1), column y r1, r2 at n(x, y).
    script.assign(1 + 64 * 130, 13);
    for (size_t k = 1; k < script.size(); k++) script[k] = int(k * 7919 % 1000);
    auto n = [](int x, int y) { return 1 + 130 * x + 2 + 2 * y; };
    // x, y and the two draws there: lift and jitter at the centre, neither at the corner.
    const int pinned[][4] = {{32, -1, 1, 0}, {32, 32, 1, 0}, {0, -1, 0, 1}, {0, 0, 0, 2}};
    for (const auto &p : pinned) std::copy(p + 2, p + 4, &script[n(p[0], p[1])]);
    auto h = [&](int x, int y) {
        int lift = script[n(x, -1) + 1] % 4 == 1 ? 0 : script[n(x, -1)] % 2;
        int jitter = script[n(x, y) + 1] % 4 != 2 ? script[n(x, y)] % 2 : 0;
        return std::abs(x - 32) / 5 + std::abs(y - 32) / 5 - 10 - lift - jitter;
    };
    expect_surface([&](int x, int y) { return std::max(h(x, y), 0); },
                   [&](int x, int y) { return std::min(h(x, y) + 19, 19); });
    // By hand: h = -12 at the centre, earth 0..6 and turf at 7; h = 2 at the corner, turf at 19.
    EXPECT_TRUE(at(32, 32, 6) == 3 && at(32, 32, 7) == 1 && !at(32, 32, 8));
    EXPECT_TRUE(!at(0, 0, 1) && at(0, 0, 2) == 3 && at(0, 0, 19) == 1);
}
