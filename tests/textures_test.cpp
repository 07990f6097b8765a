// TGA loading: refusals touch no name slot nor binding; accepted files reach GL bottom row first.
#include "draw/textures.h"
#include "gl_fixture.h"
#include <fstream>
using Bytes = std::vector<unsigned char>;
// File pixel i is BGR(A) = i + BASE; a spare byte, which the loader must ignore, ends the file.
constexpr int BASE[4] = {0, 100, 200, 50};
static Bytes tga_file(int w, int h, int bits, bool with_pixels = true) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}; // uncompressed true colour, origin (0, 0)
    for (int v : {w, w >> 8, h, h >> 8, bits, 0}) b.push_back(static_cast<unsigned char>(v));
    for (int i = 0; with_pixels && i < w * h; i++)
        for (int c = 0; c < bits / 8; c++) b.push_back(static_cast<unsigned char>(i + BASE[c]));
    b.push_back(9);
    return b;
}
struct LoadGLTexturesTest : glfix::GlTest {
    ScratchDir dir{false};
    unsigned int names[3] = {11, 22, 33};
    int load(const char *path, const Bytes *b, int index, int smooth) {
        if (b) std::ofstream(path, std::ios::binary).write((const char *)b->data(), b->size());
        return LoadGLTextures(index, path, names, smooth);
    }
    void expect_refused(const char *path, const Bytes *b = nullptr) {
        EXPECT_EQ(load(path, b, 1, 1), 0);
        EXPECT_EQ(glfix::all(glfix::floats(GL_TEXTURE_BINDING_2D)[0], names[0], names[1], names[2]),
                  glfix::all(0, 11, 22, 33));
    }
};
TEST_F(LoadGLTexturesTest, RefusesEverythingOutsideTheSubset) {
    // {byte, value}, or {length, -1} to cut the file: empty, header short, pixels short, ID,
    // colour map, map spec, types 10 and 3, 8 and 16 bits, x and y origin, zero width, height.
    const int bad[][2] = {{0, -1}, {17, -1}, {29, -1}, {0, 4}, {1, 1},  {5, 1},  {2, 10},
                          {2, 3},  {16, 8},  {16, 16}, {8, 1}, {11, 1}, {12, 0}, {14, 0}};
    for (const int *c : bad) {
        SCOPED_TRACE(testing::Message() << c[0] << ": " << c[1]);
        Bytes b = tga_file(2, 2, 24);
        b.resize(c[1] < 0 ? c[0] : b.size() + 8); // spare bytes for a loader skipping a field
        if (c[1] >= 0) b[size_t(c[0])] = static_cast<unsigned char>(c[1]);
        expect_refused("bad.tga", &b);
    }
    Bytes huge = tga_file(65535, 65535, 32, false); // its size overflows 32 bits
    huge.resize(18 + 4096, 7);
    expect_refused("bad.tga", &huge);
    expect_refused("nowhere.tga");
}
TEST_F(LoadGLTexturesTest, AcceptsTrueColourWithTheFirstFileRowAtTheBottom) {
    // bits, width, height, smooth, format, filter; 9-byte rows need an unpack alignment of 1.
    const int cases[2][6] = {{24, 3, 2, 0, GL_RGB, GL_NEAREST}, {32, 2, 3, 1, GL_RGBA, GL_LINEAR}};
    for (const int *c : cases) {
        Bytes b = tga_file(c[1], c[2], c[0]);
        names[2] = 33;
        ASSERT_EQ(load("ok.tga", &b, 2, c[3]), 1) << c[0];
        GLint align = 0, w = 0, h = 0, fmt = 0, filter[2] = {};
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &fmt);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter[0]);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter[1]);
        EXPECT_TRUE(names[2] != 33 && names[1] == 22 && w == c[1] && h == c[2]) << c[0];
        EXPECT_TRUE(align == 4 && fmt == c[4] && filter[0] == c[5] && filter[1] == c[5]) << c[0];
        const int n = c[0] / 8;
        Bytes px(size_t(c[1] * c[2] * n));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GLenum(c[4]), GL_UNSIGNED_BYTE, px.data());
        for (int i = 0; i < int(px.size()); i++) // t = 0 is the file's first row; red was byte 2
            EXPECT_EQ(px[size_t(i)], i / n + BASE[i % n < 3 ? 2 - i % n : 3]) << c[0] << ": " << i;
    }
}
