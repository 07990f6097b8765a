// Engine start-up, the menu hand-over, the input entry points and the world start, against
// real Mesa under Xvfb and the built game's pictures and phrase files.
#include "gl_fixture.h"
#include "scratch.h"

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>

#include "engine/engine.h"
#include "engine/physics.h"
#include "gui/gui.h"
#include "gui/lang.h"
#include "items/cells.h"
#include "render/font.h"
#include "shell/config.h"
#include "shell/window.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/saver.h"
#include "world/streamer.h"

namespace {

// GL state as e_init left it, read before any test can change it.
struct InitState {
    GLint matrix_mode, shade_model, depth_func, persp_hint, fog_hint, fog_mode;
    GLint blend_src, blend_dst, front_face;
    GLfloat projection[16], modelview[16], clear_color[4], fog_color[4];
    GLfloat clear_depth, line_width, fog_density, fog_start, fog_end;
    GLfloat diffuse[4], ambient[4];
    bool texture_2d, depth_test, fog, light1, lighting, blend, cull_face;
    bool vertex_array, normal_array, texcoord_array, color_array;
    GLenum error;
};

InitState init_state;
std::set<std::string> listed_worlds;
// Menu state right after e_init_gui.
int page_after_init = -1, gui_after_init = -1, game_after_init = -1;

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void shell(const std::string &cmd) {
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// An uncompressed true-colour TGA of w x h pixels, every byte `fill`.
void write_tga(const std::string &path, int w, int h, int bits, unsigned char fill) {
    unsigned char head[18] = {0, 0, 2};
    head[12] = static_cast<unsigned char>(w);
    head[13] = static_cast<unsigned char>(w >> 8);
    head[14] = static_cast<unsigned char>(h);
    head[15] = static_cast<unsigned char>(h >> 8);
    head[16] = static_cast<unsigned char>(bits);
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<char *>(head), sizeof head);
    std::string pixels(size_t(w) * h * bits / 8, char(fill));
    f.write(pixels.data(), std::streamsize(pixels.size()));
}

// Every picture e_init loads, each with its own size so a mix-up shows.
struct Picture {
    const char *path;
    int w, h, bits;
};
const Picture pictures[] = {
    {"world/standart/ground.tga", 32, 16, 24},
    {"back.tga", 4, 4, 24},
    {"ts.tga", 8, 4, 24},
    {"lang/rus.tga", 4, 8, 24},
    {"lang/eng.tga", 2, 2, 24},
    {"font.tga", 16, 8, 32},
    {"world/standart/sun.tga", 8, 2, 32},
};

// One scratch game folder for the process: the pictures, two phrase files, "cfg" written
// on the first run, two saved worlds; then e_init and e_init_gui once, as the shell runs
// them.
void engine_ready() {
    static ScratchDir *dir = nullptr;
    if (dir) return;
    dir = new ScratchDir(true);
    shell("mkdir -p world/standart lang saves/north saves/south");
    for (const Picture &p : pictures) write_tga(p.path, p.w, p.h, p.bits, 0x80);
    for (const char *code : {"rus", "eng"}) {
        std::ofstream f(std::string("lang/") + code + ".txt", std::ios::binary);
        for (int k = 1; k <= 40; k++) f << code << " phrase " << k << "\r\n";
    }

    load(); // no "cfg" yet: written with defaults, first page is the language page
    std::memcpy(game_param.language, "eng", 4);
    game_param.fog_enabled = 1;
    glfix::gl_context();
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(e_init(), 1);

    InitState &s = init_state;
    s.error = glGetError();
    glGetIntegerv(GL_MATRIX_MODE, &s.matrix_mode);
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    glGetIntegerv(GL_SHADE_MODEL, &s.shade_model);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, s.clear_color);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &s.clear_depth);
    glGetIntegerv(GL_DEPTH_FUNC, &s.depth_func);
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &s.persp_hint);
    glGetIntegerv(GL_BLEND_SRC, &s.blend_src);
    glGetIntegerv(GL_BLEND_DST, &s.blend_dst);
    glGetFloatv(GL_LINE_WIDTH, &s.line_width);
    glGetIntegerv(GL_FOG_MODE, &s.fog_mode);
    glGetFloatv(GL_FOG_COLOR, s.fog_color);
    glGetFloatv(GL_FOG_DENSITY, &s.fog_density);
    glGetIntegerv(GL_FOG_HINT, &s.fog_hint);
    glGetFloatv(GL_FOG_START, &s.fog_start);
    glGetFloatv(GL_FOG_END, &s.fog_end);
    glGetIntegerv(GL_FRONT_FACE, &s.front_face);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, s.diffuse);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, s.ambient);
    s.texture_2d = glIsEnabled(GL_TEXTURE_2D);
    s.depth_test = glIsEnabled(GL_DEPTH_TEST);
    s.fog = glIsEnabled(GL_FOG);
    s.light1 = glIsEnabled(GL_LIGHT1);
    s.lighting = glIsEnabled(GL_LIGHTING);
    s.blend = glIsEnabled(GL_BLEND);
    s.cull_face = glIsEnabled(GL_CULL_FACE);
    s.vertex_array = glIsEnabled(GL_VERTEX_ARRAY);
    s.normal_array = glIsEnabled(GL_NORMAL_ARRAY);
    s.texcoord_array = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
    s.color_array = glIsEnabled(GL_COLOR_ARRAY);

    for (int k = 0; k < ctlg.count; k++) listed_worlds.insert(ctlg.names[k]);
    EXPECT_EQ(e_init_gui(), 1);
    page_after_init = lvl;
    gui_after_init = e_is_gui();
    game_after_init = game;
}

