// Streaming around the camera: one chunk a frame, slabs released and saved, full pool and memory,
// and a flight that the save thread must not change.
#include <filesystem>
#include <map>
#include <numeric>
#include "world/saver.h"
#include "world/streamer.h"
#include "world_fixture.h"

static int in_memory() {
    return int(std::count_if(cubes, cubes + POOL_SIZE, [](const Chunk &c) { return c.used; }));
}
static std::string
frame() { // the world's work of a frame without the drawing; returns what it printed
    return output_of([] {
        stream_update(game_state.camera_x, game_state.camera_y, game_state.camera_z), re_save();
        stream_collect_write(); // where the game collects a file handed to the save thread
    });
}
static std::string settle() { // brings in every chunk of the range
    std::string out;
    world_state.already_created = 0;
    for (int n = -1; n != in_memory(); world_state.already_created = 0)
        n = in_memory(), out += frame();
    return out;
}
static uint32_t now_ms = 0;                   // the clock of save retries
static std::string move_to(double x, int n) { // n frames at camera x, bringing nothing in
    game_state.camera_x = x, world_state.already_created = CREATE_COOLDOWN;
    std::string out;
    while (n-- > 0) out += frame();
    return out;
}
static void start() { // a new game around the camera at x and y 3..5, levels 3..6
    world_state.vision_range = 1;
    ASSERT_TRUE(reset_world());
    init_save_load(cubes, "w");
    stream_reset();
    stream_set_clock([] { return now_ms; });
    game_state.camera_x = game_state.camera_y = 200, game_state.camera_z = 285;
}
struct Streaming : ::testing::Test {
    ScratchDir dir;
    void SetUp() override { start(); }
    void TearDown() override { stream_set_clock(nullptr), stream_set_writer(0); }
};
struct Flight { // what a player or the disk can tell of one
    std::string out;
    std::vector<int> arrived, failed;         // chunks brought in and saves failed, frame by frame
    std::map<std::string, std::string> files; // path: a hash of the bytes
    std::vector<int> left_at_exit{0, 0, 0};   // chunks in memory after each of three ways out
    char edited[2]; // the edited blocks of 5-4-4 and 4-5-6 as their files hold them
};
// The x slabs leave, come back and leave again, a frame every 200 ms. Two chunks cannot be
// saved ("File exists"): 5-4-4, edited, until frame 90, and 4-3-3 until after two ways out.
static Flight fly(int save_thread) {
    ScratchDir dir;
    start();
    std::srand(1); // the terrain's
    stream_set_writer(save_thread);
    Flight f;
    ScratchDir::mkdir_p("saves/w/5-4-4.vxc.tmp/x"), ScratchDir::mkdir_p("saves/w/4-3-3.vxc.tmp/x");
    // Camera x up to a frame: x = 5 leaves, x = 4 for one frame, both, both back, x = 5 again.
    const int until[] = {40, 60, 61, 70, 85, 100, 120}, at[] = {200, 136, 72, 136, 72, 200, 136};
    for (int k = 0; k < 120; k++, now_ms += 200, world_state.already_created = 0) {
        game_state.camera_x = at[std::upper_bound(until, until + 7, k) - until];
        if (k == 39) cubes[chunk_slot(5, 4, 4)].blocks[7] = 200;
        if (k == 59) cubes[chunk_slot(4, 5, 6)].blocks[7] = 201; // back before its release
        if (k == 90) std::system("rm -r saves/w/5-4-4.vxc.tmp");
        const int arrived = stream_stats.created + stream_stats.loaded,
                  failed = stream_stats.save_failed;
        f.out += frame();
        f.arrived.push_back(stream_stats.created + stream_stats.loaded - arrived);
        f.failed.push_back(stream_stats.save_failed - failed);
    }
    for (int &left : f.left_at_exit) {
        if (&left == &f.left_at_exit[2]) std::system("rm -r saves/w/4-3-3.vxc.tmp");
        f.out += output_of([] { save_all(1); }), left = in_memory();
    }
    stream_set_writer(0);
    f.edited[0] = read_all("saves/w/5-4-4.vxc")[14],
    f.edited[1] = read_all("saves/w/4-5-6.vxc")[14];
    for (const auto &e : std::filesystem::recursive_directory_iterator("saves"))
        f.files[e.path()] = e.is_regular_file()
                                ? std::to_string(std::hash<std::string>()(read_all(e.path())))
                                : "a folder";
    return f;
}
TEST(SaveThread, ChangesNoLineNoFileAndNoArrival) {
    const Flight alone = fly(0), beside = fly(1);
    EXPECT_EQ(alone.out, beside.out);
    EXPECT_EQ(alone.arrived, beside.arrived);
    EXPECT_EQ(alone.failed, beside.failed);
    EXPECT_EQ(alone.files, beside.files);
    EXPECT_EQ(beside.left_at_exit, std::vector<int>({1, 1, 0}));
    // Once per chunk and reason, and at each way out that left a chunk unsaved.
    EXPECT_EQ(count_of(alone.out, "cannot save ./saves/w/5-4-4.vxc: File exists \n"), 1u);
    EXPECT_EQ(count_of(alone.out,
                       "1 chunks could not be saved in ./saves/w/, first reason: File exists \n"),
              2u)
        << alone.out;
    EXPECT_EQ(alone.files.size(), 61u); // x 1..5, y 3..5, levels 3..6, and the folders
    EXPECT_EQ(std::string(alone.edited, 2), "\xC8\xC9");
    // Read back: the three of x = 4 released before it came back (4-3-3's write failed, so it
    // simply stayed), then one a frame from frame 85 to 99. None of the 8 taken back unsaved.
    EXPECT_EQ(count_of(alone.out, "loaded "), 3u + 15u);
    // Tried again, but once a second at most: 5-4-4 in frames 46 to 84, 4-3-3 in 61 to 84.
    const int tries = std::accumulate(alone.failed.begin(), alone.failed.end(), 0);
    EXPECT_TRUE(tries > 2 && tries <= 8 + 5) << tries;
}
TEST_F(Streaming, WalkRangesAroundTheCamera) {
    int first, last;
    const int cases[][4] = {{0, -1, 2, 0}, {5, 5, 7, 0}, {4, 3, 6, 1}, {8, 7, 8, 1}}; // 9: never
    for (const auto &k : cases) {
        (k[3] ? stream_range_level : stream_range_xy)(k[0], 1, &first, &last);
        EXPECT_EQ(std::make_pair(first, last), std::make_pair(k[1], k[2])) << k[0] << k[3];
    }
    stream_locate(200, 200, 1e12); // flown far off: a chunk number inside int, above every level
    EXPECT_GT(c_position_z, TOP_STREAMED_LEVEL + 1);
}
TEST_F(Streaming, OneChunkPerFrameWithTheCoolDownAndNeighboursRebuilt) {
    // An empty chunk saved above the earth: the earth's top shows only once that one is in.
    ASSERT_EQ(std::system("mkdir saves/w && head -c 524288 /dev/zero >saves/w/3-3-4.vxc"), 0);
    EXPECT_NE(frame().find("created 0,3 3 3 \n"), std::string::npos); // first in walk order
    EXPECT_EQ(cubes[0].polygons, 0); // a missing neighbour is solid
    for (int step = 0; step < CREATE_COOLDOWN; step++, world_state.already_created--)
        EXPECT_EQ((frame(), in_memory()), 1) << step;
    EXPECT_NE(frame().find("loaded 1,3 3 4 \n"), std::string::npos);
    EXPECT_EQ(cubes[0].polygons, 64 * 64);
    stream_release(3, 3, 4), world_state.already_created = 0; // a later arrival hides it again
    EXPECT_EQ((output_of([] { stream_bring_in(3, 4, 3); }), cubes[0].polygons), 0);
}
static int slab_files() { // files of the slab x = 5 (y 3..5, levels 3..6), one bit each in order
    int bits = 0;
    for (int i = 0; i < 12; i++) {
        const std::string y_level = std::to_string(3 + i / 4) + "-" + std::to_string(3 + i % 4);
        bits |= (read_all("saves/w/5-" + y_level + ".vxc").size() == CHUNK_FILE_BYTES) << i;
    }
    return bits;
}
TEST_F(Streaming, SlabsLeaveAFewSavesAFrameAndTheExitSavesTheQueueAndTheRest) {
    settle();
    ASSERT_EQ(in_memory(), 3 * 3 * 4);
    game_state.camera_x = 200 - 64; // keeps x 1..4: the slab x = 5 leaves, one chunk comes
    for (int k = 0; k <= 12; k++)   // in grid order, one a frame, none in the newcomer's frame
        EXPECT_EQ((frame(), slab_files()), (1 << k) - 1) << k;
    EXPECT_EQ(in_memory(), 36 - 12 + 1);
    game_state.camera_z = 285 + 128; // keeps levels 5..8: levels 3 and 4 leave (and the newcomer)
    move_to(game_state.camera_x, 1);
    EXPECT_EQ(in_memory(), 2 * 3 * 2 + 13 - SAVES_PER_FRAME);
    EXPECT_TRUE(save_all(1) == 1 && in_memory() == 0); // the queued ones and those never written
    EXPECT_EQ(std::count_if(cubes, cubes + POOL_SIZE, [](const Chunk &c) { return c.verts; }), 37);
}
TEST_F(Streaming, FullPoolBringsNothingInAndSaysSoOnce) {
    for (int s = 0; s < POOL_SIZE - 1; s++) cubes[s].used = 1; // taken elsewhere
    frame();
    world_state.already_created = 0;
    const std::string out = frame() + frame();
    EXPECT_EQ(chunk_slot(3, 3, 4), -1);            // stays missing
    EXPECT_EQ(chunk_slot(3, 3, 3), POOL_SIZE - 1); // nothing overwritten
    EXPECT_EQ(count_of(out, "chunk pool full"), 1u) << out;
}
TEST_F(Streaming, FailedMeshArraysGiveTheSlotBack) {
    static int allocs_left = 1; // texs succeeds, verts and norms fail
    stream_set_alloc([](size_t n) { return allocs_left-- > 0 ? std::malloc(n) : nullptr; });
    const std::string out = output_of([] { EXPECT_EQ(stream_bring_in(3, 3, 4), 0); });
    EXPECT_NE(out.find("cannot alloc memory in 3 3 4 \n"), std::string::npos) << out;
    stream_set_alloc(nullptr);
    EXPECT_EQ(cubes[0].texs, nullptr); // the one array allocated is given back with the slot
    world_state.already_created = 0;
    output_of([] { EXPECT_EQ(stream_bring_in(3, 3, 4), 1); });
}
TEST_F(Streaming, DamagedOrUnreadableFilesAreKeptAsideNeverSavedOver) {
    if (geteuid() != 0) GTEST_SKIP() << "takes an ordinary user's permissions through seteuid";
    const std::string over(CHUNK_FILE_BYTES, '\xFF'), older = "an older damaged file";
    struct Case {
        const char *name, *make, *kept; // kept: the file's bytes, or a test -flag for its type
    } cases[] = {
        {"3-3-4", "printf unreadable >$F && chmod 000 $F", "unreadable"},
        {"3-4-4", "head -c 1000 /dev/urandom >$F", nullptr},
        {"3-5-4", "head -c 524288 /dev/zero | tr '\\0' '\\377' >$F", over.c_str()},
        {"4-3-4", "mkfifo $F", "-p"},
        {"4-4-4", "mkdir $F && touch $F/inside", "-d"},
        {"4-5-4", "echo an older damaged file >$F.damaged && printf short >$F", "short"},
    };
    ASSERT_EQ(std::system("mkdir -p saves/w && chmod -R a+rX ."), 0);
    for (const Case &c : cases)
        ASSERT_EQ(std::system(("F=saves/w/" + std::string(c.name) + ".vxc; " + c.make).c_str()), 0);
    const std::string short_file = read_all("saves/w/3-4-4.vxc");
    // Read with the permissions of an ordinary user, which root's bypass would hide.
    EXPECT_EQ(seteuid(65534), 0);
    std::string out = settle(); // a FIFO would hang here
    EXPECT_EQ(seteuid(0), 0);
    EXPECT_EQ(in_memory(), 36) << out;
    EXPECT_EQ(count_of(out, "not a regular file"), 2u) << out;
    EXPECT_EQ(count_of(out, "3-3-4.vxc: Permission denied"), 1u) << out;
    out += move_to(200 + 4 * 64, 40); // all leave
    EXPECT_EQ(in_memory(), 0) << out;
    for (const Case &c : cases) {
        const std::string file = std::string("saves/w/") + c.name + ".vxc";
        const std::string aside =
            file + (c.kept && !strcmp(c.kept, "short") ? ".damaged.1" : ".damaged");
        EXPECT_EQ(count_of(out, ("kept as ./" + aside + " \n").c_str()), 1u) << out;
        if (c.kept && c.kept[0] == '-')
            EXPECT_EQ(std::system(("test " + std::string(c.kept) + " " + aside).c_str()), 0);
        else
            EXPECT_EQ(read_all(aside), c.kept ? c.kept : short_file) << c.name;
        EXPECT_EQ(read_all(file).size(), size_t(CHUNK_FILE_BYTES)) << c.name;
    }
    EXPECT_EQ(read_all("saves/w/4-5-4.vxc.damaged"), older + "\n");
}
// At a start a crash's leftover goes and kept files stay. A damaged file that finds every kept
// name taken stays in memory, counted at exit, and is written once a name comes free.
TEST_F(Streaming, ADamagedFileWithEveryKeptNameTakenWaitsInMemoryUntilOneComesFree) {
    ASSERT_EQ(std::system("mkdir saves/w && cd saves/w && printf x >1-1-1.vxc.tmp && "
                          "touch 3-3-4.vxc.damaged && printf short >5-5-5.vxc && "
                          "touch 5-5-5.vxc.damaged && "
                          "for k in $(seq 99); do touch 5-5-5.vxc.damaged.$k; done"),
              0);
    std::string out = output_of([] { init_save_load(cubes, "w"); });
    EXPECT_NE(out.find("removed leftover ./saves/w/1-1-1.vxc.tmp"), out.npos) << out;
    out += settle();
    EXPECT_EQ(count_of(out, "damaged"), 1u) << out; // 5-5-5 alone
    EXPECT_EQ(std::system("test -e saves/w/3-3-4.vxc.damaged -a ! -e saves/w/1-1-1.vxc.tmp"), 0);
    out = move_to(200 - 64, 3); // the slab x = 5 leaves: the other 11 are written, 5-5-5 waits
    now_ms += SAVE_RETRY_MS;
    out += move_to(game_state.camera_x, 3);
    out += output_of([] { EXPECT_EQ(save_all(1), 0); }); // counted at exit
    EXPECT_EQ(in_memory(), 1) << out;
    EXPECT_EQ(count_of(out, "5-5-5.vxc aside: File exists"), 1u) << out;
    EXPECT_EQ(read_all("saves/w/5-5-5.vxc"), "short");
    ASSERT_EQ(unlink("saves/w/5-5-5.vxc.damaged.99"), 0);
    EXPECT_EQ(output_of([] { EXPECT_EQ(save_all(1), 1); }),
              "damaged chunk file ./saves/w/5-5-5.vxc kept as ./saves/w/5-5-5.vxc.damaged.99 \n");
    EXPECT_EQ(read_all("saves/w/5-5-5.vxc.damaged.99"), "short");
    EXPECT_EQ(read_all("saves/w/5-5-5.vxc").size(), size_t(CHUNK_FILE_BYTES));
}
