// The body table, the camera and the movement half of the physics step. No GL here.
#pragma once

#include "engine/game.h"

// Half the width of a body's box on x and y; its height is the record's own. The side
// probes stop a body this far from a block's face.
constexpr double BODY_HALF_WIDTH = 0.5;

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
