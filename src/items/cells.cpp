// The player's inventory grid: stacking rules and the hotbar slot the engine reads. No GL
// here; cells_draw.cpp draws the slots.
#include "items/cells.h"

#include <cstdio>
#include <cstdlib>

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
