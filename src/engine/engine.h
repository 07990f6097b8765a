// Engine life cycle and its door to the shell: start-up, the game start, and the input
// entry points the window callbacks call.
#pragma once

extern int gui;  // 1 while the menu has the input
extern int game; // 1 while a game runs

// GL texture names loaded at start-up. Process-long.
extern unsigned int g_textures; // block atlas
extern unsigned int sun;
extern unsigned int back[5]; // menu background, logo, "rus" flag, "eng" flag; 4 unused

extern int mousex, mousey; // menu pointer in 800 x 600 space

int e_init();
int e_init_gui();
int e_is_gui();
void send_key(int key);
void set_mouse(int x, int y);
void mouse_down(int button);
void mouse_up(int button);
// Starts a world as the menu's "world chosen" result does: counter and "cfg", the save
// folder, world_size = 10 * size_choice, vision_range, e_init_game, game mode. 1 on success.
int e_start_world(const char *name, int size_choice);
// Sets up the world chosen in the menu; 1 on success, 0 when the world could not be set up.
int e_init_game();
