// The two halves of normal play's simulation step (their order with the replay and
// the drawing: game/match_step.h): the front half is the goal test, the mallet hits,
// the opponent and the mallet moves; the back half the walls, confinement, friction
// and the puck move.
#pragma once

#include "game/effects.h"

struct GameState;

// Normal play up to the mallet moves (the mallets are drawn after this).
void PhysicsStepFront(GameState& g, Effects& fx);
// From the wall bounces to the puck move, shared by normal play and replay.
void PhysicsStepBack(GameState& g, Effects& fx);
