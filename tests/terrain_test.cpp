// Terrain: every level's content, and the surface column by column from scripted draws.
#include "engine/common.h"
#include "world/chunks.h"
#include "world/terrain.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

std::vector<int> script;
size_t drawn = 0;
int scripted() {
    return drawn < script.size() ? script[drawn++] : (drawn++, 0);
}

class Terrain : public ::testing::Test {
  protected:
    void SetUp() override { script.clear(), drawn = 0, e_set_rand_source(scripted); }
    void TearDown() override { e_set_rand_source(nullptr); }
    BlockId *b = cubes[17].blocks;
    // Column (x, y) must be empty below lo, earth from lo, turf at top and empty above.
    void expect_surface(std::function<int(int, int)> lo, std::function<int(int, int)> top) {
        std::fill(b, b + CHUNK_BLOCKS, BlockId(7)); // an old chunk's blocks
        generateCube(17, 0, 0, SURFACE_LEVEL);
        EXPECT_EQ(drawn, script.size()); // every draw used, none beyond
        for (int i = 0; i < CHUNK_BLOCKS; i++) {
            int x = i / 4096, y = i / 64 % 64, z = i % 64, t = top(x, y);
            ASSERT_EQ(b[i], z < lo(x, y) ? 0
                            : z < t      ? 3
                            : z == t     ? 1
                                         : 0)
                << x << "," << y << "," << z;
        }
    }
};

TEST_F(Terrain, LevelsOtherThanTheSurfaceAreUniformAndDrawNothing) {
    const int cases[][2] = {{0, 2}, {1, 3}, {2, 3}, {3, 3}, {5, 0}, {9, 0}, {-1, 0}, {12, 0}};
    for (const auto &k : cases) {
        std::fill(b, b + CHUNK_BLOCKS, BlockId(7));
        cubes[17].used = 0;
        EXPECT_EQ(generateCube(17, 3, 8, k[0]), 17);
        EXPECT_TRUE(cubes[17].used && std::count(b, b + CHUNK_BLOCKS, k[1]) == CHUNK_BLOCKS)
            << k[0];
    }
    EXPECT_TRUE(generateCube(-1, 0, 0, SURFACE_LEVEL) == -1 &&
                generateCube(POOL_SIZE, 0, 0, 4) == POOL_SIZE);
    makegrass(POOL_SIZE); // slots outside the pool are refused
    EXPECT_EQ(drawn, 0u);
}

TEST_F(Terrain, FlatSurfaceWithBumpsAndPits) {
    // Draw 0 % 7 != 6: flat. A column drawing r1 & 7 == 0 is a bump, else r2 % 120 == 2 a pit.
    script.push_back(0);
    for (int i = 0; i < 64 * 64; i++) {
        if (i == 5 * 64 + 7)
            script.push_back(16); // (5, 7): one draw only
        else
            script.push_back(1 + 8 * i), script.push_back(i == 10 * 64 + 3 ? 122 : 120 * i);
    }
    expect_surface([](int, int) { return 0; },
                   [](int x, int y) {
                       return x == 5 && y == 7 ? 20 : x == 10 && y == 3 ? 18 : 19;
                   });
}

TEST_F(Terrain, BasinSurfaceColumnByColumn) {
    // Row x draws ra, rb; column y draws r1, r2: every lift and jitter occurs, and the columns
    // (32, 32) and (0, 0) get lift 1, jitter 1 and lift 0, jitter 0.
    auto ra = [](int x) { return x == 32 ? 1 : x == 0 ? 0 : x * 3; };
    auto rb = [](int x) { return x == 32 ? 0 : x == 0 ? 1 : x * 5 + 2; };
    auto r1 = [](int x, int y) { return x == 32 && y == 32 ? 1 : x == 0 && y == 0 ? 0 : x + y; };
    auto r2 = [](int x, int y) { return x == 32 && y == 32 ? 0 : x == 0 && y == 0 ? 2 : x * y; };
    script.push_back(13); // 13 % 7 == 6: basin
    for (int x = 0; x < 64; x++) {
        script.push_back(ra(x)), script.push_back(rb(x));
        for (int y = 0; y < 64; y++) script.push_back(r1(x, y)), script.push_back(r2(x, y));
    }
    auto h = [&](int x, int y) {
        int lift = rb(x) % 4 == 1 ? 0 : ra(x) % 2, jitter = r2(x, y) % 4 != 2 ? r1(x, y) % 2 : 0;
        return std::abs(x - 32) / 5 + std::abs(y - 32) / 5 - 10 - lift - jitter;
    };
    expect_surface([&](int x, int y) { return std::max(h(x, y), 0); },
                   [&](int x, int y) { return std::min(h(x, y) + 19, 19); });
    // By hand: the centre has earth 0..6 and turf at 7; the corner is empty at 0 and 1, turf at 19.
    EXPECT_TRUE(b[block_index(32, 32, 0)] == 3 && b[block_index(32, 32, 7)] == 1 &&
                !b[block_index(32, 32, 8)]);
    EXPECT_TRUE(!b[block_index(0, 0, 1)] && b[block_index(0, 0, 2)] == 3 &&
                b[block_index(0, 0, 19)] == 1);
}

TEST_F(Terrain, TurfOnlyReplacesTheTopmostEarth) {
    // x, y, z, before, after: earth at the top and the bottom, earth under other types, earth
    // under earth, no earth at all.
    const int cases[][5] = {{0, 0, 63, 3, 1}, {0, 0, 10, 3, 3}, {1, 2, 5, 3, 1}, {1, 2, 30, 9, 9},
                            {1, 2, 40, 2, 2}, {4, 4, 0, 3, 1},  {6, 6, 20, 2, 2}};
    std::fill(b, b + CHUNK_BLOCKS, BlockId(0));
    for (const auto &k : cases) b[block_index(k[0], k[1], k[2])] = BlockId(k[3]);
    makegrass(17);
    for (const auto &k : cases) EXPECT_EQ(b[block_index(k[0], k[1], k[2])], k[4]) << k[2];
    EXPECT_EQ(std::count(b, b + CHUNK_BLOCKS, BlockId(1)), 3);
}

} // namespace
