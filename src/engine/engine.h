// Engine life cycle and its door to the shell: start-up, the game start, the input entry
// points the window callbacks call, and the calls through which it reaches GL and the window.
#pragma once

#include "render/chunk_draw.h"

extern int gui;  // 1 while the menu has the input
extern int game; // 1 while a game runs

// What the engine asks of GL and of the window. The shell registers the real calls at
// start-up; an entry left null does nothing, so the engine starts, refuses and takes input
// in a test without a display.
struct EngineCalls {
    void (*init_gl)();                 // fixed GL state and the pictures, from e_init
    void (*set_fog)(int vision_range); // the fog range, from every game start
    void (*leave_main_loop)();         // the menu's exit button
    void (*hide_cursor)();             // a world has started
};
// The render module's init_gl and set_fog; the caller adds the window entries.
EngineCalls e_render_calls();
// The calls the engine makes from now on; all null until the first call.
void e_set_calls(const EngineCalls &calls);

// Once the window exists: init_gl, then the font, particle pools, phrases, the starting
// inventory and the world catalogue. Returns 1.
int e_init();
// Menu mode on the first page, with the settings, pictures and catalogue. Returns 1.
int e_init_gui();
int e_is_gui(); // gui
// Draws one frame of the current mode: the game's scene while game is 1, the menu while gui
// is 1 (see render_scene), with the streaming around the chunks drawn. Returns 1.
int e_render();
// How chunks are built and drawn from now on (the defaults until a tool sets others).
void e_set_draw_options(const DrawOptions &opt);
const DrawOptions &e_draw_options();
// Every key press: the menu's text input, then "1".."9" pick hotbar column 0..8, "0" 9.
void send_key(int key);
// Menu pointer position (menu space) for the engine and the menu.
void set_mouse(int x, int y);
// Left: the menu's click (MENU_SETTINGS writes "cfg", MENU_QUIT leaves the main loop,
// MENU_WORLD starts the chosen world, a saved one at the size it was saved with, and a world
// that cannot start brings the main page back), then the break request while a game runs.
// Right: the place request while a game runs. Others: nothing.
void mouse_down(int button);
// Left release while a game runs clears both requests; other buttons do nothing.
void mouse_up(int button);
// Starts a world as the menu's "world chosen" result does: counter and "cfg", the save
// folder, world_size = 10 * size_choice, vision_range, e_init_game, game mode. 1 on success.
// 0, with a line saying why and nothing started, for a name that is no folder of its own
// (empty, spaces, "." or "..", a "/", 64 bytes or more), a size choice outside 1..3, or a
// grid that cannot be allocated. A game already running is saved and released first.
int e_start_world(const char *name, int size_choice);
// Camera start, block tables, player reset, empty grid, save files bound to the world, set_fog
// with vision_range. 1 on success; 0 when the grid cannot be allocated (the player record
// is then left inactive, so nothing touches the missing grid).
int e_init_game();
