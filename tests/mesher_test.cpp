// Mesh builder: exact faces for hand-made chunks, the same faces as the reference builder.
#include "mesher_reference.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>

class Mesher : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ((world_size = 10, initialize_world()), 1); // frees every bound slot's mesh
        fill_block_tables();
    }
    static Chunk &bind(int slot, int cx, int cy, int level, BlockId fill = 0) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        Chunk &c = cubes[slot];
        c.used = 1, c.polygons = -1, std::fill_n(c.blocks, CHUNK_BLOCKS, fill);
        for (float **a : {&c.verts, &c.texs, &c.norms})
            if (!*a) *a = static_cast<float *>(std::malloc(MESH_FACES * 12 * sizeof(float)));
        return c;
    }
    // The same faces in the same order as the reference.
    static void expect_same_as_reference(int cx, int cy, int level) {
        Chunk &c = cubes[chunk_slot(cx, cy, level)];
        std::vector<float> mesh[2];
        for (int k = 0; k < 2; k++) {
            for (float *a : {c.verts, c.texs, c.norms}) std::fill(a, a + 12 * MESH_FACES, -7.0f);
            (k ? create_polygons : reference::create_polygons)(cx, cy, level);
            for (float *a : {c.verts, c.texs, c.norms})
                mesh[k].insert(mesh[k].end(), a, a + 12 * c.polygons);
        }
        EXPECT_TRUE(mesh[0] == mesh[1]);
    }
};
TEST_F(Mesher, BuriedEarthHasNoFacesUntilTheChunkAboveIsKnown) {
    Chunk &c = bind(0, 4, 5, 3, 3);
    for (int k : {14, -6}) create_polygons(k, 5, 3), create_polygons(4, k, 3); // outside the grid
    create_polygons(4, 5, 10), create_polygons(4, 6, 3); // no such level; not in memory
    EXPECT_EQ(c.polygons, -1);                           // none of these touched it
    create_polygons(4, 5, 3);
    EXPECT_EQ(c.polygons, 0); // buried
    bind(1, 4, 5, 4);
    create_polygons(4, 5, 3);
    ASSERT_EQ(c.polygons, 4096);
    for (int k = 0; k < 4096 * 4; k++) // every corner at the top, facing up
        ASSERT_TRUE(c.verts[3 * k + 1] == 255.5f && c.norms[3 * k + 2] == 1) << k;
    expect_same_as_reference(4, 5, 3);
}
TEST_F(Mesher, LoneTurfBlockGivesSixFacesInOrder) {
    Chunk &c = bind(0, 2, 3, 4);
    c.blocks[block_index(10, 20, 30)] = 1, create_polygons(2, 3, 4);
    ASSERT_EQ(c.polygons, 6); // below, above, y-, y+, x-, x+: corners, texture corners, normal
    const float xl = 9.5f - 128, xh = 10.5f - 128, zl = 256 + 29.5f, zh = 256 + 30.5f;
    const float yl = 19.5f - 192, yh = 20.5f - 192, s = 0.0625f, t = 0.125f, d = 0.1875f;
    const float want[6][23] = {
        {xl, zl, yl, xh, zl, yl, xh, zl, yh, xl, zl, yh, 0, 0, s, 0, s, s, 0, s, 0, 0, -1},
        {xl, zh, yh, xh, zh, yh, xh, zh, yl, xl, zh, yl, t, 0, t + s, 0, t + s, s, t, s, 0, 0, 1},
        {xl, zh, yl, xh, zh, yl, xh, zl, yl, xl, zl, yl, d + s, 0, d, 0, d, s, d + s, s, 0, -1, 0},
        {xh, zl, yh, xh, zh, yh, xl, zh, yh, xl, zl, yh, d, s, d, 0, d + s, 0, d + s, s, 0, 1, 0},
        {xl, zl, yh, xl, zh, yh, xl, zh, yl, xl, zl, yl, d, s, d, 0, d + s, 0, d + s, s, -1, 0, 0},
        {xh, zh, yl, xh, zh, yh, xh, zl, yh, xh, zl, yl, d + s, 0, d, 0, d, s, d + s, s, 1, 0, 0}};
    for (int f = 0; f < 6; f++)
        for (int i = 0; i < 12; i++)
            EXPECT_TRUE(c.verts[12 * f + i] == want[f][i] &&
                        c.norms[12 * f + i] == want[f][20 + i % 3] &&
                        c.texs[8 * f + i % 8] == want[f][12 + i % 8])
                << "face " << f << ", " << i;
}
TEST_F(Mesher, ValueElevenIsEmptyBesideAndSolidAboveOrBelow) {
    Chunk &c = bind(0, 9, 5, 5, 3); // earth all round; chunk cx + 1 wraps to 0
    bind(1, 9, 5, 4, 3), bind(2, 9, 5, 6, 3), bind(3, 8, 5, 5, 3);
    bind(4, 0, 5, 5, 3), bind(5, 9, 4, 5, 3), bind(6, 9, 6, 5, 3);
    c.blocks[block_index(10, 10, 11)] = 11;
    cubes[2].blocks[block_index(0, 30, 0)] = 11;   // above block (0, 30, 63): hides its top
    cubes[4].blocks[block_index(63, 30, 63)] = 11; // beyond its x = 0: shows its side
    // A hole in each other neighbour's face towards the chunk shows one face; further in, 9
    // shows all six neighbours' faces, 10 and values of 256 or more four.
    cubes[1].blocks[block_index(40, 41, 63)] = cubes[2].blocks[block_index(42, 43, 0)] = 0;
    cubes[3].blocks[block_index(0, 44, 45)] = cubes[5].blocks[block_index(48, 0, 49)] = 0;
    cubes[6].blocks[block_index(50, 63, 51)] = 0;
    for (int v : {9, 10, 256, 0xFFFF}) c.blocks[block_index(20 + 2 * (v % 7), 20, 20)] = BlockId(v);
    create_polygons(9, 5, 5);
    EXPECT_EQ(c.polygons, 5 + 5 + 6 + 3 * 4); // the 11s 1 + 4, holes 5, the 9 six, the rest 4
    expect_same_as_reference(9, 5, 5);
}
TEST_F(Mesher, StopsAfterTheBlockThatPassesTheFaceLimit) {
    Chunk &c = bind(0, 1, 1, 2);
    for (int k = 0; k < CHUNK_BLOCKS; k++) c.blocks[k] = (k / 4096 + k / 64 + k) % 2 ? 0 : 3;
    testing::internal::CaptureStdout();
    create_polygons(1, 1, 2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(c.polygons > FACE_LIMIT && c.polygons <= FACE_LIMIT + 6) << c.polygons;
    EXPECT_EQ(out, "stoped building, polygons: " + std::to_string(c.polygons) + " \n");
    expect_same_as_reference(1, 1, 2);
}
