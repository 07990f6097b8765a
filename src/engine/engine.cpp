// Engine life cycle and its door to the shell: start-up, the menu, the game start and the
// input entry points the window callbacks call.
#include "engine/engine.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "base/common.h"
#include "base/config.h"
#include "draw/font.h"
#include "draw/textures.h"
#include "engine/physics.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "items/cells.h"
#include "items/particles.h"
#include "render/render.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/saver.h"
#include "world/streamer.h"

int gui = 1;
int game = 0;

namespace {

EngineCalls calls = {};

// Everything the process needs once, after GL: the font's picture is loaded by then.
void init_process_state() {
    initfont(font);
    init_particles();
    lang_init(game_param.language);

    player_cells = init_cells(10, 5);
    if (player_cells) {
        static const unsigned int packs[] = {3, 3, 3, 1, 2, 2, 2};
        for (unsigned int type : packs) add_pack_to_inv(player_cells, type);
    }

    find_worlds(&ctlg);
}

} // namespace

EngineCalls e_render_calls() {
    EngineCalls c{};
    c.init_gl = render_init_gl;
    c.set_fog = render_set_fog;
    return c;
}

void e_set_calls(const EngineCalls &c) {
    calls = c;
}

int e_init() {
    srand(unsigned(time(nullptr)));
    if (calls.init_gl) calls.init_gl();
    init_process_state();
    return 1;
}

int e_init_gui() {
    gui = 1;
    game = 0;
    g_set_par_str(&game_param);
    g_set_back(textures.back);
    g_level(st_page);
    g_setctlg(&ctlg);
    return 1;
}

int e_is_gui() {
    return gui;
}

namespace {

DrawOptions draw_options; // the defaults unless a tool picked others

// e_start_world, or with resumable, a saved world chosen at WORLD_SIZE_KEPT.
int start_world(const char *name, int size_choice, bool resumable);

SceneView scene_view() {
    const GameState &g = game_state;
    const PlayerState &p = g.gamer[0];
    SceneView v{g.camera_x,   g.camera_y, g.camera_z, g.camera_rot_x, g.camera_rot_y, g.world_clock,
                p.has_target, {},         {}};
    for (int i = 0; i < 3; i++)
        v.target_local[i] = p.target_local[i], v.target_chunk[i] = p.target_chunk[i];
    return v;
}

} // namespace

void e_set_draw_options(const DrawOptions &opt) {
    draw_options = opt;
}

const DrawOptions &e_draw_options() {
    return draw_options;
}

int e_render() {
    // What comes in is drawn in the frame it arrives in; what left the range is released once
    // the chunks are drawn, before the frame's GL error report.
    if (game == 1)
        stream_update(game_state.camera_x, game_state.camera_y, game_state.camera_z,
                      draw_options.merge);
    render_scene(game, scene_view(), draw_options);
    if (game == 1) re_save();
    // A GL error line is the only line the frame can print after its release pass: a chunk
    // file still on the save thread tells of its failure first, as it would without the thread.
    return render_finish(gui, game == 1 ? stream_collect_write : nullptr);
}

void send_key(int key) {
    g_send_key(key);
    if (key >= '1' && key <= '9')
        cells_active = key - '1';
    else if (key == '0')
        cells_active = 9;
}

void set_mouse(int x, int y) {
    menu.mousex = x;
    menu.mousey = y;
    g_set_mouse(x, y);
}

void mouse_down(int button) {
    if (button == 0) {
        switch (g_mouse_down()) {
        case MENU_SETTINGS:
            save();
            break;
        case MENU_QUIT:
            if (calls.leave_main_loop) calls.leave_main_loop();
            break;
        case MENU_WORLD: {
            WorldChoice *choice = g_get_world();
            // The menu has already cleared its screen; a world that cannot start must not
            // leave the player on an empty page with no way on.
            if (!choice || !start_world(choice->name, choice->size, true)) g_level(SCREEN_MAIN);
            break;
        }
        default:
            break;
        }
        // Tested after the click is served, so the click that starts a world also aims.
        if (game == 1) game_state.gamer[0].break_request = 1;
    } else if (button == 2) {
        if (game == 1) game_state.gamer[0].place_request = 1;
    }
}

