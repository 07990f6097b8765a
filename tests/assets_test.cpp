// The images the build draws: each loads through the game's loader, and each carries what
// the game relies on (atlas cells, font cells, seamless background, alpha where needed).
#include "gl_fixture.h"

#include "render/textures.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

// A texture read back from the GL: row 0 is t = 0, the file's first row.
struct Tex {
    int w = 0, h = 0, format = 0;
    std::vector<unsigned char> px; // RGBA
    const unsigned char *at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
};

class Assets : public glfix::GlTest {
  protected:
    Tex load(const char *name, int smooth) {
        Tex t;
        unsigned int names[1] = {0};
        std::string path = std::string(TESS_GAME_DIR) + "/" + name;
        EXPECT_EQ(LoadGLTextures(0, path.c_str(), names, smooth), 1) << path;
        if (!names[0]) return t;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &t.format);
        t.px.resize(size_t(t.w) * t.h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.px.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glDeleteTextures(1, names);
        return t;
    }
};

struct CellStats {
    double mean[3] = {0, 0, 0};
    double spread = 0; // mean absolute deviation of the brightness
};

CellStats cell_stats(const Tex &t, int x0, int y0, int w, int h) {
    CellStats s;
    std::vector<double> lum;
    for (int y = y0; y < y0 + h; y++)
        for (int x = x0; x < x0 + w; x++) {
            const unsigned char *p = t.at(x, y);
            for (int c = 0; c < 3; c++) s.mean[c] += p[c];
            lum.push_back(p[0] + p[1] + p[2]);
        }
    double n = double(w) * h, avg = 0;
    for (double &m : s.mean) m /= n;
    for (double l : lum) avg += l / n;
    for (double l : lum) s.spread += std::fabs(l - avg) / n;
    return s;
}

TEST_F(Assets, AtlasCellsOfTheTextureTableAreDistinctAndDrawn) {
    Tex t = load("world/standart/ground.tga", 0);
    ASSERT_EQ(t.format, GL_RGB);
    ASSERT_EQ(t.w % 16, 0);
    ASSERT_EQ(t.h % 16, 0);
    const int cw = t.w / 16, ch = t.h / 16;
    // Cells (u, v) = (0, 0) earth, (0.0625, 0) floor, (0.125, 0) turf top, (0.1875, 0) side.
    CellStats c[4];
    for (int i = 0; i < 4; i++) {
        c[i] = cell_stats(t, i * cw, 0, cw, ch);
        EXPECT_GT(c[i].spread, 4.0) << "cell " << i << " is flat";
        EXPECT_GT(c[i].mean[0] + c[i].mean[1] + c[i].mean[2], 60) << "cell " << i;
    }
    for (int i = 0; i < 4; i++)
        for (int j = i + 1; j < 4; j++) {
            double d = 0;
            for (int k = 0; k < 3; k++) d += std::fabs(c[i].mean[k] - c[j].mean[k]);
            // Earth and turf side share their lower part; the grass lip still separates them.
            EXPECT_GT(d, 12) << i << " vs " << j;
        }
    EXPECT_GT(c[0].mean[0], c[0].mean[2] + 20); // earth is brown
    EXPECT_GT(c[2].mean[1], c[2].mean[0] + 20); // grass is green
    // The side cell's lowest v (the top of a side face) is grass, its highest v is earth.
    CellStats top = cell_stats(t, 3 * cw, 0, cw, 2), bottom = cell_stats(t, 3 * cw, ch - 4, cw, 4);
    EXPECT_GT(top.mean[1], top.mean[0] + 20);
    EXPECT_GT(bottom.mean[0], bottom.mean[1]);
}

TEST_F(Assets, FontHasInkInEveryLetterCellAndNoneOutsideTheSampledPart) {
    Tex t = load("font.tga", 1);
    ASSERT_EQ(t.format, GL_RGBA);
    // Not stretched: a glyph's sampled part is 1 : 1.6, like the quad it is drawn on.
    EXPECT_NEAR((t.h / 15.4) / (t.w / 23.2), 1.6, 0.016);

    auto cell_ink = [&](int b, bool inside) {
        int n = b - 33, row = n / 23, col = n % 23;
        // Texture rows run upwards; the grid's row 0 is at the top (t = 1).
        double left = col * t.w / 23.15, right = left + t.w / 23.2;
        double top = t.h * (1 - row / 15.4), bottom = t.h * (1 - (row + 1) / 15.4);
        double cell_right = (col + 1) * t.w / 23.15;
        int ink = 0;
        for (int y = int(std::floor(bottom)); y < int(std::ceil(top)); y++)
            for (int x = int(std::floor(left)); x < int(std::ceil(cell_right)) && x < t.w; x++) {
                bool in = x >= left && x + 1 <= right && y >= bottom && y + 1 <= top;
                if (in == inside && t.at(x, y)[3] > 40) ink++;
            }
        return ink;
    };
    std::vector<int> letters = {168, 184};
    for (int b = 192; b <= 255; b++) letters.push_back(b);
    for (int b : letters) EXPECT_GT(cell_ink(b, true), 40) << "byte " << b;
    for (int b = 33; b < 127; b++) EXPECT_GT(cell_ink(b, true), 8) << "byte " << b;
    for (int b = 33; b <= 255; b++) EXPECT_EQ(cell_ink(b, false), 0) << "byte " << b;
    // Glyphs are white; the tint comes from the drawing colour.
    int white = 0;
    for (size_t i = 0; i < t.px.size(); i += 4)
        if (t.px[i + 3] == 255 && t.px[i] == 255 && t.px[i + 1] == 255 && t.px[i + 2] == 255)
            white++;
    EXPECT_GT(white, 10000);
}

