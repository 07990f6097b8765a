// The frame loop on a clock the test owns: step backlog, frame cap, title, movement, mouse look.
#include <gtest/gtest.h>
#include "shell/frame.h"
static struct Recorder {
    uint32_t now; // each reading moves the clock on by a millisecond
    int steps, presents, slept;
    std::vector<std::vector<float>> moves;
    std::string title; // the last one set
} rec;
struct FrameLoop : ::testing::Test {
    FrameCalls calls{};
    void SetUp() override {
        calls.clock = [] { return rec.now++; };
        calls.move = [](float x, float y, float z) { rec.moves.push_back({x, y, z}); };
        calls.rotate = [](float, float) {};
        calls.clear = [] {};
        calls.step = [] { return ++rec.steps; };
        calls.present = [] { rec.presents++; };
        calls.add_clock = [](double) {};
        calls.set_title = [](const char *t) { rec.title = t; };
        start_at(100000);
    }
    void start_at(uint32_t t) {
        rec = Recorder{t, 0, 0, 0, {}, {}};
        frame_timing.cdr = 0;
        frame_start(calls);
    }
};
TEST_F(FrameLoop, BacklogStepsOncePerCallAndDrawsOnlyWhenDownToOneStep) {
    // Timer, steps, drawn, whether the clock was set back an hour before the frame cap's wait;
    // then the frame time and backlog after. Each clock reading is a tick: a frame that draws
    // waits 13 of them, one that catches up only the two of its own readings.
    const double cases[][6] = {{40, 1, 0, 0, 2, 26},
                               {16, 1, 1, 0, 16, 16},
                               {15.9, 0, 1, 0, 16, 31.9},
                               {15.9, 0, 1, 1, 0, 15.9}};
    for (const auto &[backlog, steps, drawn, set_back, frametime, after] : cases) {
        SCOPED_TRACE(testing::Message() << backlog << (set_back ? ", set back" : ""));
        start_at(100000);
        frame_timing.timer = backlog;
        if (set_back) frame_timing.lastren = frame_timing.lc = frame_timing.lastclock = 3700000;
        frame_display(calls);
        EXPECT_EQ(std::make_pair(rec.steps, rec.presents), std::make_pair(int(steps), int(drawn)));
        EXPECT_EQ(frame_timing.frametime, frametime) << "never backwards, no cap when catching up";
        EXPECT_DOUBLE_EQ(frame_timing.timer, after);
        EXPECT_EQ(rec.title, set_back ? "Tessaron, v0.10, linux, FPS: 1" : "")
            << "at once if set back";
    }
}
// Frames 13 ms apart (a tick more with this clock's readings), whether the cap sleeps until a
// millisecond is left or spins throughout; the title counts them once a second is over, across
// the clock's wrap (as after 49.7 days of uptime).
TEST_F(FrameLoop, FramesAre13MsApartSleepingOrNotAndTheTitleCountsThemOnceASecondIsOver) {
    for (int sleeps = 0; sleeps < 2; sleeps++) {
        SCOPED_TRACE(sleeps);
        calls.sleep = sleeps ? +[](int ms) { rec.slept += ms, rec.now += uint32_t(ms); } : nullptr;
        start_at(0xFFFFFFFFu - 500);
        for (int i = 0; i < 100 && rec.title.empty(); i++) {
            const uint32_t previous = uint32_t(frame_timing.lastren);
            frame_display(calls);
            EXPECT_EQ(uint32_t(frame_timing.lastren) - previous, 14u) << i;
        }
        EXPECT_EQ(rec.title, "Tessaron, v0.10, linux, FPS: 72"); // 1008 ms of 14-tick frames
        // Down to the last ticks: 10 ms in the first wait, 7 in each of the other 71.
        EXPECT_EQ(rec.slept, sleeps * 507);
    }
}
TEST_F(FrameLoop, EveryHeldMovementRowMovesOnceWithTheAnglesBeforeMouseLookAndClampedPitch) {
    input.c_rot_x = 30;
    input.c_rot_y = 90;
    input.sm_x = 300; // would turn the yaw to 120 if it were applied first
    input.keys['W'] = input.keys['s'] = input.keys['A'] = input.keys['d'] = 1;
    frame_display(calls);
    // W, S, A, D: 0.2 forward, lifted by sin 30, and 0.12 sideways; the game's pi is 3.14,
    // so cos 90 is 0.0008 and not 0.
    const float want[4][3] = {{-0.2f, 1.5927e-4f, 0.099954f},
                              {0.2f, -1.5927e-4f, -0.099954f},
                              {9.556e-5f, 0.12f, 0},
                              {-9.556e-5f, -0.12f, 0}};
    ASSERT_EQ(rec.moves.size(), 4u);
    for (int r = 0; r < 4; r++)
        for (int i = 0; i < 3; i++) EXPECT_NEAR(rec.moves[r][i], want[r][i], 1e-6) << r;
    input = InputState{}; // the pointer's dx, dy; then the pitch and yaw, one frame after another
    const float looks[][4] = {
        {0, 850, 80, 0}, {0, -1850, -100, 0}, {3700, 20, -98, 370}, {-3, 5, -97.5f, 369.7f}};
    for (const auto &[dx, dy, want_pitch, want_yaw] : looks) {
        input.sm_x = int(dx), input.sm_y = int(dy);
        frame_display(calls);
        EXPECT_EQ(
            std::vector<float>({input.c_rot_x, input.c_rot_y, float(input.sm_x + input.sm_y)}),
            std::vector<float>({want_pitch, want_yaw, 0}))
            << dx << ", " << dy << ": the pitch, the yaw, and the offset consumed";
    }
}
