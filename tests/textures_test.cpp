// TGA loading: every refused header or body leaves the name slot alone; accepted files reach
// the GL bottom row first with the right format, filter and untouched pixel-store state.
#include "gl_fixture.h"
#include "scratch.h"

#include "render/textures.h"

#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes tga_header(int w, int h, int bits) {
    Bytes b(18, 0);
    b[2] = 2;
    b[12] = static_cast<unsigned char>(w & 255);
    b[13] = static_cast<unsigned char>(w >> 8);
    b[14] = static_cast<unsigned char>(h & 255);
    b[15] = static_cast<unsigned char>(h >> 8);
    b[16] = static_cast<unsigned char>(bits);
    b[17] = 0x08; // descriptor: ignored by the loader
    return b;
}

// A w x h file whose pixel i (file order) is BGR(A) = (i, 100 + i, 200 + i[, 50 + i]).
Bytes tga_file(int w, int h, int bits) {
    Bytes b = tga_header(w, h, bits);
    for (int i = 0; i < w * h; i++) {
        b.push_back(static_cast<unsigned char>(i));
        b.push_back(static_cast<unsigned char>(100 + i));
        b.push_back(static_cast<unsigned char>(200 + i));
        if (bits == 32) b.push_back(static_cast<unsigned char>(50 + i));
    }
    return b;
}

void write_file(const char *path, const Bytes &b) {
    FILE *f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    if (!b.empty()) {
        ASSERT_EQ(std::fwrite(b.data(), 1, b.size(), f), b.size());
    }
    std::fclose(f);
}

class LoadGLTexturesTest : public glfix::GlTest {
  protected:
    ScratchDir dir{false};
    unsigned int names[3] = {11, 22, 33};

    // Loads bytes into slot 1 and expects a refusal that touches nothing.
    void expect_refused(const Bytes &b, const char *why) {
        SCOPED_TRACE(why);
        write_file("bad.tga", b);
        GLint bound_before = 0, bound_after = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_before);
        EXPECT_EQ(LoadGLTextures(1, "bad.tga", names, 1), 0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_after);
        EXPECT_EQ(names[0], 11u);
        EXPECT_EQ(names[1], 22u);
        EXPECT_EQ(names[2], 33u);
        EXPECT_EQ(bound_after, bound_before);
    }

    Bytes read_back(GLenum format, int bytes) {
        Bytes out(static_cast<size_t>(bytes));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        return out;
    }
};

TEST_F(LoadGLTexturesTest, RefusesEverythingOutsideTheSubset) {
    Bytes b = tga_file(2, 2, 24);
    expect_refused(Bytes(), "empty file");
    expect_refused(Bytes(b.begin(), b.begin() + 17), "header one byte short");

    Bytes id = b;
    id[0] = 4;
    id.insert(id.begin() + 18, {1, 2, 3, 4});
    expect_refused(id, "image ID present");
    Bytes cmap = b;
    cmap[1] = 1;
    expect_refused(cmap, "colour map type 1");
    Bytes cmap_spec = b;
    cmap_spec[5] = 1;
    expect_refused(cmap_spec, "colour map specification not zero");
    Bytes rle = b;
    rle[2] = 10;
    expect_refused(rle, "run-length encoded");
    Bytes grey = tga_file(2, 2, 24);
    grey[2] = 3;
    expect_refused(grey, "grey-scale type");
    for (int bits : {8, 16, 15, 0, 33}) {
        Bytes bb = tga_file(2, 2, 24);
        bb[16] = static_cast<unsigned char>(bits);
        expect_refused(bb, ("bits " + std::to_string(bits)).c_str());
    }
    Bytes ox = b;
    ox[8] = 1;
    expect_refused(ox, "x origin 1");
    Bytes oy = b;
    oy[11] = 1;
    expect_refused(oy, "y origin 256");
    expect_refused(tga_header(0, 2, 24), "zero width");
    expect_refused(tga_header(2, 0, 32), "zero height");

    Bytes short_px = b;
    short_px.pop_back();
    expect_refused(short_px, "pixel data one byte short");
    Bytes short32 = tga_file(3, 3, 32);
    short32.pop_back();
    expect_refused(short32, "32-bit pixel data one byte short");
}

