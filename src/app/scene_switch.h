// The one step through which play and screens change over.
#pragma once

struct GameState;

// false: the window could not be created again and the program must end.
bool SceneSwitch(GameState& g);
