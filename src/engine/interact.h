// Block picking, breaking and placing: the second half of the physics step. No GL here.
#pragma once

struct PlayerState;

// Casts the pick ray of one active body and records its target.
void pick_ray(PlayerState *body);
// Pick-up, breaking and placing for the player (record 0), after every body has moved.
void player_actions();
