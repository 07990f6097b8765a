// Draws every image the game reads, procedurally, into the TGA subset its loader accepts:
// the block atlas, the sun, the menu background, the title logo, the two language flags and
// the bitmap font (glyphs rendered from the DejaVu fonts through FreeType); and, on its own
// run, the desktop icons (the title's first letter) as PNG.
// Usage: mkassets <game dir> <DejaVu font dir>
//        mkassets --icons <icon dir> <DejaVu font dir>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iconv.h>
#include <png.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using Rgba = std::array<float, 4>; // 0..1, straight (not premultiplied) alpha

// Pixels in picture order: row 0 is the TOP of the picture as the game shows it.
struct Image {
    int w = 0, h = 0;
    std::vector<Rgba> px;
    Image(int width, int height, Rgba fill = {0, 0, 0, 0})
        : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}
    Rgba &at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgba &at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

constexpr float PI = 3.14159265f;

Rgba hex(uint32_t rgb, float a = 1) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f, a};
}

Rgba mix(const Rgba &a, const Rgba &b, float t) {
    Rgba r;
    for (int i = 0; i < 4; i++) r[i] = a[i] + (b[i] - a[i]) * t;
    return r;
}

Rgba scaled(Rgba c, float k) {
    for (int i = 0; i < 3; i++) c[i] *= k;
    return c;
}

// "Source over" for straight alpha.
void blend(Rgba &dst, const Rgba &src) {
    float a = src[3] + dst[3] * (1 - src[3]);
    if (a <= 0) {
        dst = {0, 0, 0, 0};
        return;
    }
    for (int i = 0; i < 3; i++) dst[i] = (src[i] * src[3] + dst[i] * dst[3] * (1 - src[3])) / a;
    dst[3] = a;
}

float clamp01(float v) {
    return v < 0 ? 0 : v > 1 ? 1 : v;
}
float smooth(float t) {
    return t * t * (3 - 2 * t);
}

uint32_t hash3(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

float rand01(int x, int y, uint32_t seed) {
    return (hash3(static_cast<uint32_t>(x), static_cast<uint32_t>(y), seed) & 0xffffff) /
           float(0x1000000);
}

int wrap(int v, int p) {
    return ((v % p) + p) % p;
}

// Value noise with lattice periods (px, py) so that it tiles.
float value_noise(float x, float y, int px, int py, uint32_t seed) {
    int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = smooth(x - x0), fy = smooth(y - y0);
    auto v = [&](int i, int j) { return rand01(wrap(i, px), wrap(j, py), seed); };
    float a = v(x0, y0) + (v(x0 + 1, y0) - v(x0, y0)) * fx;
    float b = v(x0, y0 + 1) + (v(x0 + 1, y0 + 1) - v(x0, y0 + 1)) * fx;
    return a + (b - a) * fy;
}

// Fractal sum over octaves, tiling with period (w, h) in the units of x and y; 0..1.
float tiling_fbm(float x, float y, float w, float h, int base_cells, int octaves, uint32_t seed) {
    float sum = 0, amp = 1, norm = 0;
    int cells = base_cells;
    for (int o = 0; o < octaves; o++) {
        int cx = cells, cy = std::max(1, static_cast<int>(std::lround(cells * h / w)));
        sum += amp * value_noise(x / w * cx, y / h * cy, cx, cy, seed + 977u * o);
        norm += amp;
        amp *= 0.5f;
        cells *= 2;
    }
    return sum / norm;
}

bool mkdirs(const std::string &path) {
    for (size_t i = 1; i <= path.size(); i++) {
        if (i < path.size() && path[i] != '/') continue;
        std::string part = path.substr(0, i);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// Writes img as uncompressed true colour with the default bottom-left origin: the picture's
// bottom row goes first, so the game samples t = 1 at the picture's top.
bool write_tga(const std::string &path, const Image &img, int bits) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "mkassets: cannot write %s\n", path.c_str());
        return false;
    }
    unsigned char hdr[18] = {};
    hdr[2] = 2;
    hdr[12] = static_cast<unsigned char>(img.w & 255);
    hdr[13] = static_cast<unsigned char>(img.w >> 8);
    hdr[14] = static_cast<unsigned char>(img.h & 255);
    hdr[15] = static_cast<unsigned char>(img.h >> 8);
    hdr[16] = static_cast<unsigned char>(bits);
    hdr[17] = bits == 32 ? 8 : 0; // alpha bits; origin bottom-left
    std::vector<unsigned char> out(hdr, hdr + 18);
    auto byte = [](float v) { return static_cast<unsigned char>(std::lround(clamp01(v) * 255)); };
    for (int y = img.h - 1; y >= 0; y--)
        for (int x = 0; x < img.w; x++) {
            const Rgba &p = img.at(x, y);
            out.push_back(byte(p[2]));
            out.push_back(byte(p[1]));
            out.push_back(byte(p[0]));
            if (bits == 32) out.push_back(byte(p[3]));
        }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "mkassets: short write to %s\n", path.c_str());
    return ok;
}

