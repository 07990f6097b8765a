// Menu logic without GL: screens, handles, click resolution, typing and the chosen world.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "scratch.h"
#include "shell/config.h"
#include "world/saver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

class MenuTest : public ::testing::Test {
  protected:
    ScratchDir dir;
    GameParams params{};
    WorldCatalogue cat{};
    const unsigned int names[5] = {11, 12, 13, 14, 0};

    void SetUp() override {
        for (int n = 1; n < PHRASE_SLOTS; n++) std::snprintf(frazes[n], PHRASE_BYTES, "p%d", n);
        frazes[0][0] = 0;
        params.view_distance = 1;
        std::memcpy(params.language, "rus", 4);
        params.world_counter = 1;
        params.fog_enabled = 1;
        g_set_par_str(&params);
        g_set_back(names);
        g_setctlg(&cat);
        g_set_mouse(0, 0);
    }
    void list_worlds(int n) {
        cat.count = n;
        for (int i = 0; i < n; i++) std::snprintf(cat.names[i], CATALOGUE_NAME, "w%d", i);
    }
    static int click(int x, int y) {
        g_set_mouse(x, y);
        return g_mouse_down();
    }
    static int click_on(int button) {
        return click(btt[button].x + btt[button].w / 2, btt[button].y + btt[button].h / 2);
    }
    static int click_box(int box) { return click(d_box[box].x + 5, d_box[box].y + 10); }
    static void type(const char *s) {
        for (; *s; s++) g_send_key(static_cast<unsigned char>(*s));
    }
    // Every handle that is not -1, by name.
    static std::vector<std::string> live_handles() {
        std::vector<std::string> out;
        struct {
            const char *name;
            int value;
        } all[] = {{"b_newgame", b_newgame},
                   {"b_multiplayer", b_multiplayer},
                   {"b_options", b_options},
                   {"b_credits", b_credits},
                   {"b_web", b_web},
                   {"b_exit", b_exit},
                   {"b_rus", b_rus},
                   {"b_eng", b_eng},
                   {"b_new_world", b_new_world},
                   {"b_back_to_menu", b_back_to_menu},
                   {"b_create_world", b_create_world},
                   {"t_world_name", t_world_name},
                   {"d_world_type", d_world_type},
                   {"d_world_big", d_world_big},
                   {"b_save", b_save},
                   {"d_v_distance", d_v_distance},
                   {"d_fog", d_fog}};
        for (auto &h : all)
            if (h.value != -1) out.push_back(h.name);
        for (int i = 0; i < WORLD_BUTTONS; i++)
            if (play_w[i] != -1) out.push_back("play_w" + std::to_string(i));
        return out;
    }
    static void touch_chunk(const char *world, const char *file) {
        ScratchDir::mkdir_p(std::string("saves/") + world);
        std::ofstream(std::string("saves/") + world + "/" + file, std::ios::binary)
            << std::string(CHUNK_FILE_BYTES, '\0');
    }
};

using Names = std::vector<std::string>;

TEST_F(MenuTest, EachScreenHasOnlyItsOwnHandles) {
    list_worlds(2);
    g_level(0);
    EXPECT_EQ(live_handles(),
              (Names{"b_newgame", "b_multiplayer", "b_options", "b_credits", "b_web", "b_exit"}));
    g_level(1);
    EXPECT_EQ(live_handles(), (Names{"b_rus", "b_eng"}));
    g_level(2);
    EXPECT_EQ(live_handles(), (Names{"b_new_world", "b_back_to_menu", "play_w0", "play_w1"}));
    g_level(3);
    EXPECT_EQ(live_handles(),
              (Names{"b_create_world", "t_world_name", "d_world_type", "d_world_big"}));
    g_level(4);
    EXPECT_EQ(live_handles(), (Names{"b_save", "d_v_distance", "d_fog"}));
    g_level(29);
    EXPECT_TRUE(live_handles().empty());
    EXPECT_EQ(buttons + t_fields + d_boxes, 0);
    EXPECT_EQ(t_active, -1);
}

TEST_F(MenuTest, ScreensStandWhereTheMenuDrawsThem) {
    g_level(0);
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(btt[i].x, 300);
        EXPECT_EQ(btt[i].y, 250 + 30 * i);
        EXPECT_EQ(btt[i].w, 200);
        EXPECT_EQ(btt[i].h, 30);
        EXPECT_EQ(btt[i].label, "p" + std::to_string(i + 1));
    }
    g_level(1);
    EXPECT_EQ(btt[b_rus].x, 10);
    EXPECT_EQ(btt[b_eng].x, 490);
    EXPECT_EQ(btt[b_eng].y, 300);
    EXPECT_EQ(btt[b_eng].h, 200);
    EXPECT_EQ(btt[b_rus].texture, 13u);
    EXPECT_EQ(btt[b_eng].texture, 14u);
    EXPECT_EQ(btt[b_eng].picture, 1);
    Caption caps[4];
    ASSERT_EQ(g_captions(caps), 2);
    EXPECT_EQ(caps[1].x, 635);
    EXPECT_EQ(caps[1].phrase, 8u);
    g_level(4);
    ASSERT_EQ(g_captions(caps), 2);
    EXPECT_EQ(caps[1].phrase, 27u);
}

