// The bitmap font: 23-column glyph grid for bytes 33 to 255, drawn as one textured quad per
// byte in the 800 x 600 overlay space.
#pragma once

constexpr int FONT_COLUMNS = 23;
constexpr int FONT_FIRST_BYTE = 33;

extern unsigned int font; // font texture name; 0 until initfont

// Records the font texture that f_print binds.
void initfont(unsigned int texture);

// Draws text with its top-left at overlay pixel (x, y), glyphs size pixels wide and 1.6 *
// size tall, advancing 0.8 * size per byte; '\n' returns to x one 1.7 * size line lower.
// Bit 0 of flags centres the string on x. Binds font; the caller enables texturing and sets
// colour and blending.
void f_print(int x, int y, int size, const char *text, int flags);

// One glyph quad in draw order: vertex k is at (x[k], y[k]) with texture (s[k], t[k]).
struct GlyphQuad {
    float s[4], t[4];
    float x[4], y[4];
};

// Pen of a string being laid out: the line start x0 and the current position (px, py).
struct FontPen {
    int x0, px, py;
};

// Where the pen starts for text at (x, y) with the given size and flags.
FontPen font_pen_start(int x, int y, int size, const char *text, int flags);

// Moves the pen over byte b (not 0): 1 with *quad filled when b draws a glyph, 0 when it only
// moves the pen (space, line break, the control bytes 1 to 31).
int font_pen_step(FontPen *pen, int size, unsigned char b, GlyphQuad *quad);

// Horizontal reach of the glyph quads f_print would draw for text at x: *left to *right in
// overlay pixels. The number of quads; 0 leaves *left and *right unset.
int font_text_span(int x, int size, const char *text, int flags, int *left, int *right);
