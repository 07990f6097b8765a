// The frame pass and the chunk drawing under Xvfb: sky and terrain pixels by day and night,
// the GL state a frame leaves, the error report, the shifted view across the world's edge,
// and the fast chunk path against the per-face one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "engine/physics.h"
#include "gl_fixture.h"
#include "render/chunk_draw.h"
#include "render/render.h"
#include "scratch.h"
#include "shell/config.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/streamer.h"

namespace {

// World clock at which the sun stands at angle a (camera_x = 0).
double clock_for_angle(double a) {
    return a * 20000 * 3.14 / 720;
}

void link_game_data() {
    const std::string game = TESS_GAME_DIR;
    for (const char *f : {"back.tga", "font.tga", "ts.tga", "lang", "world"}) {
        std::string cmd = "ln -s '" + game + "/" + f + "' .";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
}

// One engine start for the whole executable, in its own scratch folder with the game data.
struct Engine {
    ScratchDir dir;
    Engine() {
        link_game_data();
        glfix::gl_context();
        load();
        game_param.view_distance = 1;
        game_param.fog_enabled = 1;
        e_init();
        e_init_gui();
    }
};

Engine &engine() {
    static Engine *e = new Engine; // lives until exit: its folder is the tests' working folder
    return *e;
}

class Frame : public glfix::GlTest {
  protected:
    static inline unsigned seed = 20261206;
    void SetUp() override {
        engine();
        glfix::GlTest::SetUp();
        testing::internal::CaptureStdout();
        ASSERT_EQ(e_start_world("rendered", 1), 1);
        testing::internal::GetCapturedStdout();
        game_param.fog_enabled = 1;
        stream_reset();
        // The same terrain in every run (engine start seeds with the time).
        srand(seed);
        draw_per_face = 0;
        camera_x = 200;
        camera_y = 200;
        camera_z = 285;
        camera_rot_x = 0;
        camera_rot_y = 0;
    }
    void TearDown() override {
        testing::internal::CaptureStdout();
        save_all();
        testing::internal::GetCapturedStdout();
        draw_per_face = 0;
        glfix::GlTest::TearDown();
    }

    // Frames with the cool-down run out, until the range around the camera is in memory.
    static void stream_everything() {
        testing::internal::CaptureStdout();
        for (int i = 0; i < 80; i++) {
            already_created = 0;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            e_render();
        }
        testing::internal::GetCapturedStdout();
    }
    static glfix::Image frame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        e_render();
        return glfix::read_framebuffer();
    }
    // The modelview e_render sets before draw_buffs.
    static void world_view() {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(camera_rot_x, 1, 0, 0);
        glRotatef(camera_rot_y, 0, 1, 0);
        glTranslatef(float(camera_x), float(-camera_z), float(camera_y));
    }
};

TEST_F(Frame, NoonShowsTheSkyAboveAndTheGroundBelow) {
    world_clock = clock_for_angle(3.14159 / 2);
    stream_everything();
    EXPECT_GT(stream_stats.created, 20);
    glfix::Image im = frame(); // cleared with the colour the previous frame chose
    glfix::save_png(im, "render_noon");
    const glfix::Rgb sky{230, 230, 255};
    EXPECT_EQ(im.count_not(sky, 0, 0, 800, 40, 3), 0);
    // The ground fills the lower part: hardly a pixel there has the sky's blue.
    const int not_sky = im.count_not(sky, 0, 400, 800, 560, 3);
    EXPECT_GT(not_sky, 800 * 160 * 9 / 10);
    float c[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
    EXPECT_NEAR(c[0], 0.9f, 1e-6);
    EXPECT_NEAR(c[2], 1.0f, 1e-6);
    EXPECT_NEAR(LightDiffuse[0], 1.3f, 1e-6);
    EXPECT_NEAR(fogColor[1], 0.9f, 1e-6);
}

TEST_F(Frame, NightClearsToDarkBlueWithTheSunlightOff) {
    world_clock = clock_for_angle(3 * 3.14159 / 2);
    frame();
    glfix::Image im = frame();
    glfix::save_png(im, "render_night");
    EXPECT_EQ(im.count_not({0, 0, 13}, 0, 0, 800, 40, 1), 0);
    float c[4], d[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
    EXPECT_FLOAT_EQ(c[2], 0.05f);
    EXPECT_FLOAT_EQ(c[0], 0.0f);
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, d);
    EXPECT_EQ(d[0] + d[1] + d[2], 0.0f);
}

TEST_F(Frame, SunriseLightIsRed) {
    world_clock = 0;
    camera_x = 0; // the sun's angle is exactly 0
    frame();
    float d[4];
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, d);
    EXPECT_FLOAT_EQ(d[0], 0.4f);
    EXPECT_FLOAT_EQ(d[1], 0.0f);
    EXPECT_FLOAT_EQ(d[2], 0.0f);
}

TEST_F(Frame, LeavesTheGlStateItPromises) {
    world_clock = clock_for_angle(1.0);
    gamer[0].has_target = 1; // the outline and its line width
    gamer[0].target_chunk[0] = 4;
    gamer[0].target_chunk[2] = 4;
    for (int fog : {1, 0}) {
        game_param.fog_enabled = fog;
        // Disturb what the pass must put right.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(1, 2, 3);
        glEnable(GL_BLEND);
        glEnable(GL_LIGHTING);
        frame();

        GLint mode, depth_mv, depth_proj;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_mv);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth_proj);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(depth_mv, 1);
        EXPECT_EQ(depth_proj, 1);
        float mv[16], proj[16], want[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        glGetFloatv(GL_PROJECTION_MATRIX, proj);
        for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(mv[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(45.0f, 1.3333334f, 0.01f, 1000.0f);
        glGetFloatv(GL_PROJECTION_MATRIX, want);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(proj[i], want[i]) << i;

        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(glIsEnabled(GL_FOG), fog ? GL_TRUE : GL_FALSE);
    }
    gamer[0].has_target = 0;
}

TEST_F(Frame, OutsideAGameNothingIsDrawn) {
    world_clock = clock_for_angle(3.14159 / 2);
    stream_everything(); // chunks in memory that a game would show
    game = 0;
    gui = 0;
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glfix::Image im = frame();
    game = 1;
    EXPECT_EQ(im.count_not({51, 102, 153}, 0, 0, 800, 600, 1), 0); // no sun, world or hotbar
    float c[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
    EXPECT_FLOAT_EQ(c[0], 0.2f); // the sky colour is left alone too
}

TEST_F(Frame, APendingGlErrorIsPrintedWithItsName) {
    glEnable(0x7FFF); // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    frame();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("error 1280, GL_INVALID_ENUM\n"), std::string::npos) << out;

    glPopMatrix(); // the stack holds one matrix: GL_STACK_UNDERFLOW
    game = 0;      // the report runs in the menu as well
    testing::internal::CaptureStdout();
    frame();
    out = testing::internal::GetCapturedStdout();
    game = 1;
    EXPECT_NE(out.find("error 1284, GL_STACK_UNDERFLOW\n"), std::string::npos) << out;

    testing::internal::CaptureStdout();
    frame();
    e_report_gl_error(1290);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "error 1290, \n");
}

// Chunks drawn with only (wx, wy, 4) in memory, looking along yaw.
int drawn_across_edge(int wx, int wy, float yaw) {
    camera_rot_y = yaw;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(camera_rot_x, 1, 0, 0);
    glRotatef(camera_rot_y, 0, 1, 0);
    glTranslatef(float(camera_x), float(-camera_z), float(camera_y));
    float before[16], after[16];
    GLint depth_before, depth_after;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);
    already_created = CREATE_COOLDOWN; // nothing else comes in
    glEnable(GL_CULL_FACE);
    draw_buffs();
    glDisable(GL_CULL_FACE);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
    EXPECT_EQ(depth_after, depth_before);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);
    EXPECT_GE(chunk_slot(wx, wy, 4), 0);
    return chunk_draw_stats.chunks;
}

