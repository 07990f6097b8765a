// Mesh builder: exact faces for hand-made chunks, and face-for-face agreement with the
// straightforward block-by-block builder on varied random chunks, borders and wrap included.
#include "mesher_reference.h"
#include "world/chunks.h"
#include "world/mesher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Mesh {
    int polygons;
    std::vector<float> verts, texs, norms;
};

class Mesher : public ::testing::Test {
  protected:
    void SetUp() override {
        world_size = 10;
        ASSERT_EQ(initialize_world(), 1);
        std::memset(materials, 0, sizeof materials);
        std::memset(texes, 0, sizeof texes);
        fill_block_tables();
    }
    void TearDown() override {
        world_size = 10;
        initialize_world(); // frees the mesh arrays of every bound slot
        std::memset(materials, 0, sizeof materials);
        std::memset(texes, 0, sizeof texes);
    }
    static Chunk &bind(int slot, int cx, int cy, int level, BlockId fill) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        Chunk &c = cubes[slot];
        c.used = 1;
        std::fill(c.blocks, c.blocks + CHUNK_BLOCKS, fill);
        if (!c.verts) {
            c.verts = static_cast<float *>(std::malloc(MESH_FACES * 12 * sizeof(float)));
            c.texs = static_cast<float *>(std::malloc(MESH_FACES * 8 * sizeof(float)));
            c.norms = static_cast<float *>(std::malloc(MESH_FACES * 12 * sizeof(float)));
        }
        c.polygons = -1;
        return c;
    }
    static Mesh take(const Chunk &c) {
        size_t n = size_t(std::max(c.polygons, 0));
        return {c.polygons, std::vector<float>(c.verts, c.verts + 12 * n),
                std::vector<float>(c.texs, c.texs + 8 * n),
                std::vector<float>(c.norms, c.norms + 12 * n)};
    }
    // Builds the chunk both ways and requires the same faces in the same order.
    static void expect_same_as_reference(int cx, int cy, int level, const char *what) {
        Chunk &c = cubes[world[chunk_cell(cx, cy, level)]];
        testing::internal::CaptureStdout();
        reference::create_polygons(cx, cy, level);
        Mesh want = take(c);
        c.polygons = -1;
        std::fill(c.verts, c.verts + 12 * MESH_FACES, -7.0f);
        create_polygons(cx, cy, level);
        std::string out = testing::internal::GetCapturedStdout();
        Mesh got = take(c);
        ASSERT_EQ(got.polygons, want.polygons) << what;
        for (int f = 0; f < want.polygons; f++) {
            ASSERT_EQ(0, std::memcmp(&got.verts[12 * f], &want.verts[12 * f], 48))
                << what << ": vertices of face " << f;
            ASSERT_EQ(0, std::memcmp(&got.texs[8 * f], &want.texs[8 * f], 32))
                << what << ": texture coordinates of face " << f;
            ASSERT_EQ(0, std::memcmp(&got.norms[12 * f], &want.norms[12 * f], 48))
                << what << ": normals of face " << f;
        }
        if (want.polygons > FACE_LIMIT) {
            std::string line =
                "stoped building, polygons: " + std::to_string(want.polygons) + " \n";
            // Printed once by each builder.
            ASSERT_EQ(out, line + line) << what;
        }
    }
};

TEST_F(Mesher, BuriedEarthHasNoFacesUntilTheChunkAboveIsKnown) {
    Chunk &c = bind(0, 4, 5, 3, 3);
    create_polygons(4, 5, 3);
    EXPECT_EQ(c.polygons, 0);

    bind(1, 4, 5, 4, 0);
    create_polygons(4, 5, 3);
    ASSERT_EQ(c.polygons, 4096);
    for (int f = 0; f < c.polygons; f++) {
        for (int k = 0; k < 4; k++) {
            ASSERT_EQ(c.verts[12 * f + 3 * k + 1], 64 * 3 + 63.5f) << "face " << f;
            ASSERT_EQ(c.norms[12 * f + 3 * k + 0], 0.0f);
            ASSERT_EQ(c.norms[12 * f + 3 * k + 1], 0.0f);
            ASSERT_EQ(c.norms[12 * f + 3 * k + 2], 1.0f);
        }
    }
    // Faces follow the blocks: x outer, y inner. Face 65 is block (1, 1, 63).
    EXPECT_EQ(c.verts[12 * 65 + 0], 1 - 0.5f - 256);
    EXPECT_EQ(c.verts[12 * 65 + 2], 1 + 0.5f - 320);
}

