// Chunk streaming without a display: the walk, bringing chunks in with the cool-down,
// neighbour rebuilds, releasing and saving, and the failure paths.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/engine.h"
#include "engine/physics.h"
#include "scratch.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/saver.h"
#include "world/streamer.h"

namespace {

const char WORLD[] = "streamed";

long file_size(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

std::string chunk_file(int cx, int cy, int level) {
    return "saves/" + std::string(WORLD) + "/" + std::to_string(cx) + "-" + std::to_string(cy) +
           "-" + std::to_string(level) + ".vxc";
}

int chunks_in_memory() {
    int n = 0;
    for (const Chunk &c : cubes) n += c.used;
    return n;
}

void record(const StreamCell &c, void *ctx) {
    static_cast<std::vector<StreamCell> *>(ctx)->push_back(c);
}

class Streaming : public ::testing::Test {
  protected:
    ScratchDir dir;

    void SetUp() override {
        ScratchDir::mkdir_p(std::string("saves/") + WORLD);
        world_size = 10;
        vision_range = 1;
        fill_block_tables();
        ASSERT_EQ(initialize_world(), 1);
        init_save_load(world, cubes, world_size, WORLD);
        stream_reset();
        stream_set_alloc(nullptr);
        game = 1;
        place_camera(200, 200, 285);
    }
    void TearDown() override {
        save_all();
        stream_set_alloc(nullptr);
        game = 0;
    }

    static void place_camera(double x, double y, double z) {
        camera_x = x;
        camera_y = y;
        camera_z = z;
        stream_locate();
    }
    // One frame's walk as draw_buffs makes it, without drawing.
    static std::vector<StreamCell> frame() {
        std::vector<StreamCell> cells;
        stream_locate();
        stream_walk(record, &cells);
        re_save();
        return cells;
    }
    // Frames with the cool-down run out between them until nothing more arrives.
    static void fill_range() {
        for (int guard = 0; guard < 1000; guard++) {
            already_created = 0;
            int before = stream_stats.created + stream_stats.loaded;
            frame();
            if (stream_stats.created + stream_stats.loaded == before) return;
        }
        FAIL() << "the range never filled";
    }
};

TEST_F(Streaming, WalkCoversTheRangeInOrderAndWrapsAcrossTheEdge) {
    already_created = CREATE_COOLDOWN; // walk only
    place_camera(0, 5 * 64 + 10, 285); // px = 0, py = 5, pz = 4
    std::vector<StreamCell> cells;
    stream_walk(record, &cells);

    std::set<int> xs, ys, levels;
    for (const StreamCell &c : cells) {
        xs.insert(c.cx);
        ys.insert(c.cy);
        levels.insert(c.level);
    }
    // px = 0: -r .. r + 1, 2r + 2 positions; px = 5: 5 - r + 1 .. 5 + r + 1, 2r + 1.
    EXPECT_EQ(xs, (std::set<int>{-1, 0, 1, 2}));
    EXPECT_EQ(ys, (std::set<int>{5, 6, 7}));
    EXPECT_EQ(levels, (std::set<int>{3, 4, 5, 6}));
    ASSERT_EQ(cells.size(), 4u * 3u * 4u);

    // cx outer, cy middle, level inner.
    EXPECT_EQ(std::make_tuple(cells[0].cx, cells[0].cy, cells[0].level), std::make_tuple(-1, 5, 3));
    EXPECT_EQ(std::make_tuple(cells[1].cx, cells[1].cy, cells[1].level), std::make_tuple(-1, 5, 4));
    EXPECT_EQ(std::make_tuple(cells[4].cx, cells[4].cy, cells[4].level), std::make_tuple(-1, 6, 3));
    EXPECT_EQ(cells[12].cx, 0);

    // Position -1 is served by chunk 9, drawn one world width (640) further on.
    EXPECT_EQ(cells[0].wx, 9);
    EXPECT_EQ(cells[0].shift_x, 640);
    EXPECT_EQ(cells[0].shift_y, 0);
    EXPECT_EQ(cells[12].wx, 0);
    EXPECT_EQ(cells[12].shift_x, 0);
    for (const StreamCell &c : cells) EXPECT_EQ(c.slot, -1);

    // High up only levels 7 and 8 are streamed; level 9 never is.
    cells.clear();
    place_camera(100, 100, 8 * 64 + 10);
    stream_walk(record, &cells);
    levels.clear();
    for (const StreamCell &c : cells) levels.insert(c.level);
    EXPECT_EQ(levels, (std::set<int>{7, 8}));

    // Past the far edge: cy = 10 is served by chunk 0, shifted back one world width.
    cells.clear();
    place_camera(100, 9 * 64 + 10, 285); // py = 9: cy 9 .. 11
    stream_walk(record, &cells);
    bool saw_far = false;
    for (const StreamCell &c : cells)
        if (c.cy == 11) {
            saw_far = true;
            EXPECT_EQ(c.wy, 1);
            EXPECT_EQ(c.shift_y, -640);
        }
    EXPECT_TRUE(saw_far);
}

TEST_F(Streaming, OneChunkPerFrameWithTheCoolDown) {
    testing::internal::CaptureStdout();
    frame();
    std::string out = testing::internal::GetCapturedStdout();
    // First in walk order: (3, 3, 3), generated into slot 0.
    EXPECT_NE(out.find("created 0,3 3 3 \n"), std::string::npos) << out;
    EXPECT_EQ(chunks_in_memory(), 1);
    EXPECT_EQ(already_created, CREATE_COOLDOWN);
    EXPECT_EQ(chunk_slot(3, 3, 3), 0);
    ASSERT_NE(cubes[0].verts, nullptr);

    // No chunk until three physics steps have lowered the cool-down.
    for (int step = 0; step < CREATE_COOLDOWN; step++) {
        frame();
        EXPECT_EQ(chunks_in_memory(), 1) << "after " << step << " steps";
        already_created--;
    }
    frame();
    EXPECT_EQ(chunks_in_memory(), 2);
    EXPECT_EQ(chunk_slot(3, 3, 4), 1);
    EXPECT_EQ(stream_stats.created, 2);
}

TEST_F(Streaming, NeighboursAreRebuiltWhenAChunkArrives) {
    // An empty chunk saved above the earth level: the earth chunk arrives first, meets a
    // missing (solid) chunk above it, and shows its top only once the empty one is loaded.
    {
        std::vector<char> zeros(CHUNK_FILE_BYTES, 0);
        FILE *f = std::fopen(chunk_file(3, 3, 4).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(zeros.data(), 1, zeros.size(), f), zeros.size());
        std::fclose(f);
    }
    testing::internal::CaptureStdout();
    frame(); // level 3
    const int earth = chunk_slot(3, 3, 3);
    ASSERT_GE(earth, 0);
    EXPECT_EQ(cubes[earth].polygons, 0);
    already_created = 0;
    frame(); // level 4, from its file
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("loaded 1,3 3 4 \n"), std::string::npos) << out;
    EXPECT_EQ(cubes[earth].polygons, 64 * 64);
}

TEST_F(Streaming, CrossingABorderReleasesTheWholeSlabAndAChunkComesBackLoaded) {
    fill_range();
    // px = 3, r = 1: x 3..5, y 3..5, levels 3..6.
    EXPECT_EQ(chunks_in_memory(), 3 * 3 * 4);

    place_camera(200 - 64, 200, 285); // px = 2: keeps x 1..4, so the slab x = 5 leaves
    testing::internal::CaptureStdout();
    frame();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(chunks_in_memory(), 3 * 3 * 4 - 12 + 1); // the slab out, one new chunk in
    for (int cy = 3; cy <= 5; cy++)
        for (int level = 3; level <= 6; level++) {
            EXPECT_EQ(chunk_slot(5, cy, level), -1);
            EXPECT_EQ(file_size(chunk_file(5, cy, level)), CHUNK_FILE_BYTES);
            EXPECT_EQ(chunk_slot(4, cy, level) >= 0, true);
        }
    EXPECT_EQ(stream_stats.saved, 12);

    // Back again: the slab is read from its files, not generated anew.
    place_camera(200, 200, 285);
    const int created = stream_stats.created;
    testing::internal::CaptureStdout();
    already_created = 0;
    frame();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("loaded"), std::string::npos) << out;
    EXPECT_EQ(stream_stats.created, created);

