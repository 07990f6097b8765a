// The frame loop: one fixed physics step per 16 ms of real time, frames capped at 80 a second.
#include "shell/frame.h"

#include <cmath>
#include <cstdio>
#include <sys/time.h>
#include <time.h>

#include "base/common.h"
#include "engine/physics.h"

InputState input;

FrameTiming frame_timing;

namespace {

constexpr double PIXELS_PER_DEGREE = 10;
constexpr double FORWARD = 0.2;
constexpr double SIDEWAYS = 0.12;
// Whole clock ticks the cap waits after a frame: the first gap with gap * FRAME_CAP >= 1000.
constexpr int32_t CAP_TICKS = (1000 + FRAME_CAP - 1) / FRAME_CAP;

int held(char lower, char upper) {
    return input.keys[static_cast<unsigned char>(lower)] ||
           input.keys[static_cast<unsigned char>(upper)];
}

// Movement uses the angles as they stood before this frame's mouse look.
void apply_movement(const FrameCalls &c) {
    const double yaw = input.c_rot_y / 180.0 * PI;
    const double pitch = input.c_rot_x / 180.0 * PI;
    const double s = std::sin(yaw), co = std::cos(yaw), up = std::sin(pitch);
    auto move = [&](double dx, double dy, double dz) {
        c.move(static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz));
    };
    if (held('w', 'W')) move(-FORWARD * s, FORWARD * co, FORWARD * up);
    if (held('s', 'S')) move(FORWARD * s, -FORWARD * co, -FORWARD * up);
    if (held('a', 'A')) move(SIDEWAYS * co, SIDEWAYS * s, 0);
    if (held('d', 'D')) move(-SIDEWAYS * co, -SIDEWAYS * s, 0);
}

void apply_mouse_look(const FrameCalls &c) {
    input.c_rot_x = static_cast<float>(input.c_rot_x + input.sm_y / PIXELS_PER_DEGREE);
    input.c_rot_y = static_cast<float>(input.c_rot_y + input.sm_x / PIXELS_PER_DEGREE);
    if (input.c_rot_x > PITCH_MAX)
        input.c_rot_x = PITCH_MAX;
    else if (input.c_rot_x < PITCH_MIN)
        input.c_rot_x = PITCH_MIN;
    c.rotate(input.c_rot_x, input.c_rot_y);
    input.sm_x = 0;
    input.sm_y = 0;
}

int engine_step() {
    return e_psysix();
}

void sleep_ms(int ms) {
    const timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

} // namespace

uint32_t GetTickCount() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    // Unsigned so the 32-bit wrap is defined behaviour.
    return static_cast<uint32_t>(tv.tv_sec) * 1000u + static_cast<uint32_t>(tv.tv_usec / 1000);
}

int32_t frame_gap(uint32_t now, double base) {
    return static_cast<int32_t>(now - static_cast<uint32_t>(base));
}

FrameCalls frame_engine_calls() {
    FrameCalls c{};
    c.move = movecamera;
    c.rotate = rotatecamera;
    c.step = engine_step;
    c.add_clock = add_to_clock;
    c.sleep = sleep_ms;
    return c;
}

void frame_start(const FrameCalls &c) {
    frame_timing.lastclock = c.clock();
    frame_timing.lc = c.clock();
    frame_timing.timer = 0;
    frame_timing.lastren = c.clock();
}

int frame_display(const FrameCalls &c) {
    apply_movement(c);
    apply_mouse_look(c);
    c.clear();

    // One step at most: a backlog is worked off over the next calls, which draw nothing
    // until it is down to one step.
    if (frame_timing.timer >= STEP_MS) {
        c.step();
        frame_timing.timer -= STEP_MS;
    }

    int rendered = 0;
    if (frame_timing.timer <= STEP_MS) {
        frame_timing.cdr++;
        c.present();
        // A clock set back ends the wait instead of holding the game until it catches up.
        // The wait sleeps while more than a millisecond is surely left, then spins, so the
        // cap keeps its timing without burning the core: a reading of gap whole ticks means
        // up to gap + 1 ms have passed.
        for (;;) {
            const int32_t gap = frame_gap(c.clock(), frame_timing.lastren);
            if (gap < 0 || static_cast<int64_t>(gap) * FRAME_CAP >= 1000) break;
            const int32_t left = CAP_TICKS - gap;
            if (c.sleep && left > 2) c.sleep(left - 2);
        }
        frame_timing.lastren = c.clock();
        if (c.waited) c.waited();
        rendered = 1;
    }

    // Time never runs backwards for the physics backlog or the world clock.
    const int32_t gap = frame_gap(c.clock(), frame_timing.lc);
    frame_timing.frametime = gap < 0 ? 0 : gap;
    frame_timing.lc = c.clock();
    frame_timing.timer += frame_timing.frametime;
    c.add_clock(frame_timing.frametime);

    const int32_t since_title = frame_gap(c.clock(), frame_timing.lastclock);
    if (since_title > TITLE_PERIOD_MS || since_title < 0) {
        frame_timing.fps = frame_timing.cdr;
        frame_timing.cdr = 0;
        frame_timing.lastclock = c.clock();
        std::snprintf(buff, sizeof buff, "Tessaron, v%s, %s, FPS: %i", TESS_VERSION, "linux",
                      frame_timing.fps);
        c.set_title(buff);
    }
    return rendered;
}
