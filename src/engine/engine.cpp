// Engine life cycle: start-up, the game start and the input entry points.
#include "engine/engine.h"

#include <GL/gl.h>
#include <GL/glu.h>

int gui = 1;
int game = 0;
unsigned int g_textures = 0;
unsigned int sun = 0;
unsigned int back[5] = {0, 0, 0, 0, 0};
int mousex = 0, mousey = 0;

int e_init() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0f, 1.3333334f, 0.01f, 1000.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.9f, 0.9f, 1.0f, 1.0f);
    return 1;
}

int e_init_gui() {
    gui = 1;
    game = 0;
    return 1;
}

int e_is_gui() { return gui; }
void send_key(int) {}
void set_mouse(int x, int y) {
    mousex = x;
    mousey = y;
}
void mouse_down(int) {}
void mouse_up(int) {}
int e_init_game() { return 1; }
int e_start_world(const char *, int) { return e_init_game(); }
