// The platform layer must not see the game: compiling this with the platform's
// include root has to fail.
#include "game/game_state.h"
