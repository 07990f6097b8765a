// The settings record: read once at start, written whole to "cfg" after every change.
#include "base/config.h"

#include "base/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

GameParams game_param;
int st_page = 0;

namespace {

constexpr const char *CFG_NAME = "cfg";
// Written first and renamed over "cfg", so a crash mid-write leaves the old file whole.
constexpr const char *CFG_TEMP = "cfg.tmp";

GameParams default_params() {
    GameParams p{};
    p.window_width = 800;
    p.window_height = 600;
    p.window_x = 30;
    p.window_y = 30;
    p.view_distance = 1;
    std::memcpy(p.language, "rus", 4);
    p.world_counter = 1;
    p.fog_enabled = 1;
    return p;
}

// Brings a record read from disk into the range the rest of the game relies on.
void sanitize(GameParams &p) {
    const GameParams d = default_params();
    if (p.window_width < 1) p.window_width = d.window_width;
    if (p.window_height < 1) p.window_height = d.window_height;
    // X refuses a larger window on every start, and the error does not name cfg.
    if (p.window_width > MAX_WINDOW_SIDE) p.window_width = MAX_WINDOW_SIDE;
    if (p.window_height > MAX_WINDOW_SIDE) p.window_height = MAX_WINDOW_SIDE;
    // Larger ranges overrun the 500-record chunk pool; the options screen offers only 1 to 3.
    if (p.view_distance < 1) p.view_distance = 1;
    if (p.view_distance > 3) p.view_distance = 3;
    // The code names a phrase file; never build a path from unterminated or unknown bytes.
    if (std::memcmp(p.language, "rus", 4) != 0 && std::memcmp(p.language, "eng", 4) != 0)
        std::memcpy(p.language, "rus", 4);
    p.window_x = 0; // the stored position is never used: the window always opens at (0, 0)
    p.window_y = 0;
}

int write_cfg() {
    int fd = create_temp(CFG_TEMP, 0644);
    if (fd < 0) return 0;
    // No fsync: a drag-resize writes on every event. The rename keeps the file whole, and the
    // flush on the way out puts it on disk.
    int ok = write_whole(fd, &game_param, sizeof game_param) ? 1 : 0;
    if (close(fd) != 0) ok = 0;
    if (ok && rename(CFG_TEMP, CFG_NAME) != 0) ok = 0;
    if (!ok) unlink(CFG_TEMP);
    return ok;
}

} // namespace

void load() {
    game_param = default_params();
    // Never blocks: a FIFO named "cfg" would hold the game before its window in open or read.
    int fd = open(CFG_NAME, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0) {
        st_page = 1;
        save();
    } else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd); // a folder or a FIFO holds no settings: the defaults, as for a short file
    } else {
        // A short file fills only the fields it holds; the rest keep their defaults.
        char *p = reinterpret_cast<char *>(&game_param);
        for (size_t got = 0; got < sizeof game_param;) {
            const ssize_t n = read(fd, p + got, sizeof game_param - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        close(fd);
    }
    sanitize(game_param);
}

int save() {
    static int reported = 0;
    if (write_cfg()) return 1;
    if (!reported) {
        reported = 1;
        std::printf("settings cannot be saved: \"cfg\" is not writable here \n");
    }
    return 0;
}

GameParams *get_par_str() {
    return &game_param;
}
