// Mesh builder: exact faces for hand-made chunks, the same faces as the reference builder, and
// merged quads that cover every face once.
#include "mesher_reference.h"
#include "world_fixture.h"
#include <random>

using Mesher = TinyWorld;
// The same faces in the same order as the reference.
static void expect_same_as_reference(int cx, int cy, int level) {
    Chunk &c = cubes[chunk_slot(cx, cy, level)];
    std::vector<float> mesh[2];
    for (int k = 0; k < 2; k++) {
        for (float *a : {c.verts, c.texs, c.norms}) std::fill(a, a + 12 * MESH_FACES, -7.0f);
        k ? create_polygons(cx, cy, level) : reference::create_polygons(cx, cy, level);
        for (float *a : {c.verts, c.texs, c.norms})
            mesh[k].insert(mesh[k].end(), a, a + 12 * c.polygons);
    }
    EXPECT_TRUE(mesh[0] == mesh[1]);
}
TEST_F(Mesher, LoneTurfBlockGivesSixFacesInOrder) {
    Chunk &c = bind_meshed(2, 3, 4);
    block_at(c, 10, 20, 30) = 1;
    create_polygons(2, 3, 4);
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
    Chunk &c = bind_meshed(9, 5, 5, 3); // earth all round; chunk cx + 1 wraps to 0
    block_at(c, 10, 10, 11) = 11;
    // In the neighbours: 11 above block (0, 30, 63) hides its top, 11 beyond its x = 0 shows
    // its side, a hole in each face towards the chunk shows one face (the one above has both).
    const int next[6][7] = {{9, 5, 4, 40, 41, 63, 0}, {9, 5, 6, 0, 30, 0, 11},
                            {8, 5, 5, 0, 44, 45, 0},  {0, 5, 5, 63, 30, 63, 11},
                            {9, 4, 5, 48, 0, 49, 0},  {9, 6, 5, 50, 63, 51, 0}};
    for (const auto &n : next) block_at(bind_meshed(n[0], n[1], n[2], 3), n[3], n[4], n[5]) = n[6];
    block_at(cubes[chunk_slot(9, 5, 6)], 42, 43, 0) = 0;
    // Further in, 9 shows all six neighbours' faces, 10 and values of 256 or more four.
    for (int v : {9, 10, 256, 0xFFFF}) block_at(c, 20 + 2 * (v % 7), 20, 20) = BlockId(v);
    create_polygons(9, 5, 5);
    EXPECT_EQ(c.polygons, 5 + 5 + 6 + 3 * 4); // the 11s 1 + 4, holes 5, the 9 six, the rest 4
    expect_same_as_reference(9, 5, 5);
}
TEST_F(Mesher, StopsAfterTheBlockThatPassesTheFaceLimit) {
    Chunk &c = bind_meshed(1, 1, 2);
    for (int k = 0; k < CHUNK_BLOCKS; k++) c.blocks[k] = (k / 4096 + k / 64 + k) % 2 ? 0 : 3;
    const std::string out = output_of([] { create_polygons(1, 1, 2); });
    EXPECT_TRUE(c.polygons > FACE_LIMIT && c.polygons <= FACE_LIMIT + 6) << c.polygons;
    EXPECT_EQ(out, "stoped building, polygons: " + std::to_string(c.polygons) + " \n");
    expect_same_as_reference(1, 1, 2);
}
// Random chunks, seeded: rows of the values terrain makes, of any value below 16, below 16 with
// a few up to 255, and of the whole 16-bit range, so each row takes one of the classifier's
// paths; neighbours missing, bound bare or bound with a mesh; worlds so small that a chunk is
// its own neighbour. Block types 4 to 255 get random tables for the run.
TEST_F(Mesher, MatchesTheReferenceOnRandomChunks) {
    const std::vector<Material> old_materials(materials, materials + TEXTURE_ROWS);
    const std::vector<BlockTextures> old_texes(texes, texes + TEXTURE_ROWS);
    std::mt19937 rng(20261206);
    auto pick = [&](unsigned n) { return unsigned(rng() % n); };
    for (int t = 4; t < TEXTURE_ROWS; t++) {
        materials[t].solid = int(pick(5)) % 3; // 2 is not solid either
        texes[t] = {{pick(16) * ATLAS_CELL, pick(16) * ATLAS_CELL},
                    {pick(16) * ATLAS_CELL, 0},
                    {0, pick(16) * ATLAS_CELL}};
    }
    // Sparse enough that the face limit is rarely reached, with the border rows well covered.
    auto fill_chunk = [&](Chunk &c, unsigned inner_share) {
        for (int x = 0; x < CHUNK_EDGE; x++)
            for (int y = 0; y < CHUNK_EDGE; y++) {
                if (pick(100) >= (x % 63 == 0 || y % 63 == 0 ? 20 : inner_share)) continue;
                const unsigned style = pick(5), limit[] = {4, 16, 16, 256, 65536};
                BlockId *row = &block_at(c, x, y, 0);
                for (int z = 0; z < CHUNK_EDGE; z++) row[z] = BlockId(pick(limit[style]));
                for (unsigned k = style == 2 ? 1 + pick(3) : 0; k > 0; k--)
                    row[pick(64)] = BlockId(16 + pick(240));
            }
    };
    for (int size : {1, 2, 30})
        for (int trial = 0; trial < 4; trial++) {
            SCOPED_TRACE(testing::Message() << "world size " << size << ", trial " << trial);
            world_state.world_size = size;
            ASSERT_EQ(initialize_world(), 1);
            const int cx = int(pick(size)), cy = int(pick(size)), level = int(pick(10));
            fill_chunk(bind_meshed(cx, cy, level), 2);
            for (int d = 0; d < 6; d++) { // x + 1, x - 1, y + 1, y - 1, up, down
                const int nx = t_zn(cx + (d == 0) - (d == 1)), ny = t_zn(cy + (d == 2) - (d == 3));
                const int nl = level + (d == 4) - (d == 5);
                if (nl < 0 || nl >= CHUNK_LEVELS || chunk_slot(nx, ny, nl) >= 0) continue;
                const unsigned how = pick(3); // missing, bound bare, bound with a mesh
                if (how)
                    fill_chunk(how == 1 ? bind_chunk(nx, ny, nl) : bind_meshed(nx, ny, nl), 50);
            }
            expect_same_as_reference(cx, cy, level);
        }
    std::copy(old_materials.begin(), old_materials.end(), materials);
    std::copy(old_texes.begin(), old_texes.end(), texes);
}

