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

// Rebuilds the mesh of chunk (cx, cy, level) from its blocks and its six neighbours.
// Does nothing when cx or cy lies outside the grid, or the chunk is not in memory or has no
// mesh arrays.
void create_polygons(int cx, int cy, int level);
// create_polygons for a chunk at any coordinates: cx and cy wrapped around the world, a chunk
// that is not in memory (or a level outside the grid) left alone.
void rebuild_if_present(int cx, int cy, int level);

// Drawing meshes: the faces of a chunk's mesh arrays merged into rectangles of one direction,
// one plane and (for the textured mesh) one atlas cell, so the same picture takes far fewer
// triangles. The mesh arrays stay the reference every other reader uses.
constexpr int MERGE_NO_CELL = -1; // cell of a silhouette group: drawn untextured

// Blocks a merged quad covers: direction (Face order of the mesh: below, above, -y, +y, -x,
// +x), the block layer along its normal, and inclusive row and bit ranges of its plane.
// Rows and bits are x and y for below/above, x and z for -y/+y, y and z for -x/+x.
struct MergedRect {
    uint8_t dir, layer, r0, r1, b0, b1;
};

// Consecutive quads sharing an atlas cell (cell = i + 16 j for the cell at u = i / 16,
// v = j / 16) and a direction.
struct MergedGroup {
    int first, count, cell, dir;
};

struct MergedMesh {
    int cx, cy, level;           // chunk it was last built for
    unsigned version;            // build of the textured mesh it reflects; 0: never built
    int faces;                   // mesh-array faces it covers
    int quads;                   // quads in the arrays
    int groups;                  // groups in group
    float *verts, *texs, *norms; // 4 vertices a quad, laid out as the mesh arrays; texture
                                 // coordinates count cell repeats (one per block)
    float *boxes;                // per quad: centre x y z and half sides, drawing frame
    MergedRect *rects;
    MergedGroup *group;
    int capacity, group_capacity; // allocated quads and groups
};

// Textured drawing meshes by pool slot, rebuilt by every create_polygons of the slot's chunk.
// Process-long; a slot's arrays are kept and reused by the next chunk bound to it.
extern MergedMesh merged_meshes[POOL_SIZE];
// 0: create_polygons builds the mesh arrays alone, leaving the drawing mesh stale (to time the
// merge by itself). Default 1.
extern int merge_enabled;
// Largest merged quad side in blocks (1 to 64; 64: no cap). Read by the next build.
extern int merge_size_cap;

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
