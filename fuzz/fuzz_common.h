// Shared harness of the loader fuzzers: a scratch working folder (the loaders read relative
// paths), quiet standard output, whole-file writes and reads, and the entry points. A target
// states only its file, its set-up and its oracle:
//   FUZZ_TARGET("cfg", nullptr) { ... checks on data, size ... }
// The harness writes each input to the file first; a target that builds its file from the
// input names none (nullptr) and writes it itself.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzz {

inline std::string scratch;

inline void remove_scratch() {
    std::string cmd = "rm -rf '" + scratch + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", scratch.c_str());
}

// Moves into a new folder under /dev/shm when it is there (files are written on every run),
// removed at exit; the loaders' diagnostics go to /dev/null so the fuzzer's own lines show.
inline void enter_scratch() {
    char shm[] = "/dev/shm/tess-fuzz-XXXXXX", tmp[] = "/tmp/tess-fuzz-XXXXXX";
    const char *dir = mkdtemp(shm);
    if (!dir) dir = mkdtemp(tmp);
    if (!dir || chdir(dir) != 0) {
        std::perror("scratch folder");
        std::abort();
    }
    scratch = dir;
    std::atexit(remove_scratch);
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

inline void write_file(const char *path, const void *data, size_t size) {
    FILE *f = std::fopen(path, "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(path);
        std::abort();
    }
}

inline std::string read_file(const char *path) {
    std::string out;
    FILE *f = std::fopen(path, "rb");
    if (!f) return out;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
    std::fclose(f);
    return out;
}

// Stops the run with a message the fuzzer's log shows; libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

} // namespace fuzz

#define FUZZ_TARGET(FILE, SET_UP)                                                                  \
    static void fuzz_oracle(const uint8_t *data, size_t size);                                     \
    extern "C" int LLVMFuzzerInitialize(int *, char ***) {                                         \
        fuzz::enter_scratch();                                                                     \
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
