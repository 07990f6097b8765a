// Pick ray, breaking and placing on a tiny world built by hand in the real chunk pool.
#include "engine/interact.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "engine/physics.h"
#include "items/cells.h"
#include "items/particles.h"
#include "world/chunks.h"
#include "world/mesher.h"

namespace {

class Interact : public ::testing::Test {
  protected:
    int next_slot = 0;

    void SetUp() override {
        world_size = 10;
        testing::internal::CaptureStdout();
        ASSERT_EQ(initialize_world(), 1);
        testing::internal::GetCapturedStdout();
        fill_block_tables();
        init_particles();
        player_cells = init_cells(10, 5);
        cells_active = 0;
        std::memset(gamer, 0, sizeof gamer);
        gamer[0].active = 1;
        gamer[0].height = 2;
    }
    void TearDown() override {
        for (Chunk &c : cubes) {
            std::free(c.verts);
            std::free(c.texs);
            std::free(c.norms);
            c.verts = c.texs = c.norms = nullptr;
            c.polygons = 0;
            c.used = 0;
        }
        if (player_cells) std::free(player_cells->slots);
        std::free(player_cells);
        player_cells = nullptr;
    }

    // Puts an empty chunk at (cx, cy, level), with mesh arrays when its faces are checked.
    Chunk &bind(int cx, int cy, int level, bool mesh = false) {
        int slot = next_slot++;
        Chunk &c = cubes[slot];
        std::memset(c.blocks, 0, sizeof c.blocks);
        c.used = 1;
        world[chunk_cell(cx, cy, level)] = static_cast<uint16_t>(slot);
        if (mesh) {
            c.verts = static_cast<float *>(std::calloc(MESH_FACES * 12, sizeof(float)));
            c.texs = static_cast<float *>(std::calloc(MESH_FACES * 8, sizeof(float)));
            c.norms = static_cast<float *>(std::calloc(MESH_FACES * 12, sizeof(float)));
        }
        return c;
    }
    static BlockId &at(Chunk &c, int x, int y, int z) { return c.blocks[block_index(x, y, z)]; }

    static PlayerState &aim(double x, double y, double z, float yaw, float pitch) {
        PlayerState &p = gamer[0];
        p.x = x;
        p.y = y;
        p.z = z;
        p.yaw = yaw;
        p.pitch = pitch;
        return p;
    }
    static void step(int n = 1) {
        for (int k = 0; k < n; k++) {
            pick_ray(&gamer[0]);
            player_actions();
        }
    }
    static int active_particles() {
        int n = 0;
        for (const Particle &p : prs) n += p.active;
        return n;
    }
    static int active_boxes() {
        int n = 0;
        for (const ItemBox &b : bxs) n += b.active;
        return n;
    }
    static void expect3(const int32_t got[3], int x, int y, int z, const char *what) {
        EXPECT_EQ(got[0], x) << what;
        EXPECT_EQ(got[1], y) << what;
        EXPECT_EQ(got[2], z) << what;
    }
};

// Body at (10, 10.3, 100) in chunk (1, 1, 1): the eye (z 101.5) is in local z 37, x = 10 is
// local x 54, and the block centred at y = 13 is local y 51.
TEST_F(Interact, RayHitsTheNineteenthSample) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 3;
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    pick_ray(&p);
    ASSERT_EQ(p.has_target, 1);
    expect3(p.target_local, 54, 51, 37, "target");
    expect3(p.target_chunk, 1, 1, 1, "target chunk");
    expect3(p.prev_local, 54, 52, 37, "previous sample"); // the cell centred at y = 12
    expect3(p.prev_chunk, 1, 1, 1, "previous chunk");

    // Values of 11 and more let the ray through; 10 stops it.
    at(c, 54, 51, 37) = 11;
    at(c, 54, 50, 37) = 10;
    pick_ray(&p);
    expect3(p.target_local, 54, 50, 37, "past an 11");
}

