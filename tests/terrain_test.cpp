// Terrain: the content of every level and the surface chunk column by column, driven by a
// scripted random source so the order of draws is checked as well as their use.
#include "engine/common.h"
#include "world/chunks.h"
#include "world/terrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

std::vector<int> script;
size_t drawn = 0;
int scripted() {
    // Running past the script is a fault of the generator's draw count; 0 keeps going.
    return drawn < script.size() ? script[drawn++] : (drawn++, 0);
}

class Terrain : public ::testing::Test {
  protected:
    void SetUp() override {
        script.clear();
        drawn = 0;
        e_set_rand_source(scripted);
        std::fill(c().blocks, c().blocks + CHUNK_BLOCKS, BlockId(7)); // an old chunk's blocks
        c().used = 0;
    }
    void TearDown() override {
        e_set_rand_source(nullptr);
        c().used = 0;
    }
    static constexpr int slot = 17;
    static Chunk &c() { return cubes[slot]; }
    static BlockId at(int x, int y, int z) { return c().blocks[block_index(x, y, z)]; }
    // Column (x, y) must be empty below lo, earth from lo to top - 1, turf at top, empty above.
    static void expect_column(int x, int y, int lo, int top) {
        for (int z = 0; z < CHUNK_EDGE; z++) {
            BlockId want = z < lo ? 0 : z < top ? 3 : z == top ? 1 : 0;
            ASSERT_EQ(at(x, y, z), want) << "column " << x << "," << y << " z " << z;
        }
    }
};

TEST_F(Terrain, LevelsOtherThanTheSurfaceAreUniformAndDrawNothing) {
    const struct {
        int level;
        BlockId fill;
    } cases[] = {{0, 2}, {1, 3}, {2, 3}, {3, 3}, {5, 0}, {9, 0}, {-1, 0}, {12, 0}};
    for (auto k : cases) {
        std::fill(c().blocks, c().blocks + CHUNK_BLOCKS, BlockId(7));
        c().used = 0;
        EXPECT_EQ(generateCube(slot, 3, 8, k.level), slot);
        EXPECT_EQ(c().used, 1);
        EXPECT_TRUE(std::all_of(c().blocks, c().blocks + CHUNK_BLOCKS,
                                [&](BlockId b) { return b == k.fill; }))
            << "level " << k.level;
    }
    EXPECT_EQ(drawn, 0u);
}

TEST_F(Terrain, FlatSurfaceWithBumpsAndPits) {
    // Draw 0 chooses the chunk kind (0 % 7 != 6: flat). Columns are visited x outer, y inner;
    // a bump column (r1 & 7 == 0) draws once, every other column twice.
    script.push_back(0);
    const int bump_x = 5, bump_y = 7, pit_x = 10, pit_y = 3;
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++) {
            if (x == bump_x && y == bump_y) {
                script.push_back(16);
            } else if (x == pit_x && y == pit_y) {
                script.push_back(1), script.push_back(122);
            } else {
                script.push_back(1 + 8 * (x + y)); // never a bump
                script.push_back(x * 120);         // never a pit
            }
        }
    generateCube(slot, 0, 0, SURFACE_LEVEL);
    EXPECT_EQ(drawn, script.size());
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++) {
            if (x == bump_x && y == bump_y)
                expect_column(x, y, 0, 20);
            else if (x == pit_x && y == pit_y)
                expect_column(x, y, 0, 18);
            else
                expect_column(x, y, 0, 19);
        }
}

TEST_F(Terrain, BasinSurfaceColumnByColumn) {
    // Row x draws ra, rb; column y draws r1, r2. The values vary so that every combination
    // of lift and jitter occurs, and the two columns checked by hand below are set exactly.
    auto ra = [](int x) { return x == 32 ? 1 : x == 0 ? 0 : x * 3; };
    auto rb = [](int x) { return x == 32 ? 0 : x == 0 ? 1 : x * 5 + 2; };
    auto r1 = [](int x, int y) {
        return (x == 32 && y == 32) ? 1 : (x == 0 && y == 0) ? 0 : x + y;
    };
    auto r2 = [](int x, int y) {
        return (x == 32 && y == 32) ? 0 : (x == 0 && y == 0) ? 2 : x * y;
    };
    script.push_back(13); // 13 % 7 == 6: basin
    for (int x = 0; x < 64; x++) {
        script.push_back(ra(x));
        script.push_back(rb(x));
        for (int y = 0; y < 64; y++) script.push_back(r1(x, y)), script.push_back(r2(x, y));
    }
    generateCube(slot, 0, 0, SURFACE_LEVEL);
    EXPECT_EQ(drawn, script.size());

    // Centre column with lift 1 and jitter 1: h = -12, earth 0..6, turf at 7.
    expect_column(32, 32, 0, 7);
    // Corner column with lift 0 and jitter 0: h = 2, empty 0 and 1, earth 2..18, turf 19.
    expect_column(0, 0, 2, 19);

    for (int x = 0; x < 64; x++) {
        int lift = rb(x) % 4 == 1 ? 0 : ra(x) % 2;
        for (int y = 0; y < 64; y++) {
            int jitter = r2(x, y) % 4 != 2 ? r1(x, y) % 2 : 0;
            int h = std::abs(x - 32) / 5 + std::abs(y - 32) / 5 - 10 - lift - jitter;
            ASSERT_GE(h, -12);
            ASSERT_LE(h, 2);
            expect_column(x, y, std::max(h, 0), std::min(h + 19, 19));
        }
    }
}

TEST_F(Terrain, TurfOnlyReplacesTheTopmostEarth) {
    std::fill(c().blocks, c().blocks + CHUNK_BLOCKS, BlockId(0));
    c().blocks[block_index(0, 0, 63)] = 3; // the top block itself
    c().blocks[block_index(0, 0, 10)] = 3;
    c().blocks[block_index(1, 2, 5)] = 3; // passed over: 9 and 2 above it
    c().blocks[block_index(1, 2, 30)] = 9;
    c().blocks[block_index(1, 2, 40)] = 2;
    c().blocks[block_index(4, 4, 0)] = 3;  // the lowest block
    c().blocks[block_index(6, 6, 20)] = 2; // no earth at all
    makegrass(slot);
    EXPECT_EQ(at(0, 0, 63), 1);
    EXPECT_EQ(at(0, 0, 10), 3);
    EXPECT_EQ(at(1, 2, 5), 1);
    EXPECT_EQ(at(1, 2, 30), 9);
    EXPECT_EQ(at(1, 2, 40), 2);
    EXPECT_EQ(at(4, 4, 0), 1);
    EXPECT_EQ(at(6, 6, 20), 2);
    int turf = int(std::count(c().blocks, c().blocks + CHUNK_BLOCKS, BlockId(1)));
    EXPECT_EQ(turf, 3);
}

TEST_F(Terrain, SlotNumbersOutsideThePoolAreRefused) {
    script.assign(20000, 0);
    EXPECT_EQ(generateCube(-1, 0, 0, SURFACE_LEVEL), -1);
    EXPECT_EQ(generateCube(POOL_SIZE, 0, 0, SURFACE_LEVEL), POOL_SIZE);
    makegrass(POOL_SIZE);
    EXPECT_EQ(drawn, 0u);
}

} // namespace
