// Tiny worlds built by hand in the real chunk pool, for the tests of the code that reads it.
#pragma once
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "engine/physics.h"
#include "scratch.h"
#include "world/chunks.h"
#include "world/mesher.h"

// A new game on an empty 10 x 10 grid: slots and meshes freed, block tables filled, no bodies.
inline bool reset_world() {
    world_state.world_size = 10;
    fill_block_tables();
    std::memset(game_state.gamer, 0, sizeof game_state.gamer);
    return initialize_world() == 1;
}
// Binds the lowest free slot to chunk (cx, cy, level), all `fill`, polygons -1 until meshed.
inline Chunk &bind_chunk(int cx, int cy, int level, BlockId fill = 0) {
    const int slot = find_free_cube();
    world_state.world[chunk_cell(cx, cy, level)] = uint16_t(slot);
    cubes[slot].used = 1;
    cubes[slot].polygons = -1;
    std::fill_n(cubes[slot].blocks, CHUNK_BLOCKS, fill);
    return cubes[slot];
}
// The same with mesh arrays for MESH_FACES faces.
inline Chunk &bind_meshed(int cx, int cy, int level, BlockId fill = 0) {
    Chunk &c = bind_chunk(cx, cy, level, fill);
    for (float **a : {&c.verts, &c.texs, &c.norms})
        if (!*a) *a = static_cast<float *>(std::calloc(MESH_FACES * 12, sizeof(float)));
    return c;
}
inline BlockId &block_at(Chunk &c, int x, int y, int z) {
    return c.blocks[block_index(x, y, z)];
}
// The block centred on world (X, Y) with its bottom at height Z (0..639), binding an air chunk
// there if none is. Local x runs against world x: X 1..64 lies in chunk 1 at 63..0; y alike.
inline BlockId &world_block(int X, int Y, int Z) {
    const int cx = int(std::ceil(X / 64.0)), cy = int(std::ceil(Y / 64.0));
    const int slot = chunk_slot(cx, cy, Z / 64);
    Chunk &c = slot < 0 ? bind_chunk(t_zn(cx), t_zn(cy), Z / 64) : cubes[slot];
    return block_at(c, 64 * cx - X, 64 * cy - Y, Z % 64);
}
// Each case starts on an empty world.
struct TinyWorld : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(reset_world()); }
};
