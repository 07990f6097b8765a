// Per-block-type tables and the chunk mesh builder. No GL here.
#pragma once

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
