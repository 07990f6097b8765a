// The settings file: exact default bytes, the forced position, the mended reads and writes. The
// whole-file writer's partial, interrupted, empty and failed writes behind "cfg" and the chunk
// files; the temporary names of those and "world.info" held by other kinds of file.
#include <cerrno>
#include <fcntl.h>
#include <vector>
#include "base/config.h"
#include "base/files.h"
#include "world/saver.h"
#include "world_fixture.h"

// Each write call takes the next step of the script: n > 0 writes at most n bytes, 0 takes
// nothing, -1 is interrupted (EINTR), -2 fails (ENOSPC). Past the script, writes go through.
static std::vector<int> script;
static size_t step;
static ssize_t scripted(int fd, const void *buf, size_t len) {
    const int s = step < script.size() ? script[step++] : int(len);
    if (s < 0) errno = s == -1 ? EINTR : ENOSPC;
    return s < 0 ? -1 : s == 0 ? 0 : ::write(fd, buf, std::min(len, size_t(s)));
}
struct Files : ::testing::Test {
    ScratchDir dir;
    void run(std::vector<int> s) { script = std::move(s), step = 0, files_set_write(scripted); }
    void TearDown() override { files_set_write(nullptr); }
};

// First: the warning that "cfg" cannot be written comes once a run.
const auto bytes = [](const void *p) { return std::string(static_cast<const char *>(p), 40); };
TEST_F(Files, SettingsAreDefaultsOnTheFirstStartStoredRecordsAreMendedAnUnwritableOneIsLeft) {
    load();
    EXPECT_EQ(read_all("cfg"), bytes("\0\0\0\0\x20\x03\0\0\x58\x02\0\0\x1e\0\0\0\x1e\0\0\0\1\0\0\0"
                                     "rus\0\1\0\0\0\1\0\0\0\0\0\0\0"));
    EXPECT_EQ(st_page, 1) << "the language page opens first";
    EXPECT_EQ(access("cfg.tmp", F_OK), -1) << "the temporary file must not stay behind";
    const struct {
        int size; // bytes of the first record written; the second is what load must make of it
        GameParams stored, want;
    } cases[] = {
        {40, {7, 1280, 720, 9, 9, 3, "eng", 4, 0, 5}, {7, 1280, 720, 0, 0, 3, "eng", 4, 0, 5}},
        {12, {7, 1024, 768, 9, 9, 2, "eng", 4, 0, 5}, {7, 1024, 768, 0, 0, 1, "rus", 1, 1, 0}},
        {40, {7, 0, -5, 9, 9, -7, "eng", 4, 0, 5}, {7, 800, 600, 0, 0, 1, "eng", 4, 0, 5}},
        {40, {7, 1, 1, 9, 9, 4, {'e', 'n', 'g', 'x'}, 4, 0, 5}, {7, 1, 1, 0, 0, 3, "rus", 4, 0, 5}},
        // Sides X would refuse on every start come down to the largest it takes.
        {40,
         {7, 65536, INT32_MAX, 9, 9, 2, "eng", 4, 0, 5},
         {7, 16384, 16384, 0, 0, 2, "eng", 4, 0, 5}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, view " << c.stored.view_distance);
        std::ofstream("cfg").write(reinterpret_cast<const char *>(&c.stored), c.size);
        load();
        EXPECT_EQ(bytes(&game_param), bytes(&c.want));
    }
    // A folder named "cfg": neither read as settings nor replaced, even by root; one message.
    ASSERT_EQ(std::system("rm cfg && mkdir cfg"), 0);
    const std::string out = output_of([] { EXPECT_EQ((load(), save() + save()), 0); });
    EXPECT_EQ(game_param.window_width, 800);
    EXPECT_TRUE(out.find("cfg") < out.find('\n') && out.find('\n') == out.size() - 1) << out;
}

TEST_F(Files, TheSettingsChunkFilesAndWorldInfoAreWrittenThroughItAndNeverFollowed) {
    output_of([] { load(); });
    const std::string before = read_all("cfg");
    game_param.world_counter = 77;
    run({0}); // once looped forever
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(std::make_pair(read_all("cfg"), access("cfg.tmp", F_OK)), std::make_pair(before, -1));
    run({-1, 7}); // once gave up
    EXPECT_EQ(save(), 1);
    EXPECT_EQ(read_all("cfg").substr(28, 4), std::string("\x4d\0\0\0", 4));

    ASSERT_TRUE(reset_world());
    output_of([] { init_save_load(cubes, "w"); });
    bind_chunk(1, 2, 3, 7);
    int reason = 0;
    run({-1, 4096, 0}); // a write that takes nothing is an I/O error; others tell their own
    EXPECT_EQ(std::make_pair(save_chunk(1, 2, 3, &reason), reason), std::make_pair(0, EIO));
    run({5, -2});
    EXPECT_EQ(std::make_pair(save_chunk(1, 2, 3, &reason), reason), std::make_pair(0, ENOSPC));
    run({-1, 100000, -1});
    EXPECT_EQ(save_chunk(1, 2, 3, &reason), 1);
    EXPECT_EQ(read_all("saves/w/1-2-3.vxc").size(), size_t(CHUNK_FILE_BYTES));
    // Whatever holds a temporary name (a FIFO, a link to a file elsewhere, a folder) is
    // replaced, never opened or followed: each writer saves as usual and the file outside
    // stays as it was. A FIFO named "cfg" is not read. The alarm ends a write left waiting.
    const std::string outside = dir.path + ".outside";
    alarm(20);
    for (std::string kind :
         {std::string("mkfifo "), "ln -s " + outside + " ", std::string("mkdir ")})
        for (const char *tmp : {"saves/w/1-2-3.vxc.tmp", "saves/w/world.info.tmp", "cfg.tmp"}) {
            SCOPED_TRACE(kind + tmp);
            const std::string fifo_cfg = tmp[0] == 'c' && kind[1] == 'k' ? "; mkfifo cfg" : "";
            const std::string make = "echo mine >" + outside + "; rm -rf cfg " + tmp + "; " + kind;
            ASSERT_EQ(std::system((make + tmp + fifo_cfg).c_str()), 0);
            EXPECT_EQ(output_of([] { load(); }), "");
            const int ok = save() + save_chunk(1, 2, 3, nullptr) + write_world_info("w", 20);
            EXPECT_EQ(all(ok, read_all("cfg").size(), read_all("saves/w/world.info").size(),
                          read_all(outside) == "mine\n", access(tmp, F_OK)),
                      all(3, 40, 8, 1, -1));
        }
    alarm(0);
    unlink(outside.c_str());
}