// Every face of chunk (4, 4, 4)'s mesh in exactly one quad of its direction and plane, no quad
// beyond the faces or past `cap` blocks a side; a textured group's faces all show its cell.
// Where the texels land inside a quad the merged and per-face pictures of the frame tests show.
static void expect_merge_covers_mesh(const Chunk &c, const MergedMesh &mm, int cap, bool textured) {
    std::vector<int> face_at(6 << 18, -1), owner(size_t(c.polygons), 0);
    for (int f = 0; f < c.polygons; f++) {
        const float *v = c.verts + 12 * f, *n = c.norms + 12 * f;
        // The middle of the face, half a block back along the normal (stored as x, y, z, while
        // corners run x, z, y): the block's centre.
        auto mid = [&](int a, float back) {
            return int(std::lround((v[a] + v[3 + a] + v[6 + a] + v[9 + a]) / 4 - back / 2));
        };
        const int x = mid(0, n[0]) + 256, z = mid(1, n[2]) - 256, y = mid(2, n[1]) + 256;
        const int dir = n[2] ? (n[2] > 0) : n[1] ? 2 + (n[1] > 0) : 4 + (n[0] > 0);
        const int place = dir < 2   ? (z * 64 + x) * 64 + y
                          : dir < 4 ? (y * 64 + x) * 64 + z
                                    : (x * 64 + y) * 64 + z;
        face_at[size_t((dir << 18) + place)] = f;
    }
    int area = 0;
    for (int g = 0; g < mm.groups; g++)
        for (int q = mm.group[g].first; q < mm.group[g].first + mm.group[g].count; q++) {
            const MergedRect &r = mm.rects[q];
            area += (r.r1 - r.r0 + 1) * (r.b1 - r.b0 + 1);
            ASSERT_EQ(r.dir, mm.group[g].dir) << "quad " << q;
            ASSERT_TRUE(r.r1 - r.r0 < cap && r.b1 - r.b0 < cap) << "quad " << q;
            for (int row = r.r0; row <= r.r1; row++)
                for (int bit = r.b0; bit <= r.b1; bit++) {
                    const int f = face_at[size_t(((r.dir * 64 + r.layer) * 64 + row) * 64 + bit)];
                    ASSERT_GE(f, 0) << "quad " << q << " covers no face at " << row << " " << bit;
                    owner[size_t(f)]++;
                    const float *t = c.texs + 8 * f;
                    const TexCell cell{std::min({t[0], t[2], t[4], t[6]}),
                                       std::min({t[1], t[3], t[5], t[7]})};
                    ASSERT_TRUE(!textured || mm.group[g].cell == merge_cell_index(cell))
                        << "face " << f << " outside its group's cell";
                }
        }
    EXPECT_EQ(area, c.polygons) << "quads outside the groups";
    for (int f = 0; f < c.polygons; f++) ASSERT_EQ(owner[size_t(f)], 1) << "face " << f;
}
TEST_F(Mesher, MergedAndSilhouetteQuadsCoverEveryFaceOnce) {
    // share of solid blocks (< 0: ground up to a wavy height), seed, neighbours bound (bit k:
    // the k-th of the six), merge cap
    const int cases[][4] = {{-1, 1, 0x3F, 64},
                            {-1, 2, 0x05, 64},
                            {3, 3, 0x2A, 64},
                            {50, 4, 0x3F, 64},
                            {-1, 5, 0x3F, 3}};
    const BlockId kinds[] = {1, 2, 3, 7, 9, 10, 11, 255, 256, 0xFFFF};
    const int next[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    for (const auto &[share, seed, bound, cap] : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        ASSERT_TRUE(reset_world());
        std::srand(unsigned(seed));
        Chunk &c = bind_meshed(4, 4, 4);
        for (int k = 0; k < 6; k++)
            if ((bound >> k) & 1) {
                Chunk &n = bind_chunk(4 + next[k][0], 4 + next[k][1], 4 + next[k][2], 3);
                for (int i = 0; i < 300; i++) n.blocks[std::rand() % CHUNK_BLOCKS] = 0;
            }
        for (int x = 0; x < 64; x++)
            for (int y = 0; y < 64; y++) {
                const int top = 30 + int(3 * std::sin(x / 9.0) + 2 * std::cos(y / 7.0));
                for (int z = 0; z < 64; z++) {
                    const bool solid = share < 0 ? z <= top : std::rand() % 100 < share;
                    const BlockId k = kinds[std::rand() % 10];
                    const BlockId ground = z < top - 1 ? 3 : std::rand() % 20 ? 1 : k;
                    block_at(c, x, y, z) = !solid ? 0 : share < 0 ? ground : k;
                }
            }
        output_of([cap] { create_polygons(4, 4, 4, MergeOptions{1, cap}); }); // the limit's notice
        const int slot = chunk_slot(4, 4, 4);
        const MergedMesh &mm = cubes[slot].merged;
        ASSERT_TRUE(mm.version > 0 && mm.faces == c.polygons) << mm.faces;
        expect_merge_covers_mesh(c, mm, cap, true);
        const MergedMesh *sil = silhouette_mesh(slot);
        ASSERT_TRUE(sil);
        expect_merge_covers_mesh(c, *sil, 64, false);
        EXPECT_LE(sil->quads, mm.quads);
        EXPECT_TRUE(share >= 0 || cap < 64 || mm.quads * 2 < c.polygons) << "ground merges";
    }
}
TEST_F(Mesher, BuriedEarthHasNoFacesUntilTheChunkAboveIsKnownThenItsTopIsOneQuad) {
    Chunk &c = bind_meshed(4, 4, 4, 3);
    for (int k : {14, -6}) create_polygons(k, 4, 4), create_polygons(4, k, 4); // outside the grid
    create_polygons(4, 4, 10), create_polygons(4, 6, 4); // no such level; not in memory
    EXPECT_EQ(c.polygons, -1);                           // none of these touched it
    create_polygons(4, 4, 4);
    EXPECT_EQ(c.polygons, 0); // buried
    bind_meshed(4, 4, 5);
    create_polygons(4, 4, 4);
    const MergedMesh &mm = cubes[chunk_slot(4, 4, 4)].merged;
    const MergedRect &r = mm.rects[0];
    EXPECT_TRUE(c.polygons == 4096 && mm.quads == 1 && r.dir == 1 && r.layer == 63 &&
                r.r1 - r.r0 == 63 && r.b1 - r.b0 == 63)
        << c.polygons << " faces, " << mm.quads << " quads: the top layer is one lawn";
    block_at(c, 10, 12, 63) = 1;       // turf in it: another atlas cell
    block_at(c, 40, 44, 63) = 0;       // dug out of it
    expect_same_as_reference(4, 4, 4); // the mesh of the edited blocks, and its merge
    expect_merge_covers_mesh(c, mm, 64, true);
}
