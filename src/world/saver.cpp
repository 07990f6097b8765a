// Chunk save files (one little-endian file of 262,144 block values per chunk, written whole
// through a temporary file and a rename) and the catalogue of saved worlds.
#include "world/saver.h"

#include "base/common.h"
#include "base/files.h"
#include "world/chunks.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

static_assert(CHUNK_FILE_BYTES == CHUNK_BLOCKS * int(sizeof(BlockId)),
              "a chunk file holds every block of one chunk, two bytes each");

WorldCatalogue ctlg;
float s_header;

namespace {

const char *world_name = nullptr; // the WorldChoice's name; not copied
Chunk *cubes_s = nullptr;

constexpr BlockId MAX_STORED = 255; // the per-type tables have 256 rows

// The slot the grid cell names, whether or not its used flag is set yet: streaming binds the
// cell before loading and clears the flag only after saving.
Chunk *cell_chunk(int cx, int cy, int level) {
    if (!cubes_s || !chunk_in_grid(cx, cy, level)) return nullptr;
    uint16_t cell = world_state.world[chunk_cell(cx, cy, level)];
    if (cell >= POOL_SIZE) return nullptr;
    return &cubes_s[cell];
}

constexpr bool host_little_endian() {
    return __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
}

void swap_bytes(BlockId *b, int n) {
    for (int k = 0; k < n; k++) b[k] = BlockId((b[k] >> 8) | (b[k] << 8));
}

// Reads up to n bytes; the count read, or -1 with errno set.
long read_all(int fd, char *data, size_t n) {
    size_t got = 0;
    while (got < n) {
        ssize_t r = read(fd, data + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += size_t(r);
    }
    return long(got);
}

// Values above 255 would index past the per-type tables: only a damaged file holds them.
int clear_damaged(BlockId *b) {
    int bad = 0;
    for (int k = 0; k < CHUNK_BLOCKS; k++) {
        bool over = b[k] > MAX_STORED;
        bad += over;
        b[k] = over ? 0 : b[k];
    }
    return bad;
}

bool ends_with(const char *s, const char *tail) {
    size_t n = strlen(s), t = strlen(tail);
    return n >= t && !strcmp(s + n - t, tail);
}

// A crash between writing a temporary file and its rename leaves it behind; the file it was
// meant to replace is still whole, so the leftover only takes room. Whatever else holds such a
// name (a link, a FIFO, a folder) is removed unfollowed: the next save creates it anew.
void remove_leftovers() {
    char folder[PATH_MAX], path[PATH_MAX];
    if (!world_folder_path(folder, sizeof folder, world_name)) return;
    DIR *d = opendir(folder);
    if (!d) return;
    while (dirent *e = readdir(d)) {
        if (!ends_with(e->d_name, ".vxc.tmp") && strcmp(e->d_name, "world.info.tmp") != 0) continue;
        const int n = snprintf(path, sizeof path, "%s/%s", folder, e->d_name);
        if (n < 0 || size_t(n) >= sizeof path) continue;
        if (remove_name(path) == 0) printf("removed leftover %s \n", path);
    }
    closedir(d);
}

bool is_folder(const char *parent, const dirent *e) {
    if (e->d_type == DT_DIR) return true;
    if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK) return false;
    char path[PATH_MAX];
    int n = snprintf(path, sizeof path, "%s%s", parent, e->d_name);
    if (n < 0 || size_t(n) >= sizeof path) return false;
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

void init_save_load(void *pool, const char *name) {
    cubes_s = static_cast<Chunk *>(pool);
    world_name = name;
    s_header = 0.1f;
    // A file-size limit must fail the write (EFBIG), not end the game with chunks unsaved.
    signal(SIGXFSZ, SIG_IGN);
    printf("save_load version %f, world name %s \n", s_header, name ? name : "");
    remove_leftovers();
}

bool world_folder_path(char *out, size_t size, const char *name) {
    const int n = snprintf(out, size, "./saves/%s", name ? name : "");
    return name && n >= 0 && size_t(n) < size;
}

bool chunk_path(char *out, size_t size, int cx, int cy, int level) {
    const int n =
        snprintf(out, size, "./saves/%s/%i-%i-%i.vxc", world_name ? world_name : "", cx, cy, level);
    return world_name && n >= 0 && size_t(n) < size;
}

int check(int cx, int cy, int level) {
    char path[CHUNK_PATH];
    if (!chunk_path(path, sizeof path, cx, cy, level)) return 0;
    return access(path, F_OK) == 0 ? 1 : 0;
}

int load_w(int cx, int cy, int level) {
    Chunk *c = cell_chunk(cx, cy, level);
    if (!c) return 0;
    char *dst = reinterpret_cast<char *>(c->blocks);
    char path[CHUNK_PATH];
    if (!chunk_path(path, sizeof path, cx, cy, level)) {
        memset(dst, 0, CHUNK_FILE_BYTES);
        printf("cannot read chunk %i-%i-%i: path too long, chunk left empty \n", cx, cy, level);
        return 0;
    }
    // Only a regular file is read: a FIFO named like a chunk would block the game in open or
    // read, and a device could be anything.
    struct stat st;
    if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
        memset(dst, 0, CHUNK_FILE_BYTES);
        printf("cannot read %s: not a regular file, chunk left empty \n", path);
        return 0;
    }
    long got = -1;
    bool long_file = false;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd); // swapped for something else since the stat
        fd = -1;
        errno = EINVAL;
    }
    if (fd >= 0) {
        got = read_all(fd, dst, CHUNK_FILE_BYTES);
        // Bytes past the chunk would be dropped by the next save: the file is not what the
        // game wrote, so it is kept aside like any other damaged one.
        if (got == CHUNK_FILE_BYTES && st.st_size > CHUNK_FILE_BYTES) {
            printf("long chunk file %s: %lld of %i bytes, the rest not read \n", path,
                   (long long)st.st_size, CHUNK_FILE_BYTES);
            long_file = true;
        }
        int err = errno;
        close(fd);
        errno = err;
    }
    if (got < 0) {
        memset(dst, 0, CHUNK_FILE_BYTES);
        printf("cannot read %s: %s, chunk left empty \n", path, strerror(errno));
        return 0;
    }
    // No block of the slot's previous chunk may survive past the end of a short file.
    bool whole = got == CHUNK_FILE_BYTES;
    if (!whole) {
        memset(dst + got, 0, size_t(CHUNK_FILE_BYTES - got));
        printf("short chunk file %s: %li of %i bytes, the rest left empty \n", path, got,
               CHUNK_FILE_BYTES);
    }
    if (!host_little_endian()) swap_bytes(c->blocks, CHUNK_BLOCKS);
    int bad = clear_damaged(c->blocks);
    if (bad) printf("damaged chunk file %s: %i blocks above 255 set to 0 \n", path, bad);
    return whole && !long_file && !bad ? 1 : 0;
}

