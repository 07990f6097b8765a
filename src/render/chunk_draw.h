// Drawing the streamed chunks: the walk of the streamer with the chunks culled against the
// view frustum and drawn from their vertex arrays, across the world's edge too.
#pragma once

// 1: every face that passes the frustum test is sent as its own glDrawArrays call (the
// reference the benchmark compares with); 0 (default): faces that GL would cull as back
// faces are skipped and consecutive drawn faces go to GL in one call. Both draw the same
// picture.
extern int draw_per_face;

// GL calls and faces of the last draw_buffs, for the benchmark and the tests. Per frame.
struct ChunkDrawStats {
    int chunks;     // chunks that passed the chunk test
    int faces;      // faces drawn
    int draw_calls; // glDrawArrays calls
};
extern ChunkDrawStats chunk_draw_stats;

// With the camera's view in the modelview (lighting and back-face culling on, the vertex,
// normal and texture-coordinate arrays enabled): binds the atlas, brings in at most one
// missing chunk, draws the chunks in the frustum and releases those out of range. Leaves
// the modelview and the matrix stack as it found them.
void draw_buffs();

// 1 when the outward side of face f of a mesh looks toward eye (drawing coordinates), so
// that a GL with back-face culling would draw it.
int chunk_face_toward(const float *verts, const float *norms, int f, const float eye[3]);
