// The eleven tables: puck choice, constants and model, set up between frames.
#pragma once

#include "game/turn.h"

struct GameState;

TurnOutcome TableStep(GameState& g);
