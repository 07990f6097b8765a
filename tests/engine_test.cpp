// Engine start-up, the input entry points and the world start, against real Mesa under Xvfb.
#include "gl_fixture.h"
#include "scratch.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

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

namespace {

// Several values in one check, so that a failure prints them all.
template <class... T> std::vector<double> all(T... v) {
    return {double(v)...};
}

// clang-format off
// Every picture e_init loads, each with its own size so a mix-up shows.
const struct Picture { const char *path; int w, h, bits; } pictures[] = {
    {"world/standart/ground.tga", 32, 16, 24}, {"back.tga", 4, 4, 24}, {"ts.tga", 8, 4, 24},
    {"lang/rus.tga", 4, 8, 24}, {"lang/eng.tga", 2, 2, 24}, {"font.tga", 16, 8, 32},
    {"world/standart/sun.tga", 8, 2, 32}};
// GL state e_init leaves: {name, element, value}; enables read 1 or 0.
const struct { GLenum name; int at; float want; } init_gl[] = {
    {GL_MATRIX_MODE, 0, GL_MODELVIEW}, {GL_SHADE_MODEL, 0, GL_SMOOTH}, {GL_LINE_WIDTH, 0, 2},
    {GL_COLOR_CLEAR_VALUE, 0, .9f}, {GL_COLOR_CLEAR_VALUE, 2, 1}, {GL_DEPTH_CLEAR_VALUE, 0, 1},
    {GL_DEPTH_FUNC, 0, GL_LESS}, {GL_BLEND_SRC, 0, GL_SRC_ALPHA}, {GL_FRONT_FACE, 0, GL_CCW},
    {GL_BLEND_DST, 0, GL_ONE_MINUS_SRC_ALPHA}, {GL_PERSPECTIVE_CORRECTION_HINT, 0, GL_NICEST},
    {GL_FOG_MODE, 0, GL_LINEAR}, {GL_FOG_COLOR, 0, .9f}, {GL_FOG_COLOR, 3, 1}, {GL_FOG_END, 0, 10},
    {GL_FOG_DENSITY, 0, .4f}, {GL_FOG_HINT, 0, GL_DONT_CARE}, {GL_FOG_START, 0, 5},
    {GL_TEXTURE_2D, 0, 1}, {GL_DEPTH_TEST, 0, 1}, {GL_FOG, 0, 1}, {GL_LIGHT1, 0, 1},
    {GL_LIGHTING, 0, 0}, {GL_BLEND, 0, 0}, {GL_CULL_FACE, 0, 0}, {GL_COLOR_ARRAY, 0, 0},
    {GL_VERTEX_ARRAY, 0, 1}, {GL_NORMAL_ARRAY, 0, 1}, {GL_TEXTURE_COORD_ARRAY, 0, 1},
    {GL_PROJECTION_MATRIX, 0, 0}, {GL_MODELVIEW_MATRIX, 0, 0}};
// clang-format on
constexpr size_t PROJ = std::size(init_gl) - 2, MODEL = PROJ + 1;
float got[std::size(init_gl)][16], diffuse[4], ambient[4];
GLenum init_error;
int page_after_init, gui_after_init, worlds_listed;

// One scratch game folder for the process: pictures, two phrase files, two saved worlds and
// no "cfg"; then e_init and e_init_gui once, as the shell runs them.
void engine_ready() {
    static ScratchDir *dir = nullptr;
    if (dir) return;
    dir = new ScratchDir(true);
    ASSERT_EQ(std::system("mkdir -p world/standart lang saves/north saves/south"), 0);
    for (const Picture &p : pictures) {
        unsigned char head[18] = {0, 0, 2}; // uncompressed true colour, sizes below 256
        head[12] = uint8_t(p.w), head[14] = uint8_t(p.h), head[16] = uint8_t(p.bits);
        std::ofstream f(p.path, std::ios::binary);
        f.write(reinterpret_cast<char *>(head), sizeof head);
        f << std::string(size_t(p.w) * p.h * p.bits / 8, '\x80');
    }
    for (const char *code : {"rus", "eng"}) {
        std::ofstream f(std::string("lang/") + code + ".txt", std::ios::binary);
        for (int k = 1; k <= 40; k++) f << code << " phrase " << k << "\r\n";
    }
    load(); // writes "cfg" with defaults; the first page is then the language page
    std::memcpy(game_param.language, "eng", 4);
    game_param.fog_enabled = 1;
    glfix::gl_context();
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(e_init(), 1);
    init_error = glGetError();
    for (size_t k = 0; k < std::size(init_gl); k++) glGetFloatv(init_gl[k].name, got[k]);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    worlds_listed = ctlg.count;
    EXPECT_EQ(e_init_gui(), 1);
    page_after_init = lvl, gui_after_init = e_is_gui();
}

// Points at the middle of button `b` and clicks it as the shell would.
void click(int b) {
    ASSERT_GE(b, 0);
    set_mouse(btt[b].x + btt[b].w / 2, btt[b].y + btt[b].h / 2);
    mouse_down(0);
}

class Engine : public glfix::GlTest {
  protected:
    void SetUp() override {
        engine_ready();
        GlTest::SetUp();
        game = 0, gui = 1; // menu mode with no game, as after start-up
    }
};

TEST_F(Engine, StartUpSetsTheGlStateLoadsEverythingAndShowsTheLanguagePage) {
    EXPECT_EQ(init_error, GLenum(GL_NO_ERROR));
    for (size_t k = 0; k < PROJ; k++) EXPECT_FLOAT_EQ(got[k][init_gl[k].at], init_gl[k].want) << k;
    GLfloat proj[16]; // the fixture set the same perspective
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    for (int k = 0; k < 16; k++) {
        EXPECT_FLOAT_EQ(got[PROJ][k], proj[k]) << k;
        EXPECT_EQ(got[MODEL][k], k % 5 == 0 ? 1.0f : 0.0f) << k;
    }
    EXPECT_EQ(all(diffuse[0], ambient[0]), all(1.2f, .3f));

    const unsigned int names[] = {g_textures, back[0], back[1], back[2], back[3], font, sun};
    auto level = [](GLenum p) {
        GLint v = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, p, &v);
        return v;
    };
    for (int k = 0; k < 7; k++) { // hard texel edges only on the block atlas
        const Picture &p = pictures[k];
        glBindTexture(GL_TEXTURE_2D, names[k]);
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        EXPECT_EQ(all(level(GL_TEXTURE_WIDTH), level(GL_TEXTURE_HEIGHT),
                      level(GL_TEXTURE_INTERNAL_FORMAT), filter),
                  all(p.w, p.h, p.bits == 32 ? GL_RGBA : GL_RGB, k ? GL_LINEAR : GL_NEAREST))
            << p.path;
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    EXPECT_STREQ(lang_get(1), "eng phrase 1"); // the language stored in the settings
    ASSERT_NE(player_cells, nullptr);
    EXPECT_EQ(get_cell(player_cells, 0, 0), 3u); // the starting inventory
    EXPECT_EQ(all(worlds_listed, page_after_init, gui_after_init), all(2, 1, 1));
}

TEST_F(Engine, KeysPickTheHotbarColumnAndTypeMenuClicksNeverAim) {
    const int column[10] = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (int k = 0; k < 10; k++) {
        send_key('0' + k);
        EXPECT_EQ(cells_active, column[k]) << k;
    }
    send_key('a'), send_key('/');
    EXPECT_EQ(cells_active, 8);
    g_level(3);
    ASSERT_GE(t_active, 0);
    size_t len = std::strlen(t_field[t_active].text);
    send_key('q');
    EXPECT_STREQ(t_field[t_active].text + len, "q");

    mouse_down(2), mouse_down(1);
    EXPECT_EQ(all(gamer[0].place_request, gamer[0].break_request), all(0, 0));
    g_level(0);
    click(b_exit);
    EXPECT_EQ(shell_quit_requested(), 1);
}

TEST_F(Engine, ChoosingANewWorldStartsTheGame) {
    game_param.view_distance = 3;
    g_level(3);
    ASSERT_GE(t_world_name, 0);
    std::strcpy(t_field[t_world_name].text, "big 50%s"); // never a format
    d_box[d_world_big].selected = 1;                     // size choice 2
    int counter = game_param.world_counter;
    testing::internal::CaptureStdout();
    click(b_create_world);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("./saves/big 50%sworld size 20 \n"), std::string::npos) << out;
    EXPECT_EQ(access("saves/big 50%s", F_OK), 0);
    GameParams stored{};
    std::ifstream("cfg", std::ios::binary).read(reinterpret_cast<char *>(&stored), sizeof stored);
    EXPECT_EQ(all(game, e_is_gui(), world_size, vision_range), all(1, 0, 20, 3));
    EXPECT_EQ(all(game_param.world_counter, stored.world_counter), all(counter + 1, counter + 1));
    EXPECT_EQ(all(camera_x, camera_y, camera_z), all(200, 200, 285));
    EXPECT_EQ(all(gamer[0].active, gamer[0].height), all(1, 2));
    EXPECT_EQ(materials[2].toughness, 100500.0f); // the block tables were filled

