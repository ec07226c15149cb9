// The ladder brackets: the computer entrants' names and the coin tosses that
// decide the pairings without the player. They are picked in each frame that shows
// a ladder, before it is drawn, so that the names show on the first frame.
#pragma once

#include <cstdint>

struct GameState;

constexpr int kOpponentNameCount = 40;

// Name n (1 to 40) of the opponent list and its horizontal offset on screen.
const char* OpponentName(int n);
float OpponentNameOffset(int n);

// Each ladder frame: reseed (from the clock, or the fixed seed), then the names and
// the round-1 tosses when they are due. The singleplayer round-2 toss comes after them.
void PickSingleplayerBracket(GameState& g, uint32_t reseed);
void PickSingleplayerRound2(GameState& g);
void PickMultiplayerBracket(GameState& g, uint32_t reseed);
