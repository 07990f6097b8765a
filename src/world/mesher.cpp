// Per-block-type tables and the chunk mesh builder. The builder classifies whole rows of 64
// blocks along z into bit masks and finds every exposed face of a row with a few bit
// operations; faces come out in the same order as a block-by-block walk would give them.
// Beside the faces it records their planes, from which a greedy pass merges them into the
// drawing mesh.
#include "world/mesher.h"

#include "world/chunks.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// What the build records for the merge: the faces it wrote, by direction and plane, and where
// the atlas cell changes between neighbouring faces. Every merge consumes the face planes (left
// zero), so a build writes only the rows and layers that have faces.
struct MergeScratch {
    Row side[4][CHUNK_EDGE][CHUNK_EDGE];      // -y +y -x +x faces of row (x, y), [dir - 2][x][y]
    Row side_diff[CHUNK_EDGE][CHUNK_EDGE];    // bit z: side cell differs from block z - 1's
    Row vert[2][CHUNK_EDGE][CHUNK_EDGE];      // below, above faces of layer z, row x: bit y
    Row vert_diff[2][CHUNK_EDGE][CHUNK_EDGE]; // bit y: cell differs from block y - 1's
    Row vert_layers[2];                       // bit z: layer z has a face
    uint8_t cell_of[3][TEXTURE_ROWS];         // top, bottom, side cell of a block type
};
MergeScratch merge_scratch;

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

// Block coordinates are whole numbers and chunk bases multiples of 64, so every corner
// coordinate is a half-integer far inside float precision: it comes out the same whichever
// order its terms are added in. The writers rely on that.
struct ScalarWriter {
    float *verts, *texs, *norms;
    int count;
    float base_x, base_y, base_z;
    float d1[2], d2[2], d3[2]; // low and high side of the block in the drawing frame

    ScalarWriter(Chunk &ch, int cx, int cy, int level)
        : verts(ch.verts), texs(ch.texs), norms(ch.norms), count(0), base_x(float(64 * cx)),
          base_y(float(64 * cy)), base_z(float(64 * level)) {}

    void row(int x, int y) {
        d1[0] = (float(x) - 0.5f) - base_x;
        d1[1] = (float(x) + 0.5f) - base_x;
        d3[0] = (float(y) - 0.5f) - base_y;
        d3[1] = (float(y) + 0.5f) - base_y;
    }
    void block(int z) {
        d2[0] = base_z + (float(z) - 0.5f);
        d2[1] = base_z + (float(z) + 0.5f);
    }

    // One face; the shape is a template argument so its table folds into plain stores.
    template <int F> void face(int t) {
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
            v[3 * k + 0] = d1[s.corner[k][0]];
            v[3 * k + 1] = d2[s.corner[k][1]];
            v[3 * k + 2] = d3[s.corner[k][2]];
            tx[2 * k + 0] = us[s.tex[k][0]];
            tx[2 * k + 1] = vs[s.tex[k][1]];
            n[3 * k + 0] = s.normal[0];
            n[3 * k + 1] = s.normal[1];
            n[3 * k + 2] = s.normal[2];
        }
        count++;
    }
};

#ifdef __SSE2__
// The same faces four floats at a time: a vertex is the block's position (d1, d2, d3) plus its
// corner's offset, the texture corners the cell's (u, v) plus 0 or one cell.
struct VectorWriter {
    float *verts, *texs, *norms;
    int count;
    __m128 corner[FACE_KINDS][4]; // per vertex: corner offset less the chunk base, lane 3 zero
    __m128 tex[FACE_KINDS][2];    // texture offsets of vertices 0, 1 and 2, 3
    __m128 normal[FACE_KINDS][3]; // the four normals, as the array holds them
    __m128 row_at, at;            // (x, 0, y, 0), then (x, z, y, 0)