TEST_F(MenuTest, WorldListColumns) {
    Caption caps[4];
    g_level(2);
    EXPECT_EQ(buttons, 2);
    ASSERT_EQ(g_captions(caps), 2); // heading and the "no worlds" note
    EXPECT_EQ(caps[0].size, 26);
    EXPECT_EQ(caps[1].phrase, 29u);

    list_worlds(9);
    g_level(2);
    ASSERT_EQ(g_captions(caps), 1);
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(btt[play_w[i]].x, 150);
        EXPECT_EQ(btt[play_w[i]].y, 220 + 30 * i);
    }
    EXPECT_EQ(btt[play_w[8]].x, 650);
    EXPECT_EQ(btt[play_w[8]].y, 220);
    EXPECT_STREQ(btt[play_w[8]].label, "w8");

    list_worlds(14);
    g_level(2);
    EXPECT_EQ(buttons, 16);
    EXPECT_EQ(btt[play_w[13]].x, 650);
    EXPECT_EQ(btt[play_w[13]].y, 370);
    EXPECT_EQ(play_w[14], -1);

    cat.count = 99; // a damaged catalogue lists no more than it can hold
    g_level(2);
    EXPECT_EQ(buttons, 2 + CATALOGUE_MAX);
}

TEST_F(MenuTest, ClickResolutionOrder) {
    // Strict button edges: on the edge nothing, one pixel inside the button.
    g_level(0);
    EXPECT_EQ(click(300, 260), 0);
    EXPECT_EQ(click(301, 280), 0); // the seam between two buttons
    EXPECT_EQ(click(499, 279), 1);
    EXPECT_EQ(lvl, 2);

    // The highest index wins: a later button over "new game" takes the click.
    g_level(0);
    int over = addButton(300, 250, 200, 30, "cover");
    ASSERT_GT(over, b_newgame);
    EXPECT_EQ(click_on(b_newgame), 0);
    EXPECT_EQ(lvl, 0);

    // A field beats any button under it, and boxes advance on every click.
    g_level(3);
    int cover = addButton(250, 250, 300, 34, "cover");
    int box = addDBox(250, 250, 300);
    add_item_to_dbox(box, "a");
    add_item_to_dbox(box, "b");
    t_active = -1;
    EXPECT_EQ(click(260, 279), 1);
    EXPECT_EQ(t_active, t_world_name);
    EXPECT_EQ(d_box[box].selected, 1);
    EXPECT_GE(cover, 0);

    // Only y + 1 .. y + 29 of a field reacts; a miss leaves the active field alone.
    g_level(3);
    t_field[t_world_name].y = 100;
    t_active = -1;
    EXPECT_EQ(click(260, 130), 0);
    EXPECT_EQ(t_active, -1);
    EXPECT_EQ(click(260, 100), 0);
    EXPECT_EQ(click(260, 101), 1);
    EXPECT_EQ(t_active, t_world_name);
    EXPECT_EQ(click(10, 10), 0);
    EXPECT_EQ(t_active, t_world_name);
}

TEST_F(MenuTest, DropBoxesCycle) {
    g_level(3);
    EXPECT_EQ(click_box(d_world_type), 0);
    EXPECT_EQ(d_box[d_world_type].selected, 0);
    std::vector<std::string> seen;
    for (int i = 0; i < 4; i++) {
        seen.push_back(d_box[d_world_big].items[d_box[d_world_big].selected]);
        EXPECT_EQ(click_box(d_world_big), 0);
    }
    EXPECT_EQ(seen, (Names{"p16", "p17", "p18", "p16"}));
}

TEST_F(MenuTest, MainMenuHandles) {
    g_level(0);
    for (int h : {b_multiplayer, b_credits, b_web}) {
        EXPECT_EQ(click_on(h), 0);
        EXPECT_EQ(lvl, 0);
    }
    EXPECT_EQ(click_on(b_exit), 3);
    EXPECT_EQ(lvl, 0);
    EXPECT_EQ(click_on(b_options), 1);
    EXPECT_EQ(lvl, 4);
    g_level(0);
    EXPECT_EQ(click_on(b_newgame), 1);
    EXPECT_EQ(lvl, 2);
    EXPECT_EQ(click_on(b_back_to_menu), 1);
    EXPECT_EQ(lvl, 0);
}

TEST_F(MenuTest, LanguageButtonsLoadTheLanguageAndRebuildTheMenu) {
    ScratchDir::mkdir_p("lang");
    std::ofstream("lang/eng.txt", std::ios::binary) << "Start\r\n";
    std::ofstream("lang/rus.txt", std::ios::binary) << "Nachalo\r\n";
    g_level(1);
    EXPECT_EQ(click_on(b_eng), 2);
    EXPECT_STREQ(params.language, "eng");
    EXPECT_EQ(lvl, 0);
    EXPECT_STREQ(btt[b_newgame].label, "Start");
    g_level(1);
    EXPECT_EQ(click_on(b_rus), 2);
    EXPECT_STREQ(params.language, "rus");
    EXPECT_STREQ(btt[b_newgame].label, "Nachalo");
}

