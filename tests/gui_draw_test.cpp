// Menu drawing under Xvfb: widget placement, highlights, caret, logo sway, the GL state left
// behind, and a screenshot of every screen with the game's own images.
#include "gl_fixture.h"

#include "engine/engine.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "render/font.h"
#include "render/textures.h"
#include "scratch.h"
#include "shell/config.h"
#include "world/saver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

using glfix::Image;
using glfix::Rgb;

GLuint solid_texture(unsigned char r, unsigned char g, unsigned char b) {
    unsigned char px[4 * 4 * 4];
    for (int i = 0; i < 16; i++) {
        px[i * 4] = r;
        px[i * 4 + 1] = g;
        px[i * 4 + 2] = b;
        px[i * 4 + 3] = 255;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return name;
}

int gray_at(const Image &im, int x, int y) {
    return im.at(x, y).g;
}

class MenuDrawTest : public glfix::GlTest {
  protected:
    GameParams params{};
    WorldCatalogue cat{};

    void SetUp() override {
        glfix::GlTest::SetUp();
        // The fixed state engine start-up leaves for every pass.
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glLineWidth(2.0f);
        glColor3f(1, 1, 1);
        params.view_distance = 1;
        params.world_counter = 1;
        params.fog_enabled = 1;
        g_set_par_str(&params);
        g_setctlg(&cat);
        ir = 0;
        mig = 0;
    }

    // Grey background, blue logo, red and green flags, and a font whose every glyph is a
    // solid white block, so each widget shows as plain colour where it stands.
    void use_plain_images() {
        static GLuint names[4], glyphs;
        if (!glyphs) {
            names[0] = solid_texture(128, 128, 128);
            names[1] = solid_texture(0, 0, 200);
            names[2] = solid_texture(255, 0, 0);
            names[3] = solid_texture(0, 255, 0);
            glyphs = solid_texture(255, 255, 255);
        }
        g_set_back(names);
        initfont(glyphs);
    }

    Image draw(int mx, int my) {
        g_set_mouse(mx, my);
        glfix::clear(0, 0, 0);
        g_draw();
        return glfix::read_framebuffer();
    }
};

TEST_F(MenuDrawTest, MainMenuLabelsAndTheHighlightedButton) {
    use_plain_images();
    for (int n = 1; n <= 6; n++) std::strcpy(frazes[n], "MMMMMM");
    g_level(0);
    Image im = draw(400, 320); // over the third button
    for (int i = 0; i < 6; i++) {
        SCOPED_TRACE(i);
        int want = i == 2 ? 255 : 153; // white under the pointer, 0.6 grey elsewhere
        EXPECT_NEAR(gray_at(im, 400, 250 + 30 * i + 8), want, 3);
        EXPECT_NEAR(gray_at(im, 330, 250 + 30 * i + 8), 128, 3); // left of the label
        EXPECT_NEAR(gray_at(im, 470, 250 + 30 * i + 8), 128, 3); // right of it
    }
    EXPECT_EQ(gray_at(im, 17, 585), 255); // the credit line
    EXPECT_EQ(im.at(400, 120).b, 200);    // the logo
    EXPECT_EQ(im.at(400, 120).r, 0);
}

TEST_F(MenuDrawTest, LanguageFlagsTintedUntilPointedAt) {
    use_plain_images();
    std::strcpy(frazes[7], "RR");
    std::strcpy(frazes[8], "EE");
    g_level(1);
    Image im = draw(600, 400);
    EXPECT_NEAR(im.at(11, 400).r, 153, 3);
    EXPECT_EQ(im.at(11, 400).g, 0);
    EXPECT_NEAR(im.at(309, 499).r, 153, 3);
    EXPECT_EQ(gray_at(im, 9, 400), 128);   // left of the rus flag
    EXPECT_EQ(gray_at(im, 400, 400), 128); // between the flags
    EXPECT_EQ(im.at(491, 301).g, 255);
    EXPECT_EQ(im.at(491, 301).r, 0);
    EXPECT_EQ(gray_at(im, 489, 400), 128);
    EXPECT_EQ(gray_at(im, 160, 235), 255); // caption over the rus flag
    EXPECT_EQ(gray_at(im, 640, 235), 255); // caption over the eng flag
    EXPECT_EQ(gray_at(im, 400, 235), 128);

    // On the flag's top-left corner the pointer does not count yet.
    im = draw(490, 300);
    EXPECT_NEAR(im.at(600, 400).g, 153, 3);
}

TEST_F(MenuDrawTest, FieldBoxesAndCaret) {
    use_plain_images();
    std::strcpy(frazes[15], "T");
    g_level(3); // "world 1" in the active name field
    mig = 29;
    Image off = draw(0, 0);
    EXPECT_EQ(mig, 30);
    Image on = draw(0, 0);
    // Frames: the active field white, the boxes 0.8 grey; inside, the background under a
    // 20% black veil.
    EXPECT_EQ(gray_at(on, 249, 265), 255);
    EXPECT_NEAR(gray_at(on, 249, 335), 204, 3);
    EXPECT_NEAR(gray_at(on, 260, 265), 102, 3);
    EXPECT_NEAR(gray_at(on, 260, 335), 102, 3);
    EXPECT_NEAR(gray_at(on, 400, 330), 204, 3); // the box's only item, 0.8 grey
    EXPECT_EQ(gray_at(on, 400, 265), 255);      // the name, white
    // The caret stands just right of "world 1" only on the lit half of the blink.
    int lit_on = 0, lit_off = 0;
    for (int x = 462; x <= 465; x++) {
        lit_on = std::max(lit_on, gray_at(on, x, 270));
        lit_off = std::max(lit_off, gray_at(off, x, 270));
    }
    EXPECT_GT(lit_on, 240);
    EXPECT_LT(lit_off, 110);

    // The pointer over a box lights frame and item; 30 pixels down it no longer does.
    Image over = draw(300, 349);
    EXPECT_EQ(gray_at(over, 249, 335), 255);
    EXPECT_EQ(gray_at(over, 400, 330), 255);
    over = draw(300, 350);
    EXPECT_NEAR(gray_at(over, 400, 330), 204, 3);
}

TEST_F(MenuDrawTest, LogoSwaysAndPhaseWraps) {
    use_plain_images();
    g_level(SCREEN_CHOSEN);
    const float half_pi = 1.5707963f;
    ir = half_pi - 0.005f; // drawn at sin = 1: the logo spans 75..775
    Image im = draw(0, 0);
    EXPECT_EQ(gray_at(im, 65, 120), 128);
    EXPECT_EQ(im.at(770, 120).b, 200);
    ir = 3 * half_pi - 0.005f; // sin = -1: 25..725
    im = draw(0, 0);
    EXPECT_EQ(im.at(30, 120).b, 200);
    EXPECT_EQ(gray_at(im, 735, 120), 128);

    ir = 359.998f;
    draw(0, 0);
    EXPECT_NEAR(ir, 0.003f, 1e-3f);
}

TEST_F(MenuDrawTest, BackgroundDriftsAndRepeats) {
    use_plain_images();
    // Left half red, right half green: the background shows s from 0.5 + k to 1 + k.
    const unsigned char halves[] = {255, 0, 0, 255, 0, 255, 0, 255};
    GLuint split = 0;
    glGenTextures(1, &split);
    glBindTexture(GL_TEXTURE_2D, split);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, halves);
    unsigned int names[4] = {split, iback[1], iback[2], iback[3]};
    g_set_back(names);
    g_level(SCREEN_CHOSEN);
    ir = 0;
    Image still = draw(0, 0);
    EXPECT_EQ(still.at(100, 400).g, 255);
    EXPECT_EQ(still.at(700, 400).g, 255);
    ir = 11.25f - 0.005f; // k = 0.25: the right quarter wraps round to the red half
    Image moved = draw(0, 0);
    EXPECT_EQ(moved.at(100, 400).g, 255);
    EXPECT_EQ(moved.at(700, 400).r, 255);
    EXPECT_EQ(moved.at(700, 400).g, 0);
    glDeleteTextures(1, &split);
}

