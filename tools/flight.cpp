// Headless flight: starts a named world, flies a scripted path through the real frame loop on
// a simulated clock, and prints what was drawn, streamed and saved and how long frames took.
//
//   tess_flight --world NAME [--size 1..3] [--view 1..3] [--seed N] [--frames N]
//               [--speed K] [--frame-ms MS] [--fog 0|1] [--hour H] [--pitch DEG]
//               [--per-face | --runs | --compare] [--merge-cap N] [--silhouettes 0|1]
//               [--real-clock [--spin]]
//               [--settle] [--walk-at SHARE] [--shot FRAME:FILE.tga]... [--trace FILE.csv]
//               [--save-thread 0|1]
//
// Run it from a folder holding the game's data files and a "saves" folder. --speed scales the
// movement keys (the game's own speed is 1), --frame-ms is the simulated length of one frame
// (16: one physics step per frame). The merged chunk path draws unless --per-face or --runs
// picks another; --compare draws every frame with all three, in rotating order, timing each,
// and counts the pixels in which the merged and runs pictures differ from the per-face one.
// --real-clock runs on the game's own clock and frame cap (--spin: the cap's wait spins,
// as it did before it slept). --merge-cap bounds the side of a merged quad in blocks; --silhouettes
// 0 turns off the silhouettes of chunks in full fog. --settle first lets the camera stand until
// every chunk in range is in memory (not measured). --trace writes one CSV line per measured
// frame: its number, the milliseconds of its first drawing, the chunk that arrived (0 none,
// 1 created, 2 loaded), the meshes built, the microseconds of their merges, the chunk files
// written, the faces and draw calls of the first drawing; then the microseconds of all mesh
// building, of generating or reading the chunk, of allocating its mesh arrays and of writing
// and freeing released chunks, and the CPU milliseconds of the drawings in this thread and in
// the whole process (the GL driver's own threads included). --save-thread 1 writes the chunk
// files on a thread of their own, as the game does with TESS_SAVE_THREAD=1, collected (and
// timed) as soon as the frame's pictures are finished: with no frame-cap wait to hide it in.
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/time.h>
#include <time.h>
#include <utility>
#include <vector>

#include "base/config.h"
#include "engine/engine.h"
#include "engine/physics.h"
#include "render/chunk_draw.h"
#include "render/render.h"
#include "shell/frame.h"
#include "shell/window.h"
#include "world/chunks.h"
#include "world/mesher.h"
#include "world/saver.h"
#include "world/streamer.h"

