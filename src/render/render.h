// The per-frame render pass: sky, sun and day/night colours, the world, particles, the
// target outline, the hotbar, the GL error report and the menu.
#pragma once

// Sun centre in the sky frame (its z is 0), rewritten every game frame.
extern float sunposx, sunposy;
// RGBA; components 0..2 rewritten every game frame from the sun, the fourth stays 1.0.
// Engine start hands fogColor to GL_FOG_COLOR and LightDiffuse to GL_LIGHT1.
extern float fogColor[4];
extern float LightDiffuse[4];
// x y z w of GL_LIGHT1; xyz follow the sun every game frame, w stays 1 (positional light).
extern float LightPosition[4];
// Ambient part of GL_LIGHT1, never changed; engine start hands it to GL.
extern float LightAmbient[4];

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
