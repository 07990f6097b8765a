// The window and its event callbacks: start-up, input, and the display callback that runs the
// frame loop.
#include "shell/shell.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/common.h"
#include "base/config.h"
#include "draw/views.h"
#include "engine/engine.h"
#include "gui/gui.h"
#include "engine/physics.h"
#include "shell/frame.h"
#include "shell/window.h"
#include "world/saver.h"
#include "world/streamer.h"

namespace {

constexpr int KEY_ESCAPE = 27;
constexpr int KEY_TAB = 9;
constexpr int KEY_SPACE = 32;

// Set from the signal handler; the callbacks turn it into a normal exit so the world is saved.
volatile std::sig_atomic_t stop_signal = 0;

void on_stop_signal(int) {
    stop_signal = 1;
}

void install_stop_handlers() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    // A second signal ends the process at once, in case saving hangs.
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // Closing the terminal that started the game, or an ssh logout, must save like SIGTERM.
    sigaction(SIGHUP, &sa, nullptr);
    // Standard output is often a pipe to a logger; once its reader is gone a printed line
    // must fail as a write, not end the game before its chunks are saved.
    signal(SIGPIPE, SIG_IGN);
}

void check_stop_signal() {
    if (stop_signal && !shell_quit_requested()) shell_leave_main_loop();
}

void clear_buffers() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void present_frame() {
    e_render();
    glutSwapBuffers();
}

void set_title(const char *title) {
    glutSetWindowTitle(title);
}

FrameCalls game_calls() {
    FrameCalls c = frame_engine_calls();
    c.clock = GetTickCount;
    c.clear = clear_buffers;
    c.present = present_frame;
    // The chunk file the frame handed to the save thread is written while the picture is
    // finished and the frame cap waits, and collected before the events and the next frame
    // could print or touch a chunk.
    c.waited = stream_collect_write;
    c.set_title = set_title;
    return c;
}

const FrameCalls frame_calls = game_calls();

void Display() {
    check_stop_signal();
    frame_display(frame_calls);
}

// The chunks are saved once the main loop has returned, as on every other way out.
void Close() {
    glutLeaveMainLoop();
}

void idle() {
    check_stop_signal();
    glutPostRedisplay();
}

} // namespace

void Key(unsigned char key, int, int) {
    if (key == KEY_ESCAPE) {
        shell_leave_main_loop();
    } else if (key == KEY_TAB) {
        const int mode = game_state.fly_mode == 0 ? 1 : 0;
        std::printf("chenged fly %i \n", mode);
        fly_m(mode);
    } else if (key == KEY_SPACE) {
        e_jump();
    }
    input.keys[key] = 1;
    send_key(key);
}

void KeyUp(unsigned char key, int, int) {
    std::printf("%i \n", key);
    input.keys[key] = 0;
    // The release carries the Shift state of its own moment, not the press's: Shift let go
    // before the letter turns the release of a pressed 'S' into an 's'. Both cases go, or
    // the other one stays held and keeps the player moving.
    if (key >= 'a' && key <= 'z') input.keys[key - 'a' + 'A'] = 0;
    if (key >= 'A' && key <= 'Z') input.keys[key - 'A' + 'a'] = 0;
}

void Mouse(int button, int state, int, int) {
    // The click position is not used: the menu keeps the one from the last motion event.
    if (state == 0)
        mouse_down(button);
    else if (state == 1)
        mouse_up(button);
}

void PassiveMotion(int x, int y) {
    const GameParams *p = get_par_str();
    const int cx = p->window_width / 2;
    const int cy = p->window_height / 2;
    // The warp below sends the pointer back to the centre, and that event must not count.
    if (x == cx && y == cy) return;
    // Assignments: of several events between two frames only the last one turns the view.
    input.sm_x = x - cx;
    input.sm_y = y - cy;
    if (e_is_gui() == 0) {
        shell_warp_pointer(cx, cy);
        return;
    }
    input.mouse_x = static_cast<int>(float(MENU_W) / p->window_width * x);
    input.mouse_y = static_cast<int>(float(MENU_H) / p->window_height * y);
    set_mouse(input.mouse_x, input.mouse_y);
}

void Reshape(int w, int h) {
    glViewport(0, 0, w, h);
    view_scene_projection();
    GameParams *p = get_par_str();
    p->window_width = w;
    p->window_height = h;
    save();
}

EngineCalls shell_engine_calls() {
    EngineCalls c = e_render_calls();
    c.leave_main_loop = shell_leave_main_loop;
    c.hide_cursor = shell_hide_cursor;
    return c;
}

namespace {

// The window at the stored size and place, the pointer at its centre.
void open_window(int *argc, char **argv, const GameParams &p) {
    glutInitWindowSize(p.window_width, p.window_height);
    glutInitWindowPosition(p.window_x, p.window_y);
    glutInit(argc, argv);
    // main must get control back to save the world, whichever way the loop ends.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    std::snprintf(buff, sizeof buff, "Tessaron, v%s, %s", TESS_VERSION, "linux");
    glutCreateWindow(buff);
    shell_set_glut_running(1);
    shell_pin_gl_driver();
    glutWarpPointer(p.window_width / 2, p.window_height / 2);
}

void set_window_callbacks() {
    glutDisplayFunc(Display);
    glutKeyboardFunc(Key);
    glutKeyboardUpFunc(KeyUp);
    glutReshapeFunc(Reshape);
    glutPassiveMotionFunc(PassiveMotion);
    glutIdleFunc(idle);
    glutReshapeFunc(Reshape);
    glutMouseFunc(Mouse);
    glutMotionFunc(PassiveMotion);
    glutCloseFunc(Close);
}

} // namespace

int shell_main(int argc, char **argv) {
    // Diagnostics go to pipes line by line, not when a buffer fills.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    install_stop_handlers();

    std::memset(input.keys, 0, sizeof input.keys);
    load();
    const GameParams *p = get_par_str();
    input.mouse_x = 0;
    input.mouse_y = 0;
    input.c_rot_x = 0;
    input.c_rot_y = 0;

    open_window(&argc, argv, *p);
    frame_start(frame_calls);
    set_window_callbacks();

    // TESS_SAVE_THREAD=1 writes the chunk files on a thread of their own.
    const char *save_thread = std::getenv("TESS_SAVE_THREAD");
    stream_set_writer(save_thread && std::strcmp(save_thread, "1") == 0);
    e_set_calls(shell_engine_calls());
    e_init();
    e_init_gui();

    GLint max_texture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    std::printf("max texture size %i \n", max_texture);
    setVSync(0);

    glutMainLoop();
    shell_set_glut_running(0);

    // Chunks that could not be written are lost with the process: never report that as success.
    const int saved = save_all(game);
    // Chunk files are renamed into place unflushed during play; a power cut soon after
    // quitting must not take the last game with it.
    const int flushed = save_flush();
    stream_set_writer(0);
    return saved && flushed ? 0 : 1;
}