// ---------------------------------------------------------------------------------------
// Block tiles: 16 x 16 pixel art. Tile row 0 is the TOP edge of a side face (the mesher
// maps a cell's low v there) and the tiles repeat seamlessly block to block.

constexpr int TILE = 16;
using Tile = std::array<std::array<Rgba, TILE>, TILE>; // [row][column]

Rgba pick(const std::vector<uint32_t> &pal, float t) {
    int i = std::clamp(static_cast<int>(t * pal.size()), 0, static_cast<int>(pal.size()) - 1);
    return hex(pal[static_cast<size_t>(i)]);
}

// Per-pixel shade from tiling low-frequency noise plus a jitter, 0..1.
float tile_shade(int x, int y, uint32_t seed, float jitter) {
    float n = 0.6f * value_noise(x / 4.0f, y / 4.0f, 4, 4, seed) +
              0.4f * value_noise(x / 2.0f, y / 2.0f, 8, 8, seed + 1);
    return clamp01(n + (rand01(x, y, seed + 2) - 0.5f) * jitter);
}

Tile earth_tile() {
    const std::vector<uint32_t> pal = {0x4f331d, 0x5e3e24, 0x6d4a2b, 0x7a5533, 0x87603a};
    Tile t;
    for (int y = 0; y < TILE; y++)
        for (int x = 0; x < TILE; x++) t[y][x] = pick(pal, tile_shade(x, y, 11, 0.55f));
    // A few pebbles and dark crumbs.
    const int pebbles[][2] = {{3, 4}, {11, 2}, {8, 10}, {13, 13}, {1, 12}};
    for (const auto &p : pebbles) {
        t[p[1]][p[0]] = hex(0x8f8778);
        t[p[1]][(p[0] + 1) % TILE] = hex(0x6f685d);
        t[(p[1] + 1) % TILE][p[0]] = hex(0x5b554c);
    }
    const int crumbs[][2] = {{6, 1}, {14, 7}, {2, 8}, {10, 14}, {5, 13}, {12, 5}};
    for (const auto &c : crumbs) t[c[1]][c[0]] = hex(0x3a2614);
    return t;
}

Tile floor_tile() {
    const std::vector<uint32_t> pal = {0x1c1c20, 0x2a2a30, 0x383840, 0x474751, 0x595963};
    Tile t;
    for (int y = 0; y < TILE; y++)
        for (int x = 0; x < TILE; x++) {
            float n = tile_shade(x, y, 23, 0.35f);
            // Hard blotches: the bottom layer looks fused, not layered.
            n = n > 0.55f ? std::min(1.0f, n + 0.25f) : n * 0.8f;
            t[y][x] = pick(pal, n);
        }
    const int crack[][2] = {{2, 3},   {3, 3},   {4, 4},   {5, 4},  {6, 5},  {10, 9}, {10, 10},
                            {11, 11}, {12, 11}, {13, 12}, {7, 13}, {8, 13}, {14, 2}, {15, 2}};
    for (const auto &c : crack) t[c[1]][c[0]] = hex(0x0e0e10);
    return t;
}

const std::vector<uint32_t> GRASS = {0x3b7026, 0x47822c, 0x529433, 0x5ea33a, 0x6cb343};

Tile turf_top_tile() {
    Tile t;
    for (int y = 0; y < TILE; y++)
        for (int x = 0; x < TILE; x++) t[y][x] = pick(GRASS, tile_shade(x, y, 37, 0.7f));
    // Blade tips: light single pixels with a darker pixel below them.
    for (int k = 0; k < 14; k++) {
        int x = static_cast<int>(rand01(k, 1, 41) * TILE),
            y = static_cast<int>(rand01(k, 2, 41) * TILE);
        t[y][x] = hex(0x7fc450);
        t[(y + 1) % TILE][x] = hex(0x3f7424);
    }
    return t;
}

