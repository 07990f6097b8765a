// The draw floor under Xvfb: TGA loading and the game's own pictures, font layout, the
// frustum planes and the item box.
#include <array>
#include <cmath>
#include <cstring>
#include "draw/cubes.h"
#include "draw/font.h"
#include "draw/frustum_calc.h"
#include "draw/textures.h"
#include "gl_fixture.h"
#include "world/mesher.h"
using Bytes = std::vector<unsigned char>;

// File pixel i is BGR(A) = i + BASE; a spare byte, which the loader must ignore, ends the file.
constexpr int BASE[4] = {0, 100, 200, 50};
static Bytes tga_file(int w, int h, int bits, bool with_pixels = true) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // uncompressed true colour, origin (0, 0)
    for (int v : {w, w >> 8, h, h >> 8, bits, 0}) b.push_back(static_cast<unsigned char>(v));
    for (int i = 0; with_pixels && i < w * h; i++)
        for (int c = 0; c < bits / 8; c++) b.push_back(static_cast<unsigned char>(i + BASE[c]));
    b.push_back(9);
    return b;
}
// The bound texture read back as RGBA (row 0 at t = 0), or a picture of the game folder loaded.
struct Tex {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    const unsigned char *at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
    Tex() {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        px.resize(size_t(w) * h * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    }
    static Tex load(const std::string &name) {
        unsigned int names[1] = {0};
        EXPECT_EQ(LoadGLTextures(0, (TESS_GAME_DIR "/" + name).c_str(), names, 1), 1) << name;
        Tex t;
        glDeleteTextures(1, names);
        return t;
    }
};
struct DrawGl : glfix::GlTest {
    ScratchDir dir{false};
    unsigned int names[3] = {11, 22, 33};
    int load(const char *path, const Bytes *b, int index, int smooth) {
        if (b) std::ofstream(path, std::ios::binary).write((const char *)b->data(), b->size());
        return LoadGLTextures(index, path, names, smooth);
    }
    void expect_refused(const char *path, const Bytes *b = nullptr) {
        EXPECT_EQ(load(path, b, 1, 1), 0);
        EXPECT_EQ(glfix::all(glfix::floats(GL_TEXTURE_BINDING_2D)[0], names[0], names[1], names[2]),
                  glfix::all(0, 11, 22, 33));
    }
};

// Refusals touch no name slot nor binding; accepted files reach GL bottom row first.
TEST_F(DrawGl, TgaLoadingRefusesEverythingOutsideTheSubsetAndKeepsTheFirstRowAtTheBottom) {
    // {byte, value}, or {length, -1} to cut the file: empty, header short, pixels short, ID,
    // colour map, map spec, types 10 and 3, 8 and 16 bits, x and y origin, zero width, height.
    const int bad[][2] = {{0, -1}, {17, -1}, {29, -1}, {0, 4}, {1, 1},  {5, 1},  {2, 10},
                          {2, 3},  {16, 8},  {16, 16}, {8, 1}, {11, 1}, {12, 0}, {14, 0}};
    for (const int *c : bad) {
        SCOPED_TRACE(testing::Message() << c[0] << ": " << c[1]);
        Bytes b = tga_file(2, 2, 24);
        b.resize(c[1] < 0 ? c[0] : b.size() + 8); // spare bytes for a loader skipping a field
        if (c[1] >= 0) b[size_t(c[0])] = static_cast<unsigned char>(c[1]);
        expect_refused("bad.tga", &b);
    }
    Bytes huge = tga_file(65535, 65535, 32, false); // its size overflows 32 bits
    huge.resize(18 + 4096, 7);
    expect_refused("bad.tga", &huge);
    expect_refused("nowhere.tga");
    // bits, width, height, smooth, format, filter; 9-byte rows need an unpack alignment of 1.
    const int cases[2][6] = {{24, 3, 2, 0, GL_RGB, GL_NEAREST}, {32, 2, 3, 1, GL_RGBA, GL_LINEAR}};
    for (const auto &[bits, w, h, smooth, format, filter] : cases) {
        SCOPED_TRACE(bits);
        Bytes b = tga_file(w, h, bits);
        names[2] = 33;
        ASSERT_EQ(load("ok.tga", &b, 2, smooth), 1);
        GLint fmt = 0, f[2] = {};
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &fmt);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &f[0]);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &f[1]);
        EXPECT_EQ(glfix::all(names[1], fmt, f[0], f[1], glfix::floats(GL_UNPACK_ALIGNMENT)[0],
                             glfix::floats(GL_TEXTURE_BINDING_2D)[0]),
                  glfix::all(22, format, filter, filter, 4, names[2]));
        const Tex t;
        ASSERT_EQ(glfix::all(t.w, t.h), glfix::all(w, h));
        for (int i = 0; i < w * h * 4; i++) // t = 0 is the file's first row; red was byte 2
            EXPECT_EQ(t.px[size_t(i)],
                      i % 4 == 3 && bits == 24 ? 255 : i / 4 + BASE[i % 4 < 3 ? 2 - i % 4 : 3])
                << i;
    }
}

