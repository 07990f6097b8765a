// The chunk pool, the world grid that maps chunk positions to pool slots, and block lookup
// across chunk borders and around the horizontally wrapping world. No GL here.
#pragma once

#include <cstdint>

#include "world/game.h"

typedef uint16_t BlockId;

constexpr int CHUNK_EDGE = 64;
constexpr int CHUNK_BLOCKS = CHUNK_EDGE * CHUNK_EDGE * CHUNK_EDGE; // 262,144
constexpr int CHUNK_LEVELS = 10;
constexpr int POOL_SIZE = 500;
constexpr uint16_t NO_CHUNK = 0xFFFF; // grid cell of a chunk not in memory
constexpr int MESH_FACES = 20000;     // faces the mesh arrays of one chunk hold

// Block (x, y, z) of a chunk is element (x * 64 + y) * 64 + z: z fastest.
inline int block_index(int x, int y, int z) {
    return (x * CHUNK_EDGE + y) * CHUNK_EDGE + z;
}

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

// What the streamer knows of the chunk in a slot beyond its blocks. Set when the slot is
// bound; per game.
struct ChunkStream {
    int cx, cy, level;   // position the slot is bound to
    uint8_t queued;      // out of range and waiting in the save queue, still bound and drawable
    uint8_t unwritten;   // released from the grid, its blocks not yet in its file: the slot is
                         // taken by the next arrival only once they are
    uint8_t save_failed; // a save failed: the chunk stays in memory until one succeeds
    uint8_t
        to_keep_aside; // its file was not read whole and sound: kept aside before the first save
    int told;          // reason last printed for a failed save of this chunk; 0 none
    uint32_t retry_at; // save clock before which a failed save is not tried again
};

// Everything of one pool slot. The merged mesh and the silhouette are drawing data, yet they
// live here rather than next to the drawing: the mesher builds the merged mesh in the same
// pass as the mesh arrays and must find it by slot, and the world floor cannot reach up to a
// store kept by the drawing. The drawing only reads them. Both keep their arrays from one
// chunk to the next bound to the slot (process-long).
struct Chunk {
    alignas(64) BlockId blocks[CHUNK_BLOCKS];
    uint8_t used; // 1 while the slot holds a chunk
    float *verts; // mesh vertices, 4 x 3 floats per face; owned while used
    float *texs;  // mesh texture coordinates, 4 x 2 floats per face
    int polygons; // faces currently in the mesh arrays
    float *norms; // mesh normals, 4 x 3 floats per face
    ChunkStream stream;
    uint8_t border_faces;  // bit d: the last build wrote a face on the border layer facing the
                           // mesher's direction d (below, above, -y, +y, -x, +x)
    uint8_t mesh_current;  // 1 from a build until a neighbour leaves memory unrebuilt
    MergedMesh merged;     // textured drawing mesh, rebuilt by every create_polygons
    MergedMesh silhouette; // untextured, built from merged on first use after each rebuild
};

// Pool of chunk records; a slot is free when used == 0. Process-long.
extern Chunk cubes[POOL_SIZE];

// Grid cell index of chunk (cx, cy, level); arguments must lie inside the grid.
inline int chunk_cell(int cx, int cy, int level) {
    return (level * world_state.world_size + cy) * world_state.world_size + cx;
}

// Whether (cx, cy, level) is a cell of the current grid (false while there is no grid).
inline bool chunk_in_grid(int cx, int cy, int level) {
    return world_state.world && cx >= 0 && cx < world_state.world_size && cy >= 0 &&
           cy < world_state.world_size && level >= 0 && level < CHUNK_LEVELS;
}

// Whether v is a block index along one edge of a chunk (0..63).
inline bool local_in_edge(int v) {
    return v >= 0 && v < CHUNK_EDGE;
}

// Whether block (x, y, z) lies inside its chunk.
inline bool local_in_chunk(int x, int y, int z) {
    return local_in_edge(x) && local_in_edge(y) && local_in_edge(z);
}

// Moves block index v, one step outside 0..63, into the neighbouring chunk c. Horizontal
// indices run against the world axes, so below 0 lies the next chunk up; vertical ones (z and
// the level) run with it. An index inside 0..63 stays as it is.
inline void step_into_neighbour(int &c, int &v, bool vertical) {
    if (v < 0) {
        c += vertical ? -1 : 1;
        v = CHUNK_EDGE - 1;
    } else if (v >= CHUNK_EDGE) {
        c += vertical ? 1 : -1;
        v = 0;
    }
}

// Slot of the chunk at (cx, cy, level) if it is in memory and in use, else -1. Any
// coordinates are accepted: cx and cy are wrapped once, levels outside 0..9 are absent.
int chunk_slot(int cx, int cy, int level);

// Prints "world size %i \n", allocates a grid of NO_CHUNK cells for world_size and frees every
// slot. 1 on success, 0 when the grid cannot be allocated (world is then null and nothing may
// use it).
int initialize_world();
// Frees the chunk's mesh arrays and empties its mesh; its blocks and used flag stay.
void free_mesh(Chunk &ch);
// Lowest free slot, or -1 when all 500 are in use.
int find_free_cube();

// Block lookups; a missing chunk reads 1. g_xy/g_x/g_y step x and y by one chunk, and give
// v for v <= 10, else 0. g_z steps z by one level and gives v for v <= 9, else 1.
int g_xy(int cx, int cy, int level, int x, int y, int z);
int g_x(int cx, int cy, int level, int x, int y, int z);
int g_y(int cx, int cy, int level, int x, int y, int z);
int g_z(int cx, int cy, int level, int x, int y, int z);

// Wrap a chunk coordinate (c in -world_size .. 2*world_size-1) into 0..world_size-1.
int t_zn(int c);
// Any chunk coordinate taken modulo world_size into 0..world_size-1; c itself while no world
// size is set (world_size <= 0).
int wrap_chunk(int c);
// Wrap a world position along x or y into [0, 64 * world_size).
float t_un(float p);
