// Font layout to the pixel and texture coordinate, and real text drawn under Xvfb.
#include "draw/font.h"
#include <array>
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
    EXPECT_EQ(layout(200, 0, 13, "abc", 1).at(0).x[3], 184);    // centred by 15.6
    EXPECT_EQ(layout(200, 0, 13, "abc", 2).at(0).x[3], 200);    // only bit 0 centres
    EXPECT_EQ(layout(200, 0, 13, "a\nb\nc", 0).at(2).y[3], 44); // lines 22.1 apart
    for (char b = 1; b < 32; b++) { // control bytes draw nothing and advance as a space
        q = layout(0, 0, 10, (std::string("x") + b + "y").c_str(), 0);
        EXPECT_TRUE(b == 10 || (q.size() == 2 && q[1].x[0] == 16 && q[1].y[0] == 16)) << int(b);
    }
}
class FontGl : public glfix::GlTest {};
TEST_F(FontGl, NewGameInBothLanguagesInksOnlyItsQuadsUprightAndAnEmptyStringNothing) {
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
    f_print(100, 400, 40, "T", 0);                                     // 100..140 by 400..464
    glfix::Image im = glfix::read_framebuffer();
    EXPECT_NE(glfix::save_png(im, "font_new_game"), "");
    const glfix::Rgb bg{31, 41, 56}; // 8 bytes at size 22 centred on 400 span 330..506
    EXPECT_EQ(im.count_not(bg, 0, 0, 800, 195) + im.count_not(bg, 0, 240, 800, 295), 0);
    EXPECT_EQ(im.count_not(bg, 0, 200, 320, 236) + im.count_not(bg, 520, 200, 800, 236), 0);
    EXPECT_GT(im.count_not(bg, 330, 200, 506, 236), 500);
    EXPECT_GT(im.count_not(bg, 301, 300, 499, 336), 500);
    // Upright: the bar's row 416 inks over twice the stem's row 440.
    EXPECT_GT(im.count_not(bg, 100, 416, 140, 417), 2 * im.count_not(bg, 100, 440, 140, 441));
}