int read_counter_from_cfg() {
    GameParams p{};
    std::ifstream f("cfg", std::ios::binary);
    f.read(reinterpret_cast<char *>(&p), sizeof p);
    EXPECT_EQ(f.gcount(), std::streamsize(sizeof p));
    return p.world_counter;
}

// Points at the middle of button `b` and clicks it as the shell would.
void click(int b) {
    ASSERT_GE(b, 0);
    set_mouse(btt[b].x + btt[b].w / 2, btt[b].y + btt[b].h / 2);
    mouse_down(0);
}

// Back to menu mode with no game, as after start-up.
void menu_mode() {
    game = 0;
    gui = 1;
}

class Engine : public glfix::GlTest {
  protected:
    void SetUp() override {
        engine_ready();
        GlTest::SetUp();
    }
};

TEST_F(Engine, InitSetsTheFixedGlState) {
    const InitState &s = init_state;
    EXPECT_EQ(s.error, GLenum(GL_NO_ERROR));
    EXPECT_EQ(s.matrix_mode, GL_MODELVIEW);
    GLfloat expected[16];
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0f, 1.3333334f, 0.01f, 1000.0f);
    glGetFloatv(GL_PROJECTION_MATRIX, expected);
    glMatrixMode(GL_MODELVIEW);
    for (int k = 0; k < 16; k++) {
        EXPECT_FLOAT_EQ(s.projection[k], expected[k]) << k;
        EXPECT_EQ(s.modelview[k], k % 5 == 0 ? 1.0f : 0.0f) << k;
    }
    EXPECT_TRUE(s.texture_2d);
    EXPECT_EQ(s.shade_model, GL_SMOOTH);
    EXPECT_EQ(s.clear_color[0], 0.9f);
    EXPECT_EQ(s.clear_color[1], 0.9f);
    EXPECT_EQ(s.clear_color[2], 1.0f);
    EXPECT_EQ(s.clear_depth, 1.0f);
    EXPECT_TRUE(s.depth_test);
    EXPECT_EQ(s.depth_func, GL_LESS);
    EXPECT_EQ(s.persp_hint, GL_NICEST);
    EXPECT_EQ(s.blend_src, GL_SRC_ALPHA);
    EXPECT_EQ(s.blend_dst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(s.blend);
    EXPECT_EQ(s.line_width, 2.0f);
    EXPECT_EQ(s.fog_mode, GL_LINEAR);
    EXPECT_FLOAT_EQ(s.fog_color[0], 0.9f);
    EXPECT_FLOAT_EQ(s.fog_color[3], 1.0f);
    EXPECT_FLOAT_EQ(s.fog_density, 0.4f);
    EXPECT_EQ(s.fog_hint, GL_DONT_CARE);
    EXPECT_EQ(s.fog_start, 5.0f);
    EXPECT_EQ(s.fog_end, 10.0f);
    EXPECT_TRUE(s.fog); // fog_enabled was set
    EXPECT_EQ(s.front_face, GL_CCW);
    EXPECT_FLOAT_EQ(s.diffuse[0], 1.2f);
    EXPECT_FLOAT_EQ(s.ambient[0], 0.3f);
    EXPECT_TRUE(s.light1);
    EXPECT_FALSE(s.lighting);
    EXPECT_FALSE(s.cull_face);
    EXPECT_TRUE(s.vertex_array);
    EXPECT_TRUE(s.normal_array);
    EXPECT_TRUE(s.texcoord_array);
    EXPECT_FALSE(s.color_array);
}

