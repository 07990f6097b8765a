// The frame pass on real Mesa: sun, state handed back, GL errors, the wrapping edge, and the
// three chunk paths drawing one picture.
#include "engine/engine.h"
#include "engine/physics.h"
#include "gl_fixture.h"
#include "items/cells.h"
#include "items/particles.h"
#include "base/config.h"
#include "render/chunk_draw.h"
#include "render/render.h"
#include "world/chunks.h"
#include "world/streamer.h"

class Frame : public glfix::GlTest {
  protected:
    static void SetUpTestSuite() { // one engine start, in a folder that lives until exit
        static ScratchDir dir;
        for (const char *f : {"back.tga", "font.tga", "ts.tga", "lang", "world"})
            ASSERT_EQ(symlink((TESS_GAME_DIR "/" + std::string(f)).c_str(), f), 0);
        glfix::gl_context();
        load();
        e_set_calls(e_render_calls());
        e_init();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    void SetUp() override {
        glfix::GlTest::SetUp();
        ASSERT_EQ(e_start_world("rendered", 1), 1);
        srand(20261206); // the same terrain in every run; the camera at (200, 200, 285)
        game_state.world_clock = 100;         // full day
        for (int i = 0; i < 80; i++) frame(); // the range streamed in
    }
    static glfix::Image frame(int cooldown = 0) { // 0 lets one chunk in, if one is missing
        world_state.already_created = cooldown;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        e_render();
        return glfix::read_framebuffer();
    }
};

// Clocks with the camera at x 200, sun angle (720 t + 200) / 62800: pi / 2, 3 pi / 2, and
// 0.0500208568, where sin is 0.05 and the brightness 0.2. Hotbar column 4 is lit.
TEST_F(Frame, SkyLightFogAndHotbarFollowTheGameGlStateIsLeftAsPromisedAndErrorsArePrinted) {
    struct Case {
        double clock;
        glfix::Rgb sky; // the clear colour: 0.9, 0.9, 1; 0, 0, 0.05; and 0.18, 0.18, 0.2
        float light[3];
    } const cases[] = {{136.73, {230, 230, 255}, {1.3f, 1.3f, 1.3f}},
                       {410.75, {0, 0, 13}, {0, 0, 0}},
                       {4.0851525, {46, 46, 51}, {0.46f, 0.26f, 0.26f}}};
    // The game start handed its view distance (1) to the fog.
    EXPECT_EQ(glfix::all(glfix::floats(GL_FOG_START)[0], glfix::floats(GL_FOG_END)[0]),
              glfix::all(20, 54));
    cells_active = 3;
    for (const Case &k : cases) { // noon, night, and a low sun (brightness 0.2) with red light
        SCOPED_TRACE(k.clock);
        game_state.world_clock = k.clock;
        game_param.fog_enabled = k.light[1] > 0; // on, off, on
        frame();
        const glfix::Image im = frame(); // cleared with the colour the previous frame chose
        EXPECT_EQ(im.count_not(k.sky, 0, 0, 800, 40, 3), 0);
        EXPECT_GT(im.count_not(k.sky, 0, 400, 800, 560, 3), 800 * 160 * 9 / 10); // the ground
        float d[4];
        glGetLightfv(GL_LIGHT1, GL_DIFFUSE, d);
        for (int i = 0; i < 3; i++) EXPECT_NEAR(d[i], k.light[i], 1e-5);
        expect_pass_state();
        EXPECT_EQ(glIsEnabled(GL_FOG), game_param.fog_enabled);
        const int lit = im.at(329, 569).g; // fills clear of the cubes in columns 2, 3 and 4
        EXPECT_TRUE(lit > im.at(291, 569).g + 80 && lit > im.at(367, 569).g + 80) << lit;
    }
    cells_active = 0;
    glEnable(0x7FFF); // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    frame();
    glPopMatrix();  // the stack holds one matrix: GL_STACK_UNDERFLOW
    game = gui = 0; // outside a game the pass draws nothing else
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    const glfix::Image im = frame();
    render_report_gl_error(1290);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "error 1280, GL_INVALID_ENUM\nerror 1284, GL_STACK_UNDERFLOW\nerror 1290, \n");
    EXPECT_EQ(im.count_not({51, 102, 153}, 0, 0, 800, 600, 1), 0); // no sun, world or hotbar
}

TEST_F(Frame, ChunksAcrossTheEdgeAreDrawnWithTheShiftedView) {
    // Chunk 9 lies beyond the edge at -x (yaw 90), not at +x (270); (9, 0) needs both shifts.
    game_state.camera_x = 10;
    for (int wy : {4, 0}) {
        game_state.camera_y = wy == 4 ? 200 : 9 * 64 + 10;
        world_state.already_created = 0;
        ASSERT_EQ(stream_bring_in(9, wy, 4), 1);
        for (float yaw : {90.0f, 270.0f}) {
            game_state.camera_rot_y = yaw;
            frame(CREATE_COOLDOWN); // nothing else comes in
            EXPECT_EQ(chunk_draw_stats.chunks, yaw == 90 ? 1 : 0) << wy << " " << yaw;
        }
    }
}