// The images the build draws load through the game's loader and carry what the game needs.
TEST_F(DrawGl, PicturesLoadAndEveryLetterHasInk) {
    for (const char *n :
         {"back.tga", "lang/rus.tga", "lang/eng.tga", "world/standart/sun.tga", "ts.tga"})
        EXPECT_GT(Tex::load(n).w, 0);
    const Tex t = Tex::load("world/standart/ground.tga");
    EXPECT_TRUE(t.w % 16 == 0 && t.h % 16 == 0 && t.w > 0); // the atlas's 16 x 16 cells
    const Tex f = Tex::load("font.tga"); // white ink in each letter, none outside a quad, 1 : 1.6
    EXPECT_NEAR((f.h / 15.4) / (f.w / 23.2), 1.6, 0.016);
    for (int b = 33; b <= 255; b++) {
        int n = b - 33, row = n / 23, col = n % 23, in = 0, out = 0;
        // The grid's row 0 is at the top (t = 1); the cell pitch is wider than what is sampled.
        double left = col * f.w / 23.15, right = left + f.w / 23.2, pitch = (col + 1) * f.w / 23.15;
        double top = f.h * (1 - row / 15.4), bottom = f.h * (1 - (row + 1) / 15.4);
        for (int y = int(std::floor(bottom)); y < int(std::ceil(top)); y++)
            for (int x = int(std::floor(left)); x < std::min(int(std::ceil(pitch)), f.w); x++) {
                const unsigned char *p = f.at(x, y);
                bool inside = x >= left && x + 1 <= right && y >= bottom && y + 1 <= top;
                out += p[3] > 40 && !inside;
                in += p[3] > 40 && inside && p[0] + p[1] + p[2] == 765;
            }
        bool letter = b < 127 || b >= 192 || b == 168 || b == 184;
        EXPECT_TRUE(out == 0 && (!letter || in > (b < 127 ? 8 : 40)))
            << b << ": " << in << ", " << out;
    }
}

