// Menu logic without GL: screens, handles, click resolution, typing and the chosen world.
#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <tuple>
#include "base/config.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "scratch.h"
#include "world/saver.h"

class MenuTest : public ::testing::Test {
  protected:
    using Rect = std::array<int, 4>;
    ScratchDir dir;
    GameParams params{0, 0, 0, 0, 0, 3, "rus", 1, 0, 0}; // view distance 3, fog off
    WorldCatalogue cat{};
    void SetUp() override {
        for (int n = 1; n < PHRASE_SLOTS; n++) std::snprintf(frazes[n], PHRASE_BYTES, "p%d", n);
        for (int i = 0; i < CATALOGUE_SLOTS; i++) std::snprintf(cat.names[i], 64, "w%d", i);
        g_set_par_str(&params), g_setctlg(&cat);
    }
    static int click(int x, int y) { return g_set_mouse(x, y), g_mouse_down(); }
    template <class W> static int hit(const W &w) { return click(w.x + 5, w.y + 10); }
    static Rect rect(int b) { return {btt[b].x, btt[b].y, btt[b].w, btt[b].h}; }
};

TEST_F(MenuTest, PositionsAndClickResolution) {
    g_level(SCREEN_MAIN);
    const int rows[] = {220, 250, 280, 310, 340, 370, 400, 430}; // of the worlds' columns
    for (int i = 0; i < 6; i++) EXPECT_EQ(rect(i), (Rect{300, rows[i + 1], 200, 30}));
    EXPECT_EQ(click(300, 260) + click(301, 280), 0); // edges are strict, even between buttons
    addButton(300, 250, 200, 30, "cover");
    EXPECT_EQ(click(499, 279), 0); // the highest index wins
    g_level(SCREEN_LANGUAGE);
    EXPECT_EQ(rect(menu.b_rus), (Rect{10, 300, 300, 200}));
    Caption caps[4];
    for (int n : {0, 9, 14, 99}) { // 99: a damaged catalogue lists no more than it holds
        cat.count = n;
        g_level(SCREEN_WORLDS);
        EXPECT_EQ(buttons - 2, std::min(n, CATALOGUE_MAX)) << n;
        EXPECT_EQ(g_captions(caps), n ? 1 : 2) << n; // the "no worlds" note
        for (int i = 0; i < buttons - 2; i++)
            EXPECT_EQ(rect(menu.play_w[i]), (Rect{i < 8 ? 150 : 650, rows[i % 8], 200, 30}));
    }
    g_level(SCREEN_NEW_WORLD);
    menu.t_active = -1;
    EXPECT_EQ(click(260, 250) + click(260, 280), 0); // fields react to y + 1 .. y + 29 only
    EXPECT_EQ(click(260, 251) + click(10, 10), 1);   // a miss keeps the active field
    EXPECT_EQ(menu.t_active, menu.t_world_name);
    t_field[menu.t_world_name].y = d_box[menu.d_world_big].y;
    addButton(250, 390, 300, 34, "cover");
    EXPECT_EQ(hit(d_box[menu.d_world_big]), 1); // the field beats the later button; the box turns
    EXPECT_EQ(d_box[menu.d_world_big].selected, 1);
}

// Each handle is live on its own screen only; a click on it gives its result and screen.
TEST_F(MenuTest, HandlesAndWhatAClickOnEachDoes) {
    struct {
        int screen, *handle, result, next;
    } cases[] = {{SCREEN_MAIN, &menu.b_newgame, MENU_HANDLED, SCREEN_WORLDS},
                 {SCREEN_MAIN, &menu.b_multiplayer, MENU_NOTHING, SCREEN_MAIN},
                 {SCREEN_MAIN, &menu.b_options, MENU_HANDLED, SCREEN_OPTIONS},
                 {SCREEN_MAIN, &menu.b_credits, MENU_NOTHING, SCREEN_MAIN},
                 {SCREEN_MAIN, &menu.b_web, MENU_NOTHING, SCREEN_MAIN},
                 {SCREEN_MAIN, &menu.b_exit, MENU_QUIT, SCREEN_MAIN},
                 {SCREEN_WORLDS, &menu.b_new_world, MENU_HANDLED, SCREEN_NEW_WORLD},
                 {SCREEN_WORLDS, &menu.b_back_to_menu, MENU_HANDLED, SCREEN_MAIN},
                 {SCREEN_OPTIONS, &menu.b_save, MENU_SETTINGS, SCREEN_MAIN},
                 {SCREEN_LANGUAGE, &menu.b_rus, MENU_SETTINGS, SCREEN_MAIN},
                 {SCREEN_LANGUAGE, &menu.b_eng, MENU_SETTINGS, SCREEN_MAIN},
                 {SCREEN_NEW_WORLD, &menu.b_create_world, MENU_WORLD, SCREEN_CHOSEN}};
    for (const auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        g_level(c.screen);
        for (const auto &o : cases) EXPECT_EQ(*o.handle >= 0, o.screen == c.screen);
        EXPECT_EQ(hit(btt[*c.handle]), c.result);
        EXPECT_EQ(menu.lvl, c.next);
    }
    ScratchDir::mkdir_p("saves/w0"); // a listed world resumes at the size its chunks need
    std::ofstream("saves/w0/2-25-9.vxc") << std::string(CHUNK_FILE_BYTES, 0);
    cat.count = 1, g_level(SCREEN_WORLDS);
    EXPECT_EQ(hit(btt[menu.play_w[0]]), MENU_WORLD);
    EXPECT_STREQ(g_get_world()->name, "w0");
    EXPECT_EQ(g_get_world()->size, 3);                  // y = 25 needs 30 chunks across
    std::ofstream("saves/w0/world.info") << "size 7\n"; // unreadable: the smallest, never 0
    EXPECT_EQ((g_level(SCREEN_WORLDS), hit(btt[menu.play_w[0]]), g_get_world()->size), 1);
    g_level(SCREEN_OPTIONS); // the options show and store GameParams
    EXPECT_STREQ(d_box[menu.d_v_distance].items[d_box[menu.d_v_distance].selected], "p22");
    EXPECT_STREQ(d_box[menu.d_fog].items[d_box[menu.d_fog].selected], "p26");
    for (int b : {menu.d_v_distance, menu.d_v_distance, menu.d_fog})
        hit(d_box[b]); // 3 -> 1 -> 2, fog on
    EXPECT_EQ((std::vector<int>{hit(btt[menu.b_save]), params.view_distance, params.fog_enabled}),
              (std::vector<int>{MENU_SETTINGS, 2, 1}));
}

