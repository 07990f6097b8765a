// Mesh builder: exact faces for hand-made chunks, and face-for-face agreement with the
// block-by-block reference on random chunks, borders and wrap included.
#include "mesher_reference.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

class Mesher : public ::testing::Test {
  protected:
    void SetUp() override { reset(10); }
    void TearDown() override { reset(10); } // frees the mesh arrays of every bound slot
    static void reset(int size) {
        world_size = size;
        ASSERT_EQ(initialize_world(), 1);
        fill_block_tables();
    }
    static Chunk &bind(int slot, int cx, int cy, int level, BlockId fill) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        Chunk &c = cubes[slot];
        c.used = 1, c.polygons = -1;
        std::fill(c.blocks, c.blocks + CHUNK_BLOCKS, fill);
        for (float **a : {&c.verts, &c.texs, &c.norms})
            if (!*a) *a = static_cast<float *>(std::malloc(MESH_FACES * 12 * sizeof(float)));
        return c;
    }
    // Builds the mesh and returns its vertices, texture coordinates and normals in one array.
    static std::vector<float> mesh(int cx, int cy, int level,
                                   void (*builder)(int, int, int) = create_polygons) {
        Chunk &c = cubes[chunk_slot(cx, cy, level)];
        std::fill(c.verts, c.verts + 12 * MESH_FACES, -7.0f);
        builder(cx, cy, level);
        const int n = std::max(c.polygons, 0);
        std::vector<float> m(c.verts, c.verts + 12 * n);
        m.insert(m.end(), c.texs, c.texs + 8 * n);
        m.insert(m.end(), c.norms, c.norms + 12 * n);
        return m;
    }
    static void expect_same_as_reference(int cx, int cy, int level) {
        testing::internal::CaptureStdout();
        auto want = mesh(cx, cy, level, reference::create_polygons), got = mesh(cx, cy, level);
        std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(got.size(), want.size());
        size_t at = size_t(std::mismatch(got.begin(), got.end(), want.begin()).first - got.begin());
        EXPECT_EQ(at, got.size()) << "first difference at float " << at;
        EXPECT_EQ(out.substr(0, out.size() / 2), out.substr(out.size() / 2)); // same line or none
    }
};

TEST_F(Mesher, BuriedEarthHasNoFacesUntilTheChunkAboveIsKnown) {
    Chunk &c = bind(0, 4, 5, 3, 3);
    EXPECT_TRUE(mesh(4, 5, 3).empty() && c.polygons == 0);
    bind(1, 4, 5, 4, 0);
    auto m = mesh(4, 5, 3);
    ASSERT_EQ(c.polygons, 4096);
    for (int k = 0; k < 4096 * 4; k++) { // every corner at the top, every normal up
        const float *n = &m[4096 * 20 + 3 * k];
        ASSERT_TRUE(m[3 * k + 1] == 3 * 64 + 63.5f && n[0] == 0 && n[1] == 0 && n[2] == 1) << k;
    }
    EXPECT_TRUE(m[12 * 65] == 1 - 0.5f - 256 && m[12 * 65 + 2] == 1 + 0.5f - 320); // (1, 1, 63)
}

