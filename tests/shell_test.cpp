// The window callbacks without a main loop: motion, keys and the reshape.
#include <gtest/gtest.h>

#include <cstring>

#include "gl_fixture.h"
#include "scratch.h"
#include "engine/engine.h"
#include "shell/config.h"
#include "shell/frame.h"
#include "shell/shell.h"

namespace {

TEST(Input, MenuMotionIsScaledInAGameTheLastWinsAndKeysAreHeldTillReleased) {
    game_param.window_width = 1000;
    game_param.window_height = 750;
    gui = 1;
    PassiveMotion(333, 101);
    PassiveMotion(500, 375); // the centre: the warp's own echo
    EXPECT_EQ(mouse_x, 266);
    EXPECT_EQ(mouse_y, 80);
    gui = 0;
    PassiveMotion(505, 375);
    PassiveMotion(503, 375);
    EXPECT_EQ(sm_x, 3);
    Key('w', 0, 0);
    EXPECT_EQ(keys['w'], 1);
    KeyUp('w', 0, 0);
    EXPECT_EQ(keys['w'], 0);
}

// GLUT names a release by the Shift state at release time, so a letter may come back up in
// the other case than it went down.
TEST(Input, ALetterReleasedInTheOtherCaseLeavesNoKeyHeld) {
    std::memset(keys, 0, sizeof keys);
    Key('a', 0, 0), Key('{', 0, 0); // held throughout: no release may touch them
    const struct {
        unsigned char down, up;
        const char *printed;
    } rows[] = {
        {'S', 's', "115 \n"}, {'w', 'W', "87 \n"}, {'D', 'D', "68 \n"}, {'[', '[', "91 \n"}};
    for (const auto &r : rows) {
        Key(r.down, 0, 0);
        testing::internal::CaptureStdout();
        KeyUp(r.up, 0, 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), r.printed);
        std::vector<int> held;
        for (int k = 0; k < KEY_COUNT; k++)
            if (keys[k]) held.push_back(k);
        EXPECT_EQ(held, (std::vector<int>{'a', '{'})) << r.down;
    }
    KeyUp('a', 0, 0), KeyUp('{', 0, 0);
}

using Resize = glfix::GlTest;
TEST_F(Resize, KeepsTheFourThirdsPerspectiveAndLeavesTheModelviewSelected) {
    ScratchDir dir; // Reshape writes "cfg"
    GLfloat want[16], proj[16];
    glGetFloatv(GL_PROJECTION_MATRIX, want); // the fixture's 45 degrees, 4/3, 0.01 to 1000
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    Reshape(1280, 400); // a wide window still gets the 4/3 projection
    GLint viewport[4], mode;
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 1280, 400}));
    EXPECT_EQ(mode, GL_MODELVIEW);
    for (int i = 0; i < 16; i++) EXPECT_NEAR(proj[i], want[i], 1e-6) << i;
}

} // namespace
