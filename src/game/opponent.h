// The computer's mallet: it only sets gegner_v_x/gegner_v_z; the physics moves it.
#pragma once

struct GameState;

// Once per step of normal play, when artif_int is on and the opponent's mallet
// has not hit the puck in this step.
void SteerOpponent(GameState& g);
