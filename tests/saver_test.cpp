// Chunk files, the world catalogue and the exit flush, in a scratch folder that starts without
// "./saves/". syncfs is replaced here to see what it is given.
#include "scratch.h"
#include "world/chunks.h"
#include "world/saver.h"
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
typedef std::vector<unsigned char> Bytes;
static void write_file(const std::string &path, const Bytes &b) {
    ScratchDir::mkdir_p("saves/w");
    std::ofstream(path, std::ios::binary).write((const char *)b.data(), std::streamsize(b.size()));
}
// Runs f; true when it printed `lines` lines, one of them holding `what`.
template <class F> static bool printed(F f, const char *what, int lines = 1) {
    const std::string out = output_of(f);
    return out.find(what) != out.npos && std::count(out.begin(), out.end(), '\n') == lines;
}
struct Saver : ::testing::Test {
    ScratchDir dir{false};
    void SetUp() override {
        world_state.world_size = 10;
        ASSERT_EQ(initialize_world(), 1);
        EXPECT_TRUE(printed([] { init_save_load(cubes, "w"); }, "world name w \n"));
    }
    // Binds slot to chunk (cx, cy, level) with blocks from 1 to 251 that vary with seed.
    static BlockId *bind(int slot, int cx, int cy, int level, unsigned seed = 1, bool used = true) {
        world_state.world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        cubes[slot].used = used;
        for (int k = 0; k < CHUNK_BLOCKS; k++)
            cubes[slot].blocks[k] = BlockId(1 + (k * 7919u + seed * 104729u) % 251);
        return cubes[slot].blocks;
    }
};
TEST_F(Saver, RoundTripThroughAnotherSlotMakingTheFoldersAndACrashOrFailedWriteKeepsTheFile) {
    BlockId *a = bind(3, 3, 0, 4);
    const int marked[3] = {block_index(0, 0, 1), block_index(0, 1, 0), block_index(1, 0, 0)};
    for (int k = 0; k < 3; k++) a[marked[k]] = BlockId(201 + k);
    ASSERT_TRUE(!check(3, 0, 4) && save_w(3, 0, 4) == 1);
    EXPECT_TRUE(check(3, 0, 4) && !check(4, 0, 3) && access("saves/w/3-0-4.vxc.tmp", F_OK) != 0);
    const std::string f = read_all("saves/w/3-0-4.vxc");
    const Bytes b(f.begin(), f.end());
    ASSERT_EQ(b.size(), size_t(CHUNK_FILE_BYTES));
    // Little-endian, z fastest: blocks (0,0,1), (0,1,0), (1,0,0) start at bytes 2, 128, 8192.
    EXPECT_TRUE(b[2] == 201 && !b[3] && b[128] == 202 && !b[129] && b[8192] == 203 && !b[8193]);
    write_file("saves/w/3-0-4.vxc.tmp", Bytes(1000, 0x7F)); // a crash before the rename
    BlockId *c = bind(7, 3, 0, 4, 2, false); // streaming binds the cell, then marks the slot used
    ASSERT_EQ(load_w(3, 0, 4), 1);
    EXPECT_TRUE(std::equal(a, a + CHUNK_BLOCKS, c));
    c[5] = 77;
    std::system("rm saves/w/3-0-4.vxc.tmp && mkdir -p saves/w/3-0-4.vxc.tmp/x"); // cannot go
    EXPECT_TRUE(printed([] { EXPECT_EQ(save_w(3, 0, 4), 0); }, "3-0-4.vxc: File exists"));
    EXPECT_EQ(read_all("saves/w/3-0-4.vxc"), f);
}
TEST_F(Saver, ShortDamagedOrUnreadableFilesLeaveNoOldBlocks) {
    BlockId *a = bind(0, 1, 2, 3); // the slot's previous chunk
    Bytes part(1001);
    for (size_t k = 0; k < part.size(); k++) part[k] = k % 2 ? 0 : (k / 2) % 200 + 1;
    part[3] = 0x01; // blocks 256 + 2, 65535 and 255: 2 replaced
    part[4] = part[5] = part[6] = 0xFF;
    write_file("saves/w/1-2-3.vxc", part);
    EXPECT_TRUE(printed([] { EXPECT_EQ(load_w(1, 2, 3), 0); }, " 2 ", 2)); // short; 2 replaced
    EXPECT_TRUE(!a[1] && !a[2] && a[3] == 255);
    for (int k = 4; k < 500; k++) ASSERT_EQ(a[k], k % 200 + 1) << k;
    EXPECT_EQ(std::count(a + 501, a + CHUNK_BLOCKS, 0), CHUNK_BLOCKS - 501); // 500: half a block
    write_file("saves/w/1-2-3.vxc", Bytes(CHUNK_FILE_BYTES + 1)); // a tail the save would drop
    EXPECT_TRUE(printed([] { EXPECT_EQ(load_w(1, 2, 3), 0); }, "long chunk file"));
    std::system("rm saves/w/1-2-3.vxc; mkdir saves/w/1-2-3.vxc"); // there, but unreadable
    EXPECT_TRUE(printed([] { EXPECT_TRUE(check(1, 2, 3) && !load_w(1, 2, 3)); }, "1-2-3.vxc"));
    EXPECT_EQ(std::count(a, a + CHUNK_BLOCKS, 0), CHUNK_BLOCKS);
}
TEST_F(Saver, CatalogueListsTheFirstWorldFoldersByName) {
    // A set iterates in byte order: capitals first, windows-1251 letters last.
    std::set<std::string> all = {"beta", "\xc0", "alpha", std::string(63, 'g')}; // long as may be
    for (const std::string &n : all) ScratchDir::mkdir_p("saves/" + n);
    ScratchDir::mkdir_p("saves/" + std::string(64, 'h')); // too long: skipped, not cut
    std::system("touch saves/stray saves/a");
    WorldCatalogue cat;
    find_worlds(&cat); // not ".", "..", the files nor the long name
    ASSERT_EQ(cat.count, 4);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), cat.names));
    for (int k = 19; k >= 0; k--)
        ScratchDir::mkdir_p("saves/" + *all.insert("w" + std::to_string(k)).first);
    ScratchDir::mkdir_p("saves/" + *all.insert("Zeta").first);
    find_worlds(&cat); // Zeta alpha beta ggg w0 w1 w10 .. w17
    ASSERT_EQ(cat.count, CATALOGUE_MAX);
    EXPECT_TRUE(std::equal(cat.names, cat.names + CATALOGUE_MAX, all.begin())) << cat.names[13];
}
TEST_F(Saver, AWorldKeepsItsRecordedSizeElseItsChunkFilesTellIt) {
    write_file("saves/w/4-4-4.vxc", Bytes(4)); // explored only near the start
    EXPECT_TRUE(printed([] { EXPECT_EQ(saved_world_size("w"), 10); }, "size 10 inferred"));
    ASSERT_EQ(write_world_info("w", 30), 1);
    EXPECT_EQ(read_all("saves/w/world.info"), "size 30\n");
    EXPECT_TRUE(printed([] { EXPECT_EQ(saved_world_size("w"), 30); }, "", 0));
    EXPECT_TRUE(access("saves/w/world.info.tmp", F_OK) != 0 && !check(0, 0, 0));
    // Leftovers and kept files may name any chunk; only whole chunk names count.
    std::system("cd saves/w && touch 25-3-4.vxc.tmp 3-25-4.vxc.damaged 5-15-3.vxc");
    for (const char *make :
         {"echo size 25 >$F", "echo size 30x >$F", ": >$F", "echo garbage >$F",
          "echo size 4294967306 >$F", "rm $F && mkdir $F", "rmdir $F && mkfifo $F"}) {
        ASSERT_EQ(std::system((std::string("F=saves/w/world.info; ") + make).c_str()), 0) << make;
        EXPECT_TRUE(printed([] { EXPECT_EQ(saved_world_size("w"), 20); },
                            "world w has no readable world.info: size 20 inferred from its chunk "
                            "files \n"))
            << make;
    }
    EXPECT_EQ(write_world_info("w", 25), 0);
    EXPECT_TRUE(printed([] { EXPECT_EQ(saved_world_size("none"), 10); }, "size 10 inferred"));
}
static std::vector<std::string> flushed; // the folders syncfs was given
static int flush_error = 0;              // errno to fail with, 0 to succeed
extern "C" int syncfs(int fd) {
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), path, sizeof path - 1);
    flushed.push_back(n > 0 ? std::string(path, size_t(n)) : "?");
    errno = flush_error;
    return flush_error ? -1 : 0;
}
// The flush on the way out: one syncfs on the bound world's folder (the working folder without
// a world), and one line when it fails.
TEST_F(Saver, OneSyncOfTheWorldFolderOrTheWorkingFolderAndOneLineOnFailure) {
    ScratchDir::mkdir_p("saves/w");
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    const struct {
        const char *world; // bound world, or none
        int error;
        const char *folder, *line; // under the working folder; printed, or empty
    } cases[] = {
        {"w", 0, "/saves/w", ""},
        {"w", EIO, "/saves/w", "cannot flush ./saves/w to disk: Input/output error \n"},
        {"not yet saved", 0, "", ""}, // no folder yet: "cfg" still gets its flush
        {nullptr, 0, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.world ? c.world : "no world");
        output_of([&] { init_save_load(cubes, c.world); });
        flushed.clear();
        flush_error = c.error;
        EXPECT_EQ(output_of([] { EXPECT_EQ(save_flush(), flush_error ? 0 : 1); }), c.line);
        EXPECT_EQ(flushed, std::vector<std::string>{std::string(cwd) + c.folder});
    }
}
