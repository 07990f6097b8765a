// Box primitives of the 3-D scene: the aimed block's wire outline and the small textured
// item box. Both take GL coordinates (y up) and set no GL state but the vertices they send.
#pragma once

constexpr int CUBE_OUTLINE_LOOPS = 6;
constexpr int CUBE_OUTLINE_VERTICES = 32;
constexpr int ITEM_BOX_VERTICES = 24; // six quads

// Vertex count of each outline loop, in drawing order.
extern const int cube_outline_loop_sizes[CUBE_OUTLINE_LOOPS];

// The outline's vertices around block centre (x, y, z), loop after loop.
void cube_outline_vertices(float x, float y, float z, float out[CUBE_OUTLINE_VERTICES][3]);

// The item box's quads: base centre (x, y, z), turned by angle radians about the vertical,
// size across the diagonal of its base, atlas cells from row type of texes (a type outside
// the table uses row 0).
void item_box_vertices(float x, float y, float z, float angle, float size, int type,
                       float xyz[ITEM_BOX_VERTICES][3], float st[ITEM_BOX_VERTICES][2]);

// Draws the outline as six line loops. The caller sets colour and line width and turns
// texturing and lighting off.
void draw_cube(float x, float y, float z);

// Draws the item box as one batch of quads. The caller binds the atlas and enables texturing.
void draw_cube_filed(float x, float y, float z, float angle, float size, int type);