namespace {

constexpr int WIN_W = 800, WIN_H = 600;

struct Options {
    std::string world = "flight";
    int size = 1;
    int view = 1;
    unsigned seed = 1;
    int frames = 600;
    float speed = 10;
    int frame_ms = 16;
    int fog = 1;
    double hour = -1; // world clock at the start, seconds; < 0 keeps the game's own start
    float pitch = 0;  // starting pitch in degrees, positive looks down
    int path = DRAW_MERGED;
    int merge_cap = 64;
    int silhouettes = 1;
    bool compare = false;
    bool settle = false;
    bool real_clock = false; // the game's own millisecond clock and frame cap
    bool spin = false;       // real clock: the cap's wait spins instead of sleeping
    double walk_at = 0.7;    // share of the flight after which the player walks
    std::vector<std::pair<int, std::string>> shots;
    std::string trace;
    int save_thread = 0;
};

// The world's running counters, taken once a frame so the trace can show each frame's share.
struct WorldCounters {
    StreamStats stream;
    MeshStats mesh;
    static WorldCounters now() { return {stream_stats, mesh_stats}; }
};

// What one chunk path drew, frame by frame.
struct PathRun {
    int path;
    std::string name;
    std::vector<double> ms, faces, calls, silhouettes;
    long diff_pixels = 0, diff_worst = 0, diff_far = 0, diff_far_worst = 0; // against per-face
};

struct Run {
    Options opt;
    uint32_t sim_ms = 1000; // the simulated millisecond clock
    int frame = 0;          // rendered frames so far
    bool settling = false;
    int settle_frames = 0;
    int quiet_frames = 0; // settling: frames in a row in which no chunk arrived
    int steps = 0;
    std::vector<PathRun> paths; // compare: merged, runs, per-face (the reference last)
    std::vector<int> first;     // per rendered frame: the path that drew first
    std::vector<char> arrived;  // a chunk was brought in during the frame
    std::string pending_shot;   // screenshot asked for and not yet taken
    long diff_total = 0, diff_frames = 0;
    FILE *trace = nullptr;
    WorldCounters counted{}; // at the end of the last measured frame
} run;

double now_ms() {
    timeval tv;
    gettimeofday(&tv, nullptr);
    return tv.tv_sec * 1000.0 + tv.tv_usec / 1000.0;
}

double cpu_ms(clockid_t clock) {
    timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

int usage() {
    std::fprintf(stderr,
                 "usage: tess_flight --world NAME [--size 1..3] [--view 1..3] "
                 "[--seed N] [--frames N] [--speed K] [--frame-ms MS] [--fog 0|1] "
                 "[--hour SECONDS] [--pitch DEG] [--per-face | --runs | --compare] [--merge-cap N] "
                 "[--silhouettes 0|1] [--real-clock [--spin]] [--settle] [--walk-at SHARE] "
                 "[--shot FRAME:FILE.tga] [--trace FILE.csv] [--save-thread 0|1]\n");
    return 2;
}

bool parse(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--per-face") {
            o.path = DRAW_PER_FACE;
        } else if (a == "--runs") {
            o.path = DRAW_RUNS;
        } else if (a == "--compare") {
            o.compare = true;
        } else if (a == "--settle") {
            o.settle = true;
        } else if (a == "--real-clock") {
            o.real_clock = true;
        } else if (a == "--spin") {
            o.spin = true;
        } else if (!has_value) {
            return false;
        } else if (a == "--world") {
            o.world = argv[++i];
        } else if (a == "--size") {
            o.size = std::atoi(argv[++i]);
        } else if (a == "--view") {
            o.view = std::atoi(argv[++i]);
        } else if (a == "--seed") {
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--frames") {
            o.frames = std::atoi(argv[++i]);
        } else if (a == "--speed") {
            o.speed = static_cast<float>(std::atof(argv[++i]));
        } else if (a == "--frame-ms") {
            o.frame_ms = std::atoi(argv[++i]);
        } else if (a == "--fog") {
            o.fog = std::atoi(argv[++i]);
        } else if (a == "--walk-at") {
            o.walk_at = std::atof(argv[++i]);
        } else if (a == "--merge-cap") {
            o.merge_cap = std::atoi(argv[++i]);
        } else if (a == "--silhouettes") {
            o.silhouettes = std::atoi(argv[++i]);
        } else if (a == "--hour") {
            o.hour = std::atof(argv[++i]);
        } else if (a == "--pitch") {
            o.pitch = static_cast<float>(std::atof(argv[++i]));
        } else if (a == "--save-thread") {
            o.save_thread = std::atoi(argv[++i]);
        } else if (a == "--trace") {
            o.trace = argv[++i];
        } else if (a == "--shot") {
            const std::string s = argv[++i];
            const size_t colon = s.find(':');
            if (colon == std::string::npos) return false;
            o.shots.emplace_back(std::atoi(s.substr(0, colon).c_str()), s.substr(colon + 1));
        } else {
            return false;
        }
    }
    return o.frames > 0 && o.view >= 1 && o.view <= 3 && o.frame_ms > 0;
}

// The path, by share of the flight: fly ahead, turn right by 90 degrees while flying, climb
// while flying on, then walk on the ground.
void script(int frame) {
    const double t = static_cast<double>(frame) / run.opt.frames;
    std::memset(input.keys, 0, sizeof input.keys);
    input.keys['w'] = 1;
    const int turn_frames = std::max(1, run.opt.frames / 10);
    if (t >= 0.4 && t < 0.5) input.sm_x = 900 / turn_frames; // 90 degrees over the turn
    if (t >= 0.5 && t < 0.55) input.sm_y = -200 / std::max(1, run.opt.frames / 20); // look up 20
    if (t >= 0.7 && t < 0.75) input.sm_y = 200 / std::max(1, run.opt.frames / 20);  // level again
    if (t >= run.opt.walk_at && game_state.fly_mode) fly_m(0);
}

