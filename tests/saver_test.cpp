// Chunk files and the world catalogue, in a scratch working folder: round trips, byte
// layout, writes that fail half way, short and damaged files, and the folder listing.
#include "scratch.h"
#include "world/chunks.h"
#include "world/saver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <dirent.h>
#include <vector>

namespace {

std::vector<unsigned char> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string &path, const std::vector<unsigned char> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

bool exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class Saver : public ::testing::Test {
  protected:
    ScratchDir dir;
    const char *name = "w";
    void SetUp() override {
        world_size = 10;
        ASSERT_EQ(initialize_world(), 1);
        ScratchDir::mkdir_p("saves/w");
        testing::internal::CaptureStdout();
        init_save_load(world, cubes, 10, name);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "save_load version 0.100000, world name w \n");
    }
    void TearDown() override {
        world_size = 10;
        initialize_world();
    }
    static Chunk &bind(int slot, int cx, int cy, int level) {
        world[chunk_cell(cx, cy, level)] = uint16_t(slot);
        cubes[slot].used = 1;
        return cubes[slot];
    }
    static void fill_random(Chunk &c, unsigned seed) {
        std::mt19937 rng(seed);
        for (BlockId &b : c.blocks) b = BlockId(rng() % 256);
    }
};

TEST_F(Saver, RoundTripThroughAnotherSlot) {
    Chunk &a = bind(3, 3, 0, 4);
    fill_random(a, 1);
    EXPECT_EQ(check(3, 0, 4), 0);
    ASSERT_EQ(save_w(3, 0, 4), 1);
    EXPECT_EQ(check(3, 0, 4), 1);
    EXPECT_EQ(check(4, 0, 3), 0);
    auto bytes = read_file("saves/w/3-0-4.vxc");
    ASSERT_EQ(bytes.size(), size_t(CHUNK_FILE_BYTES));
    EXPECT_FALSE(exists("saves/w/3-0-4.vxc.tmp"));

    // Streaming binds the cell before loading and marks the slot used afterwards.
    world[chunk_cell(3, 0, 4)] = 7;
    cubes[7].used = 0;
    std::fill(cubes[7].blocks, cubes[7].blocks + CHUNK_BLOCKS, BlockId(9));
    ASSERT_EQ(load_w(3, 0, 4), 1);
    EXPECT_TRUE(std::equal(a.blocks, a.blocks + CHUNK_BLOCKS, cubes[7].blocks));
}

TEST_F(Saver, LittleEndianWithZFastest) {
    Chunk &a = bind(0, 0, 0, 0);
    std::fill(a.blocks, a.blocks + CHUNK_BLOCKS, BlockId(0));
    a.blocks[block_index(0, 0, 1)] = 0x0102;
    a.blocks[block_index(0, 1, 0)] = 0x0304;
    a.blocks[block_index(1, 0, 0)] = 0x0506;
    a.blocks[block_index(63, 63, 63)] = 0x00FF;
    ASSERT_EQ(save_w(0, 0, 0), 1);
    auto b = read_file("saves/w/0-0-0.vxc");
    ASSERT_EQ(b.size(), size_t(CHUNK_FILE_BYTES));
    EXPECT_EQ(b[2], 0x02);
    EXPECT_EQ(b[3], 0x01);
    EXPECT_EQ(b[128], 0x04);
    EXPECT_EQ(b[129], 0x03);
    EXPECT_EQ(b[8192], 0x06);
    EXPECT_EQ(b[8193], 0x05);
    EXPECT_EQ(b[CHUNK_FILE_BYTES - 2], 0xFF);
    EXPECT_EQ(b[CHUNK_FILE_BYTES - 1], 0x00);
    EXPECT_EQ(std::count(b.begin(), b.end(), 0), CHUNK_FILE_BYTES - 7);
}