TEST_F(MenuTest, TypingANameAndCreatingTheWorld) {
    params.world_counter = 5;
    g_level(SCREEN_NEW_WORLD);
    EXPECT_STREQ(t_field[menu.t_world_name].text, "world 5");
    for (int k : {9, 13, 27, 0, 31, 256, -3}) EXPECT_EQ(g_send_key(k), 0) << k;
    for (int i = 0; i < 13; i++) EXPECT_EQ(g_send_key('a' + i), i < 12); // 19 bytes at most
    for (int i = 0; i < 20; i++) EXPECT_EQ(g_send_key(8), i < 19);       // then nothing to delete
    for (int k : {127, 255, 32}) EXPECT_EQ(g_send_key(k), 1);
    // The first six never become a path: nothing is created and one line says why.
    const char *names[] = {"", "   ", ".", "..", "a/b", "../x", "...", " x ", ".a", "%s", "\xff"};
    for (const char *const &name : names) {
        bool ok = &name - names >= 6;
        SCOPED_TRACE(name);
        menu.w_param = WorldChoice{"before", 0};
        g_level(SCREEN_NEW_WORLD);
        hit(d_box[menu.d_world_big]);
        std::strcpy(t_field[menu.t_world_name].text, name);
        const std::string out = output_of(
            [&] { EXPECT_EQ(hit(btt[menu.b_create_world]), ok ? MENU_WORLD : MENU_NOTHING); });
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), ok ? 0 : 1);
        EXPECT_STREQ(g_get_world()->name, ok ? name : "before");
        EXPECT_EQ(g_get_world()->size, ok ? 2 : 0);
        // The reason shows under the form until the next key or click.
        Caption caps[4] = {};
        EXPECT_EQ(g_captions(caps), ok ? 0 : 4);
        EXPECT_EQ(caps[3].phrase, ok ? 0 : PHRASE_BAD_NAME);
        if (ok) continue;
        EXPECT_EQ(&name - names < 3 ? g_send_key(0) : click(10, 10), 0); // a key or a click
        EXPECT_EQ(g_captions(caps), 3);
    }
}

// Text wider than its widget, or than the screen's part of it, shrinks and centres there.
TEST_F(MenuTest, TextsFitTheirWidgetsAndTheScreen) {
    const std::string w17(17, 'W'), w19(19, 'W'), w63(63, 'w');
    const struct {
        int x, w;
        std::string text;
        TextPlace want;
    } cases[] = {{250, 300, "world 1", {400, 50, 22}},  // fits: as it always was
                 {250, 300, w19, {400, 52, 19}},        // the longest typed name, 255..544
                 {150, 200, w19, {250, 57, 13}},        // left column, 152..349
                 {250, 300, w17, {400, 50, 22}},        // advances 251..549: inside
                 {650, 200, "abc", {750, 50, 22}},      // 723..779: clear of the screen edge
                 {650, 200, "world 12", {725, 50, 22}}, // 679..820 off screen; 654..795
                 {650, 200, w63, {725, 50 + 16, 2}},    // the longest folder name, 674..738
                 {0, 800, "", {400, 50, 22}}};
    for (const auto &c : cases) {
        const TextPlace got = g_fit_text(c.x, 50, c.w, 22, c.text.c_str());
        EXPECT_EQ(std::make_tuple(got.cx, got.y, got.size),
                  std::make_tuple(c.want.cx, c.want.y, c.want.size))
            << c.text;
    }
}