int save_chunk(int cx, int cy, int level, int *reason) {
    char path[CHUNK_PATH];
    Chunk *c = cell_chunk(cx, cy, level);
    const int err = !c                                              ? SAVE_NOT_IN_MEMORY
                    : !chunk_path(path, sizeof path, cx, cy, level) ? ENAMETOOLONG
                                                                    : 0;
    if (!err) return write_chunk_file(path, c->blocks, reason);
    if (reason) *reason = err;
    return 0;
}

int write_chunk_file(const char *path, const BlockId *blocks, int *reason) {
    char tmp[CHUNK_PATH + 8];
    snprintf(tmp, sizeof tmp, "%s.tmp", path);

    int fd = create_temp(tmp, 0666);
    if (fd < 0 && errno == ENOENT) {
        // The chunk's folder: the path up to its last part.
        char folder[CHUNK_PATH];
        snprintf(folder, sizeof folder, "%s", path);
        if (char *slash = strrchr(folder, '/')) *slash = 0;
        makedir(folder);
        fd = create_temp(tmp, 0666);
    }
    if (fd < 0) {
        if (reason) *reason = errno;
        return 0;
    }
    const char *src = reinterpret_cast<const char *>(blocks);
    std::vector<BlockId> swapped;
    if (!host_little_endian()) {
        swapped.assign(blocks, blocks + CHUNK_BLOCKS);
        swap_bytes(swapped.data(), CHUNK_BLOCKS);
        src = reinterpret_cast<const char *>(swapped.data());
    }
    bool ok = write_whole(fd, src, CHUNK_FILE_BYTES);
    int err = errno;
    if (close(fd) != 0 && ok) ok = false, err = errno;
    if (ok && rename(tmp, path) != 0) ok = false, err = errno;
    if (!ok) {
        unlink(tmp);
        if (reason) *reason = err ? err : EIO;
        return 0;
    }
    return 1;
}

