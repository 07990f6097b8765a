// Menu drawing under Xvfb: placement, highlights and their zones, caret, logo sway, background
// drift, the GL state every drawing leaves, and a screenshot of every screen.
#include "gl_fixture.h"

#include "gui/gui.h"
#include "gui/lang.h"
#include "render/font.h"
#include "render/textures.h"
#include "scratch.h"
#include "shell/config.h"
#include "world/saver.h"

#include <algorithm>
#include <cstring>

namespace {

using glfix::Image;

// A 2 x 1 texture: left and right texel as 0xRRGGBB.
GLuint texture(unsigned left, unsigned right) {
    unsigned char px[8];
    for (int i = 0; i < 8; i++)
        px[i] = i % 4 == 3 ? 255 : ((i < 4 ? left : right) >> (16 - 8 * (i % 4))) & 255;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return name;
}

class MenuDrawTest : public glfix::GlTest {
  protected:
    GameParams params{0, 0, 0, 0, 0, 1, "eng", 1, 1, 0};
    WorldCatalogue cat{};

    // Grey background, blue logo, red and green flags and solid white glyphs, so each widget
    // shows as plain colour where it stands.
    void SetUp() override {
        glfix::GlTest::SetUp();
        glEnable(GL_TEXTURE_2D); // the state start-up leaves for every pass
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glLineWidth(2.0f);
        static unsigned int names[4] = {texture(0x808080, 0x808080), texture(0xc8, 0xc8),
                                        texture(0xff0000, 0xff0000), texture(0xff00, 0xff00)};
        static GLuint glyphs = texture(0xffffff, 0xffffff);
        g_set_back(names);
        initfont(glyphs);
        g_set_par_str(&params);
        g_setctlg(&cat);
        for (int i = 0; i < CATALOGUE_SLOTS; i++) std::snprintf(cat.names[i], 64, "world %d", i);
        ir = mig = 0;
    }

