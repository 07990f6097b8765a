// Menu drawing under Xvfb with plain-colour images; every screen is saved as PNG.
#include <cstring>
#include "draw/font.h"
#include "draw/textures.h"
#include "gl_fixture.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "world/saver.h"

static GLuint texture(unsigned rgb, unsigned left = 0) { // 2 x 1; left texel rgb unless given
    const GLuint px[2] = {(left ? left : rgb) | 0xff000000u, rgb | 0xff000000u};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, px);
    return name;
}

// The light's phase drawn at sin = 1; k = ir / 45 shows the background's red half from x = 744.
constexpr float LIT = 1.5707963f - 0.005f;

class MenuDrawTest : public glfix::GlTest {
  protected:
    WorldCatalogue cat{};
    // Background grey, its left half red; logo blue; flags yellow and cyan; glyphs white blocks.
    void SetUp() override {
        glfix::GlTest::SetUp();
        glEnable(GL_TEXTURE_2D); // the state start-up leaves for every pass
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glLineWidth(2.0f);
        static unsigned int names[5] = {texture(0x808080, 0xff0000), texture(0xc8),
                                        texture(0xffff00), texture(0xffff), texture(0xffffff)};
        g_set_back(names);
        initfont(names[4]);
        g_setctlg(&cat);
        for (int i = 0; i < CATALOGUE_SLOTS; i++) std::snprintf(cat.names[i], 64, "world %d", i);
        for (int n = 1; n < PHRASE_SLOTS; n++) std::snprintf(frazes[n], 8, "MMMMMM");
    }
    glfix::Image draw(int mx, int my) { // over a scene pass's state, which it must hand back
        view_overlay_projection();
        glRotatef(30, 0, 1, 0);
        g_set_mouse(mx, my);
        g_draw();
        expect_pass_state();
        EXPECT_EQ(glfix::floats(GL_CURRENT_COLOR, 4), glfix::all(1, 1, 1, 1)); // white
        return glfix::read_framebuffer();
    }
};

// The pointer rests on a lit label, flag or item; unlit buttons 0.6 grey.
TEST_F(MenuDrawTest, EveryScreenItsWidgetsHighlightsAndCaret) {
    const struct {
        int screen, worlds, px, py;
        const char *name;
    } shots[] = {{SCREEN_LANGUAGE, 0, 491, 301, "menu_language"},
                 {SCREEN_MAIN, 0, 400, 318, "menu_main"},
                 {SCREEN_WORLDS, 9, 750, 228, "menu_worlds"},
                 {SCREEN_NEW_WORLD, 0, 400, 400, "menu_new_world"},
                 {SCREEN_OPTIONS, 0, 400, 260, "menu_options"},
                 {SCREEN_CHOSEN, 0, 0, 0, "menu_chosen"}};
    for (const auto &s : shots) {
        SCOPED_TRACE(s.name);
        cat.count = s.worlds;
        g_level(s.screen);
        menu.ir = LIT;
        auto im = draw(s.px, s.py);
        EXPECT_FALSE(glfix::save_png(im, s.name).empty());
        EXPECT_EQ(im.at(s.px, s.py).b, s.screen == SCREEN_CHOSEN ? 128 : 255);
        EXPECT_EQ(im.at(770, 120).b - im.at(65, 120).b, 200 - 128); // the logo spans 75..775
        EXPECT_EQ(im.at(17, 585).g + im.at(700, 560).g + im.at(760, 560).r, 255 + 128 + 255);
        for (const Button *b = btt; b < btt + buttons; b++) {
            EXPECT_NEAR(im.at(b->x + b->w / 2, b->y + 8).g, g_over_button(*b) ? 255 : 153, 3);
            EXPECT_EQ(im.at(b->x - 1, b->y + 8).g, 128);
        }
        Caption caps[4];
        for (int i = 0, n = g_captions(caps); i < n; i++)
            EXPECT_EQ(im.at(caps[i].x, caps[i].y + 8).g, 255) << i;
    }
    g_level(SCREEN_NEW_WORLD);
    menu.mig = 29; // the caret beside "world 1" is dark on the blink's first half
    menu.ir = 359.998f;
    auto off = draw(0, 0), on = draw(0, 0);
    EXPECT_EQ(off.count_not({102, 102, 102}, 462, 260, 466, 280), 0);
    EXPECT_GT(on.count_not({102, 102, 102}, 462, 260, 466, 280), 10);
    EXPECT_NEAR(menu.ir, 0.008f, 1e-3f); // the phase wrapped
}

// 14 long names stay in their columns and on screen; a refused name says why under the form,
// in either language and inside the screen, until the next key.
TEST_F(MenuDrawTest, LongNamesStayInTheirColumnsAndARefusedNameSaysWhyInBothLanguages) {
    const glfix::Rgb grey{128, 128, 128}, red{255, 0, 0}; // the background left and right of 744
    menu.ir = LIT;
    cat.count = CATALOGUE_MAX;
    for (int i = 0; i < CATALOGUE_MAX; i++)
        std::snprintf(cat.names[i], CATALOGUE_NAME, "%s", std::string(8 + 4 * i, 'W').c_str());
    g_level(SCREEN_WORLDS);
    auto im = draw(0, 0);
    // Columns 150..350 and 650..800, rows 220..460, the heading above them.
    EXPECT_EQ(im.count_not(grey, 0, 223, 150, 460) + im.count_not(grey, 350, 223, 650, 460) +
                  im.count_not(red, 798, 223, 800, 460),
              0);
    for (int i = 0; i < CATALOGUE_MAX; i++) {
        const Button &b = btt[menu.play_w[i]];
        const int right = std::min(b.x + b.w, 744); // the grey part of the background
        EXPECT_GT(im.count_not(grey, b.x, b.y, right, b.y + b.h), 8 + 4 * i) << i;
    }
    ScratchDir dir(false);
    ASSERT_EQ(symlink(TESS_GAME_DIR "/lang", "lang"), 0);
    ASSERT_EQ(LoadGLTextures(0, TESS_GAME_DIR "/font.tga", &font, 1), 1); // real letters
    view_overlay_projection(); // the README's sample of the font
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST); // as the menu draws
    glClearColor(0.12f, 0.16f, 0.22f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    f_print(400, 200, 22, "New game", 1);
    f_print(400, 300, 22, "\xCD\xEE\xE2\xE0\xFF \xE8\xE3\xF0\xE0", 1); // windows-1251
    EXPECT_NE(glfix::save_png(glfix::read_framebuffer(), "font_new_game"), "");
    for (const char *code : {"rus", "eng"}) {
        SCOPED_TRACE(code);
        lang_init(code), menu.ir = LIT; // each draw moves the light on
        g_level(SCREEN_NEW_WORLD);
        std::strcpy(t_field[menu.t_world_name].text, " ");
        g_set_mouse(400, 515);
        EXPECT_EQ(g_mouse_down(), MENU_NOTHING);
        auto said = draw(0, 0);
        EXPECT_GT(said.count_not(grey, 0, 440, 744, 470), 1500);
        EXPECT_EQ(said.count_not(grey, 0, 425, 4, 495), 0); // inside the screen
        g_send_key('x');
        EXPECT_EQ(draw(0, 0).count_not(grey, 0, 435, 744, 495), 0);
    }
    glDeleteTextures(1, &font);
}
