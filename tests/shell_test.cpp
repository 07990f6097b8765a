// The window callbacks without a main loop: motion, keys and the reshape.

#include <cstring>

#include "base/config.h"
#include "engine/engine.h"
#include "gl_fixture.h"
#include "shell/frame.h"
#include "shell/shell.h"

TEST(Input, MenuMotionIsScaledInAGameTheLastWinsAndALetterUpInTheOtherCaseLeavesNoKeyHeld) {
    game_param.window_width = 1000;
    game_param.window_height = 750;
    gui = 1;
    PassiveMotion(333, 101);
    PassiveMotion(500, 375); // the centre: the warp's own echo
    EXPECT_EQ(glfix::all(input.mouse_x, input.mouse_y), glfix::all(266, 80));
    gui = 0;
    PassiveMotion(505, 375);
    PassiveMotion(503, 375);
    EXPECT_EQ(input.sm_x, 3);
    // GLUT names a release by the Shift state at release time, so a letter may come back up in
    // the other case than it went down.
    std::memset(input.keys, 0, sizeof input.keys);
    Key('a', 0, 0), Key('{', 0, 0); // held throughout: no release may touch them
    const struct {
        unsigned char down, up;
        const char *printed;
    } rows[] = {
        {'S', 's', "115 \n"}, {'w', 'W', "87 \n"}, {'D', 'D', "68 \n"}, {'[', '[', "91 \n"}};
    for (const auto &r : rows) {
        Key(r.down, 0, 0);
        EXPECT_EQ(output_of([&] { KeyUp(r.up, 0, 0); }), r.printed);
        std::vector<int> held;
        for (int k = 0; k < KEY_COUNT; k++)
            if (input.keys[k]) held.push_back(k);
        EXPECT_EQ(held, (std::vector<int>{'a', '{'})) << r.down;
    }
    KeyUp('a', 0, 0), KeyUp('{', 0, 0);
}

using Resize = glfix::GlTest;
TEST_F(Resize, KeepsTheFourThirdsPerspectiveAndLeavesTheModelviewSelected) {
    ScratchDir dir; // Reshape writes "cfg"
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    Reshape(1280, 400); // a wide window still gets the fixture's 45 degrees, 4/3, 0.01 to 1000
    EXPECT_EQ(glfix::floats(GL_VIEWPORT, 4), glfix::all(0, 0, 1280, 400));
    EXPECT_EQ(glfix::floats(GL_MATRIX_MODE), glfix::all(GL_MODELVIEW));
    const std::vector<double> proj = glfix::floats(GL_PROJECTION_MATRIX, 16);
    for (int i = 0; i < 16; i++) EXPECT_NEAR(proj[i], scene[i], 1e-6) << i;
}
