// The straightforward mesh builder, six block lookups per block: the fast builder must
// match it face for face, and the benchmark times it beside the fast one.
#pragma once

#include "world/chunks.h"
#include "world/mesher.h"

#include <cstdio>

namespace reference {

inline void create_polygons(int cx, int cy, int level) {
    // Faces below, above, y - 1, y + 1, x - 1, x + 1, each with its neighbour lookup; the step
    // to the neighbour is also the normal as stored. Corner bits: x, z, y high; u, v + 1/16.
    static int (*const look[6])(int, int, int, int, int, int) = {g_z, g_z, g_y, g_y, g_x, g_x};
    static const int step[6][3] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                   {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
    static const int corner[6][4] = {
        {0b00000, 0b10010, 0b10111, 0b00101}, {0b01100, 0b11110, 0b11011, 0b01001},
        {0b01010, 0b11000, 0b10001, 0b00011}, {0b10101, 0b11100, 0b01110, 0b00111},
        {0b00101, 0b01100, 0b01010, 0b00011}, {0b11010, 0b11100, 0b10101, 0b10011}};
    if (!world || cx < 0 || cx >= world_size || cy < 0 || cy >= world_size) return;
    int slot = chunk_slot(cx, cy, level), count = 0;
    Chunk &c = cubes[slot < 0 ? 0 : slot];
    if (slot < 0 || !c.verts || !c.texs || !c.norms) return;
    for (int i = 0; i < 64 * 64 * 64 && count <= 19980; i++) {
        int t = c.blocks[i], x = i / 4096, y = i / 64 % 64, z = i % 64;
        if (t >= TEXTURE_ROWS || materials[t].solid != 1) continue;
        const float xs[2] = {(x - 0.5f) - 64 * cx, (x + 0.5f) - 64 * cx};
        const float ys[2] = {(y - 0.5f) - 64 * cy, (y + 0.5f) - 64 * cy};
        const float zs[2] = {64 * level + (z - 0.5f), 64 * level + (z + 0.5f)};
        for (int f = 0; f < 6; f++) {
            const int *d = step[f];
            if (materials[look[f](cx, cy, level, x + d[0], y + d[1], z + d[2])].solid == 1)
                continue;
            TexCell uv = f == 0 ? texes[t].bottom : f == 1 ? texes[t].top : texes[t].side;
            for (int k = 0; k < 4; k++) {
                int b = corner[f][k];
                float *p = c.verts + 12 * count + 3 * k, *q = c.norms + 12 * count + 3 * k;
                p[0] = xs[b >> 4 & 1], p[1] = zs[b >> 3 & 1], p[2] = ys[b >> 2 & 1];
                c.texs[8 * count + 2 * k] = b & 2 ? uv.u + 0.0625f : uv.u;
                c.texs[8 * count + 2 * k + 1] = b & 1 ? uv.v + 0.0625f : uv.v;
                q[0] = float(d[0]), q[1] = float(d[1]), q[2] = float(d[2]);
            }
            count++;
        }
    }
    if (count > 19980) printf("stoped building, polygons: %i \n", count);
    c.polygons = count;
}

} // namespace reference
