// The eleven tables: puck choice, constants and model, set up between frames.
#pragma once

#include "game/boxes.h"
#include "game/effects.h"
#include "game/turn_outcome.h"

struct GameState;

TurnOutcome TableStep(GameState& g, Effects& fx);

// The puck model that goes with a puck radius, and the message when it fails to load.
const char* PuckModelFile(int pukRad);
GameBox PuckModelFailure(int pukRad);