Tile turf_side_tile() {
    Tile t = earth_tile();
    for (int x = 0; x < TILE; x++) {
        // Fringe depth per column: 2 to 5 pixels, ragged but not noisy.
        int depth = 3 + static_cast<int>(rand01(x, 0, 53) * 2.99f) - (x % 5 == 2 ? 1 : 0);
        for (int y = 0; y < depth; y++) t[y][x] = pick(GRASS, tile_shade(x, y, 59, 0.6f));
        t[depth][x] = hex(0x3a6a22);                     // the fringe's shaded lip
        if (x % 4 == 1) t[depth + 1][x] = hex(0x365f20); // a few roots hang lower
    }
    return t;
}

Tile neutral_tile(uint32_t seed) {
    const std::vector<uint32_t> pal = {0x3a3a3a, 0x414141, 0x484848};
    Tile t;
    for (int y = 0; y < TILE; y++)
        for (int x = 0; x < TILE; x++) t[y][x] = pick(pal, tile_shade(x, y, seed, 0.3f));
    return t;
}

// 16 x 16 cells of 16 pixels. Cell (i, j) sits at u = i / 16, v = j / 16, and v = 0 is the
// first file row, i.e. the BOTTOM of the picture; inside a cell, tile row 0 goes to the
// cell's lowest v.
Image make_atlas() {
    Image img(TILE * 16, TILE * 16);
    auto put = [&](int i, int j, const Tile &t) {
        for (int r = 0; r < TILE; r++)
            for (int c = 0; c < TILE; c++)
                img.at(i * TILE + c, img.h - 1 - (j * TILE + r)) = t[r][c];
    };
    for (int j = 0; j < 16; j++)
        for (int i = 0; i < 16; i++) put(i, j, neutral_tile(100 + 16 * j + i));
    struct Used {
        int i, j;
        Tile tile;
    };
    const Used used[] = {{0, 0, earth_tile()},
                         {1, 0, floor_tile()},
                         {2, 0, turf_top_tile()},
                         {3, 0, turf_side_tile()}};
    // A flake samples a 0.01 square whose corner lies up to 0.135 past its block's cell in u
    // and in v, so it reaches the cells above that cell and to its right. Each reached cell
    // repeats the used tile of its column (a used cell is its own), or else the nearest one
    // to its left; the tiles tile seamlessly, so a flake straddling two cells sees one surface.
    const int reach = static_cast<int>((0.135f + 0.01f) * 16);
    for (int j = 0; j < 16; j++)
        for (int i = 0; i < 16; i++) {
            const Used *from = nullptr;
            for (const Used &u : used) {
                if (i < u.i || i > u.i + reach || j < u.j || j > u.j + reach) continue;
                auto rank = [&](const Used &c) { return (c.i == i ? 1000 : c.i * 16) + c.j; };
                if (!from || rank(u) > rank(*from)) from = &u;
            }
            if (from) put(i, j, from->tile);
        }
    return img;
}

// ---------------------------------------------------------------------------------------

Image make_sun() {
    const int n = 128;
    Image img(n, n);
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n; x++) {
            float dx = (x + 0.5f) / n * 2 - 1, dy = (y + 0.5f) / n * 2 - 1;
            float r = std::sqrt(dx * dx + dy * dy);
            float glow = std::pow(clamp01(1 - r), 1.7f) * 0.95f;
            Rgba c = mix(hex(0xffb347), hex(0xfff2c4), clamp01(1 - r * 1.4f));
            c[3] = glow;
            float core = clamp01((0.36f - r) * n * 0.5f); // anti-aliased disc edge
            Rgba disc = mix(hex(0xfff6d8), hex(0xffffff), clamp01(1 - r / 0.36f));
            disc[3] = core;
            blend(c, disc);
            img.at(x, y) = c;
        }
    return img;
}

