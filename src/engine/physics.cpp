// The body table, the camera and the movement half of the physics step: damping, gravity,
// jumps and block contacts axis by axis, then the pick ray and the player's actions.
#include "engine/physics.h"

#include <initializer_list>

#include "engine/interact.h"
#include "world/chunks.h"

namespace {

constexpr double EDGE = CHUNK_EDGE; // a chunk edge in world units

// Any coordinate a body can reach in a sane world is far inside this; values beyond it
// (a camera flown absurdly far, a NaN) are pinned so the int conversion stays defined.
// They still lie outside the grid and read as solid.
constexpr double INDEX_LIMIT = 1e7;

int trunc_index(double v) {
    if (!(v > -INDEX_LIMIT)) return -int(INDEX_LIMIT); // NaN lands here too
    if (v > INDEX_LIMIT) return int(INDEX_LIMIT);
    return int(v);
}

struct ChunkPos {
    int cx, cy, cz;
};

ChunkPos chunk_of(const PlayerState &b) {
    return {trunc_index(b.x / CHUNK_EDGE + 1), trunc_index(b.y / CHUNK_EDGE + 1),
            trunc_index(b.z / CHUNK_EDGE)};
}

// Horizontal local index of the block centred nearest to p (blocks sit on whole numbers).
int centre_local(double p, int c) {
    return (CHUNK_EDGE - 1) - trunc_index(p - EDGE * c + (EDGE - 0.5));
}

// Floor and head probes: a missing chunk, a free slot or any non-zero block stops the body.
// lz may leave the chunk; it then names the block in the level above or below.
bool vertical_solid(int cx, int cy, int cz, int lx, int ly, long long lz) {
    if (!local_in_edge(lx) || !local_in_edge(ly)) return true;
    long long level = cz;
    if (lz < 0 || lz >= CHUNK_EDGE) {
        long long shift = lz >= 0 ? lz / CHUNK_EDGE : -((-lz + CHUNK_EDGE - 1) / CHUNK_EDGE);
        level += shift;
        lz -= shift * CHUNK_EDGE;
    }
    if (level < 0 || level >= CHUNK_LEVELS) return true;
    int slot = chunk_slot(cx, cy, int(level));
    if (slot < 0) return true;
    return cubes[slot].blocks[block_index(lx, ly, int(lz))] != 0;
}

// Side probes go through the clamped lookup, so values of 11 and above let the body pass.
// The probe may step one block into the neighbouring chunk; anything further, or outside
// the levels, is solid without a lookup.
bool side_solid(int cx, int cy, int cz, int lx, int ly, int lz) {
    if (lx < -1 || lx > CHUNK_EDGE || ly < -1 || ly > CHUNK_EDGE) return true;
    if (!local_in_edge(lz) || cz < 0 || cz >= CHUNK_LEVELS) return true;
    step_into_neighbour(cx, lx, false);
    step_into_neighbour(cy, ly, false);
    if (chunk_slot(cx, cy, cz) < 0) return true;
    return g_xy(t_zn(cx), t_zn(cy), cz, lx, ly, lz) != 0;
}

void damp(PlayerState &b) {
    b.on_ground = 0;
    b.vx = b.vx * 0.8;
    b.vy = b.vy * 0.8;
    b.vz = (b.vz + game_state.gravity) * 0.97;
}

// Falling stops on the block under the feet, rising on the block above the head.
void vertical_contact(PlayerState &b) {
    b.z = b.z - b.vz;
    const ChunkPos c = chunk_of(b);
    const int lx = centre_local(b.x, c.cx);
    const int ly = centre_local(b.y, c.cy);
    if (b.vz > 0) {
        int l = trunc_index(b.z - EDGE * c.cz);
        if (vertical_solid(c.cx, c.cy, c.cz, lx, ly, l)) {
            b.z = EDGE * c.cz + l + 1; // feet on top of the block below
            b.vz = 0;
            b.on_ground = 1;
        }
    }
    if (b.vz < 0) {
        int l = trunc_index(b.z - EDGE * c.cz);
        if (vertical_solid(c.cx, c.cy, c.cz, lx, ly, (long long)l + b.height)) {
            b.z = EDGE * c.cz + l;
            b.vz = 0;
            b.on_ground = 1;
        }
    }
}

// One side of the body against the block ahead of it along axis (0 x, 1 y), moving toward
// dir (+1 or -1 in block index terms). The probe sits half a unit ahead of the centre line
// (63.0 / 64.0 against the centre mapping's 63.5), so a stopped body touches the face of the
// block it met.
void side_contact(PlayerState &b, const ChunkPos &c, int axis, int dir) {
    double &pos = axis == 0 ? b.x : b.y;
    const int along = axis == 0 ? c.cx : c.cy;
    const int i = trunc_index(pos - EDGE * along + (dir > 0 ? (EDGE - 1) : EDGE));
    const int across = axis == 0 ? centre_local(b.y, c.cy) : centre_local(b.x, c.cx);
    const int lx = axis == 0 ? (CHUNK_EDGE - 1) - i : across;
    const int ly = axis == 0 ? across : (CHUNK_EDGE - 1) - i;
    if (!side_solid(c.cx, c.cy, c.cz, lx, ly, trunc_index(b.z - EDGE * c.cz))) return;
    pos = EDGE * along + i - (CHUNK_EDGE - 1) + dir;
    (axis == 0 ? b.vx : b.vy) = 0;
}

// x first, then y: each axis moves, then meets the side it moves toward.
void side_contacts(PlayerState &b) {
    for (int axis = 0; axis < 2; axis++) {
        double &pos = axis == 0 ? b.x : b.y;
        const double &v = axis == 0 ? b.vx : b.vy;
        pos = pos - v;
        const ChunkPos c = chunk_of(b);
        for (int dir : {1, -1})
            if (dir > 0 ? v > 0 : v < 0) side_contact(b, c, axis, dir);
    }
}

void own_cell(PlayerState &b) {
    const ChunkPos c = chunk_of(b);
    b.own_chunk[0] = c.cx;
    b.own_chunk[1] = c.cy;
    b.own_chunk[2] = c.cz;
    b.own_local[0] = trunc_index(EDGE * c.cx - b.x);
    b.own_local[1] = trunc_index(EDGE * c.cy - b.y);
    b.own_local[2] = trunc_index(b.z - EDGE * c.cz);
}

// A body that left the grid by more than a chunk comes back in on the other side.
void wrap_body(PlayerState &b) {
    double span = EDGE * world_state.world_size;
    if (b.x < -CHUNK_EDGE) b.x = b.x + span;
    if (b.x > EDGE * (world_state.world_size - 1)) b.x = b.x - span;
    if (b.y < -CHUNK_EDGE) b.y = b.y + span;
    if (b.y > EDGE * (world_state.world_size - 1)) b.y = b.y - span;
}

void move_body(PlayerState &b) {
    damp(b);
    vertical_contact(b);
    side_contacts(b);
    own_cell(b);
    pick_ray(&b);
    wrap_body(b);
}

} // namespace

