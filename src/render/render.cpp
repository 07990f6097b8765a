// The per-frame render pass.
#include "render/render.h"

#include <GL/gl.h>

int e_render() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return 1;
}
