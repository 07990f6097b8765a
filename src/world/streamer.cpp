// Chunk streaming: which chunk positions around the camera are walked, bringing a missing
// chunk in (at most one per cool-down), and releasing and saving chunks that left the range.
#include "world/streamer.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <thread>

#include "world/chunks.h"
#include "world/mesher.h"
#include "world/saver.h"
#include "world/terrain.h"

int c_position_x, c_position_y, c_position_z;
StreamStats stream_stats;

namespace {

void *(*mesh_alloc)(size_t) = nullptr;
uint32_t (*save_clock)() = nullptr;
// The grid the pool-full notice was given for: one notice per game.
const uint16_t *pool_full_told = nullptr;

// Slots of chunks that left the range, saved one per frame in the order they left. A chunk
// stays bound while it waits, so one that comes back is simply kept: it is never read again
// from the older file. Entries whose slot is no longer queued are stale and skipped.
constexpr int QUEUE_SIZE = 2 * POOL_SIZE;
int save_queue[QUEUE_SIZE];
int queue_head = 0, queue_len = 0;
// Slots released from the grid whose files are still to be written, in release order. An
// arrival that needs one of them writes it ahead of its turn: writing everything released
// before it made single frames write dozens of files.
constexpr int WRITE_QUEUE_SIZE = 2 * POOL_SIZE;
int write_queue[WRITE_QUEUE_SIZE];
int write_head = 0, write_len = 0;
// Chunks brought in up to the last release pass: tells that pass whether its frame had one.
int arrivals_released = 0;

int drain_queue(int most);
void write_released(int slot, bool background = false);
int unwritten_slot_of(int cx, int cy, int level);

// The thread that writes the release pass's chunk file while the frame is finished. It only
// writes a file from a path and blocks handed over; everything the game can see of the
// outcome (lines, counters, the slot coming free or back) happens on the main thread when
// the result is collected, at the same point of the story as without it.
class Writer {
  public:
    ~Writer() { stop(); }
    // Hands over one file; the thread starts with its first one.
    void give(const char *path, const BlockId *blocks) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!thread_.joinable()) {
            quit_ = false;
            thread_ = std::thread([this] { run(); });
        }
        std::snprintf(path_, sizeof path_, "%s", path);
        blocks_ = blocks;
        given_ = true;
        done_ = false;
        wake_.notify_all();
    }
    // Waits for the file handed over last; 1 when it was written, else 0 with *reason set.
    int take(int *reason) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [this] { return done_; });
        given_ = false;
        *reason = reason_;
        return written_;
    }
    // Joins the thread (after its file, if one is handed over).
    void stop() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
            wake_.notify_all();
        }
        thread_.join();
    }

  private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || (given_ && !done_); });
            if (given_ && !done_) {
                int reason = 0;
                lock.unlock();
                const int written = write_chunk_file(path_, blocks_, &reason);
                lock.lock();
                written_ = written;
                reason_ = reason;
                done_ = true;
                wake_.notify_all();
            } else if (quit_) {
                return;
            }
        }
    }
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    char path_[CHUNK_PATH] = {};
    const BlockId *blocks_ = nullptr;
    bool given_ = false, done_ = false, quit_ = false;
    int written_ = 0, reason_ = 0;
};
Writer writer;
bool writer_on = false;
// The slot whose file the writer has, -1 when none.
int writing_slot = -1;

uint32_t clock_ms() {
    if (save_clock) return save_clock();
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

long long now_ns() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

void *alloc_bytes(size_t n) {
    return mesh_alloc ? mesh_alloc(n) : std::malloc(n);
}

// All three arrays, or none: a chunk is never built or drawn from a missing array. A slot
// released in this game still holds its arrays: freeing and allocating 2.5 MB per chunk cost
// page faults on every arrival. The pool bounds what is kept.
bool alloc_mesh(Chunk &ch, int wx, int wy, int level) {
    ch.polygons = 0;
    if (ch.texs && ch.verts && ch.norms) return true;
    ch.texs = static_cast<float *>(alloc_bytes(MESH_TEX_BYTES));
    ch.verts = static_cast<float *>(alloc_bytes(MESH_VERT_BYTES));
    ch.norms = static_cast<float *>(alloc_bytes(MESH_NORM_BYTES));
    bool ok = true;
    for (float *p : {ch.texs, ch.verts, ch.norms}) {
        if (p) continue;
        ok = false;
        std::printf("cannot alloc memory in %i %i %i \n", wx, wy, level);
        std::fflush(stdout);
        if (std::system("pause") != 0) {
            // There is usually no such command; the line above is the report.
        }
    }
    if (!ok) free_mesh(ch);
    return ok;
}

} // namespace

