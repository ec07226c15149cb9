// The ladder brackets: the computer entrants' names and the coin tosses that
// decide the pairings without the player. The ladder screens pick them while they
// draw, at their place in the frame, so that the names show on the first frame.
#pragma once

struct GameState;

constexpr int kOpponentNameCount = 40;

// Name n (1 to 40) of the opponent list and its horizontal offset on screen.
const char* OpponentName(int n);
float OpponentNameOffset(int n);

// Each ladder frame: reseed from the clock, then the names and the round-1 tosses
// when they are due. The singleplayer round-2 toss comes later in its frame.
void PickSingleplayerBracket(GameState& g);
void PickSingleplayerRound2(GameState& g);
void PickMultiplayerBracket(GameState& g);
