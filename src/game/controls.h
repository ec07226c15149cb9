// The play keys and mouse steering, each frame of play.
#pragma once

#include "game/turn_outcome.h"

struct GameState;

TurnOutcome PlayKeysStep(GameState& g);

// Ctrl+Shift+digit asks for a table: the lowest digit held, 1 to kLastKeyTable, or 0.
constexpr int kLastKeyTable = 8;
int TableKeyHeld(const GameState& g);
// The digit key of table `n` is let go once its table is set up; the others stay down
// and ask again in the next frames.
void ReleaseTableKey(GameState& g, int n);