    VectorWriter(Chunk &ch, int cx, int cy, int level)
        : verts(ch.verts), texs(ch.texs), norms(ch.norms), count(0) {
        const float base[3] = {-float(64 * cx), float(64 * level), -float(64 * cy)};
        for (int f = 0; f < FACE_KINDS; f++) {
            const FaceShape &s = shapes[f];
            float n[12], t[8];
            for (int k = 0; k < 4; k++) {
                float c[3];
                for (int a = 0; a < 3; a++) c[a] = base[a] + (s.corner[k][a] ? 0.5f : -0.5f);
                corner[f][k] = _mm_setr_ps(c[0], c[1], c[2], 0);
                for (int a = 0; a < 3; a++) n[3 * k + a] = s.normal[a];
                t[2 * k] = s.tex[k][0] ? ATLAS_CELL : 0;
                t[2 * k + 1] = s.tex[k][1] ? ATLAS_CELL : 0;
            }
            for (int i = 0; i < 3; i++) normal[f][i] = _mm_loadu_ps(n + 4 * i);
            for (int i = 0; i < 2; i++) tex[f][i] = _mm_loadu_ps(t + 4 * i);
        }
    }

    void row(int x, int y) { row_at = _mm_setr_ps(float(x), 0, float(y), 0); }
    void block(int z) { at = _mm_add_ps(row_at, _mm_setr_ps(0, float(z), 0, 0)); }

    template <int F> void face(int t) {
        const TexCell &cell = F == BELOW   ? texes[t].bottom
                              : F == ABOVE ? texes[t].top
                                           : texes[t].side;
        float *v = verts + 12 * count, *tx = texs + 8 * count, *n = norms + 12 * count;
        // Each vertex is stored four wide over the start of the next; the last one exactly.
        _mm_storeu_ps(v, _mm_add_ps(at, corner[F][0]));
        _mm_storeu_ps(v + 3, _mm_add_ps(at, corner[F][1]));
        _mm_storeu_ps(v + 6, _mm_add_ps(at, corner[F][2]));
        const __m128 last = _mm_add_ps(at, corner[F][3]);
        _mm_storel_pi(reinterpret_cast<__m64 *>(v + 9), last);
        _mm_store_ss(v + 11, _mm_movehl_ps(last, last));
        __m128 uv = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64 *>(&cell));
        uv = _mm_movelh_ps(uv, uv);
        _mm_storeu_ps(tx, _mm_add_ps(uv, tex[F][0]));
        _mm_storeu_ps(tx + 4, _mm_add_ps(uv, tex[F][1]));
        _mm_storeu_ps(n, normal[F][0]);
        _mm_storeu_ps(n + 4, normal[F][1]);
        _mm_storeu_ps(n + 8, normal[F][2]);
        count++;
    }
};
typedef VectorWriter Writer;
#else
typedef ScalarWriter Writer;
#endif

// A quad found by the greedy pass, before the quads are ordered by cell and direction.
struct Pending {
    MergedRect r;
    uint16_t key; // cell * FACE_KINDS + direction: the order the quads are stored in
};
Pending pending[MESH_FACES + FACE_KINDS];
int key_count[TEXTURE_ROWS * FACE_KINDS + 1];

unsigned merge_builds = 0; // last version handed out

// Greedy rectangles over one plane, worked in place: row r is m[r * S] (consumed, left zero),
// and st[r * T] marks its bits whose cell differs from the bit before (read only where the row
// has faces, so rows left over from an earlier build do no harm). A run grows along the bits
// first, then over following rows that hold the whole run in one cell.
template <int S, int T, class CellAt>
Pending *greedy_plane(int dir, int layer, Row *m, const Row *st, int cap, CellAt cell_at,
                      Pending *out) {
    for (int r = 0; r < CHUNK_EDGE; r++) {
        Row here = m[r * S];
        if (!here) continue;
        const Row stops = st[r * T];
        do {
            const int b0 = __builtin_ctzll(here);
            const Row stop = ~(here >> b0) | ((stops >> b0) & ~Row(1));
            int len = stop ? __builtin_ctzll(stop) : CHUNK_EDGE;
            if (len > cap) len = cap;
            const Row run = (len == CHUNK_EDGE ? ~Row(0) : (Row(1) << len) - 1) << b0;
            const Row inner = run & ~(Row(1) << b0);
            here &= ~run;
            const int cell = cell_at(r, b0);
            const int last = r + cap < CHUNK_EDGE ? r + cap : CHUNK_EDGE;
            int r1 = r + 1;
            for (; r1 < last; r1++) {
                Row &next = m[r1 * S];
                if ((next & run) != run || (st[r1 * T] & inner) || cell_at(r1, b0) != cell) break;
                next &= ~run;
            }
            *out++ = {{uint8_t(dir), uint8_t(layer), uint8_t(r), uint8_t(r1 - 1), uint8_t(b0),
                       uint8_t(b0 + len - 1)},
                      uint16_t(cell * FACE_KINDS + dir)};
        } while (here);
        m[r * S] = 0;
    }
    return out;
}

