// The rules draw nothing: GL is out of their reach.
#include "game/game_state.h"
#include <GL/gl.h>
