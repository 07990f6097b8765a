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

// Every function below accepts a null grid (or slot) and then does nothing.

// A grid of cols x rows empty slots; null, after printing "cannot allocate memory for cells",
// when it cannot be allocated. Never freed by the game.
InventoryGrid *init_cells(int cols, int rows);
// Type held in slot (col, row), 0 when it is empty or outside the grid.
unsigned int get_cell(InventoryGrid *grid, int col, int row);
// Takes one item from slot (col, row); the last one empties the slot.
void minus_cell(InventoryGrid *grid, int col, int row);
// Adds one item at the first slot, row-major, that is empty or holds type with room left;
// the item is lost when there is none.
void add_box_to_inv(InventoryGrid *grid, unsigned int type);
// Adds a full stack of 40 items, one by one.
void add_pack_to_inv(InventoryGrid *grid, unsigned int type);
// Drawing (cells_draw.cpp, the module's only GL): one 34 x 34 slot at (x, y) of the 800 x 600
// overlay: frame, fill (lighter when selected), the type's cube icon and its count. Expects
// blending on and the block atlas bound; leaves texturing off and the colour white.
void render_cell(InventorySlot *slot, int x, int y, int selected);
