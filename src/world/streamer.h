// Streaming: brings chunks near the camera into the pool, draws them, and releases and saves
// those that leave the range.
#pragma once

// The camera's chunk coordinates, recomputed at the start of every draw_buffs. Per frame.
extern int c_position_x, c_position_y, c_position_z;
// Chunk creation cool-down: 0 allows the next bring-in; set to 3 by each one; the physics
// step lowers it by 1. Per game.
extern int already_created;

void draw_buffs();
// Releases and saves every chunk outside the keep range.
void re_save();
// While a game runs, releases and saves every chunk in memory.
void save_all();
