// GL test set-up: one 800 x 600 window per test executable, state checks, read-back, PNGs.
#pragma once

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include "draw/views.h"
#include "scratch.h"
#include "shell/window.h"

namespace glfix {
using ::all;
// The first n values of a GL state (integers and enums come back exactly).
inline std::vector<double> floats(GLenum what, int n = 1) {
    GLfloat v[16] = {}; // values past what the state returns read as 0
    glGetFloatv(what, v);
    return std::vector<double>(v, v + n);
}

// Creates the window on first use (freeglut exits naming a display it cannot open).
inline void gl_context() {
    static const int window = [] {
        int argc = 0;
        glutInit(&argc, nullptr);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGBA);
        glutInitWindowSize(800, 600);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
        const int id = glutCreateWindow("tess-test");
        glutDisplayFunc([] {});
        glutMainLoopEvent();
        shell_pin_gl_driver(); // so the leak check at exit can still name what the driver holds
        return id;
    }();
    glutSetWindow(window);
}

struct Rgb {
    int r, g, b;
};
// A framebuffer copy with row 0 at the TOP, so (x, y) matches overlay pixels; RGB bytes.
struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    Rgb at(int x, int y) const {
        const unsigned char *p = &px[(static_cast<size_t>(y) * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
    // Pixels in [x0, x1) x [y0, y1) that differ from c by more than tol in any channel.
    int count_not(Rgb c, int x0, int y0, int x1, int y1, int tol = 8) const {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) {
                const Rgb p = at(x, y);
                n += std::max({abs(p.r - c.r), abs(p.g - c.g), abs(p.b - c.b)}) > tol;
            }
        return n;
    }
};

// Reads the back buffer (what the test drew before any swap).
inline Image read_framebuffer() {
    const size_t row = 800 * 3; // a multiple of 8: no padding at any pack alignment
    Image im{800, 600, std::vector<unsigned char>(row * 600)};
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, im.px.data());
    for (size_t y = 0; y < 300; y++) // GL's row 0 is the bottom one
        std::swap_ranges(&im.px[y * row], &im.px[(y + 1) * row], &im.px[(599 - y) * row]);
    return im;
}

// Writes im as TESS_TEST_OUT/<name>.png through ImageMagick; returns the path, or "" on failure.
inline std::string save_png(const Image &im, const std::string &name) {
    const std::string dir = TESS_TEST_OUT, png = dir + "/" + name + ".png";
    std::signal(SIGPIPE, SIG_IGN); // a convert that fails early then fails the write, not us
    FILE *f = popen(("mkdir -p '" + dir + "' && convert ppm:- '" + png + "'").c_str(), "w");
    if (!f) return "";
    std::fprintf(f, "P6\n%d %d\n255\n", im.w, im.h);
    std::fwrite(im.px.data(), 1, im.px.size(), f);
    return pclose(f) == 0 ? png : "";
}

// Context current, no GL error pending, the scene's perspective written out to check the game's.
class GlTest : public ::testing::Test {
  protected:
    std::vector<double> scene; // that projection matrix
    void SetUp() override {
        gl_context();
        while (glGetError() != GL_NO_ERROR) continue;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0f, 1.3333334f, 0.01f, 1000.0f);
        scene = floats(GL_PROJECTION_MATRIX, 16);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
    // The state every drawing pass hands back.
    void expect_pass_state() const {
        EXPECT_EQ(floats(GL_PROJECTION_MATRIX, 16), scene);
        EXPECT_EQ(floats(GL_MODELVIEW_MATRIX, 16),
                  all(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
        EXPECT_EQ(all(floats(GL_MATRIX_MODE)[0], floats(GL_MODELVIEW_STACK_DEPTH)[0],
                      floats(GL_PROJECTION_STACK_DEPTH)[0], glIsEnabled(GL_TEXTURE_2D),
                      glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_BLEND), glIsEnabled(GL_LIGHTING),
                      glIsEnabled(GL_CULL_FACE)),
                  all(GL_MODELVIEW, 1, 1, 1, 1, 0, 0, 0));
    }
};
} // namespace glfix
