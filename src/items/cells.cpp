// The player's inventory grid: stacking rules, the hotbar slot the engine reads, and the
// slot icon drawn on the hotbar.
#include "items/cells.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>

#include "base/common.h"
#include "draw/font.h"
#include "world/mesher.h"

InventoryGrid *player_cells = nullptr;
int cells_active = 0;

namespace {

// The slot in column col of row row, or null when the grid is missing or the indices lie
// outside it.
InventorySlot *slot_at(InventoryGrid *grid, int col, int row) {
    if (!grid || !grid->slots) return nullptr;
    if (col < 0 || col >= grid->cols || row < 0 || row >= grid->rows) return nullptr;
    return &grid->slots[row * grid->cols + col];
}

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

InventoryGrid *init_cells(int cols, int rows) {
    InventoryGrid *grid = nullptr;
    if (cols > 0 && rows > 0) grid = static_cast<InventoryGrid *>(std::calloc(1, sizeof *grid));
    if (grid) {
        grid->slots = static_cast<InventorySlot *>(std::calloc(
            static_cast<size_t>(cols) * static_cast<size_t>(rows), sizeof(InventorySlot)));
        if (!grid->slots) {
            std::free(grid);
            grid = nullptr;
        }
    }
    if (!grid) {
        printf("cannot allocate memory for cells\n");
        return nullptr;
    }
    grid->cols = cols;
    grid->rows = rows;
    return grid;
}

unsigned int get_cell(InventoryGrid *grid, int col, int row) {
    InventorySlot *slot = slot_at(grid, col, row);
    return slot ? slot->type : 0;
}

void minus_cell(InventoryGrid *grid, int col, int row) {
    InventorySlot *slot = slot_at(grid, col, row);
    // An empty slot has nothing to give; its stale count must not wrap round.
    if (!slot || slot->type == 0 || slot->count == 0) return;
    slot->count--;
    if (slot->count == 0) slot->type = 0;
}

void add_box_to_inv(InventoryGrid *grid, unsigned int type) {
    if (!grid || !grid->slots) return;
    int total = grid->cols * grid->rows;
    for (int k = 0; k < total; k++) {
        InventorySlot &slot = grid->slots[k];
        // Whichever qualifies first wins: an empty slot ahead of a partial stack of the same
        // type takes the item as a new stack.
        if (slot.type == 0) {
            slot.type = static_cast<uint16_t>(type);
            slot.count = 1;
            return;
        }
        if (slot.type == type && slot.count < STACK_LIMIT) {
            slot.count++;
            return;
        }
    }
}

void add_pack_to_inv(InventoryGrid *grid, unsigned int type) {
    for (int k = 0; k < STACK_LIMIT; k++) add_box_to_inv(grid, type);
}

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
