// The game being played beyond its world: the bodies, the camera, the world clock and the
// world's name. The engine owns it; the drawing is handed what it needs of it. No GL here.
#pragma once

#include <cstdint>

struct PlayerState {
    double x, y, z;    // centre line; z is the feet
    double vx, vy, vz; // units per step, subtracted from the position (vz > 0 falls)
    float pitch, yaw;  // degrees; camera source in walking mode
    int32_t height;    // blocks, for head contact; 2 for the player
    int32_t active;    // 1 = simulated
    int32_t on_ground; // touched a block vertically this step
    int32_t has_target;
    int32_t target_local[3];
    int32_t target_chunk[3];
    int32_t held_chunk[3];
    int32_t held_local[3];
    int32_t prev_local[3];
    int32_t own_chunk[3];
    int32_t own_local[3];
    float health;
    int32_t hit_timer;
    int32_t break_request;
    int32_t place_request;
    int32_t prev_chunk[3]; // chunk of the last free ray sample, so placing lands in front of
                           // the hit face even across a chunk border
};

constexpr int BODY_COUNT = 256;

// One record for the game being played. The clock is set by the game start (e_init_game);
// the camera and bodies by the game start and each physics step; fly_mode and gravity keep
// their values from one game to the next.
struct GameState {
    PlayerState gamer[BODY_COUNT] = {}; // record 0 is the player; 0..254 cleared per game
    double camera_x = 0, camera_y = 0, camera_z = 0; // eye position, world units, z up
    float camera_rot_x = 0, camera_rot_y = 0;        // pitch and yaw, degrees
    int fly_mode = 1;                                // 1 fly, 0 walking; 1 at program start
    int jump = 0;                                    // jump request, served by a walking step
    float gravity = 0.01f;                           // 0.01, added to vz every step

    // The running world's name, the name of its save folder. The save module keeps a pointer
    // to it rather than a copy, so it lives here rather than in whatever buffer the caller
    // passed.
    char world_name[64] = {};

    double world_clock = 0; // seconds of play; 0 at the game start
};

extern GameState game_state;
