// Font layout to the pixel and texture coordinate, and real text drawn under Xvfb.
#include "gl_fixture.h"

#include "render/font.h"
#include "render/textures.h"

#include <string>
#include <vector>

namespace {

std::vector<GlyphQuad> layout(int x, int y, int size, const char *text, int flags) {
    std::vector<GlyphQuad> out;
    FontPen pen = font_pen_start(x, y, size, text, flags);
    GlyphQuad q;
    for (const char *c = text; *c; c++)
        if (font_pen_step(&pen, size, static_cast<unsigned char>(*c), &q)) out.push_back(q);
    return out;
}

// Expects quad q to be glyph cell n with its top-left at (x, y), size size.
void expect_quad(const GlyphQuad &q, int n, float x, float y, int size) {
    double S = (n % 23) / 23.15, T = 1 - (n / 23) / 15.4;
    const double s[4] = {S, S + 1 / 23.2, S + 1 / 23.2, S};
    const double t[4] = {T - 1 / 15.4, T - 1 / 15.5, T, T};
    const float xs[4] = {x, x + size, x + size, x};
    const float ys[4] = {y + 1.6f * size, y + 1.6f * size, y, y};
    for (int k = 0; k < 4; k++) {
        SCOPED_TRACE(k);
        EXPECT_FLOAT_EQ(q.s[k], static_cast<float>(s[k]));
        EXPECT_FLOAT_EQ(q.t[k], static_cast<float>(t[k]));
        EXPECT_FLOAT_EQ(q.x[k], xs[k]);
        EXPECT_FLOAT_EQ(q.y[k], ys[k]);
    }
}

TEST(FontLayout, CentredTwoLinesGiveTheExactQuads) {
    const char text[] = {33, 65, 32, 10, 66, 0};
    std::vector<GlyphQuad> q = layout(100, 50, 10, text, 1);
    ASSERT_EQ(q.size(), 3u);
    expect_quad(q[0], 0, 80, 50, 10);   // '!' cell 0
    expect_quad(q[1], 32, 88, 50, 10);  // 'A' row 1, column 9
    expect_quad(q[2], 33, 100, 67, 10); // 'B' after the break: back at x, 1.7 * size lower
    EXPECT_FLOAT_EQ(q[2].s[0], static_cast<float>(10 / 23.15));
    EXPECT_FLOAT_EQ(q[1].t[3], static_cast<float>(1 - 1 / 15.4));

    // The pen itself: the space moves it from 96 to 104.
    FontPen pen = font_pen_start(100, 50, 10, text, 1);
    GlyphQuad g;
    font_pen_step(&pen, 10, 33, &g);
    font_pen_step(&pen, 10, 65, &g);
    EXPECT_EQ(pen.px, 96);
    EXPECT_EQ(font_pen_step(&pen, 10, 32, &g), 0);
    EXPECT_EQ(pen.px, 104);
}

TEST(FontLayout, AdvancesDropTheFractionEachStep) {
    std::vector<GlyphQuad> q = layout(0, 0, 13, "AAAA", 0);
    ASSERT_EQ(q.size(), 4u);
    for (int i = 0; i < 4; i++) EXPECT_FLOAT_EQ(q[static_cast<size_t>(i)].x[0], 10.0f * i);
    // Centring truncates too: 3 bytes at size 13 start at 200 - 15.6 -> 184.
    EXPECT_EQ(font_pen_start(200, 0, 13, "abc", 1).px, 184);
    EXPECT_EQ(font_pen_start(200, 0, 13, "abc", 2).px, 200); // only bit 0 centres
    // Lines go down by truncated 1.7 * size: 13 -> 22 each.
    q = layout(5, 7, 13, "a\nb\nc", 0);
    ASSERT_EQ(q.size(), 3u);
    EXPECT_FLOAT_EQ(q[1].y[3], 29.0f);
    EXPECT_FLOAT_EQ(q[2].y[3], 51.0f);
    EXPECT_FLOAT_EQ(q[2].x[3], 5.0f);
}

TEST(FontLayout, HighBytesUseTheLowerRowsAndControlBytesActAsSpaces) {
    std::vector<GlyphQuad> q = layout(0, 0, 10, "\xFF\xC0", 0);
    ASSERT_EQ(q.size(), 2u);
    expect_quad(q[0], 255 - 33, 0, 0, 10); // row 9, column 15
    expect_quad(q[1], 192 - 33, 8, 0, 10);
    EXPECT_TRUE(layout(0, 0, 10, "", 1).empty());
    for (int b = 1; b < 32; b++) {
        if (b == 10) continue;
        const char text[] = {'x', static_cast<char>(b), 'y', 0};
        q = layout(0, 0, 10, text, 0);
        ASSERT_EQ(q.size(), 2u) << b;
        EXPECT_FLOAT_EQ(q[1].x[0], 16.0f) << b;
        EXPECT_FLOAT_EQ(q[1].y[0], 16.0f) << b;
    }
}

class FontGl : public glfix::GlTest {
  protected:
    void SetUp() override {
        glfix::GlTest::SetUp();
        unsigned int names[1] = {0};
        std::string path = std::string(TESS_GAME_DIR) + "/font.tga";
        ASSERT_EQ(LoadGLTextures(0, path.c_str(), names, 1), 1) << path;
        initfont(names[0]);
        glfix::set_overlay();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_DEPTH_TEST);
    }
    void TearDown() override {
        glDeleteTextures(1, &font);
        glfix::GlTest::TearDown();
    }
};

