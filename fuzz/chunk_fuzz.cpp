// Chunk file loader: every loaded block is the file's value or 0, a short or damaged file says
// so, and a sound file saved again gives the same bytes.
//
// Input: the first 4 bytes give the file's length (little-endian, modulo one whole file and
// one byte more) and the rest is repeated to fill it, so whole files come cheap; an input of
// under 4 bytes is the file as it stands.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "world/chunks.h"
#include "world/saver.h"

namespace {

constexpr const char *PATH = "./saves/fz/0-0-0.vxc";

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the expected blocks are the file's bytes");

std::vector<uint8_t> file_from(const uint8_t *data, size_t size) {
    if (size < 4) return std::vector<uint8_t>(data, data + size);
    const uint32_t len = (data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24) %
                         uint32_t(CHUNK_FILE_BYTES + 2);
    std::vector<uint8_t> file(len, 0);
    // The pattern once, then the filled part copied onto the rest, doubling each time.
    for (size_t done = 0; size > 4 && done < len;) {
        const size_t n = done == 0 ? std::min(size - 4, size_t(len)) : std::min(done, len - done);
        std::memcpy(file.data() + done, done == 0 ? data + 4 : file.data(), n);
        done += n;
    }
    return file;
}

const std::string TERRAIN("\1\0\2\0\0\0\3\0", 8); // turf, floor, air and earth in turn

// An input: the file's length, then the pattern that fills it.
std::string chunk(uint32_t len, const std::string &pattern) {
    return std::string{char(len), char(len >> 8), char(len >> 16), char(len >> 24)} + pattern;
}

BlockId want[CHUNK_BLOCKS];

void one_chunk_world() {
    world_state.world_size = 1;
    if (!initialize_world()) std::abort();
    world_state.world[chunk_cell(0, 0, 0)] = 0;
    cubes[0].used = 1;
    init_save_load(cubes, "fz");
    makedir("saves/fz");
}

} // namespace

const std::vector<std::string> fuzz::seeds = {
    "",
    chunk(CHUNK_FILE_BYTES, TERRAIN),
    chunk(CHUNK_FILE_BYTES, std::string("\1\0\0\1\3\0", 6)), // a value above 255
    chunk(1001, TERRAIN),
    chunk(CHUNK_FILE_BYTES + 1, TERRAIN),
    std::string("\3\0\1", 3),
};

FUZZ_TARGET(nullptr, one_chunk_world) {
    const std::vector<uint8_t> file = file_from(data, size);
    fuzz::write_file(PATH, file.data(), file.size());
    // Whatever the slot held before must not survive the load.
    std::memset(cubes[0].blocks, 0xA5, sizeof cubes[0].blocks);
    const int sound = load_w(0, 0, 0);

    // Each block is the file's little-endian value, 0 past its end or above 255.
    std::memset(want, 0, sizeof want);
    if (!file.empty())
        std::memcpy(want, file.data(), file.size() < sizeof want ? file.size() : sizeof want);
    bool any_high = false;
    for (BlockId &v : want) {
        any_high |= v > 255;
        v = v > 255 ? 0 : v;
    }
    assert(std::memcmp(want, cubes[0].blocks, sizeof want) == 0);
    assert(sound == (file.size() == size_t(CHUNK_FILE_BYTES) && !any_high)); // a tail: damaged
    if (sound) {
        assert(save_w(0, 0, 0) == 1);
        const std::string saved = fuzz::read_file(PATH);
        assert(saved.size() == size_t(CHUNK_FILE_BYTES) &&
               std::memcmp(saved.data(), file.data(), saved.size()) == 0);
    }
}
