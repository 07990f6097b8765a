// Frustum planes: exact planes, strict edges, the conservative corner case, recomputation.
#include "gl_fixture.h"

#include "draw/frustum_calc.h"

#include <cmath>

// Each case is x, y, z, cube size (0: the point test) and the answer.
template <size_t N> void expect_answers(const float (&cases)[N][5]) {
    for (const float *c : cases)
        EXPECT_EQ(c[3] ? CubeInFrustum(c[0], c[1], c[2], c[3]) : PointInFrustum(c[0], c[1], c[2]),
                  c[4])
            << c[0] << ", " << c[1] << ", " << c[2] << " size " << c[3];
}

class FrustumGl : public glfix::GlTest {};

TEST_F(FrustumGl, IdentityAndGamePerspectiveAndAMovedModelviewAfterRecomputation) {
    EXPECT_EQ(PointInFrustum(0, 0, 0) + CubeInFrustum(0, 0, 0, 1000), 0); // nothing computed yet
    const float id[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    frustum_from_matrices(id, id, m_Frustum);
    const float want[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},  // right, left, bottom,
                              {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}}; // top, far, near
    for (int p = 0; p < 6; p++)
        for (int c = 0; c < 4; c++) EXPECT_FLOAT_EQ(m_Frustum[p][c], want[p][c]) << p << "," << c;
    // On a plane is outside, for points and a cube's innermost corner; a cube near a corner,
    // beyond no single plane, is kept although wholly outside.
    const float unit[][5] = {{0, 0, 0, 0, 1},          {0.99f, 0, 0, 0, 1},  {1, 0, 0, 0, 0},
                             {-1, 0, 0, 0, 0},         {0, 1, 0, 0, 0},      {0, -1, 0, 0, 0},
                             {0, 0, 1, 0, 0},          {0, 0, -1, 0, 0},     {1.5f, 0, 0, 0.5f, 0},
                             {1.5f, 0, 0, 0.5001f, 1}, {1.9f, 1.9f, 0, 1, 1}};
    expect_answers(unit);
    CalculateFrustum(); // the fixture's game perspective, identity modelview
    for (const auto &p : m_Frustum) EXPECT_NEAR(std::hypot(p[0], p[1], p[2]), 1.0f, 1e-5f);
    // Near 0.01; far about 1000 (a float difference); at distance 10 the top edge is at 4.14
    // (45 degrees), the side at 5.52 (aspect 4/3). A chunk just behind the viewer still shows.
    const float view[][5] = {{0, 0, -10, 0, 1},    {0, 0, 10, 0, 0},     {0, 0, -0.005f, 0, 0},
                             {0, 0, -980, 0, 1},   {0, 0, -1020, 0, 0},  {0, 4.1f, -10, 0, 1},
                             {0, 4.2f, -10, 0, 0}, {5.4f, 0, -10, 0, 1}, {5.6f, 0, -10, 0, 0},
                             {0, 0, 30, 34, 1},    {0, 0, 40, 34, 0}};
    expect_answers(view);
    glTranslatef(0, 0, -20); // object z = 10 now lies 10 units in front
    CalculateFrustum();
    const float moved[][5] = {
        {0, 0, 10, 0, 1}, {0, 0, 25, 0, 0}, {0, 0, 25, 4, 0}, {0, 0, 25, 16, 1}};
    expect_answers(moved);
}
