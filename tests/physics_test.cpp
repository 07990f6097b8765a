// The movement half of the physics step against a tiny world built in the real chunk pool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/physics.h"
#include "world/chunks.h"
#include "world/streamer.h"

namespace {

int ceil_div64(int v) {
    return v > 0 ? (v + 63) / 64 : -((-v) / 64);
}

class Physics : public ::testing::Test {
  protected:
    void SetUp() override {
        world_size = 10;
        ASSERT_EQ(initialize_world(), 1);
        std::memset(gamer, 0, sizeof gamer);
        gamer[0].active = 1;
        gamer[0].height = 2;
        fly_mode = 0;
        jump = 0;
        already_created = 0;
    }
    void TearDown() override { fly_mode = 1; }

    // Puts chunk (cx, cy, level) into the pool, all air, unless it is there already.
    static int chunk(int cx, int cy, int level) {
        int slot = chunk_slot(cx, cy, level);
        if (slot >= 0) return slot;
        slot = find_free_cube();
        EXPECT_GE(slot, 0);
        std::memset(cubes[slot].blocks, 0, sizeof cubes[slot].blocks);
        cubes[slot].used = 1;
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        return slot;
    }

    // Sets the block centred on world (X, Y) whose bottom is at height Z.
    static void block(int X, int Y, int Z, BlockId v) {
        int cx = ceil_div64(X), cy = ceil_div64(Y);
        int lx = 64 * cx - X, ly = 64 * cy - Y;
        int slot = chunk(t_zn(cx), t_zn(cy), Z / 64);
        cubes[slot].blocks[block_index(lx, ly, Z % 64)] = v;
    }

    // A floor of value v whose top lies at height top, under x and y in [x0, x1] x [y0, y1].
    static void floor_at(int top, int x0, int x1, int y0, int y1, BlockId v = 3) {
        for (int X = x0; X <= x1; X++)
            for (int Y = y0; Y <= y1; Y++) block(X, Y, top - 1, v);
    }

    static void place(double x, double y, double z) {
        gamer[0].x = x;
        gamer[0].y = y;
        gamer[0].z = z;
    }

