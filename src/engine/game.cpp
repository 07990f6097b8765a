// The one game record; its fields start at the values the record declares.
#include "engine/game.h"

GameState game_state;
