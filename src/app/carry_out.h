// The app's side of a turn: its effects carried out, in order.
#pragma once

#include "game/effects.h"
#include "game/frame_input.h"

struct GameState;

enum class CarriedOut {
    Done,
    Quit,        // a model failed to load (reported): the program ends
    WindowLost,  // the window could not be made anew (reported): the program ends
};

// The pad that feels each player's rumble, -1 for none: the shell's seats, or none at
// all when the player's settings switch rumble off.
struct RumblePads {
    int pad[kPlayerCount] = {-1, -1};
};

// A replayed game shows what happened but writes no high-score file; a network guest
// neither, and its window is its own.
CarriedOut CarryOut(GameState& g, const Effects& fx, bool writeHighScores, bool newWindows,
                    const RumblePads& rumble = {});
