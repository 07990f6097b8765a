// Reads the TGA subset of the game's images and uploads them as textures.
#include "draw/textures.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

GameTextures textures = {0, 0, {0, 0, 0, 0, 0}};

namespace {

constexpr unsigned char TGA_EXPECTED_START[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Bytes left in f after its current position, or -1 when the size cannot be known.
long long bytes_left(FILE *f) {
    struct stat st;
    long pos = std::ftell(f);
    if (pos < 0 || fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size) - pos;
}

} // namespace

int tga_parse_header(const unsigned char header[TGA_HEADER_BYTES], TgaHeader *out) {
    if (std::memcmp(header, TGA_EXPECTED_START, sizeof TGA_EXPECTED_START) != 0) return 0;
    int width = header[12] + 256 * header[13];
    int height = header[14] + 256 * header[15];
    int bits = header[16];
    if (width == 0 || height == 0 || (bits != 24 && bits != 32)) return 0;
    // 64-bit product: 65535 * 65535 * 4 does not fit 32 bits.
    uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
                     static_cast<uint64_t>(bits / 8);
    if (bytes > TGA_MAX_PIXEL_BYTES) return 0;
    out->width = width;
    out->height = height;
    out->bits = bits;
    out->pixel_bytes = static_cast<size_t>(bytes);
    return 1;
}

void tga_swap_red_blue(unsigned char *pixels, size_t count, int bytes_per_pixel) {
    for (size_t i = 0; i < count; i++) {
        unsigned char *p = pixels + i * static_cast<size_t>(bytes_per_pixel);
        unsigned char t = p[0];
        p[0] = p[2];
        p[2] = t;
    }
}

unsigned char *tga_read(const char *path, TgaHeader *out) {
    FILE *f = std::fopen(path, "rb");
    if (!f) return nullptr;
    unsigned char header[TGA_HEADER_BYTES];
    TgaHeader h;
    if (std::fread(header, 1, sizeof header, f) != sizeof header || !tga_parse_header(header, &h)) {
        std::fclose(f);
        return nullptr;
    }
    // A header may claim far more than the file holds; refuse before allocating for it.
    long long left = bytes_left(f);
    if (left >= 0 && static_cast<unsigned long long>(left) < h.pixel_bytes) {
        std::fclose(f);
        return nullptr;
    }
    unsigned char *pixels = static_cast<unsigned char *>(std::malloc(h.pixel_bytes));
    if (!pixels) {
        std::fclose(f);
        return nullptr;
    }
    if (std::fread(pixels, 1, h.pixel_bytes, f) != h.pixel_bytes) {
        std::free(pixels);
        std::fclose(f);
        return nullptr;
    }
    std::fclose(f);
    int bpp = h.bits / 8;
    tga_swap_red_blue(pixels, h.pixel_bytes / static_cast<size_t>(bpp), bpp);
    *out = h;
    return pixels;
}

int LoadGLTextures(int index, const char *path, unsigned int *names, int smooth) {
    TgaHeader h;
    unsigned char *pixels = tga_read(path, &h);
    if (!pixels) return 0;

    GLuint name = 0;
    glGenTextures(1, &name);
    names[index] = name;
    glBindTexture(GL_TEXTURE_2D, name);
    GLint filter = smooth ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    GLenum format = h.bits == 24 ? GL_RGB : GL_RGBA;
    // Rows are packed tightly in the file; the default 4-byte row alignment would make the GL
    // read past the end of a 24-bit buffer whose row length is not a multiple of 4.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), h.width, h.height, 0, format,
                 GL_UNSIGNED_BYTE, pixels);
    glPopClientAttrib();
    std::free(pixels);
    return 1;
}
