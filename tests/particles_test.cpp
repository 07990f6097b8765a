// Particles and item boxes: random draw order, full pools, motion, lifetime, pick-up reach.
#include "items/particles.h"
#include <algorithm>
#include <cmath>
#include <vector>
#include "base/common.h"
#include "scratch.h"
#include "world/mesher.h"
static std::vector<int> script; // the random numbers to hand out, then zeros
static int draws = 0, drawn_flakes = 0, drawn_boxes = 0;
struct Pools : ::testing::Test {
    void SetUp() override {
        init_particles();
        fill_block_tables();
        texes[7] = {{0.5f, 0.25f}, {0.25f, 0.5f}, {0.75f, 0.125f}}; // top, bottom, side
        script.clear(), draws = drawn_flakes = drawn_boxes = 0;
        base_set_rand_source([] { return draws++ < int(script.size()) ? script[draws - 1] : 0; });
    }
    static void spawn(std::vector<int> s, float x, float y, float z) { // alone, of type 7
        init_particles(), script = s, draws = 0;
        add_particle_from_cube(x, y, z, 7, 1);
    }
    static void frame() {
        advance_particles([](const Particle &) { drawn_flakes++; },
                          [](const ItemBox &, float) { drawn_boxes++; });
    }
};
TEST_F(Pools, OneFlakeTakesTwelveDrawsInOrderAndIsDrawnLifePlusOneTimes) {
    // x, y, z, vx, vy, vz, angle, face, cell, u and v jitter, life; some past their modulus.
    spawn({37, 10, 31, 64, 63, 32, 450, 9, 5, 31, 7, 60}, 2, -3, 70);
    const Particle p = prs[0];
    const float got[] = {p.x, p.y, p.z, p.vx, p.vy, p.vz, p.angle, p.u, p.v, float(p.life)};
    // Face 3 is +y, cell 2 the side jittered % 16, life 60 % 30 + 20.
    const float want[] = {1.828125f, -2.5f, 70.484375f, -0.01f, 0.0596875f,
                          0.02f,     1.57f, 0.885f,     0.188f, 20};
    for (int k = 0; k < 10; k++) EXPECT_NEAR(got[k], want[k], 1e-5f) << k;
    // Drawn 21 times, each after gravity took 0.006 from vz and the flake moved by the new v.
    for (int k = 1; k <= 22; k++) {
        frame();
        EXPECT_EQ(all(drawn_flakes, prs[0].active), all(std::min(k, 21), k <= 20)) << k;
    }
    const float end[] = {prs[0].x, prs[0].vz, prs[0].z},
                want_end[] = {1.618125f, -0.106f, 69.518375f};
    for (int k = 0; k < 3; k++) EXPECT_NEAR(end[k], want_end[k], 1e-4f) << k;
    // Each face puts the flake half a block out on its own side, flying off at 0.05 (upwards
    // on top of the 0.02 every flake has): -x, +x, -y, +y, -z, +z.
    const float sides[6][2] = {{9.5f, -.05f}, {10.5f, .05f},  {19.5f, -.05f},
                               {20.5f, .05f}, {29.5f, -.03f}, {30.5f, .07f}};
    for (int face = 0; face < 6; face++) {
        spawn({0, 0, 0, 32, 32, 32, 0, face}, 10, 20, 30);
        const Particle &q = prs[0];
        const float at[3] = {q.x, q.y, q.z}, v[3] = {q.vx, q.vy, q.vz};
        EXPECT_NEAR(at[face / 2], sides[face][0], 1e-6f) << face;
        EXPECT_NEAR(v[face / 2], sides[face][1], 1e-6f) << face;
    }
}
TEST_F(Pools, FullPoolSpawnsNothingAndABurstStopsWhenItFills) {
    for (int k = 0; k < 500; k++) prs[k].active = 1;
    for (int count : {60, 5}) // room for 12 flakes, then none
        EXPECT_EQ((add_particle_from_cube(0, 0, 0, 3, count), draws), 12 * 12) << count;
    prs[300].active = prs[7].active = 0;
    add_particle_from_cube(0, 0, 0, 70000, 1); // past the texture table: untextured, no overrun
    EXPECT_EQ(prs[7].active, 1);
}
TEST_F(Pools, BoxesFillTheLowerHalfHideNonSolidTypesAndGoLowestFirst) {
    add_box(1, 2, 3, 0);
    add_box(1.2f, 2, 3.5f, 3);
    for (int k = 0; k < 2; k++) frame();
    EXPECT_EQ(drawn_boxes, 2);                                // the type-3 box, twice
    for (int k = 2; k < 513; k++) add_box(float(k), 0, 0, 3); // the last one finds no room
    EXPECT_EQ(find_free_box(), -1);
    for (int want : {0, 3, -1}) EXPECT_EQ(pick_box(-1, -2, 3), want); // the invisible one first
    add_box(5, 6, 7, 1);
    EXPECT_EQ(bxs[0].type, 1);
    for (int axis = 0; axis < 3; axis++) // reach is under one on every axis
        for (float d : {0.9f, -0.9f, 1.0f, -1.0f}) {
            init_particles();
            add_box(-10, -20, 30, 3); // beside the player near world (10, 20, 30)
            float at[3] = {10, 20, 30};
            at[axis] += d;
            EXPECT_EQ(pick_box(at[0], at[1], at[2]), std::fabs(d) < 1 ? 3 : -1) << axis << d;
        }
}
