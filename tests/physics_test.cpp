// The movement half of the physics step against a tiny world built in the real chunk pool.
#include "world/streamer.h"
#include "world_fixture.h"

struct Physics : ::testing::Test {
    PlayerState &g = game_state.gamer[0];
    void SetUp() override { reset(); }
    // A 10 x 10 world: ground topped at 100 by both world edges, air at level 2 above it.
    void reset() {
        ASSERT_TRUE(reset_world());
        g.active = 1, g.height = 2;
        game_state.fly_mode = game_state.jump = world_state.already_created = 0;
        floor_at(100, -70, 30, -70, 15); // x or y -70 is 570 across the edge
        world_block(10, 10, 130) = 0;
    }
    static void floor_at(int top, int x0, int x1, int y0, int y1) {
        for (int X = x0; X <= x1; X++)
            for (int Y = y0; Y <= y1; Y++) world_block(X, Y, top - 1) = 3;
    }
    void go(double x, double y, double z, double vx = 0, double vy = 0, double vz = 0) {
        g.x = x, g.y = y, g.z = z, g.vx = vx, g.vy = vy, g.vz = vz;
    }
};
TEST_F(Physics, ContactsEndOnTheFaceTheWorldWrapsAndAllOutsideIsSolid) {
    // Damping takes 0.05 off a speed of 0.25 and gravity adds 0.01 to vz before the move.
    const struct {
        const char *what;
        int bx, by, bv, n, walk;          // block at height 100 if bv; n steps, walking +x if walk
        double x, y, z, vx, vy, vz, e[5]; // e: x, y, z, vx, vy at the end; vz 0, on the ground
    } rows[] = {
        {"fall onto a 12", 10, 10, 12, 1, 0, 10, 10, 100.6, 0, 0, .29, {10, 10, 101, 0, 0}},
        {"long fall", 0, 0, 0, 400, 0, 10, 10, 160, 0, 0, 0, {10, 10, 100, 0, 0}},
        {"probe leads", 10, 10, 3, 1, 0, 10.8, 10, 100, .25, 0, 0, {11, 10, 100, 0, 0}},
        {"clear", 10, 10, 3, 1, 0, 11.3, 10, 100, .25, 0, 0, {11.1, 10, 100, .2, 0}},
        {"+x", 11, 10, 3, 1, 0, 10.1, 10, 100, -.25, 0, 0, {10, 10, 100, 0, 0}},
        {"-y", 10, 12, 3, 1, 0, 10, 11.2, 100, 0, -.25, 0, {10, 11, 100, 0, 0}},
        {"12 carries only", 10, 10, 12, 1, 0, 10.5, 10, 100, .25, 0, 0, {10.3, 10, 100, .2, 0}},
        {"walking keys", 20, 10, 3, 300, 1, 5, 10, 100, 0, 0, 0, {19, 10, 100, 0, 0}},
        {"wrap +x", 0, 0, 0, 1, 0, 575.9, 10, 100, -.25, 0, 0, {576.1 - 640, 10, 100, -.2, 0}},
        {"wrap -x", 0, 0, 0, 1, 0, -63.9, 10, 100, .25, 0, 0, {640 - 64.1, 10, 100, .2, 0}},
        {"wall past edge", -65, 10, 3, 2, 0, -63.9, 10, 100, .25, 0, 0, {576, 10, 100, 0, 0}},
        {"wrap +y", 0, 0, 0, 1, 0, 10, 575.9, 100, 0, -.25, 0, {10, 576.1 - 640, 100, 0, -.2}}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.what);
        reset();
        if (r.bv) world_block(r.bx, r.by, 100) = BlockId(r.bv);
        go(r.x, r.y, r.z, r.vx, r.vy, r.vz);
        for (int k = 0; k < r.n; k++) {
            if (r.walk) movecamera(1.0f, 0, 0); // a positive dx pushes toward +x
            e_psysix();
            ASSERT_TRUE(!g.on_ground || g.z == std::floor(g.z)) << k;
        }
        const double got[] = {g.x, g.y, g.z, g.vx, g.vy};
        for (int i = 0; i < 5; i++) // whole-number contacts are exact, others carry rounding
            EXPECT_NEAR(got[i], r.e[i], r.e[i] == std::floor(r.e[i]) ? 0 : 1e-9) << i;
        EXPECT_EQ(all(g.vz, g.on_ground), all(0, 1));
    }
    // Every probe reads solid and none indexes outside the grid or a chunk (sanitizers).
    const double spots[][3] = {{10, 10, -3.5},      {10, 10, 700}, {-500, 10, 50}, {10, 5000, 50},
                               {1e12, -1e12, 1e12}, {NAN, 10, 50}, {10, 10, NAN}};
    for (const auto &s : spots)
        for (double v : {0.3, -0.3}) {
            go(s[0], s[1], s[2], v, -v, v), e_psysix();
            EXPECT_TRUE(g.on_ground || v < 0 || !(std::fabs(s[2]) < 1e6)) << s[2];
        }
    cubes[chunk_slot(1, 1, 1)].used = 0; // a grid cell naming a freed slot
    go(10, 10, 100.5, 0, 0, .1), e_psysix();
    EXPECT_EQ(g.z, 101.0);
}
TEST_F(Physics, AJumpStartsOnlyFromTheGroundAndStopsAtACeiling) {
    go(10, 10, 100);
    rotatecamera(5, 600); // walking mode keeps the view as it is asked for
    double peak = 0;
    for (int k = 0; k < 200; k++) {
        if (k == 1 || k == 10) e_jump(); // the second, in mid-air, is dropped
        e_psysix();
        peak = std::max(peak, g.z);
    }
    EXPECT_NEAR(peak, 101.4, 0.1); // about 1.36 units of lift, once
    // Back on the ground: the eye one unit above the feet, the view from the body.
    EXPECT_EQ(
        all(game_state.camera_z, game_state.camera_rot_x, game_state.camera_rot_y, game_state.jump),
        all(101, 5, 600, 0));
    // Head room `height` blocks above the feet, across a level border here, stops the rise.
    floor_at(127, 25, 35, 5, 15);
    world_block(30, 10, 129) = 3;
    go(30, 10, 127);
    e_psysix(), e_jump(), e_psysix();
    EXPECT_EQ(all(g.z, g.vz), all(127, 0));
    world_block(30, 10, 129) = 0, e_jump(), e_psysix();
    EXPECT_GT(g.z, 127.0);
}
TEST_F(Physics, FlyModeDragsTheBodyAndFoldsTheYawOnceEachWay) {
    game_state.fly_mode = 1, world_state.already_created = 1,
    game_state.camera_x = game_state.camera_y = 10, game_state.camera_z = 130;
    movecamera(1.5f, -2.0f, 0.5f);
    rotatecamera(20, 190), e_jump(), e_psysix(), e_psysix();
    // The body follows the camera, then falls; a jump waits for walking; the cool-down stops at 0.
    EXPECT_EQ(all(game_state.camera_x, game_state.camera_z, g.x, g.yaw, game_state.jump,
                  world_state.already_created),
              all(11.5, 129.5, 11.5, -170, 1, 0));
    EXPECT_LT(g.z, 129.5);
    EXPECT_EQ((rotatecamera(0, 600), game_state.camera_rot_y), 240.0f);
    EXPECT_EQ((rotatecamera(0, -190), game_state.camera_rot_y), 170.0f);
    game_state.fly_mode = 0, go(10, 10, 120), e_psysix(); // gravity first: 0.01 x 0.97
    EXPECT_NEAR(g.vz, 0.0097, 1e-6);
}