TEST_F(Interact, ReachEndsBetweenThreePointEightAndFour) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 50, 37) = 3; // centred at y = 14, near face at 13.5
    PlayerState &p = aim(10, 9.7, 100, 0, 0);
    pick_ray(&p);
    ASSERT_EQ(p.has_target, 1);
    expect3(p.target_local, 54, 50, 37, "3.8 away");
    expect3(p.prev_local, 54, 51, 37, "3.8 away");

    aim(10, 9.5, 100, 0, 0);
    pick_ray(&p);
    EXPECT_EQ(p.has_target, 0);
    // A miss leaves the last target for nobody to use, but untouched.
    expect3(p.target_local, 54, 50, 37, "kept");
}

TEST_F(Interact, EyeInsideABlockHasNoTarget) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 3;
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    pick_ray(&p);
    ASSERT_EQ(p.has_target, 1);
    at(c, 54, 54, 37) = 1; // the eye's own cell
    pick_ray(&p);
    EXPECT_EQ(p.has_target, 0);
    expect3(p.target_local, 54, 51, 37, "kept");
}

TEST_F(Interact, TypeThreeBreaksOneHundredThirtyTwoStepsAfterItWasTargeted) {
    Chunk &c = bind(1, 1, 1, true);
    at(c, 54, 51, 37) = 3;
    create_polygons(1, 1, 1);
    ASSERT_EQ(c.polygons, 6);
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    p.break_request = 1;

    step();
    expect3(p.held_local, 54, 51, 37, "taken up");
    EXPECT_EQ(p.hit_timer, 10);
    EXPECT_EQ(p.health, 12.0f);
    EXPECT_EQ(active_particles(), 0);
    step(10);
    EXPECT_EQ(active_particles(), 0);
    step(); // step 12: first hit
    EXPECT_EQ(active_particles(), 5);
    EXPECT_EQ(p.health, 11.0f);
    step(120); // step 132
    EXPECT_EQ(at(c, 54, 51, 37), 3);
    EXPECT_EQ(active_particles(), 11 * 5);
    EXPECT_EQ(c.polygons, 6);
    step(); // step 133
    EXPECT_EQ(at(c, 54, 51, 37), 0);
    EXPECT_EQ(active_particles(), 12 * 5 + 60);
    EXPECT_EQ(c.polygons, 0);
    ASSERT_EQ(active_boxes(), 1);
    EXPECT_EQ(bxs[0].type, 3); // earth drops earth
    EXPECT_EQ(bxs[0].x, 54.0f - 64);
    EXPECT_EQ(bxs[0].y, 51.0f - 64);
    EXPECT_EQ(bxs[0].z, 64.0f + 37);

    // Walking onto the box puts it into the inventory.
    aim(10, 13, 101, 0, 0);
    step();
    EXPECT_EQ(active_boxes(), 0);
    EXPECT_EQ(get_cell(player_cells, 0, 0), 3u);
    EXPECT_EQ(player_cells->slots[0].count, 1);
}

TEST_F(Interact, FloorNeverBreaks) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 2;
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    p.break_request = 1;
    step(400);
    EXPECT_EQ(at(c, 54, 51, 37), 2);
    EXPECT_EQ(active_particles(), 0);
    EXPECT_EQ(active_boxes(), 0);
    EXPECT_EQ(p.hit_timer, 0);
}

TEST_F(Interact, SweepingRestartsTheCountAndReleasingKeepsIt) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 3; // A, centred at (10, 13)
    at(c, 53, 51, 37) = 1; // B, centred at (11, 13)
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    p.break_request = 1;
    step(50); // hits at steps 12, 23, 34, 45
    EXPECT_EQ(p.health, 8.0f);
    EXPECT_EQ(p.hit_timer, 5);

    aim(11, 10.3, 100, 0, 0);
    step();
    expect3(p.held_local, 53, 51, 37, "B");
    EXPECT_EQ(p.health, 16.0f);
    EXPECT_EQ(p.hit_timer, 10);
    step(11);
    EXPECT_EQ(p.health, 15.0f);

    aim(10, 10.3, 100, 0, 0);
    step();
    expect3(p.held_local, 54, 51, 37, "A again");
    EXPECT_EQ(p.health, 12.0f);
    step(23); // two hits
    EXPECT_EQ(p.health, 10.0f);

    // Let go, look away, come back: the count goes on where it stopped.
    p.break_request = 0;
    aim(10, 10.3, 100, 180, 0);
    step(30);
    aim(10, 10.3, 100, 0, 0);
    p.break_request = 1;
    step();
    EXPECT_EQ(p.health, 10.0f);
    EXPECT_EQ(p.hit_timer, 8);
}

