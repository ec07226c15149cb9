// The one step through which play and screens change over, and the window made anew.
#pragma once

#include <cstdint>

#include "game/effects.h"

struct GameState;

void SceneSwitch(GameState& g, uint32_t reseed, Effects& fx);

// The window is made anew (a scene switch to the screens, F1): it comes with the
// GL state every screen starts from.
void MakeWindowAnew(GameState& g, Effects& fx);
