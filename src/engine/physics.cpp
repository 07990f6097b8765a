// The body table, the camera and the movement half of the physics step (stub).
#include "engine/physics.h"

PlayerState gamer[BODY_COUNT];
double camera_x, camera_y, camera_z;
float camera_rot_x, camera_rot_y;
int fly_mode = 1;
int jump = 0;
float gravity = 0.01f;
double world_clock = 0;

int e_psysix() { return 1; }
void movecamera(float, float, float) {}
void rotatecamera(float, float) {}
void fly_m(int mode) { fly_mode = mode; }
void e_jump() { jump = 1; }
void add_to_clock(double ms) { world_clock += ms / 1000; }