// Grows mesh to hold quads and groups; false (mesh untouched) when memory runs out.
template <class T> bool grow(T *&p, int want) {
    T *q = static_cast<T *>(std::realloc(p, sizeof(T) * size_t(want)));
    if (!q) return false;
    p = q;
    return true;
}
bool reserve(MergedMesh &mm, int quads, int groups, bool textured) {
    if (quads > mm.capacity) {
        const int n = quads + quads / 4 + 16;
        if (!grow(mm.verts, 12 * n) || !grow(mm.norms, 12 * n) || !grow(mm.boxes, 6 * n) ||
            !grow(mm.rects, n) || (textured && !grow(mm.texs, 8 * n)))
            return false;
        mm.capacity = n;
    }
    if (groups > mm.group_capacity) {
        const int n = groups + 8;
        if (!grow(mm.group, n)) return false;
        mm.group_capacity = n;
    }
    return true;
}

#ifndef __SSE2__
// Writes quad i of mm from its blocks: the corners of the faces it replaces, texture
// coordinates that repeat once per block in the faces' own orientation. The direction is a
// template argument so the shape table folds into plain stores.
template <int F, bool textured> void write_quad(MergedMesh &mm, int i, const MergedRect &q) {
    constexpr int rows = F < X_MINUS ? 0 : 1, bits = F < Y_MINUS ? 1 : 2;
    constexpr int normal = 3 - rows - bits;
    int lo[3], hi[3]; // x, y, z blocks
    lo[rows] = q.r0, hi[rows] = q.r1;
    lo[bits] = q.b0, hi[bits] = q.b1;
    lo[normal] = hi[normal] = q.layer;
    const float bx = float(64 * mm.cx), by = float(64 * mm.cy), bz = float(64 * mm.level);
    const float d[3][2] = {{(float(lo[0]) - 0.5f) - bx, (float(hi[0]) + 0.5f) - bx},
                           {bz + (float(lo[2]) - 0.5f), bz + (float(hi[2]) + 0.5f)},
                           {(float(lo[1]) - 0.5f) - by, (float(hi[1]) + 0.5f) - by}};
    constexpr const FaceShape &s = shapes[F];
    const float wide[2][2] = {{0, float(q.r1 - q.r0 + 1)}, {0, float(q.b1 - q.b0 + 1)}};
    float *v = mm.verts + 12 * i, *n = mm.norms + 12 * i, *b = mm.boxes + 6 * i;
#pragma GCC unroll 4
    for (int k = 0; k < 4; k++) {
        v[3 * k + 0] = d[0][s.corner[k][0]];
        v[3 * k + 1] = d[1][s.corner[k][1]];
        v[3 * k + 2] = d[2][s.corner[k][2]];
        n[3 * k + 0] = s.normal[0];
        n[3 * k + 1] = s.normal[1];
        n[3 * k + 2] = s.normal[2];
        if (textured) {
            float *t = mm.texs + 8 * i;
            t[2 * k] = wide[0][s.tex[k][0]];
            t[2 * k + 1] = wide[1][s.tex[k][1]];
        }
    }
#pragma GCC unroll 3
    for (int a = 0; a < 3; a++) {
        b[a] = 0.5f * (d[a][0] + d[a][1]);
        b[3 + a] = 0.5f * (d[a][1] - d[a][0]);
    }
    mm.rects[i] = q;
}
#endif

