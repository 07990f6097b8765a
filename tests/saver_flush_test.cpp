// The flush on the way out: one syncfs on the bound world's folder (the working folder without
// a world), and one line when it fails. syncfs is replaced here to see what it is given.
#include "scratch.h"
#include "world/chunks.h"
#include "world/saver.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <vector>

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

TEST(SaveFlush, OneSyncOfTheWorldFolderOrTheWorkingFolderAndOneLineOnFailure) {
    ScratchDir dir;
    ScratchDir::mkdir_p("saves/w");
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    world_size = 1;
    ASSERT_EQ(initialize_world(), 1);
    const struct {
        const char *world; // bound world, or none
        int error;
        const char *folder; // under the working folder
        const char *line;   // printed, or empty
    } cases[] = {
        {"w", 0, "/saves/w", ""},
        {"w", EIO, "/saves/w", "cannot flush ./saves/w to disk: Input/output error \n"},
        {"not yet saved", 0, "", ""}, // no folder yet: "cfg" still gets its flush
        {nullptr, 0, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.world ? c.world : "no world");
        testing::internal::CaptureStdout();
        init_save_load(world, cubes, 1, c.world);
        testing::internal::GetCapturedStdout();
        flushed.clear();
        flush_error = c.error;
        testing::internal::CaptureStdout();
        EXPECT_EQ(save_flush(), c.error ? 0 : 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line);
        EXPECT_EQ(flushed, std::vector<std::string>{std::string(cwd) + c.folder});
    }
}
