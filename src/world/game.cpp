// The one world record; its fields start at the values the record declares.
#include "world/game.h"

WorldState world_state;