TEST_F(Saver, FailedWritesLeaveTheOldFileWhole) {
    Chunk &a = bind(0, 3, 0, 4);
    fill_random(a, 2);
    ASSERT_EQ(save_w(3, 0, 4), 1);
    const auto old = read_file("saves/w/3-0-4.vxc");
    fill_random(a, 3);

    // A crash after the temporary file was written but before the rename leaves it behind:
    // the chunk still loads from the old file, and the next save replaces both.
    write_file("saves/w/3-0-4.vxc.tmp", std::vector<unsigned char>(1000, 0x7F));
    Chunk &b = bind(1, 3, 0, 4);
    ASSERT_EQ(load_w(3, 0, 4), 1);
    EXPECT_EQ(0, std::memcmp(b.blocks, old.data(), CHUNK_FILE_BYTES));
    EXPECT_EQ(saved_world_size("w"), 10);

    // Disk full half way through the write.
    fill_random(b, 4);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit was;
    getrlimit(RLIMIT_FSIZE, &was);
    struct rlimit small = was;
    small.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStdout();
    int saved = save_w(3, 0, 4);
    std::string out = testing::internal::GetCapturedStdout();
    setrlimit(RLIMIT_FSIZE, &was);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(saved, 0);
    EXPECT_NE(out.find("./saves/w/3-0-4.vxc"), std::string::npos) << out;
    EXPECT_NE(out.find("large"), std::string::npos) << out; // the reason: "File too large"
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    EXPECT_EQ(read_file("saves/w/3-0-4.vxc"), old);
    EXPECT_FALSE(exists("saves/w/3-0-4.vxc.tmp"));

    // The temporary file cannot be created at all.
    ScratchDir::mkdir_p("saves/w/3-0-4.vxc.tmp/x");
    testing::internal::CaptureStdout();
    EXPECT_EQ(save_w(3, 0, 4), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("./saves/w/3-0-4.vxc"), std::string::npos) << out;
    EXPECT_EQ(read_file("saves/w/3-0-4.vxc"), old);

    // The rename fails: the chunk's name is taken by a folder.
    std::system("rm -rf saves/w/3-0-4.vxc.tmp saves/w/3-0-4.vxc");
    ScratchDir::mkdir_p("saves/w/3-0-4.vxc/x");
    testing::internal::CaptureStdout();
    EXPECT_EQ(save_w(3, 0, 4), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("./saves/w/3-0-4.vxc"), std::string::npos) << out;
    EXPECT_FALSE(exists("saves/w/3-0-4.vxc.tmp"));
}

TEST_F(Saver, MissingFoldersAreCreatedBeforeTheFirstWrite) {
    std::system("rm -rf saves");
    Chunk &a = bind(0, 9, 9, 9);
    fill_random(a, 5);
    ASSERT_EQ(save_w(9, 9, 9), 1);
    EXPECT_EQ(read_file("saves/w/9-9-9.vxc").size(), size_t(CHUNK_FILE_BYTES));

    EXPECT_EQ(makedir("saves/deep/er/still"), 0);
    EXPECT_TRUE(exists("saves/deep/er/still"));
    EXPECT_NE(makedir("saves/deep"), 0); // already there: reported, left unchanged
    EXPECT_TRUE(exists("saves/deep/er/still"));
}

TEST_F(Saver, ShortOrUnreadableFilesLeaveNoOldBlocks) {
    Chunk &a = bind(0, 1, 2, 3);
    std::vector<unsigned char> part(1001);
    for (size_t k = 0; k < part.size(); k++) part[k] = (k % 2) ? 0 : (k / 2) % 200 + 1;
    write_file("saves/w/1-2-3.vxc", part);
    std::fill(a.blocks, a.blocks + CHUNK_BLOCKS, BlockId(7)); // the slot's previous chunk
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_w(1, 2, 3), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("./saves/w/1-2-3.vxc"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
    for (int k = 0; k < 500; k++) ASSERT_EQ(a.blocks[k], k % 200 + 1) << k;
    // The odd byte is the low half of block 500: its high half is missing.
    EXPECT_TRUE(
        std::all_of(a.blocks + 501, a.blocks + CHUNK_BLOCKS, [](BlockId b) { return b == 0; }));

    // Unreadable between the existence test and the read: here the name is a folder.
    std::system("rm -f saves/w/1-2-3.vxc");
    ScratchDir::mkdir_p("saves/w/1-2-3.vxc");
    EXPECT_EQ(check(1, 2, 3), 1);
    std::fill(a.blocks, a.blocks + CHUNK_BLOCKS, BlockId(7));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_w(1, 2, 3), 0);
    out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("./saves/w/1-2-3.vxc"), std::string::npos) << out;
    EXPECT_TRUE(std::all_of(a.blocks, a.blocks + CHUNK_BLOCKS, [](BlockId b) { return b == 0; }));

    // No file at all.
    std::fill(a.blocks, a.blocks + CHUNK_BLOCKS, BlockId(7));
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_w(1, 2, 4), 0); // cell not bound: nothing to read into
    EXPECT_EQ(load_w(1, 2, 10), 0);
    EXPECT_EQ(load_w(-1, 2, 3), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(a.blocks[0], 7);
}