    // Two levels up (pz = 6 keeps levels 5..8): levels 3 and 4 leave, 5 and 6 stay.
    place_camera(200, 200, 285 + 128);
    testing::internal::CaptureStdout();
    already_created = CREATE_COOLDOWN;
    frame();
    testing::internal::GetCapturedStdout();
    for (int cx = 3; cx <= 5; cx++)
        for (int cy = 3; cy <= 5; cy++) {
            EXPECT_EQ(chunk_slot(cx, cy, 3), -1);
            EXPECT_EQ(chunk_slot(cx, cy, 4), -1);
            // The slab x = 5 had left before (only one of its chunks came back).
            if (cx < 5) {
                EXPECT_GE(chunk_slot(cx, cy, 6), 0);
            }
        }
}

TEST_F(Streaming, SaveAllWritesEveryChunkInMemory) {
    fill_range();
    const int n = chunks_in_memory();
    ASSERT_EQ(n, 36);
    game = 0;
    save_all(); // no game: nothing happens
    EXPECT_EQ(chunks_in_memory(), n);
    game = 1;
    save_all();
    EXPECT_EQ(chunks_in_memory(), 0);
    EXPECT_EQ(stream_stats.saved, n);
    for (int cx = 3; cx <= 5; cx++)
        for (int cy = 3; cy <= 5; cy++)
            for (int level = 3; level <= 6; level++) {
                EXPECT_EQ(file_size(chunk_file(cx, cy, level)), CHUNK_FILE_BYTES);
                EXPECT_EQ(chunk_slot(cx, cy, level), -1);
            }
    for (const Chunk &c : cubes) EXPECT_EQ(c.verts, nullptr);
}