TEST_F(Mesher, LoneTurfBlockGivesSixFacesInOrder) {
    bind(0, 2, 3, 4, 0).blocks[block_index(10, 20, 30)] = 1;
    const float xl = 9.5f - 128, xh = 10.5f - 128, zl = 256 + 29.5f, zh = 256 + 30.5f;
    const float yl = 19.5f - 192, yh = 20.5f - 192, s = 0.0625f, t = 0.125f, d = 0.1875f;
    const float want[6][20] = {
        // vertices and texture coordinates of the faces below, above, y - 1, y + 1, x - 1, x + 1
        {xl, zl, yl, xh, zl, yl, xh, zl, yh, xl, zl, yh, 0, 0, s, 0, s, s, 0, s},
        {xl, zh, yh, xh, zh, yh, xh, zh, yl, xl, zh, yl, t, 0, t + s, 0, t + s, s, t, s},
        {xl, zh, yl, xh, zh, yl, xh, zl, yl, xl, zl, yl, d + s, 0, d, 0, d, s, d + s, s},
        {xh, zl, yh, xh, zh, yh, xl, zh, yh, xl, zl, yh, d, s, d, 0, d + s, 0, d + s, s},
        {xl, zl, yh, xl, zh, yh, xl, zh, yl, xl, zl, yl, d, s, d, 0, d + s, 0, d + s, s},
        {xh, zh, yl, xh, zh, yh, xh, zl, yh, xh, zl, yl, d + s, 0, d, 0, d, s, d + s, s}};
    const float normals[6][3] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                 {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
    auto m = mesh(2, 3, 4);
    ASSERT_EQ(m.size(), 6u * 32);
    for (int f = 0; f < 6; f++)
        for (int i = 0; i < 32; i++) {
            int at = i < 12 ? 12 * f + i : i < 20 ? 60 + 8 * f + i : 100 + 12 * f + i;
            EXPECT_EQ(m[at], i < 20 ? want[f][i] : normals[f][(i - 20) % 3]) << f << "," << i;
        }
}

TEST_F(Mesher, ValueElevenIsEmptyBesideAndSolidAboveOrBelow) {
    Chunk &c = bind(0, 5, 5, 5, 3);
    bind(1, 5, 5, 4, 3), bind(2, 5, 5, 6, 3), bind(3, 4, 5, 5, 3);
    bind(4, 6, 5, 5, 3), bind(5, 5, 4, 5, 3), bind(6, 5, 6, 5, 3);
    c.blocks[block_index(10, 10, 11)] = 11;
    auto m = mesh(5, 5, 5); // one face from each block beside it, in block order
    const float normals[] = {1, 0, 0, 0, 1, 0, 0, -1, 0, -1, 0, 0};
    ASSERT_EQ(c.polygons, 4);
    for (int f = 0; f < 4; f++)
        EXPECT_TRUE(std::equal(normals + 3 * f, normals + 3 * f + 3, &m[4 * 20 + 12 * f])) << f;
    expect_same_as_reference(5, 5, 5);
    // Across chunk borders: 11 in the chunk above hides, 11 in the chunk beside shows.
    std::fill(c.blocks, c.blocks + CHUNK_BLOCKS, 0);
    c.blocks[block_index(0, 30, 63)] = 3;
    cubes[2].blocks[block_index(0, 30, 0)] = 11;
    cubes[4].blocks[block_index(63, 30, 63)] = 11; // chunk cx + 1, beyond x = 0
    m = mesh(5, 5, 5);
    EXPECT_TRUE(c.polygons == 5 && m[5 * 20 + 12 + 1] == -1.0f); // below, y - 1: none above
}

TEST_F(Mesher, StopsAfterTheBlockThatPassesTheFaceLimit) {
    Chunk &c = bind(0, 1, 1, 2, 0);
    for (int k = 0; k < CHUNK_BLOCKS; k++) c.blocks[k] = (k / 4096 + k / 64 + k) % 2 ? 0 : 3;
    testing::internal::CaptureStdout();
    mesh(1, 1, 2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(c.polygons > FACE_LIMIT && c.polygons <= FACE_LIMIT + 6) << c.polygons;
    EXPECT_EQ(out, "stoped building, polygons: " + std::to_string(c.polygons) + " \n");
    expect_same_as_reference(1, 1, 2);
}

TEST_F(Mesher, CallsThatMustTouchNothing) {
    Chunk &c = bind(0, 0, 0, 4, 3);
    float *norms = c.norms;
    uint16_t *grid = world;
    auto untouched = [&](int cx, int cy, int level) {
        c.polygons = 1234;
        create_polygons(cx, cy, level);
        c.used = 1, c.norms = norms, world = grid;
        return c.polygons == 1234;
    };
    EXPECT_TRUE(untouched(-1, 0, 4) && untouched(0, 10, 4)); // would wrap to the chunk
    EXPECT_TRUE(untouched(0, 0, 10) && untouched(0, 1, 4));  // no such level, not in memory
    c.used = 0;                                              // its cell still names the slot
    EXPECT_TRUE(untouched(0, 0, 4));
    c.norms = nullptr;
    EXPECT_TRUE(untouched(0, 0, 4));
    world = nullptr; // a grid that could not be allocated
    EXPECT_TRUE(untouched(0, 0, 4));
}

// Rows of ground up to a height (64: solid rock) and odd values at a density per mille: 9,
// 10, 11, 256 and above, solid types other than 1; the densest style reaches the face limit.
void fill_random(Chunk &c, std::mt19937 &rng, int style) {
    static const BlockId odd[] = {0, 2, 5, 9, 10, 11, 20, 255, 300, 0xFFFF};
    static const int height[5] = {0, 20, 64, 30, 0}, density[5] = {5, 10, 50, 0, 500};
    BlockId base = 1;
    for (int i = 0, h = 0; i < CHUNK_BLOCKS; i++) {
        if (i % 64 == 0) h = height[style] + int(rng() % 3), base = BlockId(1 + rng() % 3);
        bool rare = int(rng() % 1000) < density[style];
        c.blocks[i] = rare ? odd[rng() % 10] : i % 64 < h ? base : 0;
    }
}

TEST_F(Mesher, MatchesTheBlockByBlockBuilder) {
    for (int t : {5, 9, 20, 255, 300}) materials[t].solid = 1; // 300: no texture row
    materials[10].solid = 2;                                   // drawn only if exactly 1
    texes[5] = {{0.25f, 0.5f}, {0.3125f, 0.5f}, {0.375f, 0.5f}};
    std::mt19937 rng(20261206);
    const int places[][4] = {{10, 4, 4, 4}, {10, 0, 0, 0}, {10, 9, 9, 9}, {10, 0, 9, 5},
                             {2, 1, 0, 3},  {1, 0, 0, 4},  {30, 29, 0, 1}}; // size, cx, cy, level
    const int around[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
    for (const auto &p : places)
        for (int style = 0; style < 5; style++) {
            SCOPED_TRACE(testing::Message() << "chunk " << p[1] << "," << p[2] << "," << p[3]
                                            << " of " << p[0] << ", style " << style);
            reset(p[0]);
            fill_random(bind(0, p[1], p[2], p[3], 0), rng, style);
            for (int k = 0, slot = 1; k < 6; k++) {
                int nx = t_zn(p[1] + around[k][0]), ny = t_zn(p[2] + around[k][1]);
                int nl = p[3] + around[k][2];
                if (nl < 0 || nl >= CHUNK_LEVELS || chunk_slot(nx, ny, nl) >= 0 || rng() % 5 == 0)
                    continue; // some neighbours stay missing
                fill_random(bind(slot, nx, ny, nl, 0), rng, (style + slot) % 5), slot++;
            }
            expect_same_as_reference(p[1], p[2], p[3]);
            if (HasFatalFailure()) return;
        }
}

} // namespace
