// The settings file: exact default bytes, the forced position, and the mended reads and writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "scratch.h"
#include "shell/config.h"

namespace {

const unsigned char DEFAULT_BYTES[40] = {
    0x00, 0x00, 0x00, 0x00, 0x20, 0x03, 0x00, 0x00, 0x58, 0x02, 0x00, 0x00, 0x1e, 0x00,
    0x00, 0x00, 0x1e, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x72, 0x75, 0x73, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

std::vector<unsigned char> read_file(const char *name) {
    std::ifstream f(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void write_file(const char *name, const void *data, size_t size) {
    std::FILE *f = std::fopen(name, "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    std::fclose(f);
}

GameParams record_with(int32_t width, int32_t height, int32_t view, const char lang[4]) {
    GameParams p{};
    p.window_width = width;
    p.window_height = height;
    p.window_x = 100;
    p.window_y = 200;
    p.view_distance = view;
    std::memcpy(p.language, lang, 4);
    p.world_counter = 4;
    p.fog_enabled = 0;
    return p;
}

class ConfigFile : public ::testing::Test {
  protected:
    ScratchDir dir;
    void SetUp() override {
        std::memset(&game_param, 0x55, sizeof game_param);
        st_page = 0;
    }
};

TEST_F(ConfigFile, FirstStartWritesTheDefaultBytesAndOpensTheLanguagePage) {
    load();
    std::vector<unsigned char> bytes = read_file("cfg");
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(std::memcmp(bytes.data(), DEFAULT_BYTES, 40), 0);
    EXPECT_EQ(st_page, 1);
    EXPECT_EQ(game_param.window_width, 800);
    EXPECT_EQ(game_param.window_height, 600);
    EXPECT_EQ(game_param.window_x, 0);
    EXPECT_EQ(game_param.window_y, 0);
    EXPECT_STREQ(game_param.language, "rus");
    EXPECT_EQ(access("cfg.tmp", F_OK), -1) << "the temporary file must not stay behind";
}

TEST_F(ConfigFile, StoredFieldsAreReadAndThePositionIsForcedToZero) {
    GameParams stored = record_with(1280, 720, 3, "eng");
    stored.reserved_head = 77;
    write_file("cfg", &stored, sizeof stored);
    load();
    EXPECT_EQ(st_page, 0);
    EXPECT_EQ(game_param.window_width, 1280);
    EXPECT_EQ(game_param.window_height, 720);
    EXPECT_EQ(game_param.view_distance, 3);
    EXPECT_STREQ(game_param.language, "eng");
    EXPECT_EQ(game_param.world_counter, 4);
    EXPECT_EQ(game_param.fog_enabled, 0);
    EXPECT_EQ(game_param.window_x, 0);
    EXPECT_EQ(game_param.window_y, 0);

    game_param.world_counter = 5;
    ASSERT_EQ(save(), 1);
    std::vector<unsigned char> bytes = read_file("cfg");
    ASSERT_EQ(bytes.size(), 40u);
    EXPECT_EQ(bytes[28], 5);
    EXPECT_EQ(access("cfg.tmp", F_OK), -1);
    const unsigned char size_bytes[8] = {0x00, 0x05, 0x00, 0x00, 0xd0, 0x02, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(bytes.data() + 4, size_bytes, 8), 0);
    const unsigned char zero_position[8] = {};
    EXPECT_EQ(std::memcmp(bytes.data() + 12, zero_position, 8), 0);
}

TEST_F(ConfigFile, ShortFileKeepsDefaultsForTheFieldsItLacks) {
    GameParams stored = record_with(1024, 768, 2, "eng");
    write_file("cfg", &stored, 12); // head, width, height only
    load();
    EXPECT_EQ(game_param.window_width, 1024);
    EXPECT_EQ(game_param.window_height, 768);
    EXPECT_EQ(game_param.view_distance, 1);
    EXPECT_STREQ(game_param.language, "rus");
    EXPECT_EQ(game_param.world_counter, 1);
    EXPECT_EQ(game_param.fog_enabled, 1);

    write_file("cfg", &stored, 0);
    load();
    EXPECT_EQ(game_param.window_width, 800);
    EXPECT_EQ(game_param.window_height, 600);
    EXPECT_STREQ(game_param.language, "rus");
}

TEST_F(ConfigFile, DamagedFieldsAreBroughtBackIntoRange) {
    struct Case {
        int32_t width, height, view;
        char lang[4];
        int32_t want_width, want_height, want_view;
        const char *want_lang;
    };
    const Case cases[] = {
        {0, -5, 0, {'e', 'n', 'g', 0}, 800, 600, 1, "eng"},
        {640, 480, 4, {'e', 'n', 'g', 'x'}, 640, 480, 3, "rus"},
        {1, 1, -7, {'d', 'e', 'u', 0}, 1, 1, 1, "rus"},
        {300, 200, 1000000, {0, 0, 0, 0}, 300, 200, 3, "rus"},
    };
    for (const Case &c : cases) {
        GameParams stored = record_with(c.width, c.height, c.view, c.lang);
        write_file("cfg", &stored, sizeof stored);
        load();
        SCOPED_TRACE(c.view);
        EXPECT_EQ(game_param.window_width, c.want_width);
        EXPECT_EQ(game_param.window_height, c.want_height);
        EXPECT_EQ(game_param.view_distance, c.want_view);
        EXPECT_EQ(std::memcmp(game_param.language, c.want_lang, 4), 0);
    }
}

// A working folder where "cfg" cannot be written: the game runs on the defaults and says so
// once, however often it tries to save.
TEST_F(ConfigFile, UnwritableFolderStartsOnDefaultsWithOneMessage) {
    // A folder named "cfg" can be neither read as settings nor replaced, even by root.
    ASSERT_EQ(mkdir("cfg", 0755), 0);
    ASSERT_EQ(mkdir("cfg/inside", 0755), 0);
    testing::internal::CaptureStdout();
    load();
    save();
    save();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(game_param.window_width, 800);
    EXPECT_EQ(game_param.view_distance, 1);
    EXPECT_STREQ(game_param.language, "rus");
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    EXPECT_NE(out.find("cfg"), std::string::npos) << out;
    EXPECT_EQ(access("cfg.tmp", F_OK), -1);

    if (geteuid() != 0) {
        // A read-only folder without any "cfg": a real first start that cannot write.
        ScratchDir ro;
        ASSERT_EQ(chmod(ro.path.c_str(), 0555), 0);
        load();
        EXPECT_EQ(st_page, 1);
        EXPECT_EQ(game_param.window_width, 800);
        EXPECT_EQ(access("cfg", F_OK), -1);
        chmod(ro.path.c_str(), 0755);
    }
}

} // namespace