TEST_F(Streaming, FullPoolBringsNothingInAndSaysSoOnce) {
    // 499 slots taken by chunks elsewhere, one free slot left.
    for (int s = 0; s < POOL_SIZE - 1; s++) cubes[s].used = 1;
    frame();
    EXPECT_EQ(chunk_slot(3, 3, 3), POOL_SIZE - 1);

    already_created = 0;
    testing::internal::CaptureStdout();
    frame();
    frame();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(chunk_slot(3, 3, 4), -1); // stays missing
    EXPECT_EQ(already_created, 0);
    EXPECT_EQ(cubes[POOL_SIZE - 1].used, 1);
    EXPECT_EQ(chunk_slot(3, 3, 3), POOL_SIZE - 1); // nothing overwritten
    const size_t first = out.find("chunk pool full");
    ASSERT_NE(first, std::string::npos) << out;
    EXPECT_EQ(out.find("chunk pool full", first + 1), std::string::npos) << out;

    cubes[7].used = 0; // a slot comes free: streaming resumes there
    frame();
    EXPECT_EQ(chunk_slot(3, 3, 4), 7);
    for (int s = 0; s < POOL_SIZE - 1; s++)
        if (s != 7) cubes[s].used = 0;
}

int allocs_left = 0;
void *failing_alloc(size_t n) {
    return allocs_left-- > 0 ? std::malloc(n) : nullptr;
}

TEST_F(Streaming, MeshArraysThatCannotBeAllocatedGiveTheSlotBack) {
    allocs_left = 1; // texs succeeds, verts and norms fail
    stream_set_alloc(failing_alloc);
    testing::internal::CaptureStdout();
    EXPECT_EQ(stream_bring_in(3, 3, 4), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("cannot alloc memory in 3 3 4 \n"), std::string::npos) << out;
    EXPECT_EQ(out.find("created"), std::string::npos) << out;
    EXPECT_EQ(chunk_slot(3, 3, 4), -1);
    EXPECT_EQ(chunks_in_memory(), 0);
    EXPECT_EQ(cubes[0].texs, nullptr); // the one that succeeded is given back (ASan: no leak)
    EXPECT_EQ(file_size(chunk_file(3, 3, 4)), -1);

    stream_set_alloc(nullptr);
    already_created = 0;
    EXPECT_EQ(stream_bring_in(3, 3, 4), 1);
    EXPECT_EQ(chunk_slot(3, 3, 4), 0);
}

TEST_F(Streaming, AFailingSaveIsReportedAndPlayGoesOn) {
    frame();
    ASSERT_EQ(chunk_slot(3, 3, 3), 0);
    // The world folder turns into a plain file: no chunk file can be written.
    std::string folder = std::string("saves/") + WORLD;
    ASSERT_EQ(std::system(("rm -rf '" + folder + "' && touch '" + folder + "'").c_str()), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(stream_release(3, 3, 3), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("cannot save"), std::string::npos) << out;
    EXPECT_EQ(chunk_slot(3, 3, 3), -1);
    EXPECT_EQ(cubes[0].used, 0);
    EXPECT_EQ(stream_stats.save_failed, 1);

    already_created = 0;
    testing::internal::CaptureStdout();
    frame(); // streaming carries on
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(chunk_slot(3, 3, 3), 0);
    ASSERT_EQ(std::system(("rm -f '" + folder + "' && mkdir '" + folder + "'").c_str()), 0);
}

} // namespace
