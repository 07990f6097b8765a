// The window and its event callbacks (minimal until the frame loop lands).
#include "shell/shell.h"

#include <GL/freeglut.h>

#include "engine/engine.h"
#include "render/render.h"

namespace {
void Display() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    e_render();
    glutSwapBuffers();
}
void Key(unsigned char k, int, int) {
    if (k == 27) glutLeaveMainLoop();
}
void idle() { glutPostRedisplay(); }
} // namespace

int shell_main(int argc, char **argv) {
    glutInitWindowSize(800, 600);
    glutInit(&argc, argv);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Tessaron, v0.10, linux");
    glutDisplayFunc(Display);
    glutKeyboardFunc(Key);
    glutIdleFunc(idle);
    e_init();
    e_init_gui();
    glutMainLoop();
    return 0;
}
