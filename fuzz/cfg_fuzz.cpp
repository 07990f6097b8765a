// Settings loader: whatever "cfg" holds, the record read lies in its ranges, keeps every
// field that was already in range, and writes back as the same 40 bytes.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/config.h"
#include "fuzz_common.h"

// The record's first size bytes.
static std::string record(GameParams p, size_t size = sizeof(GameParams)) {
    return std::string(reinterpret_cast<const char *>(&p), size);
}

const std::vector<std::string> fuzz::seeds = {
    record({0, 800, 600, 30, 30, 1, "rus", 3, 1, 0}),
    record({0, 1024, 768, 30, 30, 2, "eng", 3, 1, 0}, 12),
    record({0, 65536, 0, 30, 30, 9, "xyz", 3, 1, 0}),
    record({0, 16384, 1, 30, 30, 3, "eng", 3, 1, 0}),
    record({0, -1, 2147483647, 30, 30, -7, "rus", 3, 1, 0}) + "longer than a record",
};

FUZZ_TARGET("cfg", nullptr) {
    std::memset(&game_param, 0x5A, sizeof game_param);
    st_page = 7;
    load();
    const GameParams p = game_param;
    assert(st_page == 7); // the file was there: not a first start

    // What the file held; fields it lacks read as the defaults.
    GameParams file = {0, 800, 600, 30, 30, 1, "rus", 1, 1, 0};
    std::memcpy(&file, data, size < sizeof file ? size : sizeof file);

    assert(1 <= p.window_width && p.window_width <= MAX_WINDOW_SIDE);
    assert(1 <= p.window_height && p.window_height <= MAX_WINDOW_SIDE);
    assert(p.window_x == 0 && p.window_y == 0);
    assert(1 <= p.view_distance && p.view_distance <= 3);
    assert(!std::memcmp(p.language, "rus", 4) || !std::memcmp(p.language, "eng", 4));
    auto kept = [](int32_t got, int32_t stored, int32_t lo, int32_t hi) {
        return stored < lo || stored > hi || got == stored;
    };
    assert(kept(p.window_width, file.window_width, 1, MAX_WINDOW_SIDE));
    assert(kept(p.window_height, file.window_height, 1, MAX_WINDOW_SIDE));
    assert(kept(p.view_distance, file.view_distance, 1, 3));
    assert((std::memcmp(file.language, "rus", 4) && std::memcmp(file.language, "eng", 4)) ||
           !std::memcmp(p.language, file.language, 4));
    assert(p.reserved_head == file.reserved_head && p.world_counter == file.world_counter &&
           p.fog_enabled == file.fog_enabled && p.reserved_tail == file.reserved_tail);

    // The round trip: written as held, read back unchanged.
    assert(save() == 1);
    const std::string saved = fuzz::read_file("cfg");
    assert(saved.size() == sizeof p && std::memcmp(saved.data(), &p, sizeof p) == 0);
    load();
    assert(std::memcmp(&game_param, &p, sizeof p) == 0);
}
