// Frustum planes and visibility tests: exact planes for known matrices, strict edges, the
// conservative corner case, and recomputation after the modelview moves.
#include "gl_fixture.h"

#include "render/frustum_calc.h"

#include <cmath>

namespace {

// Runs first in this executable: nothing has computed the planes yet.
TEST(FrustumBeforeCalculation, EveryTestAnswersOutside) {
    EXPECT_EQ(PointInFrustum(0, 0, 0), 0);
    EXPECT_EQ(CubeInFrustum(0, 0, 0, 1000), 0);
}

const float IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(FrustumMaths, IdentityMatricesGiveTheUnitCubeInTableOrder) {
    float planes[6][4];
    frustum_from_matrices(IDENTITY, IDENTITY, planes);
    // right, left, bottom, top, far, near: normals point inwards.
    const float want[6][4] = {{-1, 0, 0, 1}, {1, 0, 0, 1},  {0, 1, 0, 1},
                              {0, -1, 0, 1}, {0, 0, -1, 1}, {0, 0, 1, 1}};
    for (int p = 0; p < 6; p++)
        for (int c = 0; c < 4; c++) EXPECT_FLOAT_EQ(planes[p][c], want[p][c]) << p << "," << c;

    EXPECT_EQ(frustum_point_in(planes, 0, 0, 0), 1);
    EXPECT_EQ(frustum_point_in(planes, 0.99f, 0, 0), 1);
    for (float v : {1.0f, -1.0f}) { // exactly on a plane is outside
        EXPECT_EQ(frustum_point_in(planes, v, 0, 0), 0);
        EXPECT_EQ(frustum_point_in(planes, 0, v, 0), 0);
        EXPECT_EQ(frustum_point_in(planes, 0, 0, v), 0);
    }
    // A cube whose innermost corner touches a plane is outside too.
    EXPECT_EQ(frustum_cube_in(planes, 1.5f, 0, 0, 0.5f), 0);
    EXPECT_EQ(frustum_cube_in(planes, 1.5f, 0, 0, 0.5001f), 1);
    EXPECT_EQ(frustum_cube_in(planes, 0, -3, 0, 1.9f), 0);
}

TEST(FrustumMaths, CubeTestIsConservativeNearCornersAndSymmetricInSize) {
    float planes[6][4];
    frustum_from_matrices(IDENTITY, IDENTITY, planes);
    // Wholly outside the box |x|,|y| < 1 yet beyond no single plane: reported visible.
    EXPECT_EQ(frustum_cube_in(planes, 1.9f, 1.9f, 0, 1.0f), 1);
    EXPECT_EQ(frustum_point_in(planes, 1.9f, 1.9f, 0), 0);
    // A size-0 cube is a point; a negative size spans the same corners.
    const float pts[][3] = {{0, 0, 0}, {0.99f, 0, 0}, {1, 0, 0}, {0.5f, -1.2f, 0.1f}};
    for (const auto &p : pts) {
        EXPECT_EQ(frustum_cube_in(planes, p[0], p[1], p[2], 0),
                  frustum_point_in(planes, p[0], p[1], p[2]));
        for (float s : {0.05f, 0.3f, 2.0f})
            EXPECT_EQ(frustum_cube_in(planes, p[0], p[1], p[2], -s),
                      frustum_cube_in(planes, p[0], p[1], p[2], s));
    }
}

TEST(FrustumMaths, NormalizePlaneDividesAllFourByTheNormalLength) {
    float planes[6][4] = {};
    planes[3][0] = 3;
    planes[3][1] = 0;
    planes[3][2] = 4;
    planes[3][3] = 10;
    NormalizePlane(planes, 3);
    EXPECT_FLOAT_EQ(planes[3][0], 0.6f);
    EXPECT_FLOAT_EQ(planes[3][2], 0.8f);
    EXPECT_FLOAT_EQ(planes[3][3], 2.0f);
    EXPECT_EQ(planes[2][0], 0.0f);
}

class FrustumGl : public glfix::GlTest {};

TEST_F(FrustumGl, GamePerspectiveLooksDownMinusZ) {
    CalculateFrustum(); // the fixture left the game's perspective and an identity modelview
    for (const auto &p : m_Frustum)
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), 1.0f, 1e-5f);
    EXPECT_EQ(PointInFrustum(0, 0, -10), 1);
    EXPECT_EQ(PointInFrustum(0, 0, 10), 0);      // behind the viewer
    EXPECT_EQ(PointInFrustum(0, 0, -0.005f), 0); // before the near plane at 0.01
    // The far plane comes out of a float difference of nearly equal values: near 1000, not
    // exactly at it.
    EXPECT_EQ(PointInFrustum(0, 0, -980), 1);
    EXPECT_EQ(PointInFrustum(0, 0, -1020), 0);
    // 45 degrees vertically: at distance 10 the top edge is at 10 * tan(22.5) = 4.14.
    EXPECT_EQ(PointInFrustum(0, 4.1f, -10), 1);
    EXPECT_EQ(PointInFrustum(0, 4.2f, -10), 0);
    EXPECT_EQ(PointInFrustum(5.4f, 0, -10), 1); // aspect 4/3 widens it to 5.52
    EXPECT_EQ(PointInFrustum(5.6f, 0, -10), 0);
    // A chunk-sized cube just behind the viewer still reaches into the view.
    EXPECT_EQ(CubeInFrustum(0, 0, 30, 34), 1);
    EXPECT_EQ(CubeInFrustum(0, 0, 40, 34), 0);
}

TEST_F(FrustumGl, TranslatedModelviewNeedsRecomputation) {
    CalculateFrustum();
    EXPECT_EQ(PointInFrustum(0, 0, -10), 1);
    glTranslatef(0, 0, -20);                // object z = 10 now lies 10 units in front
    EXPECT_EQ(PointInFrustum(0, 0, 10), 0); // stale planes answer for the old frame
    CalculateFrustum();
    EXPECT_EQ(PointInFrustum(0, 0, 10), 1);
    EXPECT_EQ(PointInFrustum(0, 0, 25), 0);
    EXPECT_EQ(CubeInFrustum(0, 0, 25, 4), 0);
    EXPECT_EQ(CubeInFrustum(0, 0, 25, 16), 1);
    glLoadIdentity();
    CalculateFrustum();
    EXPECT_EQ(PointInFrustum(0, 0, 10), 0);

    // The GL's own product agrees with the pure calculation.
    float proj[16], modl[16], planes[6][4];
    glRotatef(30, 0, 1, 0);
    glTranslatef(3, -2, 7);
    CalculateFrustum();
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, modl);
    frustum_from_matrices(proj, modl, planes);
    for (int p = 0; p < 6; p++)
        for (int c = 0; c < 4; c++) EXPECT_EQ(planes[p][c], m_Frustum[p][c]);
}

} // namespace
