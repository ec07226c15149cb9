// A guest whose session has ended returns to its own game: the main menu, its own
// high scores, the puck of its start, a fresh window in its own mode.
#pragma once

#include <string>

#include "app/loaded_models.h"

struct GameState;

// false: a model or the window failed (reported) and the program must end.
bool ReturnToOwnGame(GameState& g, LoadedModels& models, bool& fullscreen, const std::string& why);