TEST_F(MenuTest, OptionsShowAndStoreGameParams) {
    params.view_distance = 3;
    params.fog_enabled = 0;
    g_level(4);
    EXPECT_STREQ(d_box[d_v_distance].items[d_box[d_v_distance].selected], "p22");
    EXPECT_STREQ(d_box[d_fog].items[d_box[d_fog].selected], "p26");

    click_box(d_v_distance); // 3 -> 1
    click_box(d_v_distance); // 1 -> 2
    click_box(d_fog);        // off -> on
    EXPECT_EQ(click_on(b_save), 2);
    EXPECT_EQ(params.view_distance, 2);
    EXPECT_EQ(params.fog_enabled, 1);
    EXPECT_EQ(lvl, 0);

    params.view_distance = 0; // a damaged "cfg" still shows a real item
    params.fog_enabled = 7;
    g_level(4);
    EXPECT_EQ(d_box[d_v_distance].selected, 0);
    EXPECT_EQ(d_box[d_fog].selected, 1);
}

TEST_F(MenuTest, NameFieldTyping) {
    params.world_counter = 5;
    g_level(3);
    ASSERT_EQ(t_active, t_world_name);
    TextField &f = t_field[t_world_name];
    EXPECT_STREQ(f.text, "world 5");
    EXPECT_EQ(f.limit, 18);
    for (int i = 0; i < 12; i++) EXPECT_EQ(g_send_key('a' + i), 1);
    EXPECT_EQ(g_send_key('z'), 0);
    EXPECT_EQ(std::strlen(f.text), 19u);
    for (int k : {9, 13, 27, 0, 31, 256, -3}) EXPECT_EQ(g_send_key(k), 0);
    EXPECT_EQ(std::strlen(f.text), 19u);

    for (int i = 0; i < 19; i++) EXPECT_EQ(g_send_key(8), 1);
    EXPECT_STREQ(f.text, "");
    EXPECT_EQ(g_send_key(8), 0);
    EXPECT_EQ(g_send_key(127), 1);
    EXPECT_EQ(g_send_key(255), 1);
    EXPECT_EQ(g_send_key(' '), 1);
    EXPECT_STREQ(f.text, "\x7f\xff ");

    f.limit = 0; // typing blocked, deleting still allowed
    EXPECT_EQ(g_send_key('x'), 0);
    EXPECT_EQ(g_send_key(8), 1);

    g_level(0);
    EXPECT_EQ(g_send_key('x'), 0);
}

TEST_F(MenuTest, CreatingAWorld) {
    g_level(3);
    click_box(d_world_big);
    type("!%s");
    EXPECT_EQ(click_on(b_create_world), 4);
    EXPECT_STREQ(g_get_world()->name, "world 1!%s");
    EXPECT_EQ(g_get_world()->size, 2);
    EXPECT_EQ(lvl, SCREEN_CHOSEN);
    EXPECT_EQ(buttons + t_fields + d_boxes, 0);
    EXPECT_EQ(t_active, -1);
    EXPECT_EQ(click(400, 515), 0); // nothing left to click
    EXPECT_EQ(g_send_key('x'), 0);
}

TEST_F(MenuTest, UnsafeNamesCreateNothing) {
    std::strcpy(w_param.name, "before");
    for (const char *bad : {"", "   ", ".", "..", "a/b", "/", "../x"}) {
        SCOPED_TRACE(bad);
        g_level(3);
        std::strcpy(t_field[t_world_name].text, bad);
        testing::internal::CaptureStdout();
        EXPECT_EQ(click_on(b_create_world), 0);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
        EXPECT_EQ(lvl, 3);
        EXPECT_STREQ(w_param.name, "before");
    }
    for (const char *fine : {"...", " x ", ".a", "\xff\x7f", "100%"}) {
        SCOPED_TRACE(fine);
        g_level(3);
        std::strcpy(t_field[t_world_name].text, fine);
        EXPECT_EQ(click_on(b_create_world), 4);
        EXPECT_STREQ(w_param.name, fine);
    }
}

TEST_F(MenuTest, ResumingAListedWorldKeepsItsSize) {
    touch_chunk("big", "15-3-0.vxc"); // x = 15 needs 20 chunks across
    touch_chunk("huge", "2-25-9.vxc");
    touch_chunk("small", "9-9-0.vxc");
    ScratchDir::mkdir_p("saves/fresh");
    cat.count = 4;
    std::strcpy(cat.names[0], "big");
    std::strcpy(cat.names[1], "huge");
    std::strcpy(cat.names[2], "small");
    std::strcpy(cat.names[3], "fresh");
    const int want[] = {2, 3, 1, 1};
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE(cat.names[i]);
        g_level(2);
        EXPECT_EQ(click_on(play_w[i]), 4);
        EXPECT_STREQ(g_get_world()->name, cat.names[i]);
        EXPECT_EQ(g_get_world()->size, want[i]);
        EXPECT_EQ(lvl, SCREEN_CHOSEN);
    }
}

} // namespace
