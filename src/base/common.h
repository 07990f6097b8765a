// Process-wide odds and ends shared by every subsystem: the scratch text buffer and the
// random number source that terrain and particles draw from.
#pragma once

// 256-byte scratch text buffer (window title, file paths, hotbar counts). Process-long.
extern char buff[256];

// Next non-negative random number. Defaults to the C library's rand(); tests swap in a
// scripted sequence so terrain and particles can be checked draw by draw.
int e_rand();

// Replaces the source; nullptr restores rand().
void e_set_rand_source(int (*source)());