#ifdef __SSE2__
// Stores the first three lanes of a at p, exactly.
inline void store3(float *p, __m128 a) {
    _mm_storel_pi(reinterpret_cast<__m64 *>(p), a);
    _mm_store_ss(p + 2, _mm_movehl_ps(a, a));
}

// Mask lanes: all bits set where the flag is 1.
inline __m128 lanes(int a, int b, int c, int d) {
    return _mm_castsi128_ps(_mm_setr_epi32(-a, -b, -c, -d));
}

// Quads first.. of one direction, in one tight loop, four floats at a time: the same values
// write_quad gives (half-integer corners add up exactly in any order).
template <int F, bool textured>
void write_quads(MergedMesh &mm, const Pending *p, int count, int *at) {
    constexpr int rows = F < X_MINUS ? 0 : 1, bits = F < Y_MINUS ? 1 : 2;
    constexpr int normal = 3 - rows - bits;
    constexpr const FaceShape &s = shapes[F];
    const float bx = float(64 * mm.cx), by = float(64 * mm.cy), bz = float(64 * mm.level);
    // Drawing axes d1, d2, d3 run along block x, z, y.
    const __m128 low = _mm_setr_ps(-0.5f - bx, bz - 0.5f, -0.5f - by, 0);
    const __m128 high = _mm_setr_ps(0.5f - bx, bz + 0.5f, 0.5f - by, 0);
    const __m128 half = _mm_set1_ps(0.5f);
    __m128 pick[4];
    for (int k = 0; k < 4; k++) pick[k] = lanes(s.corner[k][0], s.corner[k][1], s.corner[k][2], 0);
    const __m128 wide_at[2] = {lanes(s.tex[0][0], s.tex[0][1], s.tex[1][0], s.tex[1][1]),
                               lanes(s.tex[2][0], s.tex[2][1], s.tex[3][0], s.tex[3][1])};
    const __m128 n0 = _mm_setr_ps(s.normal[0], s.normal[1], s.normal[2], s.normal[0]);
    const __m128 n1 = _mm_setr_ps(s.normal[1], s.normal[2], s.normal[0], s.normal[1]);
    const __m128 n2 = _mm_setr_ps(s.normal[2], s.normal[0], s.normal[1], s.normal[2]);
    for (int j = 0; j < count; j++) {
        const int i = at[p[j].key]++;
        const MergedRect &q = p[j].r;
        int lo[3], hi[3]; // x, y, z blocks
        lo[rows] = q.r0, hi[rows] = q.r1;
        lo[bits] = q.b0, hi[bits] = q.b1;
        lo[normal] = hi[normal] = q.layer;
        const __m128 dl = _mm_add_ps(_mm_cvtepi32_ps(_mm_setr_epi32(lo[0], lo[2], lo[1], 0)), low);
        const __m128 dh = _mm_add_ps(_mm_cvtepi32_ps(_mm_setr_epi32(hi[0], hi[2], hi[1], 0)), high);
        float *v = mm.verts + 12 * i, *n = mm.norms + 12 * i, *b = mm.boxes + 6 * i;
        __m128 corner[4];
        for (int k = 0; k < 4; k++)
            corner[k] = _mm_or_ps(_mm_and_ps(pick[k], dh), _mm_andnot_ps(pick[k], dl));
        // Each vertex is stored four wide over the start of the next; the last one exactly.
        _mm_storeu_ps(v, corner[0]);
        _mm_storeu_ps(v + 3, corner[1]);
        _mm_storeu_ps(v + 6, corner[2]);
        store3(v + 9, corner[3]);
        _mm_storeu_ps(n, n0);
        _mm_storeu_ps(n + 4, n1);
        _mm_storeu_ps(n + 8, n2);
        if (textured) {
            const __m128 wide = _mm_cvtepi32_ps(
                _mm_setr_epi32(q.r1 - q.r0 + 1, q.b1 - q.b0 + 1, q.r1 - q.r0 + 1, q.b1 - q.b0 + 1));
            _mm_storeu_ps(mm.texs + 8 * i, _mm_and_ps(wide_at[0], wide));
            _mm_storeu_ps(mm.texs + 8 * i + 4, _mm_and_ps(wide_at[1], wide));
        }
        _mm_storeu_ps(b, _mm_mul_ps(half, _mm_add_ps(dl, dh)));
        store3(b + 3, _mm_mul_ps(half, _mm_sub_ps(dh, dl)));
        mm.rects[i] = q;
    }
}
#else
// Quads first.. of one direction, in one tight loop.
template <int F, bool textured>
void write_quads(MergedMesh &mm, const Pending *p, int count, int *at) {
    for (int j = 0; j < count; j++) write_quad<F, textured>(mm, at[p[j].key]++, p[j].r);
}
#endif

