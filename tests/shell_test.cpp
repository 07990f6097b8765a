// The input callbacks without a window: motion, keys and buttons as the engine sees them.
#include <gtest/gtest.h>

#include <string>

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

} // namespace
