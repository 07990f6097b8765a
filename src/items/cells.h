// The inventory grid and the hotbar icons.
#pragma once

#include <cstdint>

constexpr int STACK_LIMIT = 40;

struct InventorySlot {
    uint16_t type; // block type; 0 = empty
    uint8_t count; // 1..40 while type != 0
};

struct InventoryGrid {
    InventorySlot *slots; // row-major: slot (c, r) is r * cols + c
    int cols;
    int rows;
};

extern InventoryGrid *player_cells; // null when the start-up allocation failed
extern int cells_active;            // selected hotbar column, 0..9

InventoryGrid *init_cells(int cols, int rows);
unsigned int get_cell(InventoryGrid *grid, int col, int row);
void minus_cell(InventoryGrid *grid, int col, int row);
void add_box_to_inv(InventoryGrid *grid, unsigned int type);
void add_pack_to_inv(InventoryGrid *grid, unsigned int type);
// Draws one slot at (x, y) of the 800 x 600 overlay.
void render_cell(InventorySlot *slot, int x, int y, int selected);
