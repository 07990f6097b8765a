// The chunk pool, the world grid and block lookup across chunk borders and the world's wrap.
#include "world/chunks.h"

#include <cstdio>
#include <cstdlib>

Chunk cubes[POOL_SIZE];

namespace {

// Slot number of an in-grid chunk, or -1. The caller has already wrapped cx and cy.
int grid_slot(int cx, int cy, int level) {
    if (!chunk_in_grid(cx, cy, level)) return -1;
    uint16_t cell = world_state.world[chunk_cell(cx, cy, level)];
    // Slot numbers above the pool can only come from a damaged grid; treat them as absent
    // rather than index past the pool.
    if (cell == NO_CHUNK || cell >= POOL_SIZE || cubes[cell].used == 0) return -1;
    return cell;
}

// Raw stored value of block (x, y, z) in chunk (cx, cy, level) after the horizontal wrap,
// or -1 when the chunk is not in memory or the block lies outside it.
int stored_block(int cx, int cy, int level, int x, int y, int z) {
    if (!local_in_chunk(x, y, z)) return -1;
    int slot = grid_slot(t_zn(cx), t_zn(cy), level);
    if (slot < 0) return -1;
    return cubes[slot].blocks[block_index(x, y, z)];
}

int clamp_side(int v) {
    if (v < 0) return 1;
    return v <= 10 ? v : 0;
}

} // namespace

int chunk_slot(int cx, int cy, int level) {
    return grid_slot(t_zn(cx), t_zn(cy), level);
}

int initialize_world() {
    printf("world size %i \n", world_state.world_size);
    std::free(world_state.world);
    world_state.world = nullptr;
    // A released slot keeps its mesh arrays for the next chunk of its game; a new game starts
    // without them.
    for (Chunk &c : cubes) {
        free_mesh(c);
        c.used = 0;
    }
    if (world_state.world_size <= 0) {
        printf("cannot alloc world grid for world size %i \n", world_state.world_size);
        return 0;
    }
    size_t cells = size_t(world_state.world_size) * size_t(world_state.world_size) * CHUNK_LEVELS;
    world_state.world = static_cast<uint16_t *>(std::malloc(cells * sizeof(uint16_t)));
    if (!world_state.world) {
        printf("cannot alloc world grid for world size %i \n", world_state.world_size);
        return 0;
    }
    for (size_t k = 0; k < cells; k++) world_state.world[k] = NO_CHUNK;
    return 1;
}

void free_mesh(Chunk &ch) {
    std::free(ch.norms);
    std::free(ch.texs);
    std::free(ch.verts);
    ch.norms = ch.texs = ch.verts = nullptr;
    ch.polygons = 0;
    ch.mesh_current = 0;
}

int find_free_cube() {
    for (int k = 0; k < POOL_SIZE; k++)
        if (cubes[k].used == 0) return k;
    return -1;
}

int g_xy(int cx, int cy, int level, int x, int y, int z) {
    step_into_neighbour(cy, y, false);
    step_into_neighbour(cx, x, false);
    return clamp_side(stored_block(cx, cy, level, x, y, z));
}

int g_x(int cx, int cy, int level, int x, int y, int z) {
    step_into_neighbour(cx, x, false);
    return clamp_side(stored_block(cx, cy, level, x, y, z));
}

int g_y(int cx, int cy, int level, int x, int y, int z) {
    step_into_neighbour(cy, y, false);
    return clamp_side(stored_block(cx, cy, level, x, y, z));
}

int g_z(int cx, int cy, int level, int x, int y, int z) {
    step_into_neighbour(level, z, true);
    int v = stored_block(cx, cy, level, x, y, z);
    if (v < 0) return 1;
    return v <= 9 ? v : 1;
}

int t_zn(int c) {
    if (c < 0) c += world_state.world_size;
    if (c >= world_state.world_size) c -= world_state.world_size;
    return c;
}

int wrap_chunk(int c) {
    if (world_state.world_size <= 0) return c;
    c %= world_state.world_size;
    return c < 0 ? c + world_state.world_size : c;
}

float t_un(float p) {
    float span = float(64 * world_state.world_size);
    if (p < 0) p += span;
    if (p >= span) p -= span;
    return p;
}
