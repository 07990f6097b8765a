// The frame loop's decisions: movement keys, mouse look, the fixed physics step, the render
// and its frame cap, the world clock and the title. No GL here: the caller passes the calls
// that reach the window, so a test can drive the loop with its own clock.
#pragma once

#include <cstdint>

constexpr int KEY_COUNT = 256;
constexpr double STEP_MS = 16; // one physics step
constexpr int FRAME_CAP = 80;  // rendered frames per second at most
constexpr double TITLE_PERIOD_MS = 1000;
constexpr float PITCH_MAX = 80;   // looking down
constexpr float PITCH_MIN = -100; // looking up; -100, not -80, is kept on purpose

// Input written by the window callbacks and consumed by the frame loop. Process-long.
struct InputState {
    int keys[KEY_COUNT];    // 1 while the key with this character code is held
    int sm_x, sm_y;         // pointer offset from the window centre; consumed by each frame
    float c_rot_x, c_rot_y; // accumulated pitch and yaw, degrees; yaw is never wrapped
    int mouse_x, mouse_y;   // pointer in the menu's 800 x 600 space, from the last motion
};
extern InputState input;

// The frame loop's clocks, milliseconds of GetTickCount as doubles. Process-long; frame_start
// sets the time bases.
struct FrameTiming {
    double timer;     // real time not yet consumed by physics steps
    double frametime; // time between the last two frame-time samples
    double lc;        // clock at the last frame-time sample
    double lastren;   // clock right after the last rendered frame's wait
    double lastclock; // clock at the last title update
    int cdr;          // the frame counter: frames rendered since the last title update
    int fps;          // cdr at the last title update
};
extern FrameTiming frame_timing;

// Milliseconds of gettimeofday, wrapping modulo 2^32.
uint32_t GetTickCount();

// Everything one frame reaches outside itself. All entries but sleep and waited must be set.
struct FrameCalls {
    uint32_t (*clock)();                        // the millisecond clock, read afresh each use
    void (*move)(float dx, float dy, float dz); // one movement row
    void (*rotate)(float pitch, float yaw);     // the view angles after mouse look
    void (*clear)();                            // clears colour and depth
    int (*step)();                              // one physics step
    void (*present)();                          // renders the frame and swaps buffers
    void (*add_clock)(double ms);               // advances the world clock
    void (*set_title)(const char *title);       // the window title
    // Gives the core away for about ms milliseconds while the frame cap waits; null: the
    // wait spins on the clock alone.
    void (*sleep)(int ms);
    // Called once a rendered frame's wait is over, before the loop goes back to its events;
    // may be null. Work the frame handed to another thread is collected here.
    void (*waited)();
};

// The engine's own movement, rotation, physics step, world clock and sleep; the caller adds
// the clock, clear, present and set_title entries.
FrameCalls frame_engine_calls();

// Sets the time bases from three clock readings and empties the step backlog.
void frame_start(const FrameCalls &calls);
// Runs one frame. Returns 1 when it rendered, 0 when it was catching up.
int frame_display(const FrameCalls &calls);

// Milliseconds from base to now, taken modulo 2^32 so a clock that wrapped (every 49.7
// days) still gives the true gap; negative when the clock was set back.
int32_t frame_gap(uint32_t now, double base);
