// The goal replay: the last mallet hit played again while the camera flies
// along the table, then a serve.
#pragma once

struct GameState;

// Right after a goal has been scored and the positions reset.
void StartReplay(GameState& g, bool playersGoal);
// First part of a replay step, before the replay view is set.
void ReplayCameraTravel(GameState& g);
// After the table is drawn: the end test and the stop inside the goal zone.
void ReplayStepFront(GameState& g);