static std::vector<GlyphQuad> layout(int x, int y, int size, const char *text, int flags) {
    std::vector<GlyphQuad> out;
    FontPen pen = font_pen_start(x, y, size, text, flags);
    GlyphQuad q;
    for (const char *c = text; *c; c++)
        if (font_pen_step(&pen, size, static_cast<unsigned char>(*c), &q)) out.push_back(q);
    return out;
}
// Expects quad q to span texture s0..s1, t from t0 (left) or t1 (right) up to t2, and window
// x0..x1, y from y0 up to y1 (the vertex order: bottom left, bottom right, top right, top left).
static void expect_quad(const GlyphQuad &q, const std::array<double, 9> &e) {
    const double want[4][4] = {{e[0], e[1], e[1], e[0]},
                               {e[2], e[3], e[4], e[4]},
                               {e[5], e[6], e[6], e[5]},
                               {e[7], e[7], e[8], e[8]}};
    const float *got[4] = {q.s, q.t, q.x, q.y};
    for (int a = 0; a < 4; a++)
        for (int k = 0; k < 4; k++) EXPECT_NEAR(got[a][k], want[a][k], 1e-6) << "stxy"[a] << k;
}
TEST(FontLayout, QuadsAndPenPositions) {
    std::vector<GlyphQuad> q = layout(100, 50, 10, "!A \nB", 1); // bytes 33, 65, 32, 10, 66
    EXPECT_EQ(q.size(), 3u);
    // Cell pitch 1/23.15 by 1/15.4; a glyph 1/23.2 wide, 1/15.4 tall on the left, 1/15.5 right.
    expect_quad(q.at(0), {0, .043103, .935065, .935484, 1, 80, 90, 66, 50}); // '!' cell 0
    expect_quad(q.at(1), {.388769, .431872, .870130, .870549, .935065, 88, 98, 66, 50}); // row 1,
    // column 9; then 'B' after the break: back at x, 1.7 * size lower; then the last cell, 222.
    expect_quad(q.at(2), {.431965, .475069, .870130, .870549, .935065, 100, 110, 83, 67});
    expect_quad(layout(0, 0, 10, "\xC0\xFF", 0).at(1),
                {.647948, .691052, .350649, .351068, .415584, 8, 18, 16, 0});
    EXPECT_EQ(layout(200, 0, 13, "AAAA", 0).at(3).x[3], 230);   // steps of 10.4, each cut to 10
    EXPECT_EQ(layout(200, 0, 13, "abc", 2).at(0).x[3], 200);    // only bit 0 centres
    EXPECT_EQ(layout(200, 0, 13, "a\nb\nc", 0).at(2).y[3], 44); // lines 22.1 apart
    for (char b = 1; b < 32; b++) { // control bytes draw nothing and advance as a space
        q = layout(0, 0, 10, (std::string("x") + b + "y").c_str(), 0);
        EXPECT_TRUE(b == 10 || (q.size() == 2 && q[1].x[0] == 16 && q[1].y[0] == 16)) << int(b);
    }
}
// Each case is x, y, z, cube size (0: the point test) and the answer.
template <size_t N> void expect_answers(const float (&cases)[N][5]) {
    for (const float *c : cases)
        EXPECT_EQ(c[3] ? CubeInFrustum(c[0], c[1], c[2], c[3]) : PointInFrustum(c[0], c[1], c[2]),
                  c[4])
            << c[0] << ", " << c[1] << ", " << c[2] << " size " << c[3];
}
TEST_F(DrawGl, FrustumOfIdentityAndGamePerspectiveAndAMovedModelviewAfterRecomputation) {
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

// The item box's 24 vertices, one face after another, and their atlas cells.
TEST(ItemBox, FacesFollowTheTurnAndShowTheirCells) {
    const TexCell top{0.125f, 0.5f}, bottom{0.25f, 0.0625f}, side{0.9375f, 0.75f};
    texes[9] = {top, bottom, side};
    float xyz[24][3], st[3][24][2];
    item_box_vertices(2, 1, -3, 3.14159265f / 2, 0.4f, 9, xyz, st[0]);
    // Per vertex: base corner (a quarter turn moves P1..P4 on one), upper face, s and t cell + 1.
    const char *faces[6] = {"0000 1010 2011 3001", "0100 1110 2111 3101", "3011 2001 2100 3110",
                            "1011 0001 0100 1110", "1011 2001 2100 1110", "3011 0001 0100 3110"};
    const float cx[4] = {2, 2.2f, 2, 1.8f}, cz[4] = {-2.8f, -3, -3.2f, -3}; // size 0.4
    for (int k = 0; k < 24; k++) {
        const char *w = faces[k / 4] + 5 * (k % 4);
        const TexCell &t = k < 4 ? bottom : k < 8 ? top : side;
        const float e[5] = {cx[w[0] - '0'], 1 + 0.3f * (w[1] - '0'), cz[w[0] - '0'],
                            t.u + (w[2] - '0') / 16.0f, t.v + (w[3] - '0') / 16.0f};
        const float got[5] = {xyz[k][0], xyz[k][1], xyz[k][2], st[0][k][0], st[0][k][1]};
        for (int c = 0; c < 5; c++) EXPECT_NEAR(got[c], e[c], 2e-6) << k << " " << c;
    }
    const int type[3] = {0, -1, 256}; // a type past the table is drawn with row 0
    texes[0] = {side, top, bottom};
    for (int i = 0; i < 3; i++) item_box_vertices(0, 0, 0, 0, 1, type[i], xyz, st[i]);
    EXPECT_EQ(std::memcmp(st[0], st[1], sizeof st[0]) | std::memcmp(st[0], st[2], sizeof st[0]), 0);
}
