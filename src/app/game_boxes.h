// The game's own message boxes, shown by the shell.
#pragma once

#include "game/boxes.h"

// One of the game's own boxes, known by its identifier in the turn's log.
void ShowGameBox(GameBox box);