TEST_F(Interact, ReplacedBlockStartsItsOwnCount) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 3;
    at(c, 54, 50, 37) = 3; // behind it
    player_cells->slots[0] = {3, 5};
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    p.break_request = 1;
    step(133);
    ASSERT_EQ(at(c, 54, 51, 37), 0);
    p.break_request = 0;
    step();
    expect3(p.prev_local, 54, 51, 37, "the emptied cell");
    testing::internal::CaptureStdout();
    p.place_request = 1;
    step();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(at(c, 54, 51, 37), 3);
    p.break_request = 1;
    step(100); // taken up afresh: nine hits of twelve
    EXPECT_EQ(at(c, 54, 51, 37), 3);
    EXPECT_EQ(p.health, 3.0f);
}

TEST_F(Interact, PlacingEmptiesASlotOfOneThenOnlyPrints) {
    Chunk &c = bind(1, 1, 1, true);
    at(c, 54, 51, 37) = 3;
    create_polygons(1, 1, 1);
    player_cells->slots[0] = {3, 1};
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    p.own_chunk[0] = p.own_chunk[1] = p.own_chunk[2] = 1; // as the physics step leaves them
    p.own_local[0] = 54;
    p.own_local[1] = 53;
    p.own_local[2] = 36;

    p.place_request = 1;
    testing::internal::CaptureStdout();
    step();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "54 54 52 53 37 36 \n");
    EXPECT_EQ(p.place_request, 0);
    EXPECT_EQ(at(c, 54, 52, 37), 3);
    EXPECT_EQ(get_cell(player_cells, 0, 0), 0u);
    EXPECT_EQ(c.polygons, 10); // two blocks sharing a face

    p.place_request = 1;
    testing::internal::CaptureStdout();
    step();
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "54 54 53 53 37 36 \n");
    EXPECT_EQ(p.place_request, 0);
    EXPECT_EQ(at(c, 54, 53, 37), 0);
}

TEST_F(Interact, OwnCellRefusalPrintsNothing) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 3;
    player_cells->slots[0] = {3, 40};
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    p.own_chunk[0] = p.own_chunk[1] = p.own_chunk[2] = 1;
    for (int own_z : {37, 38}) { // the cell itself, and the one a level below it
        p.own_local[0] = 54;
        p.own_local[1] = 52;
        p.own_local[2] = own_z;
        p.place_request = 1;
        testing::internal::CaptureStdout();
        step();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << own_z;
        EXPECT_EQ(p.place_request, 0);
        EXPECT_EQ(at(c, 54, 52, 37), 0);
        EXPECT_EQ(player_cells->slots[0].count, 40);
    }
}

// Looking along +y from y = 62.3: the ray leaves chunk y 1 at local y 0 and hits local y 63
// of chunk y 2. The new block belongs in front of the hit face, in chunk 1.
TEST_F(Interact, CrossBorderPlacementLandsInFrontOfTheHitFace) {
    Chunk &near = bind(1, 1, 1, true);
    Chunk &far = bind(1, 2, 1, true);
    at(far, 54, 63, 37) = 3;
    create_polygons(1, 1, 1);
    create_polygons(1, 2, 1);
    ASSERT_EQ(far.polygons, 6);
    ASSERT_EQ(near.polygons, 0);
    player_cells->slots[0] = {3, 40};
    PlayerState &p = aim(10, 62.3, 100, 0, 0);
    pick_ray(&p);
    ASSERT_EQ(p.has_target, 1);
    expect3(p.target_chunk, 1, 2, 1, "target chunk");
    expect3(p.target_local, 54, 63, 37, "target");
    expect3(p.prev_chunk, 1, 1, 1, "previous chunk");
    expect3(p.prev_local, 54, 0, 37, "previous");

    p.place_request = 1;
    testing::internal::CaptureStdout();
    step();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(at(near, 54, 0, 37), 3);
    EXPECT_EQ(at(far, 54, 0, 37), 0); // the far side of the target chunk stays untouched
    EXPECT_EQ(player_cells->slots[0].count, 39);
    // Both meshes lose the face the two blocks now share.
    EXPECT_EQ(near.polygons, 5);
    EXPECT_EQ(far.polygons, 5);
}