// A landscape of blocks seen from above: 32-pixel squares on a 32 x 24 grid, heights from
// tiling noise, so the picture repeats seamlessly as the menu drifts across it.
Image make_background() {
    const int W = 1024, H = 768, B = 32, GX = W / B, GY = H / B;
    std::vector<int> level(static_cast<size_t>(GX * GY));
    for (int j = 0; j < GY; j++)
        for (int i = 0; i < GX; i++) {
            // Warp the lookup a little so coasts do not follow the noise lattice.
            float wx = 3 * (tiling_fbm(i + 0.5f, j + 0.5f, GX, GY, 4, 2, 17) - 0.5f);
            float wy = 3 * (tiling_fbm(i + 0.5f, j + 0.5f, GX, GY, 4, 2, 29) - 0.5f);
            float h = tiling_fbm(i + 0.5f + wx, j + 0.5f + wy, GX, GY, 4, 4, 7);
            level[static_cast<size_t>(j * GX + i)] =
                std::clamp(static_cast<int>((h - 0.22f) * 17), 0, 9);
        }
    auto lv = [&](int i, int j) {
        return level[static_cast<size_t>(wrap(j, GY) * GX + wrap(i, GX))];
    };
    // Trees stand on some grass blocks; their crowns spill over the neighbours.
    auto tree = [&](int i, int j) {
        int l = lv(i, j);
        return l >= 4 && l <= 6 &&
               hash3(static_cast<uint32_t>(wrap(i, GX)), static_cast<uint32_t>(wrap(j, GY)), 31) %
                       7 ==
                   0;
    };
    const Tile earth = earth_tile(), grass = turf_top_tile(), rock = floor_tile();
    Image img(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            int i = x / B, j = y / B, lx = x % B, ly = y % B;
            int l = lv(i, j);
            int tx = lx / 2, ty = ly / 2; // the block tiles at two pixels per texel
            Rgba c;
            if (l <= 2) { // water, deeper further down
                float ripple =
                    0.5f + 0.5f * std::sin((x + 2.0f * y) * 2 * PI / 64.0f +
                                           3 * value_noise(x / 64.0f, y / 64.0f, 16, 12, 5));
                c = mix(hex(0x1a3760), hex(0x2a5a8a), 0.22f * l + 0.2f * ripple);
            } else if (l == 3) {
                c = mix(hex(0x8a7a52), hex(0x97865c), rand01(tx + 16 * i, ty + 16 * j, 3));
            } else if (l <= 6) {
                c = grass[static_cast<size_t>(ty)][static_cast<size_t>(tx)];
                if (hash3(static_cast<uint32_t>(i), static_cast<uint32_t>(j), 9) % 11 == 0)
                    c = earth[static_cast<size_t>(ty)][static_cast<size_t>(tx)];
            } else {
                c = scaled(rock[static_cast<size_t>(ty)][static_cast<size_t>(tx)], 1.9f);
                if (l == 9) c = mix(c, hex(0xe8eef2), 0.8f); // snow on the tops
            }
            c = scaled(c, 0.72f + 0.08f * std::min(l, 7));
            // Sun from the top left: bevel the block, and shade below higher neighbours.
            if (l > 2) {
                if (lx < 2 || ly < 2) c = scaled(c, 1.15f);
                if (lx >= B - 2 || ly >= B - 2) c = scaled(c, 0.75f);
            }
            int up = lv(i, j - 1) - l, left = lv(i - 1, j) - l, diag = lv(i - 1, j - 1) - l;
            if ((up > 0 && ly < 4 + 3 * up) || (left > 0 && lx < 4 + 3 * left) ||
                (diag > 0 && lx < 3 * diag && ly < 3 * diag))
                c = scaled(c, 0.62f);
            // Tree crowns: round, dark green, pixelated, with a shadow to the lower right.
            for (int dj = -1; dj <= 1; dj++)
                for (int di = -1; di <= 1; di++) {
                    if (!tree(i + di, j + dj)) continue;
                    float cx = (i + di) * B + B / 2.0f, cy = (j + dj) * B + B / 2.0f;
                    int qx = x / 4 * 4 + 2, qy = y / 4 * 4 + 2; // 4-pixel leaves
                    float d = std::hypot(qx - cx, qy - cy);
                    float ds = std::hypot(x - cx - 7.0f, y - cy - 9.0f);
                    if (ds < 20 && d >= 19) c = scaled(c, 0.6f);
                    if (d < 19) {
                        float n = rand01(qx / 4, qy / 4, 61);
                        c = mix(hex(0x1f4d1a), hex(0x3a7a26), n);
                        c = scaled(c, 1.15f - 0.4f * clamp01((qx - cx + qy - cy + 19) / 38));
                    }
                }
            // Keep it dim and cool so white and grey menu text reads on it.
            float grey = (c[0] + c[1] + c[2]) / 3;
            c = mix(c, Rgba{grey, grey, grey, 1}, 0.3f);
            c = scaled(c, 0.46f);
            c[2] += 0.025f;
            c[3] = 1;
            img.at(x, y) = c;
        }
    return img;
}

// ---------------------------------------------------------------------------------------
// Text through FreeType.