TEST_F(MenuDrawTest, LeavesTheScenePassState) {
    use_plain_images();
    g_level(3);
    GLfloat want[16], got[16], model[16], colour[4];
    glfix::set_perspective();
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, want);
    glTranslatef(1, 2, 3); // something g_draw must replace
    glMatrixMode(GL_MODELVIEW);
    glRotatef(30, 0, 1, 0);
    draw(300, 335);
    glGetFloatv(GL_PROJECTION_MATRIX, got);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; i++) {
        EXPECT_FLOAT_EQ(got[i], want[i]);
        EXPECT_FLOAT_EQ(model[i], i % 5 == 0 ? 1.0f : 0.0f);
    }
    for (float c : colour) EXPECT_FLOAT_EQ(c, 1.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

// Every screen with the game's own pictures and English phrases, saved for a look. The
// highlight must change the pixels of the button under the pointer and nothing else.
TEST_F(MenuDrawTest, ScreenshotsOfEveryScreen) {
    ScratchDir dir;
    ASSERT_EQ(symlink((std::string(TESS_GAME_DIR) + "/lang").c_str(), "lang"), 0);
    std::memset(frazes, 0, sizeof frazes);
    lang_init("eng");
    ASSERT_STRNE(lang_get(1), "");

    static unsigned int names[4];
    static unsigned int glyphs;
    const char *files[] = {"back.tga", "ts.tga", "lang/rus.tga", "lang/eng.tga"};
    bool real = true;
    for (int i = 0; i < 4; i++)
        real = LoadGLTextures(i, (std::string(TESS_GAME_DIR) + "/" + files[i]).c_str(), names, 1) &&
               real;
    real =
        LoadGLTextures(0, (std::string(TESS_GAME_DIR) + "/font.tga").c_str(), &glyphs, 1) && real;
    if (real) {
        g_set_back(names);
        initfont(glyphs);
    } else {
        use_plain_images(); // the artwork is not built yet: still draw every screen
    }

    struct Shot {
        int screen, worlds, px, py;
        const char *name;
    } shots[] = {{1, 0, 600, 400, "menu_language"},      {0, 0, 400, 265, "menu_main"},
                 {2, 0, 400, 515, "menu_worlds_empty"},  {2, 9, 250, 235, "menu_worlds_nine"},
                 {3, 0, 400, 515, "menu_new_world"},     {4, 0, 400, 515, "menu_options"},
                 {SCREEN_CHOSEN, 0, 0, 0, "menu_chosen"}};
    for (const Shot &s : shots) {
        SCOPED_TRACE(s.name);
        cat.count = s.worlds;
        for (int i = 0; i < s.worlds; i++)
            std::snprintf(cat.names[i], CATALOGUE_NAME, "world %d", i + 1);
        g_level(s.screen);
        ir = 1.0f;
        mig = 40;
        Image lit = draw(s.px, s.py);
        EXPECT_FALSE(glfix::save_png(lit, s.name).empty());
        ir = 1.0f;
        mig = 40;
        Image plain = draw(5, 5);

        // Find the button under the pointer; its box (and its label's overhang) holds every
        // changed pixel.
        int hit = -1;
        for (int i = 0; i < buttons; i++)
            if (btt[i].x < s.px && s.px < btt[i].x + btt[i].w && btt[i].y < s.py &&
                s.py < btt[i].y + btt[i].h)
                hit = i;
        long sum_lit = 0, sum_plain = 0;
        int changed = 0, outside = 0;
        for (int y = 0; y < glfix::WIN_H; y++)
            for (int x = 0; x < glfix::WIN_W; x++) {
                Rgb a = lit.at(x, y), b = plain.at(x, y);
                if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
                changed++;
                sum_lit += a.r + a.g + a.b;
                sum_plain += b.r + b.g + b.b;
                bool in = hit >= 0 && x >= btt[hit].x - 20 && x <= btt[hit].x + btt[hit].w + 20 &&
                          y >= btt[hit].y && y <= btt[hit].y + std::max(btt[hit].h, 40);
                if (!in) outside++;
            }
        if (hit < 0) {
            EXPECT_EQ(changed, 0);
            continue;
        }
        EXPECT_GT(changed, 50);
        EXPECT_EQ(outside, 0);
        EXPECT_GT(sum_lit, sum_plain);
    }
}

} // namespace