uint32_t sim_clock() {
    return run.sim_ms;
}

void scaled_move(float dx, float dy, float dz) {
    const float k = run.opt.speed;
    movecamera(dx * k, dy * k, dz * k);
}

int counted_step() {
    run.steps++;
    return e_psysix();
}

void clear_buffers() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::vector<unsigned char> read_back() {
    std::vector<unsigned char> px(static_cast<size_t>(WIN_W) * WIN_H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, WIN_W, WIN_H, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return px;
}

// Uncompressed 24-bit TGA, stored top row first (and marked so) whatever the reader assumes.
bool write_tga(const std::string &path, const std::vector<unsigned char> &rgb) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    unsigned char h[18] = {0};
    h[2] = 2;
    h[12] = WIN_W & 0xFF;
    h[13] = WIN_W >> 8;
    h[14] = WIN_H & 0xFF;
    h[15] = WIN_H >> 8;
    h[16] = 24;
    h[17] = 0x20; // top-left origin
    std::vector<unsigned char> bgr(rgb.size());
    const size_t row = static_cast<size_t>(WIN_W) * 3;
    for (int y = 0; y < WIN_H; y++) {
        const unsigned char *src = &rgb[(WIN_H - 1 - y) * row];
        unsigned char *dst = &bgr[y * row];
        for (size_t i = 0; i < row; i += 3) {
            dst[i] = src[i + 2];
            dst[i + 1] = src[i + 1];
            dst[i + 2] = src[i];
        }
    }
    const bool ok =
        std::fwrite(h, 1, 18, f) == 18 && std::fwrite(bgr.data(), 1, bgr.size(), f) == bgr.size();
    return std::fclose(f) == 0 && ok;
}

const std::string *shot_for(int frame) {
    for (const auto &s : run.opt.shots)
        if (s.first == frame) return &s.second;
    return nullptr;
}

std::string with_suffix(const std::string &path, const char *suffix) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path + suffix;
    return path.substr(0, dot) + suffix + path.substr(dot);
}

// Chunks drawn the given way from the next frame on, built with the merge cap and drawn with
// the silhouettes the options ask for.
void use_path(int path) {
    DrawOptions o;
    o.path = path;
    o.silhouettes = run.opt.silhouettes;
    o.merge.size_cap = run.opt.merge_cap;
    e_set_draw_options(o);
}

// One drawing of the frame with the chosen chunk path, timed up to the finished picture.
double draw_timed(int path) {
    use_path(path);
    const double t0 = now_ms();
    clear_buffers();
    e_render();
    glFinish();
    stream_collect_write(); // as the game does once the picture is out, and timed with it
    return now_ms() - t0;
}

// Pixels of a against the per-face picture b: differing at all, and by more than 2 steps.
void count_diff(PathRun &p, const std::vector<unsigned char> &a,
                const std::vector<unsigned char> &b) {
    long diff = 0, far = 0;
    for (size_t i = 0; i < a.size(); i += 3) {
        int most = 0;
        for (int c = 0; c < 3; c++) most = std::max(most, std::abs(a[i + c] - b[i + c]));
        diff += most > 0;
        far += most > 2;
    }
    p.diff_pixels += diff;
    p.diff_far += far;
    p.diff_worst = std::max(p.diff_worst, diff);
    p.diff_far_worst = std::max(p.diff_far_worst, far);
}

int chunks_arrived() {
    return stream_stats.created + stream_stats.loaded;
}

// Settling: the merged path alone, untimed, counting the frames in a row that brought no chunk.
void present_settling() {
    const int before = chunks_arrived();
    use_path(DRAW_MERGED);
    e_render();
    glutSwapBuffers();
    stream_collect_write();
    run.settle_frames++;
    run.quiet_frames = chunks_arrived() > before ? 0 : run.quiet_frames + 1;
    run.sim_ms += static_cast<uint32_t>(run.opt.frame_ms);
}

