// Inventory grid: stacking order, packs, taking items and a missing grid.
#include "scratch.h"
#include "items/cells.h"
using Slots = std::vector<InventorySlot>;
TEST(Cells, AddingFollowsTheStackingOrder) {
    const InventorySlot P1 = {1, 40}, P2 = {2, 40}, P3 = {3, 40}; // full packs
    struct Case {
        int cols, rows;
        Slots before;
        std::vector<unsigned> packs, boxes;
        Slots after;
    } const cases[] = {
        {10, 5, {}, {}, std::vector<unsigned>(41, 3), {{3, 40}, {3, 1}}},     // 41 of one type
        {10, 5, {{5, 40}, {}, {5, 10}}, {}, {5}, {{5, 40}, {5, 1}, {5, 10}}}, // empty slot first
        {1, 2, {{1, 9}, {7, 39}}, {}, {7, 7}, {{1, 9}, {7, 40}}}, // last row searched, then full
        {10, 5, {{4, 30}}, {4}, {}, {{4, 40}, {4, 30}}},          // a pack on a partial stack
        {10, 5, {}, {3, 3, 3, 1, 2, 2, 2}, {}, {P3, P3, P3, P1, P2, P2, P2}}, // the starting hotbar
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(&c - cases);
        Slots got = c.before, want = c.after;
        got.resize(c.cols * c.rows);
        want.resize(got.size());
        InventoryGrid g = {got.data(), c.cols, c.rows};
        for (unsigned t : c.packs) add_pack_to_inv(&g, t);
        for (unsigned t : c.boxes) add_box_to_inv(&g, t);
        for (size_t k = 0; k < got.size(); k++) { // read through get_cell: row-major
            EXPECT_EQ(get_cell(&g, k % c.cols, k / c.cols), unsigned(want[k].type)) << k;
            EXPECT_EQ(int(got[k].count), int(want[k].count)) << k;
        }
    }
}
TEST(Cells, TakingTheLastItemEmptiesTheSlotAndAMissingGridIsIgnored) {
    Slots s(50);
    InventoryGrid g = {s.data(), 10, 5};
    s[13] = {3, 2}, s[14] = {5, 0}; // column 3, row 1; beside it a stale type with no items
    EXPECT_EQ(get_cell(&g, 13, 0) + get_cell(&g, -7, 2), 0u); // outside, not aliases of 13
    EXPECT_EQ((minus_cell(&g, 3, 1), get_cell(&g, 3, 1)), 3u);
    for (int k = 0; k < 2; k++) minus_cell(&g, 3, 1), minus_cell(&g, 4, 1); // no wrap to 255
    EXPECT_EQ(s[13].type + s[13].count + s[14].count, 0);
    minus_cell(nullptr, 0, 0), add_box_to_inv(nullptr, 3), add_pack_to_inv(nullptr, 3);
    render_cell(nullptr, 0, 0, 1);
    EXPECT_EQ(output_of([] { EXPECT_EQ(init_cells(0, 5), nullptr); }),
              "cannot allocate memory for cells\n");
}
