// Inventory grid: stacking order, packs, taking items, a missing grid, and the hotbar icon.
#include "items/cells.h"

#include <cstdlib>
#include <string>

#include "gl_fixture.h"
#include "world/mesher.h"

// Lets the impossible allocation below fail with null instead of stopping the sanitizer run.
extern "C" const char *__asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

struct Grid {
    InventoryGrid *g;
    Grid(int cols = 10, int rows = 5) : g(init_cells(cols, rows)) {}
    ~Grid() {
        if (g) std::free(g->slots);
        std::free(g);
    }
    InventorySlot &at(int k) { return g->slots[k]; }
};

TEST(Cells, NewGridIsEmptyAndRowMajor) {
    Grid grid(10, 5);
    ASSERT_NE(grid.g, nullptr);
    EXPECT_EQ(grid.g->cols, 10);
    EXPECT_EQ(grid.g->rows, 5);
    for (int r = 0; r < 5; r++)
        for (int c = 0; c < 10; c++) EXPECT_EQ(get_cell(grid.g, c, r), 0u);
    grid.at(2 * 10 + 7) = {9, 3};
    EXPECT_EQ(get_cell(grid.g, 7, 2), 9u);
    EXPECT_EQ(get_cell(grid.g, 2, 7), 0u); // outside the grid, not a transposed read
    EXPECT_EQ(get_cell(grid.g, 10, 0), 0u);
    EXPECT_EQ(get_cell(grid.g, -1, 0), 0u);
}

TEST(Cells, FortyOneItemsSpillIntoTheNextSlot) {
    Grid grid;
    for (int k = 0; k < 41; k++) add_box_to_inv(grid.g, 3);
    EXPECT_EQ(grid.at(0).type, 3);
    EXPECT_EQ(grid.at(0).count, 40);
    EXPECT_EQ(grid.at(1).type, 3);
    EXPECT_EQ(grid.at(1).count, 1);
    EXPECT_EQ(grid.at(2).type, 0);
}

TEST(Cells, EmptySlotBeforeAPartialStackWins) {
    Grid grid;
    grid.at(0) = {5, 40};
    grid.at(2) = {5, 10};
    add_box_to_inv(grid.g, 5);
    EXPECT_EQ(grid.at(1).type, 5);
    EXPECT_EQ(grid.at(1).count, 1);
    EXPECT_EQ(grid.at(2).count, 10);
}

TEST(Cells, FullGridDropsTheItem) {
    Grid grid(3, 2);
    for (int k = 0; k < 6; k++)
        grid.at(k) = {static_cast<uint16_t>(k == 4 ? 7 : 1 + k % 2),
                      static_cast<uint8_t>(k == 4 ? 40 : 20)};
    InventorySlot before[6];
    for (int k = 0; k < 6; k++) before[k] = grid.at(k);
    add_box_to_inv(grid.g, 7); // the only stack of 7 is full, every other slot holds another type
    for (int k = 0; k < 6; k++) {
        EXPECT_EQ(grid.at(k).type, before[k].type) << k;
        EXPECT_EQ(grid.at(k).count, before[k].count) << k;
    }
    // The last slot of the last row is still searched.
    grid.at(5) = {7, 39};
    add_box_to_inv(grid.g, 7);
    EXPECT_EQ(grid.at(5).count, 40);
}

TEST(Cells, PackTopsUpAPartialStackThenStartsANewOne) {
    Grid grid;
    grid.at(0) = {4, 30};
    add_pack_to_inv(grid.g, 4);
    EXPECT_EQ(grid.at(0).count, 40);
    EXPECT_EQ(grid.at(1).type, 4);
    EXPECT_EQ(grid.at(1).count, 30);
}

TEST(Cells, StartingPacksFillTheHotbarInOrder) {
    Grid grid;
    for (unsigned t : {3u, 3u, 3u, 1u, 2u, 2u, 2u}) add_pack_to_inv(grid.g, t);
    const unsigned want[10] = {3, 3, 3, 1, 2, 2, 2, 0, 0, 0};
    for (int c = 0; c < 10; c++) {
        EXPECT_EQ(get_cell(grid.g, c, 0), want[c]) << c;
        if (want[c]) {
            EXPECT_EQ(grid.at(c).count, 40) << c;
        }
    }
    for (int k = 10; k < 50; k++) EXPECT_EQ(grid.at(k).type, 0) << k;
}

