// The per-frame render pass: sky, sun and day/night colours, the world, particles, the
// target outline, the hotbar, the GL error report and the menu.
#pragma once

// The sun and the colours of the time of day. Process-long; every game frame rewrites all
// but the fourth components and the ambient light, and the engine's start hands fogColor,
// LightDiffuse and LightAmbient to GL.
struct SkyState {
    float sunposx, sunposy; // sun centre in the sky frame (its z is 0)
    float fogColor[4];      // RGBA, fog and clear colour
    float LightDiffuse[4];  // RGBA of GL_LIGHT1
    float LightPosition[4]; // x y z w of GL_LIGHT1; xyz follow the sun, w stays 1 (positional)
    float LightAmbient[4];  // ambient part of GL_LIGHT1, never changed
};
extern SkyState sky;

// Draws one frame (the caller has cleared the buffers and swaps afterwards): the 3-D scene
// and the hotbar only while a game runs, then one pending GL error is printed, then the menu
// when gui is 1. Leaves the modelview selected and identity, the perspective in the
// projection, texturing and depth test on, blending, lighting and face culling off. Returns 1.
int e_render();

// The scene projection every pass leaves behind: perspective of 45 degrees, aspect 4/3
// whatever the window's shape, near 0.01, far 1000; the modelview selected and identity.
void render_scene_projection();
// The 800 x 600 overlay space (origin top left, depth 0 to 15); modelview selected, identity.
void render_overlay_projection();

// Prints "error %i, " with the code and its name (none for unknown codes) and a line break;
// prints nothing for GL_NO_ERROR. Returns code.
unsigned int e_report_gl_error(unsigned int code);