    static void steps(int n) {
        for (int k = 0; k < n; k++) e_psysix();
    }
};

TEST_F(Physics, StandingOnGroundKeepsTheFeetOnAWholeNumber) {
    floor_at(100, 5, 15, 5, 15);
    place(10, 10, 100);
    for (int k = 0; k < 50; k++) {
        e_psysix();
        ASSERT_EQ(gamer[0].z, 100.0) << "step " << k;
        ASSERT_EQ(gamer[0].on_ground, 1);
        ASSERT_EQ(gamer[0].vz, 0.0);
    }
    // The camera shows the body one step behind, eye one unit above the feet.
    EXPECT_EQ(camera_z, 101.0);
    EXPECT_EQ(camera_x, 10.0);
}

TEST_F(Physics, FallingIntoABlockEndsOnItsTop) {
    block(10, 10, 100, 3); // local block 36 of level 1
    // After damping and gravity vz is 0.291, so the feet arrive at z = 100.309.
    place(10, 10, 100.6);
    gamer[0].vz = 0.29;
    e_psysix();
    EXPECT_EQ(gamer[0].z, 101.0);
    EXPECT_EQ(gamer[0].vz, 0.0);
    EXPECT_EQ(gamer[0].on_ground, 1);
}

TEST_F(Physics, ALongFallNeverPassesThroughTheGround) {
    floor_at(100, 8, 12, 8, 12);
    chunk(1, 1, 2);
    place(10, 10, 160);
    steps(400);
    EXPECT_EQ(gamer[0].z, 100.0);
    EXPECT_EQ(gamer[0].on_ground, 1);
}

TEST_F(Physics, SideContactsStopTheBodyTouchingTheFace) {
    floor_at(100, 5, 15, 5, 15);
    block(10, 10, 100, 3);
    // Moving toward -x: after damping vx is 0.2, so x becomes 10.3 inside the reach of the
    // block centred at 10.
    place(10.5, 10, 100);
    gamer[0].vx = 0.25;
    e_psysix();
    EXPECT_EQ(gamer[0].x, 11.0);
    EXPECT_EQ(gamer[0].vx, 0.0);
    // The probe leads the centre by half a unit: arriving at 10.6 already meets the face.
    place(10.8, 10, 100);
    gamer[0].vx = 0.25;
    e_psysix();
    EXPECT_EQ(gamer[0].x, 11.0);
    // Arriving at 11.1 stays clear of it.
    place(11.3, 10, 100);
    gamer[0].vx = 0.25;
    e_psysix();
    EXPECT_NEAR(gamer[0].x, 11.1, 1e-12);

    block(10, 10, 100, 0);
    block(11, 10, 100, 3);
    place(10.1, 10, 100);
    gamer[0].vx = -0.25;
    e_psysix();
    EXPECT_EQ(gamer[0].x, 10.0);
    EXPECT_EQ(gamer[0].vx, 0.0);

    // The same along y.
    block(11, 10, 100, 0);
    block(10, 12, 100, 3);
    place(10, 11.2, 100);
    gamer[0].vy = -0.25;
    e_psysix();
    EXPECT_EQ(gamer[0].y, 11.0);
    EXPECT_EQ(gamer[0].vy, 0.0);
}

TEST_F(Physics, WalkingKeysPushTheBodyUntilAWallStopsIt) {
    floor_at(100, 0, 30, 5, 15);
    block(20, 10, 100, 3);
    place(5, 10, 100);
    for (int k = 0; k < 300; k++) {
        movecamera(1.0f, 0, 0); // a positive dx pushes toward +x
        e_psysix();
    }
    EXPECT_EQ(gamer[0].x, 19.0);
    EXPECT_EQ(gamer[0].z, 100.0);
}

TEST_F(Physics, AJumpStartsOnlyFromTheGround) {
    floor_at(100, 5, 15, 5, 15);
    place(10, 10, 100);
    e_psysix();
    ASSERT_EQ(gamer[0].on_ground, 1);
    e_jump();
    e_psysix();
    EXPECT_EQ(jump, 0);
    EXPECT_GT(gamer[0].z, 100.0);
    EXPECT_LT(gamer[0].vz, 0.0);
    double peak = gamer[0].z;
    for (int k = 0; k < 200; k++) {
        e_psysix();
        peak = std::max(peak, gamer[0].z);
    }
    EXPECT_GT(peak, 101.3); // about 1.36 units of lift
    EXPECT_EQ(gamer[0].z, 100.0);

    // In mid-air the request is dropped without any push.
    chunk(1, 1, 2);
    place(10, 10, 130);
    gamer[0].vz = 0;
    e_psysix();
    ASSERT_EQ(gamer[0].on_ground, 0);
    double vz_before = gamer[0].vz;
    e_jump();
    e_psysix();
    EXPECT_EQ(jump, 0);
    EXPECT_GT(gamer[0].vz, vz_before);
}

TEST_F(Physics, ACeilingStopsTheRiseAlsoAcrossALevelBorder) {
    // Head room: the block `height` levels above the feet block stops a jump at once.
    floor_at(100, 5, 15, 5, 15);
    block(10, 10, 102, 3);
    place(10, 10, 100);
    e_psysix();
    e_jump();
    e_psysix();
    EXPECT_EQ(gamer[0].z, 100.0);
    EXPECT_EQ(gamer[0].vz, 0.0);

    // Feet in the top block of level 1: the same head room lies in level 2.
    floor_at(127, 25, 35, 5, 15);
    block(30, 10, 129, 3);
    place(30, 10, 127);
    e_psysix();
    ASSERT_EQ(gamer[0].z, 127.0);
    e_jump();
    e_psysix();
    EXPECT_EQ(gamer[0].z, 127.0);
    EXPECT_EQ(gamer[0].vz, 0.0);

    // Without that block the jump rises freely.
    block(30, 10, 129, 0);
    e_jump();
    e_psysix();
    EXPECT_GT(gamer[0].z, 127.0);
}

TEST_F(Physics, HighBlockValuesCarryButDoNotStop) {
    floor_at(100, 5, 15, 5, 15, 12);
    place(10, 10, 100);
    steps(5);
    EXPECT_EQ(gamer[0].z, 100.0);
    EXPECT_EQ(gamer[0].on_ground, 1);

    block(10, 10, 100, 12);
    place(10.5, 10, 100);
    gamer[0].vx = 0.25;
    e_psysix();
    EXPECT_NEAR(gamer[0].x, 10.3, 1e-12);
    EXPECT_EQ(gamer[0].vx, 0.2);
}

TEST_F(Physics, TheBodyWrapsAtTheWorldEdge) {
    // Chunks 9 and 0 meet at x = 576 == -64 (mod 640).
    floor_at(100, 570, 580, 5, 15);
    floor_at(100, -70, -58, 5, 15);
    place(575.9, 10, 100);
    gamer[0].vx = -0.25; // toward +x
    e_psysix();
    EXPECT_NEAR(gamer[0].x, 576.1 - 640, 1e-9);
    EXPECT_EQ(gamer[0].vx, -0.2);

    // Back over the edge the other way; the probe steps into chunk 9.
    place(-63.9, 10, 100);
    gamer[0].vx = 0.25;
    e_psysix();
    EXPECT_NEAR(gamer[0].x, 640 - 64.1, 1e-9);

    // A wall just across the edge stops the body there, touching its face.
    block(-65, 10, 100, 3); // centred at 575 in chunk 9
    place(-63.9, 10, 100);
    gamer[0].vx = 0.25;
    steps(2);
    EXPECT_EQ(gamer[0].x, 576.0);
    EXPECT_EQ(gamer[0].vx, 0.0);

    // The same wrap along y.
    floor_at(100, 5, 15, 570, 580);
    place(10, 575.9, 100);
    gamer[0].vy = -0.25;
    e_psysix();
    EXPECT_NEAR(gamer[0].y, 576.1 - 640, 1e-9);
}

TEST_F(Physics, MissingChunksAndPositionsOutsideTheGridAreSolid) {
    // A chunk not in memory holds the body up like ground.
    place(10, 10, 100.5);
    gamer[0].vz = 0.1;
    e_psysix();
    EXPECT_EQ(gamer[0].on_ground, 1);
    EXPECT_EQ(gamer[0].z, 101.0);

    // Below the bottom level, above the top level and far beyond the grid: every probe
    // reads solid and none indexes outside the grid or a chunk (the sanitizers would say).
    const double far = 1e12;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double spots[][3] = {{10, 10, -3.5},  {10, 10, -200}, {10, 10, 700},
                               {-500, 10, 50},  {10, 5000, 50}, {far, -far, far},
                               {-far, far, 50}, {nan, 10, 50},  {10, 10, nan}};
    for (const auto &s : spots) {
        for (double v : {0.3, -0.3}) {
            place(s[0], s[1], s[2]);
            gamer[0].vx = v;
            gamer[0].vy = -v;
            gamer[0].vz = v;
            e_psysix();
            if (std::isfinite(s[2]) && std::fabs(s[2]) < 1e6 && v > 0) {
                EXPECT_EQ(gamer[0].on_ground, 1) << s[0] << " " << s[1] << " " << s[2];
            }
        }
    }
    // A grid cell naming a slot that is no longer in use reads solid as well.
    int slot = chunk(1, 1, 1);
    cubes[slot].used = 0;
    place(10, 10, 100.5);
    gamer[0].vz = 0.1;
    e_psysix();
    EXPECT_EQ(gamer[0].z, 101.0);
    cubes[slot].used = 1;
}

TEST_F(Physics, FlyModeDragsTheBodyWithTheCamera) {
    chunk(1, 1, 2); // air around the camera, so the body can fall
    fly_mode = 1;
    camera_x = 10;
    camera_y = 10;
    camera_z = 130;
    movecamera(1.5f, -2.0f, 0.5f);
    rotatecamera(20, 30);
    e_psysix();
    EXPECT_EQ(camera_x, 11.5);
    EXPECT_EQ(camera_z, 129.5);
    // The body starts from the copied camera and then falls freely.
    EXPECT_LT(gamer[0].z, 129.5);
    EXPECT_EQ(gamer[0].x, 11.5);
    EXPECT_EQ(gamer[0].pitch, 20.0f);
    EXPECT_EQ(gamer[0].yaw, 30.0f);
    // A jump asked for in fly mode waits for the walking mode.
    e_jump();
    e_psysix();
    EXPECT_EQ(jump, 1);
}

TEST_F(Physics, FlyYawIsFoldedOnceEachWay) {
    fly_mode = 1;
    rotatecamera(10, 190);
    EXPECT_EQ(camera_rot_y, -170.0f);
    EXPECT_EQ(camera_rot_x, 10.0f);
    rotatecamera(0, 600);
    EXPECT_EQ(camera_rot_y, 240.0f);
    rotatecamera(0, -190);
    EXPECT_EQ(camera_rot_y, 170.0f);
    fly_mode = 0;
    rotatecamera(5, 600);
    EXPECT_EQ(gamer[0].yaw, 600.0f);
    EXPECT_EQ(gamer[0].pitch, 5.0f);
}

TEST_F(Physics, EachStepLowersTheChunkCoolDown) {
    already_created = 3;
    e_psysix();
    EXPECT_EQ(already_created, 2);
    already_created = 0;
    e_psysix();
    EXPECT_EQ(already_created, 0);
}

} // namespace