void stream_locate(double camera_x, double camera_y, double camera_z) {
    // Flying has no ceiling: keep a far-off camera's chunk number inside int (and the walk
    // then finds no level to stream).
    auto chunk_of = [](double p) {
        const double c = p * 0.015625;
        if (c != c) return 0;
        return c > 1e6 ? 1000000 : c < -1e6 ? -1000000 : static_cast<int>(c);
    };
    c_position_x = chunk_of(camera_x);
    c_position_y = chunk_of(camera_y);
    c_position_z = chunk_of(camera_z);
}

void stream_range_xy(int p, int r, int *first, int *last) {
    // Chunk coordinates are truncated toward zero, so chunk 0 also covers the half chunk
    // below the origin: it reaches one position further back.
    *first = p - r + (p != 0 ? 1 : 0);
    *last = p + r + 1;
}

void stream_range_level(int pz, int r, int *first, int *last) {
    *first = pz - r < 0 ? 0 : pz - r;
    *last = pz + r + 1 < TOP_STREAMED_LEVEL ? pz + r + 1 : TOP_STREAMED_LEVEL;
}

int stream_bring_in(int wx, int wy, int level, const MergeOptions &merge) {
    stream_collect_write();
    if (world_state.already_created != 0 || !world_state.world || world_state.world_size <= 0)
        return 0;
    if (!chunk_in_grid(wx, wy, level)) return 0;
    uint16_t &cell = world_state.world[chunk_cell(wx, wy, level)];
    if (cell != NO_CHUNK) return 0;
    // A chunk on its way to its file comes back from that file: it is written first (and when
    // that fails, it is simply back).
    const int leaving = unwritten_slot_of(wx, wy, level);
    if (leaving >= 0) write_released(leaving);
    if (cell != NO_CHUNK) return 0;

    // The lowest free slot, as if every released chunk were written when it left: one whose
    // file is not written yet is written now, ahead of its turn. Chunks waiting for their release
    // hold slots that a full pool needs now.
    int slot = find_free_cube();
    for (;;) {
        if (slot >= 0 && cubes[slot].stream.unwritten)
            write_released(slot);
        else if (slot < 0 && queue_len > 0)
            drain_queue(1);
        else
            break;
        slot = find_free_cube();
    }
    if (slot < 0) {
        if (pool_full_told != world_state.world) {
            std::printf("chunk pool full (%i chunks): missing chunks stay missing until slots come "
                        "free \n",
                        POOL_SIZE);
            pool_full_told = world_state.world;
        }
        return 0;
    }
    Chunk &ch = cubes[slot];
    // The arrays come first so a failure leaves the slot and the cell as they were.
    const long long t0 = now_ns();
    const bool allocated = alloc_mesh(ch, wx, wy, level);
    const long long t1 = now_ns();
    stream_stats.alloc_ns += t1 - t0;
    if (!allocated) {
        world_state.already_created = CREATE_COOLDOWN; // do not retry in every frame
        return 0;
    }
    ch.stream = ChunkStream{wx, wy, level, 0, 0, 0, 0, 0, 0};
    if (!check(wx, wy, level)) {
        cell = static_cast<uint16_t>(generateCube(slot, wx, wy, level));
        std::printf("created %i,%i %i %i \n", slot, wx, wy, level);
        stream_stats.created++;
    } else {
        cell = static_cast<uint16_t>(slot);
        // Whatever could not be read stays only in that file: it must never be saved over.
        ch.stream.to_keep_aside = !load_w(wx, wy, level);
        ch.used = 1;
        std::printf("loaded %i,%i %i %i \n", slot, wx, wy, level);
        stream_stats.loaded++;
    }
    stream_stats.fill_ns += now_ns() - t1;
    world_state.already_created = CREATE_COOLDOWN;
    create_polygons(wx, wy, level, merge);
    for (int dir : {1, 0, 2, 3, 4, 5}) // above, below, then y + 1, y - 1, x + 1, x - 1
        rebuild_beside(wx, wy, level, dir, merge);
    return 1;
}

