// Chunk drawing: frustum culling of chunks and faces, back-face skipping, runs of faces in
// one call, and the shifted view for chunks seen across the world's edge.
#include "render/chunk_draw.h"

#include <GL/gl.h>

#include "engine/engine.h"
#include "engine/physics.h"
#include "render/frustum_calc.h"
#include "world/chunks.h"
#include "world/streamer.h"

int draw_per_face = 0;
ChunkDrawStats chunk_draw_stats;

namespace {

constexpr float CHUNK_TEST_HALF = 34.0f; // two more than half a chunk
constexpr float FACE_TEST_HALF = 1.0f;
// Every vertex of a chunk's mesh lies within this distance of its centre on each axis.
constexpr float FACE_BOX_HALF = 32.0f;
// A plane value this far inside cannot turn non-positive through float rounding in the
// per-face test, whose terms stay below a few thousand.
constexpr float SURE_INSIDE = 0.01f;

// Eye position in the coordinates the modelview receives: the inverse of its affine part
// applied to the origin.
void eye_from_modelview(float eye[3]) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    // M = [A | t] column-major: A(i,j) = m[4j + i], t = m[12..14]; eye = -A^-1 t.
    const double a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6],
                 k = m[10];
    const double co00 = e * k - f * h, co01 = -(d * k - f * g), co02 = d * h - e * g;
    const double det = a * co00 + b * co01 + c * co02;
    if (det == 0) {
        eye[0] = eye[1] = eye[2] = 0;
        return;
    }
    const double inv[9] = {co00 / det, -(b * k - c * h) / det, (b * f - c * e) / det,
                           co01 / det, (a * k - c * g) / det,  -(a * f - c * d) / det,
                           co02 / det, -(a * h - b * g) / det, (a * e - b * d) / det};
    for (int i = 0; i < 3; i++)
        eye[i] = static_cast<float>(
            -(inv[3 * i] * m[12] + inv[3 * i + 1] * m[13] + inv[3 * i + 2] * m[14]));
}

// 1 when every face test cube of the chunk centred at (x, y, z) is surely inside all planes.
bool chunk_wholly_inside(float x, float y, float z) {
    for (const float *p : m_Frustum) {
        const float lowest =
            p[0] * x + p[1] * y + p[2] * z + p[3] -
            (FACE_BOX_HALF + FACE_TEST_HALF) *
                ((p[0] < 0 ? -p[0] : p[0]) + (p[1] < 0 ? -p[1] : p[1]) + (p[2] < 0 ? -p[2] : p[2]));
        if (!(lowest > SURE_INSIDE)) return false;
    }
    return true;
}

void draw_faces_per_face(const Chunk &ch) {
    for (int f = 0; f < ch.polygons; f++) {
        const float *v = ch.verts + 12 * f;
        if (!CubeInFrustum(v[0], v[1], v[2], FACE_TEST_HALF)) continue;
        glDrawArrays(GL_QUADS, 4 * f, 4);
        chunk_draw_stats.faces++;
        chunk_draw_stats.draw_calls++;
    }
}

void draw_faces_in_runs(const Chunk &ch, const float eye[3], bool inside) {
    int run = -1; // first face of the open run
    for (int f = 0; f < ch.polygons; f++) {
        const float *v = ch.verts + 12 * f;
        const bool drawn = chunk_face_toward(ch.verts, ch.norms, f, eye) &&
                           (inside || CubeInFrustum(v[0], v[1], v[2], FACE_TEST_HALF));
        if (drawn) {
            if (run < 0) run = f;
            continue;
        }
        if (run >= 0) {
            glDrawArrays(GL_QUADS, 4 * run, 4 * (f - run));
            chunk_draw_stats.faces += f - run;
            chunk_draw_stats.draw_calls++;
            run = -1;
        }
    }
    if (run >= 0) {
        glDrawArrays(GL_QUADS, 4 * run, 4 * (ch.polygons - run));
        chunk_draw_stats.faces += ch.polygons - run;
        chunk_draw_stats.draw_calls++;
    }
}

void draw_chunk(const Chunk &ch, int wx, int wy, int level, const float eye[3]) {
    const float x = static_cast<float>(32 - CHUNK_EDGE * wx);
    const float y = static_cast<float>(CHUNK_EDGE * level + 32);
    const float z = static_cast<float>(32 - CHUNK_EDGE * wy);
    if (!CubeInFrustum(x, y, z, CHUNK_TEST_HALF)) return;
    chunk_draw_stats.chunks++;
    glVertexPointer(3, GL_FLOAT, 12, ch.verts);
    glTexCoordPointer(2, GL_FLOAT, 8, ch.texs);
    glNormalPointer(GL_FLOAT, 12, ch.norms);
    if (draw_per_face) {
        draw_faces_per_face(ch);
        return;
    }
    // The block centres span 0..63 from the chunk's corner, so the box centre is at 31.5.
    draw_faces_in_runs(ch, eye, chunk_wholly_inside(x - 0.5f, y - 0.5f, z - 0.5f));
}

void visit_cell(const StreamCell &c, void *ctx) {
    if (c.slot < 0) return;
    const Chunk &ch = cubes[c.slot];
    if (!ch.verts || !ch.texs || !ch.norms) return;
    const float *eye = static_cast<const float *>(ctx);
    if (c.shift_x == 0 && c.shift_y == 0) {
        draw_chunk(ch, c.wx, c.wy, c.level, eye);
        return;
    }
    // Seen across the world's edge: the chunk at the wrapped position, drawn one world
    // width further on.
    glPushMatrix();
    glLoadIdentity();
    glRotatef(camera_rot_x, 1, 0, 0);
    glRotatef(camera_rot_y, 0, 1, 0);
    glTranslatef(static_cast<float>(camera_x + c.shift_x), static_cast<float>(-camera_z),
                 static_cast<float>(camera_y + c.shift_y));
    CalculateFrustum();
    float shifted_eye[3];
    eye_from_modelview(shifted_eye);
    draw_chunk(ch, c.wx, c.wy, c.level, shifted_eye);
    glPopMatrix();
    CalculateFrustum();
}

} // namespace

int chunk_face_toward(const float *verts, const float *norms, int f, const float eye[3]) {
    // The mesh's normals keep the world's axis order (z up) while the drawing frame has y
    // up: a normal (nx, ny, nz) points along (nx, nz, ny) here.
    const float *v = verts + 12 * f, *n = norms + 12 * f;
    return (eye[0] - v[0]) * n[0] + (eye[1] - v[1]) * n[2] + (eye[2] - v[2]) * n[1] > 0;
}

void draw_buffs() {
    chunk_draw_stats = ChunkDrawStats{};
    glBindTexture(GL_TEXTURE_2D, g_textures);
    CalculateFrustum();
    float eye[3];
    eye_from_modelview(eye);
    stream_locate();
    stream_walk(visit_cell, eye);
    re_save();
}
