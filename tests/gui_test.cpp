// Menu logic without GL (screens, clicks, typing, the chosen world) and the phrase table.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>
#include "base/config.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "scratch.h"
#include "world/saver.h"

class MenuTest : public ::testing::Test {
  protected:
    ScratchDir dir;
    GameParams params{0, 0, 0, 0, 0, 3, "rus", 1, 0, 0}; // view distance 3, fog off
    WorldCatalogue cat{};
    void SetUp() override {
        for (int n = 1; n < PHRASE_SLOTS; n++) std::snprintf(frazes[n], PHRASE_BYTES, "p%d", n);
        for (int i = 0; i < CATALOGUE_SLOTS; i++) std::snprintf(cat.names[i], 64, "w%d", i);
        g_set_par_str(&params), g_setctlg(&cat);
    }
    static int click(int x, int y) { return g_set_mouse(x, y), g_mouse_down(); }
};

// Clicks just inside or just outside each widget: what they give, the next screen, the world
// chosen. The list holds 99 names, of which a damaged catalogue shows no more than 14.
TEST_F(MenuTest, WhatAClickAtEachPointDoes) {
    const struct {
        int screen, *handle, x, y, result, next;
        const char *world; // chosen, or "" for none
    } cases[] = {
        {SCREEN_MAIN, &menu.b_newgame, 301, 251, MENU_HANDLED, SCREEN_WORLDS, ""},
        {SCREEN_MAIN, nullptr, 300, 260, MENU_NOTHING, SCREEN_MAIN, ""}, // edges are strict,
        {SCREEN_MAIN, nullptr, 301, 280, MENU_NOTHING, SCREEN_MAIN, ""}, // even between two
        {SCREEN_MAIN, &menu.b_options, 400, 339, MENU_HANDLED, SCREEN_OPTIONS, ""},
        {SCREEN_MAIN, &menu.b_exit, 499, 429, MENU_QUIT, SCREEN_MAIN, ""},
        {SCREEN_WORLDS, &menu.b_new_world, 400, 501, MENU_HANDLED, SCREEN_NEW_WORLD, ""},
        {SCREEN_WORLDS, &menu.b_back_to_menu, 400, 569, MENU_HANDLED, SCREEN_MAIN, ""},
        {SCREEN_WORLDS, &menu.play_w[0], 151, 221, MENU_WORLD, SCREEN_CHOSEN, "w0"},
        {SCREEN_WORLDS, &menu.play_w[7], 349, 459, MENU_WORLD, SCREEN_CHOSEN, "w7"},
        {SCREEN_WORLDS, &menu.play_w[8], 651, 221, MENU_WORLD, SCREEN_CHOSEN, "w8"},
        {SCREEN_WORLDS, &menu.play_w[13], 799, 399, MENU_WORLD, SCREEN_CHOSEN, "w13"},
        {SCREEN_WORLDS, nullptr, 700, 410, MENU_NOTHING, SCREEN_WORLDS, ""}, // a 15th's place
        {SCREEN_OPTIONS, &menu.b_save, 400, 510, MENU_SETTINGS, SCREEN_MAIN, ""},
        {SCREEN_LANGUAGE, &menu.b_rus, 11, 301, MENU_SETTINGS, SCREEN_MAIN, ""},
        {SCREEN_LANGUAGE, &menu.b_eng, 789, 499, MENU_SETTINGS, SCREEN_MAIN, ""},
        {SCREEN_NEW_WORLD, &menu.b_create_world, 400, 529, MENU_WORLD, SCREEN_CHOSEN, "world 1"}};
    cat.count = 99;
    Caption caps[4];
    for (const auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        menu.w_param = WorldChoice{"", 7};
        g_level(c.screen);
        for (const auto &o : cases) // each handle is live on its own screen only
            EXPECT_EQ(o.handle && *o.handle >= 0, o.handle && o.screen == c.screen) << &o - cases;
        EXPECT_EQ(click(c.x, c.y), c.result);
        EXPECT_EQ(menu.lvl, c.next);
        EXPECT_STREQ(g_get_world()->name, c.world);
        // A listed world resumes at the size it was saved with; a new one is size 1 here.
        EXPECT_EQ(g_get_world()->size, !*c.world ? 7 : c.screen == SCREEN_WORLDS ? 0 : 1);
    }
    g_level(SCREEN_WORLDS);
    EXPECT_EQ(all(buttons, g_captions(caps)), all(2 + 14, 1));
    cat.count = 0, g_level(SCREEN_WORLDS);
    EXPECT_EQ(all(buttons, g_captions(caps)), all(2, 2)); // the "no worlds" note
    g_level(SCREEN_MAIN);
    addButton(300, 250, 200, 30, "cover");
    EXPECT_EQ(click(499, 279), 0); // the highest index wins
    g_level(SCREEN_NEW_WORLD);
    menu.t_active = -1;
    EXPECT_EQ(click(260, 250) + click(260, 280), 0); // fields react to y + 1 .. y + 29 only
    EXPECT_EQ(click(260, 251) + click(10, 10), 1);   // a miss keeps the active field
    EXPECT_EQ(menu.t_active, menu.t_world_name);
    t_field[menu.t_world_name].y = 390; // over the size box, with a later button there too
    addButton(250, 390, 300, 34, "cover");
    EXPECT_EQ(click(255, 400), 1); // the field beats the button; the box turns all the same
    EXPECT_EQ(d_box[menu.d_world_big].selected, 1);
}

