// Menu logic: widget tables, the five screens, clicks and typing. No GL here.
#include "gui/gui.h"

#include "base/config.h"
#include "draw/font.h"
#include "gui/lang.h"
#include "world/saver.h"

#include <cstdio>
#include <cstring>

Button btt[GUI_SLOTS];
int buttons = 0;
TextField t_field[GUI_SLOTS];
int t_fields = 0;
DropBox d_box[GUI_SLOTS];
int d_boxes = 0;

namespace {

GameParams *par = nullptr;

// Copies at most cap - 1 bytes and always terminates.
void copy_text(char *dst, const char *src, size_t cap) {
    size_t n = std::strlen(src);
    if (n > cap - 1) n = cap - 1;
    std::memcpy(dst, src, n);
    dst[n] = 0;
}

// Every handle -1: the screen has no such widget.
constexpr void clear_handles(MenuState &m) {
    m.b_newgame = m.b_multiplayer = m.b_options = m.b_credits = m.b_web = m.b_exit = -1;
    m.b_rus = m.b_eng = -1;
    m.b_new_world = m.b_back_to_menu = -1;
    for (int &h : m.play_w) h = -1;
    m.b_create_world = m.t_world_name = m.d_world_type = m.d_world_big = -1;
    m.b_save = m.d_v_distance = m.d_fog = -1;
}

// SCREEN_MAIN before it is built: no active field, no handles, all else zero; constant, so
// the menu is ready before any other start-up code runs.
constexpr MenuState menu_at_start() {
    MenuState m{};
    m.t_active = -1;
    clear_handles(m);
    return m;
}

int clamp(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

void build_main() {
    menu.b_newgame = addButton(300, 250, 200, 30, lang_get(PHRASE_NEW_GAME));
    menu.b_multiplayer = addButton(300, 280, 200, 30, lang_get(PHRASE_MULTIPLAYER));
    menu.b_options = addButton(300, 310, 200, 30, lang_get(PHRASE_OPTIONS));
    menu.b_credits = addButton(300, 340, 200, 30, lang_get(PHRASE_CREDITS));
    menu.b_web = addButton(300, 370, 200, 30, lang_get(PHRASE_WEBSITE));
    menu.b_exit = addButton(300, 400, 200, 30, lang_get(PHRASE_EXIT));
}

void build_language() {
    menu.b_rus = addGButton(10, 300, 300, 200, menu.iback[2]);
    menu.b_eng = addGButton(490, 300, 300, 200, menu.iback[3]);
}

int world_count() {
    return menu.gtlg ? clamp(menu.gtlg->count, 0, CATALOGUE_MAX) : 0;
}

void build_world_list() {
    menu.b_new_world = addButton(300, 500, 200, 30, lang_get(PHRASE_CREATE_WORLD));
    menu.b_back_to_menu = addButton(300, 540, 200, 30, lang_get(PHRASE_BACK));
    int n = world_count();
    for (int i = 0; i < n; i++) {
        // The second column starts level with the first: i = 8 lands at y = 220.
        int x = i < 8 ? 150 : 650;
        int y = i < 8 ? 220 + 30 * i : 30 * i - 20;
        char name[CATALOGUE_NAME];
        std::memcpy(name, menu.gtlg->names[i], CATALOGUE_NAME);
        name[CATALOGUE_NAME - 1] = 0;
        menu.play_w[i] = addButton(x, y, 200, 30, name);
    }
}

void build_new_world() {
    menu.b_create_world = addButton(300, 500, 200, 30, lang_get(PHRASE_CREATE_WORLD));
    menu.t_world_name = addTfield(250, 250, 300, 18);
    if (menu.t_world_name >= 0) {
        std::snprintf(t_field[menu.t_world_name].text, sizeof t_field[0].text, "world %i",
                      par ? par->world_counter : 1);
        menu.t_active = menu.t_world_name;
    }
    menu.d_world_type = addDBox(250, 320, 300);
    add_item_to_dbox(menu.d_world_type, lang_get(PHRASE_STANDARD));
    menu.d_world_big = addDBox(250, 390, 300);
    for (unsigned int p = PHRASE_SIZE_SMALL; p <= PHRASE_SIZE_LARGE; p++)
        add_item_to_dbox(menu.d_world_big, lang_get(p));
}

void build_options() {
    menu.b_save = addButton(300, 500, 200, 30, lang_get(PHRASE_SAVE));
    menu.d_v_distance = addDBox(250, 250, 300);
    for (unsigned int p = PHRASE_ONE_CHUNK; p <= PHRASE_THREE_CHUNKS; p++)
        add_item_to_dbox(menu.d_v_distance, lang_get(p));
    menu.d_fog = addDBox(250, 320, 300);
    add_item_to_dbox(menu.d_fog, lang_get(PHRASE_FOG_OFF));
    add_item_to_dbox(menu.d_fog, lang_get(PHRASE_FOG_ON));
    // A hand-edited "cfg" may hold anything; the boxes only show what they have.
    if (menu.d_v_distance >= 0 && par)
        d_box[menu.d_v_distance].selected = clamp(par->view_distance - 1, 0, 2);
    if (menu.d_fog >= 0 && par) d_box[menu.d_fog].selected = par->fog_enabled ? 1 : 0;
}

MenuResult choose_world(const char *name, int size) {
    copy_text(menu.w_param.name, name, sizeof menu.w_param.name);
    menu.w_param.size = size;
    g_level(SCREEN_CHOSEN);
    return MENU_WORLD;
}

void set_language(const char *code) {
    if (par) {
        std::memcpy(par->language, code, 3);
        par->language[3] = 0;
    }
    lang_init(code);
    g_level(SCREEN_MAIN);
}

// Acts on a click that hit button `hit`; the order of the checks is the menu's priority.
MenuResult press_button(int hit) {
    if (hit == menu.b_rus) {
        set_language("rus");
        return MENU_SETTINGS;
    }
    if (hit == menu.b_eng) {
        set_language("eng");
        return MENU_SETTINGS;
    }
    if (hit == menu.b_exit) return MENU_QUIT;
    if (hit == menu.b_newgame) {
        g_level(SCREEN_WORLDS);
        return MENU_HANDLED;
    }
    if (hit == menu.b_options) {
        g_level(SCREEN_OPTIONS);
        return MENU_HANDLED;
    }
    if (hit == menu.b_save) {
        if (par) {
            par->view_distance = d_box[menu.d_v_distance].selected + 1;
            par->fog_enabled = d_box[menu.d_fog].selected;
        }
        g_level(SCREEN_MAIN);
        return MENU_SETTINGS;
    }
    if (hit == menu.b_back_to_menu) {
        g_level(SCREEN_MAIN);
        return MENU_HANDLED;
    }
    if (hit == menu.b_new_world && menu.lvl == SCREEN_WORLDS) {
        g_level(SCREEN_NEW_WORLD);
        return MENU_HANDLED;
    }
    for (int i = 0; i < WORLD_BUTTONS; i++) {
        if (hit != menu.play_w[i]) continue;
        char name[64];
        copy_text(name, btt[hit].label, sizeof name);
        // The start measures a saved world: its size is known where its files are.
        return choose_world(name, WORLD_SIZE_KEPT);
    }
    if (hit == menu.b_create_world) {
        const char *name = t_field[menu.t_world_name].text;
        if (!g_world_name_ok(name)) {
            std::printf("not creating world \"%s\": a world name must not be empty or only "
                        "spaces, \".\" or \"..\", nor hold \"/\" \n",
                        name);
            menu.g_notice = PHRASE_BAD_NAME;
            return MENU_NOTHING;
        }
        return choose_world(name, d_box[menu.d_world_big].selected + 1);
    }
    return MENU_NOTHING;
}

// Appends an empty button record, or gives null when the table is full.
Button *append_button(int x, int y, int w, int h) {
    if (buttons >= GUI_SLOTS) return nullptr;
    Button &b = btt[buttons++];
    b = Button{};
    b.x = x;
    b.y = y;
    b.w = w;
    b.h = h;
    return &b;
}

} // namespace

MenuState menu = menu_at_start();

int addGButton(int x, int y, int w, int h, unsigned int texture) {
    Button *b = append_button(x, y, w, h);
    if (!b) return -1;
    b->texture = texture;
    b->picture = 1;
    return buttons - 1;
}

int addButton(int x, int y, int w, int h, const char *label) {
    Button *b = append_button(x, y, w, h);
    if (!b) return -1;
    copy_text(b->label, label, sizeof b->label);
    return buttons - 1;
}

int addTfield(int x, int y, int w, int limit) {
    if (t_fields >= GUI_SLOTS) return -1;
    TextField &f = t_field[t_fields];
    f = TextField{};
    f.x = x;
    f.y = y;
    f.w = w;
    f.limit = limit;
    f.text[0] = ' ';
    return t_fields++;
}

int addDBox(int x, int y, int w) {
    if (d_boxes >= GUI_SLOTS) return -1;
    DropBox &d = d_box[d_boxes];
    d = DropBox{};
    d.x = x;
    d.y = y;
    d.w = w;
    return d_boxes++;
}

int add_item_to_dbox(int box, const char *text) {
    if (box < 0 || box >= d_boxes) return -1;
    DropBox &d = d_box[box];
    if (d.count >= DBOX_ITEMS) return -1;
    copy_text(d.items[d.count], text, sizeof d.items[0]);
    return ++d.count;
}

void g_set_par_str(GameParams *params) {
    par = params;
}

void g_set_back(const unsigned int *names) {
    for (int i = 0; i < 4; i++) menu.iback[i] = names[i];
}

void g_setctlg(WorldCatalogue *catalogue) {
    menu.gtlg = catalogue;
}

void g_level(int screen) {
    clear_handles(menu);
    std::memset(btt, 0, sizeof btt);
    std::memset(t_field, 0, sizeof t_field);
    std::memset(d_box, 0, sizeof d_box);
    buttons = t_fields = d_boxes = 0;
    menu.t_active = -1;
    menu.g_notice = 0;
    menu.lvl = screen;
    loadlv();
}

void loadlv() {
    switch (menu.lvl) {
    case SCREEN_MAIN:
        build_main();
        break;
    case SCREEN_LANGUAGE:
        build_language();
        break;
    case SCREEN_WORLDS:
        build_world_list();
        break;
    case SCREEN_NEW_WORLD:
        build_new_world();
        break;
    case SCREEN_OPTIONS:
        build_options();
        break;
    default:
        break;
    }
}

WorldChoice *g_get_world() {
    return &menu.w_param;
}

bool g_over_button(const Button &b) {
    return b.x < menu.mousex && menu.mousex < b.x + b.w && b.y < menu.mousey &&
           menu.mousey < b.y + b.h;
}

bool g_over_field(int x, int y, int w) {
    return x < menu.mousex && menu.mousex < x + w && y < menu.mousey &&
           menu.mousey <= y + FIELD_ZONE;
}

MenuResult g_mouse_down() {
    menu.g_notice = 0;
    int hit = -1;
    for (int i = 0; i < buttons; i++)
        if (g_over_button(btt[i])) hit = i;
    int field = -1;
    for (int i = 0; i < t_fields; i++)
        if (g_over_field(t_field[i].x, t_field[i].y, t_field[i].w)) field = i;
    // Boxes cycle on every click, whatever else the click does.
    for (int i = 0; i < d_boxes; i++) {
        DropBox &d = d_box[i];
        if (!g_over_field(d.x, d.y, d.w)) continue;
        d.selected = d.selected + 1 >= d.count ? 0 : d.selected + 1;
    }
    if (field >= 0) {
        menu.t_active = field;
        return MENU_HANDLED;
    }
    if (hit < 0) return MENU_NOTHING;
    return press_button(hit);
}

int g_send_key(int key) {
    menu.g_notice = 0;
    if (menu.t_active < 0 || menu.t_active >= t_fields) return 0;
    TextField &f = t_field[menu.t_active];
    size_t len = std::strlen(f.text);
    if (key == 8) {
        if (len == 0) return 0;
        f.text[len - 1] = 0;
        return 1;
    }
    if (key < 32 || key > 255) return 0;
    if (f.limit == 0) return 0;
    if (len > static_cast<size_t>(f.limit) || len + 1 >= sizeof f.text) return 0;
    f.text[len] = static_cast<char>(key);
    f.text[len + 1] = 0;
    return 1;
}

void g_set_mouse(int x, int y) {
    menu.mousex = x;
    menu.mousey = y;
}

int g_captions(Caption *out) {
    int n = 0;
    switch (menu.lvl) {
    case SCREEN_LANGUAGE:
        out[n++] = {165, 215, 22, PHRASE_RUSSIAN};
        out[n++] = {635, 215, 22, PHRASE_ENGLISH};
        break;
    case SCREEN_WORLDS:
        out[n++] = {400, 180, 26, PHRASE_YOUR_WORLDS};
        if (world_count() == 0) out[n++] = {400, 220, 22, PHRASE_NO_WORLDS};
        break;
    case SCREEN_NEW_WORLD:
        out[n++] = {400, 215, 22, PHRASE_WORLD_NAME};
        out[n++] = {400, 285, 22, PHRASE_WORLD_TYPE};
        out[n++] = {400, 350, 22, PHRASE_WORLD_SIZE};
        if (menu.g_notice)
            out[n++] = {400, 440, 18, menu.g_notice}; // between the boxes and the button
        break;
    case SCREEN_OPTIONS:
        out[n++] = {400, 215, 22, PHRASE_VIEW_DISTANCE};
        out[n++] = {400, 285, 22, PHRASE_FOG};
        break;
    default:
        break;
    }
    return n;
}

TextPlace g_fit_text(int x, int y, int w, int size, const char *text) {
    const int lo = x > 0 ? x : 0, hi = x + w < MENU_W ? x + w : MENU_W;
    // The glyphs sit on the pen's 0.8-wide advance; the last fifth of a quad is always blank,
    // so only the advances must stay inside.
    auto fits = [&](int cx, int s) {
        int left = 0, right = 0;
        return !font_text_span(cx, s, text, 1, &left, &right) ||
               (left >= lo && right - s / 5 <= hi);
    };
    if (fits(x + w / 2, size)) return {x + w / 2, y, size};
    const int mid = (lo + hi) / 2;
    int s = size;
    while (s > 1 && !fits(mid, s)) s--;
    return {mid, y + (size - s) * 4 / 5, s};
}

int g_world_name_ok(const char *name) {
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return 0;
    if (std::strchr(name, '/')) return 0;
    for (const char *p = name; *p; p++)
        if (*p != ' ') return 1;
    return 0;
}
