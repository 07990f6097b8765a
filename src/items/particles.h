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

extern Particle prs[PARTICLE_POOL]; // the particle pool
extern ItemBox bxs[BOX_POOL];       // the item-box pool

// Frees every particle and box. Process start.
void init_particles();
// Lowest free particle index, or -1 when all 512 are active.
int find_free_partcl();
// Lowest free box index among 0..511, or -1.
int find_free_box();
// Spawns up to count flakes around block position (x, y, z), textured from type's atlas
// cells; each one draws 12 numbers from base_rand. Stops quietly when the pool is full.
void add_particle_from_cube(float x, float y, float z, int type, int count);
// Drops one collectable box of type at (x, y, z); nothing when boxes 0..511 are all active.
void add_box(float x, float y, float z, uint16_t type);
// Advances and draws the particles, then the boxes (particles_draw.cpp, the module's only
// GL). Needs the block atlas bound and texturing
// on; binds nothing itself.
void render_particles();
// Frees the first box (index order) within reach of the player at world position
// (px, py, pz) and returns its type, or -1 when none is in reach.
int pick_box(float px, float py, float pz);

// One frame of motion for every active particle, then every visible item box, handing each
// record drawn this frame to the matching hook (either may be null); box_height is the bobbing
// height of the box's base. render_particles is this with the GL drawers. No GL here.
void advance_particles(void (*draw_particle)(const Particle &p),
                       void (*draw_box)(const ItemBox &b, float box_height));