void mouse_up(int button) {
    if (button == 0 && game == 1) {
        game_state.gamer[0].break_request = 0;
        game_state.gamer[0].place_request = 0;
    }
}

int e_start_world(const char *name, int size_choice) {
    return start_world(name, size_choice, false);
}

namespace {

// The choice a saved world resumes with: its record's size, else (no record at all) the one
// its chunk files need, told then. A record there but unreadable counts as choice 1 here: the
// start tells of it once, where its chunk files replace it.
int resumed_size_choice(const char *name) {
    const int recorded = world_info_size(name);
    const int size = recorded || world_info_exists(name) ? recorded : saved_world_size(name);
    return size ? size / 10 : 1;
}

int start_world(const char *name, int size_choice, bool resumable) {
    // A saved world is measured as soon as it is chosen, before anything is told or written.
    if (resumable && size_choice == WORLD_SIZE_KEPT && name)
        size_choice = resumed_size_choice(name);
    if (!name || std::strlen(name) >= sizeof game_state.world_name || !g_world_name_ok(name)) {
        printf("cannot start a world with this name \n");
        return 0;
    }
    if (size_choice < 1 || size_choice > 3) {
        printf("world size choice %i is not 1 to 3 \n", size_choice);
        return 0;
    }
    // A second start within one process: write the running world away first, so nothing
    // of it is lost when the grid is rebuilt.
    if (game) {
        save_all(game);
        game = 0;
    }

    if (game_param.world_counter < INT_MAX) game_param.world_counter++;
    save();

    std::strcpy(game_state.world_name, name);
    // A world keeps the size it was created with, whatever the menu chose this time: its
    // record tells, else (a record there but unreadable) its chunk files. A world without a
    // readable record gets one now. Told before the path, which shares a line with the size.
    const int recorded = world_info_size(game_state.world_name);
    const int kept = recorded ? recorded
                     : world_info_exists(game_state.world_name)
                         ? saved_world_size(game_state.world_name)
                         : 0;
    world_state.world_size = kept ? kept : 10 * size_choice;
    if (kept && kept != 10 * size_choice)
        printf("world %s keeps its size %i \n", game_state.world_name, kept);
    world_folder_path(buff, sizeof buff, game_state.world_name); // cut short if too long
    fputs(buff, stdout); // the name may hold '%', so it is never a format
    makedir(buff);
    if (!recorded) write_world_info(game_state.world_name, world_state.world_size);
    world_state.vision_range = game_param.view_distance;
    if (!e_init_game()) {
        printf("world %s not started \n", game_state.world_name);
        return 0;
    }
    game = 1;
    gui = 0;
    if (calls.hide_cursor) calls.hide_cursor();
    return 1;
}

} // namespace

int e_init_game() {
    game_state.camera_x = 200.0;
    game_state.camera_y = 200.0;
    game_state.camera_z = 285.0;
    game_state.camera_rot_x = 0;
    game_state.camera_rot_y = 0;

    fill_block_tables();

    // The last record is never activated and stays zero.
    std::memset(game_state.gamer, 0, sizeof(PlayerState) * (BODY_COUNT - 1));
    game_state.gamer[0].active = 1;
    game_state.gamer[0].height = 2;

    stream_reset(); // cool-down, pool-full notice and counters are per game
    game_state.world_clock = 0;
    if (!initialize_world()) {
        // No grid: no body may probe it.
        game_state.gamer[0].active = 0;
        return 0;
    }
    init_save_load(cubes, game_state.world_name);

    if (calls.set_fog) calls.set_fog(world_state.vision_range);
    return 1;
}