TEST_F(Engine, InitLoadsPicturesPhrasesInventoryAndWorlds) {
    const unsigned int names[] = {g_textures, back[0], back[1], back[2], back[3], font, sun};
    for (int k = 0; k < 7; k++) {
        const Picture &p = pictures[k];
        ASSERT_TRUE(glIsTexture(names[k])) << p.path;
        glBindTexture(GL_TEXTURE_2D, names[k]);
        GLint w = 0, h = 0, filter = 0, format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(w, p.w) << p.path;
        EXPECT_EQ(h, p.h) << p.path;
        EXPECT_EQ(format, p.bits == 32 ? GL_RGBA : GL_RGB) << p.path;
        // Only the block atlas keeps hard texel edges.
        EXPECT_EQ(filter, k == 0 ? GL_NEAREST : GL_LINEAR) << p.path;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(back[4], 0u);

    // The phrases come from the language stored in the settings.
    EXPECT_STREQ(lang_get(1), "eng phrase 1");

    ASSERT_NE(player_cells, nullptr);
    const unsigned int row0[10] = {3, 3, 3, 1, 2, 2, 2, 0, 0, 0};
    for (int c = 0; c < 10; c++) {
        EXPECT_EQ(get_cell(player_cells, c, 0), row0[c]) << c;
        if (row0[c]) {
            EXPECT_EQ(player_cells->slots[c].count, 40) << c;
        }
    }
    for (int r = 1; r < 5; r++)
        for (int c = 0; c < 10; c++) EXPECT_EQ(get_cell(player_cells, c, r), 0u);

    EXPECT_EQ(listed_worlds, (std::set<std::string>{"north", "south"}));
}

TEST_F(Engine, MenuModeFirstShowsTheLanguagePage) {
    // No "cfg" at start: the first page is the language page.
    EXPECT_EQ(st_page, 1);
    EXPECT_EQ(page_after_init, 1);
    EXPECT_EQ(gui_after_init, 1);
    EXPECT_EQ(game_after_init, 0);
    EXPECT_EQ(gtlg, &ctlg);
    for (int k = 0; k < 4; k++) EXPECT_EQ(iback[k], back[k]);
}

TEST_F(Engine, DigitKeysChooseTheHotbarColumnAndKeysReachTheMenu) {
    const int expected[10] = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (int k = 0; k < 10; k++) {
        send_key('0' + k);
        EXPECT_EQ(cells_active, expected[k]) << k;
    }
    send_key('a');
    EXPECT_EQ(cells_active, 8);
    send_key('/');
    EXPECT_EQ(cells_active, 8);

    // The same key also types into the active field of the menu.
    g_level(3);
    ASSERT_GE(t_active, 0);
    size_t len = std::strlen(t_field[t_active].text);
    send_key('q');
    EXPECT_EQ(std::strlen(t_field[t_active].text), len + 1);
    EXPECT_EQ(t_field[t_active].text[len], 'q');
}

TEST_F(Engine, MenuClicksWriteSettingsAndQuit) {
    menu_mode();
    g_level(1);
    std::memcpy(game_param.language, "rus", 4);
    click(b_eng);
    GameParams stored{};
    std::ifstream f("cfg", std::ios::binary);
    f.read(reinterpret_cast<char *>(&stored), sizeof stored);
    EXPECT_STREQ(stored.language, "eng");
    EXPECT_EQ(lvl, 0);

    // Other buttons in the menu never touch the player's requests.
    mouse_down(2);
    mouse_down(1);
    EXPECT_EQ(gamer[0].place_request, 0);
    EXPECT_EQ(gamer[0].break_request, 0);

    EXPECT_EQ(shell_quit_requested(), 0);
    click(b_exit);
    EXPECT_EQ(shell_quit_requested(), 1);
}

TEST_F(Engine, ChoosingANewWorldStartsTheGame) {
    menu_mode();
    game_param.view_distance = 3;
    g_level(3);
    ASSERT_GE(t_world_name, 0);
    std::strcpy(t_field[t_world_name].text, "big 50%s");
    d_box[d_world_big].selected = 1; // size choice 2
    int counter = game_param.world_counter;
    EXPECT_EQ(e_is_gui(), 1);

    testing::internal::CaptureStdout();
    click(b_create_world);
    std::string out = testing::internal::GetCapturedStdout();

    EXPECT_EQ(game, 1);
    EXPECT_EQ(e_is_gui(), 0);
    EXPECT_EQ(world_size, 20);
    EXPECT_EQ(vision_range, 3);
    EXPECT_NE(world, nullptr);
    EXPECT_NE(out.find("./saves/big 50%sworld size 20 \n"), std::string::npos) << out;
    EXPECT_TRUE(exists("saves/big 50%s"));
    EXPECT_EQ(game_param.world_counter, counter + 1);
    EXPECT_EQ(read_counter_from_cfg(), counter + 1);

    GLfloat start = 0, end = 0;
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_EQ(start, 60.0f);
    EXPECT_EQ(end, 118.0f);

    EXPECT_EQ(camera_x, 200.0);
    EXPECT_EQ(camera_y, 200.0);
    EXPECT_EQ(camera_z, 285.0);
    EXPECT_EQ(gamer[0].active, 1);
    EXPECT_EQ(gamer[0].height, 2);
    EXPECT_EQ(gamer[1].active, 0);
    EXPECT_EQ(materials[2].toughness, 100500.0f); // the block tables were filled

    // The click that started the world is already an aiming click.
    EXPECT_EQ(gamer[0].break_request, 1);
    mouse_down(2);
    EXPECT_EQ(gamer[0].place_request, 1);
    mouse_up(2);
    EXPECT_EQ(gamer[0].place_request, 1);
    mouse_up(0);
    EXPECT_EQ(gamer[0].break_request, 0);
    EXPECT_EQ(gamer[0].place_request, 0);
}

TEST_F(Engine, ViewDistanceOneGivesTheShortFog) {
    menu_mode();
    game_param.view_distance = 1;
    ASSERT_EQ(e_start_world("near", 1), 1);
    EXPECT_EQ(world_size, 10);
    GLfloat start = 0, end = 0;
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    EXPECT_EQ(start, 20.0f);
    EXPECT_EQ(end, 54.0f);
}

TEST_F(Engine, StartingAgainWritesTheRunningWorldAway) {
    menu_mode();
    ASSERT_EQ(e_start_world("first", 1), 1);
    int slot = find_free_cube();
    ASSERT_GE(slot, 0);
    std::memset(cubes[slot].blocks, 0, sizeof cubes[slot].blocks);
    cubes[slot].blocks[block_index(1, 2, 3)] = 7;
    cubes[slot].used = 1;
    world[chunk_cell(4, 5, 6)] = uint16_t(slot);

    ASSERT_EQ(e_start_world("second", 1), 1);
    std::ifstream f("saves/first/4-5-6.vxc", std::ios::binary | std::ios::ate);
    ASSERT_TRUE(f.good());
    EXPECT_EQ(f.tellg(), std::streamoff(CHUNK_FILE_BYTES));
    EXPECT_EQ(chunk_slot(4, 5, 6), -1);
}

TEST_F(Engine, AWorldThatCannotBeSetUpDoesNotStart) {
    menu_mode();
    // The grid allocation fails: nothing may go on to use the missing grid.
    world_size = 0;
    EXPECT_EQ(e_init_game(), 0);
    EXPECT_EQ(world, nullptr);
    EXPECT_EQ(gamer[0].active, 0);
    EXPECT_EQ(e_psysix(), 1);

    // Names that are no folder of their own, and sizes the menu cannot offer, are refused
    // before anything is written.
    int counter = game_param.world_counter;
    for (const char *name : {"", "   ", ".", "..", "a/b", "../up"}) {
        EXPECT_EQ(e_start_world(name, 1), 0) << name;
    }
    EXPECT_EQ(e_start_world("fine", 0), 0);
    EXPECT_EQ(e_start_world("fine", 4), 0);
    EXPECT_EQ(e_start_world(nullptr, 1), 0);
    std::string too_long(80, 'x');
    EXPECT_EQ(e_start_world(too_long.c_str(), 1), 0);
    EXPECT_EQ(game, 0);
    EXPECT_EQ(e_is_gui(), 1);
    EXPECT_EQ(game_param.world_counter, counter);
    EXPECT_FALSE(exists("saves/fine"));
    EXPECT_FALSE(exists("up"));
}

} // namespace
