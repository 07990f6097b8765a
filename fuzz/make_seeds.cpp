// Writes the fuzzers' seed corpus: a few small files of each kind, sound and damaged, into
// OUT/chunk, OUT/tga, OUT/lang and OUT/cfg.
//   fuzz_seeds OUT
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

std::string out;

void seed(const char *kind, int n, const std::string &bytes) {
    const std::string dir = out + "/" + kind;
    mkdir(dir.c_str(), 0755);
    const std::string path = dir + "/seed" + std::to_string(n);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f)) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

std::string le32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// A chunk input: the file's length, then the pattern that fills it.
std::string chunk(uint32_t len, const std::string &pattern) {
    return le32(len) + pattern;
}

std::string tga(int w, int h, int bits, int pixel_bytes) {
    std::string s = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    s += {char(w), char(w >> 8), char(h), char(h >> 8), char(bits), 0};
    for (int k = 0; k < pixel_bytes; k++) s += char(k * 37 + 11);
    return s;
}

std::string cfg(int32_t w, int32_t h, int32_t view, const char lang[4], int size = 40) {
    std::string s = le32(0) + le32(uint32_t(w)) + le32(uint32_t(h)) + le32(30) + le32(30) +
                    le32(uint32_t(view)) + std::string(lang, 4) + le32(3) + le32(1) + le32(0);
    return s.substr(0, size_t(size));
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT\n");
        return 2;
    }
    out = argv[1];
    mkdir(out.c_str(), 0755);
    const uint32_t whole = 524288;
    const std::string terrain("\1\0\2\0\0\0\3\0", 8), damaged("\1\0\0\1\3\0", 6);
    seed("chunk", 0, "");
    seed("chunk", 1, chunk(whole, terrain));
    seed("chunk", 2, chunk(whole, damaged));
    seed("chunk", 3, chunk(1001, terrain));
    seed("chunk", 4, chunk(whole + 1, terrain));
    seed("chunk", 5, std::string("\3\0\1", 3));

    seed("tga", 0, tga(2, 2, 24, 12));
    seed("tga", 1, tga(3, 1, 32, 12));
    seed("tga", 2, tga(5, 7, 24, 20)); // pixels missing
    seed("tga", 3, tga(1, 1, 16, 2));  // unsupported depth
    std::string rle = tga(1, 1, 24, 3);
    rle[2] = 10;
    seed("tga", 4, rle);

    seed("lang", 0, "Play\r\nOptions\r\nExit\r\n");
    seed("lang", 1, std::string(200, 'x') + "\r\nshort\r\n");
    seed("lang", 2, "no carriage return\nlast line without end");
    std::string many;
    for (int k = 0; k < 300; k++) many += "phrase " + std::to_string(k) + "\r\n";
    seed("lang", 3, many);
    seed("lang", 4, std::string("\r\n\n\0\r\n", 5));

    seed("cfg", 0, cfg(800, 600, 1, "rus"));
    seed("cfg", 1, cfg(1024, 768, 2, "eng", 12));
    seed("cfg", 2, cfg(65536, 0, 9, "xyz"));
    seed("cfg", 3, cfg(16384, 1, 3, "eng"));
    seed("cfg", 4, cfg(-1, 2147483647, -7, "rus") + "longer than a record");
    return 0;
}
