// Terrain generation: fills a pool slot with a chunk decided by its level alone, with random
// detail on the surface level. Draws random numbers through base_rand(). No GL here.
#pragma once

constexpr int SURFACE_LEVEL = 4; // the only level with random detail
constexpr int FLAT_GROUND = 19;  // height of a flat surface inside the surface chunk

// Marks slot used and overwrites all its blocks with the terrain of a chunk at `level`
// (cx and cy play no part). Returns slot.
int generateCube(int slot, int cx, int cy, int level);
// Turns the topmost earth block (3) of every column of slot into turf (1).
void makegrass(int slot);
