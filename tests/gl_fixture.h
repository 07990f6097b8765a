// Shared GL set-up for tests that draw: one 800 x 600 GLUT window per test executable
// (run under Xvfb), the game's two projections, framebuffer read-back and PNG dumps.
#pragma once

#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/window.h"

namespace glfix {

constexpr int WIN_W = 800;
constexpr int WIN_H = 600;

// Creates the window and its context on first use; later calls only make it current.
// Aborts with a message when no X display is reachable (freeglut would exit silently).
inline void gl_context() {
    static int window = 0;
    if (window) {
        glutSetWindow(window);
        return;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "GL tests need an X display (DISPLAY is unset; start Xvfb)\n");
        std::abort();
    }
    static char arg0[] = "tess_gl_test";
    static char *argv[] = {arg0, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGBA);
    glutInitWindowSize(WIN_W, WIN_H);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
    window = glutCreateWindow("tess-test");
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    // Keep the driver mapped until exit so the leak check can still name what it holds.
    shell_pin_gl_driver();
    glViewport(0, 0, WIN_W, WIN_H);
    glReadBuffer(GL_BACK);
    glDrawBuffer(GL_BACK);
}

// The projection every pass leaves behind: perspective 45 degrees, aspect 4/3, near 0.01,
// far 1000, modelview selected and identity.
inline void set_perspective() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.3333334, 0.01, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The 800 x 600 overlay space: origin top left, y downwards, depth 0 to 15.
inline void set_overlay() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 600, 0, 0, 15);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

inline void clear(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

struct Rgb {
    int r, g, b;
};

// A framebuffer copy with row 0 at the TOP, so (x, y) matches overlay pixels.
struct Image {
    int w = 0, h = 0;
    std::vector<unsigned char> px; // RGB, 3 bytes per pixel

    Rgb at(int x, int y) const {
        const unsigned char *p = &px[(static_cast<size_t>(y) * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
    // Pixels in [x0, x1) x [y0, y1) that differ from c by more than tol in any channel.
    int count_not(Rgb c, int x0, int y0, int x1, int y1, int tol = 8) const {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++) {
                Rgb p = at(x, y);
                if (std::abs(p.r - c.r) > tol || std::abs(p.g - c.g) > tol ||
                    std::abs(p.b - c.b) > tol)
                    n++;
            }
        return n;
    }
};

// Reads the back buffer (what the test drew before any swap).
inline Image read_framebuffer() {
    Image im;
    im.w = WIN_W;
    im.h = WIN_H;
    std::vector<unsigned char> raw(static_cast<size_t>(WIN_W) * WIN_H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WIN_W, WIN_H, GL_RGB, GL_UNSIGNED_BYTE, raw.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    im.px.resize(raw.size());
    const size_t row = static_cast<size_t>(WIN_W) * 3;
    for (int y = 0; y < WIN_H; y++)
        std::copy(raw.begin() + (WIN_H - 1 - y) * row, raw.begin() + (WIN_H - y) * row,
                  im.px.begin() + y * row);
    return im;
}

// Writes im as TESS_TEST_OUT/<name>.png (through a PPM and ImageMagick); returns the path,
// or "" when it could not be written.
inline std::string save_png(const Image &im, const std::string &name) {
    std::string dir = TESS_TEST_OUT;
    std::string mk = "mkdir -p '" + dir + "'";
    if (std::system(mk.c_str()) != 0) return "";
    std::string ppm = dir + "/" + name + ".ppm", png = dir + "/" + name + ".png";
    FILE *f = std::fopen(ppm.c_str(), "wb");
    if (!f) return "";
    std::fprintf(f, "P6\n%d %d\n255\n", im.w, im.h);
    std::fwrite(im.px.data(), 1, im.px.size(), f);
    std::fclose(f);
    std::string cmd = "convert '" + ppm + "' '" + png + "' && rm -f '" + ppm + "'";
    return std::system(cmd.c_str()) == 0 ? png : "";
}

// Fixture base for GL tests: context current, perspective set, no GL error pending.
class GlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gl_context();
        while (glGetError() != GL_NO_ERROR) {
        }
        set_perspective();
    }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
};

} // namespace glfix