template <bool textured>
void write_group(MergedMesh &mm, int dir, const Pending *p, int count, int *at) {
    switch (dir) {
    case BELOW:
        return write_quads<BELOW, textured>(mm, p, count, at);
    case ABOVE:
        return write_quads<ABOVE, textured>(mm, p, count, at);
    case Y_MINUS:
        return write_quads<Y_MINUS, textured>(mm, p, count, at);
    case Y_PLUS:
        return write_quads<Y_PLUS, textured>(mm, p, count, at);
    case X_MINUS:
        return write_quads<X_MINUS, textured>(mm, p, count, at);
    default:
        return write_quads<X_PLUS, textured>(mm, p, count, at);
    }
}

// Writes the pending quads to mm ordered by cell, then direction, each group in the order the
// quads were found.
// False when memory ran out.
bool store_quads(MergedMesh &mm, const Pending *end, bool textured) {
    const int n = int(end - pending);
    const int keys = textured ? TEXTURE_ROWS * FACE_KINDS : FACE_KINDS;
    // Untextured quads all carry cell 0, so their keys are their directions.
    std::memset(key_count, 0, sizeof(int) * size_t(keys + 1));
    // Counted a run of one key at a time: one add per run instead of a chain of increments
    // of the same counter, each waiting for the one before.
    for (const Pending *p = pending; p != end;) {
        const uint16_t key = p->key;
        const Pending *q = p + 1;
        while (q != end && q->key == key) q++;
        key_count[key + 1] += int(q - p);
        p = q;
    }
    int groups = 0;
    for (int k = 0; k < keys; k++) {
        groups += key_count[k + 1] > 0;
        key_count[k + 1] += key_count[k];
    }
    if (!reserve(mm, n, groups, textured)) return false;
    mm.groups = 0;
    for (int k = 0; k < keys; k++) {
        const int count = key_count[k + 1] - key_count[k];
        if (count)
            mm.group[mm.groups++] = {key_count[k], count, textured ? k / FACE_KINDS : MERGE_NO_CELL,
                                     k % FACE_KINDS};
    }
    // Quads come in runs of one direction; each goes to the next place of its group.
    for (const Pending *p = pending; p != end;) {
        const Pending *q = p;
        while (q != end && q->r.dir == p->r.dir) q++;
        if (textured)
            write_group<true>(mm, p->r.dir, p, int(q - p), key_count);
        else
            write_group<false>(mm, p->r.dir, p, int(q - p), key_count);
        p = q;
    }
    mm.quads = n;
    return true;
}

