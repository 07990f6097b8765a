// The images the build draws load through the game's loader and carry what the game needs.
#include "gl_fixture.h"
#include "render/textures.h"
#include <cmath>
// A picture of the game folder loaded as a texture and read back as RGBA, row 0 being t = 0.
struct Tex {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    const unsigned char *at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
    explicit Tex(const std::string &name) {
        unsigned int names[1] = {0};
        EXPECT_EQ(LoadGLTextures(0, (TESS_GAME_DIR "/" + name).c_str(), names, 1), 1) << name;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        px.resize(size_t(w) * h * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
        glDeleteTextures(1, names);
    }
};
class Assets : public glfix::GlTest {};
TEST_F(Assets, PicturesLoadAtlasCellsAreDistinctAndDrawnAndEveryLetterHasInk) {
    for (const char *n :
         {"back.tga", "lang/rus.tga", "lang/eng.tga", "world/standart/sun.tga", "ts.tga"})
        EXPECT_GT(Tex(n).w, 0);
    Tex t("world/standart/ground.tga");
    ASSERT_TRUE(t.w % 16 == 0 && t.h % 16 == 0 && t.w > 0);
    const int cw = t.w / 16, ch = t.h / 16; // cells v = 0: earth, floor, turf top, turf side
    double mean[4][3] = {};
    for (int i = 0; i < 4; i++) {
        for (int y = 0; y < ch; y++)
            for (int x = i * cw; x < (i + 1) * cw; x++)
                for (int c = 0; c < 3; c++) mean[i][c] += t.at(x, y)[c] / double(cw * ch);
        EXPECT_GT(mean[i][0] + mean[i][1] + mean[i][2], 60) << i;
        for (int j = 0; j < i; j++) {
            double d = 0;
            for (int c = 0; c < 3; c++) d += std::fabs(mean[i][c] - mean[j][c]);
            EXPECT_GT(d, 12) << i << " vs " << j;
        }
    }
    Tex f("font.tga"); // white ink in each letter, none outside what a quad samples, at 1 : 1.6
    EXPECT_NEAR((f.h / 15.4) / (f.w / 23.2), 1.6, 0.016);
    for (int b = 33; b <= 255; b++) {
        int n = b - 33, row = n / 23, col = n % 23, in = 0, out = 0;
        // The grid's row 0 is at the top (t = 1); the cell pitch is wider than what is sampled.
        double left = col * f.w / 23.15, right = left + f.w / 23.2, pitch = (col + 1) * f.w / 23.15;
        double top = f.h * (1 - row / 15.4), bottom = f.h * (1 - (row + 1) / 15.4);
        for (int y = int(std::floor(bottom)); y < int(std::ceil(top)); y++)
            for (int x = int(std::floor(left)); x < std::min(int(std::ceil(pitch)), f.w); x++) {
                const unsigned char *p = f.at(x, y);
                bool inside = x >= left && x + 1 <= right && y >= bottom && y + 1 <= top;
                out += p[3] > 40 && !inside;
                in += p[3] > 40 && inside && p[0] + p[1] + p[2] == 765;
            }
        bool letter = b < 127 || b >= 192 || b == 168 || b == 184;
        EXPECT_TRUE(out == 0 && (!letter || in > (b < 127 ? 8 : 40)))
            << b << ": " << in << ", " << out;
    }
}
