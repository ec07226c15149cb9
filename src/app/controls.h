// The play keys and mouse steering, each frame of play.
#pragma once

#include "game/turn.h"

struct GameState;

TurnOutcome PlayKeysStep(GameState& g);
