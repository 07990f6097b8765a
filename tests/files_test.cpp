// The whole-file writer: partial, interrupted and empty writes, alone and behind "cfg", the
// chunk files and "world.info"; their temporary names held by other kinds of file.
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

TEST_F(Files, PartialAndInterruptedWritesGoOnAWriteThatTakesNothingFails) {
    const struct {
        std::vector<int> script;
        int errno_seen; // 0 when the whole buffer was written
        const char *written;
    } cases[] = {
        {{3, -1, 2, -1, -1}, 0, "0123456789"},
        {{4, 0}, EIO, "0123"},
        {{0}, EIO, ""},
        {{5, -2}, ENOSPC, "01234"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.script.size() << " steps, " << c.written);
        const int fd = open("f", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        run(c.script), errno = 0;
        const bool ok = write_whole(fd, "0123456789", 10);
        const int err = errno;
        close(fd);
        EXPECT_EQ(std::make_pair(ok, ok ? 0 : err),
                  std::make_pair(c.errno_seen == 0, c.errno_seen));
        EXPECT_EQ(read_all("f"), c.written);
    }
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
    run({-1, 4096, 0});
    EXPECT_EQ(std::make_pair(save_chunk(1, 2, 3, &reason), reason), std::make_pair(0, EIO));
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
