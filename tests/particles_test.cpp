// Particles and item boxes: draw order of the random numbers, full pools, per-frame motion,
// lifetime, visibility and the pick-up reach.
#include "items/particles.h"

#include <cmath>
#include <vector>

#include "engine/common.h"
#include "gl_fixture.h"
#include "world/mesher.h"

namespace {

// Scripted random source: hands out the queued numbers in order (0 once they run out) and
// counts every draw.
std::vector<int> script;
size_t script_pos = 0;
int draws = 0;
int scripted() {
    draws++;
    return script_pos < script.size() ? script[script_pos++] : 0;
}

int drawn_flakes = 0, drawn_boxes = 0;
float last_height = 0;
void count_flake(const Particle &) {
    drawn_flakes++;
}
void count_box(const ItemBox &, float h) {
    drawn_boxes++;
    last_height = h;
}

class Pools : public ::testing::Test {
  protected:
    void SetUp() override {
        init_particles();
        fill_block_tables();
        texes[7] = {{0.5f, 0.25f}, {0.25f, 0.5f}, {0.75f, 0.125f}};
        script.clear();
        script_pos = 0;
        draws = 0;
        drawn_flakes = drawn_boxes = 0;
        e_set_rand_source(scripted);
    }
    void TearDown() override {
        e_set_rand_source(nullptr);
        texes[7] = {};
    }
    static int active_particles() {
        int n = 0;
        for (const Particle &p : prs) n += p.active;
        return n;
    }
};

TEST_F(Pools, OneFlakeTakesTwelveDrawsInOrder) {
    // x, y, z, vx, vy, vz, angle, face, cell, u jitter, v jitter, life; values beyond each
    // modulus check the remainder is taken.
    script = {37, 10, 31, 64, 63, 32, 450, 9, 5, 31, 7, 35};
    add_particle_from_cube(2, -3, 70, 7, 1);
    EXPECT_EQ(draws, 12);
    const Particle &p = prs[0];
    ASSERT_EQ(p.active, 1);
    EXPECT_FLOAT_EQ(p.x, 2 + 5 * 0.015625f - 0.25f);
    EXPECT_FLOAT_EQ(p.y, -3 + 0.5f); // face 3 puts it on the +y face
    EXPECT_FLOAT_EQ(p.z, 70 + 31 * 0.015625f);
    EXPECT_FLOAT_EQ(p.vx, -0.5f / 50);
    EXPECT_FLOAT_EQ(p.vy, (63 * 0.015625f - 0.5f) / 50 + 0.05f);
    EXPECT_FLOAT_EQ(p.vz, 0.02f);
    EXPECT_FLOAT_EQ(p.angle, 90 / 180.0f * 3.14f);
    EXPECT_FLOAT_EQ(p.u, 0.75f + 15 / 1000.0f * 9); // cell 2: side, jitter % 16
    EXPECT_FLOAT_EQ(p.v, 0.125f + 7 / 1000.0f * 9);
    EXPECT_EQ(p.life, 25);
}

TEST_F(Pools, FacePushAndTextureCell) {
    for (int face = 0; face < 6; face++) {
        init_particles();
        int cell = face % 3;
        script = {0, 0, 0, 32, 32, 32, 0, face, cell, 19, 19, 0};
        script_pos = 0;
        add_particle_from_cube(10, 20, 30, 7, 1);
        const Particle &p = prs[0];
        const float at[3] = {p.x, p.y, p.z}, v[3] = {p.vx, p.vy, p.vz};
        const float centre[3] = {10, 20, 30}, rest[3] = {10 - 0.25f, 20 - 0.25f, 30};
        const float still[3] = {0, 0, 0.02f};
        int axis = face / 2;
        float sign = face % 2 ? 1.0f : -1.0f;
        for (int k = 0; k < 3; k++) {
            EXPECT_FLOAT_EQ(at[k], k == axis ? centre[k] + sign * 0.5f : rest[k])
                << "face " << face << " axis " << k;
            EXPECT_FLOAT_EQ(v[k], k == axis ? still[k] + sign * 0.05f : still[k])
                << "face " << face << " axis " << k;
        }
        // The top cell jitters by % 10, the other two by % 16.
        const TexCell &c = cell == 0 ? texes[7].top : cell == 1 ? texes[7].bottom : texes[7].side;
        float j = (cell == 0 ? 9 : 3) / 1000.0f * 9;
        EXPECT_FLOAT_EQ(p.u, c.u + j) << "cell " << cell;
        EXPECT_FLOAT_EQ(p.v, c.v + j) << "cell " << cell;
        EXPECT_EQ(p.life, 20);
    }
}

TEST_F(Pools, FullPoolSpawnsNothingAndABurstStopsWhenItFills) {
    for (int k = 0; k < 500; k++) prs[k].active = 1;
    add_particle_from_cube(0, 0, 0, 3, 60);
    EXPECT_EQ(active_particles(), 512);
    EXPECT_EQ(draws, 12 * 12);
    EXPECT_EQ(find_free_partcl(), -1);

    draws = 0;
    Particle before = prs[511];
    add_particle_from_cube(0, 0, 0, 3, 5);
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(prs[511].life, before.life);

    prs[300].active = 0;
    prs[7].active = 0;
    EXPECT_EQ(find_free_partcl(), 7);
}

TEST_F(Pools, NoCountNoDraws) {
    add_particle_from_cube(0, 0, 0, 3, 0);
    add_particle_from_cube(0, 0, 0, 3, -4);
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(active_particles(), 0);
    // A type beyond the texture table spawns untextured flakes instead of reading past it.
    add_particle_from_cube(0, 0, 0, 70000, 1);
    EXPECT_EQ(active_particles(), 1);
    EXPECT_EQ(draws, 12);
}

TEST_F(Pools, LifeTwentyIsDrawnTwentyOneTimes) {
    script = {0, 0, 0, 32, 32, 32, 0, 5, 0, 0, 0, 60}; // life 60 % 30 + 20 = 20
    add_particle_from_cube(0, 0, 0, 3, 1);
    ASSERT_EQ(prs[0].life, 20);
    for (int frame = 1; frame <= 20; frame++) advance_particles(count_flake, nullptr);
    EXPECT_EQ(drawn_flakes, 20);
    EXPECT_EQ(prs[0].active, 1);
    advance_particles(count_flake, nullptr);
    EXPECT_EQ(drawn_flakes, 21);
    EXPECT_EQ(prs[0].active, 0);
    advance_particles(count_flake, nullptr);
    EXPECT_EQ(drawn_flakes, 21);
    EXPECT_EQ(find_free_partcl(), 0);
}

TEST_F(Pools, FlakesFallUnderConstantGravity) {
    script = {0, 0, 0, 48, 16, 63, 0, 0, 0, 0, 0, 29};
    add_particle_from_cube(0, 0, 40, 3, 1);
    const Particle start = prs[0];
    float z = start.z, x = start.x, y = start.y;
    for (int k = 1; k <= 30; k++) {
        advance_particles(nullptr, nullptr);
        const float vz = start.vz - 0.006f * k;
        z += vz;
        x += start.vx;
        y += start.vy;
        EXPECT_NEAR(prs[0].vz, vz, 1e-5f) << k;
        EXPECT_NEAR(prs[0].z, z, 1e-4f) << k;
        EXPECT_NEAR(prs[0].x, x, 1e-4f) << k;
        EXPECT_NEAR(prs[0].y, y, 1e-4f) << k;
        if (k == 1) {
            EXPECT_NEAR(prs[0].z, start.z + start.vz - 0.006f, 1e-5f);
        }
    }
}

TEST_F(Pools, BoxPoolUsesOnlyTheLowerHalf) {
    for (int k = 0; k < 512; k++) add_box(float(k), 0, 0, 3);
    EXPECT_EQ(find_free_box(), -1);
    add_box(-1, -1, -1, 1);
    for (int k = 512; k < BOX_POOL; k++) EXPECT_EQ(bxs[k].active, 0) << k;
    EXPECT_EQ(bxs[511].x, 511.0f);

    // Picking box 40 frees its index for the next spawn.
    EXPECT_EQ(pick_box(-40, 0, 0), 3);
    EXPECT_EQ(find_free_box(), 40);
    add_box(5, 6, 7, 1);
    EXPECT_EQ(bxs[40].type, 1);
    EXPECT_EQ(bxs[40].phase, 0.0f);
}

TEST_F(Pools, PickUpReachIsUnderOneOnEveryAxis) {
    // Box at (bx, by, bz) = (-10, -20, 30): the player stands near world (10, 20, 30).
    add_box(-10, -20, 30, 3);
    EXPECT_EQ(pick_box(10.9f, 20.9f, 30.9f), 3);
    EXPECT_EQ(pick_box(10, 20, 30), -1); // gone
    const float reach[3][3] = {{11, 20, 30}, {10, 21, 30}, {10, 20, 31}};
    const float reach_neg[3][3] = {{9, 20, 30}, {10, 19, 30}, {10, 20, 29}};
    for (int axis = 0; axis < 3; axis++) {
        add_box(-10, -20, 30, 3);
        EXPECT_EQ(pick_box(reach[axis][0], reach[axis][1], reach[axis][2]), -1) << axis;
        EXPECT_EQ(pick_box(reach_neg[axis][0], reach_neg[axis][1], reach_neg[axis][2]), -1) << axis;
        EXPECT_EQ(pick_box(9.1f, 19.1f, 29.1f), 3) << axis;
    }
}

TEST_F(Pools, LowerIndexIsPickedFirst) {
    add_box(0, 0, 0, 1);
    add_box(0.2f, 0, 0, 3);
    EXPECT_EQ(pick_box(0, 0, 0), 1);
    EXPECT_EQ(bxs[0].active, 0);
    EXPECT_EQ(bxs[1].active, 1);
    EXPECT_EQ(pick_box(0, 0, 0), 3);
    EXPECT_EQ(pick_box(0, 0, 0), -1);
}

TEST_F(Pools, NonSolidBoxIsInvisibleButCollectable) {
    add_box(1, 2, 3, 0);
    add_box(4, 5, 6, 3);
    advance_particles(nullptr, count_box);
    advance_particles(nullptr, count_box);
    EXPECT_EQ(drawn_boxes, 2); // the type-3 box, twice
    EXPECT_EQ(bxs[0].phase, 0.0f);
    EXPECT_FLOAT_EQ(bxs[1].phase, 0.02f);
    EXPECT_FLOAT_EQ(last_height, 6 + 0.25f * std::sin(0.02f));
    EXPECT_EQ(pick_box(-1, -2, 3), 0);
}

// Drawn for real: a flake and a box show up where their records put them, in the frame where
// a record's (x, y, z) is GL (x, z, y).
class PoolsDrawn : public glfix::GlTest {
  protected:
    unsigned atlas = 0;
    void SetUp() override {
        glfix::GlTest::SetUp();
        init_particles();
        fill_block_tables();
        std::vector<unsigned char> px(16 * 16 * 3, 0);
        for (size_t k = 0; k < px.size(); k += 3) px[k] = 255;
        glGenTextures(1, &atlas);
        glBindTexture(GL_TEXTURE_2D, atlas);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 16, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, px.data());
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_CULL_FACE);
        glColor4f(1, 1, 1, 1);
        glfix::clear(0, 0, 0);
    }
    void TearDown() override {
        glDeleteTextures(1, &atlas);
        init_particles();
        glfix::GlTest::TearDown();
    }
    // Red pixels in the left and right halves of the window.
    static void red_halves(const glfix::Image &im, int &left, int &right) {
        left = right = 0;
        for (int y = 0; y < im.h; y++)
            for (int x = 0; x < im.w; x++) {
                glfix::Rgb p = im.at(x, y);
                if (p.r > 200 && p.g < 50) (x < im.w / 2 ? left : right)++;
            }
    }
};

TEST_F(PoolsDrawn, FlakeAndBoxAppearWhereTheirRecordsSay) {
    // Flake at GL (-0.6, 0, -3): left of the centre. Box base at GL (0.6, -0.2, -3): right.
    prs[0] = Particle{-0.6f, -3, 0.006f, 0, 0, 0.006f, 0.785f, 0, 0, 5, 1};
    add_box(0.6f, -3, -0.2f, 3);
    render_particles();
    glfix::Image im = glfix::read_framebuffer();
    glfix::save_png(im, "particles_drawn");
    int left = 0, right = 0;
    red_halves(im, left, right);
    EXPECT_GT(left, 30);   // the flake
    EXPECT_GT(right, 300); // the box is larger
    EXPECT_EQ(prs[0].life, 4);

    // A box of a type that is not solid is not drawn at all.
    init_particles();
    add_box(0.6f, -3, -0.2f, 0);
    glfix::clear(0, 0, 0);
    render_particles();
    red_halves(glfix::read_framebuffer(), left, right);
    EXPECT_EQ(left + right, 0);
}

} // namespace