// Merges the faces the build recorded in merge_scratch into the slot's drawing mesh. Every
// face plane is consumed, so the next build starts from empty planes.
void merge_recorded(int slot, int cx, int cy, int level, int faces, const MergeOptions &opt) {
    MergeScratch &ms = merge_scratch;
    MergedMesh &mm = cubes[slot].merged;
    if (!opt.enabled) {
        std::memset(ms.side, 0, sizeof ms.side);
        for (int d = 0; d < 2; d++) {
            for (Row l = ms.vert_layers[d]; l; l &= l - 1) {
                std::memset(ms.vert[d][__builtin_ctzll(l)], 0, sizeof ms.vert[d][0]);
                std::memset(ms.vert_diff[d][__builtin_ctzll(l)], 0, sizeof ms.vert_diff[d][0]);
            }
            ms.vert_layers[d] = 0;
        }
        mm.version = 0;
        return;
    }
    const BlockId *blocks = cubes[slot].blocks;
    const int cap = opt.size_cap < 1 ? 1 : opt.size_cap > 64 ? 64 : opt.size_cap;
    Pending *out = pending;
    for (int d = 0; d < 2; d++) {
        const uint8_t *cells = ms.cell_of[d == 0 ? 1 : 0];
        for (Row layers = ms.vert_layers[d]; layers; layers &= layers - 1) {
            const int z = __builtin_ctzll(layers);
            out = greedy_plane<1, 1>(
                d, z, ms.vert[d][z], ms.vert_diff[d][z], cap,
                [&](int x, int y) { return cells[blocks[block_index(x, y, z)]]; }, out);
            // The cell changes are or-ed in by the build: they must start empty.
            std::memset(ms.vert_diff[d][z], 0, sizeof ms.vert_diff[d][z]);
        }
        ms.vert_layers[d] = 0;
    }
    const uint8_t *side = ms.cell_of[2];
    for (int d = Y_MINUS; d <= Y_PLUS; d++)
        for (int y = 0; y < CHUNK_EDGE; y++)
            out = greedy_plane<CHUNK_EDGE, CHUNK_EDGE>(
                d, y, &ms.side[d - 2][0][y], &ms.side_diff[0][y], cap,
                [&](int x, int z) { return side[blocks[block_index(x, y, z)]]; }, out);
    for (int d = X_MINUS; d <= X_PLUS; d++)
        for (int x = 0; x < CHUNK_EDGE; x++)
            out = greedy_plane<1, 1>(
                d, x, ms.side[d - 2][x], ms.side_diff[x], cap,
                [&](int y, int z) { return side[blocks[block_index(x, y, z)]]; }, out);
    mm.version = 0;
    mm.cx = cx, mm.cy = cy, mm.level = level;
    mm.faces = faces;
    if (store_quads(mm, out, true)) mm.version = ++merge_builds;
}

// Row masks of the chunk and the hide masks its six neighbours show towards it.
void classify_chunk(const BlockId *blocks, int cx, int cy, int level, Scratch &s) {
    const Classifier k;
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
}

// The top, bottom and side cell of every block type, as the merge compares them.
// Worked out again only when the texture table changed since the last build.
void fill_cell_lookup(MergeScratch &ms) {
    static BlockTextures seen[TEXTURE_ROWS];
    static bool filled = false;
    if (filled && std::memcmp(seen, texes, sizeof seen) == 0) return;
    std::memcpy(seen, texes, sizeof seen);
    filled = true;
    for (int t = 0; t < TEXTURE_ROWS; t++) {
        ms.cell_of[0][t] = uint8_t(merge_cell_index(texes[t].top));
        ms.cell_of[1][t] = uint8_t(merge_cell_index(texes[t].bottom));
        ms.cell_of[2][t] = uint8_t(merge_cell_index(texes[t].side));
    }
}

// The faces f0 (below), f1 (above) and any (all) of row (x, y), once the row is written:
// below and above faces go to their layers' planes, and cell changes are looked up only
// where two faces meet, against row y - 1's faces p0 and p1 or block z - 1's.
inline void record_row(MergeScratch &ms, const BlockId *blocks, int x, int y, Row f0, Row f1,
                       Row p0, Row p1, Row any) {
    // A face below shows the block's bottom cell, a face above its top cell.
    const uint8_t *const below_cells = ms.cell_of[1], *const above_cells = ms.cell_of[0];
    const Row bit = Row(1) << y;
    const BlockId *row = blocks + block_index(x, y, 0);
    const BlockId *prev = row - CHUNK_EDGE;
    for (Row f = f0; f; f &= f - 1) ms.vert[0][__builtin_ctzll(f)][x] |= bit;
    for (Row f = f1; f; f &= f - 1) ms.vert[1][__builtin_ctzll(f)][x] |= bit;
    for (Row f = f0 & p0; f; f &= f - 1) {
        const int z = __builtin_ctzll(f);
        if (below_cells[row[z]] != below_cells[prev[z]]) ms.vert_diff[0][z][x] |= bit;
    }
    for (Row f = f1 & p1; f; f &= f - 1) {
        const int z = __builtin_ctzll(f);
        if (above_cells[row[z]] != above_cells[prev[z]]) ms.vert_diff[1][z][x] |= bit;
    }
    ms.vert_layers[0] |= f0, ms.vert_layers[1] |= f1;
    Row diff = 0;
    for (Row f = any & (any << 1); f; f &= f - 1) {
        const int z = __builtin_ctzll(f);
        if (ms.cell_of[2][row[z]] != ms.cell_of[2][row[z - 1]]) diff |= Row(1) << z;
    }
    ms.side_diff[x][y] = diff;
}

