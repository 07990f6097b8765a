// Chunk files and the world catalogue in a scratch folder: layout, whole-or-nothing writes,
// short and damaged files, and the folder listing.
#include "scratch.h"
#include "world/chunks.h"
#include "world/saver.h"
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;
Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}
void write_file(const std::string &path, const Bytes &b) {
    std::ofstream(path, std::ios::binary).write((const char *)b.data(), std::streamsize(b.size()));
}
bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}
template <class F> std::string printed(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}
bool names(const std::string &out, const char *file) { // one line that names the file
    return out.find(file) != std::string::npos && std::count(out.begin(), out.end(), '\n') == 1;
}
bool all_zero(const BlockId *b, const BlockId *end) {
    return std::all_of(b, end, [](BlockId v) { return v == 0; });
}

class Saver : public ::testing::Test {
  protected:
    ScratchDir dir;
    void SetUp() override {
        world_size = 10;
        ASSERT_EQ(initialize_world(), 1);
        ScratchDir::mkdir_p("saves/w");
        EXPECT_EQ(printed([] { init_save_load(world, cubes, 10, "w"); }),
                  "save_load version 0.100000, world name w \n");
    }
    // Binds slot to chunk (cx, cy, level) with random blocks below 256.
    static Chunk &bind(int slot, int cx, int cy, int level, unsigned seed = 1) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        cubes[slot].used = 1;
        std::mt19937 rng(seed);
        for (BlockId &b : cubes[slot].blocks) b = BlockId(1 + rng() % 255);
        return cubes[slot];
    }
};

TEST_F(Saver, RoundTripThroughAnotherSlotInTheFileLayout) {
    BlockId *a = bind(3, 3, 0, 4).blocks;
    a[block_index(0, 0, 1)] = 201, a[block_index(0, 1, 0)] = 202, a[block_index(1, 0, 0)] = 203;
    EXPECT_EQ(check(3, 0, 4), 0);
    ASSERT_EQ(save_w(3, 0, 4), 1);
    EXPECT_TRUE(check(3, 0, 4) && !check(4, 0, 3) && !exists("saves/w/3-0-4.vxc.tmp"));
    Bytes b = read_file("saves/w/3-0-4.vxc");
    ASSERT_EQ(b.size(), size_t(CHUNK_FILE_BYTES));
    // Little-endian, z fastest: blocks (0,0,1), (0,1,0), (1,0,0) start at bytes 2, 128, 8192.
    EXPECT_TRUE(b[2] == 201 && !b[3] && b[128] == 202 && !b[129] && b[8192] == 203 && !b[8193]);
    Chunk &c = bind(7, 3, 0, 4, 2); // streaming binds the cell, then marks the slot used
    c.used = 0;
    ASSERT_EQ(load_w(3, 0, 4), 1);
    EXPECT_TRUE(std::equal(a, a + CHUNK_BLOCKS, c.blocks));
}

TEST_F(Saver, FailedWritesLeaveTheOldFileWhole) {
    bind(0, 3, 0, 4, 2);
    ASSERT_EQ(save_w(3, 0, 4), 1);
    const Bytes old = read_file("saves/w/3-0-4.vxc");
    // A crash between the temporary write and the rename: the old file still loads.
    write_file("saves/w/3-0-4.vxc.tmp", Bytes(1000, 0x7F));
    bind(0, 3, 0, 4, 9);
    ASSERT_EQ(load_w(3, 0, 4), 1);
    EXPECT_EQ(0, std::memcmp(cubes[0].blocks, old.data(), CHUNK_FILE_BYTES));
    // Disk full half way, no temporary file possible, the chunk's name taken by a folder.
    const char *sabotage[] = {nullptr, "mkdir -p saves/w/3-0-4.vxc.tmp/x",
                              "rm -rf saves/w/3-0-4.vxc*; mkdir -p saves/w/3-0-4.vxc/x"};
    const char *reason[] = {"File too large", "Is a directory", "Is a directory"};
    struct rlimit was, small;
    getrlimit(RLIMIT_FSIZE, &was);
    small = was, small.rlim_cur = 100000;
    signal(SIGXFSZ, SIG_IGN);
    for (int k = 0; k < 3; k++) {
        bind(0, 3, 0, 4, 3 + k);
        ASSERT_EQ(sabotage[k] ? std::system(sabotage[k]) : setrlimit(RLIMIT_FSIZE, &small), 0);
        int saved = -1;
        std::string out = printed([&] { saved = save_w(3, 0, 4); });
        setrlimit(RLIMIT_FSIZE, &was);
        EXPECT_TRUE(saved == 0 && names(out, "./saves/w/3-0-4.vxc") &&
                    out.find(reason[k]) != std::string::npos)
            << out;
        EXPECT_TRUE(k == 1 || !exists("saves/w/3-0-4.vxc.tmp")) << k;
        EXPECT_TRUE(k == 2 || read_file("saves/w/3-0-4.vxc") == old) << k;
    }
    signal(SIGXFSZ, SIG_DFL);
}

TEST_F(Saver, MissingFoldersAreCreatedBeforeTheFirstWrite) {
    std::system("rm -rf saves");
    bind(0, 9, 9, 9);
    ASSERT_EQ(save_w(9, 9, 9), 1);
    EXPECT_EQ(read_file("saves/w/9-9-9.vxc").size(), size_t(CHUNK_FILE_BYTES));
    EXPECT_EQ(makedir("saves/deep/er/still"), 0);
    EXPECT_TRUE(exists("saves/deep/er/still"));
}

