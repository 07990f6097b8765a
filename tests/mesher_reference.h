// The straightforward mesh builder: six neighbour lookups per block. The fast builder must
// match it face for face; the benchmark times it beside the fast one.
#pragma once

#include "world/chunks.h"
#include "world/mesher.h"

#include <cstdio>

namespace reference {

// Neighbour value with the builder's clamps: above 9 counts as 1 above and below, above 10
// counts as 0 beside; a chunk not in memory reads 1.
inline int neighbour(int cx, int cy, int level, int x, int y, int z, bool vertical) {
    if (z < 0) level--, z = 63;
    if (z > 63) level++, z = 0;
    if (y < 0) cy++, y = 63;
    if (y > 63) cy--, y = 0;
    if (x < 0) cx++, x = 63;
    if (x > 63) cx--, x = 0;
    int slot = chunk_slot(cx, cy, level);
    if (slot < 0) return 1;
    int v = cubes[slot].blocks[(x * 64 + y) * 64 + z];
    if (vertical) return v > 9 ? 1 : v;
    return v > 10 ? 0 : v;
}

inline void create_polygons(int cx, int cy, int level) {
    if (!world || cx < 0 || cx >= world_size || cy < 0 || cy >= world_size) return;
    int slot = chunk_slot(cx, cy, level);
    if (slot < 0) return;
    Chunk &c = cubes[slot];
    if (!c.verts || !c.texs || !c.norms) return;
    const float s = 0.0625f;
    int count = 0;
    auto put = [&](float a1, float a2, float a3, float u, float v, float n1, float n2, float n3,
                   int k) {
        float *p = c.verts + 12 * count + 3 * k;
        p[0] = a1, p[1] = a2, p[2] = a3;
        float *t = c.texs + 8 * count + 2 * k;
        t[0] = u, t[1] = v;
        float *n = c.norms + 12 * count + 3 * k;
        n[0] = n1, n[1] = n2, n[2] = n3;
    };
    for (int x = 0; x < 64; x++)
        for (int y = 0; y < 64; y++)
            for (int z = 0; z < 64; z++) {
                int t = c.blocks[(x * 64 + y) * 64 + z];
                if (t >= TEXTURE_ROWS || materials[t].solid != 1) continue;
                float xl = (x - 0.5f) - 64 * cx, xh = (x + 0.5f) - 64 * cx;
                float yl = (y - 0.5f) - 64 * cy, yh = (y + 0.5f) - 64 * cy;
                float zl = 64 * level + (z - 0.5f), zh = 64 * level + (z + 0.5f);
                float u, v;
                if (materials[neighbour(cx, cy, level, x, y, z - 1, true)].solid != 1) {
                    u = texes[t].bottom.u, v = texes[t].bottom.v;
                    put(xl, zl, yl, u, v, 0, 0, -1, 0);
                    put(xh, zl, yl, u + s, v, 0, 0, -1, 1);
                    put(xh, zl, yh, u + s, v + s, 0, 0, -1, 2);
                    put(xl, zl, yh, u, v + s, 0, 0, -1, 3);
                    count++;
                }
                if (materials[neighbour(cx, cy, level, x, y, z + 1, true)].solid != 1) {
                    u = texes[t].top.u, v = texes[t].top.v;
                    put(xl, zh, yh, u, v, 0, 0, 1, 0);
                    put(xh, zh, yh, u + s, v, 0, 0, 1, 1);
                    put(xh, zh, yl, u + s, v + s, 0, 0, 1, 2);
                    put(xl, zh, yl, u, v + s, 0, 0, 1, 3);
                    count++;
                }
                u = texes[t].side.u, v = texes[t].side.v;
                if (materials[neighbour(cx, cy, level, x, y - 1, z, false)].solid != 1) {
                    put(xl, zh, yl, u + s, v, 0, -1, 0, 0);
                    put(xh, zh, yl, u, v, 0, -1, 0, 1);
                    put(xh, zl, yl, u, v + s, 0, -1, 0, 2);
                    put(xl, zl, yl, u + s, v + s, 0, -1, 0, 3);
                    count++;
                }
                if (materials[neighbour(cx, cy, level, x, y + 1, z, false)].solid != 1) {
                    put(xh, zl, yh, u, v + s, 0, 1, 0, 0);
                    put(xh, zh, yh, u, v, 0, 1, 0, 1);
                    put(xl, zh, yh, u + s, v, 0, 1, 0, 2);
                    put(xl, zl, yh, u + s, v + s, 0, 1, 0, 3);
                    count++;
                }
                if (materials[neighbour(cx, cy, level, x - 1, y, z, false)].solid != 1) {
                    put(xl, zl, yh, u, v + s, -1, 0, 0, 0);
                    put(xl, zh, yh, u, v, -1, 0, 0, 1);
                    put(xl, zh, yl, u + s, v, -1, 0, 0, 2);
                    put(xl, zl, yl, u + s, v + s, -1, 0, 0, 3);
                    count++;
                }
                if (materials[neighbour(cx, cy, level, x + 1, y, z, false)].solid != 1) {
                    put(xh, zh, yl, u + s, v, 1, 0, 0, 0);
                    put(xh, zh, yh, u, v, 1, 0, 0, 1);
                    put(xh, zl, yh, u, v + s, 1, 0, 0, 2);
                    put(xh, zl, yl, u + s, v + s, 1, 0, 0, 3);
                    count++;
                }
                if (count > 19980) {
                    c.polygons = count;
                    printf("stoped building, polygons: %i \n", count);
                    return;
                }
            }
    c.polygons = count;
}

} // namespace reference