struct Font {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    bool open(const std::string &path) {
        if (FT_Init_FreeType(&lib) != 0) return false;
        if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) {
            std::fprintf(stderr, "mkassets: cannot open font %s\n", path.c_str());
            return false;
        }
        return true;
    }
    ~Font() {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
};

// Coverage mask of one code point with its pen origin at (ox, oy) (baseline), added into
// mask (w x h, max-combined). Returns the advance in pixels, or -1 when the font lacks it.
int draw_glyph(FT_Face face, unsigned long cp, float ox, float oy, std::vector<float> &mask, int w,
               int h) {
    FT_UInt index = FT_Get_Char_Index(face, cp);
    if (index == 0) return -1;
    FT_Vector shift{static_cast<FT_Pos>(std::lround((ox - std::floor(ox)) * 64)), 0};
    FT_Set_Transform(face, nullptr, &shift);
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0) return -1;
    FT_GlyphSlot g = face->glyph;
    int bx = static_cast<int>(std::floor(ox)) + g->bitmap_left;
    int by = static_cast<int>(std::lround(oy)) - g->bitmap_top;
    for (unsigned r = 0; r < g->bitmap.rows; r++)
        for (unsigned c = 0; c < g->bitmap.width; c++) {
            int x = bx + static_cast<int>(c), y = by + static_cast<int>(r);
            if (x < 0 || y < 0 || x >= w || y >= h) continue;
            float v = g->bitmap.buffer[r * static_cast<unsigned>(g->bitmap.pitch) + c] / 255.0f;
            float &m = mask[static_cast<size_t>(y) * w + x];
            m = std::max(m, v);
        }
    FT_Set_Transform(face, nullptr, nullptr);
    return static_cast<int>(g->advance.x >> 6);
}

// Max of mask over a disc of the given radius (soft at its rim).
std::vector<float> dilate(const std::vector<float> &mask, int w, int h, float radius) {
    std::vector<float> out(mask.size(), 0);
    int r = static_cast<int>(std::ceil(radius));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float best = 0;
            for (int dy = -r; dy <= r; dy++)
                for (int dx = -r; dx <= r; dx++) {
                    int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                    float d = std::sqrt(float(dx * dx + dy * dy));
                    float k = clamp01(radius + 0.5f - d);
                    best = std::max(best, mask[static_cast<size_t>(sy) * w + sx] * k);
                }
            out[static_cast<size_t>(y) * w + x] = best;
        }
    return out;
}

std::vector<float> box_blur(const std::vector<float> &m, int w, int h, int r) {
    std::vector<float> a(m.size()), b(m.size());
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float s = 0;
            for (int d = -r; d <= r; d++)
                s += m[static_cast<size_t>(y) * w + std::clamp(x + d, 0, w - 1)];
            a[static_cast<size_t>(y) * w + x] = s / (2 * r + 1);
        }
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            float s = 0;
            for (int d = -r; d <= r; d++)
                s += a[static_cast<size_t>(std::clamp(y + d, 0, h - 1)) * w + x];
            b[static_cast<size_t>(y) * w + x] = s / (2 * r + 1);
        }
    return b;
}

// How the turf art is laid on letters: the shadow's offset and strength, the size of its
// big pixels, the ragged line above which grass replaces earth, and the band over which the
// light from above fades.
struct TurfArt {
    int shadow_dx, shadow_dy;
    float shadow_alpha;
    int P; // screen pixels per art pixel
    float grass_line;
    float lit_top, lit_span;
};

// Fills img with letters of turf over their dark rim and soft shadow on a transparent ground;
// mask, rim and shadow have the image's size.
void paint_turf(Image &img, const std::vector<float> &mask, const std::vector<float> &rim,
                const std::vector<float> &shadow, const TurfArt &a) {
    const int W = img.w, H = img.h, P = a.P;
    const Tile earth = earth_tile(), grass = turf_top_tile();
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            size_t i = static_cast<size_t>(y) * W + x;
            Rgba c{0, 0, 0, 0};
            int sx = std::clamp(x - a.shadow_dx, 0, W - 1),
                sy = std::clamp(y - a.shadow_dy, 0, H - 1);
            blend(c, Rgba{0, 0, 0, shadow[static_cast<size_t>(sy) * W + sx] * a.shadow_alpha});
            blend(c, hex(0x1b120a, rim[i]));
            if (mask[i] > 0) {
                int tx = (x / P) % TILE, ty = (y / P) % TILE;
                // The grass line is ragged per art-pixel column.
                float edge = a.grass_line +
                             P * static_cast<float>(hash3(static_cast<uint32_t>(x / P), 0, 77) % 3);
                Rgba fill = y < edge ? grass[static_cast<size_t>(ty)][static_cast<size_t>(tx)]
                                     : earth[static_cast<size_t>(ty)][static_cast<size_t>(tx)];
                if (y >= edge && y < edge + P) fill = hex(0x3a6a22);
                fill = scaled(fill, 1.25f - 0.45f * clamp01((y - a.lit_top) / a.lit_span));
                fill[3] = mask[i];
                blend(c, fill);
            }
            img.at(x, y) = c;
        }
}

