// The images the build draws: each loads through the game's loader and carries what the game
// relies on (atlas cells, font cells, alpha where needed).
#include "gl_fixture.h"

#include "render/textures.h"

#include <cmath>
#include <tuple>

// A texture read back as RGBA: row 0 is t = 0, the file's first row.
struct Tex {
    int w = 0, h = 0, format = 0;
    std::vector<unsigned char> px;
    const unsigned char *at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
};

class Assets : public glfix::GlTest {
  protected:
    Tex load(const char *name, GLint format) {
        Tex t;
        unsigned int names[1] = {0};
        std::string path = std::string(TESS_GAME_DIR) + "/" + name;
        EXPECT_EQ(LoadGLTextures(0, path.c_str(), names, 1), 1) << path;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &t.w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &t.h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &t.format);
        EXPECT_EQ(t.format, format) << path;
        t.px.resize(size_t(t.w) * t.h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.px.data());
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glDeleteTextures(1, names);
        return t;
    }
};

TEST_F(Assets, PicturesLoadWithClearAndSolidPartsWhereTheyHaveAlpha) {
    load("back.tga", GL_RGB);
    const std::tuple<const char *, double, double> pics[] = {// least clear and solid shares
                                                             {"world/standart/sun.tga", 0.2, 0.05},
                                                             {"ts.tga", 0.2, 0.1},
                                                             {"lang/rus.tga", 0, 0.9},
                                                             {"lang/eng.tga", 0, 0.9}};
    for (const auto &[name, clear, solid] : pics) {
        Tex t = load(name, GL_RGBA);
        double n = t.w * t.h, c = 0, s = 0;
        for (size_t i = 3; i < t.px.size(); i += 4) c += t.px[i] == 0, s += t.px[i] == 255;
        EXPECT_TRUE(n > 0 && c >= clear * n && s > solid * n)
            << name << ": " << c / n << ", " << s / n;
    }
}

TEST_F(Assets, AtlasCellsOfTheTextureTableAreDistinctAndDrawn) {
    Tex t = load("world/standart/ground.tga", GL_RGB);
    ASSERT_TRUE(t.w % 16 == 0 && t.h % 16 == 0 && t.w > 0);
    // Cells v = 0 (the file's first rows): earth, floor, turf top, turf side.
    const int cw = t.w / 16, ch = t.h / 16;
    double mean[4][3] = {}, spread[4] = {};
    for (int i = 0; i < 4; i++) {
        for (int pass = 0; pass < 2; pass++) // the mean, then how far pixels stray from it
            for (int y = 0; y < ch; y++)
                for (int x = i * cw; x < (i + 1) * cw; x++)
                    for (int c = 0; c < 3; c++)
                        (pass ? spread[i] : mean[i][c]) +=
                            (pass ? std::fabs(t.at(x, y)[c] - mean[i][c]) : t.at(x, y)[c]) /
                            (cw * ch);
        EXPECT_GT(spread[i], 4.0) << i;
        EXPECT_GT(mean[i][0] + mean[i][1] + mean[i][2], 60) << i;
        for (int j = 0; j < i; j++)
            EXPECT_GT(std::fabs(mean[i][0] - mean[j][0]) + std::fabs(mean[i][1] - mean[j][1]) +
                          std::fabs(mean[i][2] - mean[j][2]),
                      12)
                << i << " vs " << j;
    }
    EXPECT_GT(mean[0][0], mean[0][2] + 20); // earth is brown
    EXPECT_GT(mean[2][1], mean[2][0] + 20); // grass is green
}

TEST_F(Assets, FontHasWhiteInkInEveryLetterCellAndNoneOutsideTheSampledPart) {
    Tex t = load("font.tga", GL_RGBA);
    EXPECT_NEAR((t.h / 15.4) / (t.w / 23.2), 1.6, 0.016); // not stretched on a size x 1.6 quad
    for (int b = 33; b <= 255; b++) {
        int n = b - 33, row = n / 23, col = n % 23, in = 0, out = 0;
        // The grid's row 0 is at the top (t = 1); the cell pitch is wider than what is sampled.
        double left = col * t.w / 23.15, right = left + t.w / 23.2, pitch = (col + 1) * t.w / 23.15;
        double top = t.h * (1 - row / 15.4), bottom = t.h * (1 - (row + 1) / 15.4);
        for (int y = int(std::floor(bottom)); y < int(std::ceil(top)); y++)
            for (int x = int(std::floor(left)); x < std::min(int(std::ceil(pitch)), t.w); x++) {
                const unsigned char *p = t.at(x, y);
                bool inside = x >= left && x + 1 <= right && y >= bottom && y + 1 <= top;
                out += p[3] > 40 && !inside;
                in += p[3] > 40 && inside && p[0] + p[1] + p[2] == 765;
            }
        EXPECT_EQ(out, 0) << b;
        bool letter = b < 127 || b >= 192 || b == 168 || b == 184;
        EXPECT_TRUE(!letter || in > (b < 127 ? 8 : 40)) << b << ": " << in;
    }
}