TEST_F(Mesher, LoneTurfBlockGivesSixFacesInOrder) {
    Chunk &c = bind(0, 2, 3, 4, 0);
    c.blocks[block_index(10, 20, 30)] = 1;
    create_polygons(2, 3, 4);
    ASSERT_EQ(c.polygons, 6);
    // Corners of block (10, 20, 30) of chunk (2, 3, 4) in the drawing frame.
    const float xl = 9.5f - 128, xh = 10.5f - 128;
    const float zl = 256 + 29.5f, zh = 256 + 30.5f;
    const float yl = 19.5f - 192, yh = 20.5f - 192;
    const float s = 0.0625f;
    const float verts[6][12] = {
        {xl, zl, yl, xh, zl, yl, xh, zl, yh, xl, zl, yh}, // below
        {xl, zh, yh, xh, zh, yh, xh, zh, yl, xl, zh, yl}, // above
        {xl, zh, yl, xh, zh, yl, xh, zl, yl, xl, zl, yl}, // y - 1
        {xh, zl, yh, xh, zh, yh, xl, zh, yh, xl, zl, yh}, // y + 1
        {xl, zl, yh, xl, zh, yh, xl, zh, yl, xl, zl, yl}, // x - 1
        {xh, zh, yl, xh, zh, yh, xh, zl, yh, xh, zl, yl}, // x + 1
    };
    const float top = 0.125f, side = 0.1875f;
    const float texs[6][8] = {
        {0, 0, s, 0, s, s, 0, s},
        {top, 0, top + s, 0, top + s, s, top, s},
        {side + s, 0, side, 0, side, s, side + s, s},
        {side, s, side, 0, side + s, 0, side + s, s},
        {side, s, side, 0, side + s, 0, side + s, s},
        {side + s, 0, side, 0, side, s, side + s, s},
    };
    const float normals[6][3] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                 {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
    for (int f = 0; f < 6; f++) {
        for (int i = 0; i < 12; i++) EXPECT_EQ(c.verts[12 * f + i], verts[f][i]) << f << "," << i;
        for (int i = 0; i < 8; i++) EXPECT_EQ(c.texs[8 * f + i], texs[f][i]) << f << "," << i;
        for (int i = 0; i < 12; i++)
            EXPECT_EQ(c.norms[12 * f + i], normals[f][i % 3]) << f << "," << i;
    }
}

TEST_F(Mesher, ValueElevenIsEmptyBesideAndSolidAboveOrBelow) {
    Chunk &c = bind(0, 5, 5, 5, 3);
    bind(1, 5, 5, 4, 3), bind(2, 5, 5, 6, 3), bind(3, 4, 5, 5, 3);
    bind(4, 6, 5, 5, 3), bind(5, 5, 4, 5, 3), bind(6, 5, 6, 5, 3);
    c.blocks[block_index(10, 10, 11)] = 11;
    create_polygons(5, 5, 5);
    // Blocks above and below it keep their faces hidden; the four beside it show one each,
    // in block order: (9,10,11) its x + 1 face, (10,9,11) y + 1, (10,11,11) y - 1,
    // (11,10,11) x - 1.
    ASSERT_EQ(c.polygons, 4);
    const float normals[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {-1, 0, 0}};
    for (int f = 0; f < 4; f++)
        for (int i = 0; i < 3; i++) EXPECT_EQ(c.norms[12 * f + i], normals[f][i]) << f;
    EXPECT_EQ(c.verts[0], 9.5f - 320); // x + 1 face of block 9 lies at x = 9.5
    for (int f = 0; f < 4; f++)        // every face spans the height of z = 11
        for (int k = 0; k < 4; k++)
            EXPECT_EQ(std::abs(c.verts[12 * f + 3 * k + 1] - (320 + 11)), 0.5f) << f;

    // Across chunk borders too: 11 in the chunk above hides, 11 in the chunk beside shows.
    std::fill(c.blocks, c.blocks + CHUNK_BLOCKS, 0);
    c.blocks[block_index(0, 30, 63)] = 3;
    cubes[2].blocks[block_index(0, 30, 0)] = 11;
    cubes[4].blocks[block_index(63, 30, 63)] = 11; // chunk cx + 1, beyond x = 0
    bind(7, 5, 5, 7, 0);
    create_polygons(5, 5, 5);
    EXPECT_EQ(c.polygons, 5);              // all but the face towards the chunk above
    EXPECT_EQ(c.norms[12 * 1 + 1], -1.0f); // below, then y - 1: the above face is hidden
}

TEST_F(Mesher, StopsAfterTheBlockThatPassesTheFaceLimit) {
    Chunk &c = bind(0, 1, 1, 2, 0);
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            for (int z = 0; z < 64; z++)
                if ((x + y + z) % 2 == 0) c.blocks[block_index(x, y, z)] = 3;
    testing::internal::CaptureStdout();
    create_polygons(1, 1, 2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GT(c.polygons, FACE_LIMIT);
    EXPECT_LE(c.polygons, FACE_LIMIT + 6);
    EXPECT_EQ(out, "stoped building, polygons: " + std::to_string(c.polygons) + " \n");
    expect_same_as_reference(1, 1, 2, "checkerboard");
}

TEST_F(Mesher, CallsThatMustTouchNothing) {
    Chunk &c = bind(0, 0, 0, 4, 3);
    std::fill(c.verts, c.verts + 12 * MESH_FACES, 5.0f);
    c.polygons = 1234;
    create_polygons(-1, 0, 4); // wraps to chunk 9: callers never pass this
    create_polygons(0, 10, 4); // wraps to chunk 0
    create_polygons(0, 0, 10); // no such level
    create_polygons(0, 1, 4);  // not in memory
    EXPECT_EQ(c.polygons, 1234);
    EXPECT_EQ(c.verts[0], 5.0f);
    c.used = 0; // cell still names the slot
    create_polygons(0, 0, 4);
    EXPECT_EQ(c.polygons, 1234);
    c.used = 1;
    float *keep = c.norms;
    c.norms = nullptr;
    create_polygons(0, 0, 4);
    EXPECT_EQ(c.polygons, 1234);
    c.norms = keep;
    uint16_t *grid = world;
    world = nullptr; // a grid that could not be allocated
    create_polygons(0, 0, 4);
    world = grid;
    EXPECT_EQ(c.polygons, 1234);
}

// Random chunks and neighbours in five styles: sparse blocks, rough ground, solid rock with
// holes, uniform rows up to a height, and dense noise that reaches the face limit. Every value
// class occurs (small and large types, 9, 10, 11, values of 256 and above, types the tables
// mark solid with a value other than 1); only the last style stops early, so the others
// cover the whole chunk and every border.
void fill_random(Chunk &c, std::mt19937 &rng, int style) {
    static const BlockId palette[] = {0, 1, 2, 3, 5, 9, 10, 11, 20, 255, 300, 0xFFFF};
    std::uniform_int_distribution<int> any(0, 11), pct(0, 999);
    auto odd = [&] { return palette[any(rng)]; };
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++) {
            BlockId *row = c.blocks + block_index(x, y, 0);
            int h = 20 + pct(rng) % 3;
            BlockId base = BlockId(1 + pct(rng) % 3);
            if (style == 3 && pct(rng) < 20) base = odd();
            for (int z = 0; z < 64; z++) {
                int r = pct(rng);
                BlockId v = 0;
                switch (style) {
                case 0:
                    v = r < 5 ? (r < 2 ? odd() : base) : 0;
                    break;
                case 1:
                    v = z < h ? (r < 10 ? odd() : base) : 0;
                    break;
                case 2:
                    v = r < 5 ? odd() : base;
                    break;
                case 3:
                    v = z < h + 10 ? base : 0;
                    break;
                default:
                    v = r < 500 ? (r < 100 ? odd() : base) : 0;
                    break;
                }
                row[z] = v;
            }
        }
}

TEST_F(Mesher, MatchesTheBlockByBlockBuilder) {
    materials[5].solid = 1;
    materials[9].solid = 1;
    materials[10].solid = 2; // drawn only when solid is exactly 1
    materials[20].solid = 1;
    materials[255].solid = 1;
    materials[300].solid = 1; // beyond the texture table: never drawn
    texes[5] = {{0.25f, 0.5f}, {0.3125f, 0.5f}, {0.375f, 0.5f}};
    texes[20] = {{0.5f, 0.875f}, {0.5625f, 0.875f}, {0.625f, 0.9375f}};
    texes[255] = {{0.9375f, 0.9375f}, {0, 0.9375f}, {0.9375f, 0}};
    std::mt19937 rng(20261206);
    struct Place {
        int size, cx, cy, level;
    } places[] = {{10, 4, 4, 4}, {10, 0, 0, 0}, {10, 9, 9, 9}, {10, 0, 9, 5},
                  {2, 1, 0, 3},  {1, 0, 0, 4},  {30, 29, 0, 1}};
    int case_no = 0;
    for (const Place &p : places) {
        for (int style = 0; style < 5; style++, case_no++) {
            world_size = p.size;
            ASSERT_EQ(initialize_world(), 1);
            Chunk &c = bind(0, p.cx, p.cy, p.level, 0);
            fill_random(c, rng, style);
            const int around[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, 1, 0},
                                      {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
            int slot = 1;
            for (const auto &d : around) {
                int nx = t_zn(p.cx + d[0]), ny = t_zn(p.cy + d[1]), nl = p.level + d[2];
                if (nl < 0 || nl >= CHUNK_LEVELS || chunk_slot(nx, ny, nl) >= 0) continue;
                if (std::uniform_int_distribution<int>(0, 4)(rng) == 0) continue; // missing
                Chunk &n = bind(slot++, nx, ny, nl, 0);
                fill_random(n, rng, (style + slot) % 5);
            }
            std::string what = "case " + std::to_string(case_no);
            expect_same_as_reference(p.cx, p.cy, p.level, what.c_str());
            if (HasFatalFailure()) return;
        }
    }
}

} // namespace
