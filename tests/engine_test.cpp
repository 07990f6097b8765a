// Engine start-up, the input entry points and the world start, with no display: the GL calls
// and the cursor are recorders, the main-loop exit is the shell's own.
#include <cstring>
#include <fstream>
#include "base/config.h"
#include "engine/engine.h"
#include "engine/physics.h"
#include "gui/gui.h"
#include "items/cells.h"
#include "scratch.h"
#include "shell/shell.h"
#include "shell/window.h"
#include "world/chunks.h"
#include "world/saver.h"

class Engine : public ::testing::Test {
  protected:
    static inline int gl_inits, fog_range, cursor_hidden; // what the recorders saw
    // Points at the middle of button `b` and clicks it as the shell would.
    static void click(int b) {
        ASSERT_GE(b, 0);
        set_mouse(btt[b].x + btt[b].w / 2, btt[b].y + btt[b].h / 2);
        mouse_down(0);
    }
    static void SetUpTestSuite() { // one scratch game folder (no "cfg", no pictures), one start
        static ScratchDir dir;
        load();
        EngineCalls calls = shell_engine_calls();
        calls.init_gl = [] { gl_inits++; };
        calls.set_fog = [](int range) { fog_range = range; };
        calls.hide_cursor = [] { cursor_hidden = 1; };
        e_set_calls(calls);
        EXPECT_EQ(e_init(), 1);
        EXPECT_EQ(gl_inits, 1);
        EXPECT_EQ(e_init_gui(), 1);
    }
    void SetUp() override {
        game = 0, gui = 1; // menu mode with no game, as after start-up
    }
};

TEST_F(Engine, KeysPickTheHotbarMenuClicksNeverAimAndChoosingAWorldStartsIt) {
    for (int k = 0; k < 10; k++) // "1" is column 0, "0" the last
        EXPECT_EQ((send_key('0' + k), cells_active), (k + 9) % 10) << k;
    for (int k : {'a', '/'}) send_key(k);
    EXPECT_EQ(cells_active, 8);
    for (int b : {2, 1}) mouse_down(b);
    EXPECT_EQ(all(game_state.gamer[0].place_request, game_state.gamer[0].break_request), all(0, 0));
    g_level(SCREEN_MAIN), click(menu.b_exit);
    EXPECT_EQ(shell_quit_requested(), 1);
    game_param.view_distance = 3, g_level(SCREEN_NEW_WORLD);
    std::strcpy(t_field[menu.t_world_name].text, "big 50%s"); // never a format
    d_box[menu.d_world_big].selected = 1;                     // size choice 2
    const int counter = game_param.world_counter;
    const std::string out =
        output_of([] { click(menu.b_create_world); }); // and the first aiming click
    EXPECT_NE(out.find("./saves/big 50%sworld size 20 \n"), std::string::npos) << out;
    EXPECT_EQ(all(game, e_is_gui(), world_state.world_size, world_state.vision_range,
                  game_param.world_counter, game_state.gamer[0].active,
                  game_state.gamer[0].break_request, fog_range, cursor_hidden),
              all(1, 0, 20, 3, counter + 1, 1, 1, 3, 1)); // fog follows the view distance
    mouse_down(2), mouse_up(2);
    EXPECT_EQ(game_state.gamer[0].place_request, 1);
    mouse_up(0);
    EXPECT_EQ(all(game_state.gamer[0].place_request, game_state.gamer[0].break_request), all(0, 0));
}

TEST_F(Engine, StartsThatCannotGoAheadAreRefusedAndARestartLosesNothing) {
    world_state.world_size = 0; // the grid allocation fails: nothing may use the missing grid
    EXPECT_EQ(e_init_game(), 0);
    EXPECT_EQ(all(world_state.world == nullptr, game_state.gamer[0].active, e_psysix()),
              all(1, 0, 1));
    // Names that are no folder of their own, and sizes beyond the menu's, write nothing.
    const int counter = game_param.world_counter;
    const std::string too_long(80, 'x');
    const char *names[] = {"", "   ", ".", "..", "a/b", "../up", nullptr, too_long.c_str()};
    for (const char *name : names) EXPECT_EQ(e_start_world(name, 1), 0) << (name ? name : "null");
    EXPECT_EQ(all(e_start_world("fine", 0), e_start_world("fine", 4)), all(0, 0));
    EXPECT_EQ(all(game, e_is_gui(), game_param.world_counter), all(0, 1, counter));
    EXPECT_EQ(all(access("saves/fine", F_OK), access("up", F_OK)), all(-1, -1));
    // A start while a world runs saves that world's chunks first.
    ASSERT_EQ(e_start_world("first", 1), 1);
    const int slot = find_free_cube();
    ASSERT_GE(slot, 0);
    cubes[slot].used = 1;
    world_state.world[chunk_cell(4, 5, 6)] = uint16_t(slot), game_state.world_clock = 5;
    ASSERT_EQ(e_start_world("second", 1), 1);
    std::ifstream f("saves/first/4-5-6.vxc", std::ios::binary | std::ios::ate);
    EXPECT_EQ(all(f.tellg(), chunk_slot(4, 5, 6), game_state.world_clock),
              all(CHUNK_FILE_BYTES, -1, 0.0)); // the new game's clock starts at 0
    // A world resumes at the size it was created with, whatever the menu says now, told on a
    // line of its own; an unreadable record is replaced with the size its chunk files tell.
    std::ofstream("saves/second/world.info") << "size 4294967306";
    const std::string out =
        output_of([] { EXPECT_TRUE(e_start_world("first", 3) && e_start_world("second", 2)); });
    EXPECT_EQ(all(world_state.world_size, world_info_size("first"), world_info_size("second")),
              all(10, 10, 10));
    EXPECT_EQ(out.find("world first keeps its size 10 \n./saves/first"), 0u) << out;
    EXPECT_NE(out.find("world second has no readable world.info: size 10 inferred"), out.npos);
    // Picked from the list with no record at all: its chunk files tell, before anything is
    // written, and it gets a record (y = 25 needs 30 chunks across). With an unreadable record
    // and no chunks: the smallest size, never 0.
    ScratchDir::mkdir_p("saves/w25"), ScratchDir::mkdir_p("saves/w7");
    std::ofstream("saves/w25/2-25-9.vxc") << std::string(CHUNK_FILE_BYTES, 0);
    std::ofstream("saves/w7/world.info") << "size 7\n";
    find_worlds(&ctlg);
    auto resume = [](const char *name) {
        g_level(SCREEN_WORLDS);
        int pick = -1;
        for (int b : menu.play_w)
            if (b >= 0 && !std::strcmp(btt[b].label, name)) pick = b;
        return output_of([&] { click(pick); });
    };
    const std::string w7 = resume("w7");
    EXPECT_NE(w7.find("./saves/w7world size 10 \n"), w7.npos) << w7;
    const std::string resumed = resume("w25");
    EXPECT_EQ(all(game, world_state.world_size, world_info_size("w25")), all(1, 30, 30));
    EXPECT_EQ(resumed.find("world w25 has no readable world.info: size 30 inferred"), 0u);
    EXPECT_EQ(resumed.find("keeps"), resumed.npos) << resumed;
}
