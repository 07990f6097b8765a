// The target outline and the item box, computed as plain vertex lists and sent immediately.
#include "draw/cubes.h"

#include "world/mesher.h"

#include <GL/gl.h>

#include <cmath>

const int cube_outline_loop_sizes[CUBE_OUTLINE_LOOPS] = {8, 8, 4, 4, 4, 4};

namespace {

// Outline offsets: e just outside the block's faces, i a hair inside e so that the
// horizontal edges are traced twice, 0.004 apart, and read thicker.
constexpr float E = 0.502f, I = 0.498f;

// (dx, dy, dz) as signs: +-2 stands for +-E and +-1 for +-I.
constexpr signed char OUTLINE[CUBE_OUTLINE_VERTICES][3] = {
    {-2, -2, 2},  {2, -2, 2},   {2, -2, -2},  {-2, -2, -2}, {-2, -1, 2}, {2, -1, 2},  {2, -1, -2},
    {-2, -1, -2}, {-2, 2, 2},   {2, 2, 2},    {2, 2, -2},   {-2, 2, -2}, {-2, 1, 2},  {2, 1, 2},
    {2, 1, -2},   {-2, 1, -2},  {2, 2, 2},    {2, -2, 2},   {2, -1, 2},  {2, 1, 2},   {-2, 2, 2},
    {-2, -2, 2},  {-2, -1, 2},  {-2, 1, 2},   {2, 2, -2},   {2, -2, -2}, {2, -1, -2}, {2, 1, -2},
    {-2, 2, -2},  {-2, -2, -2}, {-2, -1, -2}, {-2, 1, -2}};

float offset(signed char code) {
    switch (code) {
    case 2:
        return E;
    case 1:
        return I;
    case -1:
        return -I;
    default:
        return -E;
    }
}

// A face vertex: base corner P1..P4 as 0..3, lower or upper, and whether u and v get + s.
struct FaceCorner {
    signed char corner, upper, du, dv;
};
// Atlas cell of each face: 0 top, 1 bottom, 2 side.
constexpr int FACE_CELL[6] = {1, 0, 2, 2, 2, 2};
constexpr FaceCorner FACES[6][4] = {
    {{0, 0, 0, 0}, {1, 0, 1, 0}, {2, 0, 1, 1}, {3, 0, 0, 1}},
    {{0, 1, 0, 0}, {1, 1, 1, 0}, {2, 1, 1, 1}, {3, 1, 0, 1}},
    {{3, 0, 1, 1}, {2, 0, 0, 1}, {2, 1, 0, 0}, {3, 1, 1, 0}},
    {{1, 0, 1, 1}, {0, 0, 0, 1}, {0, 1, 0, 0}, {1, 1, 1, 0}},
    {{1, 0, 1, 1}, {2, 0, 0, 1}, {2, 1, 0, 0}, {1, 1, 1, 0}},
    {{3, 0, 1, 1}, {0, 0, 0, 1}, {0, 1, 0, 0}, {3, 1, 1, 0}},
};

} // namespace

void cube_outline_vertices(float x, float y, float z, float out[CUBE_OUTLINE_VERTICES][3]) {
    for (int k = 0; k < CUBE_OUTLINE_VERTICES; k++) {
        out[k][0] = x + offset(OUTLINE[k][0]);
        out[k][1] = y + offset(OUTLINE[k][1]);
        out[k][2] = z + offset(OUTLINE[k][2]);
    }
}

void item_box_vertices(float x, float y, float z, float angle, float size, int type,
                       float xyz[ITEM_BOX_VERTICES][3], float st[ITEM_BOX_VERTICES][2]) {
    // An item of a type past the table would read beyond it; show it like an unfilled row.
    if (type < 0 || type >= TEXTURE_ROWS) type = 0;
    float h = 0.5f * size;
    double sa = std::sin(static_cast<double>(angle)), ca = std::cos(static_cast<double>(angle));
    const double cx[4] = {x - h * ca, x + h * sa, x + h * ca, x - h * sa};
    const double cz[4] = {z + h * sa, z + h * ca, z - h * sa, z - h * ca};
    const float heights[2] = {y, static_cast<float>(y + 1.5 * h)};
    const TexCell cells[3] = {texes[type].top, texes[type].bottom, texes[type].side};
    const float s = ATLAS_CELL;
    int k = 0;
    for (int f = 0; f < 6; f++) {
        const TexCell &c = cells[FACE_CELL[f]];
        for (const FaceCorner &v : FACES[f]) {
            xyz[k][0] = static_cast<float>(cx[v.corner]);
            xyz[k][1] = heights[v.upper];
            xyz[k][2] = static_cast<float>(cz[v.corner]);
            st[k][0] = v.du ? c.u + s : c.u;
            st[k][1] = v.dv ? c.v + s : c.v;
            k++;
        }
    }
}

void draw_cube(float x, float y, float z) {
    float v[CUBE_OUTLINE_VERTICES][3];
    cube_outline_vertices(x, y, z, v);
    int k = 0;
    for (int loop = 0; loop < CUBE_OUTLINE_LOOPS; loop++) {
        glBegin(GL_LINE_LOOP);
        for (int n = 0; n < cube_outline_loop_sizes[loop]; n++, k++)
            glVertex3f(v[k][0], v[k][1], v[k][2]);
        glEnd();
    }
}

void draw_cube_filed(float x, float y, float z, float angle, float size, int type) {
    float xyz[ITEM_BOX_VERTICES][3], st[ITEM_BOX_VERTICES][2];
    item_box_vertices(x, y, z, angle, size, type, xyz, st);
    glBegin(GL_QUADS);
    for (int k = 0; k < ITEM_BOX_VERTICES; k++) {
        glTexCoord2f(st[k][0], st[k][1]);
        glVertex3f(xyz[k][0], xyz[k][1], xyz[k][2]);
    }
    glEnd();
}
