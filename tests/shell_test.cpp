// The input callbacks without a window: motion, keys and buttons as the engine sees them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gl_fixture.h"
#include "scratch.h"

#include "engine/engine.h"
#include "engine/physics.h"
#include "shell/config.h"
#include "shell/frame.h"
#include "shell/shell.h"
#include "shell/window.h"

namespace {

class Input : public ::testing::Test {
  protected:
    void SetUp() override {
        game_param.window_width = 800;
        game_param.window_height = 600;
        sm_x = sm_y = 0;
        mouse_x = mouse_y = 0;
        gui = 1;
    }
};

TEST_F(Input, MenuMotionIsScaledTo800By600AndTheCentreIsIgnored) {
    game_param.window_width = 1000;
    game_param.window_height = 750;
    PassiveMotion(333, 101);
    EXPECT_EQ(mouse_x, 266);
    EXPECT_EQ(mouse_y, 80);
    EXPECT_EQ(sm_x, 333 - 500);
    EXPECT_EQ(sm_y, 101 - 375);

    sm_x = sm_y = 0;
    PassiveMotion(500, 375); // the centre: the warp's own echo
    EXPECT_EQ(mouse_x, 266);
    EXPECT_EQ(mouse_y, 80);
    EXPECT_EQ(sm_x, 0);
    EXPECT_EQ(sm_y, 0);
}

TEST_F(Input, LastMotionBeforeAFrameWins) {
    gui = 0;
    PassiveMotion(405, 300);
    PassiveMotion(403, 300);
    EXPECT_EQ(sm_x, 3);
    EXPECT_EQ(sm_y, 0);
    EXPECT_EQ(mouse_x, 0) << "game mode leaves the menu pointer alone";
}

TEST_F(Input, TabSwitchesFlyModeAndReleasesPrintTheirCodes) {
    fly_mode = 1;
    testing::internal::CaptureStdout();
    Key(9, 0, 0);
    Key(9, 0, 0);
    KeyUp(9, 0, 0);
    KeyUp(32, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "chenged fly 0 \nchenged fly 1 \n9 \n32 \n");
    EXPECT_EQ(fly_mode, 1);
}

TEST_F(Input, KeysAreHeldUntilReleasedAndEscapeAsksToLeave) {
    Key('w', 0, 0);
    EXPECT_EQ(keys['w'], 1);
    testing::internal::CaptureStdout();
    KeyUp('w', 0, 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(keys['w'], 0);

    EXPECT_EQ(shell_quit_requested(), 0);
    Key(27, 0, 0);
    EXPECT_EQ(shell_quit_requested(), 1);
    EXPECT_EQ(keys[27], 1) << "Escape is still recorded like any key";
}

class Resize : public glfix::GlTest {};

TEST_F(Resize, KeepsTheFourThirdsPerspectiveAndRewritesTheSize) {
    ScratchDir dir;
    load();
    glMatrixMode(GL_TEXTURE); // Reshape must leave the modelview selected
    Reshape(1024, 768);
    std::ifstream f("cfg", std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(f),
                                     std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 40u);
    const unsigned char size_bytes[8] = {0x00, 0x04, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(bytes.data() + 4, size_bytes, 8), 0);

    Reshape(1280, 400); // a wide window still gets the 4/3 projection
    GLint viewport[4], mode;
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1280);
    EXPECT_EQ(viewport[3], 400);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat proj[16], model[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    const double f45 = 1 / std::tan(22.5 / 180 * M_PI);
    EXPECT_NEAR(proj[5], f45, 1e-5);
    EXPECT_NEAR(proj[0], f45 * 3 / 4, 1e-5);
    const double n = 0.01f, far = 1000;
    EXPECT_NEAR(proj[10], (far + n) / (n - far), 1e-5);
    EXPECT_NEAR(proj[14], 2 * far * n / (n - far), 1e-6);
    for (int i = 0; i < 16; i++) EXPECT_EQ(model[i], i % 5 == 0 ? 1.0f : 0.0f);
    glViewport(0, 0, glfix::WIN_W, glfix::WIN_H);
}

} // namespace
