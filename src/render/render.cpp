// The per-frame render pass: the sun and the colours of the time of day, the world frame,
// the target outline, the hotbar overlay and the GL error report.
#include "render/render.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "base/common.h"
#include "base/config.h"
#include "draw/cubes.h"
#include "draw/font.h"
#include "draw/textures.h"
#include "draw/views.h"
#include "gui/gui.h"
#include "items/cells.h"
#include "items/particles.h"
#include "render/chunk_draw.h"
#include "world/chunks.h"

SkyState sky = {
    0,
    0,
    {0.9f, 0.9f, 0.9f, 1.0f},
    {1.2f, 1.2f, 1.2f, 1.0f},
    {0.0f, 0.0f, 2.0f, 1.0f},
    {0.3f, 0.3f, 0.3f, 1.0f},
};

namespace {

constexpr double CLOCK_FACTOR = 720.0; // sun-angle units per second of world_clock
constexpr float SUN_DISTANCE = 500.0f;
constexpr float SUN_HALF = 30.0f;
constexpr float DUSK = 0.4f; // below this brightness the sunlight turns red
constexpr int HOTBAR_CELLS = 10;
constexpr int HOTBAR_X = 210, HOTBAR_Y = 566, HOTBAR_PITCH = 38;

float fog_end = 10.0f; // as last handed to GL: the chunk drawing is told it

const char *gl_error_name(unsigned int code) {
    switch (code) {
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    default:
        return "";
    }
}

// Sun quad, light position and the colours of the time of day, in the sky frame (the
// camera's rotation without its translation).
void draw_sky(const SceneView &v) {
    glRotatef(v.rot_x, 1, 0, 0);
    glRotatef(v.rot_y, 0, 1, 0);

    const double a = (CLOCK_FACTOR * v.world_clock + v.camera_x) / 20000 / PI;
    const double s = std::sin(a), c = std::cos(a);
    sky.sunposx = static_cast<float>(-SUN_DISTANCE * c);
    sky.sunposy = static_cast<float>(SUN_DISTANCE * s);
    const float hs = static_cast<float>(SUN_HALF * s), hc = static_cast<float>(SUN_HALF * c);

    glEnable(GL_BLEND);
    glDisable(GL_FOG);
    glBindTexture(GL_TEXTURE_2D, textures.sun);
    // The overlay's last colour would otherwise tint the sun image.
    glColor4f(1, 1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(sky.sunposx - hs, sky.sunposy - hc, SUN_HALF);
    glTexCoord2f(1, 0);
    glVertex3f(sky.sunposx - hs, sky.sunposy - hc, -SUN_HALF);
    glTexCoord2f(1, 1);
    glVertex3f(sky.sunposx + hs, sky.sunposy + hc, -SUN_HALF);
    glTexCoord2f(0, 1);
    glVertex3f(sky.sunposx + hs, sky.sunposy + hc, SUN_HALF);
    glEnd();

    sky.LightPosition[0] = static_cast<float>(sky.sunposx + v.camera_x);
    sky.LightPosition[1] = sky.sunposy - 20;
    sky.LightPosition[2] = static_cast<float>(v.camera_y);

    if (s < 0) {
        sky.LightDiffuse[0] = sky.LightDiffuse[1] = sky.LightDiffuse[2] = 0;
        sky.fogColor[0] = sky.fogColor[1] = sky.fogColor[2] = 0;
        glFogfv(GL_FOG_COLOR, sky.fogColor);
        glClearColor(0, 0, 0.05f, 1);
    } else {
        float b = static_cast<float>(4 * s);
        if (b > 1) b = 1;
        sky.fogColor[0] = sky.fogColor[1] = sky.fogColor[2] = 0.9f * b;
        glFogfv(GL_FOG_COLOR, sky.fogColor);
        sky.LightDiffuse[0] = sky.LightDiffuse[1] = sky.LightDiffuse[2] = 1.3f * b;
        glClearColor(0.9f * b, 0.9f * b, b, 1);
        if (b < DUSK) sky.LightDiffuse[0] = 1.3f * b + (DUSK - b);
    }
    // Still in the sky frame: the light turns with the camera but does not travel with it.
    glLightfv(GL_LIGHT1, GL_POSITION, sky.LightPosition);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, sky.LightDiffuse);
}

void draw_world(const SceneView &v, const DrawOptions &opt) {
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glRotatef(v.rot_x, 1, 0, 0);
    glRotatef(v.rot_y, 0, 1, 0);
    glTranslatef(static_cast<float>(v.camera_x), static_cast<float>(-v.camera_z),
                 static_cast<float>(v.camera_y));
    glEnable(GL_CULL_FACE);
    draw_buffs(ChunkView{v.camera_x, v.camera_y, v.camera_z, v.rot_x, v.rot_y,
                         game_param.fog_enabled, fog_end},
               opt);
    glDisable(GL_CULL_FACE);
    render_particles();
}

void draw_target(const SceneView &p) {
    if (!p.has_target) return;
    glColor4f(0, 0, 0, 1);
    glLineWidth(5.0f);
    const int e = CHUNK_EDGE;
    draw_cube(static_cast<float>(p.target_local[0] - e * p.target_chunk[0]),
              static_cast<float>(p.target_local[2] + e * p.target_chunk[2]),
              static_cast<float>(p.target_local[1] - e * p.target_chunk[1]));
}

void draw_hotbar() {
    view_overlay_projection();
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    for (int i = 0; i < HOTBAR_CELLS; i++) {
        const int x = HOTBAR_X + HOTBAR_PITCH * i;
        if (i < HOTBAR_CELLS - 1) {
            // Bridges the 4-pixel gap to the next cell; a fixed width, whatever the
            // outline or the cells left behind.
            glLineWidth(1.0f);
            glColor4f(0.8f, 0.8f, 0.8f, 0.8f);
            glBegin(GL_LINES);
            glVertex2f(static_cast<float>(x + 34), 586);
            glVertex2f(static_cast<float>(x + 38), 586);
            glEnd();
        }
        glBindTexture(GL_TEXTURE_2D, textures.g_textures);
        if (player_cells && player_cells->slots)
            render_cell(&player_cells->slots[i], x, HOTBAR_Y, i == cells_active ? 1 : 0);
    }
}

void restore_state() {
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    view_scene_projection();
}

} // namespace