namespace {

void walk(void (*visit)(const StreamCell &cell, void *ctx), void *ctx,
          const MergeOptions *bring_in) {
    if (!world_state.world || world_state.world_size <= 0) return;
    const int r = world_state.vision_range;
    int x0, x1, y0, y1, l0, l1;
    stream_range_xy(c_position_x, r, &x0, &x1);
    stream_range_xy(c_position_y, r, &y0, &y1);
    stream_range_level(c_position_z, r, &l0, &l1);
    for (int cx = x0; cx <= x1; cx++)
        for (int cy = y0; cy <= y1; cy++)
            for (int level = l0; level <= l1; level++) {
                StreamCell c;
                c.cx = cx;
                c.cy = cy;
                c.level = level;
                c.wx = wrap_chunk(cx);
                c.wy = wrap_chunk(cy);
                c.shift_x = CHUNK_EDGE * (c.wx - cx);
                c.shift_y = CHUNK_EDGE * (c.wy - cy);
                if (bring_in) stream_bring_in(c.wx, c.wy, level, *bring_in);
                c.slot = chunk_slot(c.wx, c.wy, level);
                if (visit) visit(c, ctx);
            }
}

} // namespace

void stream_update(double camera_x, double camera_y, double camera_z, const MergeOptions &merge) {
    stream_collect_write();
    stream_locate(camera_x, camera_y, camera_z);
    walk(nullptr, nullptr, &merge);
}

void stream_walk(void (*visit)(const StreamCell &cell, void *ctx), void *ctx) {
    walk(visit, ctx, nullptr);
}

