// Streaming: brings chunks near the camera into the pool, walks them for drawing, and
// releases and saves those that leave the range. No GL here (the drawing is chunk_draw).
#pragma once

#include <cstddef>
#include <cstdint>

#include "world/mesher.h"

// The camera's chunk coordinates, recomputed by every stream_update. Per frame.
extern int c_position_x, c_position_y, c_position_z;

constexpr int CREATE_COOLDOWN = 3;         // physics steps between two bring-ins
constexpr int TOP_STREAMED_LEVEL = 8;      // level 9 is kept but never brought in
constexpr size_t MESH_TEX_BYTES = 640000;  // 20,000 faces x 4 x (u, v)
constexpr size_t MESH_VERT_BYTES = 960000; // 20,000 faces x 4 x 3
constexpr size_t MESH_NORM_BYTES = 960000;
constexpr int SAVES_PER_FRAME = 4;  // chunks released per release pass at most
constexpr int WRITES_PER_FRAME = 1; // chunk files written per release pass at most
constexpr int SAVE_BACKLOG = 32;    // files waiting above which a frame that brought a chunk in
                                    // writes too
constexpr uint32_t SAVE_RETRY_MS = 1000; // a chunk whose save failed waits this long to retry

// Queues every chunk outside the keep range for its save, in grid order, and releases up to
// SAVES_PER_FRAME queued chunks that are still out of range from the grid; a queued chunk that
// came back stays in memory unsaved. Then writes the files of released chunks in release
// order, WRITES_PER_FRAME a frame, none in a frame that brought a chunk in while at most
// SAVE_BACKLOG wait. A chunk whose write failed is back in memory and is queued again at most
// once a second.
void re_save();
// While a game runs (game_running != 0), writes the released chunks still waiting, in release
// order, then releases and saves every chunk in memory, queued or not, in grid order. Chunks that
// cannot be written stay in memory; then one summary line is printed and the result is 0, else 1.
int save_all(int game_running);

// One position of the walk: as walked (cx, cy may lie past the world's edge), the grid
// chunk that serves it, and the view shift in world units that puts that chunk there.
struct StreamCell {
    int cx, cy, level;
    int wx, wy;           // wrapped into 0..world_size-1
    int shift_x, shift_y; // 64 * (wx - cx), 64 * (wy - cy); 0 inside the grid
    int slot;             // pool slot holding the chunk, -1 when it is not in memory
};

// Sets c_position_x/y/z from the camera position (each coordinate / 64, truncated toward zero).
void stream_locate(double camera_x, double camera_y, double camera_z);
// Inclusive range of walked chunk coordinates along x or y around camera chunk p.
void stream_range_xy(int p, int r, int *first, int *last);
// Inclusive range of walked levels around camera level pz; first > last when none.
void stream_range_level(int pz, int r, int *first, int *last);
// Brings the missing chunk (wx, wy, level) in when the cool-down is 0: loaded from its file
// or generated, mesh arrays allocated, the mesh and the meshes of its neighbours in memory
// built. 1 when it was brought in. With no free slot or no memory for the mesh arrays the
// position stays missing (and nothing of it is kept).
int stream_bring_in(int wx, int wy, int level, const MergeOptions &merge = MergeOptions{});
// The world's share of a frame before its chunks are drawn: sets c_position_* from the camera
// and walks the streaming range, offering each position to stream_bring_in (so at most one
// chunk comes in, the first missing one in walk order, its mesh and its neighbours' built).
// re_save is the share after the drawing.
void stream_update(double camera_x, double camera_y, double camera_z,
                   const MergeOptions &merge = MergeOptions{});
// Walks the streaming range around c_position_* (cx outer, cy, level inner) and hands each
// position to visit. Brings nothing in.
void stream_walk(void (*visit)(const StreamCell &cell, void *ctx), void *ctx);
// Releases chunk (cx, cy, level) if it is in memory: writes its file, then frees its slot
// (which keeps its mesh arrays for its next chunk) and its cell. 0 when its file could not be
// written: the chunk then stays in memory, marked unsaved, and the reason is printed once per chunk
// and reason. Else 1.
int stream_release(int cx, int cy, int level);
// Forgets the per-game state: cool-down, pool-full notice, counters.
void stream_reset();

// Chunks brought in and written since the last stream_reset. Per game.
struct StreamStats {
    int created;     // generated
    int loaded;      // read from their files
    int saved;       // written on release
    int save_failed; // save attempts that failed (the chunk stayed in memory)
    int taken_back;  // queued chunks that came back into range before their save
    // Time spent, in nanoseconds of the steady clock: generating or reading brought-in chunks,
    // allocating their mesh arrays, and releasing queued chunks (writing and freeing). Traces take
    // the difference between two frames.
    long long fill_ns, alloc_ns, save_ns;
};
extern StreamStats stream_stats;

// With on, the release pass hands the file it writes to a thread of its own, started with the
// first file and joined by save_all; with 0 (the start) the pass writes it itself. Either way the
// same lines are printed in the same order, the same files written and the same chunks brought in
// the same frames: the outcome of a handed-over write is applied only by stream_collect_write.
void stream_set_writer(int on);
// Waits for the file handed to the writer thread, if any, and applies the outcome as the
// release pass would have: its line when it failed, the counters, the slot freed or the chunk
// kept. Every function here that streams, saves or releases calls it first. The frame calls it
// once its picture is finished (the game: once the frame cap's wait is over), and so does
// anything that prints or touches a chunk before that: the outcome is then told where it would
// have been without the thread.
void stream_collect_write();
// Allocator for the mesh arrays (tests make it fail); nullptr restores malloc.
void stream_set_alloc(void *(*alloc)(size_t));
// Millisecond clock that spaces retries of failed saves (tests step it); nullptr restores
// the steady clock.
void stream_set_clock(uint32_t (*clock)());