TEST_F(FontGl, EmptyStringDrawsNothingAndLeavesTheFontBound) {
    glfix::clear(0.2f, 0.3f, 0.4f);
    glBindTexture(GL_TEXTURE_2D, 0);
    f_print(400, 300, 22, "", 1);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<unsigned>(bound), font);
    glfix::Image im = glfix::read_framebuffer();
    EXPECT_EQ(im.count_not({51, 77, 102}, 0, 0, 800, 600), 0);
}

TEST_F(FontGl, NewGameInEnglishAndRussianShowsInk) {
    glfix::clear(0.12f, 0.16f, 0.22f);
    glColor3f(1, 1, 1);
    f_print(400, 200, 22, "New game", 1);
    // The Russian wording in windows-1251 bytes.
    f_print(400, 300, 22, "\xCD\xEE\xE2\xE0\xFF \xE8\xE3\xF0\xE0", 1);
    glColor3f(1, 0.8f, 0.2f);
    f_print(400, 400, 16, "\xD2\xE5\xF1\xF1\xE0\xF0\xEE\xED: Tessaron", 1);
    glColor3f(1, 1, 1);
    glfix::Image im = glfix::read_framebuffer();
    EXPECT_NE(glfix::save_png(im, "font_new_game"), "");

    const glfix::Rgb ground{31, 41, 56};
    // Each line has ink only where its quads are: 8 bytes at 22 centred span 330..506.
    EXPECT_GT(im.count_not(ground, 330, 200, 506, 236), 500);
    EXPECT_EQ(im.count_not(ground, 0, 200, 320, 236), 0);
    EXPECT_EQ(im.count_not(ground, 520, 200, 800, 236), 0);
    EXPECT_GT(im.count_not(ground, 301, 300, 499, 336), 500);
    EXPECT_EQ(im.count_not(ground, 0, 240, 800, 295), 0); // nothing between the lines
    // Every letter of "New game" leaves ink in its own advance slot; the space does not.
    for (int i = 0; i < 8; i++) {
        int left = 330 + 17 * i + 2;
        int ink = im.count_not(ground, left, 200, left + 13, 236);
        if (i == 3)
            EXPECT_LT(ink, 20) << i;
        else
            EXPECT_GT(ink, 20) << i;
    }
}

} // namespace
