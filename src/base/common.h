// Process-wide odds and ends shared by every subsystem: the scratch text buffer and the
// random number source that terrain and particles draw from.
#pragma once

constexpr double PI = 3.14; // the game's angles have always used this value

// 256-byte scratch text buffer (window title, the game start's world folder, hotbar counts).
// Process-long.
extern char buff[256];

// Next non-negative random number. Defaults to the C library's rand(); tests swap in a
// scripted sequence so terrain and particles can be checked draw by draw.
int base_rand();

// Replaces the source; nullptr restores rand().
void base_set_rand_source(int (*source)());
