// A throw-away working folder for tests that read or write files: the game uses its cwd.
#pragma once

#include <gtest/gtest.h>
#include <cstdlib>
#include <limits.h>
#include <string>
#include <unistd.h>

struct ScratchDir {
    std::string path;
    char old[PATH_MAX];

    explicit ScratchDir(bool with_saves = true) {
        char tmpl[] = "/tmp/tess-test-XXXXXX";
        path = mkdtemp(tmpl);
        if (!getcwd(old, sizeof old)) old[0] = 0;
        if (chdir(path.c_str()) != 0) std::abort();
        if (with_saves) mkdir_p("saves");
    }
    ~ScratchDir() {
        if (old[0] && chdir(old) != 0) std::abort();
        std::string cmd = "rm -rf '" + path + "'";
        if (std::system(cmd.c_str()) != 0) {
        }
    }
    static void mkdir_p(const std::string &p) {
        std::string cmd = "mkdir -p '" + p + "'";
        if (std::system(cmd.c_str()) != 0) std::abort();
    }
};
// What f printed on stdout while it ran.
template <class F> std::string output_of(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}