// Mean colour difference between two 16-pixel strips, band by band along the strip. Pixel
// pairs cannot tell a seam (block edges differ as much as random pixels); the broad colour
// of neighbouring strips can.
double strip_diff(const Tex &t, bool columns, int a, int b) {
    const int len = columns ? t.h : t.w, band = 48;
    double total = 0;
    for (int s0 = 0; s0 + band <= len; s0 += band) {
        double m[2][3] = {};
        for (int k = 0; k < 2; k++)
            for (int s = s0; s < s0 + band; s++)
                for (int d = 0; d < 16; d++) {
                    int o = ((k ? b : a) + d) % (columns ? t.w : t.h);
                    const unsigned char *p = columns ? t.at(o, s) : t.at(s, o);
                    for (int c = 0; c < 3; c++) m[k][c] += p[c] / double(band * 16);
                }
        for (int c = 0; c < 3; c++) total += std::fabs(m[0][c] - m[1][c]);
    }
    return total;
}

TEST_F(Assets, MenuBackgroundTilesSeamlessly) {
    Tex t = load("back.tga", 1);
    ASSERT_GE(t.w, 256);
    ASSERT_GE(t.h, 256);
    for (bool columns : {true, false}) {
        SCOPED_TRACE(columns ? "left and right edges" : "top and bottom edges");
        const int n = columns ? t.w : t.h;
        double across = strip_diff(t, columns, n - 16, 0), inside = 0, far = 0;
        int count = 0;
        for (int x = 64; x + 16 < n; x += 64, count++) {
            inside += strip_diff(t, columns, x - 16, x);
            far += strip_diff(t, columns, x - 16, (x + n / 2) % n);
        }
        inside /= count;
        far /= count;
        EXPECT_LT(inside, far); // the measure tells near from far at all
        EXPECT_LT(across, 1.5 * inside);
        EXPECT_LT(across, far);
    }
}

TEST_F(Assets, PicturesWithAlphaKeepIt) {
    Tex sun = load("world/standart/sun.tga", 1);
    ASSERT_EQ(sun.format, GL_RGBA);
    EXPECT_GT(sun.at(sun.w / 2, sun.h / 2)[3], 250);
    EXPECT_EQ(sun.at(0, 0)[3], 0);
    EXPECT_EQ(sun.at(sun.w - 1, sun.h - 1)[3], 0);
    // Round: alpha at equal distances on the axes matches.
    int r = sun.w / 3;
    EXPECT_NEAR(sun.at(sun.w / 2 + r, sun.h / 2)[3], sun.at(sun.w / 2, sun.h / 2 + r)[3], 8);

    Tex logo = load("ts.tga", 1);
    ASSERT_EQ(logo.format, GL_RGBA);
    EXPECT_NEAR(double(logo.w) / logo.h, 3.5, 0.05); // drawn 700 x 200 in the menu
    int clear = 0, solid = 0;
    for (size_t i = 3; i < logo.px.size(); i += 4) {
        clear += logo.px[i] == 0;
        solid += logo.px[i] == 255;
    }
    EXPECT_GT(clear, int(logo.px.size() / 4 / 5));
    EXPECT_GT(solid, int(logo.px.size() / 4 / 10));

    for (const char *flag : {"lang/rus.tga", "lang/eng.tga"}) {
        Tex f = load(flag, 1);
        ASSERT_EQ(f.format, GL_RGBA) << flag;
        EXPECT_NEAR(double(f.w) / f.h, 1.5, 0.01) << flag; // drawn 300 x 200
        EXPECT_EQ(f.at(f.w / 2, f.h / 2)[3], 255) << flag;
    }
}

} // namespace
