// Font layout to the pixel and texture coordinate, and real text drawn under Xvfb.
#include "draw/font.h"
#include "draw/textures.h"
#include "gl_fixture.h"
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
    const double S = (n % 23) / 23.15, T = 1 - (n / 23) / 15.4, w = 1 / 23.2, h = 1.6 * size;
    const double s[4] = {S, S + w, S + w, S}, t[4] = {T - 1 / 15.4, T - 1 / 15.5, T, T};
    const double xs[4] = {x, x + size, x + size, x}, ys[4] = {y + h, y + h, y, y};
    const double *want[4] = {s, t, xs, ys};
    const float *got[4] = {q.s, q.t, q.x, q.y};
    for (int a = 0; a < 4; a++)
        for (int k = 0; k < 4; k++) EXPECT_FLOAT_EQ(got[a][k], float(want[a][k])) << "stxy"[a] << k;
}
TEST(FontLayout, QuadsAndPenPositions) {
    std::vector<GlyphQuad> q = layout(100, 50, 10, "!A \nB", 1); // bytes 33, 65, 32, 10, 66
    EXPECT_EQ(q.size(), 3u);
    expect_quad(q.at(0), 0, 80, 50, 10);   // '!' cell 0
    expect_quad(q.at(1), 32, 88, 50, 10);  // 'A' row 1, column 9
    expect_quad(q.at(2), 33, 100, 67, 10); // 'B' after the break: back at x, 1.7 * size lower
    expect_quad(layout(0, 0, 10, "\xC0\xFF", 0).at(1), 255 - 33, 8, 0, 10); // the last cell
    EXPECT_EQ(layout(200, 0, 13, "AAAA", 0).at(3).x[3], 230);   // steps of 10.4, each cut to 10
    EXPECT_EQ(layout(200, 0, 13, "abc", 1).at(0).x[3], 184);    // centred by 15.6
    EXPECT_EQ(layout(200, 0, 13, "abc", 2).at(0).x[3], 200);    // only bit 0 centres
    EXPECT_EQ(layout(200, 0, 13, "a\nb\nc", 0).at(2).y[3], 44); // lines 22.1 apart
    for (char b = 1; b < 32; b++) { // control bytes draw nothing and advance as a space
        q = layout(0, 0, 10, (std::string("x") + b + "y").c_str(), 0);
        EXPECT_TRUE(b == 10 || (q.size() == 2 && q[1].x[0] == 16 && q[1].y[0] == 16)) << int(b);
    }
}
class FontGl : public glfix::GlTest {};
TEST_F(FontGl, NewGameInBothLanguagesInksOnlyItsQuadsAndAnEmptyStringNothing) {
    ASSERT_EQ(LoadGLTextures(0, TESS_GAME_DIR "/font.tga", &font, 1), 1);
    initfont(font);
    glfix::set_overlay();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glfix::clear(0.12f, 0.16f, 0.22f);
    f_print(400, 100, 22, "", 1);
    f_print(400, 200, 22, "New game", 1);
    f_print(400, 300, 22, "\xCD\xEE\xE2\xE0\xFF \xE8\xE3\xF0\xE0", 1); // windows-1251
    glfix::Image im = glfix::read_framebuffer();
    EXPECT_NE(glfix::save_png(im, "font_new_game"), "");
    const glfix::Rgb bg{31, 41, 56}; // 8 bytes at size 22 centred on 400 span 330..506
    EXPECT_EQ(im.count_not(bg, 0, 0, 800, 195) + im.count_not(bg, 0, 240, 800, 295), 0);
    EXPECT_EQ(im.count_not(bg, 0, 200, 320, 236) + im.count_not(bg, 520, 200, 800, 236), 0);
    EXPECT_GT(im.count_not(bg, 330, 200, 506, 236), 500);
    EXPECT_GT(im.count_not(bg, 301, 300, 499, 336), 500);
}
