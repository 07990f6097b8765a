// Layered terrain: floor at level 0, earth at levels 1 to 3, a flat or basin surface at level
// 4 and air above. Random numbers are drawn in a fixed order so a scripted source can check
// every column.
#include "world/terrain.h"

#include "base/common.h"
#include "world/chunks.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr BlockId AIR = 0, TURF = 1, FLOOR = 2, EARTH = 3;

BlockId *column(BlockId *blocks, int x, int y) {
    return blocks + block_index(x, y, 0);
}

// Only earth turns to turf; other block types are passed over.
void grass_column(BlockId *col) {
    for (int z = CHUNK_EDGE - 1; z >= 0; z--) {
        if (col[z] == EARTH) {
            col[z] = TURF;
            return;
        }
    }
}

// Earth below, turf at `top`, air above: copied from one pattern so that every block of a
// surface column is written once, turf included (the turf step would find this same block).
struct ColumnPattern {
    BlockId cells[2 * CHUNK_EDGE];
    ColumnPattern() {
        std::fill(cells, cells + CHUNK_EDGE, EARTH);
        cells[CHUNK_EDGE] = TURF;
        std::fill(cells + CHUNK_EDGE + 1, cells + 2 * CHUNK_EDGE, AIR);
    }
    void put(BlockId *col, int lo, int top) const {
        std::copy(cells + CHUNK_EDGE - top, cells + 2 * CHUNK_EDGE - top, col);
        std::fill(col, col + lo, AIR);
    }
};
const ColumnPattern pattern;

void build_flat(BlockId *blocks) {
    for (int x = 0; x < CHUNK_EDGE; x++) {
        for (int y = 0; y < CHUNK_EDGE; y++) {
            int top = FLAT_GROUND;
            // A bump column draws one number, every other column two.
            if ((base_rand() & 7) == 0)
                top = FLAT_GROUND + 1;
            else if (base_rand() % 120 == 2)
                top = FLAT_GROUND - 1;
            pattern.put(column(blocks, x, y), 0, top);
        }
    }
}

void build_basin(BlockId *blocks) {
    for (int x = 0; x < CHUNK_EDGE; x++) {
        int ra = base_rand();
        int rb = base_rand();
        int lift = (rb % 4 == 1) ? 0 : ra % 2;
        for (int y = 0; y < CHUNK_EDGE; y++) {
            int r1 = base_rand();
            int r2 = base_rand();
            int jitter = (r2 % 4 != 2) ? r1 % 2 : 0;
            int h = std::abs(x - 32) / 5 + std::abs(y - 32) / 5 - 10 - lift - jitter;
            // The twenty writes of clamp(h + k) cover max(h, 0) .. min(h + 19, 19).
            pattern.put(column(blocks, x, y), std::max(h, 0), std::min(h + 19, FLAT_GROUND));
        }
    }
}

} // namespace

void makegrass(int slot) {
    if (slot < 0 || slot >= POOL_SIZE) return;
    BlockId *blocks = cubes[slot].blocks;
    for (int x = 0; x < CHUNK_EDGE; x++)
        for (int y = 0; y < CHUNK_EDGE; y++) grass_column(column(blocks, x, y));
}

int generateCube(int slot, int cx, int cy, int level) {
    (void)cx;
    (void)cy;
    if (slot < 0 || slot >= POOL_SIZE) return slot;
    Chunk &c = cubes[slot];
    c.used = 1;
    if (level == SURFACE_LEVEL) {
        // Each column is written whole, so the chunk needs no clearing first.
        if (base_rand() % 7 == 6)
            build_basin(c.blocks);
        else
            build_flat(c.blocks);
        return slot;
    }
    BlockId fill = AIR;
    if (level == 0)
        fill = FLOOR;
    else if (level >= 1 && level <= 3)
        fill = EARTH;
    std::fill(c.blocks, c.blocks + CHUNK_BLOCKS, fill);
    return slot;
}
