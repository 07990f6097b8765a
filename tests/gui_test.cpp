// Menu logic without GL: screens, handles, click resolution, typing and the chosen world.
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "gui/lang.h"
#include "scratch.h"
#include "shell/config.h"
#include "world/saver.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

namespace {

using Rect = std::array<int, 4>;

class MenuTest : public ::testing::Test {
  protected:
    ScratchDir dir;
    GameParams params{0, 0, 0, 0, 0, 1, "rus", 1, 1, 0};
    WorldCatalogue cat{};

    void SetUp() override {
        for (int n = 1; n < PHRASE_SLOTS; n++) std::snprintf(frazes[n], PHRASE_BYTES, "p%d", n);
        for (int i = 0; i < CATALOGUE_SLOTS; i++) std::snprintf(cat.names[i], 64, "w%d", i);
        const unsigned int names[4] = {11, 12, 13, 14};
        g_set_par_str(&params);
        g_set_back(names);
        g_setctlg(&cat);
    }
    static int click(int x, int y) {
        g_set_mouse(x, y);
        return g_mouse_down();
    }
    template <class W> static int hit(const W &w) { return click(w.x + 5, w.y + 10); }
    static Rect rect(int b) { return {btt[b].x, btt[b].y, btt[b].w, btt[b].h}; }
};

// Every handle as one character (its index, '-' for -1), then play_w.
TEST_F(MenuTest, EachScreenHasOnlyItsOwnHandles) {
    int *const all[] = {&b_newgame,    &b_multiplayer,  &b_options,      &b_credits,
                        &b_web,        &b_exit,         &b_rus,          &b_eng,
                        &b_new_world,  &b_back_to_menu, &b_create_world, &t_world_name,
                        &d_world_type, &d_world_big,    &b_save,         &d_v_distance,
                        &d_fog};
    const char *want[] = {"012345",         "------01",          "--------01-------23",
                          "----------0001", "--------------001", ""};
    cat.count = 2;
    for (int s : {0, 1, 2, 3, 4, SCREEN_CHOSEN}) {
        g_level(s);
        std::string got;
        for (int *h : all) got += *h < 0 ? '-' : static_cast<char>('0' + *h);
        for (int h : play_w) got += h < 0 ? '-' : static_cast<char>('0' + h);
        std::string w = want[std::min(s, 5)];
        EXPECT_EQ(got, w + std::string(34 - w.size(), '-')) << "screen " << s;
    }
}

TEST_F(MenuTest, ButtonsAndTheWorldListStandAtTheirPositions) {
    g_level(0);
    for (int i = 0; i < 6; i++) EXPECT_EQ(rect(i), (Rect{300, 250 + 30 * i, 200, 30})) << i;
    EXPECT_STREQ(btt[b_exit].label, "p6");
    g_level(1);
    EXPECT_EQ(rect(b_rus), (Rect{10, 300, 300, 200}));
    EXPECT_EQ(rect(b_eng), (Rect{490, 300, 300, 200}));
    EXPECT_EQ(btt[b_eng].texture * btt[b_eng].picture, 14u);
    Caption caps[4];
    for (int n : {0, 9, 14, 99}) { // 99: a damaged catalogue lists no more than it holds
        cat.count = n;
        g_level(2);
        int shown = std::min(n, CATALOGUE_MAX);
        EXPECT_EQ(buttons, 2 + shown) << n;
        EXPECT_EQ(g_captions(caps), n ? 1 : 2) << n; // the "no worlds" note
        for (int i = 0; i < shown; i++)
            EXPECT_EQ(rect(play_w[i]), (Rect{i < 8 ? 150 : 650, 220 + 30 * (i % 8), 200, 30}));
    }
    EXPECT_STREQ(btt[play_w[8]].label, "w8");
}

TEST_F(MenuTest, ClickResolutionOrder) {
    g_level(0);
    EXPECT_EQ(click(300, 260), 0); // button edges are strict
    EXPECT_EQ(click(301, 280), 0); // so is the seam between two buttons
    addButton(300, 250, 200, 30, "cover");
    EXPECT_EQ(click(499, 279), 0); // the highest index wins
    g_level(0);
    EXPECT_EQ(click(499, 279), 1);
    EXPECT_EQ(lvl, 2);

    g_level(3);
    t_active = -1;
    EXPECT_EQ(click(260, 250) + click(260, 280), 0); // fields react to y + 1 .. y + 29 only
    EXPECT_EQ(click(260, 251), 1);
    EXPECT_EQ(click(10, 10), 0); // a miss keeps the active field
    EXPECT_EQ(t_active, t_world_name);
    addButton(250, 250, 300, 34, "cover");
    int box = addDBox(250, 250, 300);
    add_item_to_dbox(box, "a");
    add_item_to_dbox(box, "b");
    t_active = -1;
    EXPECT_EQ(click(260, 279), 1); // the field beats the later button; the box still turns
    EXPECT_EQ(t_active, t_world_name);
    EXPECT_EQ(d_box[box].selected, 1);
}

TEST_F(MenuTest, HandlesResultsAndScreenChanges) {
    ScratchDir::mkdir_p("lang");
    std::ofstream("lang/eng.txt", std::ios::binary) << "Start\r\n";
    struct {
        int screen, *handle, result, next;
    } cases[] = {{0, &b_multiplayer, 0, 0},  {0, &b_credits, 0, 0},
                 {0, &b_web, 0, 0},          {0, &b_exit, 3, 0},
                 {0, &b_options, 1, 4},      {0, &b_newgame, 1, 2},
                 {2, &b_back_to_menu, 1, 0}, {2, &b_new_world, 1, 3},
                 {4, &b_save, 2, 0},         {3, &b_create_world, 4, SCREEN_CHOSEN},
                 {1, &b_eng, 2, 0}};
    for (const auto &c : cases) {
        g_level(c.screen);
        EXPECT_EQ(hit(btt[*c.handle]), c.result) << c.screen << " " << *c.handle;
        EXPECT_EQ(lvl, c.next) << c.screen << " " << *c.handle;
    }
    EXPECT_STREQ(params.language, "eng"); // the language button loaded and rebuilt the menu
    EXPECT_STREQ(btt[b_newgame].label, "Start");
}

TEST_F(MenuTest, OptionsShowAndStoreGameParams) {
    params.view_distance = 3;
    params.fog_enabled = 0;
    g_level(4);
    EXPECT_STREQ(d_box[d_v_distance].items[d_box[d_v_distance].selected], "p22");
    EXPECT_STREQ(d_box[d_fog].items[d_box[d_fog].selected], "p26");
    for (int b : {d_v_distance, d_v_distance, d_fog}) EXPECT_EQ(hit(d_box[b]), 0); // 3->1->2
    EXPECT_EQ(hit(btt[b_save]), 2);
    EXPECT_EQ(params.view_distance, 2);
    EXPECT_EQ(params.fog_enabled, 1);
    params.view_distance = 0; // a damaged "cfg" still shows a real item
    g_level(4);
    EXPECT_EQ(d_box[d_v_distance].selected, 0);
}

TEST_F(MenuTest, NameFieldTyping) {
    params.world_counter = 5;
    g_level(3);
    TextField &f = t_field[t_world_name];
    EXPECT_STREQ(f.text, "world 5");
    for (int i = 0; i < 12; i++) EXPECT_EQ(g_send_key('a' + i), 1);
    for (int k : {int('z'), 9, 13, 27, 0, 31, 256, -3}) EXPECT_EQ(g_send_key(k), 0) << k;
    EXPECT_EQ(std::strlen(f.text), 19u);
    for (int i = 0; i < 19; i++) EXPECT_EQ(g_send_key(8), 1);
    EXPECT_EQ(g_send_key(8), 0);
    for (int k : {127, 255, 32}) EXPECT_EQ(g_send_key(k), 1);
    EXPECT_STREQ(f.text, "\x7f\xff ");
    f.limit = 0; // typing blocked, deleting still allowed
    EXPECT_EQ(g_send_key('x'), 0);
    EXPECT_EQ(g_send_key(8), 1);
}

TEST_F(MenuTest, CreatingAWorldRefusesUnsafeNames) {
    struct {
        const char *name;
        int result;
    } cases[] = {{"", 0},    {"   ", 0}, {".", 0},  {"..", 0},    {"a/b", 0},     {"../x", 0},
                 {"...", 4}, {" x ", 4}, {".a", 4}, {"100%s", 4}, {"\xff\x7f", 4}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        w_param = WorldChoice{"before", 0};
        g_level(3);
        hit(d_box[d_world_big]);
        std::strcpy(t_field[t_world_name].text, c.name);
        testing::internal::CaptureStdout();
        EXPECT_EQ(hit(btt[b_create_world]), c.result);
        std::string out = testing::internal::GetCapturedStdout(); // one line says why
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), c.result ? 0 : 1);
        EXPECT_STREQ(g_get_world()->name, c.result ? c.name : "before");
        EXPECT_EQ(g_get_world()->size, c.result ? 2 : 0);
        EXPECT_EQ(lvl, c.result ? SCREEN_CHOSEN : 3);
    }
    EXPECT_EQ(buttons + t_fields + d_boxes, 0); // nothing left to click or type into
    EXPECT_EQ(g_send_key('x'), 0);
}

TEST_F(MenuTest, ResumingAListedWorldKeepsItsSize) {
    const char *files[] = {"15-3-0.vxc", "2-25-9.vxc", "9-9-0.vxc", nullptr};
    const int want[] = {2, 3, 1, 1};
    cat.count = 4;
    for (int i = 0; i < 4; i++) {
        std::string folder = std::string("saves/") + cat.names[i];
        ScratchDir::mkdir_p(folder);
        if (files[i]) std::ofstream(folder + "/" + files[i]) << std::string(CHUNK_FILE_BYTES, 0);
        g_level(2);
        EXPECT_EQ(hit(btt[play_w[i]]), 4) << i;
        EXPECT_STREQ(g_get_world()->name, cat.names[i]);
        EXPECT_EQ(g_get_world()->size, want[i]) << i;
    }
}

} // namespace