int keep_aside(int cx, int cy, int level, int *reason) {
    int err = 0;
    char path[CHUNK_PATH], aside[CHUNK_PATH + 24];
    if (!chunk_path(path, sizeof path, cx, cy, level)) err = ENAMETOOLONG;
    struct stat st;
    if (!err && lstat(path, &st) != 0) {
        if (errno == ENOENT) return 1; // gone meanwhile: nothing is overwritten
        err = errno;
    }
    // rename replaces its target: take the first name that nothing holds yet. A fixed number
    // of names, as a failure is tried again every second.
    for (int k = 0; !err; k++) {
        if (k >= KEEP_ASIDE_NAMES)
            err = EEXIST;
        else if (k == 0)
            snprintf(aside, sizeof aside, "%s.damaged", path);
        else
            snprintf(aside, sizeof aside, "%s.damaged.%i", path, k);
        if (err || lstat(aside, &st) == 0) continue;
        if (errno != ENOENT)
            err = errno;
        else if (rename(path, aside) != 0)
            err = errno;
        else {
            printf("damaged chunk file %s kept as %s \n", path, aside);
            return 1;
        }
    }
    if (reason) *reason = err ? err : EIO;
    return 0;
}

void keep_aside_report(int cx, int cy, int level, int reason) {
    char path[CHUNK_PATH];
    if (!chunk_path(path, sizeof path, cx, cy, level))
        snprintf(path, sizeof path, "%i-%i-%i", cx, cy, level);
    printf("cannot keep damaged chunk file %s aside: %s; it stays as it was and chunk %i-%i-%i "
           "stays in memory unsaved \n",
           path, save_reason(reason), cx, cy, level);
}

const char *save_reason(int reason) {
    return reason == SAVE_NOT_IN_MEMORY ? "not in memory" : strerror(reason);
}

void save_report(int cx, int cy, int level, int reason) {
    char path[CHUNK_PATH];
    if (reason == SAVE_NOT_IN_MEMORY)
        printf("cannot save chunk %i-%i-%i: not in memory \n", cx, cy, level);
    else if (!chunk_path(path, sizeof path, cx, cy, level))
        printf("cannot save chunk %i-%i-%i: path too long \n", cx, cy, level);
    else
        printf("cannot save %s: %s \n", path, save_reason(reason));
}

int save_w(int cx, int cy, int level) {
    int reason = 0;
    if (save_chunk(cx, cy, level, &reason)) return 1;
    save_report(cx, cy, level, reason);
    return 0;
}

void save_summary(int chunks, int reason) {
    printf("%i chunks could not be saved in ./saves/%s/, first reason: %s \n", chunks,
           world_name ? world_name : "", save_reason(reason));
}

int makedir(const char *path) {
    char p[PATH_MAX];
    int n = snprintf(p, sizeof p, "./%s", path);
    if (n < 0 || size_t(n) >= sizeof p) {
        errno = ENAMETOOLONG;
        return -1;
    }
    // Parents first, so a missing "./saves/" does not make every save fail.
    for (char *s = p + 2; *s; s++) {
        if (*s != '/') continue;
        *s = 0;
        mkdir(p, 0777);
        *s = '/';
    }
    return mkdir(p, 0777);
}

void find_worlds(WorldCatalogue *cat) {
    memset(cat, 0, sizeof *cat);
    const char *folder = "./saves/";
    DIR *d = opendir(folder);
    if (!d) return;
    // Players look for a world by its name: the list holds the first names in byte order,
    // kept sorted as entries arrive, so every entry is read.
    while (dirent *e = readdir(d)) {
        printf("%s\n", e->d_name);
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        // A cut name would resume a different world: skip what does not fit.
        if (strlen(e->d_name) >= CATALOGUE_NAME) continue;
        int at = cat->count;
        while (at > 0 && strcmp(e->d_name, cat->names[at - 1]) < 0) at--;
        if (at >= CATALOGUE_MAX || !is_folder(folder, e)) continue;
        int last = cat->count < CATALOGUE_MAX ? cat->count++ : CATALOGUE_MAX - 1;
        memmove(cat->names[at + 1], cat->names[at], size_t(last - at) * CATALOGUE_NAME);
        strcpy(cat->names[at], e->d_name);
    }
    closedir(d);
}

