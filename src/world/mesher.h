// Per-block-type tables and the chunk mesh builder. No GL here.
#pragma once

#include <cstdint>

#include "world/chunks.h"

struct Material {
    int solid;       // 1: drawn and hides neighbours' faces
    int break_time;  // hits that break the block
    float toughness; // can be hit only when <= 1.0
    int drop;        // type of the item box left behind
};

struct TexCell {
    float u, v; // corner with the smallest coordinates of a 1/16 atlas cell
};

struct BlockTextures {
    TexCell top, bottom, side;
};

constexpr int MATERIAL_ROWS = 1000;
constexpr int TEXTURE_ROWS = 256;
constexpr int FACE_LIMIT = 19980; // the build stops after the block that passes this
constexpr float ATLAS_CELL = 0.0625f;

extern Material materials[MATERIAL_ROWS];
extern BlockTextures texes[TEXTURE_ROWS];

// Writes the fixed rows for block types 0 to 3; other rows keep their contents.
void fill_block_tables();

// How the drawing mesh is built; the game builds with the defaults, the benchmarks and the
// flight driver pick others.
struct MergeOptions {
    int enabled = 1;   // 0: the mesh arrays alone, the drawing mesh left stale (to time the merge)
    int size_cap = 64; // largest merged quad side in blocks (1 to 64; 64: no cap)
};

// Rebuilds the mesh of chunk (cx, cy, level) from its blocks and its six neighbours.
// Does nothing when cx or cy lies outside the grid, or the chunk is not in memory or has no
// mesh arrays.
void create_polygons(int cx, int cy, int level, const MergeOptions &merge = MergeOptions{});
// create_polygons for a chunk at any coordinates: cx and cy wrapped around the world, a chunk
// that is not in memory (or a level outside the grid) left alone.
void rebuild_if_present(int cx, int cy, int level, const MergeOptions &merge = MergeOptions{});

// The rebuild of the mesh of the chunk beside (cx, cy, level) in direction dir (0 to 5:
// below, above, -y as chunk cy + 1, +y as cy - 1, -x as cx + 1, +x as cx - 1) that a chunk
// arriving at (cx, cy, level) calls for, skipped when it would give the same mesh: the
// neighbour's last build saw all its other neighbours as they are and wrote no face on the
// border facing the newcomer, and the newcomer hides that whole border or the neighbour
// draws nothing on it.
void rebuild_beside(int cx, int cy, int level, int dir, const MergeOptions &merge = MergeOptions{});

// Drawing meshes: the faces of a chunk's mesh arrays merged into rectangles of one direction,
// one plane and (for the textured mesh) one atlas cell, so the same picture takes far fewer
// triangles. The mesh arrays stay the reference every other reader uses.
constexpr int MERGE_NO_CELL = -1; // cell of a silhouette group: drawn untextured

// The untextured silhouette of slot's chunk (faces of its merged mesh merged across cells,
// groups by direction only), built on first use after each rebuild. Null when the slot holds
// no built mesh.
const MergedMesh *silhouette_mesh(int slot);

// Mesh builds since the process started and the steady-clock nanoseconds they took, whole
// and in the merge alone. Traces take the difference between two frames.
struct MeshStats {
    long long builds, build_ns, merge_ns;
};
extern MeshStats mesh_stats;

// Atlas cell index of a texture cell (i + 16 j).
int merge_cell_index(const TexCell &c);