    // The click that started the world is already an aiming click.
    EXPECT_EQ(gamer[0].break_request, 1);
    mouse_down(2), mouse_up(2);
    EXPECT_EQ(gamer[0].place_request, 1);
    mouse_up(0);
    EXPECT_EQ(all(gamer[0].place_request, gamer[0].break_request), all(0, 0));

    for (int vd : {3, 1}) { // fog distances follow the view distance
        game_param.view_distance = vd;
        ASSERT_EQ(e_start_world("fog", 1), 1);
        GLfloat range[2];
        glGetFloatv(GL_FOG_START, &range[0]);
        glGetFloatv(GL_FOG_END, &range[1]);
        EXPECT_EQ(all(range[0], range[1]), vd == 3 ? all(60, 118) : all(20, 54));
    }
}

TEST_F(Engine, StartingAgainWritesTheRunningWorldAway) {
    ASSERT_EQ(e_start_world("first", 1), 1);
    int slot = find_free_cube();
    ASSERT_GE(slot, 0);
    std::memset(cubes[slot].blocks, 0, sizeof cubes[slot].blocks);
    cubes[slot].used = 1;
    world[chunk_cell(4, 5, 6)] = uint16_t(slot);
    ASSERT_EQ(e_start_world("second", 1), 1);
    std::ifstream f("saves/first/4-5-6.vxc", std::ios::binary | std::ios::ate);
    EXPECT_EQ(f.tellg(), std::streamoff(CHUNK_FILE_BYTES));
    EXPECT_EQ(chunk_slot(4, 5, 6), -1);
}

TEST_F(Engine, AWorldThatCannotBeSetUpDoesNotStart) {
    world_size = 0; // the grid allocation fails: nothing may use the missing grid
    EXPECT_EQ(e_init_game(), 0);
    EXPECT_EQ(world, nullptr);
    EXPECT_EQ(gamer[0].active, 0);
    EXPECT_EQ(e_psysix(), 1);

    // Names that are no folder of their own, and sizes the menu cannot offer, are refused
    // before anything is written.
    int counter = game_param.world_counter;
    const std::string too_long(80, 'x');
    const char *names[] = {"", "   ", ".", "..", "a/b", "../up", nullptr, too_long.c_str()};
    for (const char *name : names) EXPECT_EQ(e_start_world(name, 1), 0) << (name ? name : "null");
    EXPECT_EQ(all(e_start_world("fine", 0), e_start_world("fine", 4)), all(0, 0));
    EXPECT_EQ(all(game, e_is_gui(), game_param.world_counter), all(0, 1, counter));
    EXPECT_NE(access("saves/fine", F_OK), 0);
    EXPECT_NE(access("up", F_OK), 0);
}

} // namespace
