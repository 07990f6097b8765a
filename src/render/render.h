// The per-frame render pass: sky, sun and day/night colours, the world, particles, the
// target outline, the hotbar, the GL error report and the menu.
#pragma once

int e_render();