// Looking straight down from level 2 onto a block at its local z 0, which rests on a block at
// local z 63 of level 1.
TEST_F(Interact, BreakingOnABorderRebuildsTheNeighbour) {
    Chunk &upper = bind(1, 1, 2, true);
    Chunk &lower = bind(1, 1, 1, true);
    at(upper, 54, 54, 0) = 3;
    at(lower, 54, 54, 63) = 3;
    create_polygons(1, 1, 2);
    create_polygons(1, 1, 1);
    ASSERT_EQ(upper.polygons, 5);
    ASSERT_EQ(lower.polygons, 5);
    PlayerState &p = aim(10, 10, 129, 0, 90);
    p.break_request = 1;
    step();
    expect3(p.held_chunk, 1, 1, 2, "held chunk");
    expect3(p.held_local, 54, 54, 0, "held");
    step(132);
    EXPECT_EQ(at(upper, 54, 54, 0), 0);
    EXPECT_EQ(upper.polygons, 0);
    EXPECT_EQ(lower.polygons, 6); // its top face shows now
}

// x = -60 lies in chunk 0; looking toward -x the ray crosses the world's edge into the chunk
// that wraps round to x index world_size - 1.
TEST_F(Interact, RayAcrossTheWorldEdgeReadsTheWrappedChunk) {
    bind(0, 1, 1);
    Chunk &edge = bind(9, 1, 1, true);
    at(edge, 0, 54, 37) = 3; // centred at x = -64 as seen from chunk 0
    create_polygons(9, 1, 1);
    PlayerState &p = aim(-60, 10, 100, 90, 0);
    pick_ray(&p);
    ASSERT_EQ(p.has_target, 1);
    expect3(p.target_chunk, -1, 1, 1, "target chunk, unwrapped");
    expect3(p.target_local, 0, 54, 37, "target");

    p.break_request = 1;
    step(133);
    EXPECT_EQ(at(edge, 0, 54, 37), 0);
    EXPECT_EQ(edge.polygons, 0);
    ASSERT_EQ(active_boxes(), 1);
    EXPECT_EQ(bxs[0].x, 64.0f); // beside the player, not across the world
    aim(-64, 10, 101, 90, 0);
    step();
    EXPECT_EQ(get_cell(player_cells, 0, 0), 3u);
}

TEST_F(Interact, OutsideTheGridReadsAsMissing) {
    bind(1, 1, 0);
    bind(1, 1, 9);
    PlayerState &p = aim(10, 10, -20, 0, 0);
    pick_ray(&p);
    EXPECT_EQ(p.has_target, 0);
    aim(10, 10, 700, 0, 0);
    pick_ray(&p);
    EXPECT_EQ(p.has_target, 0);
    aim(10, 10, 1e12, 0, 0);
    pick_ray(&p);
    EXPECT_EQ(p.has_target, 0);

    // Looking up out of the top level: the space above counts as solid, so it is a target,
    // but nothing there can be hit, broken or written.
    player_cells->slots[0] = {3, 40};
    aim(10, 10, 636, 0, -90);
    pick_ray(&p);
    ASSERT_EQ(p.has_target, 1);
    EXPECT_EQ(p.target_chunk[2], 10);
    p.break_request = 1;
    step(200);
    EXPECT_EQ(active_particles(), 0);
    EXPECT_EQ(active_boxes(), 0);
}

TEST_F(Interact, MissingInventoryIsNeverTouched) {
    Chunk &c = bind(1, 1, 1);
    at(c, 54, 51, 37) = 3;
    std::free(player_cells->slots);
    std::free(player_cells);
    player_cells = nullptr;
    PlayerState &p = aim(10, 10.3, 100, 0, 0);
    add_box(-10, -10, 100, 3); // right at the player's feet
    p.place_request = 1;
    testing::internal::CaptureStdout();
    step();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(active_boxes(), 0);
    EXPECT_EQ(at(c, 54, 52, 37), 0);
    EXPECT_EQ(p.place_request, 0);
}

} // namespace
