// The per-frame render pass: sky, sun and day/night colours, the world, particles, the
// target outline, the hotbar, the GL error report and the menu; and the GL state it starts from.
#pragma once

#include "render/chunk_draw.h"

// The sun and the colours of the time of day. Process-long; every game frame rewrites all
// but the fourth components and the ambient light, and render_init_gl hands fogColor,
// LightDiffuse and LightAmbient to GL.
struct SkyState {
    float sunposx, sunposy; // sun centre in the sky frame (its z is 0)
    float fogColor[4];      // RGBA, fog and clear colour
    float LightDiffuse[4];  // RGBA of GL_LIGHT1
    float LightPosition[4]; // x y z w of GL_LIGHT1; xyz follow the sun, w stays 1 (positional)
    float LightAmbient[4];  // ambient part of GL_LIGHT1, never changed
};
extern SkyState sky;

// Once the window exists: the scene projection, the fixed GL state (texturing, depth test,
// blending function, line width, linear fog from sky.fogColor, on when game_param says so,
// GL_LIGHT1 from sky) and the game's pictures into textures and font. A picture that fails
// to load leaves its name 0.
void render_init_gl();
// The fog range of a game: from 20 * vision_range to 32 * vision_range + 22.
void render_set_fog(int vision_range);

// What the frame is told of the game it draws: the camera (world units, z up; pitch and yaw
// in degrees), the world clock (seconds of play) that places the sun, and the block the player
// aims at (drawn outlined when has_target is set).
struct SceneView {
    double camera_x, camera_y, camera_z;
    float rot_x, rot_y;
    double world_clock;
    int has_target;
    int target_local[3], target_chunk[3];
};

// One frame is render_scene then render_finish (the caller has cleared the buffers and swaps
// afterwards); the world's work of the frame goes before and between them. render_scene draws
// the 3-D scene and the hotbar only when game_running is 1, leaving the modelview selected and
// identity, the perspective in the projection, texturing and depth test on, blending, lighting
// and face culling off.
void render_scene(int game_running, const SceneView &view, const DrawOptions &opt = DrawOptions{});
// Prints one pending GL error, then draws the menu when menu_shown is 1. Returns 1.
// before_error_line, when given, runs before an error line is printed.
int render_finish(int menu_shown, void (*before_error_line)() = nullptr);

// Prints "error %i, " with the code and its name (none for unknown codes) and a line break;
// prints nothing for GL_NO_ERROR. Returns code.
unsigned int render_report_gl_error(unsigned int code);
