// Menu navigation, match start and match end, and the two ladders.
#pragma once

#include "game/effects.h"
#include "game/turn_outcome.h"

struct GameState;

TurnOutcome MenuStep(GameState& g, Effects& fx);     // each frame while a screen is shown
TurnOutcome MatchEndTest(GameState& g);   // each frame of play, before the play keys
