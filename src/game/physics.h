// One simulation step of a match, split where the match frame draws in between:
// the front half (goal test, mallet hits, opponent, mallet moves), then the
// mallets are drawn, then the back half (walls, confinement, friction, puck move).
// While a replay runs, the replay's own front half takes the place of the first.
#pragma once

struct GameState;

// Table lines. The wall lines limit the puck's centre; each goal line lies
// 4 units inside its end wall line.
int wallLineRight(const GameState& g);
int wallLineLeft(const GameState& g);
int wallLineNear(const GameState& g);
int wallLineFar(const GameState& g);
int goalLineNear(const GameState& g);
int goalLineFar(const GameState& g);
// Either open x interval of the goal mouths (both ends share them).
bool inGoalMouth(const GameState& g);

// Puck served at rest at (150, serveZ); both mallets back on their start spots.
void resetPositions(GameState& g, float serveZ);

// Normal play up to the mallet moves (the mallets are drawn after this).
void physicsStepFront(GameState& g);
// From the wall bounces to the puck move, shared by normal play and replay.
void physicsStepBack(GameState& g);

// One whole step without drawing: what the match frame does, in the same order.
void matchStep(GameState& g);