using Picture = std::vector<unsigned char>;

// Every path draws the frame, timed, in an order that rotates so that none always pays for the
// chunk the first drawing may bring in; with read_px, each picture is read back by path.
std::vector<Picture> draw_paths(bool read_px) {
    const size_t n = run.paths.size();
    std::vector<Picture> px(n);
    for (size_t k = 0; k < n; k++) {
        const size_t i = (k + static_cast<size_t>(run.frame)) % n;
        PathRun &p = run.paths[i];
        p.ms.push_back(draw_timed(p.path));
        p.faces.push_back(chunk_draw_stats.faces);
        p.calls.push_back(chunk_draw_stats.draw_calls);
        p.silhouettes.push_back(chunk_draw_stats.silhouettes);
        if (k == 0) run.first.push_back(int(i));
        if (read_px) px[i] = read_back();
    }
    use_path(DRAW_MERGED);
    return px;
}

// Compare: the merged and runs pictures against the per-face one, the reference drawn last.
void compare_pictures(const std::vector<Picture> &px) {
    const size_t n = run.paths.size();
    for (size_t i = 0; i + 1 < n; i++) count_diff(run.paths[i], px[i], px[n - 1]);
    run.diff_total += WIN_W * WIN_H;
    run.diff_frames++;
}

// Picture recording: one file per path, named after the path when there are several.
void write_shots(const std::string &shot, const std::vector<Picture> &px) {
    const size_t n = run.paths.size();
    for (size_t i = 0; i < n; i++) {
        const std::string name =
            n == 1 ? shot : with_suffix(shot, ("-" + run.paths[i].name).c_str());
        if (!write_tga(name, px[i])) std::fprintf(stderr, "cannot write %s\n", name.c_str());
    }
}

// One trace line for the frame just drawn: what the world did since the last one.
void trace_frame(double thread_ms, double process_ms) {
    const WorldCounters now = WorldCounters::now(), was = run.counted;
    run.counted = now;
    if (!run.trace) return;
    const PathRun &p = run.paths[size_t(run.first.back())];
    const size_t i = p.ms.size() - 1;
    const int arrival = now.stream.created > was.stream.created ? 1
                        : now.stream.loaded > was.stream.loaded ? 2
                                                                : 0;
    auto us = [](long long ns) { return double(ns) / 1000.0; };
    std::fprintf(run.trace, "%i,%.3f,%i,%lli,%.1f,%i,%.0f,%.0f,%.1f,%.1f,%.1f,%.1f,%.3f,%.3f\n",
                 run.frame, p.ms[i], arrival, now.mesh.builds - was.mesh.builds,
                 us(now.mesh.merge_ns - was.mesh.merge_ns), now.stream.saved - was.stream.saved,
                 p.faces[i], p.calls[i], us(now.mesh.build_ns - was.mesh.build_ns),
                 us(now.stream.fill_ns - was.stream.fill_ns),
                 us(now.stream.alloc_ns - was.stream.alloc_ns),
                 us(now.stream.save_ns - was.stream.save_ns), thread_ms, process_ms);
}

void present() {
    if (run.settling) return present_settling();
    const int before = chunks_arrived();
    if (const std::string *s = shot_for(run.frame)) run.pending_shot = *s;
    const bool shot = !run.pending_shot.empty();
    const bool compare_px = run.opt.compare && (shot || run.frame % 5 == 0);
    const double thread0 = cpu_ms(CLOCK_THREAD_CPUTIME_ID),
                 process0 = cpu_ms(CLOCK_PROCESS_CPUTIME_ID);
    const std::vector<Picture> px = draw_paths(compare_px || shot);
    trace_frame(cpu_ms(CLOCK_THREAD_CPUTIME_ID) - thread0,
                cpu_ms(CLOCK_PROCESS_CPUTIME_ID) - process0);
    // A chunk that arrived during the first drawing (and the neighbours rebuilt for it)
    // changes the world the others show: such frames are not compared, and a screenshot
    // waits for the next frame.
    const bool world_changed = run.paths.size() > 1 && chunks_arrived() > before;
    if (compare_px && !world_changed) compare_pictures(px);
    if (shot && !world_changed) {
        write_shots(run.pending_shot, px);
        run.pending_shot.clear();
    }
    glutSwapBuffers();
    run.arrived.push_back(chunks_arrived() > before);
    run.frame++;
    // The render is over in no time on the simulated clock; the frame's length is added here.
    run.sim_ms += static_cast<uint32_t>(run.opt.frame_ms);
}