namespace {

// "./saves/<name>/world.info" (with suffix) into out; false when it does not fit.
bool info_path(char *out, size_t size, const char *name, const char *suffix) {
    if (!world_folder_path(out, size, name)) return false;
    const size_t used = strlen(out);
    const int n = snprintf(out + used, size - used, "/world.info%s", suffix);
    return n >= 0 && size_t(n) < size - used;
}

bool valid_size(int size) {
    return size == 10 || size == 20 || size == 30;
}

// The smallest world size that holds every chunk file in the folder; 10 when it has none.
int inferred_world_size(const char *name) {
    char folder[PATH_MAX];
    if (!world_folder_path(folder, sizeof folder, name)) return 10;
    DIR *d = opendir(folder);
    if (!d) return 10;
    int widest = -1;
    while (dirent *e = readdir(d)) {
        int cx, cy, level, used = -1;
        if (sscanf(e->d_name, "%d-%d-%d.vxc%n", &cx, &cy, &level, &used) != 3) continue;
        // Only whole chunk names count: a leftover ".tmp" or a kept ".damaged" file may carry
        // any coordinates.
        if (used < 0 || e->d_name[used] != 0 || cx < 0 || cy < 0) continue;
        if (cx > widest) widest = cx;
        if (cy > widest) widest = cy;
    }
    closedir(d);
    for (int size = 10; size < 30; size += 10)
        if (widest < size) return size;
    return 30;
}

} // namespace

int world_info_size(const char *name) {
    char path[PATH_MAX];
    if (!info_path(path, sizeof path, name, "")) return 0;
    struct stat st;
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return 0;
    char text[32] = {0};
    long got = read_all(fd, text, sizeof text - 1);
    close(fd);
    // strtol, not sscanf: a number past int's range must not wrap into a valid size.
    if (got <= 0 || strncmp(text, "size ", 5) != 0) return 0;
    char *end = nullptr;
    errno = 0;
    const long size = strtol(text + 5, &end, 10);
    if (errno || end == text + 5 || (strcmp(end, "\n") != 0 && *end != 0)) return 0;
    return size >= 10 && size <= 30 && valid_size(int(size)) ? int(size) : 0;
}

int world_info_exists(const char *name) {
    char path[PATH_MAX];
    struct stat st;
    return info_path(path, sizeof path, name, "") && lstat(path, &st) == 0 ? 1 : 0;
}

int write_world_info(const char *name, int size) {
    char path[PATH_MAX], tmp[PATH_MAX], text[32];
    if (!valid_size(size) || !info_path(path, sizeof path, name, "") ||
        !info_path(tmp, sizeof tmp, name, ".tmp"))
        return 0;
    int n = snprintf(text, sizeof text, "size %i\n", size);
    int fd = create_temp(tmp, 0666);
    bool ok = fd >= 0 && write_whole(fd, text, size_t(n));
    int err = errno;
    if (fd >= 0 && close(fd) != 0 && ok) ok = false, err = errno;
    if (ok && rename(tmp, path) != 0) ok = false, err = errno;
    if (!ok) {
        if (fd >= 0) unlink(tmp);
        printf("cannot write %s: %s \n", path, strerror(err));
    }
    return ok ? 1 : 0;
}

int saved_world_size(const char *name) {
    const int size = world_info_size(name);
    if (size) return size;
    const int guess = inferred_world_size(name);
    printf("world %s has no readable world.info: size %i inferred from its chunk files \n",
           name ? name : "", guess);
    return guess;
}

int save_flush() {
    char folder[PATH_MAX];
    if (!world_folder_path(folder, sizeof folder, world_name)) snprintf(folder, sizeof folder, ".");
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A world that never saved a chunk may have no folder yet; cfg still wants its flush.
    if (fd < 0 && errno == ENOENT) fd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // One syncfs covers every chunk file renamed into place during play, the renames
    // themselves, and the working folder's "cfg" on the same file system.
    bool ok = fd >= 0 && syncfs(fd) == 0;
    int err = errno;
    if (fd >= 0) close(fd);
    if (!ok) printf("cannot flush %s to disk: %s \n", folder, strerror(err));
    return ok ? 1 : 0;
}