TEST_F(Frame, MergedAndRunsDrawTheSamePictureAsSingleFaces) {
    // Clock (noon or night), fog, view distance, pitch, yaw, camera x and height. At x = 10 the
    // view at yaw 90 looks across the world's edge; the last case looks far at view distance 3,
    // where the chunks beyond the fog end come as silhouettes.
    struct Scene {
        const char *name;
        double clock;
        int fog, view;
        float pitch, yaw, x, height;
    } const scenes[] = {{"noon", 136.7, 1, 1, 25, 0, 200, 285},
                        {"night", 410.5, 1, 1, 25, 250, 200, 285},
                        {"looking down", 136.7, 1, 1, 80, 30, 200, 300},
                        {"edge", 136.7, 1, 1, 15, 90, 10, 285},
                        {"far", 136.7, 1, 3, 5, 200, 200, 300},
                        {"fog off", 136.7, 0, 3, 5, 200, 200, 300}};
    for (const Scene &k : scenes) {
        SCOPED_TRACE(k.name);
        game_param.view_distance = k.view;
        game_param.fog_enabled = k.fog;
        if (k.view != world_state.vision_range) {
            ASSERT_EQ(e_start_world("rendered", 1), 1);
            srand(20261206);
        }
        game_state.camera_x = k.x;
        game_state.camera_z = k.height;
        for (int i = 0; i < 600; i++) { // the range streamed in, without drawing
            world_state.already_created = 0;
            stream_update(game_state.camera_x, game_state.camera_y, game_state.camera_z);
        }
        game_state.world_clock = k.clock;
        game_state.camera_rot_x = k.pitch;
        game_state.camera_rot_y = k.yaw;
        e_set_draw_options(DrawOptions{DRAW_PER_FACE, 1, {}});
        frame(CREATE_COOLDOWN);
        const glfix::Image faces = frame(CREATE_COOLDOWN);
        const int per_face = chunk_draw_stats.faces;
        for (int path : {DRAW_RUNS, DRAW_MERGED}) {
            e_set_draw_options(DrawOptions{path, 1, {}});
            const glfix::Image im = frame(CREATE_COOLDOWN);
            int differ = 0; // pixels beyond 2 colour steps
            for (int y = 0; y < 600; y++)
                for (int x = 0; x < 800; x++)
                    differ += faces.count_not(im.at(x, y), x, y, x + 1, y + 1, 2);
            EXPECT_LE(differ, 800 * 600 / 1000) << path;
            EXPECT_LT(chunk_draw_stats.faces * (path == DRAW_MERGED ? 2 : 1), per_face) << path;
            const ChunkDrawStats &d = chunk_draw_stats;
            if (path == DRAW_RUNS) {
                EXPECT_LT(d.draw_calls * 2, d.faces);
            } else if (!k.fog || k.view == 3) { // none without fog; the far view has some
                EXPECT_EQ(d.silhouettes > 0, k.fog == 1) << d.silhouettes;
            }
            expect_pass_state();
        }
    }
    game_param.view_distance = 1;
    game_param.fog_enabled = 1;
}

// Flakes and boxes of a turf and an earth block broken five blocks ahead, six frames on: mostly
// the blocks' colours, where a blank atlas cell made two thirds of them grey. A README picture.
TEST_F(Frame, ABurstOfFlakesShowsBlockColours) {
    game_state.camera_rot_x = 30; // degrees down
    game_state.camera_rot_y = 0;  // along +y
    const glfix::Image before = frame(CREATE_COOLDOWN);
    // Five blocks along the view: 5 cos 30 = 4.33 ahead, 5 sin 30 = 2.5 down.
    for (const float x : {-200.6f, -199.4f}) { // with the item box each leaves
        add_particle_from_cube(x, -204.33f, 282.5f, x < -200 ? 1 : 3, 60);
        add_box(x, -204.33f, 282.5f, x < -200 ? 1 : 3);
    }
    for (int i = 0; i < 5; i++) frame(CREATE_COOLDOWN);
    const glfix::Image burst = frame(CREATE_COOLDOWN);
    EXPECT_FALSE(glfix::save_png(burst, "flakes_burst").empty());
    int changed = 0, grey = 0; // above the hotbar
    for (int y = 0; y < 540; y++)
        for (int x = 0; x < 800; x++) {
            const glfix::Rgb p = burst.at(x, y);
            if (!before.count_not(p, x, y, x + 1, y + 1, 2)) continue;
            changed++;
            grey += std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}) < 12;
        }
    EXPECT_GT(changed, 20000);
    EXPECT_LT(grey * 100, changed * 45) << grey << " of " << changed; // 26 %; 69 % before
    init_particles();
}
