// View-frustum culling: six planes from the GL's projection and modelview, and point and
// cube tests against them.
#pragma once

constexpr int FRUSTUM_PLANES = 6;
// Plane order in m_Frustum.
enum FrustumSide {
    FRUSTUM_RIGHT,
    FRUSTUM_LEFT,
    FRUSTUM_BOTTOM,
    FRUSTUM_TOP,
    FRUSTUM_FAR,
    FRUSTUM_NEAR
};

// (a, b, c, d) per plane, a*x + b*y + c*z + d > 0 on the inner side, in the coordinates the
// modelview received when CalculateFrustum last ran; all zero before the first call.
extern float m_Frustum[FRUSTUM_PLANES][4];

// Reads both GL matrices and refills m_Frustum. Run again after every modelview change.
void CalculateFrustum();

// Divides plane side of frustum by the length of its (a, b, c).
void NormalizePlane(float frustum[FRUSTUM_PLANES][4], int side);

// 1 when (x, y, z) is strictly inside every plane of m_Frustum, else 0.
int PointInFrustum(float x, float y, float z);

// 0 when every corner of the cube (x +- size, y +- size, z +- size) lies on or behind one
// plane of m_Frustum, else 1 (possibly visible).
int CubeInFrustum(float x, float y, float z, float size);

// The pure halves of the above, for a given projection and modelview (column-major) and a
// given plane table.
void frustum_from_matrices(const float proj[16], const float modl[16],
                           float planes[FRUSTUM_PLANES][4]);
int frustum_point_in(const float planes[FRUSTUM_PLANES][4], float x, float y, float z);
int frustum_cube_in(const float planes[FRUSTUM_PLANES][4], float x, float y, float z, float size);
