// The scene and overlay projections, shared by the frame pass, the menu and the window.
#include "draw/views.h"

#include <GL/gl.h>
#include <GL/glu.h>

void view_scene_projection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0f, 1.3333334f, 0.01f, 1000.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void view_overlay_projection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 600, 0, 0, 15);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
