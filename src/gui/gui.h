// The menu: widget tables, screens, input and drawing.
#pragma once

struct GameParams;
struct WorldCatalogue;

// The world chosen in the menu.
struct WorldChoice {
    char name[64]; // zero-terminated; also the save folder's name
    int size;      // 1..3; the world is size * 10 chunks across
};

extern int lvl; // current screen

void g_set_par_str(GameParams *params);
void g_set_back(const unsigned int *names);
void g_setctlg(WorldCatalogue *catalogue);
void g_level(int screen);
WorldChoice *g_get_world();
// Resolves a left click at (mousex, mousey): 0 nothing, 1 handled, 2 settings changed,
// 3 quit, 4 world chosen.
int g_mouse_down();
// Edits the active text field; 1 when its text changed.
int g_send_key(int key);
void g_set_mouse(int x, int y);
void g_draw();