namespace {

// Takes the chunk in slot out of the grid; its blocks, position and save state stay in the
// slot.
void leave_grid(int slot) {
    ChunkStream &s = cubes[slot].stream;
    cubes[slot].used = 0;
    world_state.world[chunk_cell(s.cx, s.cy, s.level)] = NO_CHUNK;
    // Their meshes still show the border as it was: the next arrival beside them rebuilds them.
    for (int d = 0; d < 6; d++) {
        const int n = chunk_slot(s.cx + (d == 4) - (d == 5), s.cy + (d == 2) - (d == 3),
                                 s.level + (d == 1) - (d == 0));
        if (n >= 0) cubes[n].mesh_current = 0;
    }
}

void free_slot(int slot) {
    leave_grid(slot);
    cubes[slot].polygons = 0; // the arrays stay for the slot's next chunk
    cubes[slot].stream = ChunkStream{};
}

// The outcome of a chunk's save. When the write failed the chunk stays in memory, marked
// unsaved: its edits exist nowhere else. A damaged file that could not be moved aside fails
// the save the same way. The reason is printed once per chunk and reason. Returns written.
int saved_or_kept(int slot, bool aside, int written, int why, int *reason) {
    ChunkStream &s = cubes[slot].stream;
    if (!written) {
        if (why != s.told) (aside ? save_report : keep_aside_report)(s.cx, s.cy, s.level, why);
        s.told = why;
        s.save_failed = 1;
        s.retry_at = clock_ms() + SAVE_RETRY_MS;
        stream_stats.save_failed++;
        if (reason) *reason = why;
        return 0;
    }
    stream_stats.saved++;
    return 1;
}

// Hands the file of the chunk in slot to the writer thread, when it is on. False when the
// caller writes it itself.
bool hand_to_writer(int slot) {
    const ChunkStream &s = cubes[slot].stream;
    char path[CHUNK_PATH];
    if (!writer_on || !chunk_path(path, sizeof path, s.cx, s.cy, s.level)) return false;
    stream_collect_write();
    writer.give(path, cubes[slot].blocks);
    writing_slot = slot;
    return true;
}

// Writes the chunk in slot to its file, a damaged file there moved aside first (writing would
// destroy it); see saved_or_kept. 1 when written, else 0 with *reason set. With hand_off the
// file may go to the writer thread instead: -1, its outcome applied when it is collected.
int write_slot(int slot, int *reason, bool hand_off = false) {
    ChunkStream &s = cubes[slot].stream;
    int why = 0;
    const bool aside = !s.to_keep_aside || keep_aside(s.cx, s.cy, s.level, &why);
    if (aside) s.to_keep_aside = 0;
    if (aside && hand_off && hand_to_writer(slot)) return -1;
    const int written = aside && save_chunk(s.cx, s.cy, s.level, &why);
    return saved_or_kept(slot, aside, written, why, reason);
}

// A released chunk's write is over: written, its slot is free for the next arrival; not
// written, the chunk stays in its grid cell (which no arrival took: an arrival there waits for
// this write), drawn and played as before.
void released_written(int slot, int written) {
    if (!written) return;
    ChunkStream &s = cubes[slot].stream;
    world_state.world[chunk_cell(s.cx, s.cy, s.level)] = NO_CHUNK;
    cubes[slot].used = 0;
    cubes[slot].polygons = 0;
    s = ChunkStream{};
}

// Writes the released chunk in slot, if it waits; with background, maybe on the writer thread.
void write_released(int slot, bool background) {
    ChunkStream &s = cubes[slot].stream;
    if (!s.unwritten) return;
    s.unwritten = 0;
    // Back in its cell for the write, where the saver finds it, and where it stays if the
    // write fails.
    world_state.world[chunk_cell(s.cx, s.cy, s.level)] = static_cast<uint16_t>(slot);
    cubes[slot].used = 1;
    const long long t0 = now_ns();
    const int written = write_slot(slot, nullptr, background);
    if (written >= 0) released_written(slot, written);
    stream_stats.save_ns += now_ns() - t0;
}

// Writes the first waiting chunk of the queue; entries of slots written ahead of their turn
// are stale and skipped.
void write_front(bool background = false) {
    while (write_len > 0) {
        const int slot = write_queue[write_head];
        write_head = (write_head + 1) % WRITE_QUEUE_SIZE;
        write_len--;
        if (!cubes[slot].stream.unwritten) continue;
        write_released(slot, background);
        return;
    }
}

// The slot of the released chunk (cx, cy, level) whose file is still to be written, or -1.
int unwritten_slot_of(int cx, int cy, int level) {
    for (int k = 0; k < write_len; k++) {
        const int slot = write_queue[(write_head + k) % WRITE_QUEUE_SIZE];
        const ChunkStream &s = cubes[slot].stream;
        if (s.unwritten && s.cx == cx && s.cy == cy && s.level == level) return slot;
    }
    return -1;
}

// Writes the chunk in slot and then frees the slot; see write_slot for a failed write.
int release_slot(int slot, int *reason) {
    if (!write_slot(slot, reason)) return 0;
    free_slot(slot);
    return 1;
}

// The grid slot of (cx, cy, level) that release may touch, or -1.
int bound_slot(int cx, int cy, int level) {
    if (!chunk_in_grid(cx, cy, level)) return -1;
    uint16_t &cell = world_state.world[chunk_cell(cx, cy, level)];
    if (cell == NO_CHUNK) return -1;
    if (cell >= POOL_SIZE || !cubes[cell].used) { // never index the pool with a damaged cell
        cell = NO_CHUNK;
        return -1;
    }
    ChunkStream &s = cubes[cell].stream;
    s.cx = cx, s.cy = cy, s.level = level; // slots bound by hand (tests) carry no position yet
    return cell;
}

// A failed save is tried again only once a second: a full disk is not hammered every frame.
bool may_retry(int slot) {
    const ChunkStream &s = cubes[slot].stream;
    return !s.save_failed || int32_t(clock_ms() - s.retry_at) >= 0;
}

} // namespace

int stream_release(int cx, int cy, int level) {
    stream_collect_write();
    const int slot = bound_slot(cx, cy, level);
    return slot < 0 ? 1 : release_slot(slot, nullptr);
}

