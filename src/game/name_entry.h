// The name-entry screen's step.
#pragma once

#include "game/effects.h"

struct GameState;

// Each frame on the name-entry screen: letters, digits, Space and Backspace edit the
// name; ENTER or ESC stores it in the list and the file and shows the list.
void NameEntryStep(GameState& g, Effects& fx);
