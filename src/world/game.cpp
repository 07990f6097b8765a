// The one game record and its values at program start.
#include "world/game.h"

GameState game_state = {
    nullptr, 10, 1,                       // grid
    {},      0,  0, 0, 0, 0, 1, 0, 0.01f, // bodies, camera, fly_mode, jump, gravity
    0,       0,                           // clock, cool-down
};