void set_title(const char *title) {
    glutSetWindowTitle(title);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double percentile99(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(0.99 * static_cast<double>(v.size())))];
}

double worst(const std::vector<double> &v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

void report() {
    std::printf("frames drawn %i\n", run.frame);
    if (run.opt.settle) std::printf("settle frames %i\n", run.settle_frames);
    std::printf("physics steps %i\n", run.steps);
    std::printf("chunks created %i, loaded %i, saved %i\n", stream_stats.created,
                stream_stats.loaded, stream_stats.saved);
    if (stream_stats.save_failed) std::printf("chunk saves failed %i\n", stream_stats.save_failed);
    const PathRun &ref = run.paths.back();
    const double frame_px = WIN_W * WIN_H, all = run.diff_total ? run.diff_total : 1;
    for (const PathRun &p : run.paths) {
        std::printf("%s frame ms: median %.2f, p99 %.2f, worst %.2f; faces median %.0f in %.0f "
                    "calls; silhouettes median %.0f\n",
                    p.name.c_str(), median(p.ms), percentile99(p.ms), worst(p.ms), median(p.faces),
                    median(p.calls), median(p.silhouettes));
        if (!run.opt.compare || &p == &ref) continue;
        std::printf("median ratio %s / per-face %.3f\n", p.name.c_str(),
                    median(ref.ms) > 0 ? median(p.ms) / median(ref.ms) : 0.0);
        std::printf("%s pixels differing %li of %li (%.4f%%) in %li frames compared; worst frame "
                    "%li (%.4f%%)\n",
                    p.name.c_str(), p.diff_pixels, run.diff_total, 100.0 * p.diff_pixels / all,
                    run.diff_frames, p.diff_worst, 100.0 * p.diff_worst / frame_px);
        std::printf("%s pixels differing by more than 2 steps %li (%.4f%%); worst frame %li "
                    "(%.4f%%)\n",
                    p.name.c_str(), p.diff_far, 100.0 * p.diff_far / all, p.diff_far_worst,
                    100.0 * p.diff_far_worst / frame_px);
    }
    // Frames in which a chunk arrived, measured on the path that drew first in them.
    std::vector<double> arrival;
    for (size_t i = 0; i < run.arrived.size(); i++)
        if (run.arrived[i]) arrival.push_back(run.paths[size_t(run.first[i])].ms[i]);
    const double base = median(run.paths.front().ms);
    std::printf("arrival frames %zu: median %.2f ms, worst %.2f ms, median / median frame %.2f\n",
                arrival.size(), median(arrival), worst(arrival),
                base > 0 ? median(arrival) / base : 0.0);
}

// The settings and chunk paths the options ask for, over the ones "cfg" gave.
void apply_options() {
    game_param.view_distance = run.opt.view;
    game_param.fog_enabled = run.opt.fog;
    use_path(DRAW_MERGED);
    const PathRun merged{DRAW_MERGED, "merged", {}, {}, {}, {}},
        runs{DRAW_RUNS, "runs", {}, {}, {}, {}}, faces{DRAW_PER_FACE, "per-face", {}, {}, {}, {}};
    if (run.opt.compare)
        run.paths = {merged, runs, faces};
    else
        run.paths = {run.opt.path == DRAW_MERGED ? merged
                     : run.opt.path == DRAW_RUNS ? runs
                                                 : faces};
}

void open_window() {
    glutInitWindowSize(WIN_W, WIN_H);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutCreateWindow("tess_flight");
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    shell_pin_gl_driver();
}

// The game's own frame calls, with the flight's clock, movement, step count and picture.
FrameCalls flight_calls() {
    FrameCalls calls = frame_engine_calls();
    calls.clock = sim_clock;
    calls.move = scaled_move;
    calls.step = counted_step;
    calls.clear = clear_buffers;
    calls.present = present;
    calls.set_title = set_title;
    if (run.opt.real_clock) calls.clock = GetTickCount;
    if (run.opt.spin) calls.sleep = nullptr;
    return calls;
}

void settle(const FrameCalls &calls) {
    run.settling = true;
    std::memset(input.keys, 0, sizeof input.keys);
    // A chunk can arrive every CREATE_COOLDOWN steps; twice that without one is the end.
    while (run.quiet_frames < 2 * CREATE_COOLDOWN * (run.opt.frame_ms / 16 + 1) &&
           run.settle_frames < 20000) {
        frame_display(calls);
        glutMainLoopEvent();
    }
    run.settling = false;
}

// The measured flight; its CPU and wall time in milliseconds.
std::pair<double, double> fly(const FrameCalls &calls) {
    rusage before, after;
    run.counted = WorldCounters::now();
    getrusage(RUSAGE_SELF, &before);
    const double wall0 = now_ms();
    while (run.frame < run.opt.frames) {
        script(run.frame);
        frame_display(calls);
        glutMainLoopEvent();
    }
    const double wall = now_ms() - wall0;
    getrusage(RUSAGE_SELF, &after);
    auto ms = [](const timeval &t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    const double cpu =
        ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime);
    return {cpu, wall};
}

// The way out as the game takes it: every chunk saved, then one flush to disk.
void leave() {
    int in_memory = 0;
    for (const Chunk &c : cubes) in_memory += c.used;
    const double exit_start = now_ms();
    save_all(game);
    const double saved_at = now_ms();
    const int flushed = save_flush();
    std::printf("exit with %i chunks: save_all %.0f ms, flush %.0f ms%s\n", in_memory,
                saved_at - exit_start, now_ms() - saved_at, flushed ? "" : " (failed)");
}

} // namespace