TEST_F(Saver, ShortOrUnreadableFilesLeaveNoOldBlocks) {
    BlockId *a = bind(0, 1, 2, 3).blocks; // random: the slot's previous chunk
    Bytes part(1001);
    for (size_t k = 0; k < part.size(); k++) part[k] = k % 2 ? 0 : (k / 2) % 200 + 1;
    write_file("saves/w/1-2-3.vxc", part);
    std::string out = printed([&] { EXPECT_EQ(load_w(1, 2, 3), 0); });
    EXPECT_TRUE(names(out, "./saves/w/1-2-3.vxc")) << out;
    for (int k = 0; k < 500; k++) ASSERT_EQ(a[k], k % 200 + 1) << k;
    EXPECT_TRUE(all_zero(a + 501, a + CHUNK_BLOCKS)); // the odd byte is half of block 500
    // Unreadable between the existence test and the read: here the name is a folder.
    std::system("rm -f saves/w/1-2-3.vxc; mkdir saves/w/1-2-3.vxc");
    bind(0, 1, 2, 3);
    out = printed([&] { EXPECT_TRUE(check(1, 2, 3) && !load_w(1, 2, 3)); });
    EXPECT_TRUE(names(out, "./saves/w/1-2-3.vxc") && all_zero(a, a + CHUNK_BLOCKS)) << out;
    // Cells that name no slot, or lie outside the grid.
    bind(0, 1, 2, 3);
    printed([] { EXPECT_TRUE(!load_w(1, 2, 4) && !load_w(1, 2, 10) && !load_w(-1, 2, 3)); });
    EXPECT_NE(a[0], 0);
}

TEST_F(Saver, ValuesAbove255LoadAsEmpty) {
    BlockId *a = bind(0, 5, 5, 5).blocks;
    Bytes bytes(CHUNK_FILE_BYTES, 0);
    bytes[0] = 3, bytes[3] = 0x01, bytes[4] = bytes[5] = bytes[6] = 0xFF; // 3, 256, 65535, 255
    bytes[CHUNK_FILE_BYTES - 1] = 0x80;                                   // the last: 32768
    write_file("saves/w/5-5-5.vxc", bytes);
    std::string out = printed([&] { EXPECT_EQ(load_w(5, 5, 5), 0); });
    EXPECT_TRUE(names(out, "./saves/w/5-5-5.vxc") && out.find(" 3 ") != std::string::npos) << out;
    EXPECT_TRUE(a[0] == 3 && !a[1] && !a[2] && a[3] == 255 && !a[CHUNK_BLOCKS - 1]);
}

// The folders of "./saves/" with names that fit, in the order readdir gives them.
std::vector<std::string> folders() {
    std::vector<std::string> names;
    DIR *d = opendir("./saves/");
    while (dirent *e = readdir(d)) {
        std::string n = e->d_name;
        struct stat st;
        if (n != "." && n != ".." && n.size() <= 63 && !stat(("saves/" + n).c_str(), &st) &&
            S_ISDIR(st.st_mode))
            names.push_back(n);
    }
    closedir(d);
    return names;
}

TEST_F(Saver, CatalogueListsWorldFoldersOnly) {
    std::system("rm -rf saves/w; cd saves && mkdir alpha beta && touch stray.vxc");
    ScratchDir::mkdir_p("saves/" + std::string(63, 'g')); // as long as a name may be
    ScratchDir::mkdir_p("saves/" + std::string(64, 'h')); // would not fit: skipped, not cut
    WorldCatalogue cat;
    std::memset(&cat, 0x55, sizeof cat);
    std::string out = printed([&] { find_worlds(&cat); });
    auto want = folders();
    ASSERT_TRUE(want.size() == 3 && cat.count == 3) << cat.count;
    for (int k = 0; k < CATALOGUE_SLOTS; k++) EXPECT_EQ(cat.names[k], k < 3 ? want[k] : "");
    for (const char *n : {".\n", "..\n", "stray.vxc\n"}) // every entry is printed as read
        EXPECT_NE(out.find(n), std::string::npos) << n;
    for (int k = 0; k < 20; k++) ScratchDir::mkdir_p("saves/world" + std::to_string(k));
    printed([&] { find_worlds(&cat); });
    want = folders();
    ASSERT_EQ(cat.count, CATALOGUE_MAX);
    for (int k = 0; k < CATALOGUE_MAX; k++) EXPECT_EQ(cat.names[k], want[size_t(k)]);
    std::system("rm -rf saves");
    printed([&] { find_worlds(&cat); });
    EXPECT_EQ(cat.count, 0);
}

TEST_F(Saver, WorldSizeFromTheChunkFiles) {
    // A crash leftover or a stray file is not a chunk.
    const char *file[] = {"9-0-4.vxc", "0-9-9.vxc",  "12-3-4.vxc.tmp", "15-3-4.vxcx",
                          "notes.txt", "3-10-4.vxc", "29-0-0.vxc"};
    const int want[] = {10, 10, 10, 10, 10, 20, 30};
    EXPECT_TRUE(saved_world_size("w") == 10 && saved_world_size("nothing here") == 10);
    for (int k = 0; k < 7; k++) {
        write_file(std::string("saves/w/") + file[k], {});
        EXPECT_EQ(saved_world_size("w"), want[k]) << file[k];
    }
}

} // namespace