namespace {

// Out of the keep range around c_position_*: r + 2 positions beyond the walked ones on each
// axis, counted around the world.
bool out_of_range(int cx, int cy, int level) {
    const int r = world_state.vision_range;
    const int dx = wrap_chunk(c_position_x - cx), dy = wrap_chunk(c_position_y - cy);
    const bool out_x = r < dx && dx < world_state.world_size - r - 1;
    const bool out_y = r < dy && dy < world_state.world_size - r - 1;
    const bool out_z = level < c_position_z - r || level > c_position_z + r + 1;
    return out_x || out_y || out_z;
}

// Releases up to `most` queued chunks that are still out of range from the grid, for the
// write queue; chunks back in range leave the queue unsaved. The number released.
int drain_queue(int most) {
    int tried = 0;
    while (tried < most && queue_len > 0) {
        const int slot = save_queue[queue_head];
        queue_head = (queue_head + 1) % QUEUE_SIZE;
        queue_len--;
        ChunkStream &s = cubes[slot].stream;
        if (!s.queued || !cubes[slot].used) continue;
        s.queued = 0;
        if (!out_of_range(s.cx, s.cy, s.level)) {
            stream_stats.taken_back++;
            continue;
        }
        leave_grid(slot);
        s.unwritten = 1;
        if (write_len == WRITE_QUEUE_SIZE) write_front(); // stale entries filled it
        write_queue[(write_head + write_len++) % WRITE_QUEUE_SIZE] = slot;
        tried++;
    }
    return tried;
}

} // namespace

void re_save() {
    stream_collect_write();
    if (!world_state.world || world_state.world_size <= 0) return;
    for (int cx = 0; cx < world_state.world_size; cx++)
        for (int cy = 0; cy < world_state.world_size; cy++)
            for (int level = 0; level < CHUNK_LEVELS; level++) {
                if (!out_of_range(cx, cy, level)) continue;
                const int slot = bound_slot(cx, cy, level);
                if (slot < 0 || cubes[slot].stream.queued || !may_retry(slot)) continue;
                if (queue_len == QUEUE_SIZE) continue; // only stale entries fill it; next frame
                save_queue[(queue_head + queue_len++) % QUEUE_SIZE] = slot;
                cubes[slot].stream.queued = 1;
            }
    // Saving a whole slab at once made the frame that crossed a chunk border two to three
    // times as long as the others; a file costs about as much as bringing a chunk in, so a
    // frame that did that leaves the writes to the next ones unless they back up.
    drain_queue(SAVES_PER_FRAME);
    const int arrivals = stream_stats.created + stream_stats.loaded;
    const bool arrival_frame = arrivals != arrivals_released;
    arrivals_released = arrivals;
    for (int k = arrival_frame && write_len <= SAVE_BACKLOG ? 0 : WRITES_PER_FRAME;
         k > 0 && write_len > 0; k--)
        write_front(true);
}

int save_all(int game_running) {
    stream_collect_write();
    writer.stop(); // every way out passes here: no thread outlives its game
    if (game_running == 0 || !world_state.world) return 1;
    int failed = 0, first_reason = 0;
    while (write_len > 0) write_front(); // released earlier: written first, in their order
    for (int cx = 0; cx < world_state.world_size; cx++)
        for (int cy = 0; cy < world_state.world_size; cy++)
            for (int level = 0; level < CHUNK_LEVELS; level++) {
                const int slot = bound_slot(cx, cy, level);
                int reason = 0;
                if (slot < 0 || release_slot(slot, &reason)) continue;
                if (!failed++) first_reason = reason;
            }
    // Every chunk in memory was tried, the queued ones too; those that failed stay unqueued
    // until the release pass finds them again.
    for (Chunk &ch : cubes) ch.stream.queued = 0;
    queue_head = queue_len = 0;
    if (failed) save_summary(failed, first_reason);
    // The game is over: a next one starts without a cool-down and may tell of a full pool.
    world_state.already_created = 0;
    pool_full_told = nullptr;
    std::fflush(stdout);
    return failed ? 0 : 1;
}

void stream_reset() {
    stream_collect_write();
    world_state.already_created = 0;
    pool_full_told = nullptr;
    stream_stats = StreamStats{};
    for (Chunk &ch : cubes) ch.stream = ChunkStream{};
    queue_head = queue_len = arrivals_released = write_head = write_len = 0;
}

void stream_set_clock(uint32_t (*clock)()) {
    save_clock = clock;
}

void stream_set_alloc(void *(*alloc)(size_t)) {
    mesh_alloc = alloc;
}

void stream_collect_write() {
    if (writing_slot < 0) return;
    const int slot = writing_slot;
    writing_slot = -1;
    const long long t0 = now_ns();
    int why = 0;
    const int written = writer.take(&why);
    released_written(slot, saved_or_kept(slot, true, written, why, nullptr));
    stream_stats.save_ns += now_ns() - t0;
}

void stream_set_writer(int on) {
    stream_collect_write();
    if (!on) writer.stop();
    writer_on = on != 0;
}