int main(int argc, char **argv) {
    glutInit(&argc, argv);
    if (!parse(argc, argv, run.opt)) return usage();

    if (!run.opt.trace.empty()) {
        run.trace = std::fopen(run.opt.trace.c_str(), "w");
        if (!run.trace) {
            std::fprintf(stderr, "tess_flight: cannot write %s\n", run.opt.trace.c_str());
            return 1;
        }
        std::fprintf(run.trace, "frame,ms,arrival,meshes,merge_us,saves,faces,calls,build_us,"
                                "fill_us,alloc_us,save_us,thread_ms,process_ms\n");
    }
    load();
    apply_options();
    stream_set_writer(run.opt.save_thread);
    open_window();
    e_set_calls(e_render_calls());
    e_init();
    e_init_gui();
    srand(run.opt.seed); // after e_init, which seeds with the time
    if (!e_start_world(run.opt.world.c_str(), run.opt.size)) {
        std::fprintf(stderr, "tess_flight: the world could not be started\n");
        return 1;
    }
    std::printf("\n");
    if (run.opt.hour >= 0) game_state.world_clock = run.opt.hour;
    input.c_rot_x = run.opt.pitch;

    const FrameCalls calls = flight_calls();
    frame_start(calls);
    if (run.opt.settle) settle(calls);
    const std::pair<double, double> cpu_wall = fly(calls);
    leave();
    stream_set_writer(0);
    report();
    std::printf("cpu per frame %.2f ms, wall per frame %.2f ms\n", cpu_wall.first / run.frame,
                cpu_wall.second / run.frame);
    if (run.trace && std::fclose(run.trace) != 0) {
        std::fprintf(stderr, "tess_flight: cannot write %s\n", run.opt.trace.c_str());
        return 1;
    }
    return 0;
}
