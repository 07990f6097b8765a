// Flakes that fly off hit blocks and the spinning item boxes broken blocks leave behind:
// two fixed pools, their spawning, their per-frame motion and the pick-up test. No GL here;
// particles_draw.cpp draws them.
#include "items/particles.h"

#include <cmath>
#include <cstring>

#include "base/common.h"
#include "world/mesher.h"

Particle prs[PARTICLE_POOL];
ItemBox bxs[BOX_POOL];

namespace {

constexpr float FALL = 0.006f;     // gravity, per frame
constexpr float FACE_PUSH = 0.05f; // extra speed away from the face a flake leaves from
constexpr float BOX_SPIN = 0.01f;  // radians per frame
constexpr float BOX_BOB = 0.25f;   // bobbing amplitude

const BlockTextures &textures_of(int type) {
    static const BlockTextures none = {};
    return (type >= 0 && type < TEXTURE_ROWS) ? texes[type] : none;
}

bool box_visible(uint16_t type) {
    return type < MATERIAL_ROWS && materials[type].solid == 1;
}

} // namespace

void init_particles() {
    std::memset(prs, 0, sizeof prs);
    std::memset(bxs, 0, sizeof bxs);
}

int find_free_partcl() {
    for (int k = 0; k < PARTICLE_POOL; k++)
        if (!prs[k].active) return k;
    return -1;
}

int find_free_box() {
    for (int k = 0; k < BOX_LIVE; k++)
        if (!bxs[k].active) return k;
    return -1;
}

void add_particle_from_cube(float cx, float cy, float cz, int type, int count) {
    const BlockTextures &tex = textures_of(type);
    for (int n = 0; n < count; n++) {
        int k = find_free_partcl();
        if (k < 0) return;
        Particle &p = prs[k];
        // Each value below is its own draw, taken in exactly this order so that a scripted
        // source reproduces a burst flake by flake.
        p.x = cx + (base_rand() % 32) * 0.015625f - 0.25f;
        p.y = cy + (base_rand() % 32) * 0.015625f - 0.25f;
        p.z = cz + (base_rand() % 32) * 0.015625f;
        p.vx = ((base_rand() % 64) * 0.015625f - 0.5f) / 50;
        p.vy = ((base_rand() % 64) * 0.015625f - 0.5f) / 50;
        p.vz = ((base_rand() % 64) * 0.015625f - 0.5f) / 50 + 0.02f;
        p.angle = (base_rand() % 360) / 180.0f * static_cast<float>(PI);
        // The flake starts on one of the block's six faces, pushed outwards from it.
        const int face = base_rand() % 6;
        float *const pos[3] = {&p.x, &p.y, &p.z};
        float *const vel[3] = {&p.vx, &p.vy, &p.vz};
        const float centre[3] = {cx, cy, cz};
        const int axis = face / 2;
        *pos[axis] = centre[axis] + (face % 2 ? 0.5f : -0.5f);
        *vel[axis] += face % 2 ? FACE_PUSH : -FACE_PUSH;
        int g = base_rand() % 3;
        const TexCell &cell = g == 0 ? tex.top : g == 1 ? tex.bottom : tex.side;
        int span = g == 0 ? 10 : 16;
        p.u = cell.u + (base_rand() % span) / 1000.0f * 9;
        p.v = cell.v + (base_rand() % span) / 1000.0f * 9;
        p.life = base_rand() % 30 + 20;
        p.active = 1;
    }
}

void add_box(float x, float y, float z, uint16_t type) {
    int k = find_free_box();
    if (k < 0) return;
    bxs[k] = ItemBox{x, y, z, 0.0f, type, 1};
}

void advance_particles(void (*draw_particle)(const Particle &p),
                       void (*draw_box)(const ItemBox &b, float box_height)) {
    for (Particle &p : prs) {
        if (!p.active) continue;
        p.x += p.vx;
        p.y += p.vy;
        p.vz -= FALL;
        p.z += p.vz;
        if (draw_particle) draw_particle(p);
        // A flake spawned with life L is drawn L + 1 times.
        p.life -= 1;
        if (p.life < 0) p.active = 0;
    }
    for (ItemBox &b : bxs) {
        // Boxes of a non-solid type neither show nor spin, yet stay collectable.
        if (!b.active || !box_visible(b.type)) continue;
        b.phase += BOX_SPIN;
        float h = b.z + BOX_BOB * std::sin(b.phase);
        if (draw_box) draw_box(b, h);
    }
}

int pick_box(float px, float py, float pz) {
    for (int k = 0; k < BOX_LIVE; k++) {
        ItemBox &b = bxs[k];
        if (!b.active) continue;
        // |trunc(s)| is 0 exactly when |s| < 1; comparing the sums directly keeps any position
        // clear of an out-of-range float-to-int conversion.
        if (std::fabs(b.y + py) < 1 && std::fabs(b.x + px) < 1 && std::fabs(pz - b.z) < 1) {
            b.active = 0;
            return b.type;
        }
    }
    return -1;
}
