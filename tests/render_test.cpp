#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/physics.h"
#include "gl_fixture.h"
#include "render/chunk_draw.h"
#include "render/render.h"
#include "scratch.h"
#include "shell/config.h"
#include "world/chunks.h"
#include "world/streamer.h"

namespace {

class Frame : public glfix::GlTest {
  protected:
    static void SetUpTestSuite() { // one engine start, in a folder that lives until exit
        static ScratchDir dir;
        for (const char *f : {"back.tga", "font.tga", "ts.tga", "lang", "world"})
            ASSERT_EQ(symlink((TESS_GAME_DIR "/" + std::string(f)).c_str(), f), 0);
        glfix::gl_context();
        load();
        e_init();
    }
    void SetUp() override {
        glfix::GlTest::SetUp();
        ASSERT_EQ(e_start_world("rendered", 1), 1);
        srand(20261206);   // the same terrain in every run; the camera at (200, 200, 285)
        world_clock = 100; // full day
        for (int i = 0; i < 80; i++) already_created = 0, frame(); // the range streamed in
    }
    static glfix::Image frame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        e_render();
        return glfix::read_framebuffer();
    }
};

TEST_F(Frame, SkyAndLightFollowTheSunGlStateIsLeftAsPromisedAndErrorsArePrinted) {
    float perspective[16], c[4], d[4], mv[16], proj[16];
    glGetFloatv(GL_PROJECTION_MATRIX, perspective);
    struct Case {
        double a; // sun angle
        glfix::Rgb top;
        float sky[3], light[3];
    } const cases[] = {{3.14159 / 2, {230, 230, 255}, {0.9f, 0.9f, 1}, {1.3f, 1.3f, 1.3f}},
                       {3 * 3.14159 / 2, {0, 0, 13}, {0, 0, 0.05f}, {0, 0, 0}},
                       {0.0500208568, {46, 46, 51}, {0.18f, 0.18f, 0.2f}, {0.46f, 0.26f, 0.26f}}};
    for (const Case &k : cases) { // noon, night, and a low sun (brightness 0.2) with red light
        SCOPED_TRACE(k.a);
        world_clock = (k.a * 20000 * 3.14 - camera_x) / 720;
        game_param.fog_enabled = k.light[1] > 0; // on, off, on
        frame();
        const glfix::Image im = frame(); // cleared with the colour the previous frame chose
        EXPECT_EQ(im.count_not(k.top, 0, 0, 800, 40, 3), 0);
        EXPECT_GT(im.count_not(k.top, 0, 400, 800, 560, 3), 800 * 160 * 9 / 10); // the ground
        glGetFloatv(GL_COLOR_CLEAR_VALUE, c);
        glGetLightfv(GL_LIGHT1, GL_DIFFUSE, d);
        for (int i = 0; i < 3; i++) {
            EXPECT_NEAR(c[i], k.sky[i], 1e-5);
            EXPECT_NEAR(d[i], k.light[i], 1e-5);
        }
        GLint v[3]; // matrix mode, modelview and projection stack depths
        glGetIntegerv(GL_MATRIX_MODE, v);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, v + 1);
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, v + 2);
        EXPECT_EQ(std::vector<GLint>(v, v + 3), (std::vector<GLint>{GL_MODELVIEW, 1, 1}));
        glGetFloatv(GL_MODELVIEW_MATRIX, mv);
        glGetFloatv(GL_PROJECTION_MATRIX, proj);
        for (int i = 0; i < 16; i++) {
            EXPECT_EQ(mv[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
            EXPECT_FLOAT_EQ(proj[i], perspective[i]) << i;
        }
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
        for (GLenum cap : {GL_BLEND, GL_LIGHTING, GL_CULL_FACE}) EXPECT_FALSE(glIsEnabled(cap));
        EXPECT_EQ(glIsEnabled(GL_FOG), game_param.fog_enabled ? GL_TRUE : GL_FALSE);
    }
    glEnable(0x7FFF); // not a capability: GL_INVALID_ENUM
    testing::internal::CaptureStdout();
    frame();
    glPopMatrix();  // the stack holds one matrix: GL_STACK_UNDERFLOW
    game = gui = 0; // outside a game the pass draws nothing else
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    const glfix::Image im = frame();
    e_report_gl_error(1290);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "error 1280, GL_INVALID_ENUM\nerror 1284, GL_STACK_UNDERFLOW\nerror 1290, \n");
    EXPECT_EQ(im.count_not({51, 102, 153}, 0, 0, 800, 600, 1), 0); // no sun, world or hotbar
}

TEST_F(Frame, ChunksAcrossTheEdgeAreDrawnWithTheShiftedView) {
    // Chunk 9 lies beyond the edge at -x (yaw 90), not at +x (270); (9, 0) needs both shifts.
    camera_x = 10;
    for (int wy : {4, 0}) {
        camera_y = wy == 4 ? 200 : 9 * 64 + 10;
        already_created = 0;
        ASSERT_EQ(stream_bring_in(9, wy, 4), 1);
        for (float yaw : {90.0f, 270.0f}) {
            camera_rot_y = yaw;
            already_created = CREATE_COOLDOWN; // nothing else comes in
            frame();
            GLint depth;
            glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
            EXPECT_EQ(depth, 1);
            ASSERT_GE(chunk_slot(9, wy, 4), 0);
            EXPECT_EQ(chunk_draw_stats.chunks, yaw == 90 ? 1 : 0) << wy << " " << yaw;
        }
    }
}

TEST_F(Frame, RunsDrawTheSamePictureAsSingleFaces) {
    camera_rot_x = 25; // looking down on the ground
    for (float yaw : {0.0f, 135.0f, 250.0f}) {
        camera_rot_y = yaw;
        draw_per_face = 1;
        const glfix::Image faces = frame();
        const int per_face = chunk_draw_stats.faces;
        draw_per_face = 0;
        const glfix::Image runs = frame();
        int differ = 0; // beyond the rounding of a face sent in a batch
        for (size_t i = 0; i < runs.px.size(); i++)
            if (std::abs(runs.px[i] - faces.px[i]) > 2) differ++, i += 2 - i % 3;
        EXPECT_LE(differ, 800 * 600 / 1000) << yaw;
        EXPECT_LT(chunk_draw_stats.faces, per_face);                        // back faces skipped
        EXPECT_LT(chunk_draw_stats.draw_calls * 2, chunk_draw_stats.faces); // in runs
    }
}

} // namespace
