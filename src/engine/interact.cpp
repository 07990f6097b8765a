// Block picking, breaking and placing: the pick ray each body casts after moving, and the
// player's pick-up, timed hits and block placement that close the physics step.
#include "engine/interact.h"

#include <cmath>
#include <cstdio>

#include "base/common.h"
#include "engine/engine.h"
#include "engine/physics.h"
#include "items/cells.h"
#include "items/particles.h"
#include "world/chunks.h"
#include "world/mesher.h"

namespace {

constexpr double EDGE = CHUNK_EDGE; // a chunk edge in world units

constexpr float RAY_STEP = 0.125f;
constexpr int RAY_SAMPLES = 32;
constexpr float EYE_HEIGHT = 1.5f;
constexpr int HIT_RELOAD = 10; // with the step that hits, hits come 11 steps apart
constexpr float HIT_LIMIT = 1.0f;
constexpr int HIT_FLAKES = 5;
constexpr int BREAK_FLAKES = 60;

// Address of a block, or null when its chunk is missing or the indices lie outside it. Chunk x
// and y are wrapped into the grid for every read and write, so a ray that runs past the world's
// edge lands in the chunk that really lies there.
BlockId *block_at(const int chunk[3], const int local[3]) {
    int slot = chunk_slot(wrap_chunk(chunk[0]), wrap_chunk(chunk[1]), chunk[2]);
    if (slot < 0 || !local_in_chunk(local[0], local[1], local[2])) return nullptr;
    return &cubes[slot].blocks[block_index(local[0], local[1], local[2])];
}

// A ray sample stops on a missing chunk and on the block values that stop sideways movement.
bool ray_blocked(const int chunk[3], const int local[3]) {
    const BlockId *b = block_at(chunk, local);
    return !b || (*b >= 1 && *b <= 10);
}

bool same3(const int a[3], const int b[3]) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

void copy3(int dst[3], const int src[3]) {
    for (int k = 0; k < 3; k++) dst[k] = src[k];
}

// Centre of a block in the frame particles and boxes use: x and y negated, z up.
void block_position(const int chunk[3], const int local[3], float out[3]) {
    out[0] = static_cast<float>(local[0] - CHUNK_EDGE * chunk[0]);
    out[1] = static_cast<float>(local[1] - CHUNK_EDGE * chunk[1]);
    out[2] = static_cast<float>(CHUNK_EDGE * chunk[2] + local[2]);
}

// Rebuilds the chunk of a changed block, and the neighbour that shares the block's face when
// the block lies on the chunk's border, so the seam shows neither holes nor hidden faces.
void rebuild_around(const int chunk[3], const int local[3]) {
    const int cx = chunk[0], cy = chunk[1], cz = chunk[2];
    const MergeOptions &merge = e_draw_options().merge;
    rebuild_if_present(cx, cy, cz, merge);
    if (local[0] == 0) rebuild_if_present(cx + 1, cy, cz, merge);
    if (local[0] == CHUNK_EDGE - 1) rebuild_if_present(cx - 1, cy, cz, merge);
    if (local[1] == 0) rebuild_if_present(cx, cy + 1, cz, merge);
    if (local[1] == CHUNK_EDGE - 1) rebuild_if_present(cx, cy - 1, cz, merge);
    if (local[2] == 0) rebuild_if_present(cx, cy, cz - 1, merge);
    if (local[2] == CHUNK_EDGE - 1) rebuild_if_present(cx, cy, cz + 1, merge);
}

const Material *material_of(BlockId v) {
    return v < MATERIAL_ROWS ? &materials[v] : nullptr;
}

void break_block(PlayerState &p) {
    if (!same3(p.held_chunk, p.target_chunk) || !same3(p.held_local, p.target_local)) {
        const BlockId *b = block_at(p.target_chunk, p.target_local);
        const Material *m = b ? material_of(*b) : nullptr;
        if (!m) return;
        copy3(p.held_chunk, p.target_chunk);
        copy3(p.held_local, p.target_local);
        p.hit_timer = HIT_RELOAD;
        p.health = static_cast<float>(m->break_time);
        return;
    }
    if (p.hit_timer > 0) {
        p.hit_timer--;
        return;
    }
    BlockId *b = block_at(p.held_chunk, p.held_local);
    const Material *m = b ? material_of(*b) : nullptr;
    if (!m || m->toughness > HIT_LIMIT) return;

    float pos[3];
    block_position(p.held_chunk, p.held_local, pos);
    add_particle_from_cube(pos[0], pos[1], pos[2], *b, HIT_FLAKES);
    p.hit_timer = HIT_RELOAD;
    p.health -= 1.0f;
    if (p.health > 0) return;

    BlockId value = *b;
    add_particle_from_cube(pos[0], pos[1], pos[2], value, BREAK_FLAKES);
    add_box(pos[0], pos[1], pos[2], static_cast<uint16_t>(materials[value].drop));
    *b = 0;
    rebuild_around(p.held_chunk, p.held_local);
    // Nothing is held any more: a block placed later in the same cell starts its own count
    // instead of inheriting this one's spent health. No ray target has a local z of -1.
    p.held_local[2] = -1;
}

// Offset of world coordinate b from a, folded into the nearest copy of the wrapping world:
// the ray was cast before the body's wrap, so the two may lie a world apart.
double wrapped_offset(double a, double b) {
    const double d = b - a;
    return world_state.world_size > 0 ? std::remainder(d, EDGE * world_state.world_size) : d;
}

// Whether the block cell (chunk, local), as the pick ray indexes it, shares volume with the
// body's box. Faces that only touch do not count, so a block fits against a body standing
// flush with its cell.
bool body_overlaps_cell(const PlayerState &p, const int chunk[3], const int local[3]) {
    const double cell_x = CHUNK_EDGE * chunk[0] - local[0]; // centre; the ray's x runs backwards
    const double cell_y = CHUNK_EDGE * chunk[1] - local[1];
    const double cell_z = CHUNK_EDGE * chunk[2] + local[2]; // bottom face
    const double reach = BODY_HALF_WIDTH + 0.5;
    return std::fabs(wrapped_offset(p.x, cell_x)) < reach &&
           std::fabs(wrapped_offset(p.y, cell_y)) < reach && cell_z < p.z + p.height &&
           cell_z + 1 > p.z;
}

void place_block(PlayerState &p) {
    p.place_request = 0;
    // The placement lands in the last free cell before the hit, which may lie in another
    // chunk than the target; a cell the body stands in, at any of its levels, is refused
    // without a word.
    if (body_overlaps_cell(p, p.prev_chunk, p.prev_local)) return;

    printf("%i %i %i %i %i %i \n", p.prev_local[0], p.own_local[0], p.prev_local[1], p.own_local[1],
           p.prev_local[2], p.own_local[2]);
    if (!p.has_target) return;
    unsigned int t = get_cell(player_cells, cells_active, 0);
    // Stored values index the texture table, so nothing beyond it goes into the world.
    if (t == 0 || t >= static_cast<unsigned int>(TEXTURE_ROWS)) return;
    BlockId *b = block_at(p.prev_chunk, p.prev_local);
    if (!b) return;
    *b = static_cast<BlockId>(t);
    minus_cell(player_cells, cells_active, 0);
    rebuild_around(p.prev_chunk, p.prev_local);
}

} // namespace