void render_init_gl() {
    view_scene_projection();

    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.9f, 0.9f, 1.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLineWidth(2.0f);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, sky.fogColor);
    glFogf(GL_FOG_DENSITY, 0.4f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, 5.0f);
    fog_end = 10.0f;
    glFogf(GL_FOG_END, fog_end);
    if (game_param.fog_enabled) glEnable(GL_FOG);
    glFrontFace(GL_CCW);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, sky.LightDiffuse);
    glLightfv(GL_LIGHT1, GL_AMBIENT, sky.LightAmbient);
    glEnable(GL_LIGHT1);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);

    LoadGLTextures(0, "./world/standart/ground.tga", &textures.g_textures, 0);
    LoadGLTextures(0, "./back.tga", textures.back, 1);
    LoadGLTextures(1, "./ts.tga", textures.back, 1);
    LoadGLTextures(2, "./lang/rus.tga", textures.back, 1);
    LoadGLTextures(3, "./lang/eng.tga", textures.back, 1);
    LoadGLTextures(0, "./font.tga", &font, 1);
    LoadGLTextures(0, "./world/standart/sun.tga", &textures.sun, 1);
}

void render_set_fog(int vision_range) {
    glFogf(GL_FOG_START, float(20 * vision_range));
    fog_end = float(32 * vision_range + 22);
    glFogf(GL_FOG_END, fog_end);
}

unsigned int render_report_gl_error(unsigned int code) {
    if (code != GL_NO_ERROR)
        std::printf("error %i, %s\n", static_cast<int>(code), gl_error_name(code));
    return code;
}

void render_scene(int game_running, const SceneView &view, const DrawOptions &opt) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (game_running == 1) {
        draw_sky(view);
        if (game_param.fog_enabled) glEnable(GL_FOG);
        glDisable(GL_BLEND);
        draw_world(view, opt);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        draw_target(view);
        draw_hotbar();
        restore_state();
    }
}

int render_finish(int menu_shown, void (*before_error_line)()) {
    const GLenum code = glGetError();
    if (code != GL_NO_ERROR && before_error_line) before_error_line();
    render_report_gl_error(code);
    if (menu_shown == 1) g_draw();
    return 1;
}
