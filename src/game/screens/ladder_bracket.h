// The ladder brackets: the computer entrants' names and the coin tosses that
// decide the pairings without the player. No drawing here; the ladder screens
// call these at their place in the frame.
#pragma once

struct GameState;

constexpr int kOpponentNameCount = 40;

// Name n (1 to 40) of the opponent list and its horizontal offset on screen.
const char* OpponentName(int n);
float OpponentNameOffset(int n);

// Each ladder frame: reseed from the clock, then the name draw and the round-1
// tosses when they are due. The singleplayer round-2 toss comes later in its frame.
void SingleplayerBracketDraws(GameState& g);
void SingleplayerRound2Draw(GameState& g);
void MultiplayerBracketDraws(GameState& g);
