// A throw-away working folder for tests that read or write files: the game uses its cwd.
#pragma once

#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits.h>
#include <string>
#include <unistd.h>
#include <vector>

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
        [[maybe_unused]] const int gone = std::system(("rm -rf '" + path + "'").c_str());
    }
    static void mkdir_p(const std::string &p) {
        if (std::system(("mkdir -p '" + p + "'").c_str()) != 0) std::abort();
    }
};
// What f printed on stdout while it ran.
template <class F> std::string output_of(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
}
// A whole file's bytes, "" when it cannot be read.
inline std::string read_all(const std::string &path) {
    return std::string(
        std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}
// How many times `what` occurs in s.
inline size_t count_of(const std::string &s, const char *what) {
    size_t n = 0;
    for (size_t at = s.find(what); at != s.npos; at = s.find(what, at + 1)) n++;
    return n;
}
// Several values in one check, so that a failure prints them all.
template <class... T> std::vector<double> all(T... v) {
    return {double(v)...};
}
