// The hotbar's slot icon: frame, fill, the block's cube drawn from its atlas cells, and the
// stack count.
#include "items/cells.h"

#include <GL/gl.h>
#include <cstdio>

#include "base/common.h"
#include "draw/font.h"
#include "world/mesher.h"

namespace {

void tile_vertex(float u, float v, float x, float y) {
    glTexCoord2f(u, v);
    glVertex2f(x, y);
}

// The 34 x 34 slot square as a line loop or a filled quad.
void slot_square(GLenum mode, float x0, float y0) {
    glBegin(mode);
    glVertex2f(x0, y0);
    glVertex2f(x0 + 34, y0);
    glVertex2f(x0 + 34, y0 + 34);
    glVertex2f(x0, y0 + 34);
    glEnd();
}

} // namespace

void render_cell(InventorySlot *slot, int x, int y, int selected) {
    if (!slot) return;
    const float x0 = static_cast<float>(x), y0 = static_cast<float>(y);

    glLineWidth(3);
    glColor4f(0, 0, 0, 0.5f);
    slot_square(GL_LINE_LOOP, x0, y0);
    glLineWidth(1);

    if (selected)
        glColor4f(1, 1, 1, 1);
    else
        glColor4f(0.8f, 0.8f, 0.8f, 0.8f);
    slot_square(GL_LINE_LOOP, x0, y0);

    if (selected)
        glColor4f(1, 1, 1, 0.6f);
    else
        glColor4f(0, 0, 0, 0.4f);
    slot_square(GL_QUADS, x0, y0);

    glEnable(GL_TEXTURE_2D);
    // Types beyond the texture table have no icon; their frame and count still show.
    if (slot->type != 0) {
        const float s = ATLAS_CELL;
        TexCell side = {0, 0}, top = {0, 0};
        if (slot->type < TEXTURE_ROWS) {
            side = texes[slot->type].side;
            top = texes[slot->type].top;
        }
        glBegin(GL_QUADS);
        glColor4f(0.9f, 0.9f, 0.9f, 1);
        tile_vertex(side.u, side.v, x0 + 3, y0 + 8);
        tile_vertex(side.u, side.v + s, x0 + 3, y0 + 22);
        tile_vertex(side.u + s, side.v + s, x0 + 16, y0 + 32);
        tile_vertex(side.u + s, side.v, x0 + 16, y0 + 15);
        glColor4f(0.7f, 0.7f, 0.7f, 1);
        tile_vertex(side.u, side.v, x0 + 31, y0 + 8);
        tile_vertex(side.u, side.v + s, x0 + 31, y0 + 22);
        tile_vertex(side.u + s, side.v + s, x0 + 16, y0 + 32);
        tile_vertex(side.u + s, side.v, x0 + 16, y0 + 15);
        glColor4f(1, 1, 1, 1);
        tile_vertex(top.u, top.v, x0 + 3, y0 + 8);
        tile_vertex(top.u, top.v + s, x0 + 16, y0 + 2);
        tile_vertex(top.u + s, top.v + s, x0 + 31, y0 + 8);
        tile_vertex(top.u + s, top.v, x0 + 16, y0 + 15);
        glEnd();
        snprintf(buff, sizeof buff, "%i", slot->count);
        f_print(x + 16, y + 18, 10, buff, 1);
    }
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
}