TEST_F(MenuTest, TheOptionsShowAndStoreTheSettings) {
    g_level(SCREEN_OPTIONS);
    EXPECT_STREQ(d_box[menu.d_v_distance].items[d_box[menu.d_v_distance].selected], "p22");
    EXPECT_STREQ(d_box[menu.d_fog].items[d_box[menu.d_fog].selected], "p26");
    for (int y : {260, 260, 330}) click(255, y); // view distance 3 -> 1 -> 2, fog on
    EXPECT_EQ((std::vector<int>{click(400, 510), params.view_distance, params.fog_enabled}),
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
    // The first six never become a path: nothing is created and one line says why, under the
    // form until the next key or click.
    const char *names[] = {"", "   ", ".", "..", "a/b", "../x", "...", " x ", ".a", "%s", "\xff"};
    for (const char *const &name : names) {
        const bool ok = &name - names >= 6;
        SCOPED_TRACE(name);
        menu.w_param = WorldChoice{"before", 0};
        g_level(SCREEN_NEW_WORLD);
        click(255, 400); // the size box: medium
        std::strcpy(t_field[menu.t_world_name].text, name);
        const std::string out =
            output_of([&] { EXPECT_EQ(click(400, 510), ok ? MENU_WORLD : MENU_NOTHING); });
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), ok ? 0 : 1);
        EXPECT_STREQ(g_get_world()->name, ok ? name : "before");
        EXPECT_EQ(g_get_world()->size, ok ? 2 : 0);
        Caption caps[4] = {};
        EXPECT_EQ(g_captions(caps), ok ? 0 : 4);
        EXPECT_EQ(caps[3].phrase, ok ? 0 : PHRASE_BAD_NAME);
        if (ok) continue;
        EXPECT_EQ((name[0] ? click(10, 10) : g_send_key(0), g_captions(caps)), 3);
    }
}

// Text wider than its widget, or than the screen's part of it, shrinks and centres there.
TEST_F(MenuTest, TextsFitTheirWidgetsAndTheScreen) {
    const std::string w17(17, 'W'), w19(19, 'W'), w63(63, 'w');
    const struct {
        int x, w;
        std::string text;
        int cx, y, size;
    } cases[] = {{250, 300, w19, 400, 52, 19},        // the longest typed name, 255..544
                 {150, 200, w19, 250, 57, 13},        // left column, 152..349
                 {250, 300, w17, 400, 50, 22},        // advances 251..549: inside
                 {650, 200, "world 12", 725, 50, 22}, // 679..820 off screen; 654..795
                 {650, 200, w63, 725, 66, 2}};        // the longest folder name, 674..738
    for (const auto &c : cases) {
        const TextPlace got = g_fit_text(c.x, 50, c.w, 22, c.text.c_str());
        EXPECT_EQ(all(got.cx, got.y, got.size), all(c.cx, c.y, c.size)) << c.text;
    }
}

// Line numbering, the CR LF cut, language switches, damaged and shipped files.
TEST(Lang, LinesLandInTheirSlotsAndTheShippedFilesCoverTheMenu) {
    std::string y125(125, 'y'), many, over = std::string(200, 'x') + "\r\nnext\r\n" + y125 + "\r\n";
    for (int i = 1; i <= 300; i++) many += "L" + std::to_string(i) + "\r\n";
    const struct {
        std::string rus, eng; // no eng: the file is missing
        std::vector<std::pair<unsigned, std::string>> want;
    } cases[] = {
        {"keep\r\n", "", {{1, "keep"}}},
        // A line ending without CR LF loses two bytes all the same; under two bytes, all.
        {"r\r\nr\r\nr\r\nr\r\nr5\r\nr6\r\n",
         "\nab\r\ncde\nwxyz",
         {{0, ""}, {1, ""}, {2, "ab"}, {3, "cd"}, {4, "wx"}, {5, "r5"}}},
        {"", "e\r\nz", {{1, "e"}, {2, ""}, {5, "r5"}, {6, "r6"}}},
        {"", over, {{1, std::string(125, 'x')}, {2, "next"}, {3, y125}}},
        {"", many, {{255, "L255"}, {1000, ""}}},
    };
    ScratchDir dir(false);
    ScratchDir::mkdir_p("lang");
    frazes[0][PHRASE_BYTES - 1] = 'Z'; // the byte just before slot 1
    for (const auto &c : cases) {
        SCOPED_TRACE(&c - cases);
        if (!c.rus.empty()) {
            std::ofstream("lang/rus.txt") << c.rus;
            lang_init("rus");
        }
        if (!c.eng.empty()) std::ofstream("lang/eng.txt") << c.eng;
        EXPECT_EQ(output_of([] { lang_init("eng"); }), // ASan reports any write past the table
                  c.eng.empty() ? "fail not found lang/eng.txt" : "");
        for (auto &w : c.want) EXPECT_EQ(lang_get(w.first), w.second) << "phrase " << w.first;
        EXPECT_EQ(frazes[0][PHRASE_BYTES - 1], 'Z');
    }
    // The shipped files: CR LF ends, every menu phrase, Russian in windows-1251.
    ASSERT_EQ(std::system("rm -r lang && ln -s '" TESS_GAME_DIR "/lang' lang"), 0);
    for (const char *code : {"eng", "rus"}) {
        std::string s;
        std::getline(std::ifstream(std::string("lang/") + code + ".txt"), s, '\0');
        EXPECT_EQ(s.substr(s.size() - 2), "\r\n") << code;
        EXPECT_EQ(std::count(s.begin(), s.end(), '\r'), std::count(s.begin(), s.end(), '\n'));
        for (auto &p : frazes) p[0] = 0;
        lang_init(code);
        for (unsigned n = 1; n <= PHRASE_BAD_NAME; n++) EXPECT_NE(lang_get(n)[0], 0) << code << n;
    }
    EXPECT_EQ(static_cast<unsigned char>(lang_get(1)[0]), 0xCD); // "Н" of "Новая"
}
