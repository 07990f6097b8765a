// Outline and item box: vertex order and values from the pure lists, the same vertices seen
// through GL feedback, and no GL state left changed.
#include "gl_fixture.h"

#include "render/cubes.h"
#include "world/mesher.h"

#include <array>
#include <cstring>
#include <cmath>
#include <vector>

namespace {

using V3 = std::array<float, 3>;

constexpr float E = 0.502f, I = 0.498f;

TEST(CubeOutline, FollowsTheLoopTable) {
    // (dx, dy, dz) in drawing order, loop after loop.
    const V3 want[32] = {{-E, -E, E},  {E, -E, E},  {E, -E, -E},  {-E, -E, -E}, {-E, -I, E},
                         {E, -I, E},   {E, -I, -E}, {-E, -I, -E}, {-E, E, E},   {E, E, E},
                         {E, E, -E},   {-E, E, -E}, {-E, I, E},   {E, I, E},    {E, I, -E},
                         {-E, I, -E},  {E, E, E},   {E, -E, E},   {E, -I, E},   {E, I, E},
                         {-E, E, E},   {-E, -E, E}, {-E, -I, E},  {-E, I, E},   {E, E, -E},
                         {E, -E, -E},  {E, -I, -E}, {E, I, -E},   {-E, E, -E},  {-E, -E, -E},
                         {-E, -I, -E}, {-E, I, -E}};
    float v[32][3];
    cube_outline_vertices(10, -20, 30.5f, v);
    for (int k = 0; k < 32; k++) {
        EXPECT_FLOAT_EQ(v[k][0], 10 + want[k][0]) << k;
        EXPECT_FLOAT_EQ(v[k][1], -20 + want[k][1]) << k;
        EXPECT_FLOAT_EQ(v[k][2], 30.5f + want[k][2]) << k;
    }
    int total = 0;
    for (int n : cube_outline_loop_sizes) total += n;
    EXPECT_EQ(total, 32);
}

class ItemBox : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = texes[7];
        texes[7] = {{0.125f, 0.5f}, {0.25f, 0.0625f}, {0.9375f, 0.75f}};
    }
    void TearDown() override { texes[7] = saved; }
    BlockTextures saved;
};

TEST_F(ItemBox, AngleZeroSizeOneFollowsTheFaceTable) {
    float xyz[24][3], st[24][2];
    item_box_vertices(5, 2, -3, 0, 1, 7, xyz, st);
    // Base corners P1..P4 at angle 0 and size 1; the top is 0.75 higher.
    const float px[4] = {4.5f, 5, 5.5f, 5}, pz[4] = {-3, -2.5f, -3, -3.5f};
    const float s = 0.0625f;
    struct Want {
        int corner, upper;
        float u, v;
    };
    const TexCell top{0.125f, 0.5f}, bot{0.25f, 0.0625f}, side{0.9375f, 0.75f};
    auto q = [&](TexCell c, int a, int up_a, int du_a, int dv_a) {
        return Want{a, up_a, c.u + du_a * s, c.v + dv_a * s};
    };
    const Want want[24] = {
        q(bot, 0, 0, 0, 0),  q(bot, 1, 0, 1, 0),  q(bot, 2, 0, 1, 1),  q(bot, 3, 0, 0, 1),
        q(top, 0, 1, 0, 0),  q(top, 1, 1, 1, 0),  q(top, 2, 1, 1, 1),  q(top, 3, 1, 0, 1),
        q(side, 3, 0, 1, 1), q(side, 2, 0, 0, 1), q(side, 2, 1, 0, 0), q(side, 3, 1, 1, 0),
        q(side, 1, 0, 1, 1), q(side, 0, 0, 0, 1), q(side, 0, 1, 0, 0), q(side, 1, 1, 1, 0),
        q(side, 1, 0, 1, 1), q(side, 2, 0, 0, 1), q(side, 2, 1, 0, 0), q(side, 1, 1, 1, 0),
        q(side, 3, 0, 1, 1), q(side, 0, 0, 0, 1), q(side, 0, 1, 0, 0), q(side, 3, 1, 1, 0)};
    for (int k = 0; k < 24; k++) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(xyz[k][0], px[want[k].corner], 1e-6);
        EXPECT_FLOAT_EQ(xyz[k][1], want[k].upper ? 2.75f : 2.0f);
        EXPECT_NEAR(xyz[k][2], pz[want[k].corner], 1e-6);
        EXPECT_FLOAT_EQ(st[k][0], want[k].u);
        EXPECT_FLOAT_EQ(st[k][1], want[k].v);
    }
}