TEST_F(Saver, ValuesAbove255LoadAsEmpty) {
    Chunk &a = bind(0, 5, 5, 5);
    std::vector<unsigned char> bytes(CHUNK_FILE_BYTES, 0);
    bytes[0] = 3;                       // block 0: 3
    bytes[2] = 0x00, bytes[3] = 0x01;   // block 1: 256
    bytes[4] = 0xFF, bytes[5] = 0xFF;   // block 2: 65535
    bytes[6] = 0xFF;                    // block 3: 255 stays
    bytes[CHUNK_FILE_BYTES - 1] = 0x80; // the last block: 32768
    write_file("saves/w/5-5-5.vxc", bytes);
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_w(5, 5, 5), 0);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("./saves/w/5-5-5.vxc"), std::string::npos) << out;
    EXPECT_NE(out.find(" 3 "), std::string::npos) << out;
    EXPECT_EQ(a.blocks[0], 3);
    EXPECT_EQ(a.blocks[1], 0);
    EXPECT_EQ(a.blocks[2], 0);
    EXPECT_EQ(a.blocks[3], 255);
    EXPECT_EQ(a.blocks[CHUNK_BLOCKS - 1], 0);
}

// The order readdir returns for "./saves/", filtered the way the catalogue should be.
std::vector<std::string> listed_folders() {
    std::vector<std::string> names;
    DIR *d = opendir("./saves/");
    while (dirent *e = readdir(d)) {
        std::string n = e->d_name;
        struct stat st;
        if (n == "." || n == ".." || n.size() > 63) continue;
        if (stat(("saves/" + n).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(n);
    }
    closedir(d);
    return names;
}

TEST_F(Saver, CatalogueListsWorldFoldersOnly) {
    std::system("rm -rf saves/w");
    ScratchDir::mkdir_p("saves/alpha");
    ScratchDir::mkdir_p("saves/beta");
    ScratchDir::mkdir_p("saves/" + std::string(63, 'g')); // as long as a name may be
    write_file("saves/stray.vxc", {1, 2, 3});
    ScratchDir::mkdir_p("saves/" + std::string(64, 'h')); // would not fit: skipped, not cut
    WorldCatalogue cat;
    std::memset(&cat, 0x55, sizeof cat);
    testing::internal::CaptureStdout();
    find_worlds(&cat);
    std::string out = testing::internal::GetCapturedStdout();
    auto want = listed_folders();
    ASSERT_EQ(want.size(), 3u);
    ASSERT_EQ(cat.count, 3);
    for (int k = 0; k < 3; k++) EXPECT_EQ(cat.names[k], want[size_t(k)]);
    for (int k = 3; k < CATALOGUE_SLOTS; k++) EXPECT_EQ(cat.names[k][0], 0);
    // Every entry is printed as it is read, skipped ones included.
    for (const char *n : {".\n", "..\n", "stray.vxc\n", "alpha\n"})
        EXPECT_NE(out.find(n), std::string::npos) << n;
    EXPECT_NE(out.find(std::string(64, 'h') + "\n"), std::string::npos);

    std::system("rm -rf saves");
    find_worlds(&cat);
    EXPECT_EQ(cat.count, 0);
}

TEST_F(Saver, CatalogueStopsAtFourteen) {
    std::system("rm -rf saves/w");
    for (int k = 0; k < 20; k++) ScratchDir::mkdir_p("saves/world" + std::to_string(k));
    WorldCatalogue cat;
    testing::internal::CaptureStdout();
    find_worlds(&cat);
    testing::internal::GetCapturedStdout();
    auto want = listed_folders();
    ASSERT_EQ(cat.count, CATALOGUE_MAX);
    for (int k = 0; k < CATALOGUE_MAX; k++) EXPECT_EQ(cat.names[k], want[size_t(k)]);
}

TEST_F(Saver, WorldSizeFromTheChunkFiles) {
    EXPECT_EQ(saved_world_size("w"), 10);
    EXPECT_EQ(saved_world_size("nothing here"), 10);
    write_file("saves/w/9-0-4.vxc", {});
    write_file("saves/w/0-9-9.vxc", {});
    EXPECT_EQ(saved_world_size("w"), 10);
    write_file("saves/w/12-3-4.vxc.tmp", {}); // a crash leftover is not a chunk
    write_file("saves/w/15-3-4.vxcx", {});
    write_file("saves/w/notes.txt", {});
    EXPECT_EQ(saved_world_size("w"), 10);
    write_file("saves/w/3-10-4.vxc", {});
    EXPECT_EQ(saved_world_size("w"), 20);
    write_file("saves/w/29-0-0.vxc", {});
    EXPECT_EQ(saved_world_size("w"), 30);
}

} // namespace
