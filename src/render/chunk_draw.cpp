// Chunk drawing: frustum culling of chunks, quads and faces, back-face skipping, the merged
// meshes with their per-cell textures, silhouettes for chunks in full fog, runs of faces in
// one call, and the shifted view for chunks seen across the world's edge.
#include "render/chunk_draw.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "draw/frustum_calc.h"
#include "draw/textures.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/streamer.h"

ChunkDrawStats chunk_draw_stats;

namespace {

constexpr float CHUNK_TEST_HALF = 34.0f; // two more than half a chunk
constexpr float FACE_TEST_HALF = 1.0f;
// Every vertex of a chunk's mesh lies within this distance of its centre on each axis.
constexpr float FACE_BOX_HALF = 32.0f;
// Margins that keep the culling of merged quads and the full-fog test on the safe side of
// float rounding: a quad is dropped only when clearly outside, a chunk goes silhouette only
// when clearly beyond the fog end.
constexpr float BOX_SLACK = 0.01f;
constexpr float FOG_SLACK = 0.05f;
// A plane value this far inside cannot turn non-positive through float rounding in the
// per-face test, whose terms stay below a few thousand.
constexpr float SURE_INSIDE = 0.01f;

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

// Repeating textures, one per atlas cell, cut from the atlas with its nearest filtering so
// that a quad over many blocks shows each block's texels as the single faces would.
struct CellTextures {
    unsigned atlas;   // atlas they were cut from; 0: none
    GLuint name[256]; // by cell index
} cell_tex;

bool cut_cell_textures() {
    if (cell_tex.atlas == textures.g_textures && textures.g_textures) return true;
    if (!textures.g_textures) return false;
    glBindTexture(GL_TEXTURE_2D, textures.g_textures);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    if (w < 16 || h < 16 || w % 16 || h % 16) return false;
    const size_t cw = size_t(w) / 16, ch = size_t(h) / 16;
    std::vector<unsigned char> atlas(size_t(w) * size_t(h) * 4), cell(cw * ch * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, atlas.data());
    if (cell_tex.atlas) glDeleteTextures(256, cell_tex.name);
    glGenTextures(256, cell_tex.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    for (size_t k = 0; k < 256; k++) {
        const size_t i = k % 16, j = k / 16;
        for (size_t y = 0; y < ch; y++)
            for (size_t x = 0; x < cw * 4; x++)
                cell[y * cw * 4 + x] = atlas[((j * ch + y) * size_t(w) + i * cw) * 4 + x];
        glBindTexture(GL_TEXTURE_2D, cell_tex.name[k]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(cw), GLsizei(ch), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, cell.data());
    }
    glPopClientAttrib();
    cell_tex.atlas = textures.g_textures;
    return true;
}

// The view of one drawing: eye position and modelview, in drawing coordinates.
struct View {
    float eye[3];
    float modelview[16];
};

// The view the frame loads for the camera (its rotations about x then y, then its position
// moved by a wrap shift), worked out from what the frame was told rather than read back from
// GL. The eye is where the translation puts the origin: minus the translation itself.
View view_for(const ChunkView &v, int shift_x, int shift_y) {
    const float t[3] = {static_cast<float>(v.camera_x + shift_x), static_cast<float>(-v.camera_z),
                        static_cast<float>(v.camera_y + shift_y)};
    const double deg = std::acos(-1.0) / 180;
    const double sa = std::sin(v.rot_x * deg), ca = std::cos(v.rot_x * deg);
    const double sb = std::sin(v.rot_y * deg), cb = std::cos(v.rot_y * deg);
    const double r[3][3] = {{cb, 0, sb}, {sa * sb, ca, -sa * cb}, {-ca * sb, sa, ca * cb}};
    View out{};
    for (int i = 0; i < 3; i++) {
        double moved = 0;
        for (int j = 0; j < 3; j++) {
            out.modelview[4 * j + i] = static_cast<float>(r[i][j]);
            moved += r[i][j] * t[j];
        }
        out.modelview[12 + i] = static_cast<float>(moved);
        out.eye[i] = -t[i];
    }
    out.modelview[15] = 1;
    return out;
}

struct FrameDraw {
    ChunkView given; // what the frame was told
    DrawOptions opt;
    View view;
    bool merged;     // cell textures ready: merged meshes may be drawn
    float fog_limit; // eye-plane distance from which every fragment is the fog colour; < 0: none
    struct Far {
        int slot, shift_x, shift_y;
    };
    std::vector<Far> far; // chunks to draw as silhouettes once the walk is over
} frame;

// Runs of consecutive quads of group g that pass the back-face and frustum tests.
void draw_merged_group(const MergedMesh &mm, const MergedGroup &g, const float eye[3],
                       bool inside) {
    bool bound = g.cell == MERGE_NO_CELL;
    int run = -1;
    const int end = g.first + g.count;
    for (int q = g.first; q <= end; q++) {
        const float *box = mm.boxes + 6 * q;
        const bool drawn = q < end && chunk_face_toward(mm.verts, mm.norms, q, eye) &&
                           (inside || chunk_box_in_frustum(box, box + 3));
        if (drawn) {
            if (run < 0) run = q;
            continue;
        }
        if (run < 0) continue;
        if (!bound) {
            glBindTexture(GL_TEXTURE_2D, cell_tex.name[g.cell]);
            bound = true;
        }
        glDrawArrays(GL_QUADS, 4 * run, 4 * (q - run));
        chunk_draw_stats.faces += q - run;
        chunk_draw_stats.draw_calls++;
        run = -1;
    }
}

void draw_merged(const MergedMesh &mm, const float eye[3], bool inside) {
    glVertexPointer(3, GL_FLOAT, 12, mm.verts);
    if (mm.texs) glTexCoordPointer(2, GL_FLOAT, 8, mm.texs);
    glNormalPointer(GL_FLOAT, 12, mm.norms);
    for (int g = 0; g < mm.groups; g++) draw_merged_group(mm, mm.group[g], eye, inside);
}

// The chunk's merged mesh when it reflects the chunk's current mesh arrays.
const MergedMesh *current_merged(const Chunk &ch, int wx, int wy, int level) {
    const MergedMesh &mm = ch.merged;
    if (!mm.version || mm.cx != wx || mm.cy != wy || mm.level != level || mm.faces != ch.polygons)
        return nullptr;
    return &mm;
}

void draw_chunk(const Chunk &ch, const StreamCell &c, const View &view) {
    const float x = static_cast<float>(32 - CHUNK_EDGE * c.wx);
    const float y = static_cast<float>(CHUNK_EDGE * c.level + 32);
    const float z = static_cast<float>(32 - CHUNK_EDGE * c.wy);
    if (!CubeInFrustum(x, y, z, CHUNK_TEST_HALF)) return;
    chunk_draw_stats.chunks++;
    // The block centres span 0..63 from the chunk's corner, so the box centre is at 31.5.
    const float centre[3] = {x - 0.5f, y - 0.5f, z - 0.5f};
    const bool inside = chunk_wholly_inside(centre[0], centre[1], centre[2]);
    const MergedMesh *mm = frame.opt.path == DRAW_MERGED && frame.merged
                               ? current_merged(ch, c.wx, c.wy, c.level)
                               : nullptr;
    if (mm) {
        const float half[3] = {FACE_BOX_HALF, FACE_BOX_HALF, FACE_BOX_HALF};
        if (frame.fog_limit >= 0 &&
            chunk_box_fog_depth(view.modelview, centre, half) >= frame.fog_limit) {
            frame.far.push_back({c.slot, c.shift_x, c.shift_y});
            return;
        }
        draw_merged(*mm, view.eye, inside);
        return;
    }
    glBindTexture(GL_TEXTURE_2D, textures.g_textures);
    glVertexPointer(3, GL_FLOAT, 12, ch.verts);
    glTexCoordPointer(2, GL_FLOAT, 8, ch.texs);
    glNormalPointer(GL_FLOAT, 12, ch.norms);
    if (frame.opt.path == DRAW_PER_FACE) {
        draw_faces_per_face(ch);
        return;
    }
    draw_faces_in_runs(ch, view.eye, inside);
}

// The modelview for a chunk seen across the world's edge: the chunk at the wrapped position,
// drawn one world width further on.
void load_shifted_view(int shift_x, int shift_y) {
    const ChunkView &v = frame.given;
    glLoadIdentity();
    glRotatef(v.rot_x, 1, 0, 0);
    glRotatef(v.rot_y, 0, 1, 0);
    glTranslatef(static_cast<float>(v.camera_x + shift_x), static_cast<float>(-v.camera_z),
                 static_cast<float>(v.camera_y + shift_y));
    CalculateFrustum();
}

void visit_cell(const StreamCell &c, void *) {
    if (c.slot < 0) return;
    const Chunk &ch = cubes[c.slot];
    if (!ch.verts || !ch.texs || !ch.norms) return;
    if (c.shift_x == 0 && c.shift_y == 0) {
        draw_chunk(ch, c, frame.view);
        return;
    }
    glPushMatrix();
    load_shifted_view(c.shift_x, c.shift_y);
    draw_chunk(ch, c, view_for(frame.given, c.shift_x, c.shift_y));
    glPopMatrix();
    CalculateFrustum();
}

// Chunks wholly in full fog: every fragment they make is the fog colour, whatever its
// texture or light, so only their outline and depth matter.
void draw_silhouettes() {
    if (frame.far.empty()) return;
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    for (const FrameDraw::Far &f : frame.far) {
        const MergedMesh *sil = silhouette_mesh(f.slot);
        if (!sil) continue;
        const bool shifted = f.shift_x != 0 || f.shift_y != 0;
        View view = frame.view;
        if (shifted) {
            glPushMatrix();
            load_shifted_view(f.shift_x, f.shift_y);
            view = view_for(frame.given, f.shift_x, f.shift_y);
        }
        const float x = static_cast<float>(32 - CHUNK_EDGE * sil->cx) - 0.5f;
        const float y = static_cast<float>(CHUNK_EDGE * sil->level + 32) - 0.5f;
        const float z = static_cast<float>(32 - CHUNK_EDGE * sil->cy) - 0.5f;
        chunk_draw_stats.silhouettes++;
        draw_merged(*sil, view.eye, chunk_wholly_inside(x, y, z));
        if (shifted) {
            glPopMatrix();
            CalculateFrustum();
        }
    }
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}

} // namespace

int chunk_face_toward(const float *verts, const float *norms, int f, const float eye[3]) {
    // The mesh's normals keep the world's axis order (z up) while the drawing frame has y
    // up: a normal (nx, ny, nz) points along (nx, nz, ny) here.
    const float *v = verts + 12 * f, *n = norms + 12 * f;
    return (eye[0] - v[0]) * n[0] + (eye[1] - v[1]) * n[2] + (eye[2] - v[2]) * n[1] > 0;
}

float chunk_box_fog_depth(const float m[16], const float c[3], const float h[3]) {
    const float centre = -(m[2] * c[0] + m[6] * c[1] + m[10] * c[2] + m[14]);
    const float reach = std::fabs(m[2]) * h[0] + std::fabs(m[6]) * h[1] + std::fabs(m[10]) * h[2];
    return centre - reach;
}

int chunk_box_in_frustum(const float c[3], const float h[3]) {
    for (const float *p : m_Frustum) {
        const float reach =
            std::fabs(p[0]) * h[0] + std::fabs(p[1]) * h[1] + std::fabs(p[2]) * h[2];
        if (p[0] * c[0] + p[1] * c[1] + p[2] * c[2] + p[3] + reach + BOX_SLACK <= 0) return 0;
    }
    return 1;
}

void draw_buffs(const ChunkView &view, const DrawOptions &opt) {
    chunk_draw_stats = ChunkDrawStats{};
    CalculateFrustum();
    frame.given = view;
    frame.opt = opt;
    frame.view = view_for(view, 0, 0);
    frame.far.clear();
    frame.merged = opt.path == DRAW_MERGED && cut_cell_textures();
    frame.fog_limit = -1;
    if (frame.merged && opt.silhouettes && view.fog)
        frame.fog_limit = view.fog_end + FOG_SLACK + 1e-4f * std::fabs(view.fog_end);
    glBindTexture(GL_TEXTURE_2D, textures.g_textures);
    stream_walk(visit_cell, nullptr);
    draw_silhouettes();
    glBindTexture(GL_TEXTURE_2D, textures.g_textures);
}
