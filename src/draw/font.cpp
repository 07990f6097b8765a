// Bitmap-font text: pure pen and texture-cell arithmetic plus the thin GL loop over it.
#include "draw/font.h"

#include <GL/gl.h>

#include <cstring>

unsigned int font = 0;

void initfont(unsigned int texture) {
    font = texture;
}

FontPen font_pen_start(int x, int y, int size, const char *text, int flags) {
    FontPen pen{x, x, y};
    if (flags & 1) {
        // Evaluated left to right in double, then truncated, as the pen rules demand.
        double len = static_cast<double>(std::strlen(text));
        pen.px = static_cast<int>(x - 0.4 * len * size);
    }
    return pen;
}

int font_pen_step(FontPen *pen, int size, unsigned char b, GlyphQuad *quad) {
    if (b == 10) {
        pen->px = pen->x0;
        pen->py = static_cast<int>(pen->py + 1.7 * size);
        return 0;
    }
    // Bytes below 33 have no cell; those other than the line break advance like a space.
    if (b < FONT_FIRST_BYTE) {
        pen->px = static_cast<int>(pen->px + 0.8 * size);
        return 0;
    }
    int n = b - FONT_FIRST_BYTE;
    int row = n / FONT_COLUMNS, column = n % FONT_COLUMNS;
    double T = 1 - row / 15.4, S = column / 23.15;
    // The right edge drops 1/15.5 instead of 1/15.4: the cells are not quite rectangular.
    const double s[4] = {S, S + 1 / 23.2, S + 1 / 23.2, S};
    const double t[4] = {T - 1 / 15.4, T - 1 / 15.5, T, T};
    double left = pen->px, top = pen->py;
    const double xs[4] = {left, left + size, left + size, left};
    const double ys[4] = {top + 1.6 * size, top + 1.6 * size, top, top};
    for (int k = 0; k < 4; k++) {
        quad->s[k] = static_cast<float>(s[k]);
        quad->t[k] = static_cast<float>(t[k]);
        quad->x[k] = static_cast<float>(xs[k]);
        quad->y[k] = static_cast<float>(ys[k]);
    }
    pen->px = static_cast<int>(pen->px + 0.8 * size);
    return 1;
}

int font_text_span(int x, int size, const char *text, int flags, int *left, int *right) {
    FontPen pen = font_pen_start(x, 0, size, text, flags);
    GlyphQuad q;
    int quads = 0;
    for (const char *c = text; *c; c++) {
        if (!font_pen_step(&pen, size, static_cast<unsigned char>(*c), &q)) continue;
        const int l = static_cast<int>(q.x[0]), r = static_cast<int>(q.x[1]);
        *left = quads == 0 || l < *left ? l : *left;
        *right = quads == 0 || r > *right ? r : *right;
        quads++;
    }
    return quads;
}

void f_print(int x, int y, int size, const char *text, int flags) {
    if (!text) return;
    FontPen pen = font_pen_start(x, y, size, text, flags);
    glBindTexture(GL_TEXTURE_2D, font);
    glBegin(GL_QUADS);
    GlyphQuad q;
    for (const char *c = text; *c; c++) {
        if (!font_pen_step(&pen, size, static_cast<unsigned char>(*c), &q)) continue;
        for (int k = 0; k < 4; k++) {
            glTexCoord2f(q.s[k], q.t[k]);
            glVertex2f(q.x[k], q.y[k]);
        }
    }
    glEnd();
}