TEST(Cells, TakingTheLastItemEmptiesTheSlot) {
    Grid grid;
    grid.at(3) = {3, 2};
    minus_cell(grid.g, 3, 0);
    EXPECT_EQ(get_cell(grid.g, 3, 0), 3u);
    EXPECT_EQ(grid.at(3).count, 1);
    minus_cell(grid.g, 3, 0);
    EXPECT_EQ(get_cell(grid.g, 3, 0), 0u);
    // Taking from an empty slot must not wrap its count round to 255.
    minus_cell(grid.g, 3, 0);
    EXPECT_EQ(get_cell(grid.g, 3, 0), 0u);
    add_box_to_inv(grid.g, 6);
    EXPECT_EQ(grid.at(0).type, 6);
    EXPECT_EQ(grid.at(0).count, 1);
}

TEST(Cells, MissingGridIsIgnored) {
    EXPECT_EQ(get_cell(nullptr, 0, 0), 0u);
    minus_cell(nullptr, 0, 0);
    add_box_to_inv(nullptr, 3);
    add_pack_to_inv(nullptr, 3);
    render_cell(nullptr, 0, 0, 1);

    testing::internal::CaptureStdout();
    InventoryGrid *none = init_cells(1 << 30, 1 << 30);
    InventoryGrid *empty = init_cells(0, 5);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(empty, nullptr);
    EXPECT_EQ(out, "cannot allocate memory for cells\ncannot allocate memory for cells\n");
}

class CellIcon : public glfix::GlTest {
  protected:
    unsigned atlas = 0;
    void SetUp() override {
        glfix::GlTest::SetUp();
        fill_block_tables();
        // A plain red atlas: the icon's faces show red shaded by their face colour.
        std::vector<unsigned char> px(64 * 64 * 3, 0);
        for (size_t k = 0; k < px.size(); k += 3) px[k] = 255;
        glGenTextures(1, &atlas);
        glBindTexture(GL_TEXTURE_2D, atlas);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, px.data());
        glfix::set_overlay();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glfix::clear(0.5f, 0.5f, 0.5f);
    }
    void TearDown() override {
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glDeleteTextures(1, &atlas);
        glfix::set_perspective();
        glfix::GlTest::TearDown();
    }
};

TEST_F(CellIcon, SelectedSlotIsBrighterAndTheCubeShowsItsFaces) {
    InventorySlot empty = {0, 0}, earth = {3, 40};
    render_cell(&empty, 210, 566, 0);
    glBindTexture(GL_TEXTURE_2D, atlas);
    render_cell(&earth, 248, 566, 1);
    glBindTexture(GL_TEXTURE_2D, atlas);
    render_cell(&earth, 286, 566, 0);

    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 1.0f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    glfix::Image im = glfix::read_framebuffer();
    glfix::save_png(im, "cells_hotbar");
    // Fill just inside the frame, clear of the cube: darkened when not selected, lightened
    // when selected.
    glfix::Rgb plain = im.at(210 + 5, 566 + 3), chosen = im.at(248 + 5, 566 + 3);
    EXPECT_LT(plain.g, 100);
    EXPECT_GT(chosen.g, 180);
    // The empty slot draws no cube: its middle is the fill colour.
    glfix::Rgb middle = im.at(210 + 9, 566 + 18);
    EXPECT_NEAR(middle.r, plain.r, 8);
    // Left face (0.9) is red and brighter than the right face (0.7).
    glfix::Rgb left = im.at(286 + 8, 566 + 14), right = im.at(286 + 26, 566 + 14);
    EXPECT_GT(left.r, 200);
    EXPECT_LT(left.g, 40);
    EXPECT_GT(left.r, right.r + 25);
}

} // namespace