TEST_F(Frame, ChunksAcrossTheEdgeAreDrawnWithTheShiftedView) {
    // cx = -1 only: the camera near x = 0 sees chunk 9 of the same row beyond the edge, to
    // its -x side (yaw 90), not 576 units away at +x (yaw 270).
    camera_x = 10;
    camera_y = 200;
    already_created = 0;
    testing::internal::CaptureStdout();
    ASSERT_EQ(stream_bring_in(9, 4, 4), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(drawn_across_edge(9, 4, 90), 1);
    EXPECT_GT(chunk_draw_stats.faces, 0);
    EXPECT_EQ(drawn_across_edge(9, 4, 270), 0);
    stream_release(9, 4, 4);

    // cx = -1 and cy = world_size: chunk (9, 0) with both shifts in one pushed view.
    camera_y = 9 * 64 + 10;
    already_created = 0;
    testing::internal::CaptureStdout();
    ASSERT_EQ(stream_bring_in(9, 0, 4), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(drawn_across_edge(9, 0, 90), 1);
    EXPECT_EQ(drawn_across_edge(9, 0, 270), 0);
}

TEST_F(Frame, RunsDrawTheSamePictureAsSingleFaces) {
    world_clock = clock_for_angle(1.2);
    stream_everything();
    for (float yaw : {0.0f, 135.0f, 250.0f}) {
        camera_rot_y = yaw;
        camera_rot_x = 25; // looking down on the ground
        already_created = CREATE_COOLDOWN;
        draw_per_face = 1;
        frame();
        glfix::Image faces = frame();
        const ChunkDrawStats per_face = chunk_draw_stats;
        draw_per_face = 0;
        glfix::Image runs = frame();
        const ChunkDrawStats merged = chunk_draw_stats;
        // The software rasterizer may round a colour one or two steps differently when a
        // face comes in a batch; a missing or extra face changes far more.
        int differ = 0;
        for (size_t i = 0; i < runs.px.size(); i++)
            if (std::abs(runs.px[i] - faces.px[i]) > 2) {
                differ++;
                i += 2 - i % 3;
            }
        EXPECT_LE(differ, 800 * 600 / 1000) << "yaw " << yaw;
        EXPECT_EQ(merged.chunks, per_face.chunks);
        EXPECT_GT(merged.faces, 0);
        EXPECT_LT(merged.faces, per_face.faces);        // back faces skipped
        EXPECT_LT(merged.draw_calls * 2, merged.faces); // faces go to GL in runs
        EXPECT_EQ(per_face.draw_calls, per_face.faces);
        if (yaw == 0.0f) {
            glfix::save_png(runs, "render_runs");
            glfix::save_png(faces, "render_faces");
        }
    }
}

TEST(FaceFacing, AgreesWithTheWindingOfEveryFace) {
    // The facing test reads the normals; GL culls by the winding. Both must agree for every
    // face the mesh builder makes, seen from anywhere.
    ScratchDir dir;
    world_size = 10;
    fill_block_tables();
    testing::internal::CaptureStdout();
    ASSERT_EQ(initialize_world(), 1);
    testing::internal::GetCapturedStdout();
    const int slot = 0;
    Chunk &ch = cubes[slot];
    for (int k = 0; k < CHUNK_BLOCKS; k++) ch.blocks[k] = (k * 7919) % 5 == 0 ? 3 : 0;
    ch.used = 1;
    world[chunk_cell(2, 3, 4)] = slot;
    ch.verts = static_cast<float *>(std::malloc(MESH_VERT_BYTES));
    ch.texs = static_cast<float *>(std::malloc(MESH_TEX_BYTES));
    ch.norms = static_cast<float *>(std::malloc(MESH_NORM_BYTES));
    create_polygons(2, 3, 4);
    ASSERT_GT(ch.polygons, 1000);
    const float eyes[][3] = {{-100, 300, -150}, {-130, 250, -200}, {-160, 290, -170}, {0, 0, 0}};
    for (const auto &eye : eyes)
        for (int f = 0; f < ch.polygons; f++) {
            const float *v = ch.verts + 12 * f;
            float e1[3], e2[3], n[3];
            for (int i = 0; i < 3; i++) {
                e1[i] = v[3 + i] - v[i];
                e2[i] = v[6 + i] - v[i];
            }
            n[0] = e1[1] * e2[2] - e1[2] * e2[1];
            n[1] = e1[2] * e2[0] - e1[0] * e2[2];
            n[2] = e1[0] * e2[1] - e1[1] * e2[0];
            const float side =
                (eye[0] - v[0]) * n[0] + (eye[1] - v[1]) * n[1] + (eye[2] - v[2]) * n[2];
            if (side == 0) continue;
            ASSERT_EQ(chunk_face_toward(ch.verts, ch.norms, f, eye), side > 0 ? 1 : 0)
                << "face " << f;
        }
    std::free(ch.verts);
    std::free(ch.texs);
    std::free(ch.norms);
    ch.verts = ch.texs = ch.norms = nullptr;
    ch.used = 0;
    world[chunk_cell(2, 3, 4)] = NO_CHUNK;
}

} // namespace