// Writes the exposed faces of the classified chunk into its mesh arrays, row by row, and
// records them for the merge. Returns the face count; the build stops after the block that
// passes FACE_LIMIT.
int write_faces(Chunk &chunk, int cx, int cy, int level, const Scratch &s, MergeScratch &ms) {
    const BlockId *blocks = chunk.blocks;
    Writer out(chunk, cx, cy, level);
    chunk.border_faces = 0;
    for (int x = 0; x < CHUNK_EDGE; x++) {
        Row prev0 = 0, prev1 = 0; // below and above faces of row y - 1
        for (int y = 0; y < CHUNK_EDGE; y++) {
            const RowMasks &r = s.rows[x][y];
            const Row p0 = prev0, p1 = prev1;
            prev0 = prev1 = 0;
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
            // Counted before the face limit may cut the row: a border marked in vain only
            // costs a rebuild.
            chunk.border_faces |= uint8_t((f0 & 1) << BELOW | (f1 >> 63) << ABOVE |
                                          (y == 0 && f2) << Y_MINUS | (y == 63 && f3) << Y_PLUS |
                                          (x == 0 && f4) << X_MINUS | (x == 63 && f5) << X_PLUS);
            prev0 = f0, prev1 = f1;
            out.row(x, y);
            const BlockId *row = blocks + block_index(x, y, 0);
            ms.side[0][x][y] = f2, ms.side[1][x][y] = f3, ms.side[2][x][y] = f4;
            ms.side[3][x][y] = f5;
            const Row all = any;
            while (any) {
                int z = __builtin_ctzll(any);
                any &= any - 1;
                out.block(z);
                int t = row[z];
                if ((f0 >> z) & 1) out.face<BELOW>(t);
                if ((f1 >> z) & 1) out.face<ABOVE>(t);
                if ((f2 >> z) & 1) out.face<Y_MINUS>(t);
                if ((f3 >> z) & 1) out.face<Y_PLUS>(t);
                if ((f4 >> z) & 1) out.face<X_MINUS>(t);
                if ((f5 >> z) & 1) out.face<X_PLUS>(t);
                if (out.count > FACE_LIMIT) {
                    // The merge covers exactly the faces written: none beyond this block.
                    const Row kept = z == 63 ? ~Row(0) : (Row(2) << z) - 1;
                    for (int k = 0; k < 4; k++) ms.side[k][x][y] &= kept;
                    record_row(ms, blocks, x, y, f0 & kept, f1 & kept, p0, p1, all & kept);
                    printf("stoped building, polygons: %i \n", out.count);
                    return out.count;
                }
            }
            record_row(ms, blocks, x, y, f0, f1, p0, p1, all);
        }
    }
    return out.count;
}

// Whether every block of the chunk's border layer facing direction dir has class bit `bit`
// (or, with want 0, none has it).
bool layer_all(const BlockId *blocks, int dir, unsigned bit, unsigned want) {
    static const Classifier k;
    const int edge = (dir & 1) ? CHUNK_EDGE - 1 : 0;
    for (int a = 0; a < CHUNK_EDGE; a++)
        for (int b = 0; b < CHUNK_EDGE; b++) {
            const int i = dir <= ABOVE    ? block_index(a, b, edge)
                          : dir <= Y_PLUS ? block_index(a, edge, b)
                                          : block_index(edge, a, b);
            if (((k.c.lookup(blocks[i]) & bit) != 0) != (want != 0)) return false;
        }
    return true;
}

} // namespace

MeshStats mesh_stats;

int merge_cell_index(const TexCell &c) {
    auto index = [](float f) {
        const long k = std::lround(f / ATLAS_CELL);
        return int(k < 0 ? 0 : k > 15 ? 15 : k);
    };
    return index(c.u) + 16 * index(c.v);
}

