// The world of the game being played as the world floor sees it: the chunk grid, its size,
// the streaming radius and the chunk cool-down. No GL here.
#pragma once

#include <cstdint>

// The grid is set by the game start (initialize_world); the size and the radius by the game
// start too.
struct WorldState {
    // Grid of world_size * world_size * 10 slot numbers; null between games.
    uint16_t *world = nullptr;
    int world_size = 10;     // chunks per side; 10 until a game starts
    int vision_range = 1;    // streaming radius in chunks; 1 until a game starts
    int already_created = 0; // chunk bring-in cool-down: 0 allows the next one; the streamer sets
                             // it, each physics step lowers it
};

extern WorldState world_state;