TEST_F(ItemBox, QuarterTurnMovesEachCornerToTheNext) {
    float a[24][3], b[24][3], st[24][2];
    item_box_vertices(1, 0, 1, 0, 0.4f, 7, a, st);
    item_box_vertices(1, 0, 1, 3.14159265f / 2, 0.4f, 7, b, st);
    // Vertex 0 is P1 and vertex 1 is P2 of the lower face.
    EXPECT_NEAR(b[0][0], a[1][0], 1e-6);
    EXPECT_NEAR(b[0][2], a[1][2], 1e-6);
    EXPECT_NEAR(b[4][1] - b[0][1], 0.3f, 1e-6); // 0.75 * size tall
}

TEST_F(ItemBox, TypesOutsideTheTableUseRowZero) {
    BlockTextures row0 = texes[0];
    texes[0] = {{0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0.5f}};
    float xyz[24][3], st[24][2];
    for (int type : {-1, 256, 100000}) {
        item_box_vertices(0, 0, 0, 0, 1, type, xyz, st);
        for (auto &c : st) {
            EXPECT_GE(c[0], 0.5f);
            EXPECT_GE(c[1], 0.5f);
        }
    }
    texes[0] = row0;
}

// What GL feedback saw, in object coordinates (the modelview scales by 0.1 so all fits).
struct Seen {
    GLenum token;
    std::vector<std::array<float, 5>> v; // x, y, z, s, t
};

std::vector<Seen> capture(void (*draw)()) {
    static GLfloat buf[20000];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glScalef(0.1f, 0.1f, 0.1f);
    glFeedbackBuffer(20000, GL_3D_COLOR_TEXTURE, buf);
    glRenderMode(GL_FEEDBACK);
    draw();
    int n = glRenderMode(GL_RENDER);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    std::vector<Seen> out;
    auto vertex = [&](int &i) {
        std::array<float, 5> v{(buf[i] / 400 - 1) * 10, (buf[i + 1] / 300 - 1) * 10,
                               (buf[i + 2] * 2 - 1) * 10, buf[i + 7], buf[i + 8]};
        i += 11; // x y z, r g b a, s t r q
        return v;
    };
    for (int i = 0; i < n;) {
        Seen s{static_cast<GLenum>(buf[i++]), {}};
        int count = s.token == GL_POLYGON_TOKEN ? static_cast<int>(buf[i++]) : 2;
        for (int k = 0; k < count; k++) s.v.push_back(vertex(i));
        out.push_back(s);
    }
    return out;
}

bool near(const std::array<float, 5> &a, const float *xyz, float tol = 2e-4f) {
    return std::fabs(a[0] - xyz[0]) < tol && std::fabs(a[1] - xyz[1]) < tol &&
           std::fabs(a[2] - xyz[2]) < tol;
}

// The state a caller sets around these primitives; none of it may change.
struct GlState {
    GLboolean flags[7];
    GLfloat color[4], normal[3], line_width, modelview[16];
    GLint texture, matrix_mode;
    bool operator==(const GlState &o) const {
        return std::memcmp(flags, o.flags, sizeof flags) == 0 &&
               std::memcmp(color, o.color, sizeof color) == 0 &&
               std::memcmp(normal, o.normal, sizeof normal) == 0 && line_width == o.line_width &&
               std::memcmp(modelview, o.modelview, sizeof modelview) == 0 && texture == o.texture &&
               matrix_mode == o.matrix_mode;
    }
};

