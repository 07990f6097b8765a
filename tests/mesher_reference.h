// The straightforward mesh builder, six block lookups per block: the fast builder must match it
// face for face, and the benchmark times it beside the fast one.
#pragma once
#include "world/chunks.h"
#include "world/mesher.h"

namespace reference {
// Faces below, above, y - 1, y + 1, x - 1, x + 1: the step to the neighbour (also the normal as
// stored), then for each corner the high ends of x, z, y and u, v as bits.
constexpr int face[6][7] = {
    {0, 0, -1, 0b00000, 0b10010, 0b10111, 0b00101}, {0, 0, 1, 0b01100, 0b11110, 0b11011, 0b01001},
    {0, -1, 0, 0b01010, 0b11000, 0b10001, 0b00011}, {0, 1, 0, 0b10101, 0b11100, 0b01110, 0b00111},
    {-1, 0, 0, 0b00101, 0b01100, 0b01010, 0b00011}, {1, 0, 0, 0b11010, 0b11100, 0b10101, 0b10011}};
inline void create_polygons(int cx, int cy, int level) {
    Chunk &c = cubes[chunk_slot(cx, cy, level)];
    int n = 0;
    for (int i = 0; i < CHUNK_BLOCKS && n <= 19980; i++) {
        int t = c.blocks[i], x = i / 4096, y = i / 64 % 64, z = i % 64;
        for (int f = 0; f < 6 && t < TEXTURE_ROWS && materials[t].solid == 1; f++) {
            const int *d = face[f];
            int next = (f < 2 ? g_z : g_xy)(cx, cy, level, x + d[0], y + d[1], z + d[2]);
            if (materials[next].solid == 1) continue;
            TexCell uv = f == 0 ? texes[t].bottom : f == 1 ? texes[t].top : texes[t].side;
            for (int k = 0; k < 4; k++) {
                int b = d[3 + k];
                float *v = c.verts + 12 * n + 3 * k, *tex = c.texs + 8 * n + 2 * k;
                v[0] = (x + (b & 16 ? 0.5f : -0.5f)) - 64 * cx;
                v[1] = 64 * level + (z + (b & 8 ? 0.5f : -0.5f));
                v[2] = (y + (b & 4 ? 0.5f : -0.5f)) - 64 * cy;
                tex[0] = b & 2 ? uv.u + 0.0625f : uv.u, tex[1] = b & 1 ? uv.v + 0.0625f : uv.v;
                for (int j = 0; j < 3; j++) c.norms[12 * n + 3 * k + j] = float(d[j]);
            }
            n++;
        }
    }
    c.polygons = n;
}
} // namespace reference
