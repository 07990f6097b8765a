// The images the build draws load through the game's loader and carry what the game needs.
#include "draw/textures.h"
#include "gl_fixture.h"
#include "world/mesher.h"
#include <cmath>
#include <set>
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
// Cell (i, j) of a 16 x 16 atlas: channel means, and the spread of the channel sum.
struct Look {
    double mean[3], contrast;
    Look(const Tex &t, int i, int j) : mean{} {
        const int cw = t.w / 16, ch = t.h / 16;
        double sum2 = 0, sum = 0, n = cw * ch;
        for (int y = j * ch; y < (j + 1) * ch; y++)
            for (int x = i * cw; x < (i + 1) * cw; x++) {
                const unsigned char *p = t.at(x, y);
                for (int c = 0; c < 3; c++) mean[c] += p[c] / n;
                sum += (p[0] + p[1] + p[2]) / n;
                sum2 += (p[0] + p[1] + p[2]) * (p[0] + p[1] + p[2]) / n;
            }
        contrast = std::sqrt(sum2 - sum * sum);
    }
    double apart(const Look &o) const {
        return std::fabs(mean[0] - o.mean[0]) + std::fabs(mean[1] - o.mean[1]) +
               std::fabs(mean[2] - o.mean[2]);
    }
};
class Assets : public glfix::GlTest {};
TEST_F(Assets, PicturesLoadAtlasCellsAreDistinctAndDrawnAndEveryLetterHasInk) {
    for (const char *n :
         {"back.tga", "lang/rus.tga", "lang/eng.tga", "world/standart/sun.tga", "ts.tga"})
        EXPECT_GT(Tex(n).w, 0);
    Tex t("world/standart/ground.tga");
    ASSERT_TRUE(t.w % 16 == 0 && t.h % 16 == 0 && t.w > 0);
    for (int i = 0; i < 4; i++) { // cells v = 0: earth, floor, turf top, turf side
        const Look l(t, i, 0);
        EXPECT_GT(l.mean[0] + l.mean[1] + l.mean[2], 60) << i;
        for (int j = 0; j < i; j++) EXPECT_GT(l.apart(Look(t, j, 0)), 12) << i << " vs " << j;
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

// A flake's 0.01 square starts up to 0.081 (top cell) or 0.135 (bottom, side) past its cell.
TEST_F(Assets, EveryCellABreakableBlocksFlakesReachHoldsBlockTexture) {
    fill_block_tables();
    Tex t("world/standart/ground.tga");
    auto cell = [](float c) { return int(std::floor(c * 16 + 1e-4f)); };
    std::set<std::pair<int, int>> used, reached;
    for (const BlockTextures &r : texes)
        for (const TexCell *c : {&r.top, &r.bottom, &r.side}) used.insert({cell(c->u), cell(c->v)});
    for (int type = 0; type < TEXTURE_ROWS; type++) {
        if (materials[type].solid != 1 || materials[type].toughness > 1) continue; // unbreakable
        const BlockTextures &r = texes[type];
        for (const TexCell *c : {&r.top, &r.bottom, &r.side}) {
            const float far = (c == &r.top ? 9 : 15) / 1000.0f * 9 + 0.01f;
            for (int i = cell(c->u); i <= cell(c->u + far); i++)
                for (int j = cell(c->v); j <= cell(c->v + far); j++) reached.insert({i, j});
        }
    }
    EXPECT_EQ(reached.size(), 6u * 3u); // earth and turf: columns 0 to 5, rows 0 to 2
    for (const auto &r : reached) {
        if (used.count(r)) continue;
        const Look l(t, r.first, r.second);
        bool like = false;
        for (const auto &u : used) {
            const Look m(t, u.first, u.second);
            like = like || (l.apart(m) < 10 && l.contrast >= m.contrast / 2);
        }
        EXPECT_TRUE(like) << "cell " << r.first << ", " << r.second << ": " << l.mean[0] << " "
                          << l.mean[1] << " " << l.mean[2] << ", contrast " << l.contrast;
    }
}
