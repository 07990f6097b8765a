// The settings record and its 40-byte file "cfg" in the working folder.
#pragma once

#include <cstdint>

// Mirrors "cfg" byte for byte (little-endian host). Process-long.
struct GameParams {
    int32_t reserved_head; // not interpreted
    int32_t window_width;  // pixels; written on every reshape
    int32_t window_height; // pixels
    int32_t window_x;      // forced to 0 after every read
    int32_t window_y;      // forced to 0 after every read
    int32_t view_distance; // chunks, 1..3 after a read
    char language[4];      // "rus" or "eng", zero-terminated after a read
    int32_t world_counter; // number in the default name "world %i"
    int32_t fog_enabled;   // 1 on, 0 off
    int32_t reserved_tail; // not interpreted
};
static_assert(sizeof(GameParams) == 40, "cfg is exactly 40 bytes");

constexpr int MAX_WINDOW_SIDE = 16384; // pixels; a read brings each side into 1..this

extern GameParams game_param;
// Menu page shown first: 1 (language page) when "cfg" had to be created, else 0.
extern int st_page;

// Reads "cfg" into game_param, creating it from the defaults (and setting st_page to 1) when
// it cannot be opened. Fields a short file lacks keep their defaults; a side below 1 or above
// MAX_WINDOW_SIDE, a view distance outside 1..3 or an unknown language is mended; the position
// becomes (0, 0).
void load();
// Writes game_param to "cfg" whole (temporary file, then rename). 1 on success, 0 on failure;
// the first failure prints one line saying the settings cannot be saved.
int save();
// The address of game_param.
GameParams *get_par_str();
