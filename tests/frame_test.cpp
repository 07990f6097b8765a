// The frame loop driven by a clock the test owns: step backlog, frame cap, title, movement
// rows and mouse look.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "shell/frame.h"

namespace {

// Each reading returns the current time and then moves it on by tick milliseconds.
struct Recorder {
    uint32_t now = 0;
    uint32_t tick = 1;
    int reads = 0;
    int steps = 0;
    int presents = 0;
    int clears = 0;
    std::vector<std::vector<float>> moves;
    std::vector<std::vector<float>> rotations;
    std::vector<double> clock_added;
    std::vector<std::string> titles;
};
Recorder rec;

FrameCalls test_calls() {
    FrameCalls c{};
    c.clock = [] {
        rec.reads++;
        uint32_t t = rec.now;
        rec.now += rec.tick;
        return t;
    };
    c.move = [](float dx, float dy, float dz) { rec.moves.push_back({dx, dy, dz}); };
    c.rotate = [](float pitch, float yaw) { rec.rotations.push_back({pitch, yaw}); };
    c.clear = [] { rec.clears++; };
    c.step = [] {
        rec.steps++;
        return 1;
    };
    c.present = [] { rec.presents++; };
    c.add_clock = [](double ms) { rec.clock_added.push_back(ms); };
    c.set_title = [](const char *t) { rec.titles.push_back(t); };
    return c;
}

class FrameLoop : public ::testing::Test {
  protected:
    FrameCalls calls = test_calls();
    void SetUp() override { start_at(100000); }
    void start_at(uint32_t t) {
        rec = Recorder{};
        rec.now = t;
        std::memset(keys, 0, sizeof keys);
        sm_x = sm_y = 0;
        c_rot_x = c_rot_y = 0;
        cdr = fps = 0;
        frame_start(calls);
    }
};

TEST_F(FrameLoop, BacklogIsWorkedOffOneStepPerCallWithoutDrawing) {
    timer = 40;
    EXPECT_EQ(frame_display(calls), 0);
    EXPECT_EQ(rec.steps, 1);
    EXPECT_EQ(rec.presents, 0);
    EXPECT_EQ(rec.clears, 1);
    EXPECT_DOUBLE_EQ(timer, 24 + frametime);
    const double first = frametime;
    ASSERT_EQ(rec.clock_added.size(), 1u);
    EXPECT_DOUBLE_EQ(rec.clock_added[0], first);
    EXPECT_LT(rec.reads, 10) << "a catch-up call must not wait out the frame cap";

    // 8 + a millisecond or two left: the second call steps again and draws.
    EXPECT_EQ(frame_display(calls), 1);
    EXPECT_EQ(rec.steps, 2);
    EXPECT_EQ(rec.presents, 1);
    EXPECT_DOUBLE_EQ(timer, 8 + first + frametime);

    // After a slow call 8 + its frame time is over 16: the next call still only catches up.
    start_at(5000);
    timer = 40;
    rec.now += 10;
    frame_display(calls);
    ASSERT_GT(8 + frametime, 16);
    EXPECT_EQ(frame_display(calls), 0);
    EXPECT_EQ(rec.steps, 2);
    EXPECT_EQ(rec.presents, 0);
}

TEST_F(FrameLoop, ExactlyOneStepOfBacklogStepsAndDraws) {
    timer = 16;
    EXPECT_EQ(frame_display(calls), 1);
    EXPECT_EQ(rec.steps, 1);
    EXPECT_EQ(rec.presents, 1);
    EXPECT_DOUBLE_EQ(timer, frametime);

    timer = 15.9;
    rec.steps = rec.presents = 0;
    EXPECT_EQ(frame_display(calls), 1);
    EXPECT_EQ(rec.steps, 0);
    EXPECT_EQ(rec.presents, 1);
    EXPECT_DOUBLE_EQ(timer, 15.9 + frametime);
}

TEST_F(FrameLoop, RenderedFramesAreAtLeast12AndAHalfMillisecondsApart) {
    double previous = lastren;
    for (int i = 0; i < 20; i++) {
        timer = 0;
        ASSERT_EQ(frame_display(calls), 1);
        EXPECT_GE(lastren - previous, 13) << "frame " << i;
        EXPECT_LE(lastren - previous, 15) << "the wait must stop once 12.5 ms have passed";
        previous = lastren;
    }
}

TEST_F(FrameLoop, TitleShowsFramesRenderedInThePeriodAfterMoreThanASecond) {
    const double started = lastclock;
    int rendered = 0;
    uint32_t before_title = rec.now;
    while (rec.titles.empty()) {
        before_title = rec.now;
        timer = 0; // keep every call drawing
        rendered += frame_display(calls);
        ASSERT_LT(rendered, 1000);
    }
    // The call before saw at most 1000 ms and its title check was its last reading.
    EXPECT_LE(before_title - started, 1001);
    EXPECT_GT(lastclock - started, 1000);
    EXPECT_EQ(fps, rendered);
    EXPECT_EQ(cdr, 0);
    EXPECT_EQ(rec.titles[0], "Tessaron, v0.10, linux, FPS: " + std::to_string(rendered));
    // About 80 a second: the cap holds the count near 1000 / 13.
    EXPECT_GE(rendered, 60);
    EXPECT_LE(rendered, 80);
}

TEST_F(FrameLoop, WrappedClockKeepsTimeAndSetBackClockNeverHangs) {
    start_at(0xFFFFFFF0u);
    timer = 0;
    EXPECT_EQ(frame_display(calls), 1);
    EXPECT_GE(frametime, 13);
    EXPECT_LT(frametime, 30);
    EXPECT_TRUE(rec.titles.empty());

    // An hour back, right before the frame cap's wait: the wait ends and no time is lost.
    start_at(10000000);
    lastren += 3600 * 1000.0;
    lc += 3600 * 1000.0;
    timer = 0;
    EXPECT_EQ(frame_display(calls), 1);
    EXPECT_LT(rec.reads, 20);
    EXPECT_EQ(frametime, 0);
    EXPECT_EQ(timer, 0);
}

TEST_F(FrameLoop, EveryHeldMovementRowMovesOnceWithTheAnglesBeforeMouseLook) {
    c_rot_x = 30;
    c_rot_y = 90;
    sm_x = 300; // would turn the yaw to 120 if it were applied first
    keys['W'] = 1;
    keys['s'] = 1;
    keys['a'] = 1;
    keys['D'] = 1;
    timer = 0;
    frame_display(calls);
    const double yaw = 90 / 180.0 * 3.14, pitch = 30 / 180.0 * 3.14;
    const float want[4][3] = {
        {float(-0.2 * std::sin(yaw)), float(0.2 * std::cos(yaw)), float(0.2 * std::sin(pitch))},
        {float(0.2 * std::sin(yaw)), float(-0.2 * std::cos(yaw)), float(-0.2 * std::sin(pitch))},
        {float(0.12 * std::cos(yaw)), float(0.12 * std::sin(yaw)), 0},
        {float(-0.12 * std::cos(yaw)), float(-0.12 * std::sin(yaw)), 0},
    };
    ASSERT_EQ(rec.moves.size(), 4u);
    for (int r = 0; r < 4; r++)
        for (int i = 0; i < 3; i++) EXPECT_FLOAT_EQ(rec.moves[r][i], want[r][i]) << r << "," << i;
    // 3.14, not the full constant: cos(90 degrees) is not zero here.
    EXPECT_NE(rec.moves[0][1], 0.0f);

    rec.moves.clear();
    keys['W'] = keys['s'] = keys['a'] = keys['D'] = 0;
    keys['w'] = 1;
    frame_display(calls);
    ASSERT_EQ(rec.moves.size(), 1u);
}

TEST_F(FrameLoop, MouseLookClampsPitchAndNeverWrapsYaw) {
    struct Case {
        float pitch, yaw;
        int dx, dy;
        float want_pitch, want_yaw;
    };
    const Case cases[] = {
        {79, 0, 0, 30, 80, 0},    {-99, 0, 0, -30, -100, 0},     {-95, 0, 0, -30, -98, 0},
        {0, 350, 200, 0, 0, 370}, {0, -10, -3, 5, 0.5f, -10.3f},
    };
    for (const Case &c : cases) {
        c_rot_x = c.pitch;
        c_rot_y = c.yaw;
        sm_x = c.dx;
        sm_y = c.dy;
        rec.rotations.clear();
        frame_display(calls);
        EXPECT_FLOAT_EQ(c_rot_x, c.want_pitch);
        EXPECT_FLOAT_EQ(c_rot_y, c.want_yaw);
        ASSERT_EQ(rec.rotations.size(), 1u);
        EXPECT_FLOAT_EQ(rec.rotations[0][0], c.want_pitch);
        EXPECT_FLOAT_EQ(rec.rotations[0][1], c.want_yaw);
        EXPECT_EQ(sm_x, 0);
        EXPECT_EQ(sm_y, 0);
    }
}

} // namespace
