// Pick ray, breaking and placing on a tiny world built by hand in the real chunk pool.
#include "engine/interact.h"
#include <array>
#include <vector>
#include "items/cells.h"
#include "items/particles.h"
#include "world/streamer.h"
#include "world_fixture.h"

using I3 = std::array<int, 3>;
using A6 = std::array<int, 6>;
// Slot 0 holds chunk (1, 1, 1); the body at (10, 10.3, 100) looks along +y from local y 54.
struct Interact : ::testing::Test {
    Chunk &c = cubes[0];
    PlayerState &p = game_state.gamer[0];
    void SetUp() override {
        ASSERT_TRUE(reset_world());
        init_particles();
        player_cells = init_cells(10, 5), cells_active = 0;
        bind_meshed(1, 1, 1);
        aim(10, 10.3);
    }
    void TearDown() override {
        if (player_cells) std::free(player_cells->slots), std::free(player_cells);
    }
    BlockId &at(Chunk &b, int x, int y, int z = 37) { return block_at(b, x, y, z); }
    void aim(double x, double y, double z = 100, float yaw = 0, float pitch = 0) {
        p.x = x, p.y = y, p.z = z, p.yaw = yaw, p.pitch = pitch;
    }
    A6 target(double x, double y, double z = 100) { // the target and the last free sample
        aim(x, y, z), pick_ray(&p);
        const int *t = p.target_local, *f = p.prev_local;
        return p.has_target ? A6{t[0], t[1], t[2], f[0], f[1], f[2]} : A6{};
    }
    std::string step(int n = 1) { // n physics-step endings; returns what they printed
        return output_of([&] {
            for (; n > 0; n--) pick_ray(&p), player_actions();
        });
    }
    template <class T, size_t N> static int live(const T (&pool)[N]) {
        return int(std::count_if(pool, pool + N, [](const T &r) { return r.active; }));
    }
};
TEST_F(Interact, RayStopsOnTheFirstBlockingSampleWithinReach) {
    // Blocks at local y 50, 51 and 54 (the eye's cell), then the body's y.
    auto ray = [&](BlockId y50, BlockId y51, BlockId y54, double y) {
        return at(c, 54, 50) = y50, at(c, 54, 51) = y51, at(c, 54, 54) = y54, target(10, y);
    };
    EXPECT_EQ(ray(0, 3, 0, 10.3), (A6{54, 51, 37, 54, 52, 37}));   // the 19th sample
    EXPECT_EQ(ray(10, 11, 0, 10.3), (A6{54, 50, 37, 54, 51, 37})); // 11 lets it through
    EXPECT_EQ(ray(3, 0, 0, 9.7), (A6{54, 50, 37, 54, 51, 37}));    // reach 3.8
    EXPECT_EQ(ray(3, 0, 0, 9.5), A6{});                            // reach 4
    EXPECT_EQ(ray(0, 3, 1, 10.3), A6{});                           // the eye inside a block
}
// Break a type-3 block, collect its box, place it back from that slot of one, break it again.
TEST_F(Interact, BreakCollectPlaceAndBreakAgain) {
    at(c, 54, 51) = at(c, 54, 50) = 3;
    p.break_request = 1;
    auto after = [&](int n) { return step(n), I3{at(c, 54, 51), live(prs), live(bxs)}; };
    EXPECT_EQ(after(11), (I3{3, 0, 0})); // block, flakes, boxes: hits every 11 steps from 12
    EXPECT_EQ(after(1), (I3{3, 5, 0}));
    EXPECT_EQ(after(120), (I3{3, 55, 0}));
    EXPECT_EQ(after(1), (I3{0, 120, 1}));          // step 133: 12 x 5 + 60 flakes and a box
    aim(10, 13, 101), p.break_request = 0, step(); // walking onto the box: earth drops earth
    aim(10, 10.3), p.place_request = 1;
    EXPECT_EQ(step(), "54 0 51 0 37 0 \n"); // the free cell's and the body's own indices
    EXPECT_EQ((I3{at(c, 54, 51), c.polygons, int(get_cell(player_cells, 0, 0))}), (I3{3, 10, 0}));
    p.place_request = 1, player_cells->slots[0] = {TEXTURE_ROWS, 1}; // no such block type
    EXPECT_EQ(step(), "54 0 52 0 37 0 \n"); // nothing is placed, and the line still printed
    EXPECT_EQ(at(c, 54, 52), 0);
    p.break_request = 1, step(100); // the new block is taken up afresh: nine hits of twelve
    EXPECT_EQ(p.health, 3.0f);
}
// Whole physics steps on floor blocks topped at 101, a two-high wall at y 13 and the same
// floor across the +x edge: no cell the one-wide, two-high body shares volume with takes a
// block, whatever its level or the ray's chunk, and nothing is said of the refusal.
TEST_F(Interact, PlacingIntoTheBodyIsRefusedAtEveryLevel) {
    for (int X : {8, 9, 10, 11, 12, 575, 576, 577})
        for (int Y = 8; Y <= 14; Y++) world_block(X, Y, 100) = 2;
    for (int X = 9; X <= 12; X++) world_block(X, 13, 101) = world_block(X, 13, 102) = 2;
    game_state.fly_mode = game_state.jump = world_state.already_created = 0;
    const struct {
        const char *what;
        double x, y;
        float pitch;
        I3 cell; // world x, y and bottom of the cell the ray offers
        bool placed;
    } rows[] = {
        {"straight down at the feet", 10.3, 10.3, 90, {10, 10, 101}, false},
        {"as far down as the view goes", 10.3, 10.3, 80, {10, 11, 101}, false},
        {"the head cell, flush against the wall", 10.3, 12, 0, {10, 12, 102}, false},
        {"down at the feet across the world's edge", 576.3, 10.3, 90, {576, 10, 101}, false},
        {"in front of the head, one cell short of the wall", 10.3, 11, 0, {10, 12, 102}, true},
        {"in front of the feet", 10.3, 11, 40, {10, 12, 101}, true}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        p = PlayerState{}, p.active = 1, p.height = 2, player_cells->slots[0] = {3, 40};
        aim(r.x, r.y, 101, 0, r.pitch);
        p.place_request = 1;
        const bool said = !output_of(e_psysix).empty();
        const int *c = p.prev_chunk, *l = p.prev_local;
        const I3 cell{64 * c[0] - l[0], 64 * c[1] - l[1], 64 * c[2] + l[2]};
        BlockId &b = world_block(cell[0], cell[1], cell[2]);
        EXPECT_EQ(cell, r.cell);
        EXPECT_EQ((std::vector<int>{said, b, p.z == 101}),
                  (std::vector<int>{r.placed, r.placed ? 3 : 0, 1}));
        b = 0;
    }
}
TEST_F(Interact, FloorNeverBreaksAndSweepingRestartsTheCount) {
    at(c, 54, 51) = 3, at(c, 53, 51) = 2; // A at x = 10, floor B at x = 11
    p.break_request = 1, step(50);        // hits at steps 12, 23, 34, 45
    aim(11, 10.3), step(400);
    EXPECT_EQ((I3{at(c, 53, 51), live(prs), live(bxs)}), (I3{2, 4 * 5, 0}));
    aim(10, 10.3), step(24);
    EXPECT_EQ(p.health, 12.0f - 2);
}
// Down from level 2 onto local z 63 of level 1: the block goes in front, to z 0 of level 2.
TEST_F(Interact, BorderPlacingAndBreakingRebuildBothChunks) {
    Chunk &upper = bind_meshed(1, 1, 2);
    at(c, 54, 54, 63) = 3, cells_active = 2, player_cells->slots[2] = {3, 40}; // the one held
    aim(10, 10, 129, 0, 90), p.place_request = 1, step();
    EXPECT_EQ(all(at(upper, 54, 54, 0), upper.polygons, c.polygons, player_cells->slots[2].count),
              all(3, 5, 5, 39));
    EXPECT_EQ(at(c, 54, 54, 0), 0); // not the far side of the target chunk
    p.break_request = 1, step(133);
    EXPECT_EQ((I3{at(upper, 54, 54, 0), upper.polygons, c.polygons}), (I3{0, 0, 6}));
    // Along +y from y = 62.3 the ray leaves chunk y 1 at local y 0 and hits y 63 of chunk y 2.
    Chunk &far = bind_meshed(1, 2, 1);
    at(far, 54, 63) = 3, p.break_request = 0, aim(10, 62.3), p.place_request = 1, step();
    EXPECT_EQ((I3{at(c, 54, 0), c.polygons, far.polygons}), (I3{3, 6 + 5, 5}));
    // Toward +x the ray breaks local x 0 (world x 64): chunk x 2's block behind shows a sixth face.
    Chunk &east = bind_meshed(2, 1, 1);
    at(east, 63, 54) = at(c, 0, 54) = 3, create_polygons(2, 1, 1);
    p.place_request = 0, aim(61, 10, 100, 270), p.break_request = 1, step(133);
    EXPECT_EQ(all(at(c, 0, 54), east.polygons), all(0, 6));
}
TEST_F(Interact, GridEdgesAndAMissingInventory) {
    // Toward -x from chunk 0 the ray wraps into chunk 9; the box lands beside the player.
    for (const I3 &k : {I3{0, 1, 1}, I3{1, 1, 0}, I3{1, 1, 9}}) bind_meshed(k[0], k[1], k[2]);
    at(bind_meshed(9, 1, 1), 0, 54) = 3;
    aim(-60, 10, 100, 90), p.break_request = 1, step(133);
    EXPECT_EQ(live(bxs) == 1 ? bxs[0].x : 0, 64.0f);
    for (double z : {-20.0, 700.0, 1e12}) EXPECT_EQ(target(10, 10, z), A6{}) << z; // off the grid
    // Above the top level counts as solid: a target, but nothing there is hit or written.
    aim(10, 10, 636, 0, -90), step(200);
    EXPECT_EQ((I3{p.target_chunk[2], live(prs), live(bxs)}), (I3{10, 120, 1})); // the first break's
    // A null inventory: the box at the player's feet is taken and lost, nothing is placed.
    std::free(player_cells->slots), std::free(player_cells), player_cells = nullptr;
    aim(-64, 10, 101), p.place_request = 1, step();
    EXPECT_EQ(live(bxs), 0);
}
