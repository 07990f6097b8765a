// Menu drawing: the drifting background, the swaying logo, captions, the credit line and
// every widget of the current screen, over the 800 x 600 menu space.
#include "gui/gui.h"

#include "draw/font.h"
#include "draw/views.h"
#include "gui/lang.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

const char *const CREDIT_LINE =
    "Tessaron v" TESS_VERSION " - built block by block by the Tessaron team";

void gray(float v) {
    glColor3f(v, v, v);
}

// Outline, then the translucent fill, of a field or box frame; texturing off meanwhile.
void draw_frame(int x, int y, int w, float shade) {
    glDisable(GL_TEXTURE_2D);
    gray(shade);
    for (GLenum mode : {GL_LINE_LOOP, GL_QUADS}) {
        if (mode == GL_QUADS) glColor4f(0, 0, 0, 0.2f);
        glBegin(mode);
        glVertex2i(x, y);
        glVertex2i(x + w, y);
        glVertex2i(x + w, y + FIELD_HEIGHT);
        glVertex2i(x, y + FIELD_HEIGHT);
        glEnd();
    }
    glEnable(GL_TEXTURE_2D);
}

void draw_background() {
    float k = menu.ir / 45.0f;
    glBindTexture(GL_TEXTURE_2D, menu.iback[0]);
    glBegin(GL_QUADS);
    glTexCoord2f(0.5f + k, 0.5f - k);
    glVertex2i(0, MENU_H);
    glTexCoord2f(1 + k, 0.5f - k);
    glVertex2i(MENU_W, MENU_H);
    glTexCoord2f(1 + k, 1 - k);
    glVertex2i(MENU_W, 0);
    glTexCoord2f(0.5f + k, 1 - k);
    glVertex2i(0, 0);
    glEnd();
}

void draw_logo() {
    float s = 25.0f * std::sin(menu.ir);
    glBindTexture(GL_TEXTURE_2D, menu.iback[1]);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(50 + s, 220);
    glTexCoord2f(1, 0);
    glVertex2f(750 + s, 220);
    glTexCoord2f(1, 1);
    glVertex2f(750 + s, 20);
    glTexCoord2f(0, 1);
    glVertex2f(50 + s, 20);
    glEnd();
}

// A text button has no frame: its label may reach past the button's width, and shrinks only to
// stay on the screen, centred where it was. A world's name stays in its column instead.
TextPlace fit_label(const Button &b) {
    const int index = static_cast<int>(&b - btt);
    for (int i = 0; menu.lvl == SCREEN_WORLDS && i < WORLD_BUTTONS; i++)
        if (menu.play_w[i] == index) return g_fit_text(b.x, b.y, b.w, TEXT_SIZE, b.label);
    const int cx = b.x + b.w / 2, half = cx < MENU_W - cx ? cx : MENU_W - cx;
    return g_fit_text(cx - half, b.y, 2 * half, TEXT_SIZE, b.label);
}

void draw_button(const Button &b) {
    gray(g_over_button(b) ? 1.0f : 0.6f);
    if (b.picture) {
        glBindTexture(GL_TEXTURE_2D, b.texture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2i(b.x, b.y + b.h);
        glTexCoord2f(1, 0);
        glVertex2i(b.x + b.w, b.y + b.h);
        glTexCoord2f(1, 1);
        glVertex2i(b.x + b.w, b.y);
        glTexCoord2f(0, 1);
        glVertex2i(b.x, b.y);
        glEnd();
    } else {
        const TextPlace p = fit_label(b);
        f_print(p.cx, p.y, p.size, b.label, 1);
    }
}

void draw_field(int i) {
    const TextField &f = t_field[i];
    bool lit = g_over_field(f.x, f.y, f.w) || i == menu.t_active;
    draw_frame(f.x, f.y, f.w, lit ? 1.0f : 0.8f);
    gray(1.0f);
    const TextPlace p = g_fit_text(f.x, f.y + 1, f.w, TEXT_SIZE, f.text);
    f_print(p.cx, p.y, p.size, f.text, 1);
    glDisable(GL_TEXTURE_2D);
    if (menu.mig >= 31 && i == menu.t_active) {
        // Just right of the centred text: half its 0.8 * size advance per byte.
        const float half = static_cast<float>(p.size) / 2;
        float c = p.cx + 0.8f * half * static_cast<float>(std::strlen(f.text));
        glBegin(GL_LINE_LOOP);
        glVertex2f(c + 1, f.y + 1);
        glVertex2f(c + 2, f.y + 1);
        glVertex2f(c + 2, f.y + 32);
        glVertex2f(c + 1, f.y + 32);
        glEnd();
    }
    glEnable(GL_TEXTURE_2D);
}

void draw_box(const DropBox &d) {
    float shade = g_over_field(d.x, d.y, d.w) ? 1.0f : 0.8f;
    draw_frame(d.x, d.y, d.w, shade);
    gray(shade);
    if (d.selected < 0 || d.selected >= d.count) return;
    const TextPlace p = g_fit_text(d.x, d.y + 1, d.w, TEXT_SIZE, d.items[d.selected]);
    f_print(p.cx, p.y, p.size, d.items[d.selected], 1);
}

} // namespace

void g_draw() {
    glDisable(GL_DEPTH_TEST);
    view_overlay_projection();
    glEnable(GL_BLEND);

    menu.ir += 0.005f;
    if (menu.ir > 360) menu.ir -= 360;

    draw_background();
    draw_logo();

    Caption caps[4];
    int n = g_captions(caps);
    for (int i = 0; i < n; i++) {
        // A long phrase shrinks to stay on the screen, still centred on its x.
        const Caption &c = caps[i];
        const int half = c.x < MENU_W - c.x ? c.x : MENU_W - c.x;
        const TextPlace p = g_fit_text(c.x - half, c.y, 2 * half, c.size, lang_get(c.phrase));
        f_print(p.cx, p.y, p.size, lang_get(c.phrase), 1);
    }
    f_print(15, 575, 16, CREDIT_LINE, 0);

    for (int i = 0; i < buttons; i++) draw_button(btt[i]);

    menu.mig = menu.mig + 1 >= 61 ? 0 : menu.mig + 1;
    gray(1.0f);
    for (int i = 0; i < t_fields; i++) draw_field(i);
    for (int i = 0; i < d_boxes; i++) draw_box(d_box[i]);

    gray(1.0f);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    view_scene_projection();
}