    // Draws over a scene pass's state and checks g_draw hands that state back.
    Image draw(int mx, int my) {
        GLfloat want[16], proj[16], model[16], colour[4];
        GLint mode = 0;
        glfix::set_perspective();
        glGetFloatv(GL_PROJECTION_MATRIX, want);
        glMatrixMode(GL_PROJECTION);
        glTranslatef(1, 2, 3);
        glMatrixMode(GL_MODELVIEW);
        glRotatef(30, 0, 1, 0);
        glfix::clear(0, 0, 0);
        g_set_mouse(mx, my);
        g_draw();
        Image im = glfix::read_framebuffer();
        glGetFloatv(GL_PROJECTION_MATRIX, proj);
        glGetFloatv(GL_MODELVIEW_MATRIX, model);
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(proj[i], want[i]);
        for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(model[i], i % 5 == 0 ? 1.0f : 0.0f);
        EXPECT_EQ(std::count(colour, colour + 4, 1.0f), 4);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        return im;
    }
};

TEST_F(MenuDrawTest, WidgetsAndTheirHighlightZones) {
    for (int n = 1; n <= 15; n++) std::strcpy(frazes[n], "MMMMMM");
    g_level(0);
    Image im = draw(400, 320); // over the third button
    for (int i = 0; i < 6; i++) {
        EXPECT_NEAR(im.at(400, 258 + 30 * i).g, i == 2 ? 255 : 153, 3) << i; // 0.6 unlit
        EXPECT_EQ(im.at(330, 258 + 30 * i).g, 128) << i; // left of the centred label
    }
    EXPECT_EQ(im.at(17, 585).g, 255);  // the credit line
    EXPECT_EQ(im.at(400, 120).b, 200); // the logo

    g_level(1);
    im = draw(490, 300); // on the "eng" flag's corner: not over it yet
    EXPECT_NEAR(im.at(11, 400).r, 153, 3);
    EXPECT_NEAR(im.at(789, 499).g, 153, 3);
    EXPECT_EQ(im.at(9, 400).g + im.at(489, 400).g + im.at(400, 400).g, 3 * 128);
    EXPECT_EQ(im.at(160, 235).g + im.at(640, 235).g, 2 * 255); // the captions
    EXPECT_EQ(draw(491, 301).at(491, 301).g, 255);

    g_level(3); // "world 1" in the active name field
    mig = 29;
    Image off = draw(0, 0), on = draw(0, 0), over = draw(300, 349), below = draw(300, 350);
    EXPECT_EQ(on.at(249, 265).g, 255);      // the active field's frame
    EXPECT_NEAR(on.at(249, 335).g, 204, 3); // a box's frame, 0.8 grey
    EXPECT_NEAR(on.at(260, 265).g, 102, 3); // inside, the background under a 20% black veil
    EXPECT_NEAR(on.at(400, 330).g, 204, 3); // the box's item
    EXPECT_EQ(over.at(249, 335).g + over.at(400, 330).g, 2 * 255); // lit under the pointer
    EXPECT_NEAR(below.at(400, 330).g, 204, 3);                     // 30 pixels down it is not
    int caret_on = 0, caret_off = 0; // just right of "world 1", on the blink's lit half only
    for (int x = 462; x <= 465; x++) caret_on = std::max(caret_on, int(on.at(x, 270).g));
    for (int x = 462; x <= 465; x++) caret_off = std::max(caret_off, int(off.at(x, 270).g));
    EXPECT_GT(caret_on, 240);
    EXPECT_LT(caret_off, 110);
}

TEST_F(MenuDrawTest, LogoSwaysBackgroundDriftsAndThePhaseWraps) {
    // Background left half red, right half green: it shows s from 0.5 + k to 1 + k.
    unsigned int names[4] = {texture(0xff0000, 0xff00), iback[1], iback[2], iback[3]};
    g_set_back(names);
    g_level(SCREEN_CHOSEN);
    Image still = draw(0, 0);
    EXPECT_EQ(still.at(100, 400).g + still.at(700, 400).g, 2 * 255);
    ir = 11.25f - 0.005f; // k = 0.25: the right quarter wraps round to the red half
    Image moved = draw(0, 0);
    EXPECT_EQ(moved.at(100, 400).g, 255);
    EXPECT_EQ(moved.at(700, 400).r, 255);
    ir = 1.5707963f - 0.005f; // sin = 1: the logo spans 75..775
    Image right = draw(0, 0);
    EXPECT_EQ(right.at(65, 120).b + right.at(770, 120).b, 200);
    ir = 4.712389f - 0.005f; // sin = -1: 25..725
    Image left = draw(0, 0);
    EXPECT_EQ(left.at(30, 120).b + left.at(735, 120).b, 200);
    ir = 359.998f;
    draw(0, 0);
    EXPECT_NEAR(ir, 0.003f, 1e-3f);
    glDeleteTextures(1, names);
}

// Every screen with the game's own pictures and English phrases, saved for a look; the
// highlight brightens the button under the pointer and changes nothing else.
TEST_F(MenuDrawTest, ScreenshotsOfEveryScreen) {
    ScratchDir dir;
    ASSERT_EQ(symlink(TESS_GAME_DIR "/lang", "lang"), 0);
    lang_init("eng");
    unsigned int names[5];
    const char *files[] = {"back.tga", "ts.tga", "lang/rus.tga", "lang/eng.tga", "font.tga"};
    for (int i = 0; i < 5; i++)
        ASSERT_TRUE(
            LoadGLTextures(i, (TESS_GAME_DIR "/" + std::string(files[i])).c_str(), names, 1));
    g_set_back(names);
    initfont(names[4]);
    struct {
        int screen, worlds, px, py;
        const char *name;
    } shots[] = {{1, 0, 600, 400, "menu_language"}, {0, 0, 400, 265, "menu_main"},
                 {2, 9, 250, 235, "menu_worlds"},   {3, 0, 400, 515, "menu_new_world"},
                 {4, 0, 400, 515, "menu_options"},  {SCREEN_CHOSEN, 0, 0, 0, "menu_chosen"}};
    for (const auto &s : shots) {
        SCOPED_TRACE(s.name);
        cat.count = s.worlds;
        g_level(s.screen);
        ir = 1, mig = 40;
        Image lit = draw(s.px, s.py);
        EXPECT_FALSE(glfix::save_png(lit, s.name).empty());
        ir = 1, mig = 40;
        Image plain = draw(5, 5);
        g_set_mouse(s.px, s.py);
        const Button *b = std::find_if(btt, btt + buttons, g_over_button);
        long gain = 0, outside = 0, changed = 0;
        for (int y = 0; y < glfix::WIN_H; y++)
            for (int x = 0; x < glfix::WIN_W; x++) {
                glfix::Rgb p = lit.at(x, y), q = plain.at(x, y);
                if (p.r == q.r && p.g == q.g && p.b == q.b) continue;
                changed++;
                gain += p.r + p.g + p.b - q.r - q.g - q.b;
                // The label may overhang its box sideways and below.
                outside += b == btt + buttons || x < b->x - 20 || x > b->x + b->w + 20 ||
                           y < b->y || y > b->y + std::max(b->h, 40);
            }
        EXPECT_EQ(changed > 50, b != btt + buttons);
        EXPECT_EQ(gain > 0, b != btt + buttons);
        EXPECT_EQ(outside, 0);
    }
}

} // namespace
