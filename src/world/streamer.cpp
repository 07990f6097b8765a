// Chunk streaming (stub).
#include "world/streamer.h"

int c_position_x, c_position_y, c_position_z;
int already_created = 0;

void draw_buffs() {}
void re_save() {}
void save_all() {}
