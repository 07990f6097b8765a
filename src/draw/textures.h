// Image files to GL textures: the uncompressed 24- and 32-bit TGA subset the game's pictures
// are stored in.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t TGA_HEADER_BYTES = 18;
// Pixel data above this is refused before anything is allocated (a 8192 x 8192 RGBA image).
constexpr uint64_t TGA_MAX_PIXEL_BYTES = 256ull << 20;

struct TgaHeader {
    int width, height;  // pixels, 1 to 65535
    int bits;           // 24 or 32
    size_t pixel_bytes; // width * height * bits / 8, at most TGA_MAX_PIXEL_BYTES
};

// Parses the 18-byte header: 1 with *out filled when it is uncompressed true colour with no
// ID, no colour map, zero origin, non-zero sides, 24 or 32 bits and pixel data within
// TGA_MAX_PIXEL_BYTES; otherwise 0 and *out untouched.
int tga_parse_header(const unsigned char header[TGA_HEADER_BYTES], TgaHeader *out);

// Swaps the first and third byte of each of count pixels of bytes_per_pixel bytes (BGR(A) to
// RGB(A) and back).
void tga_swap_red_blue(unsigned char *pixels, size_t count, int bytes_per_pixel);

// Reads path's pixel data with red and blue swapped into RGB(A) order, and fills *out from its
// header: a malloc'ed buffer of out->pixel_bytes the caller frees, or null (and *out untouched)
// for a missing, short, unsupported or oversized file. No GL here.
unsigned char *tga_read(const char *path, TgaHeader *out);

// Loads path as a 2-D texture and writes its new name to names[index]: 1 on success; 0 for a
// missing, short, unsupported or oversized file, leaving names[index] alone. smooth != 0
// selects linear filtering, 0 nearest. The first file row becomes the bottom row (t = 0).
// Needs a current GL context; changes the 2-D texture binding and nothing else.
int LoadGLTextures(int index, const char *path, unsigned int *names, int smooth);

// GL texture names of the game's pictures, loaded once the window exists. Process-long.
struct GameTextures {
    unsigned int g_textures; // block atlas
    unsigned int sun;
    unsigned int back[5]; // menu background, logo, "rus" flag, "eng" flag; 4 unused
};
extern GameTextures textures;