const MergedMesh *silhouette_mesh(int slot) {
    if (slot < 0 || slot >= POOL_SIZE) return nullptr;
    const MergedMesh &mm = cubes[slot].merged;
    if (!mm.version) return nullptr;
    MergedMesh &sil = cubes[slot].silhouette;
    if (sil.version == mm.version) return &sil;
    // Every face of the textured mesh back on its plane, then merged again without cells.
    static Row planes[FACE_KINDS][CHUNK_EDGE][CHUNK_EDGE];
    static const Row no_cells = 0;
    Row layers[FACE_KINDS] = {};
    for (int i = 0; i < mm.quads; i++) {
        const MergedRect &q = mm.rects[i];
        const Row run = (q.b1 - q.b0 == 63 ? ~Row(0) : (Row(1) << (q.b1 - q.b0 + 1)) - 1) << q.b0;
        for (int r = q.r0; r <= q.r1; r++) planes[q.dir][q.layer][r] |= run;
        layers[q.dir] |= Row(1) << q.layer;
    }
    Pending *out = pending;
    for (int d = 0; d < FACE_KINDS; d++)
        for (Row l = layers[d]; l; l &= l - 1) {
            const int layer = __builtin_ctzll(l);
            out = greedy_plane<1, 0>(
                d, layer, planes[d][layer], &no_cells, CHUNK_EDGE, [](int, int) { return 0; }, out);
        }
    sil.version = 0;
    sil.cx = mm.cx, sil.cy = mm.cy, sil.level = mm.level;
    sil.faces = mm.faces;
    if (!store_quads(sil, out, false)) return nullptr;
    sil.version = mm.version;
    return &sil;
}

void create_polygons(int cx, int cy, int level, const MergeOptions &merge) {
    if (!chunk_in_grid(cx, cy, level)) return;
    int slot = chunk_slot(cx, cy, level);
    if (slot < 0) return;
    Chunk &chunk = cubes[slot];
    if (!chunk.verts || !chunk.texs || !chunk.norms) return;

    using std::chrono::steady_clock;
    auto ns = [](steady_clock::duration d) {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    };
    const steady_clock::time_point t0 = steady_clock::now();
    classify_chunk(chunk.blocks, cx, cy, level, scratch);
    fill_cell_lookup(merge_scratch);
    chunk.polygons = write_faces(chunk, cx, cy, level, scratch, merge_scratch);
    const steady_clock::time_point t1 = steady_clock::now();
    merge_recorded(slot, cx, cy, level, chunk.polygons, merge);
    const steady_clock::time_point t2 = steady_clock::now();
    chunk.mesh_current = 1;
    mesh_stats.builds++;
    mesh_stats.build_ns += ns(t2 - t0);
    mesh_stats.merge_ns += ns(t2 - t1);
}

void rebuild_if_present(int cx, int cy, int level, const MergeOptions &merge) {
    create_polygons(wrap_chunk(cx), wrap_chunk(cy), level, merge);
}

void rebuild_beside(int cx, int cy, int level, int dir, const MergeOptions &merge) {
    static const int step[FACE_KINDS][3] = {{0, 0, -1}, {0, 0, 1}, {0, 1, 0},
                                            {0, -1, 0}, {1, 0, 0}, {-1, 0, 0}};
    const int nx = cx + step[dir][0], ny = cy + step[dir][1], nl = level + step[dir][2];
    const int slot = chunk_slot(nx, ny, nl), from = chunk_slot(cx, cy, level);
    if (slot >= 0 && from >= 0 && slot != from && cubes[slot].mesh_current &&
        !(cubes[slot].border_faces >> (dir ^ 1) & 1)) {
        const unsigned hides = dir <= ABOVE ? HIDES_VERT : HIDES_SIDE;
        if (layer_all(cubes[slot].blocks, dir ^ 1, DRAWN, 0) ||
            layer_all(cubes[from].blocks, dir, hides, 1))
            return;
    }
    rebuild_if_present(nx, ny, nl, merge);
}
