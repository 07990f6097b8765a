// Drawing the streamed chunks: the walk of the streamer with the chunks culled against the
// view frustum and drawn from their vertex arrays, across the world's edge too.
#pragma once

#include "world/mesher.h"

// Which way chunks are drawn; all draw the same picture, the first two are kept so the
// comparison can be rerun. DRAW_PER_FACE: every face that passes the frustum test is its own
// glDrawArrays call (the reference). DRAW_RUNS: faces GL would cull as back faces are
// skipped and consecutive drawn faces go to GL in one call. DRAW_MERGED (default): the
// chunks' merged drawing meshes, one texture per atlas cell, culled quad by quad; with
// linear fog on, chunks wholly at or beyond the fog end are drawn as untextured, unlit
// silhouettes (they come out in the fog colour either way).
enum ChunkDrawPath { DRAW_MERGED = 0, DRAW_PER_FACE = 1, DRAW_RUNS = 2 };

// How chunks are built and drawn. The game uses the defaults; the flight driver, the
// benchmarks and the tests pick others to compare and measure.
struct DrawOptions {
    int path = DRAW_MERGED;
    int silhouettes = 1; // 0 turns the silhouettes of the merged path off (to measure them)
    MergeOptions merge;
};

// GL calls and faces of the last draw_buffs, for the benchmark and the tests. Per frame.
struct ChunkDrawStats {
    int chunks;      // chunks that passed the chunk test
    int faces;       // faces drawn
    int draw_calls;  // glDrawArrays calls
    int silhouettes; // chunks drawn as silhouettes
};
extern ChunkDrawStats chunk_draw_stats;

// What the chunk drawing is told of the view the frame set up: the camera (world units, z up;
// pitch and yaw in degrees, as the frame rotated by them) and the linear fog (on or off, and
// its end as the frame set it).
struct ChunkView {
    double camera_x, camera_y, camera_z;
    float rot_x, rot_y;
    int fog;
    float fog_end;
};

// With the camera's view in the modelview (lighting and back-face culling on, the vertex,
// normal and texture-coordinate arrays enabled): binds the atlas and draws the chunks in
// memory within the streaming range that are in the frustum. Leaves the modelview and the
// matrix stack as it found them. Brings nothing in and releases nothing (stream_update and
// re_save do, before and after).
void draw_buffs(const ChunkView &view, const DrawOptions &opt = DrawOptions{});

// Smallest eye-plane distance (-z in eye space) of any point of the box centre c, half sides
// h under a modelview m (column-major): the distance linear fog measures on this GL, and
// never more than the radial distance, so a box whose value reaches the fog end lies wholly
// in full fog under either measure.
float chunk_box_fog_depth(const float m[16], const float c[3], const float h[3]);

// 1 when the box centre c, half sides h is not wholly behind one plane of m_Frustum.
int chunk_box_in_frustum(const float c[3], const float h[3]);

// 1 when the outward side of face f of a mesh looks toward eye (drawing coordinates), so
// that a GL with back-face culling would draw it.
int chunk_face_toward(const float *verts, const float *norms, int f, const float eye[3]);