int e_psysix() {
    PlayerState &p = game_state.gamer[0];
    if (game_state.fly_mode) {
        p.x = game_state.camera_x;
        p.y = game_state.camera_y;
        p.z = game_state.camera_z;
        p.pitch = game_state.camera_rot_x;
        p.yaw = game_state.camera_rot_y;
    } else {
        game_state.camera_x = p.x;
        game_state.camera_y = p.y;
        game_state.camera_z = p.z + 1.0;
        game_state.camera_rot_x = p.pitch;
        game_state.camera_rot_y = p.yaw;
        if (game_state.jump) {
            if (p.on_ground) p.vz = -0.2;
            game_state.jump = 0;
        }
    }
    for (PlayerState &b : game_state.gamer)
        if (b.active) move_body(b);
    player_actions();
    if (world_state.already_created > 0) world_state.already_created--;
    return 1;
}

void movecamera(float dx, float dy, float dz) {
    if (game_state.fly_mode) {
        game_state.camera_x += dx;
        game_state.camera_y += dy;
        game_state.camera_z -= dz;
    } else {
        game_state.gamer[0].vx -= dx * 0.12;
        game_state.gamer[0].vy -= dy * 0.12;
    }
}

// In fly mode the yaw is folded back at most once each way: the shell's own yaw keeps
// growing, so after several turns the camera yaw may lie outside -180..180.
void rotatecamera(float pitch, float yaw) {
    if (!game_state.fly_mode) {
        game_state.gamer[0].pitch = pitch;
        game_state.gamer[0].yaw = yaw;
        return;
    }
    game_state.camera_rot_y = yaw;
    game_state.camera_rot_x = pitch;
    if (yaw > 180) {
        yaw -= 360;
        game_state.camera_rot_y = yaw;
    }
    if (yaw < -180) {
        yaw += 360;
        game_state.camera_rot_y = yaw;
    }
}

void fly_m(int mode) {
    game_state.fly_mode = mode;
}
void e_jump() {
    game_state.jump = 1;
}
void add_to_clock(double ms) {
    game_state.world_clock += ms / 1000;
}
