// The body table, the camera and the movement half of the physics step. No GL here.
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
// Half the width of a body's box on x and y; its height is the record's own. The side
// probes stop a body this far from a block's face.
constexpr double BODY_HALF_WIDTH = 0.5;

extern PlayerState gamer[BODY_COUNT];       // record 0 is the player; 0..254 cleared per game
extern double camera_x, camera_y, camera_z; // eye position, world units, z up
extern float camera_rot_x, camera_rot_y;    // pitch and yaw, degrees
extern int fly_mode;                        // 1 fly, 0 walking; 1 at program start
extern int jump;                            // jump request, served by a walking step
extern float gravity;                       // 0.01, added to vz every step
extern double world_clock;                  // seconds; reset by initialize_world

// One physics step: camera coupling, movement and contacts for every active body (a
// missing chunk, or any position outside the grid, is solid), the pick ray, the wrap, then
// the player's actions and the chunk cool-down. Returns 1.
int e_psysix();
// Fly mode moves the camera (z -= dz); walking mode pushes record 0 (v -= d * 0.12, no dz).
void movecamera(float dx, float dy, float dz);
// Walking mode: record 0's view. Fly mode: the camera's, yaw folded at most once each way.
void rotatecamera(float pitch, float yaw);
void fly_m(int mode);         // fly_mode = mode
void e_jump();                // jump = 1
void add_to_clock(double ms); // world_clock += ms / 1000
