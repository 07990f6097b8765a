// Chunk file loader: every loaded block is the file's value or 0, a short or damaged file says
// so, and a sound file saved again gives the same bytes.
//
// Input: the first 4 bytes give the file's length (little-endian, modulo one whole file and
// one byte more) and the rest is repeated to fill it, so whole files come cheap; an input of
// under 4 bytes is the file as it stands.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_common.h"
#include "world/chunks.h"
#include "world/saver.h"

namespace {

constexpr const char *PATH = "./saves/fz/0-0-0.vxc";

std::vector<uint8_t> file_from(const uint8_t *data, size_t size) {
    if (size < 4) return std::vector<uint8_t>(data, data + size);
    const uint32_t len = (data[0] | data[1] << 8 | data[2] << 16 | uint32_t(data[3]) << 24) %
                         uint32_t(CHUNK_FILE_BYTES + 2);
    std::vector<uint8_t> file(len, 0);
    const size_t pattern = size - 4;
    if (pattern > 0)
        for (uint32_t k = 0; k < len; k++) file[k] = data[4 + k % pattern];
    return file;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::enter_scratch();
    world_size = 1;
    if (!initialize_world()) std::abort();
    world[chunk_cell(0, 0, 0)] = 0;
    cubes[0].used = 1;
    init_save_load(world, cubes, 1, "fz");
    makedir("saves/fz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::vector<uint8_t> file = file_from(data, size);
    fuzz::write_file(PATH, file.data(), file.size());
    // Whatever the slot held before must not survive the load.
    std::memset(cubes[0].blocks, 0xA5, sizeof cubes[0].blocks);
    const int sound = load_w(0, 0, 0);

    bool any_high = false;
    for (int k = 0; k < CHUNK_BLOCKS; k++) {
        const size_t at = size_t(2 * k);
        const unsigned lo = at < file.size() ? file[at] : 0;
        const unsigned hi = at + 1 < file.size() ? file[at + 1] : 0;
        const unsigned v = lo | hi << 8;
        any_high |= v > 255;
        FUZZ_CHECK(cubes[0].blocks[k] == (v > 255 ? 0 : v));
    }
    FUZZ_CHECK(sound == (file.size() >= size_t(CHUNK_FILE_BYTES) && !any_high));
    if (sound) {
        FUZZ_CHECK(save_w(0, 0, 0) == 1);
        const std::string saved = fuzz::read_file(PATH);
        FUZZ_CHECK(saved.size() == size_t(CHUNK_FILE_BYTES) &&
                   std::memcmp(saved.data(), file.data(), saved.size()) == 0);
    }
    return 0;
}
