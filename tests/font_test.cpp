// Font layout to the pixel and texture coordinate, and real text drawn under Xvfb.
#include "gl_fixture.h"

#include "render/font.h"
#include "render/textures.h"

#include <tuple>

static std::vector<GlyphQuad> layout(int x, int y, int size, const char *text, int flags) {
    std::vector<GlyphQuad> out;
    FontPen pen = font_pen_start(x, y, size, text, flags);
    GlyphQuad q;
    for (const char *c = text; *c; c++)
        if (font_pen_step(&pen, size, static_cast<unsigned char>(*c), &q)) out.push_back(q);
    return out;
}

// Expects quad q to be glyph cell n with its top-left at (x, y).
static void expect_quad(const GlyphQuad &q, int n, float x, float y, int size) {
    double S = (n % 23) / 23.15, T = 1 - (n / 23) / 15.4, w = 1 / 23.2;
    const double want[4][4] = {{S, S + w, S + w, S},
                               {T - 1 / 15.4, T - 1 / 15.5, T, T},
                               {x, x + size, x + size, x},
                               {y + 1.6 * size, y + 1.6 * size, y, y}};
    const float *got[4] = {q.s, q.t, q.x, q.y};
    for (int a = 0; a < 4; a++)
        for (int k = 0; k < 4; k++) EXPECT_FLOAT_EQ(got[a][k], float(want[a][k])) << "stxy"[a] << k;
}

TEST(FontLayout, CentredExampleAndHighBytesGiveTheExactQuads) {
    const char text[] = {33, 65, 32, 10, 66, 0};
    std::vector<GlyphQuad> q = layout(100, 50, 10, text, 1);
    ASSERT_EQ(q.size(), 3u);
    expect_quad(q[0], 0, 80, 50, 10);   // '!' cell 0
    expect_quad(q[1], 32, 88, 50, 10);  // 'A' row 1, column 9
    expect_quad(q[2], 33, 100, 67, 10); // 'B' after the break: back at x, 1.7 * size lower
    q = layout(0, 0, 10, "\xFF\xC0", 0);
    ASSERT_EQ(q.size(), 2u);
    expect_quad(q[0], 255 - 33, 0, 0, 10); // row 9, column 15
    expect_quad(q[1], 192 - 33, 8, 0, 10);
}

TEST(FontLayout, PenPositionsDropTheFractionAndControlBytesActAsSpaces) {
    // At (200, 0), size 13: advances of 10.4 and centring by 15.6 truncate, only bit 0 of the
    // flags centres, and lines 22.1 apart truncate.
    const std::tuple<int, const char *, size_t, float, float> cases[] = {
        {0, "AAAA", 3, 230, 0},
        {1, "abc", 0, 184, 0},
        {2, "abc", 0, 200, 0},
        {0, "a\nb\nc", 2, 200, 44}};
    for (const auto &[flags, text, quad, x, y] : cases) {
        std::vector<GlyphQuad> q = layout(200, 0, 13, text, flags);
        ASSERT_GT(q.size(), quad) << text;
        EXPECT_TRUE(q[quad].x[3] == x && q[quad].y[3] == y)
            << text << ": " << q[quad].x[3] << ", " << q[quad].y[3];
    }
    for (char b = 1; b < 32; b++) {
        const char text[] = {'x', b, 'y', 0};
        std::vector<GlyphQuad> q = layout(0, 0, 10, text, 0);
        EXPECT_TRUE(b == 10 || (q.size() == 2 && q[1].x[0] == 16 && q[1].y[0] == 16)) << int(b);
    }
}

class FontGl : public glfix::GlTest {};

TEST_F(FontGl, NewGameInBothLanguagesInksOnlyItsQuadsAndAnEmptyStringNothing) {
    unsigned int names[1] = {0};
    std::string path = std::string(TESS_GAME_DIR) + "/font.tga";
    ASSERT_EQ(LoadGLTextures(0, path.c_str(), names, 1), 1) << path;
    initfont(names[0]);
    glfix::set_overlay();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glfix::clear(0.12f, 0.16f, 0.22f);
    f_print(400, 100, 22, "", 1);
    f_print(400, 200, 22, "New game", 1);
    f_print(400, 300, 22, "\xCD\xEE\xE2\xE0\xFF \xE8\xE3\xF0\xE0", 1); // windows-1251
    glColor3f(1, 0.8f, 0.2f);
    f_print(400, 400, 16, "\xD2\xE5\xF1\xF1\xE0\xF0\xEE\xED: Tessaron", 1);
    glColor3f(1, 1, 1);
    glDeleteTextures(1, &font);
    glfix::Image im = glfix::read_framebuffer();
    EXPECT_NE(glfix::save_png(im, "font_new_game"), "");
    const glfix::Rgb bg{31, 41, 56};
    EXPECT_EQ(im.count_not(bg, 0, 0, 800, 195) + im.count_not(bg, 0, 240, 800, 295), 0);
    // 8 bytes at size 22 centred on 400 span 330..506; each letter inks its own advance slot.
    EXPECT_EQ(im.count_not(bg, 0, 200, 320, 236) + im.count_not(bg, 520, 200, 800, 236), 0);
    for (int i = 0, left = 332; i < 8; i++, left += 17) {
        int ink = im.count_not(bg, left, 200, left + 13, 236);
        EXPECT_TRUE(i == 3 ? ink < 20 : ink > 20) << i << ": " << ink;
    }
    EXPECT_GT(im.count_not(bg, 301, 300, 499, 336), 500);
}
