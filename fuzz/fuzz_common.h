// Shared harness of the loader fuzzers: a scratch working folder (the loaders read relative
// paths), quiet standard output, whole-file writes and reads, the seed inputs and the entry
// points. A target states only its file, its set-up, its seeds and its oracle (plain asserts,
// kept in every build type: a failed one aborts, and libFuzzer keeps the input):
//   const std::vector<std::string> fuzz::seeds = {...};
//   FUZZ_TARGET("cfg", nullptr) { ... checks on data, size ... }
// The harness writes each input to the file first; a target that builds its file from the
// input names none (nullptr) and writes it itself.
#pragma once

#include <cassert>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzz {

// A few small files of the target's kind, sound and damaged, that the search starts from.
extern const std::vector<std::string> seeds;

inline std::string scratch;

inline void write_file(const std::string &path, const void *data, size_t size) {
    std::ofstream f(path, std::ios::binary);
    if (!f.write(static_cast<const char *>(data), std::streamsize(size)).flush()) {
        std::perror(path.c_str());
        std::abort();
    }
}

inline std::string read_file(const char *path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// The seeds go into the first corpus folder named on the command line, before the fuzzer
// reads it; then the run moves into a new folder under /dev/shm when it is there (files are
// written on every run), removed at exit. The loaders' diagnostics go to /dev/null so the
// fuzzer's own lines show.
inline void start(int argc, char **argv) {
    for (int i = 1; i < argc; i++) {
        if (argv[i][0] == '-' || !std::filesystem::is_directory(argv[i])) continue;
        for (size_t n = 0; n < seeds.size(); n++)
            write_file(std::string(argv[i]) + "/seed" + std::to_string(n), seeds[n].data(),
                       seeds[n].size());
        break;
    }
    char shm[] = "/dev/shm/tess-fuzz-XXXXXX", tmp[] = "/tmp/tess-fuzz-XXXXXX";
    const char *dir = mkdtemp(shm);
    if (!dir) dir = mkdtemp(tmp);
    if (!dir || chdir(dir) != 0) {
        std::perror("scratch folder");
        std::abort();
    }
    scratch = dir;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    });
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

} // namespace fuzz

#define FUZZ_TARGET(FILE, SET_UP)                                                                  \
    static void fuzz_oracle(const uint8_t *data, size_t size);                                     \
    extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {                                 \
        fuzz::start(*argc, *argv);                                                                 \
        void (*set_up)() = SET_UP;                                                                 \
        if (set_up) set_up();                                                                      \
        return 0;                                                                                  \
    }                                                                                              \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {                      \
        const char *file = FILE;                                                                   \
        if (file) fuzz::write_file(file, data, size);                                              \
        fuzz_oracle(data, size);                                                                   \
        return 0;                                                                                  \
    }                                                                                              \
    static void fuzz_oracle(const uint8_t *data, size_t size)