// The title: letters of turf, grass on top and earth below in big pixels, with a dark rim
// and a soft shadow, on a transparent ground.
Image make_logo(const std::string &font_dir, bool &ok) {
    const int W = 896, H = 256; // 3.5 : 1, the shape the menu draws it in
    Image img(W, H);
    Font f;
    if (!f.open(font_dir + "/DejaVuSans-Bold.ttf")) {
        ok = false;
        return img;
    }
    const char *title = "Tessaron";
    int px = 180;
    FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(px));
    float width = 0;
    for (const char *c = title; *c; c++) {
        FT_Load_Char(f.face, static_cast<unsigned char>(*c), FT_LOAD_NO_HINTING);
        width += f.face->glyph->advance.x / 64.0f;
    }
    float scale = std::min(1.0f, (W - 70) / width);
    px = static_cast<int>(px * scale);
    FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(px));
    width *= scale;
    float cap = 0.73f * px; // DejaVu's cap height
    float base = H / 2.0f + cap / 2;
    std::vector<float> mask(static_cast<size_t>(W) * H, 0);
    float pen = (W - width) / 2;
    for (const char *c = title; *c; c++) {
        int adv = draw_glyph(f.face, static_cast<unsigned char>(*c), pen, base, mask, W, H);
        if (adv < 0) ok = false;
        pen += f.face->glyph->advance.x / 64.0f;
    }
    std::vector<float> rim = dilate(mask, W, H, 7);
    std::vector<float> shadow = box_blur(dilate(mask, W, H, 7), W, H, 6);
    const int P = 5; // screen pixels per art pixel
    float x_height_top = base - 0.56f * px;
    // The grass line sits on the lower-case letters' tops; capitals and ascenders carry more
    // grass above it. A light from above: lighter towards the top of each letter.
    paint_turf(img, mask, rim, shadow,
               TurfArt{7, 9, 0.55f, P, x_height_top + 2 * P, base - px * 0.75f, px * 0.8f});
    return img;
}

// ---------------------------------------------------------------------------------------
// Flags: 3 : 2 cloth with a gentle wave of light across it and rounded corners.

Image finish_flag(const std::function<Rgba(float, float)> &design) {
    const int W = 384, H = 256;
    Image img(W, H);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            float u = (x + 0.5f) / W, v = (y + 0.5f) / H;
            // The cloth ripples: sample the design slightly displaced and shade its folds.
            float phase = 2 * PI * (1.6f * u - 0.35f * v);
            float dv = 0.012f * std::sin(phase);
            Rgba c = design(u, clamp01(v + dv));
            float light = 1 + 0.13f * std::sin(phase + 0.9f) - 0.06f * u;
            c = scaled(c, light);
            // Weave: a faint thread texture.
            c = scaled(c, 0.97f + 0.03f * (((x ^ y) & 1) ? 1.0f : 0.0f));
            // Rounded corners, antialiased, and a thin darker hem.
            const float R = 18;
            float cx = std::clamp(x + 0.5f, R, W - R), cy = std::clamp(y + 0.5f, R, H - R);
            float d =
                std::sqrt((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy));
            float edge = std::min({x + 0.5f, W - x - 0.5f, y + 0.5f, H - y - 0.5f});
            if (d > 0) edge = R - d;
            if (edge < 4) c = scaled(c, 0.75f);
            c[3] = clamp01(edge + 0.5f);
            img.at(x, y) = c;
        }
    return img;
}

Image make_flag_rus() {
    // Three equal bands: white, blue, red.
    return finish_flag([](float, float v) {
        return v < 1 / 3.0f ? hex(0xf4f4f4) : v < 2 / 3.0f ? hex(0x1c48a8) : hex(0xd0262b);
    });
}

Image make_flag_eng() {
    // A red cross on white, a fifth of the height wide.
    return finish_flag([](float u, float v) {
        float half = 0.1f;
        bool cross = std::fabs(v - 0.5f) < half || std::fabs(u - 0.5f) * 1.5f < half;
        return cross ? hex(0xc8102e) : hex(0xf6f6f6);
    });
}

