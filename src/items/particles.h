// Particles and dropped item boxes.
#pragma once

#include <cstdint>

constexpr int PARTICLE_POOL = 512;
constexpr int BOX_POOL = 1024;
constexpr int BOX_LIVE = 512; // spawning and pick-up use indexes 0..511 only

struct Particle {
    float x, y, z;    // block units with x and y negated; drawn at GL (x, z, y)
    float vx, vy, vz; // per frame
    float angle;      // radians
    float u, v;       // atlas corner of the flake's texture square
    int32_t life;     // frames left
    int8_t active;
};

struct ItemBox {
    float x, y, z; // where it was spawned, same frame as Particle
    float phase;   // radians; bob and spin
    uint16_t type;
    int8_t active;
};

extern Particle prs[PARTICLE_POOL];
extern ItemBox bxs[BOX_POOL];

void init_particles();
int find_free_partcl();
int find_free_box();
void add_particle_from_cube(float x, float y, float z, int type, int count);
void add_box(float x, float y, float z, uint16_t type);
void render_particles();
int pick_box(float px, float py, float pz);
