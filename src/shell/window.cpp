// Window-system requests from outside the shell, safe to make before GLUT starts or in tests.
#include "shell/window.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <string>

int (*wglSwapIntervalEXT)(int interval) = nullptr;

namespace {
int glut_running = 0;
int quit_requested = 0;
} // namespace

void shell_set_glut_running(int running) {
    glut_running = running;
}

void shell_leave_main_loop() {
    quit_requested = 1;
    // freeglut ends the process when asked this before glutInit.
    if (glut_running) glutLeaveMainLoop();
}

void shell_hide_cursor() {
    if (glut_running) glutSetCursor(GLUT_CURSOR_NONE);
}

int shell_quit_requested() {
    return quit_requested;
}

void shell_warp_pointer(int x, int y) {
    if (glut_running) glutWarpPointer(x, y);
}

void shell_pin_gl_driver() {
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *) {
            const std::string name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("_dri.so") != std::string::npos ||
                name.find("libgallium") != std::string::npos)
                dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

void setVSync(int interval) {
    const char *ext = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    if (!ext || !std::strstr(ext, "WGL_EXT_swap_control")) return;
    wglSwapIntervalEXT = reinterpret_cast<int (*)(int)>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("wglSwapIntervalEXT")));
    if (wglSwapIntervalEXT) wglSwapIntervalEXT(interval);
}
