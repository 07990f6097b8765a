// Per-block-type tables and the chunk mesh builder. The builder classifies whole rows of 64
// blocks along z into bit masks and finds every exposed face of a row with a few bit
// operations; faces come out in the same order as a block-by-block walk would give them.
#include "world/mesher.h"

#include "world/chunks.h"

#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESS_MESHER_SSSE3 1
#endif

Material materials[MATERIAL_ROWS];
BlockTextures texes[TEXTURE_ROWS];

void fill_block_tables() {
    materials[0] = {0, 0, 0.0f, 0};
    materials[1] = {1, 16, 1.0f, 3};
    materials[2] = {1, 100500, 100500.0f, 0};
    materials[3] = {1, 12, 1.0f, 3};
    texes[0] = {{0, 0}, {0, 0}, {0, 0}};
    texes[1] = {{0.125f, 0}, {0, 0}, {0.1875f, 0}};
    texes[2] = {{0.0625f, 0}, {0.0625f, 0}, {0.0625f, 0}};
    texes[3] = {{0, 0}, {0, 0}, {0, 0}};
}

namespace {

typedef uint64_t Row; // bit z stands for block z of a row along z

// What a block value means to the face tests: drawn itself, hides a side face beside it,
// hides a face above or below it. Values of 256 and more have no texture row and are not
// drawn; beside a block they count as 0, above or below as 1.
constexpr unsigned DRAWN = 1, HIDES_SIDE = 2, HIDES_VERT = 4;
constexpr int CLASS_ROWS = TEXTURE_ROWS + 1; // the last row stands for every value >= 256

struct RowMasks {
    Row drawn, side, vert;
};

struct Classes {
    uint8_t of[CLASS_ROWS];
    bool hides_missing; // a chunk not in memory reads as type 1
    unsigned lookup(unsigned v) const { return of[v < TEXTURE_ROWS ? v : TEXTURE_ROWS]; }
};

bool is_solid(int t) {
    return materials[t].solid == 1;
}

void build_classes(Classes &c) {
    for (int v = 0; v < CLASS_ROWS; v++) {
        unsigned k = 0;
        if (v < TEXTURE_ROWS && is_solid(v)) k |= DRAWN;
        if (is_solid(v <= 10 ? v : 0)) k |= HIDES_SIDE;
        if (is_solid(v <= 9 ? v : 1)) k |= HIDES_VERT;
        c.of[v] = uint8_t(k);
    }
    c.hides_missing = is_solid(1);
}

RowMasks classify_row_scalar(const BlockId *row, const Classes &c) {
    RowMasks m = {0, 0, 0};
    for (int z = 0; z < CHUNK_EDGE; z++) {
        unsigned k = c.lookup(row[z]);
        m.drawn |= Row(k & DRAWN) << z;
        m.side |= Row((k >> 1) & 1) << z;
        m.vert |= Row((k >> 2) & 1) << z;
    }
    return m;
}

#ifdef TESS_MESHER_SSSE3
// Byte tables for pshufb: entry v is 0x80 when class v has the bit, so movemask yields it.
struct ShuffleTables {
    __m128i drawn, side, vert;
};

__attribute__((target("ssse3"))) void build_shuffles(const Classes &c, ShuffleTables &t) {
    alignas(16) uint8_t d[16], s[16], v[16];
    for (int k = 0; k < 16; k++) {
        d[k] = (c.of[k] & DRAWN) ? 0x80 : 0;
        s[k] = (c.of[k] & HIDES_SIDE) ? 0x80 : 0;
        v[k] = (c.of[k] & HIDES_VERT) ? 0x80 : 0;
    }
    t.drawn = _mm_load_si128(reinterpret_cast<const __m128i *>(d));
    t.side = _mm_load_si128(reinterpret_cast<const __m128i *>(s));
    t.vert = _mm_load_si128(reinterpret_cast<const __m128i *>(v));
}

// Rows hold values below 16 almost always (terrain makes 0 to 3); those are classified
// sixteen at a time with byte shuffles. Any larger value sends the row to the scalar path.
__attribute__((target("ssse3"), always_inline)) inline RowMasks
classify_row_ssse3(const BlockId *row, const Classes &c, const ShuffleTables &t) {
    const __m128i *p = reinterpret_cast<const __m128i *>(row);
    __m128i in[8];
    __m128i any = _mm_setzero_si128();
    for (int k = 0; k < 8; k++) {
        in[k] = _mm_loadu_si128(p + k);
        any = _mm_or_si128(any, in[k]);
    }
    __m128i high = _mm_and_si128(any, _mm_set1_epi16(int16_t(0xFFF0)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(high, _mm_setzero_si128())) != 0xFFFF)
        return classify_row_scalar(row, c);
    RowMasks m = {0, 0, 0};
    for (int k = 0; k < 4; k++) {
        __m128i bytes = _mm_packus_epi16(in[2 * k], in[2 * k + 1]);
        int sh = 16 * k;
        m.drawn |= Row(unsigned(_mm_movemask_epi8(_mm_shuffle_epi8(t.drawn, bytes)))) << sh;
        m.side |= Row(unsigned(_mm_movemask_epi8(_mm_shuffle_epi8(t.side, bytes)))) << sh;
        m.vert |= Row(unsigned(_mm_movemask_epi8(_mm_shuffle_epi8(t.vert, bytes)))) << sh;
    }
    return m;
}

// Rows first, first + stride, ... : one call per batch so the row code inlines.
__attribute__((target("ssse3"))) void classify_rows_ssse3(const BlockId *first, int count,
                                                          int stride, const Classes &c,
                                                          const ShuffleTables &t, RowMasks *out) {
    for (int i = 0; i < count; i++) out[i] = classify_row_ssse3(first + i * stride, c, t);
}

bool detect_ssse3() {
    __builtin_cpu_init(); // may run before the library's own constructor
    return __builtin_cpu_supports("ssse3");
}
const bool have_ssse3 = detect_ssse3();
#endif

struct Classifier {
    Classes c;
#ifdef TESS_MESHER_SSSE3
    ShuffleTables t;
#endif
    Classifier() {
        build_classes(c);
#ifdef TESS_MESHER_SSSE3
        if (have_ssse3) build_shuffles(c, t);
#endif
    }
    void rows(const BlockId *first, int count, int stride, RowMasks *out) const {
#ifdef TESS_MESHER_SSSE3
        if (have_ssse3) return classify_rows_ssse3(first, count, stride, c, t, out);
#endif
        for (int i = 0; i < count; i++) out[i] = classify_row_scalar(first + i * stride, c);
    }
};

// Masks of the chunk being built and the hide masks its neighbours show towards it. Kept out
// of the stack: they are rebuilt whole on every call.
struct Scratch {
    RowMasks rows[CHUNK_EDGE][CHUNK_EDGE]; // [x][y]
    Row beyond_y0[CHUNK_EDGE];             // side hide of row (x, 63) of chunk cy + 1, by x
    Row beyond_y63[CHUNK_EDGE];            // row (x, 0) of chunk cy - 1
    Row beyond_x0[CHUNK_EDGE];             // row (63, y) of chunk cx + 1, by y
    Row beyond_x63[CHUNK_EDGE];            // row (0, y) of chunk cx - 1
    Row below[CHUNK_EDGE];                 // bit y: block (x, y, 63) of level - 1 hides, by x
    Row above[CHUNK_EDGE];                 // bit y: block (x, y, 0) of level + 1 hides
};
Scratch scratch;

const BlockId *chunk_blocks(int cx, int cy, int level) {
    int slot = chunk_slot(cx, cy, level);
    return slot < 0 ? nullptr : cubes[slot].blocks;
}

// Side hide masks of the 64 rows of a neighbour's border plane, rows first, first + stride,
// ...; all rows hide when the neighbour is missing.
void border_plane(const BlockId *blocks, int first, int stride, const Classifier &k,
                  Row out[CHUNK_EDGE]) {
    if (!blocks) {
        for (int i = 0; i < CHUNK_EDGE; i++) out[i] = k.c.hides_missing ? ~Row(0) : 0;
        return;
    }
    RowMasks m[CHUNK_EDGE];
    k.rows(blocks + first, CHUNK_EDGE, stride, m);
    for (int i = 0; i < CHUNK_EDGE; i++) out[i] = m[i].side;
}

// Bit y of out[x]: block (x, y, z) of a chunk above or below hides. Only the columns in
// `wanted` are read: the blocks are a whole row apart, each its own cache line.
void vertical_plane(const BlockId *blocks, int z, const Row wanted[CHUNK_EDGE], const Classifier &k,
                    Row out[CHUNK_EDGE]) {
    for (int x = 0; x < CHUNK_EDGE; x++) {
        if (!blocks) {
            out[x] = k.c.hides_missing ? ~Row(0) : 0;
            continue;
        }
        Row m = 0;
        const BlockId *p = blocks + block_index(x, 0, z);
        for (Row w = wanted[x]; w; w &= w - 1) {
            int y = __builtin_ctzll(w);
            m |= Row((k.c.lookup(p[y * CHUNK_EDGE]) >> 2) & 1) << y;
        }
        out[x] = m;
    }
}

enum Face { BELOW, ABOVE, Y_MINUS, Y_PLUS, X_MINUS, X_PLUS, FACE_KINDS };

// Corner signs (d1, d2, d3) of each face's four vertices, the texture corner offsets in
// cells, and the normal, in the order the faces are drawn.
struct FaceShape {
    int8_t corner[4][3];
    int8_t tex[4][2];
    float normal[3];
};
constexpr FaceShape shapes[FACE_KINDS] = {
    {{{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 0, -1}},
    {{{0, 1, 1}, {1, 1, 1}, {1, 1, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {0, 0, 1}},
    {{{0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}}, {{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {0, -1, 0}},
    {{{1, 0, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}, {0, 1, 0}},
    {{{0, 0, 1}, {0, 1, 1}, {0, 1, 0}, {0, 0, 0}}, {{0, 1}, {0, 0}, {1, 0}, {1, 1}}, {-1, 0, 0}},
    {{{1, 1, 0}, {1, 1, 1}, {1, 0, 1}, {1, 0, 0}}, {{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {1, 0, 0}},
};

struct Corners {
    float d1[2], d2[2], d3[2]; // low and high side of the block in the drawing frame
};

struct Writer {
    float *verts, *texs, *norms;
    int count;

    // One face; the shape is a template argument so its table folds into plain stores.
    template <int F> void face(int t, const Corners &c) {
        constexpr const FaceShape &s = shapes[F];
        const TexCell &cell = F == BELOW   ? texes[t].bottom
                              : F == ABOVE ? texes[t].top
                                           : texes[t].side;
        const float us[2] = {cell.u, cell.u + ATLAS_CELL};
        const float vs[2] = {cell.v, cell.v + ATLAS_CELL};
        float *v = verts + 12 * count;
        float *tx = texs + 8 * count;
        float *n = norms + 12 * count;
#pragma GCC unroll 4
        for (int k = 0; k < 4; k++) {
            v[3 * k + 0] = c.d1[s.corner[k][0]];
            v[3 * k + 1] = c.d2[s.corner[k][1]];
            v[3 * k + 2] = c.d3[s.corner[k][2]];
            tx[2 * k + 0] = us[s.tex[k][0]];
            tx[2 * k + 1] = vs[s.tex[k][1]];
            n[3 * k + 0] = s.normal[0];
            n[3 * k + 1] = s.normal[1];
            n[3 * k + 2] = s.normal[2];
        }
        count++;
    }
};

} // namespace

void create_polygons(int cx, int cy, int level) {
    if (!world || cx < 0 || cx >= world_size || cy < 0 || cy >= world_size) return;
    int slot = chunk_slot(cx, cy, level);
    if (slot < 0) return;
    Chunk &chunk = cubes[slot];
    if (!chunk.verts || !chunk.texs || !chunk.norms) return;

    const Classifier k;
    Scratch &s = scratch;
    const BlockId *blocks = chunk.blocks;
    k.rows(blocks, CHUNK_EDGE * CHUNK_EDGE, CHUNK_EDGE, &s.rows[0][0]);
    // Block indices run against the world axes: beyond y = 0 lies chunk cy + 1 at y = 63.
    const int row_step = CHUNK_EDGE, plane_step = CHUNK_EDGE * CHUNK_EDGE;
    border_plane(chunk_blocks(cx, cy + 1, level), block_index(0, 63, 0), plane_step, k,
                 s.beyond_y0);
    border_plane(chunk_blocks(cx, cy - 1, level), block_index(0, 0, 0), plane_step, k,
                 s.beyond_y63);
    border_plane(chunk_blocks(cx + 1, cy, level), block_index(63, 0, 0), row_step, k, s.beyond_x0);
    border_plane(chunk_blocks(cx - 1, cy, level), block_index(0, 0, 0), row_step, k, s.beyond_x63);
    // Only columns whose bottom or top block is drawn look into the chunk below or above.
    Row want_below[CHUNK_EDGE], want_above[CHUNK_EDGE];
    for (int x = 0; x < CHUNK_EDGE; x++) {
        Row b = 0, a = 0;
        for (int y = 0; y < CHUNK_EDGE; y++) {
            b |= (s.rows[x][y].drawn & 1) << y;
            a |= (s.rows[x][y].drawn >> 63) << y;
        }
        want_below[x] = b, want_above[x] = a;
    }
    vertical_plane(chunk_blocks(cx, cy, level - 1), 63, want_below, k, s.below);
    vertical_plane(chunk_blocks(cx, cy, level + 1), 0, want_above, k, s.above);

    Writer out = {chunk.verts, chunk.texs, chunk.norms, 0};
    const float base_x = float(64 * cx), base_y = float(64 * cy), base_z = float(64 * level);
    Corners c;
    for (int x = 0; x < CHUNK_EDGE; x++) {
        c.d1[0] = (float(x) - 0.5f) - base_x;
        c.d1[1] = (float(x) + 0.5f) - base_x;
        for (int y = 0; y < CHUNK_EDGE; y++) {
            const RowMasks &r = s.rows[x][y];
            if (!r.drawn) continue;
            Row below_hide = (r.vert << 1) | ((s.below[x] >> y) & 1);
            Row above_hide = (r.vert >> 1) | (((s.above[x] >> y) & 1) << 63);
            Row ym = y > 0 ? s.rows[x][y - 1].side : s.beyond_y0[x];
            Row yp = y < 63 ? s.rows[x][y + 1].side : s.beyond_y63[x];
            Row xm = x > 0 ? s.rows[x - 1][y].side : s.beyond_x0[y];
            Row xp = x < 63 ? s.rows[x + 1][y].side : s.beyond_x63[y];
            const Row f0 = r.drawn & ~below_hide, f1 = r.drawn & ~above_hide;
            const Row f2 = r.drawn & ~ym, f3 = r.drawn & ~yp, f4 = r.drawn & ~xm;
            const Row f5 = r.drawn & ~xp;
            Row any = f0 | f1 | f2 | f3 | f4 | f5;
            if (!any) continue;
            c.d3[0] = (float(y) - 0.5f) - base_y;
            c.d3[1] = (float(y) + 0.5f) - base_y;
            const BlockId *row = blocks + block_index(x, y, 0);
            while (any) {
                int z = __builtin_ctzll(any);
                any &= any - 1;
                c.d2[0] = base_z + (float(z) - 0.5f);
                c.d2[1] = base_z + (float(z) + 0.5f);
                int t = row[z];
                if ((f0 >> z) & 1) out.face<BELOW>(t, c);
                if ((f1 >> z) & 1) out.face<ABOVE>(t, c);
                if ((f2 >> z) & 1) out.face<Y_MINUS>(t, c);
                if ((f3 >> z) & 1) out.face<Y_PLUS>(t, c);
                if ((f4 >> z) & 1) out.face<X_MINUS>(t, c);
                if ((f5 >> z) & 1) out.face<X_PLUS>(t, c);
                if (out.count > FACE_LIMIT) {
                    chunk.polygons = out.count;
                    printf("stoped building, polygons: %i \n", out.count);
                    return;
                }
            }
        }
    }
    chunk.polygons = out.count;
}
