// The table and puck models of a window whose state the game did not set up itself
// (a network guest takes the host's states over): they follow the state's table and
// puck radius, each loaded only when it changes.
#pragma once

struct GameState;

class LoadedModels {
public:
    // false: a model failed to load (reported) and the program must end.
    bool follow(GameState& g);
    // The puck of the game's start again, for a game of its own.
    bool backToStart(GameState& g);

private:
    int table_ = 0;
    const char* puck_ = nullptr;  // nullptr: the start's puck
};
