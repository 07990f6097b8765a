// Frustum planes: exact planes for known matrices, strict edges, the conservative corner case,
// and recomputation after the modelview moves.
#include "gl_fixture.h"

#include "render/frustum_calc.h"

#include <cmath>

// Each case is x, y, z, cube size (0: the point test) and the answer; planes null asks the
// GL-facing functions.
template <size_t N>
void expect_answers(const float (&cases)[N][5], const float (*pl)[4] = nullptr) {
    for (const float *c : cases) {
        int in =
            !c[3] ? (pl ? frustum_point_in(pl, c[0], c[1], c[2]) : PointInFrustum(c[0], c[1], c[2]))
            : pl  ? frustum_cube_in(pl, c[0], c[1], c[2], c[3])
                  : CubeInFrustum(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(in, c[4]) << c[0] << ", " << c[1] << ", " << c[2] << " size " << c[3];
    }
}

TEST(FrustumMaths, IdentityMatricesGiveTheUnitCubeWithStrictEdges) {
    const float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float planes[6][4];
    frustum_from_matrices(id, id, planes);
    // right, left, bottom, top, far, near: normals point inwards.
    const float want[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                              {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int p = 0; p < 6; p++)
        for (int c = 0; c < 4; c++) EXPECT_FLOAT_EQ(planes[p][c], want[p][c]) << p << "," << c;
    // On a plane is outside, for points and a cube's innermost corner; a cube beyond no single
    // plane near a corner is kept although wholly outside.
    const float cases[][5] = {{0, 0, 0, 0, 1},          {0.99f, 0, 0, 0, 1},  {1, 0, 0, 0, 0},
                              {-1, 0, 0, 0, 0},         {0, 1, 0, 0, 0},      {0, -1, 0, 0, 0},
                              {0, 0, 1, 0, 0},          {0, 0, -1, 0, 0},     {1.5f, 0, 0, 0.5f, 0},
                              {1.5f, 0, 0, 0.5001f, 1}, {1.9f, 1.9f, 0, 1, 1}};
    expect_answers(cases, planes);
    float p[6][4] = {{}, {}, {}, {3, 0, 4, 10}};
    NormalizePlane(p, 3);
    EXPECT_FLOAT_EQ(p[3][2], 0.8f);
    EXPECT_FLOAT_EQ(p[3][3], 2.0f);
}

class FrustumGl : public glfix::GlTest {};

TEST_F(FrustumGl, GamePerspectiveAndAMovedModelviewAfterRecomputation) {
    const float none[][5] = {{0, 0, 0, 0, 0}, {0, 0, 0, 1000, 0}};
    expect_answers(none); // nothing computed yet
    CalculateFrustum();   // the game's perspective, identity modelview
    for (const auto &p : m_Frustum) EXPECT_NEAR(std::hypot(p[0], p[1], p[2]), 1.0f, 1e-5f);
    // Near 0.01; far about 1000 (a float difference); at distance 10 the top edge is at 4.14
    // (45 degrees), the side at 5.52 (aspect 4/3). A chunk just behind the viewer still shows.
    const float view[][5] = {{0, 0, -10, 0, 1},    {0, 0, 10, 0, 0},     {0, 0, -0.005f, 0, 0},
                             {0, 0, -980, 0, 1},   {0, 0, -1020, 0, 0},  {0, 4.1f, -10, 0, 1},
                             {0, 4.2f, -10, 0, 0}, {5.4f, 0, -10, 0, 1}, {5.6f, 0, -10, 0, 0},
                             {0, 0, 30, 34, 1},    {0, 0, 40, 34, 0}};
    expect_answers(view);
    glTranslatef(0, 0, -20); // object z = 10 now lies 10 units in front
    const float stale[][5] = {{0, 0, 10, 0, 0}},
                moved[][5] = {
                    {0, 0, 10, 0, 1}, {0, 0, 25, 0, 0}, {0, 0, 25, 4, 0}, {0, 0, 25, 16, 1}};
    expect_answers(stale); // until recomputed, the planes answer for the old frame
    CalculateFrustum();
    expect_answers(moved);
}
