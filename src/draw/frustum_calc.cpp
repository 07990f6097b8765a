// Frustum planes from the clip matrix and the conservative visibility tests the chunk pass
// culls with.
#include "draw/frustum_calc.h"

#include <GL/gl.h>

#include <cmath>

float m_Frustum[FRUSTUM_PLANES][4];

void NormalizePlane(float frustum[FRUSTUM_PLANES][4], int side) {
    float *p = frustum[side];
    float m = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    p[0] /= m;
    p[1] /= m;
    p[2] /= m;
    p[3] /= m;
}

void frustum_from_matrices(const float proj[16], const float modl[16],
                           float planes[FRUSTUM_PLANES][4]) {
    float clip[16];
    for (int j = 0; j < 4; j++)
        for (int i = 0; i < 4; i++)
            clip[4 * j + i] = modl[4 * j + 0] * proj[i] + modl[4 * j + 1] * proj[4 + i] +
                              modl[4 * j + 2] * proj[8 + i] + modl[4 * j + 3] * proj[12 + i];
    // Row k of the clip matrix, and the sign it is combined with row 3 for each plane.
    static const int row[FRUSTUM_PLANES] = {0, 0, 1, 1, 2, 2};
    static const float sign[FRUSTUM_PLANES] = {-1, 1, 1, -1, -1, 1};
    for (int p = 0; p < FRUSTUM_PLANES; p++) {
        for (int c = 0; c < 4; c++) {
            float r3 = clip[4 * c + 3], rk = clip[4 * c + row[p]];
            planes[p][c] = sign[p] > 0 ? r3 + rk : r3 - rk;
        }
        NormalizePlane(planes, p);
    }
}

int frustum_point_in(const float planes[FRUSTUM_PLANES][4], float x, float y, float z) {
    for (int p = 0; p < FRUSTUM_PLANES; p++) {
        const float *f = planes[p];
        if (f[0] * x + f[1] * y + f[2] * z + f[3] <= 0) return 0;
    }
    return 1;
}

int frustum_cube_in(const float planes[FRUSTUM_PLANES][4], float x, float y, float z, float size) {
    const float xs[2] = {x - size, x + size}, ys[2] = {y - size, y + size},
                zs[2] = {z - size, z + size};
    for (int p = 0; p < FRUSTUM_PLANES; p++) {
        const float *f = planes[p];
        int passed = 0;
        for (int k = 0; k < 8 && !passed; k++)
            passed = f[0] * xs[k & 1] + f[1] * ys[(k >> 1) & 1] + f[2] * zs[k >> 2] + f[3] > 0;
        if (!passed) return 0;
    }
    return 1;
}

void CalculateFrustum() {
    float proj[16], modl[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, modl);
    frustum_from_matrices(proj, modl, m_Frustum);
}

int PointInFrustum(float x, float y, float z) {
    return frustum_point_in(m_Frustum, x, y, z);
}

int CubeInFrustum(float x, float y, float z, float size) {
    return frustum_cube_in(m_Frustum, x, y, z, size);
}
