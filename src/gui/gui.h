// The menu: widget tables, screens, input and drawing.
#pragma once

#include <cstdint>

#include "gui/lang.h"

struct GameParams;
struct WorldCatalogue;

// The world chosen in the menu.
struct WorldChoice {
    char name[64]; // zero-terminated; also the save folder's name
    int size;      // 1..3, the world is size * 10 chunks across; or WORLD_SIZE_KEPT
};
// The size of a saved world chosen from the list: the one it was saved with.
constexpr int WORLD_SIZE_KEPT = 0;

constexpr int GUI_SLOTS = 32;     // records per widget table
constexpr int DBOX_ITEMS = 16;    // items per drop box
constexpr int WORLD_BUTTONS = 17; // entries of play_w
constexpr int FIELD_HEIGHT = 34;  // frame height of text fields and drop boxes
constexpr int FIELD_ZONE = 29;    // fields and boxes react to y + 1 .. y + 29 only

// The menu's screens, kept in menu.lvl. The settings loader sits below the menu, so its
// st_page holds SCREEN_MAIN or SCREEN_LANGUAGE as a plain 0 or 1.
constexpr int SCREEN_MAIN = 0;
constexpr int SCREEN_LANGUAGE = 1;
constexpr int SCREEN_WORLDS = 2;    // saved worlds and the way to a new one
constexpr int SCREEN_NEW_WORLD = 3; // name, type and size of a new world
constexpr int SCREEN_OPTIONS = 4;
constexpr int SCREEN_CHOSEN = 29; // the empty screen left once a world is chosen

// What g_mouse_down made of a click; the engine acts on the last three.
enum MenuResult : int {
    MENU_NOTHING = 0,
    MENU_HANDLED = 1,  // a field took the focus or the screen changed
    MENU_SETTINGS = 2, // the language or the options changed: "cfg" is due
    MENU_QUIT = 3,
    MENU_WORLD = 4, // g_get_world holds the chosen world
};

constexpr int MENU_W = 800;   // width of the menu space
constexpr int MENU_H = 600;   // its height
constexpr int TEXT_SIZE = 22; // character size of widget texts

struct Button {
    int32_t x, y, w, h; // top-left corner and size, menu space
    char label[64];     // text button's caption, zero-terminated
    uint32_t texture;   // GL texture name of a picture button
    int32_t picture;    // 1 picture button, 0 text button
};

struct TextField {
    int32_t x, y, w; // frame; its height is FIELD_HEIGHT
    char text[512];  // zero-terminated content
    int32_t limit;   // typing stops once the text is longer than this; 0 blocks typing
};

struct DropBox {
    int32_t x, y, w;            // frame; its height is FIELD_HEIGHT
    int32_t count;              // items in use
    char items[DBOX_ITEMS][32]; // zero-terminated item texts
    int32_t selected;           // item shown, 0..count - 1
};

// A text that g_draw prints, centred at x with its top at y, on the current screen.
struct Caption {
    int x, y, size;
    unsigned int phrase;
};

// Where g_draw prints a text: centred on cx, top at y, glyphs size pixels wide.
struct TextPlace {
    int cx, y, size;
};

// Widget tables; a screen change empties all three. Process-long.
extern Button btt[GUI_SLOTS]; // the buttons ("button table")
extern int buttons;
extern TextField t_field[GUI_SLOTS];
extern int t_fields;
extern DropBox d_box[GUI_SLOTS];
extern int d_boxes;

// The menu's state besides its tables: the screen, its widget handles, the pointer and the
// animation. Process-long; g_level rebuilds the handles with every screen change.
struct MenuState {
    int lvl;               // current screen
    int t_active;          // text field receiving typing, -1 for none
    unsigned int g_notice; // phrase shown under the new-world form, 0 for none; cleared by
                           // the next key, click or screen change
    int mousex, mousey;    // pointer, 800 x 600 menu space
    float ir;              // background and logo phase, 0..360, advanced per frame
    int mig;               // caret blink counter, 0..60, advanced per frame

    unsigned int iback[4]; // background, logo, "rus" flag, "eng" flag
    WorldCatalogue *gtlg;  // the catalogue: saved worlds listed on SCREEN_WORLDS; null lists none
    WorldChoice w_param;   // filled when g_mouse_down returns MENU_WORLD

    // Widget handles: the index of the widget on the current screen, -1 when it has none.
    int b_newgame, b_multiplayer, b_options, b_credits, b_web, b_exit;
    int b_rus, b_eng;
    int b_new_world, b_back_to_menu;
    int play_w[WORLD_BUTTONS];
    int b_create_world, t_world_name, d_world_type, d_world_big;
    int b_save, d_v_distance, d_fog;
};
extern MenuState menu;

// Appenders; each returns the new record's index, or -1 when its table is full.
int addGButton(int x, int y, int w, int h, unsigned int texture);
int addButton(int x, int y, int w, int h, const char *label); // label cut to 63 bytes
int addTfield(int x, int y, int w, int limit);                // text starts as " "
int addDBox(int x, int y, int w);
// Appends an item (cut to 31 bytes); the box's new item count, or -1 for a bad box or a
// full item list.
int add_item_to_dbox(int box, const char *text);

void g_set_par_str(GameParams *params);
void g_set_back(const unsigned int *names);
void g_setctlg(WorldCatalogue *catalogue);
// Empties the tables and handles, then builds screen `screen` (SCREEN_MAIN..SCREEN_OPTIONS;
// others stay empty).
void g_level(int screen);
// Builds the widgets of screen lvl into emptied tables.
void loadlv();
WorldChoice *g_get_world();
// Resolves a left click at (mousex, mousey).
MenuResult g_mouse_down();
// Edits the active text field; 1 when its text changed.
int g_send_key(int key);
void g_set_mouse(int x, int y);
void g_draw();

// Pointer tests shared by clicks and highlights: buttons use their whole box with strict
// edges; fields and boxes only y + 1 .. y + 29 of their frame.
bool g_over_button(const Button &b);
bool g_over_field(int x, int y, int w);
// Text of widget (x, y, w) at size: centred on x + w / 2 as long as its glyphs' advances stay
// inside the widget's part within the menu width; else centred on that part at the largest
// size that fits there, moved down to keep the line's middle in place.
TextPlace g_fit_text(int x, int y, int w, int size, const char *text);
// Captions of screen lvl into out (room for 4); their number.
int g_captions(Caption *out);
// 1 when name may become a save folder: not empty, not only spaces, not "." or "..", no "/".
int g_world_name_ok(const char *name);