TEST_F(LoadGLTexturesTest, RefusesHeadersClaimingMoreThanTheFileOrMemoryHolds) {
    // 65535 x 65535 x 4 bytes overflows 32 bits and fits no sensible memory.
    Bytes huge = tga_header(65535, 65535, 32);
    huge.resize(huge.size() + 4096, 7);
    expect_refused(huge, "65535 x 65535, 32 bits");
    Bytes big = tga_header(4096, 4096, 24);
    big.resize(big.size() + 1000, 7);
    expect_refused(big, "header far larger than file");

    TgaHeader h{1, 2, 3, 4};
    Bytes head = tga_header(65535, 65535, 32);
    EXPECT_EQ(tga_parse_header(head.data(), &h), 0);
    EXPECT_EQ(h.width, 1); // untouched on refusal
    head = tga_header(8192, 8192, 32);
    ASSERT_EQ(tga_parse_header(head.data(), &h), 1);
    EXPECT_EQ(h.pixel_bytes, size_t(8192) * 8192 * 4);
    head = tga_header(8193, 8192, 32);
    EXPECT_EQ(tga_parse_header(head.data(), &h), 0);
}

TEST_F(LoadGLTexturesTest, Accepts24BitAsRgbFirstFileRowAtTheBottom) {
    // 3 pixels of 3 bytes: 9-byte rows, which the default 4-byte alignment would misread.
    Bytes b = tga_file(3, 2, 24);
    b.insert(b.end(), {9, 9, 9}); // trailing bytes are ignored
    write_file("rgb.tga", b);
    GLint align_before = 0, align_after = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align_before);
    ASSERT_EQ(LoadGLTextures(2, "rgb.tga", names, 0), 1);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align_after);
    EXPECT_EQ(align_after, align_before);
    EXPECT_EQ(names[1], 22u);
    ASSERT_NE(names[2], 33u);
    ASSERT_NE(names[2], 0u);

    GLint bound = 0, w = 0, h = 0, fmt = 0, minf = 0, magf = 0, wrap = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<unsigned>(bound), names[2]);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &fmt);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minf);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magf);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(fmt, GL_RGB);
    EXPECT_EQ(minf, GL_NEAREST);
    EXPECT_EQ(magf, GL_NEAREST);
    EXPECT_EQ(wrap, GL_REPEAT);

    // glGetTexImage returns the t = 0 row first: that must be the file's first row.
    Bytes px = read_back(GL_RGB, 3 * 2 * 3);
    for (int i = 0; i < 6; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(px[3 * i + 0], 200 + i); // red was the third byte in the file
        EXPECT_EQ(px[3 * i + 1], 100 + i);
        EXPECT_EQ(px[3 * i + 2], i);
    }
}

TEST_F(LoadGLTexturesTest, Accepts32BitAsRgbaKeepingAlphaAndLinearFilter) {
    write_file("rgba.tga", tga_file(2, 3, 32));
    ASSERT_EQ(LoadGLTextures(0, "rgba.tga", names, 1), 1);
    EXPECT_NE(names[0], 11u);
    GLint fmt = 0, minf = 0, magf = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &fmt);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minf);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magf);
    EXPECT_EQ(fmt, GL_RGBA);
    EXPECT_EQ(minf, GL_LINEAR);
    EXPECT_EQ(magf, GL_LINEAR);
    Bytes px = read_back(GL_RGBA, 2 * 3 * 4);
    for (int i = 0; i < 6; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(px[4 * i + 0], 200 + i);
        EXPECT_EQ(px[4 * i + 1], 100 + i);
        EXPECT_EQ(px[4 * i + 2], i);
        EXPECT_EQ(px[4 * i + 3], 50 + i);
    }
}

TEST_F(LoadGLTexturesTest, MissingFileAndFolderAreRefused) {
    EXPECT_EQ(LoadGLTextures(0, "nowhere.tga", names, 1), 0);
    ScratchDir::mkdir_p("folder.tga");
    EXPECT_EQ(LoadGLTextures(0, "folder.tga", names, 1), 0);
    EXPECT_EQ(names[0], 11u);
}

} // namespace