GlState gl_state() {
    GlState s;
    std::memset(&s, 0, sizeof s);
    const GLenum caps[7] = {GL_TEXTURE_2D, GL_LIGHTING, GL_BLEND,      GL_DEPTH_TEST,
                            GL_CULL_FACE,  GL_FOG,      GL_LINE_SMOOTH};
    for (int i = 0; i < 7; i++) s.flags[i] = glIsEnabled(caps[i]);
    glGetFloatv(GL_CURRENT_COLOR, s.color);
    glGetFloatv(GL_CURRENT_NORMAL, s.normal);
    glGetFloatv(GL_LINE_WIDTH, &s.line_width);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.texture);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrix_mode);
    return s;
}

class CubesGl : public glfix::GlTest {
  protected:
    void SetUp() override {
        glfix::GlTest::SetUp();
        glGenTextures(1, &tex);
        glBindTexture(GL_TEXTURE_2D, tex);
        glColor4f(0.3f, 0.6f, 0.9f, 0.5f);
        glNormal3f(0.6f, 0.8f, 0);
        glLineWidth(3);
        glEnable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        texes[9] = {{0.125f, 0}, {0, 0}, {0.1875f, 0}};
    }
    void TearDown() override {
        glDeleteTextures(1, &tex);
        glfix::GlTest::TearDown();
    }
    GLuint tex = 0;
};

TEST_F(CubesGl, OutlineReachesGlAsSixClosedLoopsAndChangesNoState) {
    GlState before = gl_state();
    GLfloat tc_before[4], tc_after[4];
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tc_before);
    std::vector<Seen> seen = capture([] { draw_cube(2, 3, -4); });
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tc_after);
    EXPECT_TRUE(before == gl_state());
    EXPECT_EQ(0, std::memcmp(tc_before, tc_after, sizeof tc_before));
    draw_cube(2, 3, -4); // and once for real, outside feedback
    EXPECT_TRUE(before == gl_state());

    float want[32][3];
    cube_outline_vertices(2, 3, -4, want);
    ASSERT_EQ(seen.size(), 32u); // a loop of n vertices is n segments
    int k = 0, start = 0;
    for (int loop = 0; loop < CUBE_OUTLINE_LOOPS; loop++) {
        int n = cube_outline_loop_sizes[loop];
        for (int j = 0; j < n; j++, k++) {
            SCOPED_TRACE(k);
            const Seen &seg = seen[static_cast<size_t>(k)];
            EXPECT_NE(seg.token, static_cast<GLenum>(GL_POLYGON_TOKEN));
            EXPECT_TRUE(near(seg.v[0], want[k]));
            // Each segment ends at the next vertex; the last one closes the loop.
            EXPECT_TRUE(near(seg.v[1], want[j + 1 < n ? k + 1 : start]));
        }
        start = k;
    }
}

TEST_F(CubesGl, ItemBoxReachesGlAsSixTexturedQuadsAndChangesNoState) {
    glEnable(GL_TEXTURE_2D);
    GlState before = gl_state();
    std::vector<Seen> seen = capture([] { draw_cube_filed(2, 1, -3, 0.7f, 0.4f, 9); });
    EXPECT_TRUE(before == gl_state());

    float xyz[24][3], st[24][2];
    item_box_vertices(2, 1, -3, 0.7f, 0.4f, 9, xyz, st);
    // The GL may split a quad into triangles: each face's pieces must use exactly its four
    // vertices, each with its own texture coordinate.
    std::vector<std::array<float, 5>> all;
    for (const Seen &p : seen) {
        ASSERT_EQ(p.token, static_cast<GLenum>(GL_POLYGON_TOKEN));
        all.insert(all.end(), p.v.begin(), p.v.end());
    }
    ASSERT_FALSE(all.empty());
    ASSERT_EQ(all.size() % 6, 0u);
    const size_t per_face = all.size() / 6;
    for (int f = 0; f < 6; f++) {
        for (size_t j = 0; j < per_face; j++) {
            const auto &v = all[f * per_face + j];
            bool matched = false;
            for (int c = 0; c < 4; c++) {
                int k = 4 * f + c;
                if (near(v, xyz[k]) && std::fabs(v[3] - st[k][0]) < 1e-6f &&
                    std::fabs(v[4] - st[k][1]) < 1e-6f)
                    matched = true;
            }
            EXPECT_TRUE(matched) << "face " << f << " vertex " << j;
        }
    }
}

} // namespace
