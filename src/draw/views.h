// The two coordinate spaces everything is drawn in: the 3-D scene and the 800 x 600 overlay.
#pragma once

// The scene projection every pass leaves behind: perspective of 45 degrees, aspect 4/3
// whatever the window's shape, near 0.01, far 1000; the modelview selected and identity.
void view_scene_projection();
// The 800 x 600 overlay space (origin top left, depth 0 to 15); modelview selected, identity.
void view_overlay_projection();