void pick_ray(PlayerState *body) {
    if (!body) return;
    float fx = static_cast<float>(body->x - 0.5);
    float fy = static_cast<float>(body->y - 0.5);
    float fz = static_cast<float>(body->z + EYE_HEIGHT);
    const float psi = body->yaw / 180 * static_cast<float>(PI);
    const float theta = body->pitch / 180 * static_cast<float>(PI);
    const float dx = -std::sin(psi) * std::cos(theta) * RAY_STEP;
    const float dy = std::cos(theta) * std::cos(psi) * RAY_STEP;
    const float dz = std::sin(theta) * RAY_STEP;
    // A body far outside any world (flown absurdly far, a NaN position or angle) has nothing
    // in reach, and its indices would not fit an int.
    if (!(std::fabs(fx) < 1e7f && std::fabs(fy) < 1e7f && std::fabs(fz) < 1e7f &&
          std::isfinite(dx) && std::isfinite(dy) && std::isfinite(dz))) {
        body->has_target = 0;
        return;
    }

    int chunk[3] = {static_cast<int>(fx / CHUNK_EDGE + 1), static_cast<int>(fy / CHUNK_EDGE + 1),
                    static_cast<int>(fz / CHUNK_EDGE)};
    int local[3] = {0, 0, 0};
    int prev_chunk[3] = {0, 0, 0}, prev_local[3] = {0, 0, 0};
    bool hit = false;
    int sample = 0;
    for (; sample < RAY_SAMPLES; sample++) {
        local[0] = static_cast<int>(CHUNK_EDGE - ((fx - CHUNK_EDGE * chunk[0]) + CHUNK_EDGE));
        local[1] = static_cast<int>(CHUNK_EDGE - ((fy - CHUNK_EDGE * chunk[1]) + CHUNK_EDGE));
        local[2] = static_cast<int>(fz - CHUNK_EDGE * chunk[2]);
        step_into_neighbour(chunk[1], local[1], false);
        step_into_neighbour(chunk[0], local[0], false);
        step_into_neighbour(chunk[2], local[2], true);
        if (ray_blocked(chunk, local)) {
            hit = true;
            break;
        }
        copy3(prev_chunk, chunk);
        copy3(prev_local, local);
        fx += dx;
        fy += dy;
        fz -= dz;
    }
    // A hit on the first sample means the eye is inside a block: no target then.
    if (!hit || sample == 0) {
        body->has_target = 0;
        return;
    }
    body->has_target = 1;
    copy3(body->target_local, local);
    copy3(body->target_chunk, chunk);
    copy3(body->prev_local, prev_local);
    copy3(body->prev_chunk, prev_chunk);
}

void player_actions() {
    PlayerState &p = game_state.gamer[0];
    int type = pick_box(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
    if (type != -1) add_box_to_inv(player_cells, static_cast<unsigned int>(type));
    if (p.break_request == 1 && p.has_target) break_block(p);
    if (p.place_request == 1) place_block(p);
}