// ---------------------------------------------------------------------------------------
// The bitmap font: 23 columns of cells for bytes 33 to 255, windows-1251 above 127.

constexpr int FONT_W = 742, FONT_H = 788; // (W / 23.2) : (H / 15.4) = 1 : 1.6, no stretch

// The code point byte b stands for in windows-1251, 0 for bytes that draw nothing.
unsigned long cp1251(int b) {
    if (b < 127) return static_cast<unsigned long>(b);
    if (b == 127 || b == 0xA0 || b == 0xAD) return 0; // DEL, no-break space, soft hyphen
    iconv_t cd = iconv_open("UTF-32LE", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
    char in = static_cast<char>(b);
    uint32_t out = 0;
    char *ip = &in, *op = reinterpret_cast<char *>(&out);
    size_t il = 1, ol = 4;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    return r == static_cast<size_t>(-1) ? 0 : out;
}

Image make_font(const std::string &font_dir, bool &ok) {
    Image img(FONT_W, FONT_H);
    Font mono, fallback;
    if (!mono.open(font_dir + "/DejaVuSansMono-Bold.ttf") ||
        !fallback.open(font_dir + "/DejaVuSans-Bold.ttf")) {
        ok = false;
        return img;
    }
    const float cell_w = FONT_W / 23.15f, cell_h = FONT_H / 15.4f;
    const float glyph_w = FONT_W / 23.2f; // what f_print samples of a cell
    const int em = 38;
    FT_Set_Pixel_Sizes(mono.face, 0, em);
    FT_Set_Pixel_Sizes(fallback.face, 0, em);
    std::vector<float> mask(static_cast<size_t>(FONT_W) * FONT_H, 0);
    for (int b = 33; b <= 255; b++) {
        unsigned long cp = cp1251(b);
        if (!cp) continue;
        int n = b - 33, row = n / 23, col = n % 23;
        // Centre the glyph on the pen's 0.8-wide advance, baseline 37.5 of the 51-pixel cell.
        float left = col * cell_w, top = row * cell_h;
        float advance = 0.602f * em; // DejaVu Sans Mono's advance
        float ox = left + (0.8f * glyph_w - advance) / 2, oy = top + 37.5f;
        std::vector<float> one(mask.size(), 0);
        int adv = draw_glyph(mono.face, cp, ox, oy, one, FONT_W, FONT_H);
        if (adv < 0) adv = draw_glyph(fallback.face, cp, ox, oy, one, FONT_W, FONT_H);
        if (adv < 0) continue;
        // Keep the ink inside the part of the cell f_print samples, with a rim to spare.
        int x0 = static_cast<int>(std::ceil(left)) + 2, x1 = static_cast<int>(left + glyph_w) - 2;
        int y0 = static_cast<int>(std::ceil(top)) + 2,
            y1 = static_cast<int>(top + cell_h * 15.4f / 15.5f) - 2;
        for (int y = 0; y < FONT_H; y++)
            for (int x = 0; x < FONT_W; x++) {
                float v = one[static_cast<size_t>(y) * FONT_W + x];
                if (v > 0 && x >= x0 && x < x1 && y >= y0 && y < y1)
                    mask[static_cast<size_t>(y) * FONT_W + x] =
                        std::max(mask[static_cast<size_t>(y) * FONT_W + x], v);
            }
    }
    // White glyphs with a thin dark rim: the colour tints the glyph, the rim keeps it
    // readable on light and dark grounds alike.
    std::vector<float> rim = dilate(mask, FONT_W, FONT_H, 1.6f);
    for (int y = 0; y < FONT_H; y++)
        for (int x = 0; x < FONT_W; x++) {
            size_t i = static_cast<size_t>(y) * FONT_W + x;
            Rgba c{0, 0, 0, rim[i] * 0.7f};
            blend(c, Rgba{1, 1, 1, mask[i]});
            img.at(x, y) = c;
        }
    return img;
}

// ---------------------------------------------------------------------------------------
// Desktop icons: the title's first letter in the title's turf art (grass over earth in big
// pixels, a dark rim and a soft shadow), drawn afresh at each size so the small ones stay crisp,
// and written as PNG for the desktop's menus.

Image make_icon(const std::string &font_dir, int size, bool &ok) {
    Image img(size, size);
    Font f;
    if (!f.open(font_dir + "/DejaVuSans-Bold.ttf")) {
        ok = false;
        return img;
    }
    // The letter fills about four fifths of the height, centred, a little up and left of the
    // middle to leave room for its shadow.
    const float pad = size / 12.0f, shift = size / 40.0f;
    FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(size));
    if (FT_Load_Char(f.face, 'T', FT_LOAD_NO_HINTING) != 0) {
        ok = false;
        return img;
    }
    const FT_Glyph_Metrics &gm = f.face->glyph->metrics;
    float gw = gm.width / 64.0f, gh = gm.height / 64.0f;
    float scale = std::min((size - 2 * pad) / gw, (size - 2 * pad) / gh);
    FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(size * scale));
    FT_Load_Char(f.face, 'T', FT_LOAD_NO_HINTING);
    gw = gm.width / 64.0f;
    gh = gm.height / 64.0f;
    float top = (size - gh) / 2 - shift, base = top + gm.horiBearingY / 64.0f;
    float pen = (size - gw) / 2 - shift - gm.horiBearingX / 64.0f;
    std::vector<float> mask(static_cast<size_t>(size) * size, 0);
    if (draw_glyph(f.face, 'T', pen, base, mask, size, size) < 0) ok = false;

    const float r = std::max(1.0f, size / 40.0f);
    std::vector<float> rim = dilate(mask, size, size, r);
    std::vector<float> shadow =
        box_blur(rim, size, size, std::max(1, static_cast<int>(std::lround(size / 50.0f))));
    const int off = std::max(1, static_cast<int>(std::lround(size / 36.0f)));
    const int P = std::max(1, static_cast<int>(std::lround(size / 51.0f))); // pixels per texel
    // Grass covers the bar and hangs a ragged fringe down the stem.
    paint_turf(img, mask, rim, shadow, TurfArt{off, off, 0.6f, P, top + 0.3f * gh, top, gh});
    return img;
}

