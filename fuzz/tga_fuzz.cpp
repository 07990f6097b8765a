// TGA reader: it accepts exactly the files whose header parses and whose pixel data is all
// there, and hands back that data with red and blue swapped, nothing more.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "draw/textures.h"
#include "fuzz_common.h"

// A header of the given kind (2: uncompressed true colour, 10: run-length coded) and sides,
// and pixel_bytes bytes of pixels.
static std::string tga(int w, int h, int bits, int pixel_bytes, char kind = 2) {
    std::string s = {0, 0, kind, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    s += {char(w), char(w >> 8), char(h), char(h >> 8), char(bits), 0};
    for (int k = 0; k < pixel_bytes; k++) s += char(k * 37 + 11);
    return s;
}

// Sound 24- and 32-bit images, one with pixels missing, an unsupported depth, a coded one.
const std::vector<std::string> fuzz::seeds = {tga(2, 2, 24, 12), tga(3, 1, 32, 12),
                                              tga(5, 7, 24, 20), tga(1, 1, 16, 2),
                                              tga(1, 1, 24, 3, 10)};

FUZZ_TARGET("image.tga", nullptr) {
    // Uncompressed true colour, no ID, no colour map, zero origin; sides above 0, 24 or 32
    // bits, at most 256 MiB of pixels, and all of them in the file.
    static const uint8_t start[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    TgaHeader want = {-1, -1, -1, 0}, got = want;
    bool whole = size >= TGA_HEADER_BYTES && std::memcmp(data, start, sizeof start) == 0;
    if (whole) {
        want.width = data[12] | data[13] << 8;
        want.height = data[14] | data[15] << 8;
        want.bits = data[16];
        want.pixel_bytes = size_t(want.width) * size_t(want.height) * size_t(want.bits / 8);
        whole = want.width > 0 && want.height > 0 && (want.bits == 24 || want.bits == 32) &&
                want.pixel_bytes <= (size_t(256) << 20) &&
                size - TGA_HEADER_BYTES >= want.pixel_bytes;
    }
    unsigned char *pixels = tga_read("image.tga", &got);
    assert((pixels != nullptr) == whole);
    if (!pixels) {
        assert(got.width == -1 && got.bits == -1); // untouched
        return;
    }
    assert(got.width == want.width && got.height == want.height && got.bits == want.bits &&
           got.pixel_bytes == want.pixel_bytes);
    const int bpp = want.bits / 8;
    const uint8_t *src = data + TGA_HEADER_BYTES;
    for (size_t k = 0; k < want.pixel_bytes; k++) {
        const size_t in_pixel = k % size_t(bpp); // byte 0 and byte 2 trade places
        assert(pixels[k] == src[k - in_pixel + (in_pixel % 2 ? in_pixel : 2 - in_pixel)]);
    }
    std::free(pixels);
}
