// Outline and item box as GL feedback sees them, against the vertex tables, changing no state.
#include "draw/cubes.h"
#include "gl_fixture.h"
#include "world/mesher.h"
#include <cstring>
class CubesGl : public glfix::GlTest {};
TEST_F(CubesGl, OutlineAndItemBoxFollowTheTablesAndChangeNoState) {
    glfix::set_overlay(); // object x, y and -15 z are window coordinates
    glBindTexture(GL_TEXTURE_2D, 7);
    glColor4f(0.3f, 0.6f, 0.9f, 0.5f);
    glLineWidth(3);
    const TexCell top{0.125f, 0.5f}, bottom{0.25f, 0.0625f}, side{0.9375f, 0.75f};
    texes[9] = {top, bottom, side};
    auto gl_state = [] { // the state a caller sets around these primitives
        std::vector<std::vector<double>> s;
        for (GLenum q : {GL_TEXTURE_2D, GL_LIGHTING, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_FOG,
                         GL_CURRENT_COLOR, GL_CURRENT_NORMAL, GL_LINE_WIDTH, GL_MODELVIEW_MATRIX,
                         GL_PROJECTION_MATRIX, GL_TEXTURE_BINDING_2D, GL_MATRIX_MODE})
            s.push_back(glfix::floats(q, 16)); // more than any of them returns
        return s;
    };
    const auto before = gl_state();
    static GLfloat buf[4096];
    glFeedbackBuffer(4096, GL_3D_COLOR_TEXTURE, buf);
    glRenderMode(GL_FEEDBACK);
    draw_cube(2, 3, -4);
    draw_cube_filed(2, 1, -3, 3.14159265f / 2, 0.4f, 9);
    std::vector<std::vector<float>> seen; // object x, y, z, s, t
    for (int i = 0, n = glRenderMode(GL_RENDER); i < n;)
        for (int k = buf[i++] == GL_POLYGON_TOKEN ? int(buf[i++]) : 2; k > 0; k--, i += 11)
            seen.push_back({buf[i], 600 - buf[i + 1], -15 * buf[i + 2], buf[i + 7], buf[i + 8]});
    EXPECT_EQ(gl_state(), before);
    ASSERT_EQ(seen.size(), 64u + 36u);
    // Six loops around (2, 3, -4), E, e = +-0.502 and I, i = +-0.498; n vertices, n segments.
    const char *v = "eeE EeE Eee eee eiE EiE Eie eie eEE EEE EEe eEe eIE EIE EIe eIe "
                    "EEE EeE EiE EIE eEE eeE eiE eIE EEe Eee Eie EIe eEe eee eie eIe";
    auto off = [](char e) { return (e == 'E' || e == 'e' ? 0.502f : 0.498f) * (e < 'a' ? 1 : -1); };
    const float at[3] = {2, 3, -4};
    size_t k = 0, first = 0;
    for (int n : {8, 8, 4, 4, 4, 4}) {
        for (int j = 0; j < n; j++, k += 2)
            for (int c = 0; c < 6; c++) // both ends
                EXPECT_NEAR(seen[k + c / 3][c % 3],
                            at[c % 3] + off(v[4 * (first + (j + c / 3) % n) + c % 3]), 2e-4)
                    << k / 2;
        first += n;
    }
    // Per vertex: base corner (a quarter turn moves P1..P4 on one), upper face, s and t cell + 1.
    const char *faces[6] = {"0000 1010 2011 3001", "0100 1110 2111 3101", "3011 2001 2100 3110",
                            "1011 0001 0100 1110", "1011 2001 2100 1110", "3011 0001 0100 3110"};
    const float cx[4] = {2, 2.2f, 2, 1.8f}, cz[4] = {-2.8f, -3, -3.2f, -3}; // size 0.4
    for (k = 0; k < 36; k++) { // Mesa splits quad 0123 into the triangles 013 and 123
        const char *w = faces[k / 6] + 5 * ("013123"[k % 6] - '0');
        const TexCell &t = k < 6 ? bottom : k < 12 ? top : side;
        const float e[5] = {cx[w[0] - '0'], 1 + 0.3f * (w[1] - '0'), cz[w[0] - '0'],
                            t.u + (w[2] - '0') / 16.0f, t.v + (w[3] - '0') / 16.0f};
        for (int c = 0; c < 5; c++) EXPECT_NEAR(seen[64 + k][c], e[c], 2e-4) << k << " " << c;
    }
    float xyz[24][3], st[3][24][2]; // a type past the table is drawn with row 0
    const int type[3] = {0, -1, 256};
    texes[0] = {side, top, bottom};
    for (int i = 0; i < 3; i++) item_box_vertices(0, 0, 0, 0, 1, type[i], xyz, st[i]);
    EXPECT_EQ(std::memcmp(st[0], st[1], sizeof st[0]) | std::memcmp(st[0], st[2], sizeof st[0]), 0);
}
