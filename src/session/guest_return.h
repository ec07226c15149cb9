// A guest whose session has ended returns to its own game: the main menu with its own
// high scores, the puck of its start, a fresh window in its own mode.
#pragma once

#include <string>

#include "game/effects.h"
#include "game/game_state.h"

struct GuestHome {
    GameState state;  // the guest's own game, afresh, with its own local fields
    Effects fx;       // for the shell: the match music stops, the window is made anew, the
                      // player is told why, the high-score list is read from the guest's own file
};

GuestHome ReturnHome(const GameState& present, bool ownFullscreen, const std::string& why);