bool write_png(const std::string &path, const Image &img) {
    std::vector<unsigned char> rgba;
    rgba.reserve(img.px.size() * 4);
    for (const Rgba &p : img.px)
        for (float v : p) rgba.push_back(static_cast<unsigned char>(std::lround(clamp01(v) * 255)));
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(img.w);
    png.height = static_cast<png_uint_32>(img.h);
    png.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&png, path.c_str(), 0, rgba.data(), 0, nullptr)) {
        std::fprintf(stderr, "mkassets: cannot write %s: %s\n", path.c_str(), png.message);
        return false;
    }
    return true;
}

// icon_dir/<n>x<n>/tessaron.png, the hicolor theme's layout.
bool write_icons(const std::string &icon_dir, const std::string &font_dir) {
    bool ok = true;
    for (int size : {48, 128, 256}) {
        std::string dir = icon_dir + "/" + std::to_string(size) + "x" + std::to_string(size);
        bool drawn = true;
        Image icon = make_icon(font_dir, size, drawn);
        ok = drawn && mkdirs(dir) && write_png(dir + "/tessaron.png", icon) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 4 && std::strcmp(argv[1], "--icons") == 0)
        return write_icons(argv[2], argv[3]) ? 0 : 1;
    if (argc < 3) {
        std::fprintf(stderr, "usage: mkassets <game dir> <font dir>\n"
                             "       mkassets --icons <icon dir> <font dir>\n");
        return 2;
    }
    std::string dir = argv[1], fonts = argv[2];
    if (!mkdirs(dir + "/lang") || !mkdirs(dir + "/world/standart")) {
        std::fprintf(stderr, "mkassets: cannot create folders under %s\n", dir.c_str());
        return 1;
    }
    bool ok = true;
    ok = write_tga(dir + "/world/standart/ground.tga", make_atlas(), 24) && ok;
    ok = write_tga(dir + "/world/standart/sun.tga", make_sun(), 32) && ok;
    ok = write_tga(dir + "/back.tga", make_background(), 24) && ok;
    ok = write_tga(dir + "/lang/rus.tga", make_flag_rus(), 32) && ok;
    ok = write_tga(dir + "/lang/eng.tga", make_flag_eng(), 32) && ok;
    bool text_ok = true;
    Image logo = make_logo(fonts, text_ok);
    Image font = make_font(fonts, text_ok);
    ok = text_ok && ok;
    ok = write_tga(dir + "/ts.tga", logo, 32) && ok;
    ok = write_tga(dir + "/font.tga", font, 32) && ok;
    return ok ? 0 : 1;
}
