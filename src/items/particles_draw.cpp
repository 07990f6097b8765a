// Drawing of the flakes and the item boxes: advance_particles with GL drawers.
#include "items/particles.h"

#include <GL/gl.h>
#include <cmath>

#include "draw/cubes.h"

namespace {

constexpr float FLAKE_HALF = 0.15f; // half the flake's edge
constexpr float FLAKE_TEX = 0.01f;  // atlas span sampled by one flake
constexpr float BOX_SIZE = 0.4f;

void draw_flake(const Particle &p) {
    const float s = std::sin(p.angle), c = std::cos(p.angle), k = FLAKE_HALF;
    glBegin(GL_QUADS);
    glTexCoord2f(p.u, p.v);
    glVertex3f(p.x + k * s, p.z - k * c, p.y + k);
    glTexCoord2f(p.u + FLAKE_TEX, p.v);
    glVertex3f(p.x - k * s, p.z - k * c, p.y - k);
    glTexCoord2f(p.u + FLAKE_TEX, p.v + FLAKE_TEX);
    glVertex3f(p.x - k * s, p.z + k * c, p.y - k);
    glTexCoord2f(p.u, p.v + FLAKE_TEX);
    glVertex3f(p.x + k * s, p.z + k * c, p.y + k);
    glEnd();
}

void draw_box(const ItemBox &b, float h) {
    draw_cube_filed(b.x, h, b.y, b.phase, BOX_SIZE, b.type);
}

} // namespace

void render_particles() {
    advance_particles(draw_flake, draw_box);
}
