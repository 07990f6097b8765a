// Chunk save files "./saves/<world>/<cx>-<cy>-<level>.vxc" and the catalogue of saved worlds.
// No GL here.
#pragma once

#include <cstddef>

#include "world/chunks.h"

constexpr int CHUNK_FILE_BYTES = 524288;
// A chunk file's path, with its terminator, fits in this many characters.
constexpr size_t CHUNK_PATH = 256;
constexpr int CATALOGUE_SLOTS = 16;
constexpr int CATALOGUE_MAX = 14;  // names listed at most
constexpr int CATALOGUE_NAME = 64; // bytes per name, terminator included

struct WorldCatalogue {
    char names[CATALOGUE_SLOTS][CATALOGUE_NAME];
    int count; // 0..14
};

extern WorldCatalogue ctlg; // listed once at engine start
extern float s_header;      // save format version, 0.1

// Binds the module to a world: the chunk pool and the world's name (not copied); chunk files
// are found through the game's grid as it stands. Removes the "*.vxc.tmp" and "world.info.tmp"
// names (of any type, unfollowed) a crash left in the world's folder. From then on a file-size
// limit fails a save instead of ending the process (SIGXFSZ is ignored).
void init_save_load(void *pool, const char *name);
// 1 when the chunk's file exists.
int check(int cx, int cy, int level);
// Reads the chunk's file into the slot its grid cell names (its used flag may still be 0).
// Anything but a regular file (a folder, a FIFO, a device) is unreadable and never opened.
// Blocks the file does not supply, and stored values above 255, become 0 with one line each.
// 1 when the whole file was read and sound, else 0.
int load_w(int cx, int cy, int level);
// Writes the chunk's blocks whole (temporary file, then rename). 1 on success, 0 on failure
// (a line names the file and the reason; the old file is untouched).
int save_w(int cx, int cy, int level);
// save_w without the line: on failure *reason gets an errno value or SAVE_NOT_IN_MEMORY.
int save_chunk(int cx, int cy, int level, int *reason);
constexpr int SAVE_NOT_IN_MEMORY = -1;
// save_chunk's writing part, for blocks and a path of the caller's: touches nothing but the
// file system (and *reason), so another thread may run it while the blocks stay unchanged.
int write_chunk_file(const char *path, const BlockId *blocks, int *reason);
// save_w's failure line for the chunk and a reason from save_chunk.
void save_report(int cx, int cy, int level, int reason);
// Moves a chunk file that was not read whole and sound out of the way of the chunk's first
// save, to "<file>.damaged" (".damaged.1", ".2" ... ".damaged.99" when taken), with a line
// naming both. 1 when moved or no longer there; else 0 with *reason set: the file stays as it
// was.
int keep_aside(int cx, int cy, int level, int *reason);
constexpr int KEEP_ASIDE_NAMES = 100; // ".damaged" and ".damaged.1" to ".damaged.99"
// keep_aside's failure line for the chunk and its reason.
void keep_aside_report(int cx, int cy, int level, int reason);
// Text of a reason from save_chunk.
const char *save_reason(int reason);
// One line at exit: how many chunks of the bound world could not be saved, and the first reason.
void save_summary(int chunks, int reason);
// "./saves/<name>", the folder of a world, into out. False when name is null or the path does
// not fit (out then holds as much as fits).
bool world_folder_path(char *out, size_t size, const char *name);
// "./saves/<world>/<cx>-<cy>-<level>.vxc", the file of a chunk of the bound world, into out.
// False when no world is bound or the path does not fit.
bool chunk_path(char *out, size_t size, int cx, int cy, int level);
// Creates "./<path>" and any missing parents. Returns mkdir's result for the last part.
int makedir(const char *path);
// Lists the world folders of "./saves/" into cat: the first 14 names in byte order.
void find_worlds(WorldCatalogue *cat);
// World size (10, 20 or 30) of a saved world: the one its "world.info" records, or, with one
// line saying so, the smallest that holds every chunk file in its folder (10 when none).
int saved_world_size(const char *name);
// Size recorded in "./saves/<name>/world.info" (one line "size 20"); 0 when the file is
// missing, unreadable or holds anything but 10, 20 or 30.
int world_info_size(const char *name);
// 1 when something (of any type, readable or not) holds that record's name.
int world_info_exists(const char *name);
// Writes that record whole or not at all (temporary file, then rename). 1 on success, else 0
// with a line naming the file and the reason.
int write_world_info(const char *name, int size);
// Flushes the file system that holds the bound world's folder (the working folder when no
// world is bound, which also holds "cfg") to disk, once, on the way out. 1 on success; 0 after
// one line naming the folder and the reason.
int save_flush();
