#include "game/game_state.h"

GameState g_game;
